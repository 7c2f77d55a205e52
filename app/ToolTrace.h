// The update tool's own trace: one line per event of an update, each prefixed with the seconds
// since the process started ("%09.3f: "). Every line goes to the debugger output; after
// BeginToolLogRun (the "/LOG" option) it is also appended to the tool's log file.
//
// Text convention: formats and arguments are UTF-8 with narrow printf conversions, so "%s" takes a
// const char* in UTF-8; the log file receives the same text as UTF-16LE.
#pragma once

#include <string>
#include <string_view>

namespace devio::app {

// Name of the log file in the user's Documents folder.
inline constexpr std::string_view kToolLogFileName = "VantorFirmwareUpdate.log";
// Longest message part of a line, in characters; longer messages are cut there (a final line
// feed is kept).
inline constexpr size_t kMaxTraceMessageLength = 1012;

// Formats one message and writes it as a trace line.
void ToolTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The line for `message` traced `seconds` after start: the prefix, then the message.
std::string FormatToolTraceLine(double seconds, std::string_view message);

// Opens or creates the log file at `path` (see CToolLogFile::Open); false when it cannot be opened.
[[nodiscard]] bool OpenToolLog(const std::string& path);

// The start of a run with "/LOG": opens "VantorFirmwareUpdate.log" in the Documents folder and
// traces the header of the run (an empty line, the local date and time in brackets, an empty
// line). Without a Documents folder, or with one that fails SecureFolder's check, there is no file
// and no header; a file that cannot be opened (a symbolic link among them) leaves the header in the
// debugger output only. True when the file is open; nothing is shown to the user either way.
[[nodiscard]] bool BeginToolLogRun();

} // namespace devio::app
