// The settings of flash-drive runs on the bench: the drives' flash as the flash-part
// database describes it, and a run that writes one image to LUN 0, with its files in the
// station's folder.
#pragma once

#include "engine/cis/cis_image.h"
#include "engine/settings/main_frame_settings.h"
#include "tests/profile/scratch_folder.h"

#include <array>
#include <memory>
#include <cstdint>
#include <vector>

namespace ufdbench {

constexpr unsigned kBlocks = 1024;
constexpr WORD kPagesPerBlock = 64;
constexpr BYTE kSectorsPerPage = 4;
constexpr unsigned kVbs = 150; // the virtual blocks the database's capacity gives

inline std::vector<BYTE> Pattern(std::size_t size, unsigned seed)
{
    std::vector<BYTE> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<BYTE>((i * 131 + seed * 7) ^ (i >> 9));
    return bytes;
}

// The CIS part 2 fields that the flash-part database gives this flash (bytes 256..287).
inline void SetFlashPart(CISImage& image, const std::array<std::uint8_t, 5>& id)
{
    std::copy(id.begin(), id.end(), image.bytes + cis::kFlashId);
    image.bytes[cis::kBlockAccessFlags] = 0x01;
    image.SetWord(274, kPagesPerBlock);
    image.SetWord(cis::kPagesPerBlock, kPagesPerBlock);
    image.bytes[cis::kSystemBuildValue] = kSectorsPerPage;
    const std::uint32_t capacity = kVbs * kSectorsPerPage * kPagesPerBlock * 2;
    for (int i = 0; i < 4; ++i)
        image.bytes[282 + i] = static_cast<BYTE>(capacity >> (24 - 8 * i));
}

// Firmware, boot code and `image` as LUN 0's image file in `folder`; the stress test of
// 1 MB; the shared result log in `folder`.
inline void UseOneImageRun(MainFrameSettings& frame, const ScratchFolder& folder, const std::vector<BYTE>& image)
{
    CISSetting& s = frame.CisSetting;
    const auto useFile = [&](const char* name, const std::vector<BYTE>& bytes, PackedString& setting) {
        WriteBytes(folder.File(name), std::string(bytes.begin(), bytes.end()));
        setting = folder.WideFile(name);
    };
    useFile("fw.bin", Pattern(0x10000, 1), s.FilePathOfFW);
    useFile("boot.bin", Pattern(0x4000, 2), s.FilePathOfBootCode);
    useFile("lun0.img", image, s.ImagePublicLunPath);
    s.LunTypeBitMap = 0x01 | 4u << 16; // LUN 0, four bit errors accepted
    s.FormatLunBitMap = 0x01;
    s.ImageType[0] = 2;
    s.CISImage.SetDword(cis::kLunStartLba, 0x40);
    s.CISImage.SetDword(cis::kLunCapacity, 0x10000);
    s.StressTestSize = 1;
    frame.SerialLengthText = u"16";
    frame.LogIni = std::make_unique<CIniFile>(folder.WideFile("result.log"));
}

} // namespace ufdbench
