// Whole runs of the update dialog against the built-in virtual receiver and mouse, in this process
// and on a small time scale: the dialog is driven as in unattended mode, and each run is checked
// by the states it went through (its trace), the texts it showed and the mouse as it ended.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Source/Manager/CDevio.h"
#include "Source/System/Clock.h"
#include "Source/System/DebugOutput.h"
#include "Source/Windows/Win32SystemChoice.h"
#include "app/CompanionStandIn.h"
#include "app/LoadMessage.h"
#include "app/ProductSettings.h"
#include "app/ProfileCrc.h"
#include "app/SimulatedWorld.h"
#include "app/TextIds.h"
#include "app/ToolOptions.h"
#include "app/ToolOutcome.h"
#include "app/UnattendedDriver.h"
#include "app/VantorDFUDlg.h"
#include "app/ui/DialogHost.h"
#include "firmware/FirmwareResources.h"
#include "support/HostileFolder.h"
#include "support/ScopedTimeScale.h"
#include "support/TempDir.h"
#include "support/WaitFor.h"

namespace devio::app {
namespace {

using Dlg = CVantorDFUDlg;

// The unattended driver with a test's hooks: answers to the profile question in turn (Yes once
// they are used up) and an action when a state is entered for the first time.
class TestDriver : public CUnattendedDriver {
public:
    TestDriver(int waitSeconds, std::shared_ptr<int> status, std::vector<int> answers,
               std::function<bool(ui::CDialogHost&, int)> onState)
        : CUnattendedDriver(waitSeconds, std::move(status)), m_answers(std::move(answers)),
          m_onState(std::move(onState)) {}

    void OnOpen(ui::CDialogHost& host) override {
        m_host = &host;
        CUnattendedDriver::OnOpen(host);
    }
    void OnChange(const ui::CDialogHost& host, const ui::DialogChange& change) override {
        // A hook that handles a state keeps the driver from acting until the next state.
        if (change.kind == ui::ChangeKind::State && m_onState && host.DialogState()) {
            m_held = m_onState(*m_host, *host.DialogState());
        }
        if (!m_held) {
            CUnattendedDriver::OnChange(host, change);
        }
        if (m_onChange) {
            m_onChange(host);
        }
    }
    void OnMessageBoxOpened(const ui::CDialogHost&, const ui::MessageBoxRequest&) override {
        if (m_onBox && m_onBox(*m_host)) {
            return;
        }
        int answer = m_next < m_answers.size() ? m_answers[m_next++] : ui::kIdYes;
        m_host->AnswerMessageBox(answer);
    }

private:
    ui::CDialogHost* m_host = nullptr;
    std::vector<int> m_answers;
    size_t m_next = 0;
    bool m_held = false;

public:
    std::function<void(const ui::CDialogHost&)> m_onChange;
    // Runs when the question opens; true when it took the place of the answer.
    std::function<bool(ui::CDialogHost&)> m_onBox;

private:
    std::function<bool(ui::CDialogHost&, int)> m_onState;
};

struct RunResult {
    std::vector<int> states; // the states switched to, in order
    std::vector<std::string> trace;
    int exitStatus = -1;
    int finalState = -1;
    std::string status; // the status text at the end
    bool closeShown = false;
    sim::MouseState mouse;
    sim::ProfileMemory::Sector sector1AtStart{};

    bool Traced(std::string_view text) const {
        return std::any_of(trace.begin(), trace.end(),
                           [&](const std::string& line) { return line.find(text) != line.npos; });
    }
    size_t CountTraced(std::string_view text) const {
        return static_cast<size_t>(
            std::count_if(trace.begin(), trace.end(),
                          [&](const std::string& line) { return line.find(text) != line.npos; }));
    }
    // Whether `expected` occurs in the states in this order (other states may come between).
    bool WentThrough(const std::vector<int>& expected) const {
        auto at = states.begin();
        for (int state : expected) {
            at = std::find(at, states.end(), state);
            if (at == states.end()) {
                return false;
            }
            ++at;
        }
        return true;
    }
};

std::string StatesText(const std::vector<int>& states) {
    std::string text;
    for (int state : states) {
        text += std::to_string(state) + " ";
    }
    return text;
}

std::vector<uint8_t> BuiltIn(uint32_t id) {
    auto bytes = firmware::FindFirmwareResource(id);
    return {bytes.begin(), bytes.end()};
}

// Sector 1 as the tool rewrites it: its two pairs of 4-byte entries exchanged, bytes 240 to 252
// erased, a new CRC.
sim::ProfileMemory::Sector RepairedSector(sim::ProfileMemory::Sector sector) {
    std::swap_ranges(sector.begin() + 44, sector.begin() + 48, sector.begin() + 48);
    std::swap_ranges(sector.begin() + 108, sector.begin() + 112, sector.begin() + 112);
    std::fill(sector.begin() + 240, sector.end(), 0xFF);
    uint16_t crc = ProfileCrc(std::span<const uint8_t>(sector.data(), 253));
    sector[253] = static_cast<uint8_t>(crc >> 8);
    sector[254] = static_cast<uint8_t>(crc & 0xFF);
    return sector;
}

struct RunSetup {
    std::vector<std::wstring> arguments;
    sim::MouseOptions mouse = CSimulatedWorld::DefaultMouse(sim::FirmwareVersion::from(8, 6, 27));
    bool customProfile = true;
    bool noReceiver = false;
    int waitSeconds = 60;
    std::vector<int> answers;
    // The companion processes that count: none unless a row starts its own.
    CCompanion::ProcessFilter companion = [](const sys::ProcessEntry&) { return false; };
    // Runs in the world before the dialog starts (faults).
    std::function<void(CSimulatedWorld&)> prepare;
    // Runs when a state is entered; true when it took the place of the driver's action.
    std::function<bool(CSimulatedWorld&, ui::CDialogHost&, int)> onState;
    // Runs after every visible change.
    std::function<void(CSimulatedWorld&, const ui::CDialogHost&)> onChange;
    // Runs when the profile question opens; true when it took the place of the answer.
    std::function<bool(CSimulatedWorld&, ui::CDialogHost&)> onBox;
};

class UpdateRun : public ::testing::Test {
protected:
    void SetUp() override {
        ToolOptions() = CToolOptions{};
        ToolOutcome() = CToolOutcome{};
    }
    void TearDown() override {
        ToolOptions() = CToolOptions{};
        ToolOutcome() = CToolOutcome{};
    }

