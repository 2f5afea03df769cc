#include "runsummary.h"

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
        + reconnects;
}
