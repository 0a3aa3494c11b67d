#pragma once
#include <string>
#include <vector>

#include "parameters/AbstractPluginParameter.h"
#include "parameters/GenericParameterOwner.h"
#include "platform/Property.h"

// A parameter owner that numbers its parameters in creation order and records every
// setParameter call, so tests can see what a parameter reported.
class RecordingOwner : public GenericParameterOwner {
public:
    struct Call {
        int id;
        float value;
        int flags;
    };

    void beginUpdate() override { ++updateDepth; }
    void endUpdate() override { --updateDepth; }
    AbstractPluginParameter* getParameter(int index) override { return parameters.at(static_cast<size_t>(index)); }
    int getGroupIndex() override { return 0; }
    int getNumParameters() override { return static_cast<int>(parameters.size()); }
    void setParameter(int id, float value, int flags) override { calls.push_back({id, value, flags}); }
    int addParameter(AbstractPluginParameter* parameter) override {
        parameters.push_back(parameter);
        return static_cast<int>(parameters.size()) - 1;
    }
    int registerName(const std::string& name) override {
        names.push_back(name);
        return static_cast<int>(names.size()) - 1;
    }

    std::vector<AbstractPluginParameter*> parameters;
    std::vector<std::string> names;
    std::vector<Call> calls;
    int updateDepth = 0;
};

// Counts propertyChanged notifications per property.
class CountingPropertyOwner : public PropertyOwner {
public:
    void propertyChanged(PropertyBase* property) override { changed.push_back(property); }
    std::vector<PropertyBase*> changed;
};