    RunResult Run(const RunSetup& setup) {
        RunResult result;
        std::vector<const wchar_t*> argv;
        for (const std::wstring& argument : setup.arguments) {
            argv.push_back(argument.c_str());
        }
        if (!argv.empty()) {
            ToolOptions().ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        }
        CDevio::instance().reset();
        std::optional<CSimulatedWorld> world;
        if (setup.noReceiver) {
            auto empty = std::make_shared<sim::VirtualHidSystem>();
            Win32SystemChoice::choose([empty] { return empty; });
        } else {
            world.emplace(setup.mouse, setup.customProfile);
            if (setup.prepare) {
                setup.prepare(*world);
            }
            result.sector1AtStart = world->Mouse().state().sectors[1];
        }
        sys::DebugOutputCapture capture;
        {
            auto status = std::make_shared<int>(-1);
            std::function<bool(ui::CDialogHost&, int)> onState;
            if (setup.onState) {
                onState = [&](ui::CDialogHost& host, int state) {
                    return setup.onState(*world, host, state);
                };
            }
            auto driver = std::make_unique<TestDriver>(setup.waitSeconds, status, setup.answers,
                                                       std::move(onState));
            if (setup.onChange) {
                driver->m_onChange = [&](const ui::CDialogHost& host) {
                    setup.onChange(*world, host);
                };
            }
            if (setup.onBox) {
                driver->m_onBox = [&](ui::CDialogHost& host) { return setup.onBox(*world, host); };
            }
            std::vector<std::unique_ptr<ui::IDialogView>> views;
            views.push_back(std::move(driver));
            Dlg dialog(std::move(views), CCompanion(BuildRegistryKeyPath(), setup.companion));
            EXPECT_TRUE(dialog.RunModal());
            result.exitStatus = *status;
            result.finalState = dialog.State();
            result.status = dialog.Host().GetDlgItemText(Dlg::IDC_STATUS);
            result.closeShown = dialog.Host().IsControlVisible(Dlg::IDC_CLOSE);
        }
        // The library lets go of the virtual world before it goes.
        CDevio::instance().reset();
        if (world) {
            result.mouse = world->Mouse().state();
        }
        world.reset();
        Win32SystemChoice::choose({});
        for (const std::string& text : capture.texts()) {
            result.trace.push_back(text);
            int from = 0;
            int to = 0;
            size_t at = text.find("SwitchToState() called from ");
            if (at != text.npos &&
                std::sscanf(text.c_str() + at, "SwitchToState() called from %d to %d", &from,
                            &to) == 2) {
                result.states.push_back(to);
            }
        }
        return result;
    }

    test::ScopedTimeScale scale_{0.01};
    test::TempDir dir_;
    test::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.file("config").c_str()};
    test::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path().c_str()};
    test::ScopedEnv documents_{"XDG_DOCUMENTS_DIR", dir_.path().c_str()};
};

void ExpectUpdated(const RunResult& run) {
    EXPECT_EQ(run.finalState, Dlg::Succeeded) << StatesText(run.states);
    EXPECT_EQ(run.exitStatus, kExitUpdated);
    EXPECT_EQ(run.status,
              LoadMessage(kTextSucceeded) + "\r\n\r\n" + LoadMessage(kTextBluetoothPairingNote));
    EXPECT_TRUE(run.closeShown);
    EXPECT_EQ(run.mouse.running_prefix, "QRT");
    EXPECT_EQ(run.mouse.running_version, "8.6.28");
    EXPECT_EQ(run.mouse.application_image, BuiltIn(firmware::kImageAResourceId));
    EXPECT_EQ(run.mouse.radio_stack_image, BuiltIn(firmware::kImageBResourceId));
    EXPECT_TRUE(run.mouse.application_image_complete);
    EXPECT_TRUE(run.mouse.radio_stack_image_complete);
}

