#include "logcapture.h"

#include <atomic>

namespace {
std::atomic<LogCapture *> g_active {nullptr};
}

LogCapture::LogCapture()
{
    g_active.store(this);
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    g_active.store(nullptr);
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    LogCapture *self = g_active.load();
    if (self == nullptr)
        return;
    LogEntry entry {type, message, QString::fromUtf8(context.file ? context.file : ""), context.line,
                    QString::fromUtf8(context.function ? context.function : "")};
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->m_entries.push_back(std::move(entry));
}

std::vector<LogEntry> LogCapture::entries() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries;
}

QStringList LogCapture::messages() const
{
    QStringList result;
    for (const LogEntry &entry : entries())
        result << entry.message;
    return result;
}

QStringList LogCapture::messages(QtMsgType type) const
{
    QStringList result;
    for (const LogEntry &entry : entries()) {
        if (entry.type == type)
            result << entry.message;
    }
    return result;
}

int LogCapture::count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_entries.size());
}

bool LogCapture::contains(const QString &text) const
{
    return messages().contains(text);
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}
