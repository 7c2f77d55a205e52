// The fault matrix: whole updates in this process, on the built-in virtual receiver and mouse at
// zero latency and on a small time scale, with one fault at a chosen packet boundary per run, for
// each fault kind. Every run must end either in success, with both images byte-exact (SHA-256) in
// the mouse and profile sector 1 repaired, or in the designed failure (state 14, text 1039) with
// no success reported; after every run a second update of the same mouse, without a fault, must
// complete. Prints the number of runs and how they ended; exits 1 when any run ended otherwise.
//
// The images are the built-in ones cut to kImagePackets packets each (their length field set to
// match): every packet boundary of both cut images gets each fault, which covers the first and
// last 32 packets of each image and the image boundaries. A run takes about half a second here
// (the transfer's latency is the library's, about 0.45 ms a packet), which is what bounds the
// matrix to the five minutes that scripts/test gives it: 5 kinds x 2 images x 64 packets, 640
// runs. FAULT_MATRIX_PACKETS=N cuts the images to N packets instead (a spread of boundaries in
// between the first and last 32). FAULT_MATRIX=full runs one kind (FAULT_MATRIX_KIND, default
// bad-status) at every packet of the full-size built-in images: 12,521 runs of two whole updates
// each, about 12 s a run on these machines, so some 40 hours.
#include <openssl/sha.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/Manager/CDevio.h"
#include "Source/System/Clock.h"
#include "Source/System/DebugOutput.h"
#include "app/LoadMessage.h"
#include "app/ProductSettings.h"
#include "app/ProfileCrc.h"
#include "app/SimulatedFault.h"
#include "app/SimulatedWorld.h"
#include "app/TextIds.h"
#include "app/ToolOptions.h"
#include "app/ToolOutcome.h"
#include "app/UnattendedDriver.h"
#include "app/VantorDFUDlg.h"
#include "firmware/FirmwareResources.h"

namespace devio::app {
namespace {

using Dlg = CVantorDFUDlg;
using Image = sim::DfuTransfer::Image;

// Packets of each cut image: the first and last 32.
constexpr uint32_t kImagePackets = 64;
// The length field of an image: bytes 21 to 24, big-endian, 328 less than the image's length.
constexpr size_t kLengthOffset = 21;
constexpr uint32_t kLengthAdjustment = 328;

enum class Outcome { Updated, FailedAsDesigned, Wrong };

std::string Sha256(const std::vector<uint8_t>& bytes) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(bytes.data(), bytes.size(), digest);
    return std::string(reinterpret_cast<const char*>(digest), sizeof(digest));
}

std::vector<uint8_t> BuiltIn(uint32_t id) {
    auto bytes = firmware::FindFirmwareResource(id);
    return {bytes.begin(), bytes.end()};
}

// The built-in image cut to `packets` packets, its length field set to match (0: whole).
std::vector<uint8_t> CutImage(uint32_t id, uint32_t packets) {
    std::vector<uint8_t> image = BuiltIn(id);
    if (packets == 0 || packets * 16 >= image.size()) {
        return image;
    }
    image.resize(packets * 16);
    uint32_t stored = static_cast<uint32_t>(image.size()) - kLengthAdjustment;
    for (int i = 0; i < 4; ++i) {
        image[kLengthOffset + static_cast<size_t>(i)] =
            static_cast<uint8_t>(stored >> (24 - 8 * i));
    }
    return image;
}

sim::ProfileMemory::Sector RepairedSector(sim::ProfileMemory::Sector sector) {
    std::swap_ranges(sector.begin() + 44, sector.begin() + 48, sector.begin() + 48);
    std::swap_ranges(sector.begin() + 108, sector.begin() + 112, sector.begin() + 112);
    std::fill(sector.begin() + 240, sector.end(), 0xFF);
    uint16_t crc = ProfileCrc(std::span<const uint8_t>(sector.data(), 253));
    sector[253] = static_cast<uint8_t>(crc >> 8);
    sector[254] = static_cast<uint8_t>(crc & 0xFF);
    return sector;
}

struct DialogEnd {
    int state = -1;
    int exitStatus = -1;
    std::string status;
};

class Matrix {
public:
    Matrix(std::filesystem::path folder, uint32_t packets) : m_folder(std::move(folder)) {
        std::filesystem::create_directories(m_folder);
        m_imageA = CutImage(firmware::kImageAResourceId, packets);
        m_imageB = CutImage(firmware::kImageBResourceId, packets);
        Write(m_folder / "QRT_matrix.dfu", m_imageA);
        Write(m_folder / "s132_matrix.dfu", m_imageB);
        m_shaA = Sha256(m_imageA);
        m_shaB = Sha256(m_imageB);
    }

