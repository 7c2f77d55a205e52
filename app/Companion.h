// The maker's companion configuration software around an update, and the tool's own registry
// values: the companion is asked to shut down through its named event when the dialog starts, any
// process of it that is left is terminated, and it is started again from the stored path when the
// tool ends. The registry values (under the tool's key) hold that path, a start counter and the
// profile values written at every start.
//
// Runs on the dialog's thread; every failure is only traced and the update goes on.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "Source/System/Processes.h"

namespace devio::app {

// The companion's executable and its shutdown event.
inline constexpr std::string_view kCompanionExecutable = "Hubrix.exe";
inline constexpr std::string_view kCompanionShutdownEvent = "Global\\Hubrix_1.00_GlobalShutdown";

// The registry value names of the tool's key.
inline constexpr std::string_view kValueCompanionPath = "HubrixPath";
inline constexpr std::string_view kValueRunCount = "NumRetries";

class CCompanion {
public:
    // Which of the processes named kCompanionExecutable count: every one, unless a test narrows
    // them down to its own stand-ins so that tests running side by side never meet.
    using ProcessFilter = std::function<bool(const sys::ProcessEntry&)>;

    // `registryKey`: the tool's key below the per-user root.
    explicit CCompanion(std::string registryKey, ProcessFilter filter = {});

    // Finds the running companion's path, then, when its shutdown event exists, sets it, waits a
    // second and terminates whatever is left of it. Restart-companion becomes whether the event
    // existed.
    void SignalCompanionShutdown();
    // The full executable path of the first companion process whose path can be read; empty when
    // none runs.
    std::string FindCompanionPath();
    // Terminates every companion process (each gets a second to end); false only when the
    // process list cannot be taken.
    [[nodiscard]] bool TerminateCompanion();
    // Writes the profile values and, when a companion was found, its path. False when the key
    // cannot be created.
    [[nodiscard]] bool SaveToolSettings();
    // Counts this start in "NumRetries".
    void CountToolRuns();
    // Starts the companion from the stored "HubrixPath", if there is one.
    void RestartCompanion();

    const std::string& CompanionPath() const { return m_companionPath; }
    // Whether closing the tool starts the companion again; true until SignalCompanionShutdown.
    bool RestartRequested() const { return m_restartCompanion; }
    void SetRestartRequested(bool restart) { m_restartCompanion = restart; }

private:
    // The companion processes now; empty after a traced failure.
    std::optional<std::vector<sys::ProcessEntry>> CompanionProcesses() const;

    std::string m_registryKey;
    ProcessFilter m_filter;
    std::string m_companionPath;
    bool m_restartCompanion = true;
};

} // namespace devio::app
