// The steps of a flash-drive run that write the device's data blocks: the CIS image into
// its two CIS blocks, the ISP firmware into its two ISP blocks, and the boot code into the
// SPI part. Each writes, reads back and compares, advances the port's progress and returns
// a run result. The block addresses, the flash parameters and the physical capacity come
// from the run's own image (TakeRunImage), never from the settings' shared one.
#pragma once

#include "engine/cis/cis_image.h"
#include "engine/ports/port_device.h"
#include "engine/ports/port_reporter.h"
#include "engine/ports/port_thread_param.h"

// 1; 22 no CIS address; the serial-number step's failure (11, 44); 33, 9, 10 erase, write
// or read failed (each shown to the operator); 12 a read-back with more bit errors than
// LunTypeBitMap bits 16..19 allow; 2 stopped. Progress: 100 in all.
// `rememberedCode` 39: LUN 0 takes the physical capacity.
int WriteCis(PortReporter& progress, PortThreadParam& param, const PortDevice& device, CISImage& runImage,
             int systemAddressFlag, int rememberedCode);

// 1; 23 no ISP address; 3 the firmware file cannot be opened; 4 it cannot be read whole,
// is empty or is larger than an ISP block; 0 a page transfer failed; 8 a 1024-byte stretch
// read back with more bit errors than allowed. Progress: 100 in all.
int WriteIspFirmware(PortThreadParam& param, PortReporter& progress, const PortDevice& device, const CISImage& runImage,
                     int systemAddressFlag);

// The first 16 KiB of the boot-code file into the SPI part with `flashCode`, read back and
// compared: 1; 28 cannot open; 29 shorter than 16 KiB; 30 write, 31 read failed; 32 differs;
// 2 stopped. Progress: 100 in all.
int DownloadBootCode(PortReporter& progress, PortThreadParam& param, const PortDevice& device, int flashCode);

// The image as it goes to the device, in "CIS.txt" of DebugFilePath + "FW/" (the folder is
// made first). 1, or 0 with a debug line.
int DumpCisToFile(const PortThreadParam& param, const CISImage& image);
