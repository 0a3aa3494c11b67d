#pragma once
#include <string>
#include <utility>

#include "host/aax/sdk/AAX_IDisplayDelegate.h"

// Shows a two-state value as one of two words, and reads either word (or "1"/"0") back.
class AAX_CBinaryDisplay final : public AAX_IDisplayDelegate {
public:
    AAX_CBinaryDisplay(std::string trueText, std::string falseText)
        : trueText_(std::move(trueText)), falseText_(std::move(falseText)) {}
    std::string valueToString(double value) const override { return value >= 0.5 ? trueText_ : falseText_; }
    bool stringToValue(const std::string& text, double& value) const override {
        if (text == trueText_ || text == "1") {
            value = 1.0;
        } else if (text == falseText_ || text == "0") {
            value = 0.0;
        } else {
            return false;
        }
        return true;
    }

private:
    std::string trueText_;
    std::string falseText_;
};
