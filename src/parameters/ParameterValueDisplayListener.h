#pragma once

// Implemented by the editor: shows the value read-out of the control bound to a parameter
// (for example while the parameter is moved from elsewhere).
class ParameterValueDisplayListener {
public:
    virtual ~ParameterValueDisplayListener() = default;
    virtual void showParameterValue(int index, float value) = 0;
    // Whether the listener shows read-outs at all.
    virtual bool showsParameterValues() { return true; }
};
