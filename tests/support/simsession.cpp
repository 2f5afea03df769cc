#include "simsession.h"

#include "MVSDK/Sim/VirtualCameras.h"

#include <QFile>

SimSession::SimSession(const QByteArray &configJson)
{
    VxSim::setTraceFile(m_dir.filePath(QStringLiteral("trace.txt")));
    m_loaded = VxSim::loadConfig(configJson, &m_error);
}

SimSession::~SimSession()
{
    VxSim::setTraceFile(QString());
}

QStringList SimSession::traceLines() const
{
    QFile file(m_dir.filePath(QStringLiteral("trace.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList SimSession::traceLines(const QString &prefix) const
{
    QStringList result;
    for (const QString &line : traceLines()) {
        if (line.startsWith(prefix))
            result << line;
    }
    return result;
}

void SimSession::markTrace()
{
    m_mark = traceLines().size();
}

QStringList SimSession::traceSinceMark() const
{
    QStringList calls;
    for (const QString &line : traceLines().mid(m_mark)) {
        if (!line.startsWith(QLatin1String("frame ")))
            calls << line;
    }
    return calls;
}

QStringList SimSession::traceSinceMark(const QString &prefix) const
{
    QStringList result;
    for (const QString &line : traceLines().mid(m_mark)) {
        if (line.startsWith(prefix))
            result << line;
    }
    return result;
}
