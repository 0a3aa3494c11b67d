#pragma once
#include <cstdint>

// Numbered properties of a component (ids and meanings are the host's); values are integers,
// four-character codes included.
class AAX_IPropertyMap {
public:
    virtual void addProperty(int32_t id, int64_t value) = 0;
    // False when the property was never added.
    virtual bool getProperty(int32_t id, int64_t* value) const = 0;

protected:
    virtual ~AAX_IPropertyMap() = default;
};
