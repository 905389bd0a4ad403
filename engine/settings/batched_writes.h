// A save writes many keys: done as one batch, each file it changes is replaced once.
#pragma once

#include "engine/ini/ini_file.h"
#include "platform/profile/profile.h"

// Runs `writes`; the files they change are replaced at the end. A replace that fails then
// raises CIniFileException, as the write it completes would have. Writes done before one
// that throws are still written.
template <class Writes>
void WriteAsOneBatch(Writes&& writes)
{
    platform::ProfileWriteBatch batch;
    writes();
    if (!batch.Commit())
        throw CIniFileException();
}
