#include <gtest/gtest.h>

#include <cmath>

#include "RecordingOwner.h"
#include "parameters/DBParameterUnit.h"
#include "parameters/DBRangeParameterUnit.h"
#include "parameters/ExpFreqParameterUnit.h"
#include "parameters/FloatPluginParameter.h"
#include "parameters/HzParameterUnit.h"
#include "parameters/MsParameterUnit.h"
#include "parameters/OctavesParameterUnit.h"
#include "parameters/ParameterText.h"
#include "parameters/PercentParameterUnit.h"
#include "parameters/SecParameterUnit.h"

namespace {

class FloatParameterTest : public ::testing::Test {
protected:
    // A filter frequency: 0..1 mapped onto log2 Hz 2.2666..16.2064.
    void makeFrequency(FloatPluginParameter& p) {
        p.setDisplayRange(2.2666f, 16.2064f);
        p.setUnit(ExpFreqParameterUnit::instance());
    }
    // An envelope sustain level: linear 0..1 shown in dB.
    void makeSustain(FloatPluginParameter& p) {
        p.getDisplay().toDisplay = linearToDecibels;
        p.getDisplay().fromDisplay = [](float x) { return std::exp(x * 0.1151292546497023f); };
        p.setUnit(DBParameterUnit::instance());
    }
    // A gain in dB, -36..36.
    void makeGain(FloatPluginParameter& p) {
        p.setRange(-36.0f, 36.0f, 0.0f);
        p.setUnit(DBParameterUnit::instance());
    }
    float parsed(FloatPluginParameter& p, const std::string& text) {
        float out = -12345.0f;
        EXPECT_TRUE(p.parseText(text, out)) << text;
        return out;
    }

