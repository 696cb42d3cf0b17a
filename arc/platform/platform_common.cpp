// Parts of the platform layer that read the same on every system: integer
// values of private-profile files, parsed with the system's own rules, and the
// clearing of texts that held a password.
#include "platform/platform.h"

#include <cstdint>

long plat_profile_int(const std::string &file, const char *section, const char *key, long def) {
    std::string text = plat_profile_string(file, section, key, "");
    if (text.empty())
        return def;
    // Decimal only, an optional sign, up to the first non-digit; the value
    // wraps at 32 bits as the system's own reader does.
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<long>(static_cast<int32_t>(value));
}

void plat_wipe(void *buffer, std::size_t size) {
    // Through a volatile pointer, so the stores are not dropped as dead.
    volatile unsigned char *p = static_cast<volatile unsigned char *>(buffer);
    for (std::size_t i = 0; i < size; ++i)
        p[i] = 0;
}

void plat_wipe(std::string &text) {
    if (!text.empty())
        plat_wipe(&text[0], text.size());
    text.clear();
}
