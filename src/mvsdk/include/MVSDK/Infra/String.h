// CString: the camera SDK's text type. Bytes, UTF-8 by convention.
#ifndef MVSDK_INFRA_STRING_H
#define MVSDK_INFRA_STRING_H

#include <cstring>
#include <string>

namespace Dahua {
namespace Infra {

class CString {
public:
    CString() = default;
    CString(const char *text)
        : m_text(text != nullptr ? text : "")
    {
    }
    CString(const std::string &text)
        : m_text(text)
    {
    }

    const char *c_str() const { return m_text.c_str(); }
    std::size_t length() const { return m_text.size(); }
    bool empty() const { return m_text.empty(); }

    bool operator==(const CString &other) const { return m_text == other.m_text; }
    bool operator==(const char *other) const { return other != nullptr && m_text == other; }
    bool operator!=(const CString &other) const { return !(*this == other); }
    bool operator!=(const char *other) const { return !(*this == other); }

private:
    std::string m_text;
};

} // namespace Infra
} // namespace Dahua

#endif // MVSDK_INFRA_STRING_H
