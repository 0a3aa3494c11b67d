#include <gtest/gtest.h>

#include <cmath>

#include "engine/wave/Environment.h"
#include "engine/wave/Filter.h"
#include "engine/wave/FloatParameterSource.h"
#include "engine/wave/Input.h"
#include "engine/wave/MultiProducer.h"

using namespace wave;

namespace {

// Counts renders and writes the block counter into its output.
class CountingSource : public Source {
public:
    explicit CountingSource(Environment& e) : Source(e) {}
    void render(Buffer& buffer, int frames, int flags) override {
        ++renders;
        lastFlags = flags;
        if (flags & kSkip) return;
        for (int i = 0; i < frames; ++i) buffer[i] = static_cast<float>(getEnvironment().getBlockCounter());
    }
    void resetState() override { ++resets; }
    int renders = 0;
    int resets = 0;
    int lastFlags = -1;
};

class Doubler : public Filter {
public:
    explicit Doubler(Environment& e) : Filter(e) {}
    void processFilter(const Buffer& in, Buffer& out, int frames, int) override {
        ++renders;
        for (int i = 0; i < frames; ++i) out[i] = 2.0f * in[i];
    }
    int renders = 0;
};

}  // namespace

TEST(WaveGraph, ProducerRendersOncePerBlockAndAgainAfterAdvance) {
    Environment env(64);
    CountingSource src(env);
    Doubler a(env), b(env);
    a.setInput(&src);
    b.setInput(&src);
    env.advanceBlock();
    a.pull(64, 0);
    b.pull(64, 0);
    a.pull(64, 0);
    EXPECT_EQ(src.renders, 1);
    EXPECT_EQ(a.renders, 1);
    EXPECT_FLOAT_EQ((*a.getOutput())[10], 2.0f);
    env.advanceBlock();
    b.pull(64, 0);
    EXPECT_EQ(src.renders, 2);
    EXPECT_FLOAT_EQ((*b.getOutput())[0], 4.0f);
}

TEST(WaveGraph, SkippedPullKeepsOldOutputAndDoesNotStamp) {
    Environment env(16);
    CountingSource src(env);
    env.advanceBlock();
    src.pull(16, 0);
    env.advanceBlock();
    Buffer* out = src.pull(16, kSkip);
    EXPECT_EQ(src.renders, 1);
    EXPECT_FLOAT_EQ((*out)[0], 1.0f);
    EXPECT_NE(src.getBlockStamp(), env.getBlockCounter());
    src.pull(16, 0);
    EXPECT_EQ(src.renders, 2);
}

TEST(WaveGraph, UpdateListRendersPriorityZeroAlwaysAndOthersOnlyWhenUnpulled) {
    Environment env(8);
    CountingSource always(env), lazy(env);
    always.setUpdatePriority(0);
    lazy.setUpdatePriority(2);
    env.advanceBlock();
    lazy.pull(8, 0);
    env.run(8, 0);
    EXPECT_EQ(always.renders, 1);
    EXPECT_EQ(always.lastFlags, kPriorityZero);
    EXPECT_EQ(lazy.renders, 1);  // pulled already, so only stamped once
    env.advanceBlock();
    env.run(8, 0);
    EXPECT_EQ(lazy.renders, 2);
    EXPECT_EQ(lazy.lastFlags, kSkip);
    EXPECT_EQ(env.getCurrentTime(), 16);
    env.advanceBlock();
    env.run(8, kSkip);  // a skipped run renders nothing but time still passes
    EXPECT_EQ(always.renders, 2);
    EXPECT_EQ(env.getCurrentTime(), 24);
}

TEST(WaveGraph, UpdatePriorityOrderAndEnableToggle) {
    Environment env(8);
    CountingSource a(env), b(env), c(env), d(env);
    c.setUpdatePriority(5);
    b.setUpdatePriority(1);
    a.setUpdatePriority(0);
    d.setUpdatePriority(1);  // directly after the priority-0 entries
    ASSERT_EQ(env.updateList().size(), 4u);
    EXPECT_EQ(env.updateList()[0], &a);
    EXPECT_EQ(env.updateList()[1], &d);
    EXPECT_EQ(env.updateList()[2], &b);
    EXPECT_EQ(env.updateList()[3], &c);
    a.registerReset();
    EXPECT_EQ(a.resets, 1);
    a.setEnabled(false);
    EXPECT_EQ(env.updateList().size(), 3u);
    a.setEnabled(true);
    EXPECT_EQ(env.updateList()[0], &a);
    EXPECT_EQ(a.resets, 2);  // re-entering the reset list resets
    env.reset();
    EXPECT_EQ(a.resets, 3);
}

TEST(WaveGraph, SampleRateChangesResetOnlyWhenDifferentAndChildrenAreLimited) {
    Environment env(32);
    Environment child(env, 8);
    CountingSource src(env);
    src.registerReset();
    int fired = 0;
    struct L : Environment::Listener {
        int* n;
        void sampleRateChanged(Environment&) override { ++*n; }
    } listener;
    listener.n = &fired;
    env.addListener(&listener);
    env.setSampleRate(48000.0f);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(src.resets, 2);
    EXPECT_EQ(child.getOversampling(), 4);
    EXPECT_FLOAT_EQ(child.getSampleRate(), 192000.0f);
    env.setSampleRate(48000.0f);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(src.resets, 2);
    env.setSampleRate(std::nanf(""));
    EXPECT_FLOAT_EQ(env.getSampleRate(), 48000.0f);
    env.advanceBlock();
    EXPECT_EQ(child.getBlockCounter(), env.getBlockCounter());
    env.run(32, 0);
    EXPECT_EQ(child.getCurrentTime(), 32);
}

TEST(WaveGraph, InputCopiesAdvancesAndZeroesNonFiniteSamples) {
    Environment env(4);
    Input in(env);
    float host[6] = {1, std::nanf(""), INFINITY, 4, 5, 6};
    in.setSource(host, 6);
    env.advanceBlock();
    Buffer* b = in.pull(4, 0);
    EXPECT_FLOAT_EQ((*b)[0], 1);
    EXPECT_FLOAT_EQ((*b)[1], 0);
    EXPECT_FLOAT_EQ((*b)[2], 0);
    EXPECT_FLOAT_EQ((*b)[3], 4);
    env.advanceBlock();
    b = in.pull(4, 0);  // only two samples remain: the rest is silence
    EXPECT_FLOAT_EQ((*b)[1], 6);
    EXPECT_FLOAT_EQ((*b)[2], 0);
    EXPECT_EQ(in.getRemaining(), 0);
}

TEST(WaveGraph, MultiProducerComputesAllOutputsOnce) {
    struct Splitter : MultiProducer {
        explicit Splitter(Environment& e) : MultiProducer(e) {}
        void renderAll(Buffer* const* buffers, int frames, int) override {
            ++renders;
            for (int i = 0; i < frames; ++i) {
                (*buffers[0])[i] = 1.0f;
                (*buffers[1])[i] = -1.0f;
            }
            setOutput(0, buffers[0], true);
            setOutput(1, buffers[1], true);
        }
        int renders = 0;
    };
    Environment env(8);
    Splitter s(env);
    env.advanceBlock();
    EXPECT_FLOAT_EQ((*s.output(0).pull(8, 0))[3], 1.0f);
    EXPECT_FLOAT_EQ((*s.output(1).pull(8, 0))[3], -1.0f);
    EXPECT_EQ(s.renders, 1);
    EXPECT_TRUE(s.output(1).isConstant());
}
