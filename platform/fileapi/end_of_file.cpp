#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"
#include "platform/fileapi/fileapi.h"

#include <cerrno>
#include <unistd.h>

BOOL SetEndOfFile(HANDLE file)
{
    auto object = platform::HandleAs<platform::FileObject>(file);
    if (object == nullptr)
        return FALSE;
    off_t position = ::lseek(object->fd(), 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(object->fd(), position) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
