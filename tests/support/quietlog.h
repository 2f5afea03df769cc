// QuietLog: drops every Qt log message while it lives (the earlier driver
// logs a line per frame), then restores the previous handler.
#ifndef VXCAM_TESTS_QUIETLOG_H
#define VXCAM_TESTS_QUIETLOG_H

#include <QtGlobal>

class QuietLog {
public:
    QuietLog()
        : m_previous(qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}))
    {
    }
    ~QuietLog() { qInstallMessageHandler(m_previous); }
    QuietLog(const QuietLog &) = delete;
    QuietLog &operator=(const QuietLog &) = delete;

private:
    QtMessageHandler m_previous;
};

#endif // VXCAM_TESTS_QUIETLOG_H
