// The LFT page writer of the table builds, the clean-ups around it, and the protected ECC
// mode every table write runs in.
#pragma once

#include "portwarden/flash_params.h"
#include "server/nand/nand_port.h"
#include "server/nand/table_images.h"
#include "server/nand/table_paths.h"
#include "server/nand/table_writers.h"

#include <span>

namespace nand {

// The ECC register set to its strongest for the table writes, and back after each.
class ProtectedEcc {
public:
    explicit ProtectedEcc(const NandPort& port) : port_(port) {}
    // The setting as the build found it; 10 attempts.
    bool Read();
    // `step` between the strongest setting and the saved one; both writes must succeed too.
    template <class Step>
    bool Run(Step step)
    {
        const bool strong = Write(scsi::StrongestEcc(saved_));
        const bool done = strong && step();
        return Restore() && done;
    }
    bool Restore() { return Write(saved_); }

private:
    bool Write(BYTE value);

    const NandPort& port_;
    BYTE saved_ = 0;
};

struct LftPage {
    const LftImage& lft;
    TatImage& tat;
    int tatIndex;
    BYTE parameter;
    PlaneForm form;
    int groupSize; // of the two-plane form's groups
};

// Writes one LFT page into the block of its TAT entry. Before the first page the blocks of
// the first VB are erased. A page that fails three times takes its block out of the map;
// the one-plane form fails then, the two-plane form moves the page to a new group.
bool WriteLftPage(const NandPort& port, const UFDFlashParams& params, TablePaths& paths, const LftPage& page);

// The reserved blocks (the first `count` free-list entries) erased when flags bit 0 is set:
// the one-plane form erases each listed block alone, two entries a path a round; the
// two-plane form erases each group with its plane companions, one entry a path a round.
bool ClearReserved(const NandPort& port, const UFDFlashParams& params, const TablePaths& paths,
                   std::span<const WORD> entries, std::size_t first, std::size_t count, PlaneForm form,
                   const char* failLine);

} // namespace nand
