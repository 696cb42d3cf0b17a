// The "Error" window of qm32 (its portable logic) and what the tests reach of
// it: the details text of a record and the mail sender the Send button uses.
#pragma once

#include "qm32int.h"

#include <ctime>
#include <string>

// Sends a file as a mail (MAIL_SendMessageFile's arguments and result).
typedef long(QM32_CALL *QM32_MAIL_FN)(const char *receiver, const char *sender, const char *subject,
                                      const char *file);
// Tests: the mail sender of the Send button (nullptr: MAIL_SendMessageFile).
void _errSetMailSender(QM32_MAIL_FN mail);

// The details text of `record` shown at `when`: the lines of a log entry,
// each ended by "\r\r\n", every field bounded by its width.
std::string _errDetailsText(const ERR_RECORD &record, std::time_t when);

// The window's logic. `fromHandle`: opened by ERR_HandleError, so the last
// entry of the log is the current error and not an earlier one.
class CErrorWindow : public CDialogLogic {
  public:
    CErrorWindow(const ERR_RECORD &record, bool fromHandle, std::time_t when);
    const QM_DIALOG &Dialog() const override;
    void OnInit(CDialogView &view) override;
    void OnCommand(CDialogView &view, int id) override;

  private:
    bool count(CDialogView &view);
    void showEntry(CDialogView &view, long index);
    void showCurrent(CDialogView &view);
    void updatePaging(CDialogView &view);
    void send(CDialogView &view);
    void box(CDialogView &view, long number, unsigned style);

    std::string app_, details_;
    uint32_t severity_;
    bool fromHandle_;
    bool counted_ = false, expanded_ = false;
    long earlier_ = 0, index_ = 0;
};
