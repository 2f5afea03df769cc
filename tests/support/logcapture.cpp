#include "logcapture.h"

#include <mutex>

namespace {
// The capture that records, and a lock held while a message is recorded, so
// that a capture never goes away under a grabbing thread's message.
std::mutex g_activeMutex;
LogCapture *g_active = nullptr; // guarded by g_activeMutex
} // namespace

LogCapture::LogCapture()
{
    {
        std::lock_guard<std::mutex> lock(g_activeMutex);
        g_active = this;
    }
    m_previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    std::lock_guard<std::mutex> lock(g_activeMutex);
    g_active = nullptr;
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // A copy of its own: Qt frees the message's buffer on the logging thread,
    // where ThreadSanitizer does not see Qt's reference count.
    LogEntry entry {type, QString(message.constData(), message.size()),
                    QString::fromUtf8(context.file ? context.file : ""), context.line,
                    QString::fromUtf8(context.function ? context.function : "")};
    std::lock_guard<std::mutex> active(g_activeMutex);
    if (g_active == nullptr)
        return;
    std::lock_guard<std::mutex> lock(g_active->m_mutex);
    g_active->m_entries.push_back(std::move(entry));
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
