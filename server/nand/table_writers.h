// The verified writers of the system-table pages (TAT, WCT, extended WCT and the page
// writer the LFT writers share). The two-plane form erases the block's plane companions
// with it, the one-plane form the block alone. A page that fails its check three times
// shows its message box and, with flags bit 2, has its block marked bad on the flash; the
// write has failed then, whatever the mark's result.
#pragma once

#include "portwarden/flash_params.h"
#include "server/nand/block_cursor.h"
#include "server/nand/nand_port.h"
#include "server/nand/table_images.h"

#include <span>
#include <vector>

namespace nand {

enum class PlaneForm { One, Two };

struct TableWrite {
    const char* errorBox;       // "Write TAT Error"
    const char* tag;            // six characters: "TATSYS"
    std::span<const BYTE> flash; // the page in flash form
    BYTE parameter = 0;         // the extra parameter byte
    BYTE writeSub = 0x8B;
    BYTE readSub = 0x89;
};

// The blocks the two-plane writers erase with `block`.
std::vector<long> PlaneCompanions(const UFDFlashParams& params, long block);
// The pages of a block as the mark-bad command gives them: byte 17, a third of it on 0x30 flash.
WORD MarkedPageCount(const UFDFlashParams& params);
bool MarkBlockBad(const NandPort& port, const UFDFlashParams& params, DWORD row);

bool WriteTablePage(const NandPort& port, const UFDFlashParams& params, BYTE chip, long block, PlaneForm form,
                    const TableWrite& write);

// TAT page `page` into the block of TAT_A entry 2 x page.
bool WriteTatInfo(const NandPort& port, const UFDFlashParams& params, const TatImage& tat,
                  std::span<const TatEntry> tatA, std::size_t page, BYTE parameter, PlaneForm form);
// The WCT into block `block` of the chip; 6144 bytes with flags bit 3 (the multi-page form),
// else 2048, never more than a page (byte 19 sectors).
bool WriteWctInfo(const NandPort& port, const UFDFlashParams& params, const WctImage& wct, BYTE chip, long block,
                  BYTE parameter, PlaneForm form);
bool WriteExtWctInfo(const NandPort& port, const UFDFlashParams& params, const ExtWctImage& ext,
                     std::span<const BlockCursor> cursors, long blocks, BYTE chip, long block, int number,
                     BYTE parameter, PlaneForm form);

} // namespace nand
