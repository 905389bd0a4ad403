#include "engine/ufdworker/lun_images.h"

#include "engine/ports/run_result.h"
#include "engine/ufdworker/flash_drive_bits.h"
#include "engine/ufdworker/image_trailer_check.h"
#include "engine/lunimage/image_trailer.h"
#include "fsbuild/fs_build_params.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/text/text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr DWORD kPieceBytes = 65536;
constexpr DWORD kSectorBytes = 512;
constexpr int kImagesEnd = 1000;
constexpr BYTE kTypeMask = 0x0F;
constexpr BYTE kTypeNtfs = 4;
constexpr BYTE kCopySource = 0x40;

struct LunFiles {
    const PackedString& source;
    const PackedString& image;
};

LunFiles FilesOf(const CISSetting& s, int lun)
{
    switch (lun) {
    case 0: return {s.SourcePublicLunPath, s.ImagePublicLunPath};
    case 1: return {s.SourceSecurityLunPath, s.ImageSecurityLunPath};
    case 2: return {s.SourceIso9660LunPath, s.ImageIso9660LunPath};
    default: return {s.SourceHiddenLunPath, s.ImageHiddenLunPath};
    }
}

// An image file opened for reading; closed when it goes.
class ImageFile {
public:
    explicit ImageFile(const std::u16string& path)
        : handle_(path.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        LARGE_INTEGER size{};
        if (handle_ != INVALID_HANDLE_VALUE && GetFileSizeEx(handle_, &size))
            size_ = static_cast<ULONGLONG>(size.QuadPart);
        else
            Close();
        if (!Opened())
            platform::DebugPrintf("  Cannot open the image \"%s\"", platform::WideToUtf8(path).c_str());
    }
    ~ImageFile() { Close(); }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    bool Opened() const { return handle_ != INVALID_HANDLE_VALUE; }
    ULONGLONG Size() const { return size_; }
    // Exactly `bytes` bytes, or false.
    bool Read(BYTE* buffer, DWORD bytes)
    {
        DWORD done = 0;
        while (done < bytes) {
            DWORD read = 0;
            if (!ReadFile(handle_, buffer + done, bytes - done, &read, nullptr) || read == 0)
                return false;
            done += read;
        }
        return true;
    }
    void Close()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
    ULONGLONG size_ = 0;
};

class LunImages {
public:
    explicit LunImages(UfdRun& run)
        : run_(run), settings_(run.settings()), d_(run.device), start_(std::min(run.progress.Position(), kImagesEnd)),
          share_(kImagesEnd - start_)
    {
    }

    int Run()
    {
        if (d_.ctrl->CPUReset_UFD(d_.handles, d_.index) != 1)
            return RunResult::CpuResetFail; // nothing goes to a device that did not come back
        for (int n = 0; n < static_cast<int>(cis::kLunCount); ++n) {
            if (!Selected(n) || BuiltOnDevice(n))
                continue;
            if (const int checked = Check(n); checked != RunResult::Success)
                return checked;
        }
        for (int n = 0; n < static_cast<int>(cis::kLunCount); ++n) {
            if (!Selected(n))
                continue;
            const int result = BuiltOnDevice(n) || (flags_[n] & trailer_flags::kTooLarge) != 0 ? Build(n) : Write(n);
            if (result != RunResult::Success)
                return result;
        }
        return RunResult::Success;
    }

private:
    bool Selected(int n) const
    {
        return ufd::LunPresent(settings_.LunTypeBitMap, n) && (settings_.FormatLunBitMap >> n & 1) != 0;
    }
    BYTE Type(int n) const { return settings_.ImageType[n]; }
    bool BuiltOnDevice(int n) const
    {
        return (Type(n) & kTypeMask) == kTypeNtfs || (run_.frame().FabrunMode & ufd::kModeBuildOnDevice) != 0;
    }
    DWORD StartLba(int n) const { return run_.image.Dword(cis::kLunStartLba + 4 * static_cast<std::size_t>(n)); }
    DWORD Capacity(int n) const
    {
        // Under warning 39 the device's LUN 0 was given the physical capacity: the build
        // must not reach past it.
        if (n == 0 && run_.rememberedCode == RunResult::CapacityBelowSetting)
            return run_.image.Dword(cis::kPhysicalCapacity);
        return run_.image.Dword(cis::kLunCapacity + 4 * static_cast<std::size_t>(n));
    }

    int Check(int n)
    {
        const std::u16string& path = FilesOf(settings_, n).image.str();
        {
            ImageFile file(path);
            if (!file.Opened())
                return RunResult::OpenFormatImageFail;
            bytes_[n] = file.Size();
        }
        flags_[n] = CheckFormatImageTrailer(path, d_, Type(n));
        if ((flags_[n] & trailer_flags::kTypeDiffers) != 0)
            return RunResult::FormatImageTypeMismatch;
        if ((flags_[n] & trailer_flags::kNoCapacity) != 0)
            return RunResult::ReadCapacityFail;
        if ((flags_[n] & trailer_flags::kTooLarge) != 0) {
            run_.rememberedCode = RunResult::FormatSizeAboveCapacity;
            return RunResult::Success;
        }
        if ((flags_[n] & trailer_flags::kTypeMatches) != 0)
            bytes_[n] -= kImageTrailerSize;
        total_ += bytes_[n];
        return RunResult::Success;
    }

