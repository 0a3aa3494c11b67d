#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "FilterTestSupport.h"
#include "filters/DelayLine.h"
#include "filters/FilterRouting.h"

using namespace filtertest;

namespace {

constexpr int kBlock = 128;
constexpr int kSettle = 48000;  // every ramp has finished within a second

// out = a·in + b: distinct affine maps make every topology give its own number.
class AffineFilter : public wave::Filter {
public:
    AffineFilter(wave::Environment& env, float a, float b) : wave::Filter(env), a_(a), b_(b) {}
    void processFilter(const wave::Buffer& in, wave::Buffer& out, int frames, int) override {
        for (int i = 0; i < frames; ++i) out[i] = a_ * in[i] + b_;
        setOutput(&out);
    }
    float apply(float x) const { return a_ * x + b_; }

private:
    float a_, b_;
};

struct Chain {
    explicit Chain(std::vector<float> signal, std::array<float, 4> a = {2.0f, -3.0f, 0.5f, 5.0f},
                   std::array<float, 4> b = {1.0f, 0.25f, -2.0f, 3.0f})
        : env(kBlock), input(env, std::move(signal)), routing(env) {
        env.setSampleRate(48000.0f);
        routing.setInput(&input);
        routing.addProductConfigurations();
        for (int k = 0; k < 4; ++k) {
            filters.push_back(std::make_unique<AffineFilter>(env, a[k], b[k]));
            delays.push_back(std::make_unique<DelayLine>(env));
            delays[k]->setInput(filters[k].get());
            routing.addElement(filters[k]->inputField(), delays[k].get());
        }
    }
    float F(int k, float x) const { return filters[k - 1]->apply(x); }
    // The output for a constant input of 1 once every ramp has settled.
    float settled() {
        input.signal().assign(kSettle, 1.0f);
        input.rewind();
        return pullBlocks(env, routing, kSettle, kBlock).back();
    }
    wave::Environment env;
    SignalSource input;
    FilterRouting routing;
    std::vector<std::unique_ptr<AffineFilter>> filters;
    std::vector<std::unique_ptr<DelayLine>> delays;
};

float avg(std::initializer_list<float> v) {
    float s = 0.0f;
    for (float x : v) s += x;
    return s / static_cast<float>(v.size());
}

}  // namespace

TEST(FilterRouting, EffectiveTopologyForEveryFilterCountAndConfiguration) {
    Chain c({});
    auto F = [&](int k, float x) { return c.F(k, x); };
    const float in = 1.0f;
    for (int count = 1; count <= 4; ++count) {
        for (int config = 0; config < 8; ++config) {
            c.routing.filterCount.set(count);
            c.routing.configuration.set(config);
            float expected = 0.0f;
            if (count == 1) {
                expected = F(1, in);
            } else if (count == 2) {
                expected = config % 2 == 0 ? F(2, F(1, in)) : avg({F(1, in), F(2, in)});
            } else if (count == 3) {
                const float results[4] = {F(3, F(2, F(1, in))), avg({F(1, in), F(2, in), F(3, in)}),
                                          avg({F(2, F(1, in)), F(3, in)}), F(3, avg({F(1, in), F(2, in)}))};
                expected = results[config % 4];
            } else {
                const float a = avg({F(1, in), F(2, in)});
                const float results[8] = {F(4, F(3, F(2, F(1, in)))),
                                          avg({F(1, in), F(2, in), F(3, in), F(4, in)}),
                                          avg({F(2, F(1, in)), F(4, F(3, in))}),
                                          avg({F(3, a), F(4, a)}),
                                          avg({F(3, F(2, F(1, in))), F(4, in)}),
                                          F(4, avg({F(1, in), F(2, in), F(3, in)})),
                                          avg({F(2, F(1, in)), F(3, in), F(4, in)}),
                                          F(4, F(3, a))};
                expected = results[config];
            }
            EXPECT_NEAR(c.settled(), expected, 1e-4f) << count << " filters, configuration " << config;
        }
    }
}

