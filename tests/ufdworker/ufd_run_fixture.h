// A flash-drive run on one port as its view starts it: the station's settings (serial
// numbers in the CIS settings file, firmware, boot code and image files in its folder),
// the start record, a view that records what the worker posts and releases it after its
// result, and a fake drive behind the program's server interfaces.
#pragma once

#include "engine/lunimage/image_trailer.h"
#include "engine/ports/portwarden_objects.h"
#include "engine/ufdworker/ufd_run_thread.h"
#include "platform/msgbox/msgbox.h"
#include "tests/ports/worker_run.h"
#include "tests/serial/serial_station.h"
#include "tests/ufdworker/fake_ufd_drive.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace ufdtest {

using RunView = porttest::RecordingView;
using porttest::TimerPost;

inline PortResult RunWorker(PortThreadParam& param, RunView& view)
{
    return porttest::RunWorkerThread(UFDRunThread, param, view);
}

inline std::vector<BYTE> Pattern(std::size_t size, unsigned seed)
{
    std::vector<BYTE> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<BYTE>((i * 131 + seed * 7) ^ (i >> 9));
    return bytes;
}

constexpr int kPort = 6;
constexpr DWORD kLun0Start = 0x100;
constexpr DWORD kLun0Capacity = 0x8000;
constexpr BYTE kFat32 = 2;

class UfdRunTest : public ::testing::Test {
public: // the case tables set the run up through it
    UfdRunTest() : station({.mode = 2, .number = 0x500, .step = 1, .length = 16})
    {
        frame = station.Load();
        frame->FabrunMode |= kFabrunModeFlashDrive;
        frame->DebugFilePath = station.folder.WideFolder(); // where a run that dumps its CIS puts it
        PreparePort(param, *frame, kPort);
        param.hwndView = &view;
        record.channelCount = 1;
        record.ceCount = 1;
        record.bitmapBytes = 128;
        param.blockMapEntry = &record;
        PortwardenCtrl = &drive;
        PortwardenCtrl2 = &drive;
        platform::SetMessageBoxScript([this](const platform::MessageBoxRequest& request) {
            std::lock_guard guard(boxLock);
            boxes.push_back(request.text);
            return IDOK;
        });

        CISSetting& s = Settings();
        BYTE* image = s.CISImage.bytes;
        const BYTE flashId[5] = {0xEC, 0xDA, 0x10, 0x95, 0x44};
        std::memcpy(image + cis::kFlashId, flashId, sizeof flashId);
        s.CISImage.SetWord(cis::kPagesPerBlock, 64);
        image[cis::kBlockAccessFlags] = 0x01;
        image[cis::kSystemBuildValue] = 4;
        s.CISImage.SetDword(cis::kLunStartLba, kLun0Start);
        s.CISImage.SetDword(cis::kLunCapacity, kLun0Capacity);
        UseFile("fw.bin", Pattern(0x10000, 1), s.FilePathOfFW);
        UseFile("boot.bin", Pattern(0x4000, 2), s.FilePathOfBootCode);
        lun0Image = Pattern(40 * 1024, 3);
        UseFile("lun0.img", lun0Image, s.ImagePublicLunPath);
        s.LunTypeBitMap = 0x01;
        s.FormatLunBitMap = 0x01;
        s.ImageType[0] = kFat32;
        s.StressTestSize = 1;
        drive.lastLba = 0x7FFFF;
    }
    ~UfdRunTest() override
    {
        platform::SetMessageBoxScript({});
        PortwardenCtrl = nullptr;
        PortwardenCtrl2 = nullptr;
    }

    CISSetting& Settings() { return frame->CisSetting; }
    void UseFile(const std::string& name, const std::vector<BYTE>& bytes, PackedString& setting)
    {
        WriteBytes(station.folder.File(name), std::string(bytes.begin(), bytes.end()));
        setting = station.folder.WideFile(name);
    }
    // An image file with the trailer of a build of this type and size.
    void UseImageWithTrailer(const std::string& name, const std::vector<BYTE>& bytes, BYTE type, DWORD sectors,
                             PackedString& setting)
    {
        UseFile(name, bytes, setting);
        ASSERT_TRUE(AppendImageTrailer(setting.str(), {type, kLun0Start, sectors}));
    }

    PortResult Run() { return RunWorker(param, view); }

    // Another run of the port with the same settings on a drive of its own.
    struct Rerun {
        std::unique_ptr<FakeUfdDrive> drive = std::make_unique<FakeUfdDrive>();
        std::unique_ptr<RunView> view = std::make_unique<RunView>();
        PortResult result{};
    };
    Rerun RunAgain(const std::function<void(FakeUfdDrive&)>& prepare = [](FakeUfdDrive&) {})
    {
        Rerun rerun;
        prepare(*rerun.drive);
        PortwardenCtrl = rerun.drive.get();
        PortwardenCtrl2 = rerun.drive.get();
        param.hwndView = rerun.view.get();
        rerun.result = RunWorker(param, *rerun.view);
        return rerun;
    }
    std::vector<std::u16string> Boxes()
    {
        std::lock_guard guard(boxLock);
        return boxes;
    }

    SerialStation station;
    std::unique_ptr<MainFrameSettings> frame;
    FakeUfdDrive drive;
    RunView view;
    PortThreadParam param{};
    UFDPortBlockMap record{};
    std::vector<BYTE> lun0Image;
    std::mutex boxLock;
    std::vector<std::u16string> boxes;
};

} // namespace ufdtest
