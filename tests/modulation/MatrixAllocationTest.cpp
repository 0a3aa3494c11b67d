#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "MatrixTestSupport.h"
#include "modulation/LevelPanTarget.h"
#include "modulation/ModMatrixParamController.h"
#include "support/AllocationCounter.h"

namespace {

using namespace matrix_test;

TEST(MatrixAllocation, FullMatrixEvaluatesAndChangesSlotsWithoutAllocating) {
    MatrixTestPlugin plugin;
    ModulationMatrix& m = plugin.matrix();
    wave::Environment& env = plugin.getEnvironment();
    constexpr int kFrames = 256;

    // Half of the sources vary per sample.
    std::vector<std::unique_ptr<RampSource>> ramps;
    for (int s = 0; s < Layout::kNumSources; s += 2) {
        ramps.push_back(std::make_unique<RampSource>(env, -1.0f, 1.0f / 4096.0f));
        m.registerSourceProducer(s, ramps.back().get());
    }
    for (auto& source : plugin.sources) source->setTarget(0.3f, 0.0f);

    // 24 connections: parameters of every kind, slot levels (second order) and some loops.
    ModMatrixParamController editor(m, plugin.slots);
    for (int s = 0; s < Layout::kNumSlots; ++s) {
        const int source = (s * 7) % Layout::kNumSources;
        const int target = s < 18 ? (s * 5) % 89 : Layout::slotLevelTarget(s - 18);
        ASSERT_EQ(editor.connect(source, target), s);
    }
    plugin.applyQueuedChanges();

    std::vector<wave::Producer*> consumers;
    for (int t = 0; t < Layout::kNumTargets; ++t) consumers.push_back(m.getTargetController(t));
    LevelPanTarget freq(m, 0, 1, LevelPanLaw::kAdditive);
    LevelPanTarget gain(m, Layout::kInputGain, Layout::kInputPan, LevelPanLaw::kBalance);
    for (LevelPanTarget* pair : {&freq, &gain}) {
        consumers.push_back(&pair->output(0));
        consumers.push_back(&pair->output(1));
    }
    auto block = [&] {
        env.advanceBlock();
        bool finite = true;
        for (wave::Producer* p : consumers) {
            const wave::Buffer& out = *p->pull(kFrames, 0);
            for (int i = 0; i < kFrames; ++i) finite = finite && std::isfinite(out[i]);
        }
        env.run(kFrames, 0);
        return finite;
    };
    EXPECT_TRUE(block());

    // Changes queued by the editor, applied on the audio side while counting.
    editor.setInvert(3, true);
    editor.setBypass(4, true);
    editor.setLevel(5, 0.9f);
    editor.setSource(6, 9);
    editor.setTarget(7, Layout::xlfoTarget(1, XLFOTarget::Frequency));
    editor.swapSlots(1, 2);
    plugin.inputGain.setValue(6.0f, 0);
    plugin.filters.at(0).freq.setValue(0.3f, 0);

    alloc_counter::arm();
    plugin.applyQueuedChanges();
    bool finite = block();
    Matrix::InternalController& audio = m.getController();
    audio.setTarget(8, Layout::egTarget(0, EGTarget::Sustain));
    audio.setSource(9, 14);
    audio.setInvert(10, true);
    m.setSourceKind(8, Matrix::kSnappedXLFO);
    for (int k = 0; k < 8; ++k) finite = block() && finite;
    const size_t allocations = alloc_counter::disarm();
    EXPECT_EQ(allocations, 0u);
    EXPECT_TRUE(finite);
}

}  // namespace
