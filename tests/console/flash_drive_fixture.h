// A flash-drive station on the bench: the frame sets flash-drive mode right after the
// settings load, and flash drives with NAND behind their controllers sit on the root hub's
// ports, where the 32-port view's walk finds them.
#pragma once

#include "console/server_link.h"
#include "engine/ports/device_handle_table.h"
#include "portwarden/block_map.h"
#include "portwarden/sys_address_block.h"
#include "sim/station/flash_drive_frame.h"
#include "sim/station/station_flash_drive.h"
#include "station_fixture.h"

#include <array>
#include <memory>
#include <string>

namespace consoletest {

class FlashDriveStation : public StationTest {
protected:
    static constexpr unsigned kRootPorts = 8;

    FlashDriveStation() { root.Add(bench.testbed()); }

    std::unique_ptr<CMainFrame> MakeFrame(std::u16string programFolder) override
    {
        if (!flashDrive)
            return StationTest::MakeFrame(std::move(programFolder));
        return std::make_unique<sim::FlashDriveFrame>(document, std::move(programFolder));
    }

    // A drive on root port `rootPort` (1-based), present from the start or plugged later.
    sim::StationFlashDrive& AddDrive(unsigned rootPort, sim::nand::NandConfig config = sim::StationFlash(), bool plug = false)
    {
        auto drive = std::make_shared<sim::StationFlashDrive>(std::move(config), sim::RootPortPlacement(rootPort),
                                                              "UFD" + std::to_string(rootPort));
        benchDevices.push_back(drive);
        if (plug)
            drive->drive.Plug(bench.testbed());
        else
            drive->drive.Add(bench.testbed());
        return *drive;
    }

    // The station in the 32-port view, which finds the drives through the server.
    bool StartThirtyTwo()
    {
        stationIni = "[Setting]\nDevNoView=32\nCISSettingFilePath=" + (Folder() / "DefaultCIS.ini").string() + "\n" +
                     extraStationKeys;
        return Start();
    }

    void WriteStationFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Folder() / name, std::ios::binary) << bytes;
    }

    const CISImage& Image() const { return frame->CisSetting.CISImage; }

    // A system area on the port's drive, written through the server as a run leaves it: the
    // block addresses and a CIS in the first CIS block.
    bool WriteSystemArea(int port, const std::array<DWORD, 4>& addresses, const std::array<DWORD, 4>& lunCapacities,
                         DWORD physicalCapacity)
    {
        const BYTE index = static_cast<BYTE>(port);
        const std::string path(document.Ports()[static_cast<std::size_t>(port)].DevicePath());
        if (PortwardenCtrl->OpenDiskPathBySymbolicName(DeviceHandleTable, index, path.c_str()) != 1)
            return false;
        SysAddressBlock block{};
        for (std::size_t k = 0; k < 4; ++k)
            portwarden::SetSystemBlockAddress(block, static_cast<portwarden::SystemBlock>(k), addresses[k]);
        CISImage cis{};
        for (std::size_t lun = 0; lun < 4; ++lun)
            cis.SetDword(cis::kLunCapacity + 4 * lun, lunCapacities[lun]);
        cis.SetDword(cis::kPhysicalCapacity, physicalCapacity);
        CisPart1ToBigEndian(cis.Part1());
        CisPart2ToBigEndian(cis.Part2());
        const PackedBlockTag tag{{'C', 'I', 'S', 'S', 'Y', 'S', 0, 0}};
        const INT flags = Image().bytes[cis::kBlockAccessFlags] & 0x0F;
        const bool written =
            PortwardenCtrl2->ReadSYSAddress(DeviceHandleTable, index, 0, reinterpret_cast<BYTE*>(&block)) == 1 &&
            PortwardenCtrl2->ReadWriteBlock(DeviceHandleTable, index, 0, 2, flags, tag, static_cast<INT>(addresses[0]), 1024,
                                            cis.bytes) == 1;
        PortwardenCtrl->CloseDiskPath(DeviceHandleTable, index);
        return written;
    }

    bool flashDrive = true;
    std::string extraStationKeys;
    sim::BenchHub root{sim::RootHubSpec(1, kRootPorts)};
};

} // namespace consoletest
