// The primary and the Joliet (supplementary) volume descriptors and the terminator.
#pragma once

#include "fsbuild/iso9660/iso_date.h"
#include "fsbuild/iso9660/iso_layout.h"

#include <array>
#include <cstdint>
#include <string>

namespace iso9660 {

using DescriptorBlock = std::array<std::uint8_t, 2048>;

struct VolumeContents {
    std::u16string label;
    IsoDate buildDate;
    const IsoLayout& layout;
    const IsoNode& root;
};

// Type 1 for the primary tree, type 2 (escape sequence %/E) for the Joliet tree.
DescriptorBlock EncodeVolumeDescriptor(IsoTreeKind tree, const VolumeContents& contents);
DescriptorBlock EncodeTerminator();

} // namespace iso9660