    RecordingOwner owner;
};

TEST_F(FloatParameterTest, DisplayChainAppliesCurveThenBothLinearStagesThenToDisplay) {
    FloatPluginParameter p(&owner, "Chain");
    ParameterDisplay& d = p.getDisplay();
    d.curve = [](float x) { return x * x; };
    d.curveInverse = [](float x) { return std::sqrt(x); };
    d.scale2 = 4.0f;
    d.offset2 = 1.0f;
    d.scale1 = 2.0f;
    d.offset1 = -3.0f;
    d.toDisplay = [](float x) { return x * 10.0f; };
    d.fromDisplay = [](float x) { return x * 0.1f; };
    // ((0.25 * 4 + 1) * 2 - 3) * 10
    EXPECT_FLOAT_EQ(p.valueToDisplay(0.5f), 10.0f);
    EXPECT_FLOAT_EQ(p.displayToValue(10.0f), 0.5f);
    EXPECT_FLOAT_EQ(p.appliedValue(0.5f), 2.0f);
    // Stages cleared to nothing behave as the identity.
    d.curve = nullptr;
    d.toDisplay = nullptr;
    EXPECT_FLOAT_EQ(p.valueToDisplay(0.5f), 3.0f);
}

TEST_F(FloatParameterTest, DisplayRangeAndUnitsGiveTheExpectedText) {
    FloatPluginParameter freq(&owner, "Freq");
    makeFrequency(freq);
    EXPECT_NEAR(freq.valueToDisplay(0.0f), 4.811f, 0.001f);
    EXPECT_EQ(freq.formatValue(1.0f), "75616 Hz");
    EXPECT_EQ(freq.formatValue(freq.displayToValue(440.0f)), "440.00 Hz");

    FloatPluginParameter delay(&owner, "Delay");
    delay.setDisplayRange(0.0f, 50.0f);
    delay.setUnit(MsParameterUnit::instance());
    EXPECT_EQ(delay.formatValue(0.5f), "25.000 ms");

    FloatPluginParameter mix(&owner, "Mix");
    mix.setRange(0.0f, 100.0f, 100.0f);
    mix.setUnit(PercentParameterUnit::instance());
    EXPECT_EQ(mix.formatValue(100.0f), "100.0 %");
    EXPECT_EQ(mix.formatValue(5.0f), "5.000 %");

    FloatPluginParameter sustain(&owner, "Sustain");
    makeSustain(sustain);
    EXPECT_EQ(sustain.formatValue(1.0f), "0.00 dB");
    EXPECT_EQ(sustain.formatValue(0.0f), "-INF dB");
    EXPECT_EQ(sustain.formatValue(0.5f), "-6.02 dB");

    FloatPluginParameter depth(&owner, "Depth");
    depth.setRange(0.0f, 24.0f, 6.0f);
    depth.setUnit(DBRangeParameterUnit::instance());
    EXPECT_EQ(depth.formatValue(6.0f), "6.00 dB");

    FloatPluginParameter pitch(&owner, "Pitch");
    pitch.setRange(-2.0f, 2.0f, 0.0f);
    pitch.setUnit(OctavesParameterUnit::instance());
    EXPECT_EQ(pitch.formatValue(1.0f), "12.000 semitones");
}

TEST_F(FloatParameterTest, FrequencyTextWithUnitWordsIgnoringCase) {
    FloatPluginParameter p(&owner, "Freq");
    makeFrequency(p);
    for (const char* text : {"2 kHz", "2 khz", "2KHZ", "2k", "2000", "2000 Hz", "  2000hz"}) {
        EXPECT_NEAR(p.valueToDisplay(parsed(p, text)), 2000.0f, 0.5f) << text;
    }
}

// Text beyond the shown range is refused rather than moved to the limit; text that only misses a
// limit by the digits it leaves out is the limit.
TEST_F(FloatParameterTest, NumbersOutsideTheShownRangeAreRefused) {
    FloatPluginParameter freq(&owner, "Freq");
    makeFrequency(freq);
    FloatPluginParameter gain(&owner, "Gain");
    makeGain(gain);
    FloatPluginParameter peak(&owner, "Peak");
    using V = AbstractPluginParameter::TextVerdict;
    const std::pair<FloatPluginParameter*, const char*> refused[] = {
        {&freq, "200 kHz"}, {&freq, "0 Hz"}, {&freq, "4.7 Hz"}, {&freq, "76 kHz"}, {&gain, "100 dB"},
        {&gain, "-37"},     {&gain, "100x"},  {&gain, "150 %"},  {&gain, "-1 %"}, {&peak, "60"},
        {&peak, "-0.01"},   {&gain, "-INF dB"}, {&freq, "1e400"}};
    for (const auto& [p, text] : refused) {
        float out = 0.25f;
        EXPECT_EQ(p->readText(text, out), V::OutOfRange) << p->getName() << ": " << text;
        EXPECT_FLOAT_EQ(out, 0.25f);
    }
    // The shown limits, and fewer digits of them, read back as the limits themselves.
    EXPECT_FLOAT_EQ(parsed(freq, freq.formatValue(1.0f)), 1.0f);
    EXPECT_NEAR(parsed(freq, freq.formatValue(0.0f)), 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(parsed(freq, "75.6 kHz"), freq.displayToValue(75600.0f));
    EXPECT_FLOAT_EQ(parsed(freq, "4.81 Hz"), 0.0f);
    EXPECT_FLOAT_EQ(parsed(peak, "1.0005"), 1.0f);
    EXPECT_FLOAT_EQ(parsed(peak, "-0.0001"), 0.0f);
    EXPECT_FLOAT_EQ(parsed(gain, "100.05 %"), 36.0f);
}

// A level shown in dB reaches -INF at its lower end: the shown "-INF dB" reads back, and so does
// anything lower, as silence (not as a tiny level near it).
TEST_F(FloatParameterTest, MinusInfinityAndBelowReadAsTheSilentEnd) {
    FloatPluginParameter sustain(&owner, "Sustain");
    makeSustain(sustain);
    ASSERT_EQ(sustain.formatValue(0.0f), "-INF dB");
    for (const char* text : {"-INF dB", "-inf", "-INF", " -Inf DB ", "-200 dB", "-1e400", "0x", "inf"}) {
        EXPECT_EQ(parsed(sustain, text), 0.0f) << text;
    }
    float out = 0.5f;
    EXPECT_FALSE(sustain.parseText("-INF Hz", out));
    EXPECT_FALSE(sustain.parseText("-INF dB more", out));
    EXPECT_FLOAT_EQ(out, 0.5f);
}

TEST_F(FloatParameterTest, FormattedTextParsesBackToTheSameValue) {
    FloatPluginParameter freq(&owner, "Freq");
    makeFrequency(freq);
    FloatPluginParameter delay(&owner, "Delay");
    delay.setDisplayRange(0.0f, 50.0f);
    delay.setUnit(MsParameterUnit::instance());
    FloatPluginParameter attack(&owner, "Attack");
    attack.setDisplayRange(0.0f, 3.0f);
    attack.setUnit(SecParameterUnit::instance());
    FloatPluginParameter gain(&owner, "Gain");
    makeGain(gain);
    FloatPluginParameter mix(&owner, "Mix");
    mix.setRange(0.0f, 100.0f, 100.0f);
    mix.setUnit(PercentParameterUnit::instance());
    FloatPluginParameter rate(&owner, "Rate");
    rate.setDisplayRange(0.02f, 500.0f);
    rate.setUnit(HzParameterUnit::instance());

    for (FloatPluginParameter* p : {&freq, &delay, &attack, &gain, &mix, &rate}) {
        for (float n : {0.0f, 0.1f, 0.37f, 0.5f, 0.93f, 1.0f}) {
            const float v = p->denormalize(n);
            const std::string text = p->formatValue(v);
            float back = -1.0f;
            ASSERT_TRUE(p->parseText(text, back)) << p->getName() << ": " << text;
            EXPECT_EQ(p->formatValue(back), text) << p->getName();
        }
    }
}

TEST_F(FloatParameterTest, OtherUnitWordsConvert) {
    FloatPluginParameter delay(&owner, "Delay");
    delay.setDisplayRange(0.0f, 50.0f);
    delay.setUnit(MsParameterUnit::instance());
    EXPECT_NEAR(parsed(delay, "0.01 s"), 0.2f, 1e-6f);
    EXPECT_NEAR(parsed(delay, "0.02 SEC"), 0.4f, 1e-6f);

    FloatPluginParameter decay(&owner, "Decay");
    decay.setDisplayRange(0.0f, 5.0f);
    decay.setUnit(SecParameterUnit::instance());
    EXPECT_NEAR(parsed(decay, "500 ms"), 0.1f, 1e-6f);
    EXPECT_NEAR(parsed(decay, "2.5"), 0.5f, 1e-6f);

    FloatPluginParameter pitch(&owner, "Pitch");
    pitch.setRange(-2.0f, 2.0f, 0.0f);
    pitch.setUnit(OctavesParameterUnit::instance());
    EXPECT_NEAR(parsed(pitch, "1 octave"), 1.0f, 1e-6f);
    EXPECT_NEAR(parsed(pitch, "-12"), -1.0f, 1e-6f);
    EXPECT_NEAR(parsed(pitch, "100 cents"), 1.0f / 12.0f, 1e-6f);
    EXPECT_NEAR(parsed(pitch, "7 notes"), 7.0f / 12.0f, 1e-6f);
}

TEST_F(FloatParameterTest, DecibelTextOnNegativeAndBipolarRanges) {
    FloatPluginParameter sustain(&owner, "Sustain");
    makeSustain(sustain);
    // The display never exceeds 0 dB, so "6" means -6 dB.
    EXPECT_NEAR(linearToDecibels(parsed(sustain, "6")), -6.0f, 1e-3f);
    EXPECT_NEAR(linearToDecibels(parsed(sustain, "-6 dB")), -6.0f, 1e-3f);
    EXPECT_FLOAT_EQ(parsed(sustain, "0"), 1.0f);
    EXPECT_NEAR(parsed(sustain, "0x"), 0.0f, 1e-8f);  // -180 dB

    FloatPluginParameter gain(&owner, "Gain");
    makeGain(gain);
    EXPECT_NEAR(parsed(gain, "2x"), 6.0206f, 1e-3f);
    EXPECT_NEAR(parsed(gain, "0.5*"), -6.0206f, 1e-3f);
    EXPECT_NEAR(parsed(gain, "6"), 6.0f, 1e-6f);
}

TEST_F(FloatParameterTest, PercentIsAShareOfTheInternalRange) {
    FloatPluginParameter gain(&owner, "Gain");
    makeGain(gain);
    EXPECT_FLOAT_EQ(parsed(gain, "50 %"), 0.0f);
    EXPECT_FLOAT_EQ(parsed(gain, "25%"), -18.0f);
    EXPECT_FLOAT_EQ(parsed(gain, "100 %"), 36.0f);

    FloatPluginParameter freq(&owner, "Freq");
    makeFrequency(freq);
    EXPECT_FLOAT_EQ(parsed(freq, "50 %"), 0.5f);
}

TEST_F(FloatParameterTest, LabelIsTheOnlyWordWithoutAUnit) {
    FloatPluginParameter p(&owner, "Width");
    p.setRange(0.0f, 10.0f, 0.0f);
    p.getDisplay().label = "st";
    EXPECT_FLOAT_EQ(parsed(p, "3 st"), 3.0f);
    EXPECT_FLOAT_EQ(parsed(p, "3ST"), 3.0f);
    float out = 7.0f;
    EXPECT_FALSE(p.parseText("3 px", out));
    EXPECT_FLOAT_EQ(out, 7.0f);
}

TEST_F(FloatParameterTest, RejectedTextLeavesTheResultAlone) {
    FloatPluginParameter freq(&owner, "Freq");
    makeFrequency(freq);
    FloatPluginParameter gain(&owner, "Gain");
    makeGain(gain);
    for (FloatPluginParameter* p : {&freq, &gain}) {
        for (const char* text : {"", "   ", "abc", "kHz", "2 MHz", "2 dBx", "nan", "NaN dB", "inf", "-inf",
                                 "infinity", "1e99", "-1e400", "1e39", "++2", "+-2",
                                 // Nothing may follow the unit word.
                                 "2 kHz garbage", "2 k Hz", "2kHz,", "3 bananas", "2 % %", "0.5 0.6"}) {
            float out = 0.25f;
            EXPECT_FALSE(p->parseText(text, out)) << p->getName() << ": \"" << text << "\"";
            EXPECT_FLOAT_EQ(out, 0.25f);
        }
    }
    // Blanks around the value are not text.
    EXPECT_NEAR(freq.valueToDisplay(parsed(freq, "  2 kHz \t")), 2000.0f, 0.5f);
    // A tiny number is simply zero, and a leading "+" is accepted.
    EXPECT_FLOAT_EQ(parsed(gain, "1e-99"), 0.0f);
    EXPECT_FLOAT_EQ(parsed(gain, "+3 dB"), 3.0f);
}

TEST_F(FloatParameterTest, SetValueLimitsAndNotifiesOnlyRealChanges) {
    FloatPluginParameter p(&owner, "Level");
    p.setRange(-1.0f, 1.0f, 0.25f);
    EXPECT_FLOAT_EQ(p.getValue(), 0.25f);
    EXPECT_TRUE(owner.calls.empty());  // set-up tells nobody

    p.setValue(0.5f, 1);
    ASSERT_EQ(owner.calls.size(), 1u);
    EXPECT_EQ(owner.calls[0].id, p.getId());
    EXPECT_FLOAT_EQ(owner.calls[0].value, 0.5f);
    EXPECT_EQ(owner.calls[0].flags, 1);

    // Changes within the tolerance are not changes.
    p.setValue(0.5f + 5.9604645e-8f, 0);
    p.setValue(0.5f, 0);
    EXPECT_EQ(owner.calls.size(), 1u);
    p.setValue(0.50000024f, 0);
    EXPECT_EQ(owner.calls.size(), 2u);

    p.setValue(7.0f, 0);
    EXPECT_FLOAT_EQ(p.getValue(), 1.0f);
    EXPECT_FLOAT_EQ(owner.calls.back().value, 1.0f);
    p.setValue(-7.0f, 0);
    EXPECT_FLOAT_EQ(p.getValue(), -1.0f);

    const size_t before = owner.calls.size();
    p.setValue(NAN, 0);
    p.setValue(INFINITY, 0);
    p.setValue(-INFINITY, 0);
    EXPECT_EQ(owner.calls.size(), before);
    EXPECT_FLOAT_EQ(p.getValue(), -1.0f);
}

TEST_F(FloatParameterTest, NormalizeMapsTheRangeOntoZeroToOne) {
    FloatPluginParameter p(&owner, "Gain");
    makeGain(p);
    EXPECT_FLOAT_EQ(p.normalize(-36.0f), 0.0f);
    EXPECT_FLOAT_EQ(p.normalize(18.0f), 0.75f);
    EXPECT_FLOAT_EQ(p.denormalize(0.25f), -18.0f);
    EXPECT_FLOAT_EQ(p.denormalize(p.normalize(7.5f)), 7.5f);

    FloatPluginParameter flat(&owner, "Flat");
    flat.setRange(3.0f, 3.0f, 3.0f);
    EXPECT_FLOAT_EQ(flat.normalize(3.0f), 0.0f);  // no division by a zero span
    float out = 0.0f;
    EXPECT_TRUE(flat.parseText("50 %", out));
    EXPECT_FLOAT_EQ(out, 3.0f);
}

}  // namespace
