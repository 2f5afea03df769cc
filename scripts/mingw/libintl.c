/* gettext without translations: what a program gets from GNU gettext when no
 * message catalogue is installed. GLib calls these; the camera SDK's back end
 * shows no GLib message to a user. Linked statically into the MinGW GLib. */
#include "libintl.h"

#include <stddef.h>

static char defaultDomain[] = "messages";

char *gettext(const char *msgid)
{
    return (char *)msgid;
}

char *dgettext(const char *domain, const char *msgid)
{
    (void)domain;
    return (char *)msgid;
}

char *dcgettext(const char *domain, const char *msgid, int category)
{
    (void)domain;
    (void)category;
    return (char *)msgid;
}

char *ngettext(const char *msgid, const char *plural, unsigned long n)
{
    return (char *)(n == 1 ? msgid : plural);
}

char *dngettext(const char *domain, const char *msgid, const char *plural, unsigned long n)
{
    (void)domain;
    return ngettext(msgid, plural, n);
}

char *dcngettext(const char *domain, const char *msgid, const char *plural, unsigned long n, int category)
{
    (void)domain;
    (void)category;
    return ngettext(msgid, plural, n);
}

char *textdomain(const char *domain)
{
    return domain != NULL ? (char *)domain : defaultDomain;
}

char *bindtextdomain(const char *domain, const char *dirname)
{
    (void)domain;
    return (char *)dirname;
}

char *bind_textdomain_codeset(const char *domain, const char *codeset)
{
    (void)domain;
    return (char *)codeset;
}
