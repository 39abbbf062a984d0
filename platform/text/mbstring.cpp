#include "platform/text/mbstring.h"

#include <cstring>

#include "platform/text/text.h"

unsigned char* _mbsstr(const unsigned char* text, const unsigned char* sub)
{
    if (text == nullptr || sub == nullptr)
        return nullptr;
    const char* at = reinterpret_cast<const char*>(text);
    const char* wanted = reinterpret_cast<const char*>(sub);
    const std::size_t length = std::strlen(wanted);
    for (;; at = CharNextA(at)) {
        if (std::strncmp(at, wanted, length) == 0)
            return reinterpret_cast<unsigned char*>(const_cast<char*>(at));
        if (*at == '\0')
            return nullptr;
    }
}
