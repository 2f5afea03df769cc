// Readable GoogleTest output for Qt text types.
#ifndef VXCAM_TESTS_QTPRINTERS_H
#define VXCAM_TESTS_QTPRINTERS_H

#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << "{";
    for (int i = 0; i < list.size(); ++i)
        *out << (i ? ",\n  \"" : "\n  \"") << list.at(i).toStdString() << '"';
    *out << " }";
}

#endif // VXCAM_TESTS_QTPRINTERS_H