    int Build(int n)
    {
        const LunFiles files = FilesOf(settings_, n);
        const std::u16string& label = settings_.VolumeLable[n].str();
        FsBuildParams& params = run_.lunBuild;
        params = FsBuildParams{};
        params.u8FsType = static_cast<std::uint8_t>(files.source.empty() ? Type(n) & ~kCopySource : Type(n) | kCopySource);
        params.u32DevStartSector = StartLba(n);
        params.u32TotalSector = Capacity(n);
        params.i32BytesPerSector = static_cast<std::int32_t>(kSectorBytes);
        // The server's wide entry takes UTF-16 texts in the text fields.
        params.pszLabel = reinterpret_cast<const char*>(label.c_str());
        params.pszSourcePath = reinterpret_cast<const char*>(files.source.str().c_str());
        params.pszImagePath = reinterpret_cast<const char*>(files.image.str().c_str());
        run_.progress.PostProgress(start_);
        // The builder raises the byte while it writes; an atomic byte lays out as a byte.
        const auto* live = reinterpret_cast<const AtomicByte*>(&params.u8Progress);
        run_.progress.PostProgressTimer(live, true);
        const INT built = d_.ctrl->BuildPhyDiskFileSystemW(d_.handles, d_.index, &params);
        run_.progress.PostProgressTimer(live, false);
        run_.Advance(share_ / 4);
        if (built != 1) {
            platform::DebugPrintf("  LUN %d build failed (%d, status %d)", n, built, params.i32Status);
            return RunResult::PublicLunFormatFail + n;
        }
        return RunResult::Success;
    }

    int Write(int n)
    {
        const int failed = RunResult::WritePublicLunImageFail + n;
        ImageFile file(FilesOf(settings_, n).image.str());
        if (!file.Opened())
            return RunResult::OpenFormatImageFail;
        const ULONGLONG bytes = bytes_[n];
        ULONGLONG lba = StartLba(n);
        if (lba + (bytes + kSectorBytes - 1) / kSectorBytes > 0x100000000ULL) {
            platform::DebugPrintf("  LUN %d image of 0x%llX bytes runs past the last sector address", n,
                                  static_cast<unsigned long long>(bytes));
            return failed;
        }
        HANDLE volume = INVALID_HANDLE_VALUE;
        if (d_.ctrl->Disk_Lock(d_.handles, d_.index, &volume) != 1) {
            Unlock(volume); // a lock that failed may still hold the volume open
            return failed;
        }
        for (ULONGLONG done = 0; done < bytes;) {
            if (run_.StopRequested()) {
                Unlock(volume);
                return RunResult::Stopped;
            }
            const DWORD piece = static_cast<DWORD>(std::min<ULONGLONG>(bytes - done, kPieceBytes));
            // A last piece short of a sector goes whole, padded with zeros: its data is not dropped.
            const DWORD sectors = (piece + kSectorBytes - 1) / kSectorBytes;
            std::fill(buffer_.begin() + piece, buffer_.begin() + sectors * kSectorBytes, BYTE{0});
            if (!file.Read(buffer_.data(), piece)) {
                platform::DebugPrintf("  LUN %d image read failed at 0x%llX", n, static_cast<unsigned long long>(done));
                Unlock(volume);
                return failed;
            }
            if (d_.ctrl->WriteDisk(d_.handles, d_.index, static_cast<DWORD>(lba), sectors * kSectorBytes,
                                   buffer_.data()) != 1) {
                Unlock(volume);
                return failed;
            }
            lba += sectors;
            done += piece;
            written_ += piece;
            run_.progress.PostProgress(start_ + static_cast<int>(written_ * static_cast<ULONGLONG>(share_) / total_));
        }
        return Unlock(volume) ? RunResult::Success : failed;
    }

    bool Unlock(HANDLE volume)
    {
        if (d_.ctrl->Disk_Unlock(d_.handles, d_.index, volume) == 1)
            return true;
        platform::DebugPrintf("  Disk_Unlock failed");
        return false;
    }

    UfdRun& run_;
    const CISSetting& settings_;
    const PortDevice& d_;
    const int start_;
    const int share_;
    std::array<BYTE, cis::kLunCount> flags_{};
    std::array<ULONGLONG, cis::kLunCount> bytes_{};
    ULONGLONG total_ = 0;   // the bytes of every image to write, so the bar reaches its end over all LUNs
    ULONGLONG written_ = 0;
    std::vector<BYTE> buffer_ = std::vector<BYTE>(kPieceBytes);
};

} // namespace

int WriteLunImages(UfdRun& run)
{
    return LunImages(run).Run();
}
