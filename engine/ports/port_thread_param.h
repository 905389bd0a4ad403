// The start record a port view hands to its worker thread. The view owns it for as long as
// the view lives; the worker reads it for its whole run.
#pragma once

#include "engine/ports/atomic_byte.h"
#include "platform/base/wintypes.h"
#include "platform/window/window.h"
#include "portwarden/records.h"

#include <cstdint>

class MainFrameSettings;
struct UFDPortBlockMap;

struct PortThreadParam {
    HWND hwndView;                      // receives the worker's messages
    MainFrameSettings* mainFrame;       // owner of the settings record
    std::int32_t port;                  // 0..31: device index, event index, first field of posted records
    // Written by the view while the worker runs; flash-drive steps end the run with 2 on 1.
    AtomicByte stopRequest;
    std::uint64_t serialNumber;         // written by the worker
    UFDPortBlockMap* blockMapEntry;     // flash-drive mode: this port's record in the server block map
    std::uint8_t portFlags;             // INQUIRY byte 51
    std::uint8_t firmwareVersion[4];    // INQUIRY bytes 40..43
    std::uint8_t chipType;              // INQUIRY byte 0 low nibble, bit 7 unless the maker's signature
    char hdSerial[16];                  // drive serial text (ANSI), written by the worker; no NUL when full
    PortRecord* portRecord;             // the port's record in the document
};

static_assert(sizeof(PortThreadParam) == 72);
