#include <gtest/gtest.h>

#include "FilterTestSupport.h"
#include "filters/BiQuadFilter.h"
#include "filters/GenericFilter.h"
#include "filters/StateVariableFilter.h"

using namespace filtertest;

namespace {

constexpr int kBlock = 128;

class CountingKernel : public StateVariableFilter {
public:
    using StateVariableFilter::StateVariableFilter;
    void processMembers(int count) override {
        ++passes;
        StateVariableFilter::processMembers(count);
    }
    int passes = 0;
};

class CountingFactor : public wave::Source {
public:
    explicit CountingFactor(wave::Environment& env) : wave::Source(env) {}
    void render(wave::Buffer& buffer, int frames, int) override {
        ++renders;
        for (int i = 0; i < frames; ++i) buffer[i] = 0.0f;
    }
    int renders = 0;
};

}  // namespace

TEST(GenericFilter, MixZeroPassesTheInputUntouched) {
    wave::Environment env(kBlock);
    std::vector<float> in = noise(1024, 21u);
    SignalSource source(env, in);
    BiQuadFilter unit(env);
    GenericFilter filter(env);
    filter.setInput(&source);
    filter.setUnit(&unit);
    filter.mixSource().setTarget(0.0f, 0.0f);
    std::vector<float> out = pullBlocks(env, filter, 1024, kBlock);
    for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], in[i]);
    EXPECT_EQ(unit.section(0).lastFrequency, -1.0f);  // never computed
}

TEST(GenericFilter, MixBlendsDryAndFiltered) {
    wave::Environment env(kBlock);
    std::vector<float> in = noise(1024, 22u);
    SignalSource drySource(env, in), wetSource(env, in);
    BiQuadFilter halfUnit(env), fullUnit(env);
    GenericFilter half(env), full(env);
    half.setInput(&drySource);
    half.setUnit(&halfUnit);
    half.mixSource().setTarget(0.5f, 0.0f);
    full.setInput(&wetSource);
    full.setUnit(&fullUnit);
    std::vector<float> a = pullBlocks(env, half, 1024, kBlock);
    std::vector<float> b = pullBlocks(env, full, 1024, kBlock);
    for (size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(a[i], 0.5f * (in[i] + b[i]), 1e-6f);
}

TEST(GenericFilter, GroupComputesAllMembersInOnePassPerBlock) {
    wave::Environment env(kBlock);
    CountingKernel kernel(env);
    SignalSource left(env, noise(1024, 23u)), right(env, noise(1024, 24u));
    GenericFilter a(env), b(env);
    a.setInput(&left);
    b.setInput(&right);
    ASSERT_TRUE(a.joinGroup(&kernel));
    ASSERT_TRUE(b.joinGroup(&kernel));
    for (int block = 0; block < 4; ++block) {
        env.advanceBlock();
        a.pull(kBlock, 0);
        b.pull(kBlock, 0);
        env.run(kBlock, 0);
    }
    EXPECT_EQ(kernel.passes, 4);
    EXPECT_NE(a.getOutput(), b.getOutput());
    EXPECT_NE((*a.getOutput())[5], (*b.getOutput())[5]);
}

TEST(GenericFilter, JoiningMovesBetweenGroupsAndAGroupHoldsFourMembers) {
    wave::Environment env(kBlock);
    StateVariableFilter first(env), second(env);
    GenericFilter f(env);
    f.joinGroup(&first);
    f.joinGroup(&second);
    EXPECT_TRUE(first.members().empty());
    ASSERT_EQ(second.members().size(), 1u);
    GenericFilter others[4] = {GenericFilter(env), GenericFilter(env), GenericFilter(env), GenericFilter(env)};
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(others[i].joinGroup(&second));
    EXPECT_FALSE(others[3].joinGroup(&second));
    EXPECT_EQ(others[3].getGroup(), nullptr);
    f.leaveGroup();
    EXPECT_EQ(second.members().size(), 3u);
}

TEST(GenericFilter, FactorIsReadOnlyWithAutoMute) {
    wave::Environment env(kBlock);
    SignalSource source(env, noise(1024, 25u));
    CountingFactor factor(env);
    BiQuadFilter unit(env);
    GenericFilter filter(env);
    filter.setInput(&source);
    filter.setUnit(&unit);
    filter.setFactorProducer(&factor);
    filter.peakSource().setTarget(0.8f, 0.0f);
    pullBlocks(env, filter, 512, kBlock);
    EXPECT_EQ(factor.renders, 0);
    filter.autoMute.set(1);
    pullBlocks(env, filter, 512, kBlock);
    EXPECT_EQ(factor.renders, 4);
    EXPECT_EQ(unit.section(0).lastPeak, 0.0f);  // 0.8 times the factor 0
}

// Both units announce that input and output may share an array; filtering in place must give
// what filtering into a separate array gives.
TEST(GenericFilter, UnitsFilterInPlaceAsTheySay) {
    wave::Environment env(kBlock);
    StateVariableFilter kernelA(env), kernelB(env);
    BiQuadFilter biquadA(env), biquadB(env);
    std::pair<GenericFilter::FilterUnit*, GenericFilter::FilterUnit*> pairs[] = {{&kernelA, &kernelB},
                                                                                 {&biquadA, &biquadB}};
    for (auto [separate, inPlace] : pairs) {
        ASSERT_TRUE(inPlace->processesInPlace());
        separate->slope.set(3);
        inPlace->slope.set(3);
        std::vector<float> in = noise(kBlock, 26u), out(kBlock), freq(kBlock, 11.0f), peak(kBlock, 0.9f);
        std::vector<float> shared = in;
        separate->process(in.data(), out.data(), freq.data(), peak.data(), nullptr, kBlock, true);
        inPlace->process(shared.data(), shared.data(), freq.data(), peak.data(), nullptr, kBlock, true);
        for (int i = 0; i < kBlock; ++i) ASSERT_EQ(shared[i], out[i]) << i;
    }
}
