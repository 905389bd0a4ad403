// One LUN's image build on a thread of its own: the build request the server works from,
// the image trailer after a good build, and the operator's message from the thread. The
// thread holds its job until it ends, so the page that started it may close meanwhile;
// the page only reads the request's progress byte.
#pragma once

#include "fsbuild/fs_build_params.h"
#include "platform/base/wintypes.h"

#include <memory>
#include <string>

class ImageBuildJob : public std::enable_shared_from_this<ImageBuildJob> {
public:
    struct Order {
        BYTE imageType;     // the LUN's ImageType; the copy bit follows the source folder
        DWORD startLba;
        DWORD totalSectors;
        std::u16string label;
        std::u16string sourceFolder; // empty: built without copying
        std::u16string imagePath;
        bool appendTrailer;
    };

    // The messages the build ends with.
    static constexpr const char16_t* kSourceMissing = u"Please indicate the Source Path";
    static constexpr const char16_t* kCreateFail = u"Create Fail";
    static constexpr const char16_t* kCreateSuccess = u"Create Success";

    // Fills the request and runs the build on a new thread; null, with a debug line, when
    // no thread can be started.
    static std::shared_ptr<ImageBuildJob> Start(Order order);
    ~ImageBuildJob();
    ImageBuildJob(const ImageBuildJob&) = delete;
    ImageBuildJob& operator=(const ImageBuildJob&) = delete;

    // 0..100, advanced by the builder while it runs.
    BYTE Progress() const;
    // The thread has shown its message and returned.
    bool Finished() const;
    // Signalled when the thread has returned.
    HANDLE Thread() const { return thread_; }
    // The request as the build left it (read it once the thread has finished).
    const FsBuildParams& Request() const { return request_; }

private:
    explicit ImageBuildJob(Order order);
    static DWORD ImageBuildThreadProc(LPVOID record);
    void Run();

    const Order order_;
    FsBuildParams request_{};
    HANDLE thread_ = nullptr;
};
