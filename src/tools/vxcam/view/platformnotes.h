// Qt's own notes that tell a user of the live view nothing to act on.
#ifndef VXCAM_VIEW_PLATFORMNOTES_H
#define VXCAM_VIEW_PLATFORMNOTES_H

#include <QString>
#include <QtGlobal>

// Whether Qt's line is one of those notes.
bool isPlatformNote(QtMsgType type, const QString &message);

// While one lives, Qt's platform notes that concern neither the camera nor
// the view's result are dropped; every other line goes on to the handler
// installed before.
class QuietPlatformNotes {
public:
    QuietPlatformNotes();
    ~QuietPlatformNotes();
    QuietPlatformNotes(const QuietPlatformNotes &) = delete;
    QuietPlatformNotes &operator=(const QuietPlatformNotes &) = delete;
};

#endif // VXCAM_VIEW_PLATFORMNOTES_H
