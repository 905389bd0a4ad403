// What the backup tests share: a station folder with the station's settings loaded from
// it, the message boxes the operator would see, and files of pseudo-random bytes.
#pragma once

#include "engine/settings/main_frame_settings.h"
#include "platform/msgbox/msgbox.h"
#include "platform/text/text.h"
#include "tests/profile/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace backuptest {

inline std::vector<BYTE> RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<BYTE> bytes(size);
    for (BYTE& byte : bytes)
        byte = static_cast<BYTE>(random());
    return bytes;
}

inline void WriteFile(const std::string& path, const std::vector<BYTE>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<BYTE> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class BackupTest : public ::testing::Test {
protected:
    BackupTest() : settings(folder.WideFolder())
    {
        settings.LoadSettings();
        previous_ = platform::SetMessageBoxScript([this](const platform::MessageBoxRequest& request) {
            boxes.push_back(request);
            return IDOK;
        });
    }
    ~BackupTest() override
    {
        platform::SetMessageBoxScript(previous_);
        settings.ToolIni.reset(); // nothing is saved
    }

    std::vector<std::u16string> Texts() const
    {
        std::vector<std::u16string> texts;
        for (const auto& box : boxes)
            texts.push_back(box.text);
        return texts;
    }

    ScratchFolder folder;
    MainFrameSettings settings;
    std::vector<platform::MessageBoxRequest> boxes;

private:
    platform::MessageBoxScript previous_;
};

} // namespace backuptest
