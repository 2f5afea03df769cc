// Dotted IPv4 text to and from 32-bit numbers in host byte order, without
// the platforms' socket libraries.
#ifndef VXCAMDAHUA_IPV4TEXT_H
#define VXCAMDAHUA_IPV4TEXT_H

#include <QString>

// "a.b.c.d" with each part 0..255; false for anything else.
bool ipv4FromText(const QString &text, quint32 *address);
QString ipv4ToText(quint32 address);

#endif // VXCAMDAHUA_IPV4TEXT_H