TEST_F(UpdateRun, UpdatesFrom8627AndRepairsProfileSector1) {
    RunResult run = Run({});
    ExpectUpdated(run);
    EXPECT_TRUE(
        run.WentThrough({Dlg::DeviceNotConnected, Dlg::ReadyToStart, Dlg::CheckProfiles,
                         Dlg::EnteringBootloader, Dlg::BootloaderReady, Dlg::SendingSecondImage,
                         Dlg::WaitFirmwareChange, Dlg::Finishing, Dlg::Succeeded}))
        << StatesText(run.states);
    // The custom profile in sector 6 was found, so the question was asked and answered Yes.
    EXPECT_TRUE(run.Traced("Waiting Bootloader Arrival..."));
    EXPECT_FALSE(run.Traced("CVantorDFUDlg::RetryDfu"));
    EXPECT_NE(run.sector1AtStart, RepairedSector(run.sector1AtStart))
        << "the entries exchanged differ from each other";
    EXPECT_EQ(run.mouse.sectors[1], RepairedSector(run.sector1AtStart));
    EXPECT_TRUE(sim::ProfileMemory::holds_valid_crc(run.mouse.sectors[1]));
}

// One row per way through the version check and the options; the check of the end is shared.
TEST_F(UpdateRun, VersionRuleAndOptions) {
    struct Row {
        const char* name;
        sim::FirmwareVersion version;
        std::vector<std::wstring> arguments;
        int finalState;
        bool imagesSent;
        bool sectorRepaired;
    } rows[] = {
        {"up to date", sim::FirmwareVersion::from(8, 6, 28), {}, Dlg::UpToDate, false, false},
        {"test build 9928 of 8.5",
         sim::FirmwareVersion::from(8, 5, 9928),
         {},
         Dlg::Succeeded,
         true,
         true},
        {"newer, forced",
         sim::FirmwareVersion::from(8, 7, 0),
         {L"/force"},
         Dlg::Succeeded,
         true,
         false},
        {"skip device, forced",
         sim::FirmwareVersion::from(8, 6, 28),
         {L"/FORCE", L"/SKIPDEVICE"},
         Dlg::Succeeded,
         false,
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunSetup setup;
        setup.mouse = CSimulatedWorld::DefaultMouse(row.version);
        setup.arguments = row.arguments;
        RunResult run = Run(setup);
        EXPECT_EQ(run.finalState, row.finalState) << StatesText(run.states);
        EXPECT_EQ(run.exitStatus, row.finalState == Dlg::UpToDate ? kExitUpToDate : kExitUpdated);
        EXPECT_TRUE(run.closeShown);
        EXPECT_EQ(!run.mouse.radio_stack_image.empty(), row.imagesSent);
        EXPECT_EQ(!run.mouse.application_image.empty(), row.imagesSent);
        if (row.finalState == Dlg::UpToDate) {
            EXPECT_EQ(run.status, LoadMessage(kTextUpToDate));
            EXPECT_FALSE(run.WentThrough({Dlg::ReadyToStart}));
        }
        EXPECT_EQ(run.mouse.sectors[1] != run.sector1AtStart, row.sectorRepaired);
        ToolOptions() = CToolOptions{};
    }
}

TEST_F(UpdateRun, MouseInItsBootloaderAtStartIsUpdatedWithoutStart) {
    RunSetup setup;
    setup.mouse.start_in = sim::Firmware::Bootloader;
    RunResult run = Run(setup);
    ExpectUpdated(run);
    EXPECT_FALSE(run.WentThrough({Dlg::ReadyToStart})) << StatesText(run.states);
    EXPECT_TRUE(run.WentThrough({Dlg::DeviceNotConnected, Dlg::BootloaderReady}));
    // The version before the update was never read: sector 1 stays as it was.
    EXPECT_EQ(run.mouse.sectors[1], run.sector1AtStart);
}

TEST_F(UpdateRun, CustomProfilesAnsweredNoReturnToStartThenYesUpdates) {
    RunSetup setup;
    setup.answers = {ui::kIdNo};
    RunResult run = Run(setup);
    ExpectUpdated(run);
    EXPECT_TRUE(run.WentThrough({Dlg::ReadyToStart, Dlg::CheckProfiles, Dlg::ReadyToStart,
                                 Dlg::CheckProfiles, Dlg::EnteringBootloader}))
        << StatesText(run.states);
}

// The last block of a sector is read from address 239, so the check sees byte 254 of sector 15.
TEST_F(UpdateRun, DataInTheLastByteOfSector15AsksTheQuestion) {
    RunSetup setup;
    setup.customProfile = false;
    setup.prepare = [](CSimulatedWorld& w) {
        std::vector<uint8_t> sector(255, 0xFF);
        sector[254] = 0x00;
        w.Mouse().set_sector(15, sector);
    };
    setup.answers = {ui::kIdNo};
    RunResult run = Run(setup);
    ExpectUpdated(run);
    EXPECT_TRUE(run.WentThrough(
        {Dlg::CheckProfiles, Dlg::ReadyToStart, Dlg::CheckProfiles, Dlg::EnteringBootloader}))
        << StatesText(run.states);
}

TEST_F(UpdateRun, NoCustomProfilesNoQuestion) {
    RunSetup setup;
    setup.customProfile = false;
    setup.answers = {ui::kIdNo}; // would stop the update if the question came
    ExpectUpdated(Run(setup));
}

TEST_F(UpdateRun, MouseSwitchedOffInReadyToStartComesBack) {
    RunSetup setup;
    int readyCount = 0;
    setup.onState = [&](CSimulatedWorld& world, ui::CDialogHost&, int state) {
        if (state == Dlg::ReadyToStart && ++readyCount == 1) {
            world.Mouse().set_power(false);
            return true;
        }
        if (state == Dlg::DeviceNotConnected && readyCount == 1) {
            world.Mouse().set_power(true);
        }
        return false;
    };
    RunResult run = Run(setup);
    ExpectUpdated(run);
    EXPECT_TRUE(run.WentThrough(
        {Dlg::ReadyToStart, Dlg::DeviceNotConnected, Dlg::ReadyToStart, Dlg::CheckProfiles}))
        << StatesText(run.states);
}

TEST_F(UpdateRun, MouseSwitchedOffForGoodEndsAfterTheWait) {
    RunSetup setup;
    setup.waitSeconds = 2;
    setup.onState = [](CSimulatedWorld& world, ui::CDialogHost&, int state) {
        if (state == Dlg::ReadyToStart) {
            world.Mouse().set_power(false);
            return true;
        }
        return false;
    };
    RunResult run = Run(setup);
    EXPECT_EQ(run.exitStatus, kExitNoDevice);
    EXPECT_EQ(run.finalState, Dlg::DeviceNotConnected) << StatesText(run.states);
    EXPECT_EQ(run.status, LoadMessage(kTextNotConnected));
}

TEST_F(UpdateRun, CloseRequestsDuringTheTransferAreIgnored) {
    RunSetup setup;
    setup.onState = [](CSimulatedWorld&, ui::CDialogHost& host, int state) {
        if (state == Dlg::SendingFirstImage || state == Dlg::SendingSecondImage) {
            host.PressButton(ui::kIdCancel);
        }
        return false;
    };
    ExpectUpdated(Run(setup));
}

// Faults of the transfer that the controller recovers from.
TEST_F(UpdateRun, RecoversFromTransferFaults) {
    struct Row {
        const char* name;
        std::function<void(CSimulatedWorld&)> fault;
        const char* traced;
    } rows[] = {
        {"bad status", [](CSimulatedWorld& w) { w.Mouse().fail_dfu_packet(5); },
         "Something bad happened 7..."},
        {"link lost during a packet",
         [](CSimulatedWorld& w) {
             w.Mouse().drop_link_at_dfu_packet(9, std::chrono::milliseconds(2000));
         },
         "DFUSendPacket failed. Retrying after delay"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunSetup setup;
        setup.prepare = row.fault;
        RunResult run = Run(setup);
        ExpectUpdated(run);
        EXPECT_TRUE(run.Traced(row.traced)) << StatesText(run.states);
    }
}

// A bootloader whose return the receiver does not announce: after 3 s the receiver is asked to
// announce its devices again. (The library may also come across the bootloader by itself first,
// so only the outcome is fixed; the trace shows which way it went.)
TEST_F(UpdateRun, BootloaderReturnNotAnnouncedStillLeadsToTheSecondImage) {
    RunSetup setup;
    setup.prepare = [](CSimulatedWorld& w) { w.Mouse().hide_bootloader_return(true); };
    RunResult run = Run(setup);
    ExpectUpdated(run);
    EXPECT_LE(run.CountTraced("Timer 0xacaccaca is timeout."), 1u);
    EXPECT_TRUE(run.WentThrough({Dlg::BootloaderReady, Dlg::SendingSecondImage}));
}

// A bootloader that is still missing after the receiver's re-announce: the user is asked to switch
// the mouse off and on, and the update goes on when it is back.
TEST_F(UpdateRun, BootloaderStillMissingAsksToSwitchTheMouseOffAndOn) {
    std::atomic<bool> stop{false};
    std::atomic<bool> switchedOff{false};
    std::thread watcher;
    RunSetup setup;
    setup.prepare = [&](CSimulatedWorld& w) {
        w.Mouse().hide_bootloader_return(true);
        // The mouse is switched off once it has the whole first image and has restarted on the
        // tool's request, so that the tool has taken the status that the image was accepted.
        watcher = std::thread([&stop, &switchedOff, &w] {
            test::wait_for(
                [&] { return stop.load() || w.Mouse().state().radio_stack_image_complete; },
                std::chrono::seconds(60));
            int restarts = w.Mouse().state().restarts;
            test::wait_for([&] { return stop.load() || w.Mouse().state().restarts > restarts; },
                           std::chrono::seconds(60));
            if (!stop.load()) {
                w.Mouse().set_power(false);
                switchedOff = true;
            }
        });
    };
    bool askedToSwitch = false;
    setup.onChange = [&](CSimulatedWorld& w, const ui::CDialogHost& host) {
        if (!askedToSwitch && switchedOff &&
            host.GetDlgItemText(Dlg::IDC_STATUS) == LoadMessage(kTextTurnOffAndOn)) {
            askedToSwitch = true;
            // Switched on, the mouse is announced by the receiver as usual.
            w.Mouse().hide_bootloader_return(false);
            w.Mouse().set_power(true);
        }
    };
    RunResult run = Run(setup);
    stop = true;
    watcher.join();
    EXPECT_TRUE(askedToSwitch);
    ExpectUpdated(run);
    EXPECT_EQ(run.CountTraced("Timer 0xacaccaca is timeout."), 2u);
}

// Images from /FORCEDIR= that cannot complete a transfer: three failed transfers give up the
// update with the countdown, and the mouse is never reported updated.
TEST_F(UpdateRun, FolderImagesThatCannotCompleteEndInFailure) {
    struct Row {
        const char* name;
        std::vector<uint8_t> radioStack;
        const char* traced;
    } rows[] = {
        {"short image", std::vector<uint8_t>(20, 0x02), "  nextPacket is null"},
        {"bad start block", std::vector<uint8_t>(64, 0x09), "  IsDfuError returned true"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::path folder = dir_.file(std::string("fw-") + row.name);
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "s132_test.dfu", std::ios::binary)
            .write(reinterpret_cast<const char*>(row.radioStack.data()),
                   static_cast<std::streamsize>(row.radioStack.size()));
        RunSetup setup;
        setup.arguments = {L"/FORCEDIR=" + folder.wstring()};
        RunResult run = Run(setup);
        EXPECT_EQ(run.finalState, Dlg::Failed) << StatesText(run.states);
        EXPECT_EQ(run.exitStatus, kExitFailed);
        EXPECT_EQ(run.status, LoadMessage(kTextFailedRetrying));
        EXPECT_TRUE(run.Traced(row.traced));
        EXPECT_GE(run.CountTraced("CVantorDFUDlg::RetryDfu"), 3u);
        EXPECT_NE(run.mouse.running_version, "8.6.28");
        EXPECT_TRUE(run.mouse.application_image.empty());
        ToolOptions() = CToolOptions{};
    }
}

TEST_F(UpdateRun, EmptyOrMissingFolderImagesFallBackToTheBuiltInOnes) {
    std::filesystem::path folder = dir_.file("fw-empty");
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "QRT_empty.dfu").close();
    RunSetup setup;
    setup.arguments = {L"/FORCEDIR=" + folder.wstring()};
    RunResult run = Run(setup);
    ExpectUpdated(run);
    EXPECT_TRUE(run.Traced("Failed to call ExtractResourceFromFile("));
}

TEST_F(UpdateRun, NoReceiverEndsAfterTheWait) {
    RunSetup setup;
    setup.noReceiver = true;
    setup.waitSeconds = 2;
    RunResult run = Run(setup);
    EXPECT_EQ(run.exitStatus, kExitNoDevice);
    EXPECT_EQ(run.finalState, Dlg::NoDevice);
    EXPECT_EQ(run.status, LoadMessage(kTextNoReceiver));
}

TEST_F(UpdateRun, TextsFollowTheLocale) {
    struct Row {
        const char* locale;
        uint16_t language;
    } rows[] = {{"de_DE.UTF-8", 0x0407}, {"el_GR.UTF-8", 0x0409}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.locale);
        test::ScopedEnv all("LC_ALL", row.locale);
        RunSetup setup;
        setup.mouse = CSimulatedWorld::DefaultMouse(sim::FirmwareVersion::from(8, 6, 28));
        RunResult run = Run(setup);
        EXPECT_EQ(run.status, LoadMessage(kTextUpToDate, row.language));
    }
}

