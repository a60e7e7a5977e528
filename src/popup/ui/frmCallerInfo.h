#pragma once

#include "popup/ui/PopupDetailWindow.h"

#include <QPlainTextEdit>

// The pop-up's screen of caller information in a window of its own.
class frmCallerInfo : public PopupDetailWindow {
    Q_OBJECT
public:
    static frmCallerInfo* instance(bool create = true);

    void UpdateAppearance() override;
    void refreshContent() override { SetCallerInfo(); }
    void SetCallerInfo();

    QPlainTextEdit* txtCallerInfo = nullptr;

protected:
    void layoutContent(double ws, double hs) override;

private:
    frmCallerInfo();
};
