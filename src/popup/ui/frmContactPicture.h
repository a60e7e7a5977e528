#pragma once

#include "popup/ui/PopupDetailWindow.h"

#include <QLabel>
#include <QPixmap>

// The contact's picture of the pop-up's current caller in a window of its own. A client has no pictures:
// there the window stays empty and does nothing.
class frmContactPicture : public PopupDetailWindow {
    Q_OBJECT
public:
    static frmContactPicture* instance(bool create = true);

    void UpdateAppearance() override;
    void refreshContent() override { SetImage(); }
    void SetImage();

protected:
    void layoutContent(double ws, double hs) override;
    bool inert() const override;

private:
    frmContactPicture();
    QLabel* imgContactImage = nullptr;
    QLabel* lblNoPic = nullptr;
    QPixmap m_picture;
};
