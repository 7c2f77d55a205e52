#include "app/FirmwarePackage.h"

#include <algorithm>
#include <limits>

#include "app/FirmwareFile.h"
#include "app/TextEncoding.h"
#include "app/ToolTrace.h"
#include "firmware/FirmwareResources.h"

namespace devio::app {

namespace {

constexpr std::string_view kImageAPattern = "QRT*.dfu";
constexpr std::string_view kImageBPattern = "s132*.dfu";

std::wstring_view Unquoted(std::wstring_view folder) {
    if (!folder.empty() && folder.front() == L'"') {
        folder.remove_prefix(1);
    }
    if (!folder.empty() && folder.back() == L'"') {
        folder.remove_suffix(1);
    }
    return folder;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || folder.back() == L'/') {
        return folder + name;
    }
    return folder + L'/' + name;
}

int ClampToInt(uint64_t value) {
    return static_cast<int>(std::min<uint64_t>(value, std::numeric_limits<int>::max()));
}

} // namespace

bool LoadFirmwareResource(uint32_t id, FirmwareImage& record) {
    std::span<const uint8_t> resource = firmware::FindFirmwareResource(id);
    if (resource.data() == nullptr) {
        return false;
    }
    record.Clear();
    if (resource.empty()) {
        return false;
    }
    record.AssignBuiltIn(resource);
    return true;
}

bool CFirmwarePackage::LoadFirmwareFromFolder(std::wstring_view folder) {
    if (folder.empty()) {
        return false;
    }
    if (folder.size() > kMaxFolderPathLength) {
        ToolTrace("The firmware folder is longer than %zu characters, so it is not searched: %s\n",
                  kMaxFolderPathLength, Utf8FromWide(folder).c_str());
        return false;
    }
    std::wstring unquoted(Unquoted(folder));
    std::string shown = Utf8FromWide(unquoted);
    ToolTrace("Search the firmware file QRT*.dfu in the folder %s\n", shown.c_str());
    LoadImageFromFolder(unquoted, kImageAPattern, m_imageA);
    ToolTrace("Search the firmware file s132*.dfu in the folder %s\n", shown.c_str());
    LoadImageFromFolder(unquoted, kImageBPattern, m_imageB);
    return true;
}

void CFirmwarePackage::LoadImageFromFolder(const std::wstring& folder, std::string_view pattern,
                                           FirmwareImage& image) {
    std::optional<std::string> name = FindFirstMatchingFile(Utf8FromWide(folder), pattern);
    if (!name) {
        return;
    }
    std::wstring path = JoinPath(folder, WideFromUtf8(*name));
    std::vector<uint8_t> bytes;
    if (path.size() <= kMaxFolderPathLength && ExtractResourceFromFile(path, bytes)) {
        ToolTrace("ExtractResourceFromFile(%s)\n", Utf8FromWide(path).c_str());
        image.AssignCopy(std::move(bytes));
    } else {
        ToolTrace("Failed to call ExtractResourceFromFile(%s)\n", Utf8FromWide(path).c_str());
    }
}

bool CFirmwarePackage::LoadFirmwareImages(IProgressRange& progress) {
    if (m_imageA.size() == 0 && !LoadFirmwareResource(firmware::kImageAResourceId, m_imageA)) {
        return false;
    }
    if (m_imageB.size() == 0 && !LoadFirmwareResource(firmware::kImageBResourceId, m_imageB)) {
        return false;
    }
    uint64_t range = uint64_t{m_imageA.size()} + m_imageB.size() + 2 * kProgressLeadIn;
    progress.SetRange(0, ClampToInt(range));
    progress.SetStep(1);
    return m_imageA.size() != 0 && m_imageA.data() != nullptr && m_imageB.size() != 0 &&
           m_imageB.data() != nullptr;
}

std::vector<uint8_t> CFirmwarePackage::GetNextPacket(uint32_t number) const {
    return m_current != nullptr ? m_current->GetNextPacket(number) : std::vector<uint8_t>();
}

} // namespace devio::app
