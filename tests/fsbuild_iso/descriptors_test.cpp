#include "fsbuild/iso9660/iso_volume_descriptors.h"

#include "iso_test_tree.h"

#include <gtest/gtest.h>

using namespace iso9660;
using namespace iso9660::testing;

namespace {

std::string Field(const DescriptorBlock& block, std::size_t offset, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(block.data() + offset), size);
}

std::string Ucs2(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii)
        bytes += std::string{'\0', c};
    return bytes;
}

struct Volume {
    IsoNode root = Root({Folder(u"sub", {}), File(u"f", 10)});
    IsoLayout layout = LayOutImage(root);
    IsoDate buildDate{2024, 2, 29, 13, 45, 7, 89};

    DescriptorBlock Encode(IsoTreeKind tree, std::u16string label)
    {
        return EncodeVolumeDescriptor(tree, {std::move(label), buildDate, layout, root});
    }
};

} // namespace

TEST(VolumeDescriptor, PrimaryFields)
{
    Volume volume;
    DescriptorBlock block = volume.Encode(IsoTreeKind::Primary, u"my disk 1");
    EXPECT_EQ(Field(block, 0, 7), std::string("\x01" "CD001\x01", 7));
    EXPECT_EQ(Field(block, 8, 32), std::string(32, '\0'));
    EXPECT_EQ(Field(block, 40, 32), "MY_DISK_1" + std::string(23, ' '));
    EXPECT_EQ(Field(block, 80, 8), std::string("\x1a\0\0\0\0\0\0\x1a", 8)) << "26 blocks, both orders";
    EXPECT_EQ(Field(block, 88, 32), std::string(32, '\0'));
    EXPECT_EQ(Field(block, 120, 12), std::string("\1\0\0\1\1\0\0\1\0\x08\x08\0", 12));
    EXPECT_EQ(Field(block, 132, 8), std::string("\x16\0\0\0\0\0\0\x16", 8)) << "path table of 22 bytes";
    EXPECT_EQ(Field(block, 140, 16), std::string("\x13\0\0\0", 4) + std::string(12, '\0'));
    EXPECT_EQ(block[156], 34);
    EXPECT_EQ(block[156 + 2], volume.root.primary.block);
    EXPECT_EQ(block[156 + 10 + 1], 0x08) << "root size 2048";
    EXPECT_EQ(block[156 + 25], 2);
    EXPECT_EQ(Field(block, 190, 384), std::string(384, ' '));
    EXPECT_EQ(Field(block, 574, 128), "Ostra Labs, Inc." + std::string(112, ' '));
    EXPECT_EQ(Field(block, 702, 111), std::string(111, ' '));
    for (std::size_t offset : {813u, 830u, 864u})
        EXPECT_EQ(Field(block, offset, 17), std::string("2024022913450789\0", 17)) << offset;
    EXPECT_EQ(Field(block, 847, 17), std::string(17, '\0'));
    EXPECT_EQ(block[881], 1);
    EXPECT_EQ(Field(block, 882, 2048 - 882), std::string(2048 - 882, '\0'));
}

TEST(VolumeDescriptor, JolietFields)
{
    Volume volume;
    DescriptorBlock block = volume.Encode(IsoTreeKind::Joliet, u"my disk 1");
    EXPECT_EQ(Field(block, 0, 7), std::string("\x02" "CD001\x01", 7));
    EXPECT_EQ(Field(block, 40, 32), Ucs2("my disk 1") + std::string(14, '\0'));
    EXPECT_EQ(Field(block, 88, 32), "%/E" + std::string(29, '\0'));
    EXPECT_EQ(Field(block, 132, 8), std::string("\x18\0\0\0\0\0\0\x18", 8)) << "Joliet path table of 24 bytes";
    EXPECT_EQ(Field(block, 140, 4), std::string("\x14\0\0\0", 4));
    EXPECT_EQ(block[156 + 2], volume.root.joliet.block);
    EXPECT_EQ(Field(block, 190, 128), Ucs2(std::string(64, ' ')));
    EXPECT_EQ(Field(block, 574, 128), Ucs2("Ostra Labs, Inc." + std::string(48, ' ')));
    EXPECT_EQ(Field(block, 702, 37), Ucs2(std::string(18, ' ')) + std::string(1, '\0'));
    EXPECT_EQ(Field(block, 813, 17), std::string("2024022913450789\0", 17));
}

TEST(VolumeDescriptor, LongLabelsAreCutOnlyInTheJolietIdentifier)
{
    struct Case {
        std::u16string label;
        std::string primary;
        std::string joliet;
    };
    std::u16string emoji = u"\U0001F600";
    std::u16string label32 = u"abcdefghijklmnopqrstuvwxyz012345";
    for (const Case& c :
         {Case{u"abcdefghijklmnopq", "ABCDEFGHIJKLMNOPQ" + std::string(15, ' '), Ucs2("abcdefghijklmnop")},
          Case{label32, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", Ucs2("abcdefghijklmnop")},
          // the cut never leaves half a surrogate pair
          Case{u"abcdefghijklmno" + emoji, "ABCDEFGHIJKLMNO_" + std::string(16, ' '),
               Ucs2("abcdefghijklmno") + std::string(2, '\0')},
          Case{u"", std::string(32, ' '), std::string(32, '\0')}}) {
        Volume volume;
        EXPECT_EQ(Field(volume.Encode(IsoTreeKind::Primary, c.label), 40, 32), c.primary);
        EXPECT_EQ(Field(volume.Encode(IsoTreeKind::Joliet, c.label), 40, 32), c.joliet);
    }
}

TEST(VolumeDescriptor, Terminator)
{
    DescriptorBlock block = EncodeTerminator();
    EXPECT_EQ(Field(block, 0, 7), std::string("\xff" "CD001\x01", 7));
    EXPECT_EQ(Field(block, 7, 2041), std::string(2041, '\0'));
}
