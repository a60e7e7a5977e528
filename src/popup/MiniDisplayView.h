#pragma once

#include <QString>

#include <optional>

#include "popup/modLoggedRecord.h"

class QObject;

// What the pop-up's caller list asks of its window. The window (frmMiniDisplay) implements it and
// registers itself with MiniDisplay while it is loaded; without a window the list treats the pop-up as
// hidden.
class MiniDisplayView {
public:
    virtual ~MiniDisplayView() = default;

    virtual bool isShown() const = 0;

    // Screen 0: the six caller labels; the contact picture behind them when imageFile is not empty.
    virtual void showCallerLabels(bool withPicture, const QString& imageFile) = 0;
    virtual void setCallerTexts(const QString& position, const QString& name, const QString& number,
                                const QString& time, const QString& rings, const QString& answered) = 0;
    // Screen 1: the statistics text box (cleared, then filled; a client fills it when the reply comes).
    virtual void showCallerInfo(const QString& text) = 0;
    // Screen 2: the contact picture over "No Picture".
    virtual void showImage(const QString& imageFile) = 0;
    // Screen 3: the other-information text box.
    virtual void showOtherInfo(const QString& text) = 0;

    // Detail windows by the screen they take over (1 caller information, 2 picture, 3 other information).
    virtual bool detailVisible(int screen) const = 0;
    virtual void openDetail(int screen) = 0;
    virtual void refreshDetail(int screen) = 0;

    virtual void enablePopupMenu(bool callersListed) = 0;
    virtual void beep() = 0;
    virtual void vibrate() = 0;
    virtual void flash() = 0;
    virtual void setBlockVisible(bool visible) = 0;
    virtual QString caption() const = 0;
    virtual void setCaption(const QString& caption) = 0;

    // Shows the logged-record window with that call, above the pop-up; without a record (the call is gone
    // from the log) it shows what it showed last.
    virtual void showLoggedRecord(const std::optional<LoggedRecord>& record) = 0;

    // Client mode: the waiting note while the server works on a request of the pop-up.
    virtual void showWaiting(const QString& tag) = 0;
    // The window as an object (the owner of the progress window).
    virtual QObject* windowObject() = 0;
};
