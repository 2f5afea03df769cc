#include "progressdisplay.h"

#include <QByteArray>

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

namespace {

// Serialises the display's drawing with log lines of every thread.
std::mutex g_terminal;
ProgressDisplay *g_shown = nullptr; // under g_terminal
// Installed with the first display and kept: taking it out again could drop
// a line of another thread passing through it, or a handler installed after it.
std::atomic<QtMessageHandler> g_previous {nullptr};

void progressAwareHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QtMessageHandler previous = g_previous.load();
    std::lock_guard<std::mutex> lock(g_terminal);
    if (g_shown != nullptr)
        g_shown->eraseLocked();
    if (previous != nullptr)
        previous(type, context, message);
    if (g_shown != nullptr)
        g_shown->redrawLocked();
}

QByteArray cursorUp(int lines)
{
    return lines > 1 ? "\x1b[" + QByteArray::number(lines - 1) + 'A' : QByteArray();
}

QByteArray progressLine(const CameraProgress &camera, bool withKey)
{
    constexpr int kWidth = 30;
    const int filled
        = camera.target > 0 ? std::min(kWidth, int(qint64(camera.frames) * kWidth / camera.target)) : 0;
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(kWidth - filled, '-');
    QByteArray line;
    if (withKey)
        line += camera.key.toLocal8Bit() + ' ';
    line += '[' + bar + "] " + QByteArray::number(camera.frames)
        + (camera.target > 0 ? '/' + QByteArray::number(camera.target) : QByteArray()) + " frames  "
        + QByteArray::number(camera.framesPerSecond, 'f', 1) + " fps ";
    if (!camera.state.isEmpty())
        line += ' ' + camera.state.toLocal8Bit();
    return line;
}

} // namespace

ProgressDisplay::ProgressDisplay(bool enabled)
    : m_enabled(enabled)
{
    if (!m_enabled)
        return;
    static std::once_flag installed;
    std::call_once(installed, [] { g_previous.store(qInstallMessageHandler(progressAwareHandler)); });
    std::lock_guard<std::mutex> lock(g_terminal);
    g_shown = this;
}

ProgressDisplay::~ProgressDisplay()
{
    std::lock_guard<std::mutex> lock(g_terminal);
    if (g_shown == this)
        g_shown = nullptr;
}

void ProgressDisplay::show(const QList<CameraProgress> &cameras)
{
    if (!m_enabled || cameras.isEmpty())
        return;
    QByteArray text;
    for (int i = 0; i < cameras.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += progressLine(cameras[i], cameras.size() > 1) + "\x1b[K";
    }
    std::lock_guard<std::mutex> lock(g_terminal);
    const QByteArray out = cursorUp(m_lines) + '\r' + text;
    std::fputs(out.constData(), stderr);
    std::fflush(stderr);
    m_text = text;
    m_lines = m_textLines = int(cameras.size());
}

void ProgressDisplay::eraseLocked()
{
    if (!m_enabled || m_lines == 0)
        return;
    const QByteArray out = cursorUp(m_lines) + "\r\x1b[J";
    std::fputs(out.constData(), stderr);
    std::fflush(stderr);
    m_lines = 0;
}

void ProgressDisplay::redrawLocked()
{
    if (!m_enabled || m_lines > 0 || m_text.isEmpty())
        return;
    std::fputs(m_text.constData(), stderr);
    std::fflush(stderr);
    m_lines = m_textLines;
}

void ProgressDisplay::clear()
{
    std::lock_guard<std::mutex> lock(g_terminal);
    eraseLocked();
    m_text.clear();
}

void ProgressDisplay::finish()
{
    std::lock_guard<std::mutex> lock(g_terminal);
    if (m_enabled && m_lines > 0) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    m_lines = 0;
    m_text.clear();
    if (g_shown == this)
        g_shown = nullptr;
}
