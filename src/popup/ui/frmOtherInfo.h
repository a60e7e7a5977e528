#pragma once

#include "popup/ui/PopupTextWindow.h"

// The pop-up's screen of other information in a window of its own.
class frmOtherInfo : public PopupTextWindow {
    Q_OBJECT
public:
    static frmOtherInfo* instance(bool create = true);

    void refreshContent() override { SetOtherInfo(); }
    void SetOtherInfo();

private:
    frmOtherInfo();
};
