// ProgressDisplay: a line per camera on standard error, redrawn in place
// (one camera: "\r" on one line; several: the cursor moves back up over them
// with the terminal's escape sequences).
#ifndef VXCAM_PROGRESSDISPLAY_H
#define VXCAM_PROGRESSDISPLAY_H

#include <QList>
#include <QString>

struct CameraProgress {
    QString key; // printable
    int frames = 0;
    int target = 0;
    double framesPerSecond = 0;
    QString state; // empty while running; else how the run ended so far
};

class ProgressDisplay {
public:
    explicit ProgressDisplay(bool enabled)
        : m_enabled(enabled)
    {
    }
    void show(const QList<CameraProgress> &cameras);
    // Takes the lines away, so that other output starts where they began.
    void clear();
    // Leaves the last lines standing and ends them.
    void finish();

private:
    bool m_enabled;
    int m_lines = 0; // drawn now
};

#endif // VXCAM_PROGRESSDISPLAY_H
