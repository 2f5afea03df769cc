// How the tool prints texts it did not write itself, such as camera keys.
#ifndef VXCAM_PRINTABLETEXT_H
#define VXCAM_PRINTABLETEXT_H

#include <QString>

// The text with every control character escaped, so that it stays on one
// line and cannot steer a terminal or turn the text around it: "\n", "\r"
// and "\t" for those three, "\xHH" (two hexadecimal digits) for the other
// C0 controls, DEL and C1 (U+0080 to U+009F), "\uHHHH" for the bidirectional
// controls (U+200E, U+200F, U+202A to U+202E, U+2066 to U+2069) and the line
// and paragraph separators (U+2028, U+2029). Every other character, a
// backslash included, is kept as it is.
QString printableText(const QString &text);

#endif // VXCAM_PRINTABLETEXT_H
