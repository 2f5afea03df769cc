#include "dumpcheck.h"

#include "bitmapinfo.h"
#include "framedump.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

const QString kStampPattern = QStringLiteral("yyyy_MM_dd_hh_mm_ss_zzz");

// The dump names of frame numbers with `digits` digits, as a pattern with the
// time stamp and the number captured, and the folder they are in. False when
// the name has no place for them in its last part (a suffix with a folder in it).
bool dumpNamePattern(const tagVX_CAMERA_OPTION &option, quint32 sample, QString *folder,
                     QRegularExpression *pattern)
{
    const QDateTime stampTime(QDate(2000, 1, 1), QTime(0, 0));
    const QString stamp = stampTime.toString(kStampPattern);
    const QFileInfo name(dumpFileName(sample, option, stampTime));
    const QString file = name.fileName();
    const QString tail = QLatin1Char('_') + QString::number(sample) + option.saveSuffix;
    if (!file.endsWith(tail) || file.size() < tail.size() + stamp.size()
        || file.mid(file.size() - tail.size() - stamp.size(), stamp.size()) != stamp)
        return false;
    const QString head = file.left(file.size() - tail.size() - stamp.size());
    *folder = name.absolutePath();
    *pattern
        = QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(head)
                             + QStringLiteral("(\\d{4}_\\d\\d_\\d\\d_\\d\\d_\\d\\d_\\d\\d_\\d{3})_(\\d+)")
                             + QRegularExpression::escape(option.saveSuffix) + QLatin1Char('$'));
    return true;
}

QString probeReason(const tagVX_CAMERA_OPTION &option, quint32 number, quint32 frameBytes)
{
    VxBitmapInfo info;
    initGreyBitmapInfo(info);
    // As large as a frame, so that a disk too full for one says so; within reason.
    const quint32 bytes = std::min<quint32>(frameBytes, 64u << 20);
    const QByteArray zeros(qsizetype(bytes), '\0');
    const QString name = dumpFileName(number, option);
    const QString problem = writeFrameDump(name, info, 0, 0, 8, zeros.constData(), bytes);
    if (!problem.isEmpty())
        return problem;
    QFile::remove(name);
    return QStringLiteral("the files were not there after the run");
}

} // namespace

DumpCheck checkDumps(const tagVX_CAMERA_OPTION &option, const QList<quint32> &numbers, const QDateTime &from,
                     const QDateTime &to, quint32 frameBytes)
{
    DumpCheck check;
    check.asked = int(numbers.size());
    // Dump names differ in length by the number's digits only.
    QHash<int, QList<quint32>> byDigits;
    for (const quint32 number : numbers)
        byDigits[int(QString::number(number).size())].append(number);
    const QDateTime earliest = from.addSecs(-1);
    const QDateTime latest = to.addSecs(1);
    QHash<QString, QStringList> folders;
    quint32 firstMissing = 0;
    for (auto group = byDigits.cbegin(); group != byDigits.cend(); ++group) {
        QString folder;
        QRegularExpression pattern;
        if (!dumpNamePattern(option, group.value().first(), &folder, &pattern))
            continue; // cannot tell
        if (!folders.contains(folder))
            folders.insert(folder, QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System));
        QSet<quint32> found;
        for (const QString &file : folders.value(folder)) {
            const QRegularExpressionMatch match = pattern.match(file);
            if (!match.hasMatch())
                continue;
            const QDateTime stamp = QDateTime::fromString(match.captured(1), kStampPattern);
            bool ok = false;
            const quint32 number = match.captured(2).toUInt(&ok);
            if (ok && stamp.isValid() && stamp >= earliest && stamp <= latest)
                found.insert(number);
        }
        for (const quint32 number : group.value()) {
            if (!found.contains(number)) {
                if (check.missing++ == 0)
                    firstMissing = number;
            }
        }
    }
    if (check.missing > 0)
        check.reason = probeReason(option, firstMissing, frameBytes);
    return check;
}
