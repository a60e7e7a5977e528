#pragma once

#include "popup/ui/PopupTextWindow.h"

// The pop-up's screen of caller information in a window of its own.
class frmCallerInfo : public PopupTextWindow {
    Q_OBJECT
public:
    static frmCallerInfo* instance(bool create = true);

    void refreshContent() override { SetCallerInfo(); }
    void SetCallerInfo();

private:
    frmCallerInfo();
};
