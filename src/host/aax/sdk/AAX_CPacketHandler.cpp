#include "host/aax/sdk/AAX_CPacketHandler.h"

#include "host/aax/sdk/AAX_CParameter.h"
#include "host/aax/sdk/AAX_IController.h"

void AAX_CPacketHandler::registerPacket(const std::string& parameterId, AAX_Field field, Encoding encoding) {
    entries_.push_back({parameterId, field, encoding});
}

bool AAX_CPacketHandler::handles(const std::string& parameterId) const {
    for (const Entry& e : entries_) {
        if (e.parameterId == parameterId) return true;
    }
    return false;
}

AAX_Result AAX_CPacketHandler::dispatch(const AAX_CParameter& parameter) const {
    for (const Entry& e : entries_) {
        if (e.parameterId != parameter.id()) continue;
        if (!controller_) return AAX_ERROR_NOT_PRODUCED;
        AAX_Result result;
        if (e.encoding == Encoding::Int32) {
            const int32_t v = static_cast<int32_t>(parameter.value());
            result = controller_->postPacket(e.field, &v, sizeof v);
        } else {
            const float v = static_cast<float>(parameter.value());
            result = controller_->postPacket(e.field, &v, sizeof v);
        }
        if (result != AAX_SUCCESS) return AAX_ERROR_NOT_PRODUCED;
    }
    return AAX_SUCCESS;
}