    uint32_t Packets(Image image) const {
        return static_cast<uint32_t>((image == Image::Application ? m_imageA : m_imageB).size() /
                                     16);
    }

    // One run with `fault`, then the second update. Prints what went wrong.
    Outcome Run(const SimulatedFault& fault) {
        ToolOptions() = CToolOptions{};
        ToolOutcome() = CToolOutcome{};
        std::wstring folderOption = L"/FORCEDIR=" + m_folder.wstring();
        const wchar_t* argv[] = {folderOption.c_str()};
        ToolOptions().ParseCommandLine(1, argv);

        sim::MouseOptions mouse =
            CSimulatedWorld::DefaultMouse(sim::FirmwareVersion::from(8, 6, 27));
        mouse.timing = sim::MouseTiming{sim::Scheduler::Delay::zero(), {}, {}, {}, {}, {}};
        CDevio::instance().reset();
        CSimulatedWorld world(mouse, true);
        fault.ApplyTo(world);
        sim::ProfileMemory::Sector sector1 = world.Mouse().state().sectors[1];

        DialogEnd first = RunDialog();
        Outcome outcome = Outcome::Wrong;
        sim::MouseState state = world.Mouse().state();
        if (first.state == Dlg::Succeeded) {
            bool exact = Sha256(state.application_image) == m_shaA &&
                         Sha256(state.radio_stack_image) == m_shaB;
            bool repaired = state.sectors[1] == RepairedSector(sector1);
            if (exact && repaired && first.exitStatus == kExitUpdated &&
                state.running_version == "8.6.28") {
                outcome = Outcome::Updated;
            } else {
                Report(fault, "success reported, but the images are " +
                                  std::string(exact ? "exact" : "NOT exact") + " and sector 1 is " +
                                  (repaired ? "repaired" : "NOT repaired"));
            }
        } else if (first.state == Dlg::Failed && first.exitStatus == kExitFailed &&
                   first.status == LoadMessage(kTextFailedRetrying)) {
            outcome = Outcome::FailedAsDesigned;
        } else {
            Report(fault, "ended in state " + std::to_string(first.state) + " with \"" +
                              first.status + "\"");
        }

        // The same mouse, updated again without a fault (it may be in its bootloader now).
        DialogEnd second = RunDialog();
        state = world.Mouse().state();
        if (second.state != Dlg::Succeeded || Sha256(state.application_image) != m_shaA ||
            Sha256(state.radio_stack_image) != m_shaB) {
            Report(fault, "the second update ended in state " + std::to_string(second.state));
            outcome = Outcome::Wrong;
        }
        CDevio::instance().reset();
        return outcome;
    }

private:
    static void Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    static void Report(const SimulatedFault& fault, const std::string& what) {
        std::printf("fault matrix: %s: %s\n", fault.Text().c_str(), what.c_str());
    }

    DialogEnd RunDialog() {
        sys::DebugOutputCapture capture; // the trace of a run is not kept
        auto status = std::make_shared<int>(-1);
        std::vector<std::unique_ptr<ui::IDialogView>> views;
        views.push_back(std::make_unique<CUnattendedDriver>(60, status));
        DialogEnd end;
        {
            Dlg dialog(std::move(views),
                       CCompanion(BuildRegistryKeyPath(), [](const auto&) { return false; }));
            static_cast<void>(dialog.RunModal()); // the run is judged by its state and text below
            end.state = dialog.State();
            end.status = dialog.Host().GetDlgItemText(Dlg::IDC_STATUS);
        }
        end.exitStatus = *status;
        return end;
    }

