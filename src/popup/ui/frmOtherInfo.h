#pragma once

#include "popup/ui/PopupDetailWindow.h"

#include <QPlainTextEdit>

// The pop-up's screen of other information in a window of its own.
class frmOtherInfo : public PopupDetailWindow {
    Q_OBJECT
public:
    static frmOtherInfo* instance(bool create = true);

    void UpdateAppearance() override;
    void refreshContent() override { SetOtherInfo(); }
    void SetOtherInfo();

    QPlainTextEdit* txtOtherInfo = nullptr;

protected:
    void layoutContent(double ws, double hs) override;

private:
    frmOtherInfo();
};
