#include "ipv4text.h"

#include <QStringList>

bool ipv4FromText(const QString &text, quint32 *address)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    quint32 value = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        const uint byte = part.toUInt();
        if (byte > 255)
            return false;
        value = (value << 8) | byte;
    }
    *address = value;
    return true;
}

QString ipv4ToText(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg((address >> 24) & 0xFF)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}