TEST(FilterRouting, DisabledFiltersDropOutWithoutAddingDrySignal) {
    Chain c({});
    auto F = [&](int k, float x) { return c.F(k, x); };
    const float in = 1.0f;
    auto enable = [&](std::array<bool, 4> on) {
        for (int k = 0; k < 4; ++k) c.routing.element(k).enabled.set(on[k]);
    };

    c.routing.configuration.set(1);
    enable({false, true, true, true});
    EXPECT_NEAR(c.settled(), avg({F(2, in), F(3, in), F(4, in)}), 1e-4f);

    c.routing.configuration.set(3);
    EXPECT_NEAR(c.settled(), avg({F(3, F(2, in)), F(4, F(2, in))}), 1e-4f);

    c.routing.configuration.set(5);
    enable({false, false, true, true});
    EXPECT_NEAR(c.settled(), F(4, F(3, in)), 1e-4f);

    // The four parallel filters are averaged, never summed.
    c.routing.configuration.set(1);
    enable({true, true, true, true});
    EXPECT_NEAR(c.settled(), avg({F(1, in), F(2, in), F(3, in), F(4, in)}), 1e-4f);
    for (int b = 1; b <= 4; ++b) EXPECT_FLOAT_EQ(c.routing.mixer(3).gainParameter(b).getTarget(), 0.25f);
}

// With every filter off the input comes through once, bit for bit, in every configuration and
// for every number of filters.
TEST(FilterRouting, AllFiltersDisabledPassTheInputExactlyOnce) {
    std::vector<float> in = noise(4096, 5u, 0.8f);
    for (int count = 1; count <= 4; ++count) {
        for (int config = 0; config < 8; ++config) {
            Chain c(in);
            c.routing.filterCount.set(count);
            c.routing.configuration.set(config);
            for (int k = 0; k < 4; ++k) c.routing.element(k).enabled.set(false);
            pullBlocks(c.env, c.routing, kSettle, kBlock);  // let the crossfades finish
            c.input.signal() = in;
            c.input.rewind();
            std::vector<float> out = pullBlocks(c.env, c.routing, 4096, kBlock);
            for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], in[i]) << count << " " << config << " " << i;
        }
    }
}

// Switching glides: no step larger than the sine's own steepest step by more than half again,
// where an instant switch would jump by hundreds of times that.
TEST(FilterRouting, SwitchingRoutingOrFiltersIsClickFree) {
    const int length = 48000 * 3;
    std::vector<float> in = sine(40.0, 48000.0, length, 0.5f);
    double ownStep = 0.0;
    for (size_t i = 1; i < in.size(); ++i) ownStep = std::max(ownStep, std::fabs(static_cast<double>(in[i]) - in[i - 1]));

    using Change = std::function<void(FilterRouting&)>;
    const std::vector<std::pair<const char*, Change>> changes = {
        {"series to parallel", [](FilterRouting& r) { r.configuration.set(1); }},
        {"parallel pairs to mixed", [](FilterRouting& r) { r.configuration.set(6); }},
        {"disable filter 2", [](FilterRouting& r) { r.element(1).enabled.set(false); }},
        {"enable filter 2", [](FilterRouting& r) { r.element(1).enabled.set(true); }},
        {"fewer filters", [](FilterRouting& r) { r.filterCount.set(2); }},
        {"more filters", [](FilterRouting& r) { r.filterCount.set(4); }},
    };
    Chain c(in, {-1.0f, 0.5f, 1.5f, -0.5f}, {0.0f, 0.0f, 0.0f, 0.0f});
    c.routing.configuration.set(0);
    std::vector<float> out;
    int block = 0;
    size_t next = 0;
    for (int done = 0; done < length; done += kBlock, ++block) {
        if (block > 0 && block % 150 == 0 && next < changes.size()) changes[next++].second(c.routing);
        c.env.advanceBlock();
        const wave::Buffer* b = c.routing.pull(kBlock, 0);
        out.insert(out.end(), b->data(), b->data() + kBlock);
        c.env.run(kBlock, 0);
    }
    ASSERT_EQ(next, changes.size());
    double worst = 0.0;
    for (size_t i = 1; i < out.size(); ++i) worst = std::max(worst, std::fabs(static_cast<double>(out[i]) - out[i - 1]));
    EXPECT_LT(worst, 1.5 * ownStep);
    // The changes took effect: series gain -1·0.5·1.5·-0.5 before the first, the parallel mean
    // (-1 + 0.5 + 1.5 - 0.5) / 4 before the second.
    auto levelBefore = [&](int changeBlock) {
        std::vector<float> part(out.begin() + (changeBlock - 60) * kBlock, out.begin() + changeBlock * kBlock);
        return peakMagnitude(part);
    };
    EXPECT_NEAR(levelBefore(150), 0.5f * 0.375f, 1e-3f);
    EXPECT_NEAR(levelBefore(300), 0.5f * 0.125f, 1e-3f);
}
