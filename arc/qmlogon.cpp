// Logon and access of qm32: the logged-on identity that service calls put in
// their request header (SEC_GetUserString), and the logon that a call made
// while nobody is logged on asks for.
#include "qm32int.h"

#include <cstring>

// A call made while nobody is logged on asks for a logon here. There is no
// logon window yet, so the logon counts as cancelled: false.
bool _secLoginUser() {
    return false;
}

extern "C" {

// Kind 1 the user id, 2 the password, 3 the fixed text "E". Copies at most
// iSize characters, the buffer always ending with a NUL at iSize - 1, and
// returns the length of the text copied; 0 (buffer untouched) when nobody is
// logged on or the kind is unknown.
QM32_API int QM32_CALL SEC_GetUserString(int iKind, char *pszBuffer, int iSize) {
    QM32_SHARED *shared = _qm32Shared();
    if (!shared || !pszBuffer || iSize <= 0 || shared->szUserId[0] == '\0')
        return 0;
    std::string text;
    switch (iKind) {
    case 1:
        text = _qm32Field(shared->szUserId, sizeof shared->szUserId);
        break;
    case 2:
        text = _qm32Field(shared->szPassword, sizeof shared->szPassword);
        break;
    case 3:
        text = "E";
        break;
    default:
        return 0;
    }
    std::size_t size = static_cast<std::size_t>(iSize);
    std::size_t n = text.size() < size ? text.size() : size;
    std::memcpy(pszBuffer, text.data(), n);
    std::memset(pszBuffer + n, 0, size - n);
    pszBuffer[size - 1] = '\0';
    return static_cast<int>(strnlen(pszBuffer, size));
}

} // extern "C"
