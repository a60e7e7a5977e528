#pragma once

#include <QColor>
#include <QString>

class QWidget;
class PopupDetailWindow;

// Shared pieces of the pop-up family (the pop-up and its three detail windows).

// Text and background colours of a control, as its palette carries them.
void setForeground(QWidget* widget, const QColor& colour);
void setBackground(QWidget* widget, const QColor& colour);
QColor foreground(const QWidget* widget);
QColor background(const QWidget* widget);

// The detail window that takes over a screen of the pop-up (1 caller information, 2 contact picture,
// 3 other information), loaded on first use when create is set; nullptr otherwise.
PopupDetailWindow* detailWindow(int screen, bool create);
