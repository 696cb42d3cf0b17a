// Process and path utilities of qm32: trimming of fixed-width text fields and
// direct access to the logged-on identity in the shared section.
#include "qm32int.h"

#include <cstring>

extern "C" {

// Ends a fixed-width field inside its width and strips its trailing blanks
// and NULs; a field that fills its whole width loses its last character.
QM32_API int QM32_CALL UTL_NullTerminate(char *pszText, int iWidth) {
    if (!pszText || iWidth <= 0)
        return 0;
    pszText[iWidth - 1] = '\0';
    for (int i = iWidth - 2; i >= 0 && (pszText[i] == ' ' || pszText[i] == '\0'); --i)
        pszText[i] = '\0';
    return static_cast<int>(strnlen(pszText, static_cast<std::size_t>(iWidth)));
}

// Stores the user id and password (each at most 50 characters) in the shared
// section; from then on the user counts as logged on.
QM32_API long QM32_CALL UTL_SetId(const char *pszUserId, const char *pszPassword) {
    QM32_SHARED *shared = _qm32Shared();
    if (!shared)
        return _qm32StartupError();
    _qm32SetField(shared->szUserId, sizeof shared->szUserId, pszUserId);
    _qm32SetField(shared->szPassword, sizeof shared->szPassword, pszPassword);
    return 0;
}

// Copies the logged-on user id into the caller's buffer (cut to fit, always
// NUL-terminated) and returns its length; a size of 0 or less writes nothing.
QM32_API int QM32_CALL UTL_GetId(char *pszBuffer, int iSize) {
    QM32_SHARED *shared = _qm32Shared();
    if (!shared)
        return 0;
    return _qm32CopyOut(_qm32Field(shared->szUserId, sizeof shared->szUserId), pszBuffer, iSize);
}

} // extern "C"
