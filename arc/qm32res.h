/* Resource ids of qm32's windows: shared by the resource script
 * (platform/win32/qm32.rc) and the portable logic of each window. Plain
 * #defines only, so the resource compiler reads it too. */
#ifndef QM32RES_H
#define QM32RES_H

/* Logon window */
#define IDD_LOGON 100
#define IDC_LOGON_USERID 1000
#define IDC_LOGON_PASSWORD 1001

/* Change Password window */
#define IDD_CHANGE_PASSWORD 101
#define IDC_CHPW_OLD 1011
#define IDC_CHPW_NEW 1010
#define IDC_CHPW_RETYPE 1002

/* Error window */
#define IDD_ERROR 102
#define IDC_ERR_DETAILS 3
#define IDC_ERR_PREVIOUS 4
#define IDC_ERR_NEXT 5
#define IDC_ERR_SEND 6
#define IDC_ERR_ICON 1001
#define IDC_ERR_MESSAGE 1006
#define IDC_ERR_DETAILS_TEXT 1008
#define IDC_ERR_DETAILS_LABEL 1009

/* Wait window: its animation (an AVI resource) and text line */
#define IDD_WAIT 110
#define IDR_WAIT_AVI 110
#define IDC_WAIT_ANIMATION 1000
#define IDC_WAIT_TEXT 1003

#endif /* QM32RES_H */
