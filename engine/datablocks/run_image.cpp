#include "engine/datablocks/run_image.h"

#include "engine/ports/port_sync.h"

CISImage TakeRunImage(const CISSetting& settings)
{
    CisImageLock lock;
    return settings.CISImage;
}
