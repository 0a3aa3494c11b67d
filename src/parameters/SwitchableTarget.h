#pragma once

// Something a parameter switches on and off, such as the signal producer of a list item that is
// not in use. Implemented by the signal graph's producers; the parameter layer knows only this.
class SwitchableTarget {
public:
    virtual ~SwitchableTarget() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};
