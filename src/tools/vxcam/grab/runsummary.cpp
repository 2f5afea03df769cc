#include "runsummary.h"

namespace {

QString outageFields(const RunSummary &s)
{
    QString fields;
    if (s.offline)
        fields += QStringLiteral(" offline=%1").arg(*s.offline, 0, 'f', 2);
    if (s.missedEstimate)
        fields += QStringLiteral(" missed=~%1").arg(*s.missedEstimate);
    else if (s.offline)
        fields += QStringLiteral(" missed=unknown");
    if (s.elapsed >= s.seconds + 1.0)
        fields += QStringLiteral(" elapsed=%1").arg(s.elapsed, 0, 'f', 2);
    return fields;
}

} // namespace

QString summaryLine(const RunSummary &s)
{
    // The key is not put through arg(): a "%1" in it would be filled in.
    const QString reconnects = s.reconnects ? QStringLiteral(" reconnects=%1").arg(*s.reconnects) : QString();
    return s.key
        + QStringLiteral(
              " frames=%1 size=%2x%3 bpp=%4 format=%5 seconds=%6 fps=%7 MB/s=%8 broken=%9 lost=%10")
              .arg(s.frames)
              .arg(s.width)
              .arg(s.height)
              .arg(s.bitsPerPixel)
              .arg(s.format)
              .arg(s.seconds, 0, 'f', 2)
              .arg(s.framesPerSecond, 0, 'f', 1)
              .arg(s.megabytesPerSecond, 0, 'f', 1)
              .arg(s.broken)
              .arg(s.lost)
        + reconnects + outageFields(s);
}
