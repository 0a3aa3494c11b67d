#pragma once
#include <algorithm>

class PropertyBase;

// Receives a notification after one of its bound properties took a new value.
class PropertyOwner {
public:
    virtual ~PropertyOwner() = default;
    virtual void propertyChanged(PropertyBase* property) = 0;
};

class PropertyBase {
public:
    explicit PropertyBase(PropertyOwner* owner) : owner_(owner) {}
    virtual ~PropertyBase() = default;
    PropertyOwner* getOwner() const { return owner_; }
    void setOwner(PropertyOwner* owner) { owner_ = owner; }

protected:
    void notify() {
        if (owner_) owner_->propertyChanged(this);
    }

private:
    PropertyOwner* owner_;
};

// An observable value. set() stores a different value and tells the owner.
template <class T>
class Property : public PropertyBase {
public:
    explicit Property(PropertyOwner* owner = nullptr, T initial = T()) : PropertyBase(owner), value_(initial) {}

    const T& get() const { return value_; }
    operator const T&() const { return value_; }

    // Returns true when the value changed (and the owner was told).
    bool set(const T& value) {
        if (value_ == value) return false;
        value_ = value;
        notify();
        return true;
    }
    // Stores without telling the owner (construction and state restore).
    void setSilently(const T& value) { value_ = value; }

private:
    T value_;
};

// An observable value limited to [minimum, maximum].
template <class T>
class LimitedProperty : public PropertyBase {
public:
    LimitedProperty(PropertyOwner* owner, T initial, T minimum, T maximum)
        : PropertyBase(owner), minimum_(minimum), maximum_(maximum), value_(std::clamp(initial, minimum, maximum)) {}

    const T& get() const { return value_; }
    operator const T&() const { return value_; }
    T getMinimum() const { return minimum_; }
    T getMaximum() const { return maximum_; }
    void setLimits(T minimum, T maximum) {
        minimum_ = minimum;
        maximum_ = maximum;
        value_ = std::clamp(value_, minimum_, maximum_);
    }

    // Limits the value, stores it when it differs and tells the owner.
    bool set(T value) {
        if (!(value >= minimum_)) value = minimum_;  // also maps NaN to the minimum
        if (value > maximum_) value = maximum_;
        if (value == value_) return false;
        value_ = value;
        notify();
        return true;
    }

private:
    T minimum_;
    T maximum_;
    T value_;
};

// An object whose changes can be batched: between beginUpdate and the matching endUpdate,
// changes are only recorded; closing the outermost batch calls updated() once if anything changed.
class UpdatedObject {
public:
    virtual ~UpdatedObject() = default;

    void beginUpdate() { ++depth_; }
    void endUpdate() {
        if (depth_ > 0 && --depth_ == 0 && pending_) {
            pending_ = false;
            updated();
        }
    }
    bool isUpdating() const { return depth_ > 0; }

protected:
    // Call after a change; notifies at once outside a batch.
    void changed() {
        if (depth_ > 0) {
            pending_ = true;
        } else {
            updated();
        }
    }
    virtual void updated() = 0;

private:
    int depth_ = 0;
    bool pending_ = false;
};
