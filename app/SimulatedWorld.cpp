#include "app/SimulatedWorld.h"

#include <cerrno>
#include <fstream>

#include <nlohmann/json.hpp>
#include <openssl/sha.h>

#include "Source/Windows/Win32SystemChoice.h"
#include "app/ProfileCrc.h"
#include "sim/ReceiverKind.h"

namespace devio::app {

namespace {

constexpr int kCustomSector = 6;
constexpr int kProfileBytes = 240;

std::string Hex(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::string Sha256(const std::vector<uint8_t>& bytes) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(bytes.data(), bytes.size(), digest);
    return Hex(digest);
}

nlohmann::json ImageRecord(const std::vector<uint8_t>& bytes, bool complete) {
    return {{"bytes", bytes.size()}, {"sha256", Sha256(bytes)}, {"complete", complete}};
}

// A custom profile: content that no factory profile has, with its CRC.
sim::ProfileMemory::Sector CustomProfile() {
    sim::ProfileMemory::Sector sector;
    sector.fill(0xFF);
    for (int i = 0; i < kProfileBytes; ++i) {
        sector[static_cast<size_t>(i)] = static_cast<uint8_t>((i * 13 + 0x5A) & 0xFF);
    }
    uint16_t crc = ProfileCrc(std::span<const uint8_t>(sector.data(), 253));
    sector[253] = static_cast<uint8_t>(crc >> 8);
    sector[254] = static_cast<uint8_t>(crc & 0xFF);
    return sector;
}

} // namespace

sim::MouseOptions CSimulatedWorld::DefaultMouse(sim::FirmwareVersion application) {
    sim::MouseOptions options;
    options.application = application;
    return options;
}

CSimulatedWorld::CSimulatedWorld(sim::MouseOptions options, bool customProfile, char receiverKind)
    : m_receiver(m_scheduler, *sim::receiver_kind(receiverKind)),
      m_mouse(std::make_shared<sim::VirtualMouse>(m_scheduler, std::move(options))),
      m_system(std::make_shared<sim::VirtualHidSystem>()) {
    if (customProfile) {
        sim::ProfileMemory::Sector custom = CustomProfile();
        m_mouse->set_sector(kCustomSector, custom);
    }
    m_sector1AtStart = m_mouse->state().sectors[1];
    m_receiver.pair(m_mouse);
    Win32SystemChoice::choose([system = m_system] { return system; });
    m_system->plug(m_receiver);
}

CSimulatedWorld::~CSimulatedWorld() {
    m_system->unplug(m_receiver);
    Win32SystemChoice::choose({});
}

std::string CSimulatedWorld::Report() const {
    sim::MouseState state = m_mouse->state();
    nlohmann::json sectors = nlohmann::json::object();
    for (int sector = 6; sector < sim::ProfileMemory::kSectorCount; ++sector) {
        sectors[std::to_string(sector)] = Hex(state.sectors[static_cast<size_t>(sector)]);
    }
    nlohmann::json report = {
        {"running", {{"firmware", state.running_prefix}, {"version", state.running_version}}},
        {"application_version", state.application_version},
        {"images",
         {{"application", ImageRecord(state.application_image, state.application_image_complete)},
          {"radio_stack", ImageRecord(state.radio_stack_image, state.radio_stack_image_complete)}}},
        {"profile_sector_1",
         {{"at_start", Hex(m_sector1AtStart)}, {"at_end", Hex(state.sectors[1])}}},
        {"sectors", sectors},
    };
    return report.dump(2) + "\n";
}

bool CSimulatedWorld::WriteReport(const std::string& path) const {
    std::string text = Report();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out << text;
    out.flush();
    return static_cast<bool>(out);
}

} // namespace devio::app