// A running companion is asked to stop (a stubborn one is terminated) before the library opens the
// mouse, and started again from its stored path when the dialog closes.
TEST_F(UpdateRun, CompanionIsStoppedForTheRunAndStartedAgainAtClose) {
    ASSERT_TRUE(test::AdoptDetachedCompanions());
    for (bool stubborn : {false, true}) {
        SCOPED_TRACE(stubborn ? "stubborn" : "well-behaved");
        test::CompanionStandIn companion(dir_.file("Hubrix.exe"), stubborn);
        RunSetup setup;
        setup.mouse = CSimulatedWorld::DefaultMouse(sim::FirmwareVersion::from(8, 6, 28));
        setup.companion = test::IsOwnLiveChild;
        RunResult run = Run(setup);
        EXPECT_EQ(run.exitStatus, kExitUpToDate);
        ASSERT_TRUE(companion.WaitEnded());
        // A stubborn one ignores the event and SIGTERM: the kill after the wait ends it.
        if (stubborn) {
            EXPECT_TRUE(companion.KilledBy(SIGKILL));
        }
        EXPECT_TRUE(test::StopDetachedCompanion(companion.path())) << "started again at close";
    }
}

TEST_F(UpdateRun, LogOptionWritesTheTraceFile) {
    RunSetup setup;
    setup.mouse = CSimulatedWorld::DefaultMouse(sim::FirmwareVersion::from(8, 6, 28));
    setup.arguments = {L"/LOG"};
    Run(setup);
    std::ifstream file(dir_.file("VantorFirmwareUpdate.log"), std::ios::binary);
    ASSERT_TRUE(file.is_open());
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // UTF-16LE: the ASCII text with every other byte zero.
    std::string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(bytes[i]);
    }
    EXPECT_NE(text.find("CVantorDFUDlg::SwitchToState() called from 1 to 13"), std::string::npos);
}

