#pragma once

#include <QWidget>

// What the three detail windows of the pop-up share: each shows one screen of the pop-up's current caller
// in a window of its own, follows the pop-up's on-top switch and colours, can be dragged by its content,
// and remembers its placement and whether the user left it open.
class PopupDetailWindow : public QWidget {
    Q_OBJECT
public:
    // Closing by the program (the pop-up closes) keeps the window remembered as open.
    void closeByProgram();

    virtual void UpdateAppearance() = 0;
    // The window's content operation (SetCallerInfo, SetImage, SetOtherInfo).
    virtual void refreshContent() = 0;

protected:
    PopupDetailWindow(const char* name, const QString& caption);
    // The end of loading; derived windows call it once their controls exist.
    void load();
    // Lays the content out for the scale factors of the window's outer size.
    virtual void layoutContent(double ws, double hs) = 0;
    // The picture window does nothing at all in client mode.
    virtual bool inert() const { return false; }
    // Lets the user drag the window by this control.
    void dragBy(QWidget* control);

    QString section() const { return objectName(); }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool FirstShow = true;
    bool Placing = false;
    bool m_programClose = false;
    QPoint m_dragOffset;
};
