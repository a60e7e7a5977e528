#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>

#include "support/ui/ByName.h"

// What a named control shows, and clicks on controls that are not buttons (the pop-up's labels act as its
// buttons), for window tests that find everything by objectName.
namespace ui {

// The text the control named name under root shows: a label's, a text box's, a button's caption or a combo
// box's current text. A missing control reads as "<no NAME>", so a comparison fails naming it.
inline QString textOf(const QObject* root, const QString& name)
{
    QWidget* w = findByName<QWidget>(root, name);
    if (const auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (const auto* line = qobject_cast<QLineEdit*>(w))
        return line->text();
    if (const auto* plain = qobject_cast<QPlainTextEdit*>(w))
        return plain->toPlainText();
    if (const auto* rich = qobject_cast<QTextEdit*>(w))
        return rich->toPlainText();
    if (const auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (const auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    return QStringLiteral("<no %1>").arg(name);
}

// A left click in the middle of the control named name under root, as the mouse gives it; false when there
// is no such control.
inline bool clickOn(const QObject* root, const QString& name, Qt::KeyboardModifiers modifiers = {})
{
    QWidget* w = findByName<QWidget>(root, name);
    if (!w)
        return false;
    QTest::mouseClick(w, Qt::LeftButton, modifiers);
    return true;
}

} // namespace ui
