#include "camerastatistics.h"

#include "MVSDK/StreamStatistics.h"

quint64 undeliveredFrames(const QString &key)
{
    const Dahua::GenICam::CStreamStatistics totals
        = Dahua::GenICam::cameraStatistics(key.toUtf8().constData());
    return totals.incompleteFrames + totals.lostFrames;
}

quint64 estimatedMissedFrames(const QString &key)
{
    return Dahua::GenICam::cameraStatistics(key.toUtf8().constData()).estimatedLostFrames;
}
