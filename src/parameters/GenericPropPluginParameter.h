#pragma once
#include <algorithm>
#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "parameters/GenericParameterOwner.h"

// A parameter that pushes every applied value into bound observable properties (not owned).
// P is Property<T> or LimitedProperty<float>; Base provides appliedValue(v), the value the
// properties receive. A property whose value changes tells its owner (propertyChanged).
//
// Threads: bind/unbind during set-up; applyValue on the audio thread.
template <class P, class Base>
class GenericPropPluginParameter : public Base {
public:
    GenericPropPluginParameter(GenericParameterOwner* owner_, const std::string& name_) : Base(owner_, name_) {}

    // Binds a property once (a second bind of the same property is ignored).
    void bind(P* property) {
        if (property && std::find(properties.begin(), properties.end(), property) == properties.end()) {
            properties.push_back(property);
        }
    }
    void unbind(P* property) { properties.erase(std::remove(properties.begin(), properties.end(), property), properties.end()); }
    const std::vector<P*>& getProperties() const { return properties; }

    void applyValue(float v) override {
        const auto m = this->appliedValue(v);
        if constexpr (std::is_floating_point_v<std::remove_cv_t<decltype(m)>>) {
            if (!std::isfinite(m)) return;  // a broken curve never reaches the consumers
        }
        for (P* property : properties) property->set(m);
    }

protected:
    std::vector<P*> properties;
};
