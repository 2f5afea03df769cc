#include "camerastatistics.h"

#include "MVSDK/StreamStatistics.h"

quint64 undeliveredFrames(const QString &key)
{
    // The SDK counts for the whole process so far: right while one camera runs.
    (void)key;
    const Dahua::GenICam::CStreamStatistics totals = Dahua::GenICam::streamStatistics();
    return totals.incompleteFrames + totals.lostFrames;
}
