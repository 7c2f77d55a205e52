#include "app/Companion.h"

#include "Source/System/Clock.h"
#include "Source/System/ConfigStore.h"
#include "Source/System/NamedEvent.h"
#include "app/AsciiCase.h"
#include "app/ToolTrace.h"

namespace devio::app {

namespace {

// How long the companion gets to end by itself, and each process to end once terminated.
constexpr int64_t kShutdownWaitMs = 1000;
constexpr int64_t kTerminateWaitMs = 1000;

const std::string kCompanionName(kCompanionExecutable);

// The profile values written at every start, all zero.
constexpr const char* kZeroDwordValues[] = {"ProfileId", "ResIndex", "ProfileLighting",
                                            "BatteryLighting", "DpiLighting"};

} // namespace

CCompanion::CCompanion(std::string registryKey, ProcessFilter filter)
    : m_registryKey(std::move(registryKey)), m_filter(std::move(filter)) {}

void CCompanion::SignalCompanionShutdown() {
    m_companionPath = FindCompanionPath();
    std::unique_ptr<sys::NamedEvent> shutdown =
        sys::NamedEvent::open(std::string(kCompanionShutdownEvent));
    const bool existed = shutdown != nullptr;
    if (existed) {
        ToolTrace("Setting Shutdown Event...\n");
        shutdown->set();
        shutdown.reset();
        sys::Clock::sleep_ms(kShutdownWaitMs);
        // A companion that stays only keeps its hold on the mouse; what failed is traced.
        static_cast<void>(TerminateCompanion());
    }
    m_restartCompanion = existed;
}

std::optional<std::vector<sys::ProcessEntry>> CCompanion::CompanionProcesses() const {
    std::optional<std::vector<sys::ProcessEntry>> processes = sys::Processes::snapshot();
    if (!processes) {
        ToolTrace("Failed to get a snapshot\n");
        return std::nullopt;
    }
    if (processes->empty()) {
        ToolTrace("Failed to get first process!\n");
        return std::nullopt;
    }
    std::erase_if(*processes, [this](const sys::ProcessEntry& process) {
        return !EqualsIgnoringAsciiCase(std::string_view(process.exe_name), kCompanionExecutable) ||
               (m_filter && !m_filter(process));
    });
    return processes;
}

std::string CCompanion::FindCompanionPath() {
    std::optional<std::vector<sys::ProcessEntry>> companions = CompanionProcesses();
    if (!companions) {
        return {};
    }
    for (const sys::ProcessEntry& process : *companions) {
        std::unique_ptr<sys::ProcessHandle> handle = sys::Processes::open(process.pid);
        if (!handle) {
            ToolTrace("Failed to get process handle!\n");
            continue;
        }
        // The path is already in its ordinary form here: there are no drive device names to
        // turn back into drive letters.
        if (std::optional<std::string> path = handle->image_path(); path && !path->empty()) {
            return *path;
        }
    }
    return {};
}

bool CCompanion::TerminateCompanion() {
    std::optional<std::vector<sys::ProcessEntry>> companions = CompanionProcesses();
    if (!companions) {
        return false;
    }
    for (const sys::ProcessEntry& process : *companions) {
        std::unique_ptr<sys::ProcessHandle> handle = sys::Processes::open(process.pid);
        if (!handle) {
            ToolTrace("Failed to get process handle!\n");
            continue;
        }
        ToolTrace("Terminating %s...\n", kCompanionName.c_str());
        if (!handle->terminate(kTerminateWaitMs)) {
            ToolTrace("Failed to terminate process %s...\n", kCompanionName.c_str());
        }
        handle->wait(kTerminateWaitMs);
    }
    return true;
}

bool CCompanion::SaveToolSettings() {
    sys::ConfigStore store = sys::ConfigStore::user();
    if (!store.create_key(m_registryKey)) {
        return false;
    }
    store.write_binary(m_registryKey, "ProfileData", {});
    for (const char* name : kZeroDwordValues) {
        store.write_dword(m_registryKey, name, 0);
    }
    if (!m_companionPath.empty()) {
        store.write_sz(m_registryKey, std::string(kValueCompanionPath), m_companionPath);
    }
    return true;
}

void CCompanion::CountToolRuns() {
    sys::ConfigStore store = sys::ConfigStore::user();
    const std::string name(kValueRunCount);
    uint32_t runs = store.read_dword(m_registryKey, name).value_or(0);
    store.write_dword(m_registryKey, name, runs + 1);
}

void CCompanion::RestartCompanion() {
    sys::ConfigStore store = sys::ConfigStore::user();
    if (!store.key_exists(m_registryKey)) {
        return;
    }
    if (std::optional<std::string> path =
            store.read_sz(m_registryKey, std::string(kValueCompanionPath));
        path && !path->empty()) {
        sys::Processes::shell_open(*path);
    }
}

} // namespace devio::app
