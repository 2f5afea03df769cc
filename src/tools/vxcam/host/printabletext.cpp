#include "printabletext.h"

QString printableText(const QString &text)
{
    QString printable;
    printable.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control) {
            printable.append(c);
            continue;
        }
        switch (c.unicode()) {
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
            printable.append(QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')));
            break;
        }
    }
    return printable;
}
