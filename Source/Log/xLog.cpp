#include "Source/Log/xLog.h"

#include "Source/Log/XLogCore.h"

namespace devio {

namespace {

// Runs what destroying the log's buffers does (a last line, shutdown) when static objects are
// destroyed at the end of the process.
struct ProcessLogTeardown {
    XLogCore& log;
    ~ProcessLogTeardown() { log.buffers().end_of_process(); }
};

XLogCore* make_process_log() {
    auto* log = new XLogCore(XLogSetup::for_process());
    // Constructed inside the first logging call, so destroyed after the static objects that were
    // complete before it (the facade among them) and before those that log later.
    static ProcessLogTeardown teardown{*log};
    return log;
}

} // namespace

XLogCore& XLogCore::process() {
    // Function-local static initialisation makes concurrent first calls wait until the setup is
    // complete, so that no message is filtered under a partial configuration. The log itself is
    // never destroyed: it stays usable, in direct mode, during static destruction.
    static XLogCore* log = make_process_log();
    return *log;
}

bool xLogWrite(const char* tag, int level, const char* function, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    bool result = XLogCore::process().vwrite(tag, level, function, format, arguments);
    va_end(arguments);
    return result;
}

bool xLogWriteV(const char* tag, int level, const char* function, const char* format,
                va_list arguments) {
    return XLogCore::process().vwrite(tag, level, function, format, arguments);
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
