#include "Source/Log/xLog.h"

#include <cstdio>

#include "Source/Log/XLogCore.h"
#include "Source/System/SecureFolder.h"

namespace devio {

namespace {

// Runs what destroying the log's buffers does (a last line, shutdown) when static objects are
// destroyed at the end of the process.
struct ProcessLogTeardown {
    XLogCore& log;
    ~ProcessLogTeardown() { log.buffers().end_of_process(); }
};

// A refused folder of the library's or the tool's own files, told in the log once it exists; the
// folders refused while it is being set up (its own among them) have gone to standard error.
void report_refused_folder(const std::string& folder, const std::string& reason) {
    const XLogConfig& config = XLogCore::process().config();
    if (!config.enabled || config.outputs == 0) {
        std::fprintf(stderr, "devio: folder %s is not used: %s\n", folder.c_str(), reason.c_str());
        return;
    }
    xLogWrite("xlog", kLogError, "devio::SecureFolder::use", "Folder %s is not used: %s",
              folder.c_str(), reason.c_str());
}

XLogCore* make_process_log() {
    auto* log = new XLogCore(XLogSetup::for_process());
    sys::SecureFolder::set_reporter(&report_refused_folder);
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
