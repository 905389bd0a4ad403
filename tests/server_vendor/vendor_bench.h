// The station's view of two of the maker's devices on a bench: a flash drive (the
// flash-drive controller) on root-hub port 1 and a bridge drive on port 2, both reached as
// the console reaches them: the server registered and created through CoCreateInstance,
// the ports walked, each device opened by its port's disk path into the caller's handle
// table, and every slot called through the interface. Commands travel by SG_IO to the
// bench models; waits run on a virtual clock.
#pragma once

#include "platform/clock/clock.h"
#include "portwarden/records.h"
#include "sim/bridge/bridge_drive.h"
#include "sim/usbbus/bench_flash_drive.h"
#include "sim/usbbus/bench_hub.h"
#include "tests/server_shell/captured_lines.h"
#include "tests/server_shell/registered_server.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vendortest {

constexpr BYTE kFlashPort = 3;
constexpr BYTE kBridgePort = 9;
inline const char* const kBridgeSerial = "WD-WCC4N7654321";
inline const char* const kBridgeModel = "TARVO BRIDGE HDD 500";

inline sim::BenchFlashDrive BenchDrive(unsigned port, unsigned devnum, unsigned host, char letter, const char* serial,
                                       sim::DiskIdentity identity)
{
    sim::DrivePlacement place{1, {port}, devnum, host, letter};
    return sim::BenchFlashDrive(sim::FlashDriveSpec(place, std::string(serial)), std::move(identity), {65536}, place);
}

inline sim::DiskIdentity BridgeIdentity()
{
    sim::DiskIdentity identity;
    identity.ataSerial = kBridgeSerial;
    identity.ataModel = kBridgeModel;
    identity.ataFirmware = "01.01A01";
    return identity;
}

class VendorBench : public ::testing::Test, protected fabrun_test::ServerSession {
protected:
    void SetUp() override
    {
        root.Add(testbed);
        flashDrive.Add(testbed);
        bridgeDrive.Add(testbed);
        bridge.Install(bridgeDrive.model());
        StartSession();
        ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
        ctrl2 = Create<IPortwardenCtrl2>(IID_IPortwardenCtrl2);
        ASSERT_NE(ctrl, nullptr);
        ASSERT_NE(ctrl2, nullptr);
        for (auto& h : handles)
            h = INVALID_HANDLE_VALUE;
        auto records = std::make_unique<PortRecord[]>(kPortCount);
        ASSERT_EQ(ctrl->EnumerateScanUSBPort(records.get()), 1);
        OpenPort(records.get(), "SN-FLASH", kFlashPort);
        OpenPort(records.get(), "SN-BRIDGE", kBridgePort);
        flash().ClearCommands();
        bridgeDisk().ClearCommands();
        lines.Take();
    }

    void TearDown() override
    {
        for (BYTE port : {kFlashPort, kBridgePort})
            if (handles[port] != INVALID_HANDLE_VALUE)
                ctrl->CloseDiskPath(handles, port);
        if (ctrl2 != nullptr)
            ctrl2->Release();
        if (ctrl != nullptr)
            ctrl->Release();
        EndSession();
    }

    void OpenPort(PortRecord* records, const std::string& serial, BYTE port)
    {
        for (int i = 0; i < kPortCount; ++i) {
            if (records[i].present && RecordText(records[i].serialNumber) == serial) {
                ASSERT_EQ(ctrl->OpenDiskPathBySymbolicName(handles, port, records[i].disk.devicePath), 1);
                return;
            }
        }
        FAIL() << "no port holds " << serial;
    }

    sim::FlashDisk& flash() { return flashDrive.model(); }
    sim::FlashDisk& bridgeDisk() { return bridgeDrive.model(); }

    sim::BenchHub root{sim::RootHubSpec(1, 4)};
    sim::BenchFlashDrive flashDrive = BenchDrive(1, 10, 6, 'b', "SN-FLASH", sim::DiskIdentity{});
    sim::BenchFlashDrive bridgeDrive = BenchDrive(2, 11, 7, 'c', "SN-BRIDGE", BridgeIdentity());
    sim::BridgeDrive bridge;
    sim::Testbed testbed; // after the drives: their nodes must outlive it
    platform::ScopedVirtualClock clock;
    IPortwardenCtrl* ctrl = nullptr;
    IPortwardenCtrl2* ctrl2 = nullptr;
    HANDLE handles[kPortCount];
    fabrun_test::CapturedLines lines;
};

// One command as the bench received it.
struct Sent {
    std::string cdb; // hex bytes; the rest of the 16 is zero
    sim::DataDirection direction;
    std::uint32_t length;
    unsigned timeoutSeconds = 3;
};

std::vector<std::uint8_t> CdbOf(const std::string& hex);
// Compares what the bench received with the expected commands, one by one.
void ExpectSent(const std::vector<sim::CommandRecord>& received, const std::vector<Sent>& expected);
// A short text for a vendor command of the register and block families, for sequences:
// "read 2809", "write 2809=00", "block read flags=80 kind=02", "block write ... tag=CISSYS",
// "power 01", "firmware read 1000", "eeprom write 0000".
std::string Describe(const sim::CommandRecord& command);
std::vector<std::string> Describe(const std::vector<sim::CommandRecord>& commands);

constexpr auto kIn = sim::DataDirection::FromDevice;
constexpr auto kOut = sim::DataDirection::ToDevice;
constexpr auto kNone = sim::DataDirection::None;

} // namespace vendortest
