#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "product/KestrumPlugin.h"
#include "product/ParameterLookup.h"

namespace {

using Verdict = AbstractPluginParameter::TextVerdict;

// The values tried for a continuous parameter, as shares of its range.
const float kShares[] = {0.0f, 0.004f, 0.013f, 0.1f, 0.25f, 0.37f, 0.5f, 0.63f, 0.77f, 0.9f, 0.985f, 0.999f, 1.0f};

std::vector<float> valuesToTry(AbstractPluginParameter& p) {
    std::vector<float> values;
    if (p.isDiscrete()) {
        for (int i = static_cast<int>(p.getMinimum()); i <= static_cast<int>(p.getMaximum()); ++i)
            values.push_back(static_cast<float>(i));
    } else {
        for (float n : kShares) values.push_back(p.denormalize(n));
    }
    values.push_back(p.getDefaultValue());
    return values;
}

}  // namespace

// Whatever a parameter shows (the renderer's listing, the editor, a host) can be typed back and
// gives the value shown: a switch the same position, a continuous parameter a value that shows
// the same text, close to the original on the normalised scale and stable when read again.
TEST(TypedValues, EveryShownValueOfEveryParameterReadsBack) {
    KestrumPlugin plugin;
    int checked = 0;
    for (int id = 0; id < plugin.getNumParameters(); ++id) {
        AbstractPluginParameter& p = *plugin.getParameter(id);
        for (float v : valuesToTry(p)) {
            const std::string text = p.formatValue(v);
            float back = NAN;
            ASSERT_EQ(p.readText(text, back), Verdict::Accepted) << p.getName() << ": \"" << text << "\"";
            ASSERT_EQ(p.formatValue(back), text) << p.getName();
            if (p.isDiscrete()) {
                EXPECT_EQ(back, v) << p.getName() << ": " << text;
            } else {
                EXPECT_NEAR(p.normalize(back), p.normalize(v), 0.03f) << p.getName() << ": " << text;
                float again = NAN;
                ASSERT_TRUE(p.parseText(p.formatValue(back), again)) << p.getName();
                EXPECT_EQ(std::memcmp(&again, &back, sizeof back), 0) << p.getName() << ": " << text;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 5000);
}

TEST(TypedValues, LookupRefusalsSayWhatTheParameterTakes) {
    KestrumPlugin plugin;
    ParameterLookup lookup(plugin);
    struct Case {
        const char* assignment;
        const char* parameter;
        std::vector<const char*> message;
    };
    const Case cases[] = {
        {"Filter 1 Freq=2 kHz garbage", "Filter 1 Freq",
         {"'2 kHz garbage' is not a valid value for 'Filter 1 Freq'", "from 4.812 Hz to 75616 Hz", "kHz"}},
        {"Mix=3 bananas", "Mix", {"'3 bananas' is not a valid value for 'Mix'", "from 0.000 % to 100.0 %"}},
        {"Filter 1 Peak=60", "Filter 1 Peak", {"'60' is out of range for 'Filter 1 Peak'", "from 0.000 to 1.000"}},
        {"Input Gain=-INF dB", "Input Gain", {"out of range", "from -36.00 dB to +36.00 dB"}},
        {"Routing=3.0", "Routing", {"'3.0' is not a valid value for 'Routing'", "one of 1, 2, 3, 4, 5, 6, 7, 8"}},
        {"Routing=1e308", "Routing", {"one of 1, 2, 3, 4, 5, 6, 7, 8"}},
        {"Routing Mode=3", "Routing Mode", {"one of Stereo, Per Channel, Mid/Side"}},
        {"Filter 1 Response=1", "Filter 1 Response", {"one of LP, HP, BP"}},
        {"Num Active Filters=5", "Num Active Filters", {"out of range", "a whole number from 1 to 4"}},
        {"Slot 1 Target=Filter 9 Freq", "Slot 1 Target", {"one of < Target >, Filter 1 Freq", "(114 values)"}},
    };
    for (const Case& c : cases) {
        AbstractPluginParameter* p = lookup.find(c.parameter);
        ASSERT_NE(p, nullptr) << c.parameter;
        const float before = p->getValue();
        std::string error;
        EXPECT_FALSE(lookup.apply(c.assignment, error)) << c.assignment;
        for (const char* part : c.message) EXPECT_NE(error.find(part), std::string::npos) << error;
        EXPECT_EQ(p->getValue(), before) << c.assignment;
    }
}

// The refusal messages quoted in docs/values.md are the ones the lookup gives.
TEST(TypedValues, MessagesQuotedInTheValuesDocumentAreCurrent) {
    KestrumPlugin plugin;
    ParameterLookup lookup(plugin);
    std::ifstream doc(std::string(KESTRUM_SOURCE_DIR) + "/docs/values.md");
    ASSERT_TRUE(doc.is_open());
    int quoted = 0;
    for (std::string line; std::getline(doc, line);) {
        if (line.rfind("    '", 0) != 0) continue;
        const std::string message = line.substr(4);
        // '<text>' is ... for '<name>': ...
        const size_t textEnd = message.find('\'', 1);
        const size_t nameStart = message.find(" for '");
        ASSERT_NE(textEnd, std::string::npos) << line;
        ASSERT_NE(nameStart, std::string::npos) << line;
        const size_t nameEnd = message.find('\'', nameStart + 6);
        ASSERT_NE(nameEnd, std::string::npos) << line;
        const std::string text = message.substr(1, textEnd - 1);
        const std::string name = message.substr(nameStart + 6, nameEnd - nameStart - 6);
        std::string error;
        EXPECT_FALSE(lookup.apply(name + "=" + text, error)) << line;
        EXPECT_EQ(error, message);
        ++quoted;
    }
    EXPECT_GE(quoted, 3);
}
