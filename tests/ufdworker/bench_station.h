// Flash-drive runs on the bench: drives with NAND behind their controllers, each opened
// into its port's slot of the program's handle table, the server registered and created
// as the console creates it, a block map made for the drives' flash, and the station's
// settings as the port view leaves them after finding the flash in the flash-part
// database. Waits run on a virtual clock.
#pragma once

#include "engine/ports/device_handle_table.h"
#include "engine/ports/portwarden_objects.h"
#include "platform/clock/clock.h"
#include "platform/devio/devio.h"
#include "platform/msgbox/msgbox.h"
#include "portwarden/block_map.h"
#include "sim/nand/bench_nand_drive.h"
#include "tests/serial/serial_station.h"
#include "tests/server_shell/registered_server.h"
#include "tests/ufdworker/bench_run_settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace ufdbench {

// The flash of the bench's drives: one CE and channel, kBlocks blocks.
inline sim::nand::NandGeometry BenchFlash()
{
    sim::nand::NandGeometry geometry;
    geometry.blocks = kBlocks;
    return geometry;
}

class BenchStation : public ::testing::Test, protected fabrun_test::ServerSession {
protected:
    // `drives` drives on ports 0.. of the table, each with this flash.
    void Start(unsigned drives, const sim::nand::NandGeometry& flash = BenchFlash())
    {
        for (unsigned n = 0; n < drives; ++n) {
            sim::nand::NandConfig config;
            config.geometry = flash;
            config.seed = 21 + n;
            nand.push_back(std::make_unique<sim::nand::BenchNandDrive>(config, sim::nand::NthDrivePlacement(n)));
        }
        testbed = std::make_unique<sim::Testbed>();
        for (auto& drive : nand)
            drive->Publish(*testbed);
        StartSession();
        PortwardenCtrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
        PortwardenCtrl2 = Create<IPortwardenCtrl2>(IID_IPortwardenCtrl2);
        ASSERT_NE(PortwardenCtrl, nullptr);
        ASSERT_NE(PortwardenCtrl2, nullptr);
        for (unsigned n = 0; n < drives; ++n)
            ASSERT_EQ(PortwardenCtrl->OpenDiskPathBySymbolicName(DeviceHandleTable, static_cast<BYTE>(n),
                                                                 nand[n]->DevNode().c_str()),
                      1);
        const BYTE ports = 16 < drives ? 32 : 16;
        map = PortwardenCtrl->CreateUFDBlockMap(ports, static_cast<BYTE>(flash.ceCount),
                                                static_cast<BYTE>(flash.channelCount),
                                                static_cast<INT>(flash.blocks / 8));
        ASSERT_NE(map, nullptr);
        frame = station.Load();
        frame->FabrunMode |= kFabrunModeFlashDrive;
        frame->DebugFilePath = station.folder.WideFolder();
        SetFlashPart(frame->CisSetting.CISImage, nand.front()->nand().geometry().id);
        platform::SetMessageBoxScript([](const platform::MessageBoxRequest&) { return IDOK; });
    }

    void TearDown() override
    {
        platform::SetMessageBoxScript({});
        if (PortwardenCtrl != nullptr) {
            for (unsigned n = 0; n < nand.size(); ++n)
                PortwardenCtrl->CloseDiskPath(DeviceHandleTable, static_cast<BYTE>(n));
            if (map != nullptr)
                PortwardenCtrl->DeleteUFDBlockMap(map);
            PortwardenCtrl->Release();
        }
        if (PortwardenCtrl2 != nullptr)
            PortwardenCtrl2->Release();
        PortwardenCtrl = nullptr;
        PortwardenCtrl2 = nullptr;
        EndSession();
    }

    CISSetting& Settings() { return frame->CisSetting; }
    void UseFile(const std::string& name, const std::vector<BYTE>& bytes, PackedString& setting)
    {
        WriteBytes(station.folder.File(name), std::string(bytes.begin(), bytes.end()));
        setting = station.folder.WideFile(name);
    }
    // A port's start record as the port view fills it.
    void PreparePort(PortThreadParam& param, MessageWindow& view, int port)
    {
        ::PreparePort(param, *frame, port);
        param.hwndView = &view;
        param.blockMapEntry = PortBlockMap(*map, port);
    }

    platform::ScopedVirtualClock clock;
    std::vector<std::unique_ptr<sim::nand::BenchNandDrive>> nand;
    std::unique_ptr<sim::Testbed> testbed; // after the drives: their nodes must outlive it
    SerialStation station{{.mode = 2, .number = 0x7000, .step = 1, .length = 16}};
    std::unique_ptr<MainFrameSettings> frame;
    UFDBlockMap* map = nullptr;
};

} // namespace ufdbench
