#include "config/ui/frmConfiguration.h"

#include <QListWidget>
#include <QPointer>
#include <algorithm>

#include "config/BlockCallString.h"
#include "config/ui/frmAddBlockCallString.h"
#include "core/ChangedMeanwhile.h"
#include "core/ui/modMainGui.h"
#include "network/ui/frmAddIP.h"
#include "platform/Prompt.h"
#include "platform/ui/ModalDialog.h"

// The boxes and dialogs below let the program end while they wait, and this dialog with its main window:
// nothing of the dialog is touched after one of them unless it is still there.

void frmConfiguration::cmdAddBlockCallString_Click()
{
    QPointer<frmAddBlockCallString> dialog = new frmAddBlockCallString(this);
    execDialog(*dialog);
    if (!dialog)
        return;
    const QString entry = dialog->BlockCallString();
    delete dialog.data();
    if (entry.isEmpty())
        return;
    QStringList entries;
    for (int i = 0; i < lstBlockCallStrings->count(); ++i)
        entries << lstBlockCallStrings->item(i)->text();
    if (!AddBlockCallString(entries, entry))
        return;
    lstBlockCallStrings->addItem(entry);
    SetListScrollWidth(lstBlockCallStrings);
}

void frmConfiguration::cmdEditBlockCallString_Click()
{
    const QListWidgetItem* item = lstBlockCallStrings->currentItem();
    if (!item || !item->isSelected()) {
        Prompt::message(QStringLiteral("You must select an item to edit."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    // The entry is kept by its text and row, never as the list's item, across the dialog.
    const QString chosen = item->text();
    const int chosenRow = lstBlockCallStrings->row(item);
    QPointer<frmAddBlockCallString> dialog = new frmAddBlockCallString(this);
    dialog->setText(chosen);
    execDialog(*dialog);
    if (!dialog)
        return;
    const QString entry = dialog->BlockCallString();
    delete dialog.data();
    if (entry.isEmpty())
        return;
    QListWidgetItem* edited = lstBlockCallStrings->item(chosenRow);
    if (!edited || edited->text() != chosen) {
        edited = nullptr;
        for (int i = 0; i < lstBlockCallStrings->count() && !edited; ++i) {
            if (lstBlockCallStrings->item(i)->text() == chosen)
                edited = lstBlockCallStrings->item(i);
        }
    }
    if (!edited) {
        ChangedMeanwhile::say(QStringLiteral("block call string \"") + chosen + QLatin1Char('"'));
        return;
    }
    edited->setText(entry);
    SetListScrollWidth(lstBlockCallStrings);
}

void frmConfiguration::cmdRemoveBlockCallString_Click()
{
    const int i = lstBlockCallStrings->currentRow();
    const int n = lstBlockCallStrings->count();
    QListWidgetItem* item = lstBlockCallStrings->currentItem();
    if (i < 0 || !item || !item->isSelected()) {
        Prompt::message(QStringLiteral("You must select an item to remove."), Prompt::OkOnly, Prompt::Critical);
        return;
    }
    delete lstBlockCallStrings->takeItem(i);
    // The selection stays with the entry that followed, or moves to the new last one.
    if (n >= 2)
        lstBlockCallStrings->setCurrentRow(std::min(i, n - 2));
    else
        lstBlockCallStrings->setCurrentRow(-1);
    SetListScrollWidth(lstBlockCallStrings);
}

void frmConfiguration::cmdAddIP_Click()
{
    // An address listed already is listed again, as the user asked.
    const QString entry = frmAddIP::Ask(this);
    if (entry.isEmpty())
        return;
    lstBlockedIP->addItem(entry);
    SetListScrollWidth(lstBlockedIP);
}

void frmConfiguration::cmdRemoveIP_Click()
{
    QListWidgetItem* item = lstBlockedIP->currentItem();
    if (!item || !item->isSelected())
        return;
    delete lstBlockedIP->takeItem(lstBlockedIP->row(item));
    SetListScrollWidth(lstBlockedIP);
}
