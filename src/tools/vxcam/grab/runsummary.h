// The one line a camera's run ends with, on standard output:
// KEY frames=N size=WxH bpp=B format=NAME seconds=S fps=F MB/s=M broken=K lost=L
// and, with --reconnect, reconnects=R
#ifndef VXCAM_RUNSUMMARY_H
#define VXCAM_RUNSUMMARY_H

#include <QString>

#include <optional>

struct RunSummary {
    QString key; // printable
    int frames = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    QString format;
    double seconds = 0;         // from the start of acquisition to the end of the run
    double framesPerSecond = 0; // frames over the time from the start to the last frame
    double megabytesPerSecond = 0;
    int broken = 0;
    quint64 lost = 0;
    std::optional<int> reconnects; // with --reconnect
};

QString summaryLine(const RunSummary &summary);

#endif // VXCAM_RUNSUMMARY_H
