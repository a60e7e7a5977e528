#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "core/clsContact.h"
#include "core/modContactDB.h"
#include "core/ui/modMainGui.h"
#include "support/ui/ByName.h"

// The open contact book and its controls as the user finds them, by name, for the tests that run the whole
// program around it.
namespace bookui {

// The end of what a command says when its record went while it waited.
inline const QString Gone = QStringLiteral(" was changed or removed while this window waited; nothing was changed.");

inline QWidget* book() { return FindForm(QStringLiteral("frmContacts")); }

template <typename T>
T* control(const char* name)
{
    return ui::findByName<T>(book(), QString::fromLatin1(name));
}

inline QListWidget* numbers() { return control<QListWidget>("lstNumbers"); }
inline QString nameShown() { return control<QLineEdit>("txtName")->text(); }
inline QString infoShown() { return control<QPlainTextEdit>("txtOtherInfo")->toPlainText(); }

inline QString panel(const char* key)
{
    return ui::findByName<QLabel>(book(), QStringLiteral("StatusBar1.Panels(%1)").arg(QLatin1String(key)))->text();
}

inline QStringList lines()
{
    QStringList out;
    for (int i = 0; i < numbers()->count(); ++i)
        out << numbers()->item(i)->text();
    return out;
}

inline QTreeView* list() { return control<QTreeView>("lsvContacts"); }
inline int listed() { return list()->model()->rowCount(); }

// The contact highlighted in the list, as the user sees it.
inline QString highlighted()
{
    const QModelIndexList rows = list()->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data().toString();
}

// A click on the contact's line in the list; false when the list has no such line.
inline bool click(const QString& name)
{
    const QAbstractItemModel* model = list()->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->index(r, 0).data().toString() == name) {
            list()->selectionModel()->setCurrentIndex(model->index(r, 0), QItemSelectionModel::ClearAndSelect);
            return true;
        }
    }
    return false;
}

// The number dialog gets this number and OK.
inline void okNumber(QDialog& d, const QString& number)
{
    d.findChild<QComboBox*>(QStringLiteral("cmbNumber"))->setEditText(number);
    d.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
}

inline QStringList storedNames()
{
    QStringList out;
    for (const auto& entry : gContacts)
        out << entry.item->Name;
    return out;
}

inline clsContact contact(const QString& name, const QStringList& numbers, const QString& otherInfo = QString())
{
    clsContact c;
    c.Name = name;
    c.OtherInfo = otherInfo;
    for (const QString& n : numbers)
        c.AddNumber(std::make_shared<clsNumber>(n, QString()));
    return c;
}

} // namespace bookui
