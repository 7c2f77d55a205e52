// The tool's slash options ("/FORCE", "/SKIPDEVICE", "/LOG", "/FORCEDIR=", "/FAILDEVICE=") and
// the process-wide values they set. Read on the application's thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace devio::app {

struct CToolOptions {
    // The version check always finds that an update is needed ("/FORCE" or a non-empty
    // "/FORCEDIR=").
    bool forceUpdate = false;
    // The bootloader gets no image: it is restarted at once ("/SKIPDEVICE").
    bool skipDevice = false;
    // The trace is also written to the log file ("/LOG").
    bool logToFile = false;
    // Folder searched for the firmware images before the built-in ones ("/FORCEDIR=").
    std::wstring firmwareFolder;
    // Stored and otherwise unused ("/FAILDEVICE=").
    int32_t failDevice = 0;

    // Applies `argv[0]` to `argv[argc - 1]` in order; later arguments override earlier ones and
    // arguments that match no option are ignored. False when `argc` is not positive or `argv` is
    // absent; the options are then unchanged.
    bool ParseCommandLine(int argc, const wchar_t* const* argv);
};

// The options of this process.
CToolOptions& ToolOptions();

// Reads a signed decimal number as the C runtime does (leading white space, an optional sign,
// digits up to the first non-digit); empty when there is no digit or the value does not fit.
std::optional<int32_t> ParseSignedDecimal(std::wstring_view text);

} // namespace devio::app
