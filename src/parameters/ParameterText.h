#pragma once
#include <string>
#include <string_view>

// Text helpers shared by parameters, settings and the editor.

// Prints d with a printf-style format for one floating-point number. Infinite values print as
// "INF" / "-INF". A format of the form "*[+]N<rest>" keeps N significant decimals while the
// number is small and drops one decimal per power of ten above it ("*3f": 5.123, 51.23, 512.3,
// 5123). A result without any non-zero digit never carries a minus sign ("0.00", not "-0.00").
// A format that is not exactly one floating-point conversion is replaced by "%.3f".
std::string formatDefault(double d, std::string_view format);

// Hertz with fewer decimals as the number grows: 4.810, 440.00, 2000.0, 15000.
std::string formatFrequency(double d);

// Decibels with an explicit sign ("+6.02", "-12.00"), "0.00" at zero and "-INF" at or below
// -179.9 dB.
std::string formatDecibels(double d);

// 20 * log10(x), never below -180 (x <= 1e-10, zero, negative or NaN input give -180).
float linearToDecibels(float x);

// ASCII case-insensitive equality (unit words, item names).
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Blanks are spaces, tabs and line breaks.
bool isBlank(char c);
// The text without leading and trailing blanks.
std::string_view trimBlanks(std::string_view text);
// A whole text that is one decimal integer ("12", "-3", "+7"; no blanks, no fraction, no
// exponent). False for anything else, including numbers beyond the range of long.
bool readWholeInteger(std::string_view text, long& number);
