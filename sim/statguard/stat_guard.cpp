// umockdev's preloaded library answers stat on the sandbox's device nodes (a block device
// with its numbers) without guarding what it shares between calls: two threads asking at
// once about different nodes may each get the other's numbers, and the station then takes
// one port's disk for another's. The bench has no such fault of its own to show, so every
// call of the stat family goes through umockdev's one at a time.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

std::mutex& StatLock()
{
    static auto* lock = new std::mutex; // outlives every static destructor that may still ask
    return *lock;
}

template <class Function>
Function Next(const char* name)
{
    auto* function = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
    if (function == nullptr) {
        std::fprintf(stderr, "%s not found: %s\n", name, dlerror());
        std::abort();
    }
    return function;
}

// One call of umockdev's `next`, one at a time.
template <class Function, class... Arguments>
int Serialised(Function next, Arguments... arguments)
{
    std::lock_guard guard(StatLock());
    return next(arguments...);
}

} // namespace

extern "C" {

int stat(const char* path, struct stat* buffer)
{
    static const auto next = Next<int (*)(const char*, struct stat*)>("stat");
    return Serialised(next, path, buffer);
}

int stat64(const char* path, struct stat64* buffer)
{
    static const auto next = Next<int (*)(const char*, struct stat64*)>("stat64");
    return Serialised(next, path, buffer);
}

int lstat(const char* path, struct stat* buffer)
{
    static const auto next = Next<int (*)(const char*, struct stat*)>("lstat");
    return Serialised(next, path, buffer);
}

int lstat64(const char* path, struct stat64* buffer)
{
    static const auto next = Next<int (*)(const char*, struct stat64*)>("lstat64");
    return Serialised(next, path, buffer);
}

int fstatat(int folder, const char* path, struct stat* buffer, int flags)
{
    static const auto next = Next<int (*)(int, const char*, struct stat*, int)>("fstatat");
    return Serialised(next, folder, path, buffer, flags);
}

int fstatat64(int folder, const char* path, struct stat64* buffer, int flags)
{
    static const auto next = Next<int (*)(int, const char*, struct stat64*, int)>("fstatat64");
    return Serialised(next, folder, path, buffer, flags);
}

int statx(int folder, const char* path, int flags, unsigned int mask, struct statx* buffer)
{
    static const auto next = Next<int (*)(int, const char*, int, unsigned int, struct statx*)>("statx");
    return Serialised(next, folder, path, flags, mask, buffer);
}

} // extern "C"
