// xLog, the library's diagnostic log: one call that writes a levelled, tagged message to standard
// output, the debugger output and the process's log file, as the per-user configuration under
// "SOFTWARE\Varkon\xLog\devio\<executable file name>" decides.
//
// Callable from any thread at any time: before the first call has finished initialising the log
// on another thread, and after the log has been shut down, during static destruction included.
#pragma once

#include <cstdarg>

namespace devio {

// Message levels; a level of 5 or more counts as VERBOSE.
inline constexpr int kLogError = 0;
inline constexpr int kLogWarning = 1;
inline constexpr int kLogInfo = 2;
inline constexpr int kLogDebug = 3;
inline constexpr int kLogVerbose = 4;

// Logs one message. `tag` names the logging part ("Device", "Devio", "Untagged"); a message that
// begins with "-word- " is logged under that word instead. `function` is the caller's qualified
// name ("devio::DeviceManager::makeDevice"; a return type and an argument list are trimmed).
// Returns false only when the message was meant for the log file and the file buffer overran.
bool xLogWrite(const char* tag, int level, const char* function, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
bool xLogWriteV(const char* tag, int level, const char* function, const char* format,
                va_list arguments) __attribute__((format(printf, 4, 0)));

// When `condition` holds, returns false. Otherwise logs an ERROR "<file>(<line>): ASSERT FAILURE!
// Expression: <expression>" under tag "xlog" and returns true (the caller may break into a
// debugger). It never stops the process.
bool xAssert(bool condition, const char* expression, const char* source_file, int line);

} // namespace devio
