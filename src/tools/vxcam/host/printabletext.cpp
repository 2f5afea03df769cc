#include "printabletext.h"

namespace {

// Controls that steer a terminal or the direction of the text around them:
// C0, DEL, C1 and the bidirectional marks, embeddings, overrides and
// isolates; also the line and paragraph separators, which break the line.
bool isControl(char16_t u)
{
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x200E || u == 0x200F || (u >= 0x2028 && u <= 0x202E)
        || (u >= 0x2066 && u <= 0x2069);
}

} // namespace

QString printableText(const QString &text)
{
    QString printable;
    printable.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!isControl(u)) {
            printable.append(c);
            continue;
        }
        switch (u) {
        case '\n':
            printable.append(QLatin1String("\\n"));
            break;
        case '\r':
            printable.append(QLatin1String("\\r"));
            break;
        case '\t':
            printable.append(QLatin1String("\\t"));
            break;
        default:
            if (u <= 0xFF)
                printable.append(QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0')));
            else
                printable.append(QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0')));
            break;
        }
    }
    return printable;
}
