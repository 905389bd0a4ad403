#include "fsbuild/iso9660/iso_volume_descriptors.h"

#include "fsbuild/iso9660/iso_directory_records.h"
#include "fsbuild/iso9660/iso_fields.h"
#include "fsbuild/iso9660/iso_identifiers.h"

#include "platform/text/text.h"

#include <algorithm>
#include <cstring>

namespace iso9660 {
namespace {

constexpr char kApplicationIdentifier[] = "Ostra Labs, Inc.";
constexpr std::size_t kVolumeIdentifierSize = 32;

void StartDescriptor(DescriptorBlock& block, std::uint8_t type)
{
    block.fill(0);
    block[0] = type;
    std::memcpy(block.data() + 1, "CD001", 5);
    block[6] = 1;
}

// Copies `text` (bounded by the field) and pads the rest with `pad`, a one- or two-byte
// pattern; an odd byte left at the end of a UTF-16 field stays zero.
void FillText(std::uint8_t* field, std::size_t size, const std::string& text, std::string_view pad)
{
    std::size_t used = std::min(text.size(), size);
    std::memcpy(field, text.data(), used);
    for (; used + pad.size() <= size; used += pad.size())
        std::memcpy(field + used, pad.data(), pad.size());
}

// The primary tree's fields hold d-characters padded with spaces; the Joliet tree's hold
// UCS-2 big-endian padded with UTF-16 spaces.
class TextFields {
public:
    explicit TextFields(IsoTreeKind tree) : tree_(tree) {}
    void Put(std::uint8_t* field, std::size_t size, const std::string& ascii) const
    {
        if (tree_ == IsoTreeKind::Primary)
            FillText(field, size, ascii, " ");
        else
            FillText(field, size, EncodeUcs2BigEndian(platform::AnsiToWide(ascii)), std::string_view("\0 ", 2));
    }

private:
    IsoTreeKind tree_;
};

std::string VolumeIdentifier(IsoTreeKind tree, const std::u16string& label)
{
    if (tree == IsoTreeKind::Primary)
        return MapPrimaryIdentifier(label).substr(0, kVolumeIdentifierSize);
    char16_t units[kVolumeIdentifierSize / 2 + 1];
    platform::CopyWideToWideField(units, std::size(units), label);
    return EncodeUcs2BigEndian(platform::WideFieldView(units, std::size(units)));
}

} // namespace

DescriptorBlock EncodeVolumeDescriptor(IsoTreeKind tree, const VolumeContents& contents)
{
    DescriptorBlock block;
    StartDescriptor(block, tree == IsoTreeKind::Primary ? 1 : 2);
    std::uint8_t* at = block.data();
    TextFields text(tree);

    // The Joliet identifier is padded with zero units, the primary one with spaces.
    std::string volumeId = VolumeIdentifier(tree, contents.label);
    FillText(at + 40, kVolumeIdentifierSize, volumeId, tree == IsoTreeKind::Primary ? " " : std::string_view("\0", 1));
    PutBoth32(at + 80, static_cast<std::uint32_t>(contents.layout.totalBlocks)); // the plan keeps it below 2^32
    if (tree == IsoTreeKind::Joliet)
        std::memcpy(at + 88, "%/E", 3);
    PutBoth16(at + 120, 1); // volume set size
    PutBoth16(at + 124, 1); // volume sequence number
    PutBoth16(at + 128, kBlockSize);
    const IsoExtent& pathTable =
        tree == IsoTreeKind::Primary ? contents.layout.primaryPathTable : contents.layout.jolietPathTable;
    PutBoth32(at + 132, pathTable.size);
    PutLe32(at + 140, pathTable.block);
    EncodeDirectoryRecord(at + 156, {contents.root.ExtentIn(tree), contents.buildDate, true, std::string(1, '\0')});
    text.Put(at + 190, 128, "");               // volume set
    text.Put(at + 318, 128, "");               // publisher
    text.Put(at + 446, 128, "");               // data preparer
    text.Put(at + 574, 128, kApplicationIdentifier);
    for (std::size_t field = 0; field < 3; ++field) // copyright, abstract, bibliographic files
        text.Put(at + 702 + 37 * field, 37, "");
    auto date = EncodeDescriptorDate(contents.buildDate);
    for (std::size_t offset : {813u, 830u, 864u}) // creation, modification, effective
        std::copy(date.begin(), date.end(), at + offset);
    at[881] = 1; // file structure version
    return block;
}

DescriptorBlock EncodeTerminator()
{
    DescriptorBlock block;
    StartDescriptor(block, 255);
    return block;
}

} // namespace iso9660
