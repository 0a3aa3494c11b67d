#pragma once
#include <string>

#include "parameters/GenericParameterOwner.h"

// Base of every value the host automates, presets store and the editor shows. A parameter's id is
// its index in the plug-in's parameter list. setValue() may be called from any non-audio thread;
// applyValue() runs on the audio thread only.
class AbstractPluginParameter {
public:
    // The outcome of reading typed text (readText).
    enum class TextVerdict {
        Accepted,
        NotAValue,   // no value of this parameter: no number, an unknown word or name, trailing text
        OutOfRange,  // a readable value outside the parameter's range
    };

    // Registers with the owner (which assigns the id).
    AbstractPluginParameter(GenericParameterOwner* owner, int discrete, const std::string& name);
    virtual ~AbstractPluginParameter() = default;
    AbstractPluginParameter(const AbstractPluginParameter&) = delete;
    AbstractPluginParameter& operator=(const AbstractPluginParameter&) = delete;

    virtual float displayToValue(float d) { return d; }
    virtual float valueToDisplay(float v) { return v; }
    virtual float normalize(float v) = 0;
    virtual float normalizeForVersion(float v, int /*version*/) { return normalize(v); }
    virtual float denormalize(float n) = 0;
    // Typed text to a value; false when the text is refused.
    virtual bool parseText(const std::string& text, float& out) = 0;
    // parseText() that also says why text was refused. Hosts, the editor and the renderer all go
    // through the same reading; the base knows only parseText().
    virtual TextVerdict readText(const std::string& text, float& out) {
        return parseText(text, out) ? TextVerdict::Accepted : TextVerdict::NotAValue;
    }
    // What typed text may be, for refusal messages: a range ("4.811 Hz .. 75616 Hz") or names.
    virtual std::string acceptedText();
    virtual bool denormalizeForVersion(float n, int /*version*/, float& out) {
        out = denormalize(n);
        return true;
    }
    virtual std::string formatValue(float v) = 0;
    virtual float getDefaultValue() = 0;
    virtual int getVersionLimit(int /*version*/) { return -1; }
    virtual float getMaximum() = 0;
    virtual float getMinimum() = 0;
    virtual float getValue() = 0;
    virtual void setValue(float v, int flags) = 0;
    virtual bool isNumeric() = 0;
    virtual void applyValue(float /*v*/) {}

    int isAutomatable() const { return automatable; }
    void setAutomatable(int a) { automatable = a; }
    const std::string& getName() const { return name; }
    int getId() const { return id; }
    const std::string& getHostName() const { return hostName; }
    void setHostName(const std::string& n) { hostName = n; }
    const std::string& getHelpText() const { return helpText; }
    void setHelpText(const std::string& t) { helpText = t; }
    GenericParameterOwner* getOwner() const { return owner; }
    bool isDiscrete() const { return discrete != 0; }

protected:
    int automatable = 1;
    std::string name;
    int id = -1;
    std::string hostName;
    std::string helpText;
    GenericParameterOwner* owner;
    int discrete;
};
