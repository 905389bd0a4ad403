// The library's own SetFilePointerEx, exported for callers that find no system one. It is
// kept apart from the platform's declaration of the same name, which has C++ linkage.
#include "fsbuild/core/file_pointer.h"

extern "C" BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method)
{
    return FilePointerExOnSetFilePointer(file, distance, newPosition, method);
}
