// What the tests of the format page share: message boxes answered and kept, and waits for
// build threads that keep the GUI thread answering those boxes meanwhile.
#pragma once

#include "platform/msgbox/msgbox.h"
#include "platform/sync/sync.h"

#include <QCoreApplication>

#include <mutex>
#include <string>
#include <vector>

namespace formattest {

class KeptBoxes {
public:
    KeptBoxes()
    {
        platform::SetMessageBoxScript([this](const platform::MessageBoxRequest& request) {
            std::lock_guard lock(mutex_);
            boxes_.push_back(request);
            return IDOK;
        });
    }
    ~KeptBoxes() { platform::SetMessageBoxScript({}); }

    std::vector<std::u16string> Texts()
    {
        std::lock_guard lock(mutex_);
        std::vector<std::u16string> texts;
        for (const auto& box : boxes_)
            texts.push_back(box.text);
        return texts;
    }
    std::vector<platform::MessageBoxRequest> Boxes()
    {
        std::lock_guard lock(mutex_);
        return boxes_;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        boxes_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<platform::MessageBoxRequest> boxes_;
};

// The thread's message box is answered on the GUI thread, so the wait keeps it running.
inline void AwaitThread(HANDLE thread)
{
    while (WaitForSingleObject(thread, 5) != WAIT_OBJECT_0)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace formattest