    std::filesystem::path m_folder;
    std::vector<uint8_t> m_imageA;
    std::vector<uint8_t> m_imageB;
    std::string m_shaA;
    std::string m_shaB;
};

// The fault of `kind` at `packet` of `image`, with a value that makes it bite: a link or power
// loss long enough for a packet time-out, an answer later than the command time-out.
SimulatedFault FaultAt(SimulatedFault::Kind kind, Image image, uint32_t packet) {
    SimulatedFault fault;
    fault.kind = kind;
    fault.image = image;
    fault.packet = packet;
    fault.status = 7;
    fault.duration =
        std::chrono::milliseconds(kind == SimulatedFault::Kind::LateAnswer ? 6000 : 3000);
    return fault;
}

int RunMatrix() {
    bool full = std::getenv("FAULT_MATRIX") && std::string(std::getenv("FAULT_MATRIX")) == "full";
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("fault-matrix-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "config");
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", dir.c_str(), 1);
    sys::Clock::set_time_scale(0.01);

    uint32_t cut = std::getenv("FAULT_MATRIX_PACKETS")
                       ? static_cast<uint32_t>(std::atol(std::getenv("FAULT_MATRIX_PACKETS")))
                       : kImagePackets;
    Matrix matrix(dir / "images", full ? 0 : std::max<uint32_t>(cut, 21));
    std::vector<SimulatedFault::Kind> kinds = {
        SimulatedFault::Kind::DropLink, SimulatedFault::Kind::LoseAnswer,
        SimulatedFault::Kind::LateAnswer, SimulatedFault::Kind::BadStatus,
        SimulatedFault::Kind::PowerOff};
    if (full) {
        std::string chosen =
            std::getenv("FAULT_MATRIX_KIND") ? std::getenv("FAULT_MATRIX_KIND") : "bad-status";
        std::string error;
        auto parsed = SimulatedFault::Parse(chosen + "@A:1", error);
        if (!parsed) {
            std::fprintf(stderr, "fault matrix: FAULT_MATRIX_KIND: %s\n", error.c_str());
            return 2;
        }
        kinds = {parsed->kind};
    }
    // FAULT_MATRIX_RUNS=N stops after N runs (a quick look).
    long limit = std::getenv("FAULT_MATRIX_RUNS") ? std::atol(std::getenv("FAULT_MATRIX_RUNS")) : 0;
    std::map<Outcome, int> counts;
    int done = 0;
    auto started = std::chrono::steady_clock::now();
    for (SimulatedFault::Kind kind : kinds) {
        for (Image image : {Image::RadioStack, Image::Application}) {
            for (uint32_t packet = 1; packet <= matrix.Packets(image); ++packet) {
                if (limit > 0 && done++ >= limit) {
                    break;
                }
                ++counts[matrix.Run(FaultAt(kind, image, packet))];
            }
        }
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    int runs =
        counts[Outcome::Updated] + counts[Outcome::FailedAsDesigned] + counts[Outcome::Wrong];
    std::printf("fault matrix: %d runs in %.0f s: %d updated, %d failed as designed, %d wrong\n",
                runs, seconds, counts[Outcome::Updated], counts[Outcome::FailedAsDesigned],
                counts[Outcome::Wrong]);
    std::filesystem::remove_all(dir);
    return counts[Outcome::Wrong] == 0 ? 0 : 1;
}

} // namespace
} // namespace devio::app

int main() {
    devio::Vs2003SingletonThreadCleanup::instance().set_present();
    int status = devio::app::RunMatrix();
    devio::Vs2003SingletonThreadCleanup::instance().run_callbacks();
    return status;
}
