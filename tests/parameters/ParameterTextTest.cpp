#include <gtest/gtest.h>

#include <cmath>

#include "parameters/ParameterText.h"

TEST(DefaultFormatter, SignificantDigitsDropOneDecimalPerDecade) {
    EXPECT_EQ(formatDefault(5.1234, "*3f"), "5.123");
    EXPECT_EQ(formatDefault(51.234, "*3f"), "51.23");
    EXPECT_EQ(formatDefault(512.34, "*3f"), "512.3");
    EXPECT_EQ(formatDefault(5123.4, "*3f"), "5123");
    EXPECT_EQ(formatDefault(-51.234, "*3f"), "-51.23");
    // Just below the threshold a value would round up to "10.000"; it keeps three decimals only
    // below 9.9995.
    EXPECT_EQ(formatDefault(9.9994, "*3f"), "9.999");
    EXPECT_EQ(formatDefault(9.9996, "*3f"), "10.00");
    EXPECT_EQ(formatDefault(5.0, "*+2f"), "+5.00");
    EXPECT_EQ(formatDefault(50.0, "*2f %%"), "50.0 %");
}

TEST(DefaultFormatter, NegativeZeroPrintsWithoutMinus) {
    EXPECT_EQ(formatDefault(-0.0001, "%.2f"), "0.00");
    EXPECT_EQ(formatDefault(-0.0, "%.1f"), "0.0");
    EXPECT_EQ(formatDefault(-0.0001, "*3f"), "0.000");
    EXPECT_EQ(formatDefault(-0.01, "%.2f"), "-0.01");
    EXPECT_EQ(formatDefault(-10.0, "%.0f"), "-10");
}

TEST(DefaultFormatter, InfinitiesAndUnsafeFormats) {
    EXPECT_EQ(formatDefault(INFINITY, "%.2f"), "INF");
    EXPECT_EQ(formatDefault(-INFINITY, "*3f"), "-INF");
    // A format that does not print exactly one double must not reach printf as such.
    EXPECT_EQ(formatDefault(1.5, "%s"), "1.500");
    EXPECT_EQ(formatDefault(1.5, "%d"), "1.500");
    EXPECT_EQ(formatDefault(1.5, "%f %f"), "1.500");
    EXPECT_EQ(formatDefault(1.5, "value"), "1.500");
    EXPECT_EQ(formatDefault(0.123456789012345, "%.15g"), "0.123456789012345");
}

TEST(FrequencyFormatter, DecimalsShrinkAtTheBoundaries) {
    EXPECT_EQ(formatFrequency(4.81), "4.810");
    EXPECT_EQ(formatFrequency(99.999), "99.999");
    EXPECT_EQ(formatFrequency(100.004), "100.00");
    EXPECT_EQ(formatFrequency(999.994), "999.99");
    EXPECT_EQ(formatFrequency(999.996), "1000.0");
    EXPECT_EQ(formatFrequency(9999.94), "9999.9");
    EXPECT_EQ(formatFrequency(9999.96), "10000");
    EXPECT_EQ(formatFrequency(75600.4), "75600");
}

TEST(DecibelFormatter, SignZeroAndMinusInfinity) {
    EXPECT_EQ(formatDecibels(6.0206), "+6.02");
    EXPECT_EQ(formatDecibels(-12.0), "-12.00");
    EXPECT_EQ(formatDecibels(0.0), "0.00");
    EXPECT_EQ(formatDecibels(1e-7), "0.00");
    EXPECT_EQ(formatDecibels(-1e-7), "0.00");
    EXPECT_EQ(formatDecibels(0.001), "+0.00");
    EXPECT_EQ(formatDecibels(-179.8), "-179.80");
    EXPECT_EQ(formatDecibels(-179.95), "-INF");
    EXPECT_EQ(formatDecibels(-180.0), "-INF");
    EXPECT_EQ(formatDecibels(NAN), "-INF");
}

TEST(LinearToDecibels, LimitsAtMinus180) {
    EXPECT_NEAR(linearToDecibels(2.0f), 6.0206f, 1e-4f);
    EXPECT_NEAR(linearToDecibels(0.5f), -6.0206f, 1e-4f);
    EXPECT_FLOAT_EQ(linearToDecibels(1.0f), 0.0f);
    EXPECT_FLOAT_EQ(linearToDecibels(0.0f), -180.0f);
    EXPECT_FLOAT_EQ(linearToDecibels(1e-11f), -180.0f);
    EXPECT_FLOAT_EQ(linearToDecibels(-3.0f), -180.0f);
    EXPECT_FLOAT_EQ(linearToDecibels(NAN), -180.0f);
}