// Runtime, store and Documents folders prepared by another account before the run: each is
// refused and said so in the log, nothing is written into or through it, and the mouse is still
// updated. (The diagnostic log's own folder is refused in the child-process tests: this process's
// log was set up before main.)
TEST_F(UpdateRun, HostileFoldersAreRefusedAndTheUpdateStillSucceeds) {
    for (const test::HostileRow& row : test::kHostileFolders) {
        SCOPED_TRACE(row.name);
        test::TempDir dir;
        const std::string runtime = dir.file("devio");
        const std::string config = dir.file("config/varkon");
        const std::string documents = dir.file("documents");
        std::filesystem::create_directory(dir.file("config"));
        if (!test::MakeHostileFolder(runtime, row.kind, dir.file("elsewhere-runtime")) ||
            !test::MakeHostileFolder(config, row.kind, dir.file("elsewhere-config")) ||
            !test::MakeHostileFolder(documents, row.kind, dir.file("elsewhere-documents"))) {
            GTEST_LOG_(INFO) << "skipped: this system cannot make " << row.name;
            continue;
        }
        test::ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", dir.path().c_str());
        test::ScopedEnv configEnv("XDG_CONFIG_HOME", dir.file("config").c_str());
        test::ScopedEnv documentsEnv("XDG_DOCUMENTS_DIR", documents.c_str());
        sys::DebugOutputCapture capture;
        RunSetup setup;
        setup.arguments = {L"/LOG"};
        ExpectUpdated(Run(setup));
        for (const std::string& folder : {runtime, config, documents}) {
            EXPECT_TRUE(test::LeftEmpty(folder)) << folder;
            EXPECT_TRUE(capture.contains("Folder " + folder + " is not used: " + row.reason))
                << folder;
        }
        ToolOptions() = CToolOptions{};
    }
}

