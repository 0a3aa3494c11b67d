#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/aax/sdk/AAX.h"
#include "host/aax/sdk/AAX_Context.h"

class AAX_CParameter;
class AAX_IController;

// Turns host parameter values into packets for the render context: each registered parameter
// posts its value to one data port whenever it changes.
class AAX_CPacketHandler {
public:
    // How a parameter's value becomes packet bytes.
    enum class Encoding { Int32, Float };

    void setController(AAX_IController* controller) { controller_ = controller; }
    void registerPacket(const std::string& parameterId, AAX_Field field, Encoding encoding);
    bool handles(const std::string& parameterId) const;
    // Posts the parameter's packet when it has one: AAX_ERROR_NOT_PRODUCED when there is no
    // controller or the host refused the packet; AAX_SUCCESS when it was posted or none is needed.
    AAX_Result dispatch(const AAX_CParameter& parameter) const;

private:
    struct Entry {
        std::string parameterId;
        AAX_Field field;
        Encoding encoding;
    };
    std::vector<Entry> entries_;
    AAX_IController* controller_ = nullptr;
};
