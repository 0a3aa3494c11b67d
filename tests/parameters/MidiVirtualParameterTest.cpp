#include <gtest/gtest.h>

#include <cmath>

#include "RecordingOwner.h"
#include "parameters/FloatPluginParameter.h"
#include "parameters/MidiMultiVirtualPluginParameter.h"

namespace {

class MultiVirtualTest : public ::testing::Test {
protected:
    MultiVirtualTest() : link(virtuals, "Filter Link Freq") {
        for (FloatPluginParameter* p : {&a, &b, &c}) link.addParameter(p);
        a.setValue(0.2f, 0);
        b.setValue(0.4f, 0);
        c.setValue(0.6f, 0);
    }

    RecordingOwner owner;
    std::vector<MidiVirtualPluginParameter*> virtuals;
    FloatPluginParameter a{&owner, "Filter 1 Freq"};
    FloatPluginParameter b{&owner, "Filter 2 Freq"};
    FloatPluginParameter c{&owner, "Filter 3 Freq"};
    MidiMultiVirtualPluginParameter link;
};

TEST_F(MultiVirtualTest, IdsCountUpFromTheFirstVirtualId) {
    MidiMultiVirtualPluginParameter peak(virtuals, "Filter Link Peak");
    ASSERT_EQ(virtuals.size(), 2u);
    EXPECT_EQ(virtuals[0], &link);
    EXPECT_EQ(link.getId(), 0x100000);
    EXPECT_EQ(peak.getId(), 0x100001);
    EXPECT_EQ(peak.getName(), "Filter Link Peak");
}

TEST_F(MultiVirtualTest, KeepsTheSpreadAroundTheControllerValue) {
    link.setNormalized(0.5f);
    EXPECT_NEAR(a.getValue(), 0.3f, 1e-6f);
    EXPECT_NEAR(b.getValue(), 0.5f, 1e-6f);
    EXPECT_NEAR(c.getValue(), 0.7f, 1e-6f);
}

TEST_F(MultiVirtualTest, RestoresAnOffsetCutOffAtTheLimit) {
    link.setNormalized(0.9f);
    EXPECT_NEAR(a.getValue(), 0.7f, 1e-6f);
    EXPECT_NEAR(b.getValue(), 0.9f, 1e-6f);
    EXPECT_FLOAT_EQ(c.getValue(), 1.0f);  // 1.1 cut off

    link.setNormalized(0.5f);
    EXPECT_NEAR(a.getValue(), 0.3f, 1e-6f);
    EXPECT_NEAR(b.getValue(), 0.5f, 1e-6f);
    EXPECT_NEAR(c.getValue(), 0.7f, 1e-6f);  // the full offset is back

    link.setNormalized(0.0f);
    EXPECT_FLOAT_EQ(a.getValue(), 0.0f);
    link.setNormalized(0.4f);
    EXPECT_NEAR(a.getValue(), 0.2f, 1e-6f);
}

TEST_F(MultiVirtualTest, AParameterMovedOnItsOwnKeepsItsNewPlace) {
    link.setNormalized(0.5f);
    a.setValue(0.1f, 0);  // the user moves filter 1 alone
    link.setNormalized(0.5f);
    EXPECT_NEAR(b.getValue() - a.getValue(), 0.4f, 1e-5f);
    EXPECT_NEAR(c.getValue() - b.getValue(), 0.2f, 1e-5f);
    EXPECT_NEAR((a.getValue() + b.getValue() + c.getValue()) / 3.0f, 0.5f, 1e-5f);
}

TEST_F(MultiVirtualTest, MembershipAndBrokenInput) {
    EXPECT_FALSE(link.addParameter(&a));
    EXPECT_FALSE(link.addParameter(nullptr));
    EXPECT_TRUE(link.removeParameter(&b));
    EXPECT_FALSE(link.removeParameter(&b));
    EXPECT_EQ(link.getNumParameters(), 2);

    link.setNormalized(0.5f);
    EXPECT_NEAR(a.getValue(), 0.3f, 1e-6f);
    EXPECT_NEAR(b.getValue(), 0.4f, 1e-6f);  // no longer driven
    EXPECT_NEAR(c.getValue(), 0.7f, 1e-6f);

    const size_t before = owner.calls.size();
    link.setNormalized(NAN);
    link.setNormalized(INFINITY);
    EXPECT_EQ(owner.calls.size(), before);

    link.setNormalized(7.0f);  // limited to 1
    EXPECT_FLOAT_EQ(c.getValue(), 1.0f);
    EXPECT_NEAR(a.getValue(), 0.8f, 1e-6f);

    std::vector<MidiVirtualPluginParameter*> others;
    MidiMultiVirtualPluginParameter empty(others, "Empty");
    empty.setNormalized(0.5f);  // nothing to drive, nothing happens
    EXPECT_EQ(empty.getId(), 0x100000);
}

}  // namespace
