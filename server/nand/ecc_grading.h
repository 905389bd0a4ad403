// The grading of one block by the bit-error count the controller's VB engine reports: a
// block within its limit (byte 31 for MLC, byte 32 for TLC) passes and is erased; one
// above it is erased and, with flags bit 2, marked bad on the flash until its spare shows
// the mark. The erase-write-check form first fills the block with a random pattern.
#pragma once

#include "portwarden/flash_params.h"
#include "server/nand/nand_port.h"

namespace nand {

constexpr BYTE kGradeUnreadable = 0xFF;
constexpr BYTE kGradeNotMarked = 0xCC;

enum class GradeLimit { Mlc = 0, Tlc = 1 };
enum class GradeForm { CheckOnly, EraseWriteCheck };

struct Grade {
    bool passed;
    BYTE grade; // the bit-error count, kGradeUnreadable or kGradeNotMarked
};

Grade GradeBlock(const NandPort& port, const UFDFlashParams& params, int ce, int channel, GradeLimit limit, long block,
                 GradeForm form);

} // namespace nand