void ExpectGivenUp(const RunResult& run) {
    EXPECT_EQ(run.finalState, Dlg::Failed) << StatesText(run.states);
    EXPECT_EQ(run.exitStatus, kExitFailed);
    EXPECT_EQ(run.status, LoadMessage(kTextFailedRetrying));
    EXPECT_FALSE(run.WentThrough({Dlg::Succeeded})) << StatesText(run.states);
}

// Each way in which the device stops answering in the middle of the update: the wait has a bound,
// after which the update is retried and then given up with the failure text and the countdown.
TEST_F(UpdateRun, EveryWaitForTheDeviceEnds) {
    struct Row {
        const char* name;
        std::function<void(sim::MouseOptions&)> mouse;
        std::function<void(CSimulatedWorld&)> fault;
        int stalledState; // the state that waited
        const char* traced;
        uint32_t boundMs; // of each of the three waits
    } rows[] = {
        {"the mouse lacks the DFU control feature",
         [](sim::MouseOptions& m) { m.has_dfu_control = false; }, nullptr, Dlg::EnteringBootloader,
         "  cannot enter DFU mode", Dlg::kStallFailedRequestMs},
        {"the mouse ignores the request to enter its bootloader",
         [](sim::MouseOptions& m) { m.ignores_dfu_control = true; }, nullptr,
         Dlg::EnteringBootloader, "  the update made no progress in state 7",
         Dlg::kStallEnterBootloaderMs},
        {"the bootloader lacks the DFU transfer feature",
         [](sim::MouseOptions& m) { m.has_dfu_transfer = false; }, nullptr, Dlg::BootloaderReady,
         "  the update made no progress in state 8", Dlg::kStallBootloaderReadyMs},
        {"the mouse is lost for good during the first image", nullptr,
         [](CSimulatedWorld& w) { w.Mouse().drop_link_at_dfu_packet(100, std::chrono::hours(1)); },
         Dlg::DeviceNotConnected, "  the update made no progress in state 1",
         Dlg::kStallMouseLostMs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RunSetup setup;
        if (row.mouse) {
            row.mouse(setup.mouse);
        }
        setup.prepare = row.fault;
        // The scaled clock from the first entry of the state that waits (for the lost mouse:
        // once the transfer has begun) to the failure.
        std::optional<uint64_t> waitBegan;
        uint64_t waited = 0;
        bool transferBegan = false;
        setup.onState = [&](CSimulatedWorld&, ui::CDialogHost&, int state) {
            transferBegan |= state == Dlg::SendingFirstImage;
            bool waits =
                state == row.stalledState && (state != Dlg::DeviceNotConnected || transferBegan);
            if (waits && !waitBegan) {
                waitBegan = sys::Clock::tick_count_ms();
            } else if (state == Dlg::Failed && waitBegan) {
                waited = sys::Clock::tick_count_ms() - *waitBegan;
            }
            return false;
        };
        RunResult run = Run(setup);
        ExpectGivenUp(run);
        EXPECT_TRUE(run.WentThrough({row.stalledState, Dlg::Failed})) << StatesText(run.states);
        EXPECT_TRUE(run.Traced(row.traced));
        // Three waits (the first and two retries) within their bound, with a margin for the work
        // between them.
        EXPECT_GT(waited, 0u);
        EXPECT_LE(waited, 3 * row.boundMs + 20000);
    }
}

// The new firmware never announces itself (the mouse is switched off as it restarts into it).
TEST_F(UpdateRun, FirmwareChangeNeverAnnouncedEnds) {
    RunSetup setup;
    setup.onState = [](CSimulatedWorld& world, ui::CDialogHost&, int state) {
        if (state == Dlg::WaitFirmwareChange) {
            world.Mouse().set_power(false);
        }
        return false;
    };
    RunResult run = Run(setup);
    ExpectGivenUp(run);
    EXPECT_TRUE(run.WentThrough({Dlg::WaitFirmwareChange, Dlg::Failed})) << StatesText(run.states);
    EXPECT_TRUE(run.Traced("  the update made no progress in state 11"));
}

// Close is refused only while a packet is on its way: a dialog that waits for the device closes.
TEST_F(UpdateRun, CloseWorksWhileTheUpdateWaitsForTheDevice) {
    RunSetup setup;
    setup.mouse.ignores_dfu_control = true;
    setup.onState = [](CSimulatedWorld&, ui::CDialogHost& host, int state) {
        if (state == Dlg::EnteringBootloader) {
            host.PressButton(ui::kIdCancel);
        }
        return false;
    };
    RunResult run = Run(setup);
    EXPECT_EQ(run.finalState, Dlg::EnteringBootloader) << StatesText(run.states);
    EXPECT_EQ(run.exitStatus, kExitFailed);
    EXPECT_FALSE(run.Traced("the update made no progress"));
}

// A spurious bad status just before the device accepts the whole first image arms a retry delay;
// the status that the image was accepted stops it, so the transfer is not started over.
TEST_F(UpdateRun, ImageAcceptedStopsARetryArmedBefore) {
    RunSetup setup;
    setup.prepare = [](CSimulatedWorld& w) {
        w.Mouse().fail_dfu_packet(121216 / 16 - 1, sim::DfuTransfer::kWriteFailed, true);
    };
    RunResult run = Run(setup);
    ExpectUpdated(run);
    EXPECT_TRUE(run.Traced("Something bad happened 7..."));
    EXPECT_FALSE(run.Traced("CVantorDFUDlg::RetryDfu")) << StatesText(run.states);
    EXPECT_EQ(std::count(run.states.begin(), run.states.end(), Dlg::BootloaderReady), 1)
        << StatesText(run.states);
}

// The firmware-change wait of entering the bootloader ends when the bootloader is there: it must
// not run on into the transfer and ask the user to switch the mouse off and on.
TEST_F(UpdateRun, BootloaderReadyStopsTheWaitsBefore) {
    RunSetup setup;
    bool askedToSwitch = false;
    setup.onChange = [&](CSimulatedWorld&, const ui::CDialogHost& host) {
        askedToSwitch |= host.GetDlgItemText(Dlg::IDC_STATUS) == LoadMessage(kTextTurnOffAndOn);
    };
    RunResult run = Run(setup);
    ExpectUpdated(run);
    EXPECT_FALSE(run.Traced("Timer 0xbdbddbdb is timeout.")) << StatesText(run.states);
    EXPECT_FALSE(askedToSwitch);
}

// Once the update is given up, a bootloader that comes back gets no new transfer: the countdown
// ends the tool.
TEST_F(UpdateRun, GivenUpUpdateStaysGivenUp) {
    std::filesystem::path folder = dir_.file("fw-short");
    std::filesystem::create_directories(folder);
    std::vector<uint8_t> shortImage(20, 0x02);
    std::ofstream(folder / "s132_test.dfu", std::ios::binary)
        .write(reinterpret_cast<const char*>(shortImage.data()),
               static_cast<std::streamsize>(shortImage.size()));
    RunSetup setup;
    setup.arguments = {L"/FORCEDIR=" + folder.wstring()};
    setup.onState = [](CSimulatedWorld& world, ui::CDialogHost&, int state) {
        if (state == Dlg::Failed) {
            // Switched off and on, the mouse comes back in its bootloader.
            world.Mouse().set_power(false);
            world.Mouse().set_power(true);
        }
        return false;
    };
    RunResult run = Run(setup);
    ExpectGivenUp(run);
    EXPECT_EQ(run.states.back(), Dlg::Failed) << StatesText(run.states);
}

// The mouse goes and comes back while the profile question is open: the answer given afterwards
// belongs to a state that is over and must not switch the mouse into its bootloader from the state
// that offers Start again.
TEST_F(UpdateRun, QuestionAnsweredAfterTheStateMovedOnDecidesNothing) {
    RunSetup setup;
    bool asked = false;
    setup.onBox = [&](CSimulatedWorld& world, ui::CDialogHost&) {
        if (asked) {
            return false; // the second question is answered Yes as usual
        }
        asked = true;
        world.Mouse().set_power(false);
        return true;
    };
    setup.onState = [&](CSimulatedWorld& world, ui::CDialogHost& host, int state) {
        if (state == Dlg::DeviceNotConnected && host.OpenMessageBox()) {
            world.Mouse().set_power(true);
        } else if (state == Dlg::ReadyToStart && host.OpenMessageBox()) {
            host.AnswerMessageBox(ui::kIdYes);
        }
        return false;
    };
    RunResult run = Run(setup);
    ExpectUpdated(run);
    EXPECT_TRUE(run.Traced("during the profile check"));
    EXPECT_FALSE(run.Traced("SwitchToState() called from 3 to 7")) << StatesText(run.states);
}

// A signal outside the update closes the dialog as Close does; during the update it is held, with
// a line that says so, and carried out once the update has ended.
TEST_F(UpdateRun, SignalsCloseTheDialogButNeverBreakTheUpdateOff) {
    struct Row {
        const char* name;
        int signalState; // the state in which the signal comes
        int finalState;
    } rows[] = {
        {"ready to start", Dlg::ReadyToStart, Dlg::ReadyToStart},
        {"during the first image", Dlg::SendingFirstImage, Dlg::Succeeded},
        {"waiting for the new firmware", Dlg::WaitFirmwareChange, Dlg::Succeeded},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ToolOutcome() = CToolOutcome{};
        RunSetup setup;
        bool signalled = false;
        bool toldCannotInterrupt = false;
        setup.onState = [&](CSimulatedWorld&, ui::CDialogHost& host, int state) {
            if (state == row.signalState && !signalled) {
                signalled = true;
                host.PostMessage(Dlg::WM_CLOSE_SIGNAL, SIGTERM);
                return state == Dlg::ReadyToStart; // Start is not pressed
            }
            return false;
        };
        setup.onChange = [&](CSimulatedWorld&, const ui::CDialogHost& host) {
            toldCannotInterrupt |=
                host.GetDlgItemText(Dlg::IDC_STATUS)
                    .find("The update cannot be interrupted. It needs about ") != std::string::npos;
        };
        RunResult run = Run(setup);
        EXPECT_EQ(run.finalState, row.finalState) << StatesText(run.states);
        EXPECT_EQ(run.exitStatus, kExitSignalBase + SIGTERM);
        EXPECT_EQ(ToolOutcome().closingSignal, SIGTERM);
        EXPECT_TRUE(run.Traced("Signal 15: closing the dialog"));
        EXPECT_EQ(toldCannotInterrupt, row.finalState == Dlg::Succeeded);
        if (row.finalState == Dlg::Succeeded) {
            EXPECT_EQ(run.mouse.running_version, "8.6.28");
        }
    }
}

// The repair of profile sector 1 is tried once more when it fails; a second failure keeps the
// success text but is traced and gives unattended mode its own exit status.
TEST_F(UpdateRun, FailedProfileRepairIsTriedAgainAndThenReported) {
    struct Row {
        const char* name;
        unsigned refusedWrites;
        bool repaired;
    } rows[] = {
        {"repaired on the second try", 1, true},
        {"not repaired", 2, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ToolOutcome() = CToolOutcome{};
        RunSetup setup;
        setup.mouse.refused_profile_writes = row.refusedWrites;
        RunResult run = Run(setup);
        EXPECT_EQ(run.finalState, Dlg::Succeeded) << StatesText(run.states);
        EXPECT_EQ(run.status, LoadMessage(kTextSucceeded) + "\r\n\r\n" +
                                  LoadMessage(kTextBluetoothPairingNote));
        EXPECT_TRUE(run.Traced("the repair of profile sector 1 failed; trying once more"));
        EXPECT_EQ(run.mouse.sectors[1] == RepairedSector(run.sector1AtStart), row.repaired);
        EXPECT_EQ(run.Traced("Warning: the firmware was updated, but profile sector 1 could not "
                             "be repaired."),
                  !row.repaired);
        EXPECT_EQ(ToolOutcome().profileNotRepaired, !row.repaired);
        EXPECT_EQ(run.exitStatus, row.repaired ? kExitUpdated : kExitProfileNotRepaired);
    }
}

} // namespace
} // namespace devio::app
