#include "server/nand/flash_sorting.h"

#include "platform/debug/debug.h"

namespace nand {

bool SortFlash(SearchTarget&, int)
{
    OutputDebugStringA(" @@ Flash sorting is not available");
    return false;
}

} // namespace nand
