#include "progressdisplay.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>

namespace {

QByteArray progressLine(const CameraProgress &camera, bool withKey)
{
    constexpr int kWidth = 30;
    const int filled
        = camera.target > 0 ? std::min(kWidth, int(qint64(camera.frames) * kWidth / camera.target)) : 0;
    const QByteArray bar = QByteArray(filled, '#') + QByteArray(kWidth - filled, '-');
    QByteArray line;
    if (withKey)
        line += camera.key.toLocal8Bit() + ' ';
    line += '[' + bar + "] " + QByteArray::number(camera.frames) + '/' + QByteArray::number(camera.target)
        + " frames  " + QByteArray::number(camera.framesPerSecond, 'f', 1) + " fps ";
    if (!camera.state.isEmpty())
        line += ' ' + camera.state.toLocal8Bit();
    return line;
}

} // namespace

void ProgressDisplay::show(const QList<CameraProgress> &cameras)
{
    if (!m_enabled || cameras.isEmpty())
        return;
    QByteArray out;
    if (m_lines > 1)
        out += "\x1b[" + QByteArray::number(m_lines - 1) + 'A';
    out += '\r';
    for (int i = 0; i < cameras.size(); ++i) {
        if (i > 0)
            out += '\n';
        out += progressLine(cameras[i], cameras.size() > 1) + "\x1b[K";
    }
    std::fputs(out.constData(), stderr);
    std::fflush(stderr);
    m_lines = int(cameras.size());
}

void ProgressDisplay::clear()
{
    if (!m_enabled || m_lines == 0)
        return;
    QByteArray out;
    if (m_lines > 1)
        out += "\x1b[" + QByteArray::number(m_lines - 1) + 'A';
    out += "\r\x1b[J";
    std::fputs(out.constData(), stderr);
    std::fflush(stderr);
    m_lines = 0;
}

void ProgressDisplay::finish()
{
    if (m_enabled && m_lines > 0) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    m_lines = 0;
}
