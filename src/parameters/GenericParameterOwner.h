#pragma once
#include <string>

class AbstractPluginParameter;

// What owns parameters: the plug-in itself or a parameter set. Parameters call addParameter()
// once, in their constructor; sets forward to the plug-in, so ids follow construction order.
class GenericParameterOwner {
public:
    // Flags of a value change (setParameter, and a parameter's setValue).
    enum ChangeFlags : int {
        kFromHost = 1,  // the change comes from the host and is not reported back to it
    };

    virtual ~GenericParameterOwner() = default;
    virtual void beginUpdate() = 0;
    virtual void endUpdate() = 0;
    virtual AbstractPluginParameter* getParameter(int index) = 0;
    virtual int getGroupIndex() = 0;
    virtual int getNumParameters() = 0;
    // flags: ChangeFlags, 0 for none.
    virtual void setParameter(int id, float value, int flags) = 0;
    virtual int addParameter(AbstractPluginParameter* parameter) = 0;
    virtual int registerName(const std::string& name) = 0;
};
