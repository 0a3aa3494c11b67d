#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/wave/Environment.h"
#include "modulation/MidiModSource.h"
#include "modulation/XYSource.h"
#include "parameters/FloatParamPluginParameter.h"
#include "parameters/RecordingOwner.h"

namespace {

using Curve = MidiModSource::ResponseCurve;
constexpr Curve kCurves[] = {MidiModSource::Linear, MidiModSource::Exp, MidiModSource::Log,
                             MidiModSource::Sqr,    MidiModSource::Sqrt, MidiModSource::Sine};

// The curves written the way a reader of a response plot thinks of them (on |x|, sign restored).
double reference(Curve c, double x) {
    const double a = std::fabs(x);
    double y = a;
    switch (c) {
        case MidiModSource::Exp: {
            const double knee = std::pow(10.0, 36.0 * (0.1 - 1.0) / 20.0);  // -32.4 dB at 0.1
            y = a > 0.1 ? std::pow(10.0, 36.0 * (a - 1.0) / 20.0) : knee * a / 0.1;
            break;
        }
        case MidiModSource::Log: y = std::log10(10.0 * a + 1.0) / std::log10(11.0); break;
        case MidiModSource::Sqr: y = a * a; break;
        case MidiModSource::Sqrt: y = std::sqrt(a); break;
        case MidiModSource::Sine: y = 0.5 - 0.5 * std::cos(a * std::numbers::pi); break;
        default: break;
    }
    return x < 0 ? -y : y;
}

// Renders blocks through the environment and collects a producer's output.
std::vector<float> render(wave::Environment& env, wave::Producer& p, int frames, int block = 64) {
    std::vector<float> out;
    for (int done = 0; done < frames; done += block) {
        env.advanceBlock();
        const wave::Buffer* b = p.pull(block, 0);
        out.insert(out.end(), b->data(), b->data() + block);
        env.run(block, 0);
    }
    return out;
}

// Samples until the output first equals its final value.
int glideLength(const std::vector<float>& out) {
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] == out.back()) return static_cast<int>(i);
    }
    return -1;
}

// The automatic ramp time for a change of r of the span, in samples at 48 kHz.
int expectedGlide(double r) {
    const double t = r >= 0.3 ? 20.0 : 130.0 * std::pow((0.3 - r) / 0.3, 2.0) + 20.0;
    return static_cast<int>(48000.0 * t * 0.001);
}

struct MidiSourceFixture : ::testing::Test {
    wave::Environment env{256};
    MidiModSource::Cache cache;
    MidiModSource source{env, cache};
    void SetUp() override { env.setSampleRate(48000.0f); }
};

}  // namespace

TEST(MidiModSourceCurves, AreOddPassThroughTheCornersAndMatchTheirClosedForms) {
    for (Curve c : kCurves) {
        EXPECT_FLOAT_EQ(MidiModSource::curve(c, 1.0f), 1.0f) << c;
        EXPECT_NEAR(MidiModSource::curve(c, 0.0f), 0.0f, 1e-7f) << c;
        for (float x = -1.0f; x <= 1.0f; x += 0.03125f) {
            EXPECT_NEAR(MidiModSource::curve(c, x), reference(c, x), 2e-6) << c << " at " << x;
            EXPECT_FLOAT_EQ(MidiModSource::curve(c, -x), -MidiModSource::curve(c, x)) << c;
        }
    }
    // The exponential is 36 dB deep and continuous where its straight foot begins.
    EXPECT_NEAR(20.0 * std::log10(MidiModSource::curve(MidiModSource::Exp, 0.5f)), -18.0, 1e-4);
    EXPECT_NEAR(MidiModSource::curve(MidiModSource::Exp, 0.1f), MidiModSource::curve(MidiModSource::Exp, 0.1000001f),
                1e-6f);
}

TEST_F(MidiSourceFixture, WheelAndControllersFollowTheCurveOfTheirValue) {
    for (Curve c : kCurves) {
        source.responseCurve.set(c);
        cache.modWheel(64.0f / 127.0f);
        EXPECT_NEAR(source.getTarget(), reference(c, 64.0 / 127.0), 2e-6) << c;
        cache.modWheel(1.0f);
        EXPECT_FLOAT_EQ(source.getTarget(), 1.0f) << c;
        cache.modWheel(0.0f);
    }
}

