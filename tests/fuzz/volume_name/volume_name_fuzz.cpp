// A volume name given to CreateFile ("\\?\Volume{...}", as a caller or a stored record
// holds it): any text. A name opens a device only when it is that device's own name, in
// any case of its letters.
//
// Input: the whole name.
#include "platform/storage/volumes.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <strings.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size);
    const auto device = platform::storage::VolumeDeviceOfGuidName(name);
    if (!device)
        return 0;
    char own[64];
    std::snprintf(own, sizeof own, "\\\\?\\Volume{%08x-0000-0000-0000-%012x}", major(device->dev), minor(device->dev));
    FUZZ_CHECK(name.size() == std::string(own).size() && ::strcasecmp(name.c_str(), own) == 0);
    return 0;
}
