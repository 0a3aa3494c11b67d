#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "product/WiringTestSupport.h"
#include "support/AllocationCounter.h"

using namespace wiring;

namespace {

// Every source in use: 6 XLFOs (two synced), 6 EGs (MIDI, input and side-chain triggered), 4 EFs
// and 10 MIDI sources, with all 24 slots active on the filters, the gains and the sources' own
// parameters (never on a parameter of their own source).
void activateEverything(KestrumPlugin& p) {
    p.filters.getNumActive().setValue(4.0f, 0);
    p.xlfos.getNumActive().setValue(6.0f, 0);
    p.egs.getNumActive().setValue(6.0f, 0);
    p.efs.getNumActive().setValue(4.0f, 0);
    p.midiSources.getNumActive().setValue(10.0f, 0);
    for (int k = 0; k < 6; ++k) {
        p.xlfos.at(k).steps.getNumActive().setValue(static_cast<float>(3 + 2 * k), 0);
        p.xlfos.at(k).steps.at(1).random.setValue(1.0f, 0);
        p.xlfos.at(k).steps.at(2).glide.setValue(0.5f, 0);
        p.xlfos.at(k).frequency.setPlainValue(0.5f + 3.0f * static_cast<float>(k), 0);
        p.xlfos.at(k).midiTrigger.setValue(static_cast<float>(k % 2), 0);
        p.egs.at(k).triggering.setValue(static_cast<float>(k % 3), 0);
        p.egs.at(k).threshold.setValue(0.4f, 0);
        p.egs.at(k).attack.setPlainValue(0.005f, 0);
        p.egs.at(k).release.setPlainValue(0.02f, 0);
    }
    p.xlfos.at(4).syncMode.setValue(static_cast<float>(XLFOEnums::Quarter), 0);
    p.xlfos.at(5).syncMode.setValue(static_cast<float>(XLFOEnums::Sixteenth), 0);
    p.xlfoExtensions.at(3).snap.setValue(1.0f, 0);
    p.efs.at(3).input.setValue(1.0f, 0);
    for (int m = 0; m < 10; ++m) {
        p.midiSources.at(m).input.setValue(static_cast<float>(m % 6), 0);
        p.midiSources.at(m).controllerNumber.setValue(static_cast<float>(m + 20), 0);
        p.midiExtensions.at(m).responseCurve.setValue(static_cast<float>(m % 6), 0);
    }
    using L = ModulationLayout;
    const int connections[24][2] = {
        {L::kFirstXLFO, L::filterTarget(0, FilterTarget::Freq)},     {L::kFirstXLFO + 1, L::filterTarget(1, FilterTarget::Freq)},
        {L::kFirstXLFO + 2, L::filterTarget(2, FilterTarget::Peak)}, {L::kFirstXLFO + 3, L::filterTarget(3, FilterTarget::Freq)},
        {L::kFirstXLFO + 4, L::xlfoTarget(0, XLFOTarget::Frequency)},   {L::kFirstXLFO + 5, L::egTarget(0, EGTarget::Attack)},
        {L::kFirstEG, L::filterTarget(0, FilterTarget::Pan)},       {L::kFirstEG + 1, L::filterTarget(1, FilterTarget::Delay)},
        {L::kFirstEG + 2, L::kInputGain},           {L::kFirstEG + 3, L::xlfoTarget(1, XLFOTarget::Glide)},
        {L::kFirstEG + 4, L::kMix},                 {L::kFirstEG + 5, L::filterTarget(2, FilterTarget::Freq)},
        {L::kFirstEF, L::filterTarget(3, FilterTarget::Peak)},       {L::kFirstEF + 1, L::kOutputGain},
        {L::kFirstEF + 2, L::xlfoTarget(2, XLFOTarget::PhaseOffset)},     {L::kFirstEF + 3, L::egTarget(1, EGTarget::Sustain)},
        {L::kFirstMidi, L::filterTarget(0, FilterTarget::Peak)},     {L::kFirstMidi + 1, L::kOutputPan},
        {L::kFirstMidi + 2, L::xlfoTarget(3, XLFOTarget::FrequencyOffset)},   {L::kFirstMidi + 3, L::efTarget(0, EFTarget::Attack)},
        {L::kFirstMidi + 4, L::slotLevelTarget(0)}, {L::kFirstXY, L::filterTarget(1, FilterTarget::Pan)},
        {L::kFirstXY + 3, L::kInputPan},            {L::kFirstMidi + 9, L::slotLevelTarget(6)},
    };
    for (int s = 0; s < 24; ++s) connect(p, s, connections[s][0], connections[s][1], 0.3f);
}

}  // namespace

TEST(WiringAllocation, ProcessingWithEverySourceAndMidiEvery16SamplesNeverAllocates) {
    auto plugin = makePlugin();
    activateEverything(*plugin);
    settle(*plugin);
    for (int s = 0; s < 24; ++s) {
        ASSERT_EQ(plugin->getModulationMatrix()->getSlotState(s), ModulationMatrix::kActive) << "slot " << s;
    }

    constexpr int kBlock = 512;
    std::vector<float> in(kBlock), side(kBlock), out0(kBlock), out1(kBlock);
    const float* ins[4] = {in.data(), in.data(), side.data(), side.data()};
    float* outs[2] = {out0.data(), out1.data()};
    plugin->setSideChainConnected(true);
    long t = 0;
    int counter = 0;
    auto block = [&] {
        for (int i = 0; i < kBlock; ++i, ++t) {
            const double x = static_cast<double>(t) / kRate;
            in[static_cast<size_t>(i)] = static_cast<float>(0.6 * std::sin(2 * M_PI * 3.0 * x) * std::sin(2 * M_PI * 220.0 * x));
            side[static_cast<size_t>(i)] = static_cast<float>(0.9 * std::sin(2 * M_PI * 5.0 * x) * std::sin(2 * M_PI * 330.0 * x));
        }
        for (int offset = 0; offset < kBlock; offset += 16, ++counter) {
            const int key = 40 + counter % 24;
            switch (counter % 6) {
                case 0: send(*plugin, midi(0x90, key, 20 + counter % 100, offset)); break;
                case 1: send(*plugin, midi(0xB0, 1, counter % 128, offset)); break;
                case 2: send(*plugin, midi(0xE0, counter % 128, (counter / 3) % 128, offset)); break;
                case 3: send(*plugin, midi(0x80, 40 + (counter - 3) % 24, 0, offset)); break;
                case 4: send(*plugin, midi(0xD0, counter % 128, 0, offset)); break;
                default: send(*plugin, midi(0xB0, 20 + counter % 10, counter % 128, offset)); break;
            }
        }
        plugin->setTransport(128.0f, static_cast<float>(t) * 128.0f / (60.0f * kRate));
        plugin->processBlock(ins, 4, outs, 2, kBlock);
    };
    for (int i = 0; i < 50; ++i) block();  // warm-up
    alloc_counter::arm();
    for (int i = 0; i < 200; ++i) block();
    EXPECT_EQ(alloc_counter::disarm(), 0u);
    for (float v : out0) ASSERT_TRUE(std::isfinite(v));
    // Notes came and went: at least one envelope ran.
    bool moved = false;
    for (int e = 0; e < 6; ++e) moved = moved || plugin->sources().eg(e).getStage() != EnvelopeGenerator::Idle;
    EXPECT_TRUE(moved);
}
