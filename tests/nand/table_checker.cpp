#include "tests/nand/table_checker.h"

#include <map>
#include <set>
#include <sstream>

namespace nandtest {
namespace {

constexpr std::uint16_t kNone = 0xFFFF;

std::uint16_t Be16(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

std::uint16_t Host16(const std::uint8_t* bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

class Checker {
public:
    Checker(const sim::nand::NandController& flash, const std::uint8_t* part2, const TableLayout& layout)
        : flash_(flash), part2_(part2), layout_(layout)
    {
    }

    TableFacts Run();

private:
    template <class... Parts>
    void Problem(const Parts&... parts)
    {
        std::ostringstream text;
        (text << ... << parts);
        facts_.problems.push_back(text.str());
    }
    unsigned PathOf(std::uint8_t chip) const
    {
        return (chip >> 4) * flash_.geometry().channelCount + (chip & 0x0F);
    }
    // The first page of a table block, after checking its tag.
    std::vector<std::uint8_t> TablePage(std::uint8_t chip, std::uint16_t block, const char* tag)
    {
        const unsigned path = PathOf(chip);
        if (flash_.PageTag(path, block, 0) != tag)
            Problem("block ", block, " of chip ", int{chip}, " is not tagged ", tag, " but '",
                    flash_.PageTag(path, block, 0), "'");
        tables_.insert({path, block});
        facts_.tableChips.push_back(chip);
        return flash_.PageData(path, block, 0);
    }
    std::array<std::uint8_t, 4> Entry(const std::vector<std::uint8_t>& page, std::size_t index) const
    {
        return {page[4 * index], page[4 * index + 1], page[4 * index + 2], page[4 * index + 3]};
    }
    bool FindWct();
    void CheckFixedEntries();
    void CheckLft(const std::vector<std::vector<std::uint8_t>>& tatPages);
    void CheckGood(unsigned path, std::uint16_t block, const char* what);

    const sim::nand::NandController& flash_;
    const std::uint8_t* part2_;
    TableLayout layout_;
    TableFacts facts_;
    std::vector<std::uint8_t> wct_;
    std::set<std::pair<unsigned, unsigned>> tables_;
};

bool Checker::FindWct()
{
    for (unsigned block = 0; block < flash_.geometry().blocks; ++block)
        if (flash_.PageTag(0, block, 0) == "WCTSYS") {
            facts_.wctBlock = static_cast<std::uint16_t>(block);
            wct_ = flash_.PageData(0, block, 0);
            tables_.insert({0u, block});
            return true;
        }
    Problem("no page of path 0 is tagged WCTSYS");
    return false;
}

void Checker::CheckFixedEntries()
{
    for (std::size_t i = 0; i < facts_.tatA.size(); ++i)
        facts_.tatA[i] = Entry(wct_, i);
    const auto& tat0 = facts_.tatA[0];
    const auto& tat1 = facts_.tatA[1];
    if (tat0[1] != 0 || tat1[1] != 255 || tat0[0] != tat1[0])
        Problem("TAT_A 0 and 1 are not the TAT pair: marks ", int{tat0[1]}, ", ", int{tat1[1]});
    const auto& erase = facts_.tatA[0x20];
    const std::array<std::uint8_t, 4> expected{layout_.eraseCount[3], layout_.eraseCount[2], layout_.eraseCount[1],
                                               layout_.eraseCount[0]};
    if (erase != expected)
        Problem("TAT_A 0x20 does not hold the erase count");
    const auto& wct = facts_.tatA[0x21];
    if ((wct[0] << 8 | wct[1]) != facts_.wctBlock)
        Problem("TAT_A 0x21 names block ", wct[0] << 8 | wct[1], " as the WCT, it lies in ", facts_.wctBlock);
    const auto& ext1 = facts_.tatA[0x22];
    const auto& ext2 = facts_.tatA[0x23];
    const std::array<std::uint8_t, 4> none{255, 255, 0xFF, 0xFF};
    if (ext1 == none && ext2 == none)
        return;
    facts_.extended = true;
    if (ext1[1] != 0 || ext2[1] != 0)
        Problem("TAT_A 0x22 / 0x23 marks are not 0");
    const std::uint16_t block = static_cast<std::uint16_t>(ext1[2] << 8 | ext1[3]);
    TablePage(ext1[0], block, "EXTSYS");
    tables_.insert({PathOf(ext2[0]), static_cast<unsigned>(ext2[2] << 8 | ext2[3])});
    facts_.tableChips.push_back(ext2[0]);
}

void Checker::CheckGood(unsigned path, std::uint16_t block, const char* what)
{
    if (flash_.FactoryBad(path, block) || flash_.MarkedBad(path, block))
        Problem(what, " block ", block, " of path ", path, " is bad");
}

void Checker::CheckLft(const std::vector<std::vector<std::uint8_t>>& tatPages)
{
    const unsigned paths = part2_[48];
    const unsigned lftPages = Host16(part2_, 54);
    const unsigned step = layout_.onePlane ? 2 : 1;
    std::map<unsigned, std::set<unsigned>> used;
    for (unsigned page = 0; page < lftPages; ++page) {
        const unsigned index = page * step;
        if (index / 512 >= tatPages.size()) {
            Problem("LFT page ", page, " has no TAT page");
            return;
        }
        const auto entry = Entry(tatPages[index / 512], index % 512);
        if (entry[1] != 0)
            Problem("TAT entry ", index, " has mark ", int{entry[1]});
        if (layout_.onePlane) {
            const auto partner = Entry(tatPages[(index + 1) / 512], (index + 1) % 512);
            if (partner[1] != 255 || partner[0] != entry[0])
                Problem("TAT entry ", index + 1, " is not the partner of ", index);
            tables_.insert({PathOf(partner[0]), static_cast<unsigned>(partner[2] << 8 | partner[3])});
            facts_.tableChips.push_back(partner[0]);
        }
        const auto lft = TablePage(entry[0], static_cast<std::uint16_t>(entry[2] << 8 | entry[3]), "LFTSYS");
        for (unsigned word = 0; word < 1024; ++word) {
            const std::uint16_t block = Be16(lft, 2 * word);
            facts_.lft.push_back(block);
            if (block == kNone)
                continue;
            const unsigned path = (layout_.onePlane ? word / 2 : word) % paths;
            ++facts_.lftBlocks;
            const unsigned group = layout_.onePlane ? 1 : layout_.planes;
            for (unsigned i = 0; i < group; ++i) {
                CheckGood(path, static_cast<std::uint16_t>(block + i), "LFT");
                if (!used[path].insert(block + i).second)
                    Problem("block ", block + i, " of path ", path, " stands twice in the LFT");
                if (tables_.count({path, block + i}) != 0)
                    Problem("LFT block ", block + i, " of path ", path, " holds a table");
            }
        }
    }
    // The free list runs round by round like the LFT (after the reserved groups, where there
    // are any): its blocks are neither mapped nor tables.
    const unsigned grouped = layout_.reservedGroupWords;
    for (unsigned word = 0; word < facts_.freeList.size(); ++word) {
        const std::uint16_t block = facts_.freeList[word];
        if (block == kNone)
            continue;
        const unsigned round = word < grouped ? word : layout_.onePlane ? (word - grouped) / 2 : word;
        const unsigned path = round % paths;
        if (!used[path].insert(block).second)
            Problem("free block ", block, " of path ", path, " is also mapped or free twice");
        if (tables_.count({path, block}) != 0)
            Problem("free block ", block, " of path ", path, " holds a table");
    }
}

TableFacts Checker::Run()
{
    if (!FindWct())
        return facts_;
    CheckFixedEntries();
    for (unsigned i = 0; i < 896; ++i)
        facts_.freeList.push_back(Be16(wct_, 256 + 2 * i));
    facts_.tatPages = part2_[53];
    facts_.lftPages = Host16(part2_, 54);
    std::vector<std::vector<std::uint8_t>> tatPages;
    for (unsigned page = 0; page < facts_.tatPages; ++page) {
        const auto& entry = facts_.tatA[2 * page];
        tatPages.push_back(TablePage(entry[0], static_cast<std::uint16_t>(entry[2] << 8 | entry[3]), "TATSYS"));
    }
    if (facts_.tatPages == 0)
        Problem("no TAT page was written");
    CheckLft(tatPages);
    return facts_;
}

} // namespace

TableFacts CheckTables(const sim::nand::NandController& flash, const std::uint8_t* part2, const TableLayout& layout)
{
    return Checker(flash, part2, layout).Run();
}

} // namespace nandtest
