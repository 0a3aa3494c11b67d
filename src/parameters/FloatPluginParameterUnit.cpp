#include "parameters/FloatPluginParameterUnit.h"

#include "parameters/ParameterText.h"

FloatPluginParameterUnit::FloatPluginParameterUnit(std::vector<Word> words) : words_(std::move(words)) {}

void FloatPluginParameterUnit::apply(ParameterDisplay&) const {}

const std::string& FloatPluginParameterUnit::getLabel() const {
    static const std::string none;
    return words_.empty() ? none : words_.front().text;
}

const FloatPluginParameterUnit::Word* FloatPluginParameterUnit::findWord(std::string_view text) const {
    for (const Word& word : words_) {
        if (equalsIgnoringCase(word.text, text)) return &word;
    }
    return nullptr;
}
