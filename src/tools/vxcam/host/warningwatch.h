// WarningWatch: tells whether a call into the plug-in logged a warning. An
// operation such as ISetProperty returns nothing and reports a failure only
// through its log, so the tool watches the log around the call.
#ifndef VXCAM_WARNINGWATCH_H
#define VXCAM_WARNINGWATCH_H

#include <QtGlobal>

// While it lives it counts the warnings (and worse) logged on the thread that
// made it. Every message still goes on to the handler that was installed
// before the first watch, so the log looks as without it. Watches on
// different threads count independently; made and destroyed on one thread.
class WarningWatch {
public:
    WarningWatch();
    ~WarningWatch();
    WarningWatch(const WarningWatch &) = delete;
    WarningWatch &operator=(const WarningWatch &) = delete;

    int warnings() const;

private:
    int m_before = 0;
};

#endif // VXCAM_WARNINGWATCH_H
