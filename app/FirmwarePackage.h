// The two firmware images of an update and the image being sent: loading them from a folder named
// on the command line or from the tool's built-in images, setting up the progress range, and
// cutting the current image into packets. Used on the dialog's thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/FirmwareImage.h"
#include "app/IProgressRange.h"

namespace devio::app {

// Progress units before the first packet of an update; the range holds this much again after the
// last one (the controller sets the bar to full when the update ends).
inline constexpr int kProgressLeadIn = 4080;

// Longest firmware folder, in characters; a longer one is refused rather than cut.
inline constexpr size_t kMaxFolderPathLength = 259;

// Points `record` at built-in image `id` (not owned). False, with the record unchanged, when the
// tool has no such image.
[[nodiscard]] bool LoadFirmwareResource(uint32_t id, FirmwareImage& record);

class CFirmwarePackage {
public:
    // Image A ("QRT*.dfu", resource 2000) is sent second, image B ("s132*.dfu", resource 2001)
    // first.
    FirmwareImage& ImageA() { return m_imageA; }
    FirmwareImage& ImageB() { return m_imageB; }

    // The image being sent, or none.
    FirmwareImage* Current() const { return m_current; }
    void SetCurrent(FirmwareImage* image) { m_current = image; }

    // Fills image A and image B from the first files in `folder` that match their patterns,
    // tracing each search and each read; surrounding quotation marks are removed. False when the
    // folder is empty or longer than kMaxFolderPathLength; true otherwise, also when no file was
    // found (the built-in images are then used).
    [[nodiscard]] bool LoadFirmwareFromFolder(std::wstring_view folder);

    // Completes the records that the folder did not fill from the built-in images and sets the
    // progress range to 0 ... size A + size B + 2 * kProgressLeadIn with step 1. True when both
    // images are usable; false at once when a built-in image is missing.
    [[nodiscard]] bool LoadFirmwareImages(IProgressRange& progress);

    // The next packet of the current image (FirmwareImage::GetNextPacket); empty without one.
    std::vector<uint8_t> GetNextPacket(uint32_t number) const;

private:
    void LoadImageFromFolder(const std::wstring& folder, std::string_view pattern,
                             FirmwareImage& image);

    FirmwareImage m_imageA;
    FirmwareImage m_imageB;
    FirmwareImage* m_current = nullptr;
};

} // namespace devio::app