TEST_F(MidiSourceFixture, PitchBendIsBipolarWithItsCentreAtZeroAndKeepsItsSign) {
    source.input.set(MidiModSource::PitchBend);
    for (Curve c : kCurves) {
        source.responseCurve.set(c);
        cache.pitchBend(0.5f);
        EXPECT_FLOAT_EQ(source.getTarget(), 1.0f) << c;
        cache.pitchBend(-0.5f);
        EXPECT_FLOAT_EQ(source.getTarget(), -1.0f) << c;
        cache.pitchBend(-0.25f);
        EXPECT_NEAR(source.getTarget(), reference(c, -0.5), 2e-6) << c;
        EXPECT_LT(source.getTarget(), 0.0f) << c;
        cache.pitchBend(0.0f);
        EXPECT_EQ(source.getTarget(), 0.0f) << c;
        EXPECT_FLOAT_EQ(source.displayValue(), 0.5f) << c;
    }
}

TEST_F(MidiSourceFixture, VelocityMapsSoftNotesBelowZero) {
    source.input.set(MidiModSource::Velocity);
    EXPECT_FLOAT_EQ(source.getTarget(), -1.0f);  // no note yet: the softest value
    cache.noteOn(60, 1.0f);
    EXPECT_FLOAT_EQ(source.getTarget(), 1.0f);
    EXPECT_FLOAT_EQ(source.displayValue(), 1.0f);
    cache.noteOn(60, 64.0f / 127.0f);
    EXPECT_NEAR(source.getTarget(), 0.00787f, 1e-5f);
    cache.noteOff(60, 0.0f);  // a release keeps the velocity
    EXPECT_NEAR(source.getTarget(), 0.00787f, 1e-5f);
    for (Curve c : kCurves) {
        source.responseCurve.set(c);
        cache.noteOn(61, 0.25f);
        EXPECT_NEAR(source.getTarget(), 2.0 * reference(c, 0.25) - 1.0, 4e-6) << c;
    }
}

TEST_F(MidiSourceFixture, KeyTrackingIsZeroAtKey48AndFollowsTheCurveAroundIt) {
    source.input.set(MidiModSource::KBTrack);
    cache.noteOn(0, 0.5f);
    EXPECT_NEAR(source.getTarget(), -0.4f, 1e-6f);
    cache.noteOn(127, 0.5f);
    EXPECT_NEAR(source.getTarget(), 127.0f / 120.0f - 0.4f, 1e-5f);
    for (Curve c : kCurves) {
        source.responseCurve.set(c);
        cache.noteOn(48, 0.5f);
        EXPECT_NEAR(source.getTarget(), 0.0f, 1e-6f) << c;
        cache.noteOn(96, 0.5f);
        EXPECT_NEAR(source.getTarget(), reference(c, 0.8) - reference(c, 0.4), 4e-6) << c;
        // The level meter reads 0 at key 1 and 1 at key 120, and stays inside 0..1 beyond.
        cache.noteOn(1, 0.5f);
        EXPECT_NEAR(source.displayValue(), 0.0f, 1e-5f) << c;
        cache.noteOn(120, 0.5f);
        EXPECT_NEAR(source.displayValue(), 1.0f, 1e-5f) << c;
        cache.noteOn(0, 0.5f);
        EXPECT_GE(source.displayValue(), 0.0f) << c;
        cache.noteOn(127, 0.5f);
        EXPECT_LE(source.displayValue(), 1.0f) << c;
    }
}

TEST_F(MidiSourceFixture, AftertouchTakesChannelAndPolyPressureWithinTheNoteFilter) {
    source.input.set(MidiModSource::Aftertouch);
    cache.channelPressure(0.5f);
    EXPECT_FLOAT_EQ(source.getTarget(), 0.5f);
    cache.polyPressure(70, 0.75f);
    EXPECT_FLOAT_EQ(source.getTarget(), 0.75f);

    cache.setNoteFilter(60);
    cache.polyPressure(61, 0.1f);
    cache.noteOn(61, 0.1f);
    EXPECT_FLOAT_EQ(source.getTarget(), 0.75f);
    EXPECT_EQ(cache.getValue(MidiModSource::Cache::kKey), 0.0f);  // no accepted note yet
    cache.noteOn(60, 0.1f);
    EXPECT_EQ(cache.getValue(MidiModSource::Cache::kKey), 60.0f);
}

