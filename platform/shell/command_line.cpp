#include "platform/shell/command_line.h"

#include "platform/base/lasterror.h"
#include "platform/process/process.h"
#include "platform/text/text.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool IsFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EndsWithExe(const std::string& path)
{
    return path.size() > 4 && WideEqualsNoCase(AnsiToWide(path.substr(path.size() - 4)), u".exe");
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::string ResolveProgram(std::string_view programWord)
{
    std::string path(programWord);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    if (path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return {};
    }
    if (path.front() != '/')
        path = WideToAnsi(ProgramFolder()) + path;
    if (!IsFile(path) && EndsWithExe(path))
        path.resize(path.size() - 4);
    if (!IsFile(path)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return {};
    }
    if (access(path.c_str(), X_OK) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return path;
}

} // namespace platform
