#pragma once
#include <string>
#include <vector>

#include "engine/GenericPlugin.h"
#include "parameters/AbstractPluginParameter.h"

// An ordered set of parameters stored together: the full state (every parameter in id order) or a
// section preset. Value i of a file belongs to the i-th parameter. The magic written and expected
// is the collection's own when it has one, else the plug-in id.
class ParameterCollection {
public:
    explicit ParameterCollection(GenericPlugin& plugin, std::string magic = std::string())
        : plugin_(&plugin), magic_(std::move(magic)) {}

    // Every parameter of the plug-in in id order.
    static ParameterCollection allParameters(GenericPlugin& plugin);

    void add(AbstractPluginParameter* parameter) { parameters_.push_back(parameter); }
    void add(const std::vector<AbstractPluginParameter*>& parameters) {
        parameters_.insert(parameters_.end(), parameters.begin(), parameters.end());
    }

    int size() const { return static_cast<int>(parameters_.size()); }
    AbstractPluginParameter* operator[](int i) const { return parameters_[static_cast<size_t>(i)]; }
    const std::vector<AbstractPluginParameter*>& parameters() const { return parameters_; }
    GenericPlugin& plugin() const { return *plugin_; }
    std::string getMagic() const { return magic_.empty() ? plugin_->productInfo().pluginId : magic_; }
    bool hasOwnMagic() const { return !magic_.empty(); }

private:
    GenericPlugin* plugin_;
    std::string magic_;
    std::vector<AbstractPluginParameter*> parameters_;
};