TEST_F(MidiSourceFixture, SwitchingToAControllerTakesItsLastValueAndIgnoresOthers) {
    cache.modWheel(1.0f);
    cache.controlChange(7, 64, 64.0f / 127.0f);
    source.controllerNumber.set(7);
    EXPECT_FLOAT_EQ(source.getTarget(), 1.0f);  // still on the wheel
    source.input.set(MidiModSource::Controller);
    EXPECT_FLOAT_EQ(source.getTarget(), 64.0f / 127.0f);
    cache.controlChange(8, 127, 1.0f);
    EXPECT_FLOAT_EQ(source.getTarget(), 64.0f / 127.0f);
    source.controllerNumber.set(9);  // never received: 0
    EXPECT_EQ(source.getTarget(), 0.0f);

    source.controllerNumber.set(200);  // out of range: the top controller, never past the cache
    EXPECT_EQ(source.listenedIndex(), 127);
    cache.controlChange(300, 127, 1.0f);
    cache.controlChange(-1, 127, 1.0f);
    cache.controlChange(127, 127, std::nanf(""));
    EXPECT_EQ(source.getTarget(), 0.0f);
}

TEST_F(MidiSourceFixture, ANewCurveAppliesToTheHeldValueAtOnce) {
    cache.modWheel(0.5f);
    source.responseCurve.set(MidiModSource::Sqr);
    EXPECT_FLOAT_EQ(source.getTarget(), 0.25f);
}

TEST_F(MidiSourceFixture, OutputGlidesOverTheAutomaticTimeOfSpanHalfAndThenIsConstant) {
    std::vector<float> out = render(env, source, 512);
    EXPECT_TRUE(source.isConstant());
    EXPECT_EQ(out.back(), 0.0f);

    cache.modWheel(1.0f);  // far more than 30 % of the span: 20 ms
    out = render(env, source, 4096);
    EXPECT_EQ(glideLength(out), expectedGlide(1.0));
    EXPECT_EQ(out.back(), 1.0f);
    for (size_t i = 1; i < out.size(); ++i) ASSERT_GE(out[i], out[i - 1]);
    EXPECT_TRUE(source.isConstant());

    cache.modWheel(0.95f);  // 10 % of the span
    out = render(env, source, 8192);
    EXPECT_NEAR(glideLength(out), expectedGlide(0.1), 2);
    EXPECT_GT(glideLength(out), expectedGlide(1.0));

    // Notes may use their own time; 0 jumps.
    source.input.set(MidiModSource::Velocity);
    render(env, source, 8192);
    source.setNoteRampTime(0.0f);
    cache.noteOn(60, 1.0f);
    out = render(env, source, 64);
    EXPECT_EQ(out.front(), 1.0f);
}

TEST(XYSource, AxesFollowTheirParametersWithGlidesMeasuredOnTheFullSpan) {
    wave::Environment env(256);
    env.setSampleRate(48000.0f);
    RecordingOwner owner;
    FloatParamPluginParameter hor(&owner, "Hor"), ver(&owner, "Ver");
    hor.setRange(-1.0f, 1.0f, 0.0f);
    ver.setRange(-1.0f, 1.0f, 0.5f);
    {
        XYSource xy(env, &hor, &ver);
        EXPECT_EQ(xy.output(XYSource::Horizontal).getTarget(), 0.0f);
        EXPECT_EQ(xy.output(XYSource::Vertical).getTarget(), 0.5f);  // starts where its parameter is
        EXPECT_FLOAT_EQ(xy.displayValue(XYSource::Vertical), 0.75f);

        render(env, xy.output(XYSource::Horizontal), 64);  // time 0 is a restart: ramps set there jump
        hor.applyValue(1.0f);
        std::vector<float> out = render(env, xy.output(XYSource::Horizontal), 8192);
        EXPECT_EQ(glideLength(out), expectedGlide(0.5));  // 0 -> 1 is half the span: 20 ms
        EXPECT_EQ(out.back(), 1.0f);

        ver.applyValue(0.6f);  // 0.1 of a span of 2: about 110 ms
        out = render(env, xy.output(XYSource::Vertical), 8192);
        EXPECT_NEAR(glideLength(out), 48000 * 0.1103, 3);
        EXPECT_FLOAT_EQ(out.back(), 0.6f);

        hor.applyValue(-5.0f);  // limited to the range
        out = render(env, xy.output(XYSource::Horizontal), 4096);
        EXPECT_EQ(out.back(), -1.0f);
        EXPECT_EQ(xy.displayValue(XYSource::Horizontal), 0.0f);
    }
    EXPECT_TRUE(hor.getSources().empty());  // a destroyed source is never driven again
    EXPECT_TRUE(ver.getSources().empty());
}
