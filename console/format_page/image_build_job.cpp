#include "console/format_page/image_build_job.h"

#include "console/format_page/lun_layout.h"
#include "console/server_link.h"
#include "engine/lunimage/image_trailer.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "platform/sync/sync.h"
#include "platform/text/text.h"

#include <atomic>

namespace {

// The server's wide entry takes the three texts where the block has its text pointers.
const char* WideField(const std::u16string& text)
{
    return reinterpret_cast<const char*>(text.c_str());
}

} // namespace

ImageBuildJob::ImageBuildJob(Order order) : order_(std::move(order))
{
    request_.u8FsType = order_.sourceFolder.empty() ? order_.imageType & ~kImageCopySource
                                                    : order_.imageType | kImageCopySource;
    request_.u32DevStartSector = order_.startLba;
    request_.u32TotalSector = order_.totalSectors;
    request_.i32BytesPerSector = 512;
    request_.pszLabel = WideField(order_.label);
    request_.pszSourcePath = WideField(order_.sourceFolder);
    request_.pszImagePath = WideField(order_.imagePath);
    // Not built until the builder says so: a call that never reaches it must not read as
    // a finished build.
    request_.i32Status = 1;
}

ImageBuildJob::~ImageBuildJob()
{
    if (thread_ != nullptr)
        CloseHandle(thread_);
}

std::shared_ptr<ImageBuildJob> ImageBuildJob::Start(Order order)
{
    std::shared_ptr<ImageBuildJob> job(new ImageBuildJob(std::move(order)));
    // The thread's own reference, released when it returns.
    auto* record = new std::shared_ptr<ImageBuildJob>(job);
    job->thread_ = CreateThread(nullptr, 0, &ImageBuildThreadProc, record, CREATE_SUSPENDED, nullptr);
    if (job->thread_ == nullptr) {
        platform::DebugPrintf("Create Image: no build thread could be started");
        delete record;
        return nullptr;
    }
    ResumeThread(job->thread_);
    return job;
}

BYTE ImageBuildJob::Progress() const
{
    auto& progress = const_cast<std::uint8_t&>(request_.u8Progress);
    return std::atomic_ref<std::uint8_t>(progress).load(std::memory_order_relaxed);
}

bool ImageBuildJob::Finished() const
{
    return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0;
}

DWORD ImageBuildJob::ImageBuildThreadProc(LPVOID record)
{
    std::unique_ptr<std::shared_ptr<ImageBuildJob>> job(static_cast<std::shared_ptr<ImageBuildJob>*>(record));
    (*job)->Run();
    return 1;
}

void ImageBuildJob::Run()
{
    INT result = 0;
    if (PortwardenCtrl != nullptr)
        result = PortwardenCtrl->CreateFileSystemImageW(&request_);
    else
        platform::DebugPrintf("Create Image: no server to build %s", platform::WideToUtf8(order_.imagePath).c_str());
    bool built = result == 1 && request_.i32Status == 0;
    if (!built)
        platform::DebugPrintf("Create Image: %s not built (result %d, status %d)",
                              platform::WideToUtf8(order_.imagePath).c_str(), result, request_.i32Status);
    // A trailer is the mark of a good build: the worker trusts an image that carries one.
    if (built && order_.appendTrailer)
        built = AppendImageTrailer(order_.imagePath,
                                   {request_.u8FsType, request_.u32DevStartSector, request_.u32TotalSector});
    if (request_.i32Status == 35)
        MessageBoxW(nullptr, kSourceMissing, u"Fabrun", MB_OK | MB_ICONWARNING);
    else if (!built)
        MessageBoxW(nullptr, kCreateFail, u"Fabrun", MB_OK | MB_ICONERROR);
    else
        MessageBoxW(nullptr, kCreateSuccess, u"Fabrun", MB_OK | MB_ICONINFORMATION);
}
