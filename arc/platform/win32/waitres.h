/* Resource ids of the wait window, shared by the resource script and its
 * Win32 view. Plain #defines only, so the resource compiler reads it too. */
#ifndef WAITRES_H
#define WAITRES_H

#define IDD_WAIT 110
#define IDR_WAIT_AVI 110
#define IDC_WAIT_ANIMATION 1000
#define IDC_WAIT_TEXT 1003

#endif /* WAITRES_H */
