// The adapter in-process: what reaches the framework from the host's MIDI packets, transport,
// automation and reset requests.
#include <gtest/gtest.h>

#include <cmath>

#include "aax/AaxTestHost.h"
#include "engine/MidiListener.h"
#include "host/aax/AaxPluginAdapter.h"
#include "host/aax/AaxPluginDescription.h"
#include "support/AllocationCounter.h"

using namespace aaxhost;

namespace {

struct ControlChanges final : MidiListener {
    void channelPressure(float) override {}
    void polyPressure(int, float) override {}
    void controlChange(int controller, int value, float) override { seen.emplace_back(controller, value); }
    void modWheel(float) override {}
    void noteOff(int, float) override {}
    void noteOn(int, float) override {}
    void pitchBend(float value) override { bends.push_back(value); }
    std::vector<std::pair<int, int>> seen;
    std::vector<float> bends;
};

AAX_MidiPacket packet(uint32_t length, uint8_t a, uint8_t b, uint8_t c, uint32_t time = 0) {
    AAX_MidiPacket p;
    p.timestamp = time;
    p.length = length;
    p.data[0] = a;
    p.data[1] = b;
    p.data[2] = c;
    return p;
}

class AaxAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(AaxPluginDescription::describe(collection), AAX_SUCCESS);
        instance = std::make_unique<Instance>(AaxPluginAdapter::create(), *collection.effects[0]);
        ASSERT_EQ(instance->initialize(), AAX_SUCCESS);
        void* pointer = nullptr;
        uint32_t written = 0;
        ASSERT_EQ(instance->parameters().getCustomData(0, sizeof pointer, &pointer, &written), AAX_SUCCESS);
        plugin = static_cast<KestrumPlugin*>(static_cast<GenericPlugin*>(pointer));
        ASSERT_NE(plugin, nullptr);
        instance->prepare(256);
    }

    Collection collection;
    std::unique_ptr<Instance> instance;
    KestrumPlugin* plugin = nullptr;
};

}  // namespace

TEST_F(AaxAdapter, MidiPacketsOfLengthZeroAreDroppedAndShortOnesGetZeroDataBytes) {
    ControlChanges listener;
    plugin->midiReceiver()->addListener(&listener);
    instance->setMidi({packet(0, 0xB0, 7, 99), packet(1, 0xE0, 0x7f, 0x7f, 10), packet(2, 0xB0, 7, 99, 20),
                       packet(3, 0xB0, 7, 99, 30)});
    instance->processPrepared(256);
    plugin->midiReceiver()->removeListener(&listener);
    EXPECT_EQ(listener.seen, (std::vector<std::pair<int, int>>{{7, 0}, {7, 99}}));
    EXPECT_EQ(listener.bends, std::vector<float>{-0.5f});  // both data bytes 0: the wheel's bottom
}

TEST_F(AaxAdapter, TransportTicksBecomeBeatsAndNoTransportMeansStoppedAt120) {
    instance->processPrepared(256);
    EXPECT_EQ(plugin->getSongPosition(), 0.0f);

    Transport transport;
    transport.tempo = 90.0;
    transport.ticks = 3840000LL * 5 / 2;  // beat 2.5
    instance->nodeTransport = &transport;
    instance->processPrepared(256);
    EXPECT_NEAR(plugin->getSongPosition(), 2.5f, 1e-6f);

    // The node's transport is remembered for buffers that come without one.
    instance->nodeTransport = nullptr;
    transport.ticks = 3840000LL * 7;
    instance->processPrepared(256);
    EXPECT_NEAR(plugin->getSongPosition(), 7.0f, 1e-6f);
}

TEST_F(AaxAdapter, AResetRequestIsServedOnceAndCleared) {
    instance->prepare(256);
    instance->preparedInputs()[0].assign(256, 0.5f);
    instance->preparedInputs()[1].assign(256, 0.5f);
    instance->processPrepared(256);  // serves the request set at initialisation
    uint8_t field[4] = {0, 0, 0, 0};
    ASSERT_EQ(instance->parameters().resetFieldData(9, field, 4), AAX_SUCCESS);
    EXPECT_EQ(field[0] | field[1] | field[2] | field[3], 1);
    // Any other field is cleared, not marked.
    uint8_t other[4] = {7, 7, 7, 7};
    instance->parameters().resetFieldData(0, other, 4);
    EXPECT_EQ(other[0] | other[1] | other[2] | other[3], 0);
}

