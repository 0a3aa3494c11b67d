#include <gtest/gtest.h>

#include <cmath>

#include "RecordingOwner.h"
#include "engine/wave/Environment.h"
#include "engine/wave/FloatParameterSource.h"
#include "parameters/FloatParamPluginParameter.h"
#include "parameters/LimFloatPropPluginParameter.h"
#include "parameters/PropPluginParameter.h"

namespace {

enum class Mode { kFree, kSync, kHold };

TEST(PropPluginParameter, ApplyValueSetsEveryBoundPropertyOnce) {
    RecordingOwner owner;
    CountingPropertyOwner stage;
    Property<int> first(&stage, 0);
    Property<int> second(nullptr, 0);
    PropPluginParameter<int> p(&owner, "Routing");
    p.setRange(0, 7, 0);
    p.bind(&first);
    p.bind(&second);
    p.bind(&first);  // bound once only

    p.applyValue(5.0f);
    EXPECT_EQ(first.get(), 5);
    EXPECT_EQ(second.get(), 5);
    ASSERT_EQ(stage.changed.size(), 1u);
    EXPECT_EQ(stage.changed[0], &first);
    // applyValue never changes the parameter's own value.
    EXPECT_FLOAT_EQ(p.getValue(), 0.0f);

    p.applyValue(5.0f);
    EXPECT_EQ(stage.changed.size(), 1u);  // unchanged values notify nobody

    p.unbind(&first);
    p.applyValue(2.0f);
    EXPECT_EQ(first.get(), 5);
    EXPECT_EQ(second.get(), 2);
}

TEST(PropPluginParameter, AppliesMappedEnumAndBoolValues) {
    RecordingOwner owner;
    CountingPropertyOwner stage;
    static const int kModes[] = {2, 0, 1};
    Property<Mode> mode(&stage, Mode::kFree);
    PropPluginParameter<Mode> modeParameter(&owner, "Mode");
    modeParameter.setValueMap(kModes, 3, 0);
    modeParameter.bind(&mode);
    modeParameter.applyValue(0.0f);
    EXPECT_EQ(mode.get(), Mode::kHold);
    modeParameter.applyValue(2.7f);  // truncated to index 2
    EXPECT_EQ(mode.get(), Mode::kSync);

    static const int kFlags[] = {0, 4};
    Property<bool> flag(&stage, false);
    PropPluginParameter<bool> flagParameter(&owner, "Flag");
    flagParameter.setValueMap(kFlags, 2, 0);
    flagParameter.bind(&flag);
    flagParameter.applyValue(1.0f);
    EXPECT_TRUE(flag.get());
    flagParameter.applyValue(NAN);  // a broken value lands on the minimum, never out of range
    EXPECT_FALSE(flag.get());
}

TEST(LimFloatPropPluginParameter, AppliesTheCurvedValueWithinThePropertyLimits) {
    RecordingOwner owner;
    CountingPropertyOwner stage;
    LimitedProperty<float> threshold(&stage, 0.0f, 0.0f, 5.0f);
    LimFloatPropPluginParameter p(&owner, "Threshold");
    p.getDisplay().curve = [](float x) { return x * x; };
    p.setDisplayRange(0.0f, 10.0f);
    p.bind(&threshold);

    p.applyValue(0.5f);  // 0.25 * 10
    EXPECT_FLOAT_EQ(threshold.get(), 2.5f);
    p.applyValue(0.9f);  // 8.1, limited
    EXPECT_FLOAT_EQ(threshold.get(), 5.0f);
    EXPECT_EQ(stage.changed.size(), 2u);
    p.applyValue(1.0f);  // 10, still the limit: no notification
    EXPECT_EQ(stage.changed.size(), 2u);

    p.getDisplay().curve = [](float) { return NAN; };
    p.applyValue(0.5f);
    EXPECT_FLOAT_EQ(threshold.get(), 5.0f);
    EXPECT_EQ(stage.changed.size(), 2u);
}

TEST(FloatParamPluginParameter, AppliedValuesBecomeRampTargets) {
    RecordingOwner owner;
    wave::Environment environment(64);
    wave::FloatParameterSource horizontal(environment, 0.0f);
    wave::FloatParameterSource mirror(environment, 0.0f);
    horizontal.ramp().setLimits(-1.0f, 1.0f);
    mirror.ramp().setLimits(-1.0f, 1.0f);

    FloatParamPluginParameter p(&owner, "Hor");
    p.setRange(-1.0f, 1.0f, 0.0f);
    p.bind(&horizontal);
    p.bind(&mirror);
    p.applyValue(0.5f);
    EXPECT_FLOAT_EQ(horizontal.getTarget(), 0.5f);
    EXPECT_FLOAT_EQ(mirror.getTarget(), 0.5f);
    EXPECT_FLOAT_EQ(p.getValue(), 0.0f);

    p.getDisplay().scale2 = -1.0f;
    p.applyValue(0.25f);
    EXPECT_FLOAT_EQ(horizontal.getTarget(), -0.25f);

    // A non-finite result never reaches the graph.
    p.getDisplay().curve = [](float x) { return x / 0.0f; };
    p.applyValue(0.5f);
    EXPECT_FLOAT_EQ(horizontal.getTarget(), -0.25f);

    p.unbind(&mirror);
    p.getDisplay().curve = nullptr;
    p.applyValue(0.75f);
    EXPECT_FLOAT_EQ(horizontal.getTarget(), -0.75f);
    EXPECT_FLOAT_EQ(mirror.getTarget(), -0.25f);
}

}  // namespace
