#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/CompareStates.h"
#include "engine/Snapshot.h"
#include "engine/UndoHistory.h"
#include "product/KestrumPlugin.h"
#include "support/SignalSupport.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr int kBuffer = 512;

// Two plug-ins fed the same sine, buffer by buffer, so their outputs can be compared sample by sample.
struct Pair {
    Pair() {
        for (auto* p : {&first, &second}) {
            p->setSampleRate(kRate);
            p->setRandomSeed(7);
        }
        input = signal_support::sine(330.0, kRate, 48000 * 4, 0.25f);
    }
    // Runs `buffers` host buffers through both and returns the largest difference of their left
    // outputs in the first `window` samples of the first buffer.
    float run(int buffers, int window = kBuffer) {
        float largest = 0.0f;
        for (int b = 0; b < buffers; ++b) {
            std::vector<float> out[2][2];
            KestrumPlugin* plugins[2] = {&first, &second};
            for (int k = 0; k < 2; ++k) {
                out[k][0].assign(kBuffer, 0.0f);
                out[k][1].assign(kBuffer, 0.0f);
                const float* ins[2] = {input.data() + position, input.data() + position};
                float* outs[2] = {out[k][0].data(), out[k][1].data()};
                plugins[k]->processBlock(ins, 2, outs, 2, kBuffer);
            }
            if (b == 0) {
                for (int i = 0; i < window; ++i) largest = std::max(largest, std::fabs(out[0][0][i] - out[1][0][i]));
            }
            position += kBuffer;
        }
        return largest;
    }
    KestrumPlugin first{2};
    KestrumPlugin second{2};
    std::vector<float> input;
    size_t position = 0;
};

}  // namespace

// The output gain sits after the filters, so a plug-in whose gain went away and came back has the
// same filter state as one that never changed: after a restore their outputs must match at once.
TEST(UndoRender, RestoredSettingsTakeEffectWithoutSmoothing) {
    Pair pair;
    pair.run(20);
    GenericPlugin::Snapshot saved;
    pair.first.captureSnapshot(saved);
    pair.first.outputGain.setValue(-36.0f, 0);
    EXPECT_GT(pair.run(40), 0.005f);  // the change is heard at once

    pair.first.restoreSnapshot(saved);
    EXPECT_FLOAT_EQ(pair.first.outputGain.getValue(), 0.0f);
    EXPECT_LT(pair.run(1, 64), 1e-5f);
}

// The control case: the same change made as an ordinary edit glides, so the first samples differ.
TEST(UndoRender, AnOrdinaryEditGlidesWhereARestoreJumps) {
    Pair pair;
    pair.run(20);
    pair.first.outputGain.setValue(-36.0f, 0);
    pair.run(40);
    pair.first.outputGain.setValue(0.0f, 0);
    EXPECT_GT(pair.run(1, 64), 0.01f);
}

// Undo and A/B on the product: every parameter comes back, and the rendering with it.
TEST(UndoRender, UndoAndCompareRestoreEveryParameterOfTheProduct) {
    Pair pair;
    KestrumPlugin& plugin = pair.first;
    auto& history = *plugin.undoHistory();
    auto& compare = *plugin.compareStates();
    history.recordInitial();
    compare.initialise();
    std::vector<float> initial;
    for (int i = 0; i < plugin.getNumParameters(); ++i) initial.push_back(plugin.getParameter(i)->getValue());

    plugin.mix.setValue(0.5f, 0);
    plugin.outputGain.setValue(-12.0f, 0);
    history.recordEdit();
    compare.switchSlot();  // B still holds the initial settings
    for (int i = 0; i < plugin.getNumParameters(); ++i) ASSERT_EQ(plugin.getParameter(i)->getValue(), initial[static_cast<size_t>(i)]) << i;
    EXPECT_LT(pair.run(1, 64), 1e-5f);

    compare.switchSlot();
    EXPECT_FLOAT_EQ(plugin.outputGain.getValue(), -12.0f);
    ASSERT_TRUE(history.undo());  // to B as it was after the first switch
    ASSERT_TRUE(history.undo());  // to A's edit
    ASSERT_TRUE(history.undo());  // to the initial state
    EXPECT_EQ(compare.getCurrentSlot(), 0);
    for (int i = 0; i < plugin.getNumParameters(); ++i) ASSERT_EQ(plugin.getParameter(i)->getValue(), initial[static_cast<size_t>(i)]) << i;
}
