#include "Source/xLog.h"

#include "Source/XLogCore.h"

namespace devio {

namespace {

// The process's log, set up by the first call of the process. Function-local static
// initialisation makes concurrent first calls wait until the setup is complete, so that no message
// is filtered under a partial configuration. The log is never destroyed, so that it can be used
// during static destruction.
XLogCore& process_log() {
    static XLogCore* log = new XLogCore(XLogSetup::for_process());
    return *log;
}

} // namespace

bool xLogWrite(const char* tag, int level, const char* function, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    bool result = process_log().vwrite(tag, level, function, format, arguments);
    va_end(arguments);
    return result;
}

bool xLogWriteV(const char* tag, int level, const char* function, const char* format,
                va_list arguments) {
    return process_log().vwrite(tag, level, function, format, arguments);
}

bool xAssert(bool condition, const char* expression, const char* source_file, int line) {
    if (condition) {
        return false;
    }
    xLogWrite("xlog", kLogError, "devio::xAssert", "%s(%d): ASSERT FAILURE! Expression: %s\n",
              source_file, line, expression);
    return true;
}

} // namespace devio