TEST_F(AaxAdapter, AutomationWithinOneStepLeavesThePluginValueAndAWholeStepMovesIt) {
    AAX_IEffectParameters& p = instance->parameters();
    AbstractPluginParameter& mix = *plugin->getParameter(4);
    ASSERT_FALSE(mix.isDiscrete());
    const double onGrid = 9000.0 / 35999.0;
    ASSERT_EQ(p.setParameterNormalizedValue("4", onGrid, AAX_SOURCE_AUTOMATION), AAX_SUCCESS);
    const float set = mix.getValue();
    EXPECT_NEAR(mix.normalize(set), onGrid, 1e-6);

    ASSERT_EQ(p.setParameterNormalizedValue("4", onGrid + 0.45 / 35999.0, AAX_SOURCE_AUTOMATION), AAX_SUCCESS);
    EXPECT_EQ(mix.getValue(), set);
    ASSERT_EQ(p.setParameterNormalizedValue("4", onGrid - 0.45 / 35999.0, AAX_SOURCE_AUTOMATION), AAX_SUCCESS);
    EXPECT_EQ(mix.getValue(), set);
    ASSERT_EQ(p.setParameterNormalizedValue("4", onGrid + 1.0 / 35999.0, AAX_SOURCE_AUTOMATION), AAX_SUCCESS);
    EXPECT_NE(mix.getValue(), set);
    EXPECT_EQ(instance->automationCalls, 0);  // host changes are not echoed to the host

    // Stepped parameters take every change; the host counts their steps from 0.
    AbstractPluginParameter& routing = *plugin->getParameter(5);
    ASSERT_TRUE(routing.isDiscrete());
    ASSERT_EQ(p.setParameterNormalizedValue("5", 1.0, AAX_SOURCE_AUTOMATION), AAX_SUCCESS);
    EXPECT_EQ(routing.getValue(), routing.getMaximum());
}

TEST_F(AaxAdapter, PluginChangesReachTheHostParameterAndItsAutomation) {
    AbstractPluginParameter& gain = *plugin->getParameter(0);
    gain.setValue(gain.getMaximum(), 0);
    EXPECT_EQ(instance->automation.at("0"), 1.0);
    EXPECT_EQ(instance->normalized("0"), 1.0);
    // Ids that name no plug-in parameter.
    for (const char* id : {"", "-1", "07", "1e2", "99999", "MasterBypassID"}) EXPECT_EQ(static_cast<AaxPluginAdapter&>(instance->parameters()).pluginIndexOf(id), -1) << id;
    EXPECT_EQ(static_cast<AaxPluginAdapter&>(instance->parameters()).pluginIndexOf("7"), 7);
}

TEST_F(AaxAdapter, MidiAndTransportRenderingAllocatesNothing) {
    Transport transport;
    instance->nodeTransport = &transport;
    instance->setMidi({packet(3, 0x90, 60, 100, 5), packet(3, 0xB0, 1, 64, 100), packet(3, 0x80, 60, 0, 200)});
    for (int b = 0; b < 8; ++b) instance->processPrepared(256);
    alloc_counter::arm();
    for (int b = 0; b < 16; ++b) {
        transport.ticks += 3840000;
        instance->processPrepared(256);
    }
    EXPECT_EQ(alloc_counter::disarm(), 0u);
}

TEST(AaxDescription, VariantsFollowTheProductsFacts) {
    GenericPlugin::ProductInfo info;
    info.supportsMono = true;
    EXPECT_EQ(AaxPluginDescription::variants(info), (std::vector<int>{0, 8, 1, 9}));
    info.supportsMono = false;
    EXPECT_EQ(AaxPluginDescription::variants(info), (std::vector<int>{0, 8, 4}));
    info.isEffect = false;
    EXPECT_EQ(AaxPluginDescription::variants(info), (std::vector<int>{0, 4}));
    EXPECT_EQ(AaxPluginDescription::variantId("ZK2l", 4), "ZK21");
    EXPECT_EQ(AaxPluginDescription::effectId("Kestrum", 4).substr(0, 22), "com.zelvatrix.Kestrum.");
    EXPECT_NE(AaxPluginDescription::effectId("Kestrum", 4).find(".AAX.MonoToStereo"), std::string::npos);
    const std::vector<std::pair<int, uint32_t>> categories{{1, 2048}, {2, 8192}, {3, 16}, {4, 2}, {5, 1}, {6, 64}, {0, 0}, {7, 0}};
    for (auto [framework, host] : categories) EXPECT_EQ(AaxPluginDescription::hostCategory(framework), host) << framework;
}

TEST_F(AaxAdapter, WithoutCorrectedIdsEachVariantHasAProductIdOfItsOwn) {
    SharedPluginSettings& shared = *GenericPlugin::sharedSettings();
    shared.correctDigiProductIds.setSilently(false);
    Collection uncorrected;
    const AAX_Result result = AaxPluginDescription::describe(uncorrected);
    shared.correctDigiProductIds.setSilently(true);
    ASSERT_EQ(result, AAX_SUCCESS);
    std::vector<int64_t> ids;
    for (Effect* e : uncorrected.effects) {
        int64_t id = 0;
        e->component->properties->getProperty(AaxPluginDescription::kProductId, &id);
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<int64_t>{AAX_FourCCFrom("ZK2l"), AAX_FourCCFrom("ZK25"), AAX_FourCCFrom("ZK22"), AAX_FourCCFrom("ZK26")}));
}
