#include "tests/scsi/sender_cases.h"

#include "server/scsi/stdcmd_control.h"
#include "server/scsi/vcomm_control.h"

#include <random>
#include <sstream>

namespace scsitest {
namespace {

CSTDCMDControl& Std()
{
    static CSTDCMDControl control;
    return control;
}

CVCommCMDControl& Vendor()
{
    static CVCommCMDControl control;
    return control;
}

constexpr BlockTag kIspTag{'I', 'S', 'P', 'S', 'Y', 'S'};
constexpr BlockTag kCisTag{'C', 'I', 'S', 'S', 'Y', 'S'};

std::vector<SenderCase> BuildSenderCases()
{
    // Created first, so that their creation lines come before any case runs.
    Std();
    Vendor();
    using B = const BYTE*;
    using O = BYTE*;
    std::vector<SenderCase> cases = {
        // Standard commands.
        {"SendInquiry", [](HANDLE h, B, O in) { return Std().SendInquiry(h, 2, 3, in); },
         "12 00 00 00 80 00", 6, kIn, 128, 3, false, 0, {" SendInquiry()"}, 2, 3, 0},
        {"SendTestUnitReady", [](HANDLE h, B, O) { UCHAR s = 9; return Std().SendTestUnitReady(h, 1, 2, 3, &s) && s == 0; },
         "00 00 00 00 00 00", 6, kIn, 0, 3, false, 0, {" SendTestUnitReady()"}, 2, 3, 1},
        {"SendReadCapacity", [](HANDLE h, B, O in) { return Std().SendReadCapacity(h, 1, in); },
         "25 00 00 00 00 00", 6, kIn, 8, 3, false, 0, {" SendReadCapacity()"}, 0, 1, 1},
        {"SendRead10 64 KiB", [](HANDLE h, B, O in) { return Std().SendRead10(h, 0, 0, 0, 0x12345678, 65536, in); },
         "28 00 12 34 56 78 00 00 80 00", 10, kIn, 65536, 30, false, 0, {}},
        {"SendWrite10", [](HANDLE h, B out, O) { return Std().SendWrite10(h, 1, 0, 0, 0x00ABCDEF, 4096, out); },
         "2A 00 00 AB CD EF 00 00 08 00", 10, kOut, 4096, 30, false, 0, {}, 0, 0, 1, true},
        {"SendRead10Timed", [](HANDLE h, B, O in) { DWORD t; return Std().SendRead10Timed(h, 0, 0, 0, 7, 512, in, &t); },
         "28 00 00 00 00 07 00 00 01 00", 10, kIn, 512, 30, false, 0, {}},
        {"SendWrite10Timed",
         [](HANDLE h, B out, O) { DWORD t; return Std().SendWrite10Timed(h, 0, 0, 0, 0x100, 1024, out, &t); },
         "2A 00 00 00 01 00 00 00 02 00", 10, kOut, 1024, 30, false, 0, {}, 0, 0, 0, true},
        {"SCSI_LoadUnload", [](HANDLE h, B, O) { return Std().SCSI_LoadUnload(h, 0, 0, 0, 0x02); },
         "1B 00 00 00 02 00", 6, kIn, 0, 3, false, 0, {" SCSI_LoadUnload()"}},

        // Group 0x01: memory and registers.
        {"VendorRead XDATA", [](HANDLE h, B, O in) { return Vendor().VendorRead(h, 0x04, 0, 0, 0x2809, 1, in); },
         "EE 01 00 00 28 09 04 00 01", 16, kIn, 1, 3, true, 0, {}},
        {"VendorWrite XDATA", [](HANDLE h, B out, O) { return Vendor().VendorWrite(h, 0x05, 0, 0, 0x2608, 1, out); },
         "EE 01 00 00 26 08 05 00 01", 16, kOut, 1, 3, true, 0, {}, 0, 0, 0, true},
        {"VendorWrite without data", [](HANDLE h, B, O) { return Vendor().VendorWrite(h, 0x03, 0, 0, 0x1234, 0, nullptr); },
         "EE 01 00 00 12 34 03 00 00", 16, kNone, 0, 3, true, 0, {}},

        // Group 0x02: LUN configuration and LUN data in sectors.
        {"ConfigureLUNRead sectors",
         [](HANDLE h, B, O in) { return Vendor().ConfigureLUNRead(h, 0x28, 0, 0, 0x00010203, 4096, in); },
         "EE 02 00 01 02 03 28 00 08", 16, kIn, 4096, 3, true, 0, {" ConfigureLUNRead()"}},
        {"ConfigureLUNRead 64 KiB of sectors",
         [](HANDLE h, B, O in) { return Vendor().ConfigureLUNRead(h, 0x28, 0, 0, 0, 65536, in); },
         "EE 02 00 00 00 00 28 00 80", 16, kIn, 65536, 3, true, 0, {" ConfigureLUNRead()"}},
        {"ConfigureLUNRead bytes", [](HANDLE h, B, O in) { return Vendor().ConfigureLUNRead(h, 0x88, 0, 0, 0, 48, in); },
         "EE 02 00 00 00 00 88 00 30", 16, kIn, 48, 3, true, 0, {" ConfigureLUNRead()"}},
        {"ConfigureLUNWrite sectors",
         [](HANDLE h, B out, O) { return Vendor().ConfigureLUNWrite(h, 0x2A, 0, 0, 0x10, 1024, out); },
         "EE 02 00 00 00 10 2A 00 02", 16, kOut, 1024, 3, true, 0, {" ConfigureLUNWrite()"}, 0, 0, 0, true},
        {"ConfigureLUNWrite CPU reset",
         [](HANDLE h, B, O) { return Vendor().ConfigureLUNWrite(h, 0x01, 0, 0, 0, 0, nullptr); },
         "EE 02 00 00 00 00 01 00 00", 16, kNone, 0, 3, true, 0, {" ConfigureLUNWrite()"}},

        // Groups 0x65 and 0x66: LUN and security settings, no status preset.
        {"LUNCONFIGRead", [](HANDLE h, B, O in) { return Vendor().LUNCONFIGRead(h, 0x89, 0x5A, 0, 0, 5, in); },
         "EE 65 00 00 00 00 89 00 05 00 00 5A", 16, kIn, 5, 3, false, 0, {" LUNCONFIGRead()"}},
        {"LUNCONFIGWrite", [](HANDLE h, B, O) { return Vendor().LUNCONFIGWrite(h, 0x83, 16, 0, 0, 0, nullptr); },
         "EE 65 00 00 00 00 83 00 00 00 00 10", 16, kNone, 0, 3, false, 0, {" LUNCONFIGWrite()"}},
        {"SecurityConfigRead", [](HANDLE h, B, O in) { return Vendor().SecurityConfigRead(h, 0x86, 1, 0, 0, 511, in); },
         "EE 66 00 00 00 00 86 01 FF 00 00 01", 16, kIn, 511, 3, false, 0, {" SecurityConfigRead()"}},
        {"SecurityConfigWrite",
         [](HANDLE h, B out, O) { return Vendor().SecurityConfigWrite(h, 0x85, 0, 0, 0, 511, out); },
         "EE 66 00 00 00 00 85 01 FF", 16, kOut, 511, 3, false, 0, {" SecurityConfigWrite()"}, 0, 0, 0, true},
        {"CacheClear", [](HANDLE h, B, O) { return Vendor().CacheClear(h, 0, 0); },
         "EE 6F", 16, kNone, 0, 10, false, 0, {" CacheClear()"}},

        // Group 0x80: EEPROM and firmware memory; group 0x8B: power management.
        {"VendorAccessRead",
         [](HANDLE h, B, O in) { return Vendor().VendorAccessRead(h, 0x80, 1, 0, 0, 0x100, 256, in, 0x12, 0x34); },
         "EE 80 00 00 01 00 80 01 00 00 00 01 12 34", 16, kIn, 256, 3, true, 0, {}},
        {"VendorAccessWrite",
         [](HANDLE h, B out, O) { return Vendor().VendorAccessWrite(h, 0x81, 0, 0, 0, 0x1000, 4096, out, 0, 0x33); },
         "EE 80 00 00 10 00 81 10 00 00 00 00 00 33", 16, kOut, 4096, 3, true, 0, {}, 0, 0, 0, true},
        {"USDPowerRead", [](HANDLE h, B, O in) { return Vendor().USDPowerRead(h, 0x01, 0, 0, 0, 0, 4, in); },
         "EE 8B 00 00 00 00 01 00 04", 16, kIn, 4, 3, false, 0, {" USDPowerRead()"}},
        {"USDPowerWrite", [](HANDLE h, B, O) { return Vendor().USDPowerWrite(h, 0x04, 0x01, 0x2C, 0, 0, 0, nullptr); },
         "EE 8B 00 00 00 00 04 00 00 00 00 01 2C", 16, kNone, 0, 3, false, 0, {" USDPowerWrite()"}},

        // Group 0x9F: ISP segments; group 0x90: system area.
        {"ISPAccessWrite init",
         [](HANDLE h, B out, O) { return Vendor().ISPAccessWrite(h, 0x81, 0, 0, 0x00123456, 16384, out); },
         "EE 9F 00 12 34 56 81 00 08", 16, kOut, 16384, 3, false, 0, {" ISPAccessWrite()"}, 0, 0, 0, true},
        {"ISPAccessWrite end", [](HANDLE h, B, O) { return Vendor().ISPAccessWrite(h, 0x80, 0, 0, 0, 0, nullptr); },
         "EE 9F 00 00 00 00 80", 16, kNone, 0, 3, false, 0, {" ISPAccessWrite()"}},
        {"SystemAccessRead flash id",
         [](HANDLE h, B, O in) { return Vendor().SystemAccessRead(h, 0x82, 0x01, 0, 0, 0, 64, in); },
         "EE 90 00 00 00 00 82 00 05 00 00 01", 16, kIn, 64, 3, true, 0, {}},
        {"SystemAccessRead address block",
         [](HANDLE h, B, O in) { return Vendor().SystemAccessRead(h, 0x8C, 0, 0, 0, 0, 64, in); },
         "EE 90 00 00 00 00 8C", 16, kIn, 64, 3, true, 0, {}},
        {"SystemAccessWrite ISP image",
         [](HANDLE h, B out, O) { return Vendor().SystemAccessWrite(h, 0x81, 0, 0, 0, 0xC000, 16384, out); },
         "EE 90 00 00 C0 00 81 00 20", 16, kOut, 16384, 3, true, 0, {}, 0, 0, 0, true},
        {"SystemAccessWrite flash id sub",
         [](HANDLE h, B out, O) { return Vendor().SystemAccessWrite(h, 0x82, 0, 0, 0, 0, 64, out); },
         "EE 90 00 00 00 00 82 00 05", 16, kOut, 64, 3, true, 0, {}, 0, 0, 0, true},
        {"SystemAccessWrite ready flag",
         [](HANDLE h, B, O) { return Vendor().SystemAccessWrite(h, 0x86, 0x01, 0, 0, 0, 0, nullptr); },
         "EE 90 00 00 00 00 86 00 00 00 00 01", 16, kNone, 0, 3, true, 0, {}},

        // Group 0x95: spare areas and blocks.
        {"SpareAccessRead",
         [](HANDLE h, B, O in) { return Vendor().SpareAccessRead(h, 0x88, 0x11, 0x22, 0, 0, 0x01000040, 64, in); },
         "EE 95 01 00 00 40 88 00 40 11 22", 16, kIn, 64, 3, true, 10, {" SpareAccessRead()"}},
        {"SpareAccessWrite",
         [](HANDLE h, B out, O) { return Vendor().SpareAccessWrite(h, 0x8A, 0x11, 0x22, 0, 0, 0x01000040, 64, out); },
         "EE 95 01 00 00 40 8A 00 40 11 22", 16, kOut, 64, 3, true, 0, {" SpareAccessWrite()"}, 0, 0, 0, true},
        {"BlockAccessRead protected",
         [](HANDLE h, B, O in) { return Vendor().BlockAccessRead(h, 0x89, 2, 0x80, 0, 0, 0x200, 1024, in); },
         "EE 95 00 00 02 00 89 02 02 80 00 01", 16, kIn, 1024, 3, true, 10, {}},
        {"BlockAccessRead plain",
         [](HANDLE h, B, O in) { return Vendor().BlockAccessRead(h, 0x89, 4, 0x40, 0, 0, 0x10000200, 2048, in); },
         "EE 95 10 00 02 00 89 04 04 40", 16, kIn, 2048, 3, true, 10, {}},
        {"BlockAccessWrite",
         [](HANDLE h, B out, O) {
             return Vendor().BlockAccessWrite(h, 0x8B, 4, 0x80, kIspTag, 0, 0, 0x10000100, 2048, out);
         },
         "EE 95 10 00 01 00 8B 04 04 80 49 53 50 53 59 53", 16, kOut, 2048, 3, true, 0, {}, 0, 0, 0, true},
        {"BlockAccessErase", [](HANDLE h, B, O in) { return Vendor().BlockAccessErase(h, 0x8E, 0, 0, 0x400, 1, in); },
         "EE 95 00 00 04 00 8E", 16, kIn, 1, 3, true, 0, {}},

        // Group 0x65 configuration tables: offset in units.
        {"ConfigAccessRead",
         [](HANDLE h, B, O in) { return Vendor().ConfigAccessRead(h, 0x8D, 3, 0x80, 0, 0, 0x6000, 2048, in, 2048); },
         "EE 65 00 00 00 0C 8D 03 04 80 00 01", 16, kIn, 2048, 3, false, 0, {}},
        {"ConfigAccessWrite",
         [](HANDLE h, B out, O) {
             return Vendor().ConfigAccessWrite(h, 0x8C, 3, 0x08, kCisTag, 0, 0, 4096, 6144, out, 2048);
         },
         "EE 65 00 00 00 02 8C 03 0C 08 43 49 53 53 59 53", 16, kOut, 6144, 3, false, 0, {}, 0, 0, 0, true},

        // Group 0x50: block status and marks; group 0x51: bad-block check.
        {"BlockMarkRead",
         [](HANDLE h, B, O in) { return Vendor().BlockMarkRead(h, 0x70, 0, 0, 0x300, 1, 0, 0x70, 0, in); },
         "EE 50 00 00 03 00 70 00 00 00 00 70", 16, kIn, 1, 3, false, 0, {" BlockMarkRead()"}},
        {"BlockMarkWrite mark bad",
         [](HANDLE h, B, O) { return Vendor().BlockMarkWrite(h, 0x80, 0, 0, 0x300, 0, 0x40, 0x11, 0x22, nullptr); },
         "EE 50 00 00 03 00 80 00 40 00 00 11 22", 16, kIn, 0, 3, false, 0, {" BlockMarkWrite()"}},
        {"BlockMarkWrite with data",
         [](HANDLE h, B out, O) { return Vendor().BlockMarkWrite(h, 0x80, 0, 0, 0x300, 4, 0x40, 0x11, 0x22, out); },
         "EE 50 00 00 03 00 80 00 40 00 00 11 22", 16, kIn, 4, 3, false, 0, {" BlockMarkWrite()"}, 0, 0, 0, true},
        {"BlockCheckErase",
         [](HANDLE h, B, O in) {
             return Vendor().BlockCheckErase(h, 0, 0, 0, 0x01000000, 512, 0x40, 0x00, 0x08, 0x00, in);
         },
         "EE 51 01 00 00 00 00 02 00 40 00 08 00", 16, kIn, 512, 30, true, 10, {}},

        // Group 0xF8: the virtual-block engine.
        {"VBCommandRead", [](HANDLE h, B, O in) { return Vendor().VBCommandRead(h, 0x80, 1, 2, 0x0345, 0x67, 4096, in); },
         "EE F8 12 67 03 45 80", 16, kIn, 4096, 30, true, 10, {}},
        {"SetThreeSLCVB", [](HANDLE h, B, O) { return Vendor().SetThreeSLCVB(h, 0x82); },
         "EE F8 00 00 00 00 82", 16, kIn, 0, 30, true, 10, {"Set Three SLC VB"}},
        {"CopySLCToTLC", [](HANDLE h, B, O) { return Vendor().CopySLCToTLC(h, 0x84, 0x0123, 0x45, 0x0678); },
         "EE F8 00 45 01 23 84 06 78", 16, kIn, 0, 30, true, 10, {"Copy SLC to TLC: BlockAddr=0x00000123"}},
        {"FillMainFIFO", [](HANDLE h, B out, O) { return Vendor().FillMainFIFO(h, 0x86, 0x8000, out); },
         "EE F8 00 00 00 00 86", 16, kOut, 0x8000, 3, true, 0, {"Fill Main FIFO"}, 0, 0, 0, true},
        {"MLCVBWrite", [](HANDLE h, B, O) { return Vendor().MLCVBWrite(h, 0x88, 0x0456, 0x0007); },
         "EE F8 00 00 04 56 88 00 07", 16, kOut, 0, 6, true, 0, {"MLCVBWrite: BlockAddr=0x00000456"}},

        // Caller-built CDBs.
        {"TestCommandRead SPI",
         [](HANDLE h, B, O in) {
             return Vendor().TestCommandRead(h, 0x80EE, 0x01020304, 0x0040007F, 0x44332211, 0x00665544, in);
         },
         "EE 80 01 02 03 04 7F 00 40 22 11 33 44 44 55 66", 16, kIn, 64, 3, false, 0, {" TestCommandRead()"}},
        {"TestCommandWrite SPI",
         [](HANDLE h, B out, O) { return Vendor().TestCommandWrite(h, 0x80EE, 0, 0x0010007F, 0, 0, out); },
         "EE 80 00 00 00 00 7F 00 10", 16, kOut, 16, 3, false, 0, {" TestCommandWrite()"}, 0, 0, 0, true},
        {"ATACommandRead IDENTIFY",
         [](HANDLE h, B, O in) { return Vendor().ATACommandRead(h, 0x08A1, 0x0D000000, 0x00A00000, 0xEC00, 0, 512, in); },
         "A1 08 0D 00 00 00 00 00 A0 EC", 16, kIn, 512, 3, false, 0, {"ATACommandRead()"}},
    };
    return cases;
}

std::vector<RefusedCase> BuildRefusedCases()
{
    Std();
    Vendor();
    using B = const BYTE*;
    using O = BYTE*;
    return {
        {"SendRead10 beyond 64 KiB", [](HANDLE h, B, O in) { return Std().SendRead10(h, 0, 0, 0, 0, 65536 + 512, in); }},
        {"SendRead10 part of a block", [](HANDLE h, B, O in) { return Std().SendRead10(h, 0, 0, 0, 0, 1000, in); }},
        {"SendWrite10Timed part of a block",
         [](HANDLE h, B out, O) { DWORD t = 5; return Std().SendWrite10Timed(h, 0, 0, 0, 0, 700, out, &t) + int(t); }},
        {"VendorRead beyond the data area",
         [](HANDLE h, B, O in) { return Vendor().VendorRead(h, 0x02, 0, 0, 0, 65537, in); }},
        {"VendorRead beyond its length field",
         [](HANDLE h, B, O in) { return Vendor().VendorRead(h, 0x02, 0, 0, 0, 65536, in); }},
        {"ConfigureLUNRead part of a sector",
         [](HANDLE h, B, O in) { return Vendor().ConfigureLUNRead(h, 0x28, 0, 0, 0, 1000, in); }},
        {"ConfigureLUNWrite part of a sector",
         [](HANDLE h, B out, O) { return Vendor().ConfigureLUNWrite(h, 0x2A, 0, 0, 0, 513, out); }},
        {"SystemAccessWrite ISP part of a sector",
         [](HANDLE h, B out, O) { return Vendor().SystemAccessWrite(h, 0x81, 0, 0, 0, 0, 1000, out); }},
        {"BlockAccessRead part of a sector",
         [](HANDLE h, B, O in) { return Vendor().BlockAccessRead(h, 0x89, 2, 0, 0, 0, 0, 1500, in); }},
        {"BlockAccessWrite beyond the data area",
         [](HANDLE h, B out, O) { return Vendor().BlockAccessWrite(h, 0x8B, 2, 0, kCisTag, 0, 0, 0, 70000, out); }},
        {"ConfigAccessRead unit 0",
         [](HANDLE h, B, O in) { return Vendor().ConfigAccessRead(h, 0x8D, 3, 0, 0, 0, 4096, 2048, in, 0); }},
        {"ConfigAccessWrite part of a sector",
         [](HANDLE h, B out, O) { return Vendor().ConfigAccessWrite(h, 0x8C, 3, 0, kCisTag, 0, 0, 0, 100, out, 2048); }},
        {"ISPAccessWrite beyond the data area",
         [](HANDLE h, B out, O) { return Vendor().ISPAccessWrite(h, 0x81, 0, 0, 0, 65537, out); }},
        {"ATACommandRead beyond the data area",
         [](HANDLE h, B, O in) { return Vendor().ATACommandRead(h, 0x08A1, 0, 0, 0, 0, 65537, in); }},
        {"FillMainFIFO other than 32 KiB", [](HANDLE h, B out, O) { return Vendor().FillMainFIFO(h, 0x86, 0x4000, out); }},
    };
}

} // namespace

const std::vector<SenderCase>& SenderCases()
{
    static const std::vector<SenderCase> cases = BuildSenderCases();
    return cases;
}

const std::vector<RefusedCase>& RefusedCases()
{
    static const std::vector<RefusedCase> cases = BuildRefusedCases();
    return cases;
}

std::vector<BYTE> CdbBytes(const SenderCase& c)
{
    std::vector<BYTE> bytes(c.cdbLength, 0);
    std::istringstream text(c.cdb);
    unsigned value = 0;
    for (std::size_t i = 0; text >> std::hex >> value; ++i)
        bytes.at(i) = static_cast<BYTE>(value);
    return bytes;
}

const std::vector<BYTE>& OutgoingPattern()
{
    static const std::vector<BYTE> pattern = [] {
        std::vector<BYTE> bytes(65536);
        std::mt19937 random(1102);
        for (auto& b : bytes)
            b = static_cast<BYTE>(random());
        return bytes;
    }();
    return pattern;
}

} // namespace scsitest
