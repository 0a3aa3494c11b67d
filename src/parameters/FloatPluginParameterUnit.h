#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "parameters/ParameterDisplay.h"

// A unit of float parameters: the words a typed value may carry and how each word converts the
// number in front of it into display units. The first word is the unit's label. Units are
// process-wide singletons (each class's instance()), created on first use and never destroyed
// before exit; parameters refer to them without owning them.
class FloatPluginParameterUnit {
public:
    using Conversion = float (*)(float);

    struct Word {
        std::string text;
        float factor;
        Conversion conversion;  // nullptr: identity

        float convert(float number) const {
            float scaled = number * factor;
            return conversion ? conversion(scaled) : scaled;
        }
    };

    virtual ~FloatPluginParameterUnit() = default;
    FloatPluginParameterUnit(const FloatPluginParameterUnit&) = delete;
    FloatPluginParameterUnit& operator=(const FloatPluginParameterUnit&) = delete;

    // Installs the unit's formatting into a display chain (the base installs nothing).
    virtual void apply(ParameterDisplay& display) const;
    // A display value typed as a word alone, without a number (a unit may name positions such as a
    // centre); returns false when the word means nothing to this unit.
    virtual bool parseWordOnly(std::string_view /*word*/, float& /*display*/) const { return false; }

    const std::vector<Word>& getWords() const { return words_; }
    const std::string& getLabel() const;
    // The first word equal to text, ignoring letter case; nullptr when none matches.
    const Word* findWord(std::string_view text) const;

protected:
    explicit FloatPluginParameterUnit(std::vector<Word> words);

private:
    std::vector<Word> words_;
};
