// SimSession: a test's own virtual camera configuration and SDK trace.
#ifndef VXCAM_TESTS_SIMSESSION_H
#define VXCAM_TESTS_SIMSESSION_H

#include "qtprinters.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Loads a JSON configuration into the virtual camera system and traces every
// SDK call into a file of a temporary folder, which lives as long as the
// session. Tests run one per process, so a session owns the camera system.
class SimSession {
public:
    explicit SimSession(const QByteArray &configJson);
    ~SimSession();
    SimSession(const SimSession &) = delete;
    SimSession &operator=(const SimSession &) = delete;

    bool loaded() const { return m_loaded; }
    QString loadError() const { return m_error; }
    QString dir() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Trace lines written so far; optionally only those starting with prefix.
    QStringList traceLines() const;
    QStringList traceLines(const QString &prefix) const;
    // Marks the current end of the trace.
    void markTrace();
    // SDK calls traced since the mark; "frame" lines are left out, since
    // frames arrive whenever the camera makes them.
    QStringList traceSinceMark() const;
    // Every line since the mark that starts with prefix.
    QStringList traceSinceMark(const QString &prefix) const;

private:
    QTemporaryDir m_dir;
    bool m_loaded = false;
    QString m_error;
    int m_mark = 0;
};

#endif // VXCAM_TESTS_SIMSESSION_H
