#pragma once
// A plug-in for preset tests: parameters with their own ranges and non-zero defaults that limit
// values to their range (as the product's parameters do), and an indexed parameter.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"

class RangedParameter : public AbstractPluginParameter {
public:
    RangedParameter(GenericParameterOwner* o, const std::string& n, float lo, float hi, float def, bool indexed = false)
        : AbstractPluginParameter(o, indexed ? 1 : 0, n), lo_(lo), hi_(hi), default_(def), value_(def) {}
    float normalize(float v) override { return (v - lo_) / (hi_ - lo_); }
    float denormalize(float n) override { return lo_ + n * (hi_ - lo_); }
    bool parseText(const std::string&, float&) override { return false; }
    std::string formatValue(float v) override { return std::to_string(v); }
    float getDefaultValue() override { return default_; }
    float getMaximum() override { return hi_; }
    float getMinimum() override { return lo_; }
    float getValue() override { return value_; }
    void setValue(float v, int flags) override {
        v = std::clamp(v, lo_, hi_);
        if (isDiscrete()) v = static_cast<float>(static_cast<int>(v + 0.5f));
        if (v == value_) return;
        value_ = v;
        ++setCount;
        owner->setParameter(id, v, flags);
    }
    bool isNumeric() override { return !isDiscrete(); }
    int setCount = 0;

private:
    float lo_, hi_, default_, value_;
};

class RangedTestPlugin : public GenericPlugin {
public:
    // Parameter i: range [-10 - i, 100 + i], default 1 + i; every fourth one is an index 0..7
    // with default 2.
    explicit RangedTestPlugin(int numParams = 8, std::string id = "ZKt1") : GenericPlugin(2, {.name = "Test", .pluginId = id}) {
        for (int i = 0; i < numParams; ++i) {
            std::string name = i % 4 == 3 ? "Index" : "P";
            name += std::to_string(i);
            if (i % 4 == 3)
                params.push_back(std::make_unique<RangedParameter>(this, name, 0.0f, 7.0f, 2.0f, true));
            else
                params.push_back(std::make_unique<RangedParameter>(this, name, -10.0f - i, 100.0f + i, 1.0f + i));
        }
        init();
    }

    RangedParameter& param(int i) { return *params[static_cast<size_t>(i)]; }
    std::vector<float> values() {
        std::vector<float> v;
        for (auto& p : params) v.push_back(p->getValue());
        return v;
    }
    std::vector<float> defaults() {
        std::vector<float> v;
        for (auto& p : params) v.push_back(p->getDefaultValue());
        return v;
    }

    std::vector<std::unique_ptr<RangedParameter>> params;
};
