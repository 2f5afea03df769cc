// How the tool prints texts it did not write itself, such as camera keys.
#ifndef VXCAM_PRINTABLETEXT_H
#define VXCAM_PRINTABLETEXT_H

#include <QString>

// The text with every control character escaped, so that it stays on one
// line and cannot steer a terminal: "\n", "\r" and "\t" for those three,
// "\xHH" (two hexadecimal digits) for the others (C0, DEL and C1). Every
// other character, a backslash included, is kept as it is.
QString printableText(const QString &text);

#endif // VXCAM_PRINTABLETEXT_H
