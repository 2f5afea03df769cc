// ProgressDisplay: a line per camera on standard error, redrawn in place
// (one camera: "\r" on one line; several: the cursor moves back up over them
// with the terminal's escape sequences). A log line (the plug-in's, through
// Qt's message logger, from any thread) never lands on them: while they
// stand, the display takes them away, lets the line through, and draws them
// again below it.
#ifndef VXCAM_PROGRESSDISPLAY_H
#define VXCAM_PROGRESSDISPLAY_H

#include <QByteArray>
#include <QList>
#include <QString>

struct CameraProgress {
    QString key; // printable
    int frames = 0;
    int target = 0;
    double framesPerSecond = 0;
    QString state; // empty while running; else how the run ended so far
};

// One display at a time; its methods on one thread.
class ProgressDisplay {
public:
    explicit ProgressDisplay(bool enabled);
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay &) = delete;
    ProgressDisplay &operator=(const ProgressDisplay &) = delete;

    void show(const QList<CameraProgress> &cameras);
    // Takes the lines away, so that other output starts where they began.
    void clear();
    // Leaves the last lines standing and ends them.
    void finish();

    // With the terminal's lock held (the log handler).
    void eraseLocked();
    void redrawLocked();

private:
    bool m_enabled;
    int m_lines = 0;   // drawn now
    QByteArray m_text; // the lines last drawn, for drawing them again
    int m_textLines = 0;
};

#endif // VXCAM_PROGRESSDISPLAY_H
