#include "Source/Features/DfuControlCommon.h"

#include <string>

#include "Source/Log/xLog.h"

namespace devio {

void log_unexpected_dfu_control_response(const char* class_name, unsigned function,
                                         unsigned software_id) {
    std::string location = std::string("devio::") + class_name + "::onUnexpectedResponse";
    xLogWrite(class_name, kLogInfo, location.c_str(),
              "%s::onUnexpectedResponse(func=%d, swid=0x%x)", class_name,
              static_cast<int>(function), software_id);
}

} // namespace devio
