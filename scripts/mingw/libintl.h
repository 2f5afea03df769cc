/* The gettext functions, for a MinGW build of GLib that ships no
 * translations: each gives back the message it is handed (see libintl.c). */
#ifndef VXCAM_LIBINTL_H
#define VXCAM_LIBINTL_H

#include <locale.h>

/* The C runtime of Windows has no LC_MESSAGES; gettext's value. */
#ifndef LC_MESSAGES
#define LC_MESSAGES 1729
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define VXCAM_FORMAT_ARG(n) __attribute__((format_arg(n)))

char *gettext(const char *msgid) VXCAM_FORMAT_ARG(1);
char *dgettext(const char *domain, const char *msgid) VXCAM_FORMAT_ARG(2);
char *dcgettext(const char *domain, const char *msgid, int category) VXCAM_FORMAT_ARG(2);
char *ngettext(const char *msgid, const char *plural, unsigned long n) VXCAM_FORMAT_ARG(1)
    VXCAM_FORMAT_ARG(2);
char *dngettext(const char *domain, const char *msgid, const char *plural, unsigned long n)
    VXCAM_FORMAT_ARG(2) VXCAM_FORMAT_ARG(3);
char *dcngettext(const char *domain, const char *msgid, const char *plural, unsigned long n, int category)
    VXCAM_FORMAT_ARG(2) VXCAM_FORMAT_ARG(3);
char *textdomain(const char *domain);
char *bindtextdomain(const char *domain, const char *dirname);
char *bind_textdomain_codeset(const char *domain, const char *codeset);

#ifdef __cplusplus
}
#endif

#endif
