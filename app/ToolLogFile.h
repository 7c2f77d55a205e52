// The tool's log file: the trace lines of every run with "/LOG", appended to one file in UTF-16
// little-endian with a byte-order mark at its start and CR LF line ends, the form in which support
// receives and reads these logs.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "Source/System/ThreadAnnotations.h"

namespace devio::app {

class CToolLogFile {
public:
    CToolLogFile() = default;
    ~CToolLogFile();
    CToolLogFile(const CToolLogFile&) = delete;
    CToolLogFile& operator=(const CToolLogFile&) = delete;

    // The one log file of the process. Never destroyed, so that a trace line written while static
    // objects are torn down still finds it; the system closes the file when the process ends.
    static CToolLogFile& Instance();

    // Closes any open file, then opens or creates `path`. An empty file gets the byte-order mark
    // FF FE; an existing one is appended to. False (errno in last_system_error) when the file
    // cannot be opened: tracing then continues to the debugger output only.
    [[nodiscard]] bool Open(const std::string& path);
    void Close();
    bool IsOpen() const;

    // Writes `text` (UTF-8) as UTF-16LE, each line feed as CR LF, straight to the file. Does
    // nothing without an open file. Thread-safe.
    void Write(std::string_view text);

private:
    mutable sys::Mutex m_mutex;
    int m_fd DEVIO_GUARDED_BY(m_mutex) = -1;
};

} // namespace devio::app
