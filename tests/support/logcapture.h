// LogCapture: records every Qt log message while it lives.
#ifndef VXCAM_TESTS_LOGCAPTURE_H
#define VXCAM_TESTS_LOGCAPTURE_H

#include "qtprinters.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>
#include <vector>

struct LogEntry {
    QtMsgType type;
    QString message;
    QString file;
    int line;
    QString function;
};

// Installs a Qt message handler for its lifetime (one at a time per process)
// and restores the previous one afterwards. Safe from any thread.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    std::vector<LogEntry> entries() const;
    // Messages only, in order; optionally only those of one type.
    QStringList messages() const;
    QStringList messages(QtMsgType type) const;
    int count() const;
    bool contains(const QString &text) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);

    mutable std::mutex m_mutex;
    std::vector<LogEntry> m_entries;
    QtMessageHandler m_previous;
};

#endif // VXCAM_TESTS_LOGCAPTURE_H
