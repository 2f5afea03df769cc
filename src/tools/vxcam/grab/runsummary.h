// The one line a camera's run ends with, on standard output:
// KEY frames=N size=WxH bpp=B format=NAME seconds=S fps=F MB/s=M broken=K lost=L
// and, with --reconnect, reconnects=R; after an outage offline=S and
// missed=~N (an estimate from the rate before) or missed=unknown (triggered);
// missed=~N alone after a free run that ended in a silence the camera SDK
// estimated (frames stopped coming, the connection stayed);
// elapsed=S when the run's real time exceeds seconds= by a second or more.
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
    double seconds = 0;         // streamed: from the start of acquisition to the end, less offline
    double framesPerSecond = 0; // frames over the time from the start to the last frame
    double megabytesPerSecond = 0;
    int broken = 0;
    quint64 lost = 0;
    std::optional<int> reconnects; // with --reconnect
    // After an outage: seconds without a connection, and the frames missed
    // meanwhile as estimated from the rate before (none where the camera is
    // triggered: nothing tells how many triggers came).
    // Without an outage, the frames the camera SDK estimated a silence at
    // the end of a free run held.
    std::optional<double> offline;
    std::optional<qint64> missedEstimate;
    // The run's real time, from its first call into the plug-in to the end
    // of its close; shown when it exceeds `seconds` by a second or more.
    double elapsed = 0;
};

QString summaryLine(const RunSummary &summary);

#endif // VXCAM_RUNSUMMARY_H
