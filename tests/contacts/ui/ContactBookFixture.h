#pragma once

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <sqlite3.h>

#include <memory>

#include "contacts/ContactViews.h"
#include "contacts/ui/frmContacts.h"
#include "core/Globals.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "platform/Prompt.h"
#include "platform/SqlDatabase.h"
#include "platform/ui/ModalDialog.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"

// A contact book on a real contact file in a temporary home, with the three usual attribute groups, and
// the helpers its window tests share: status panels, scripted number dialogs, the file's writes.
namespace book {

inline void addGroup(const QString& name, qint32 colour, bool block)
{
    auto g = std::make_shared<clsAttributeGroup>();
    g->Description = name;
    g->Color = colour;
    g->Block = block;
    gAttributeGroups.add(name, g);
}

inline clsContact contact(const QString& name, const QStringList& numbers, const QString& group = QString())
{
    clsContact c;
    c.Name = name;
    c.AttributeGroup = group;
    for (const QString& n : numbers) {
        const int open = int(n.indexOf(QLatin1String(" (")));
        c.AddNumber(open > 0 ? std::make_shared<clsNumber>(n.left(open), n.mid(open + 2).chopped(1))
                             : std::make_shared<clsNumber>(n, QString()));
    }
    return c;
}

inline QString panel(QObject* w, const char* key)
{
    QLabel* l = ui::findByName<QLabel>(w, QStringLiteral("StatusBar1.Panels(%1)").arg(QLatin1String(key)));
    return l ? l->text() : QStringLiteral("(no panel)");
}

// The next number dialog gets this number and description and OK (or Cancel).
inline void answerNumberDialog(const QString& number, const QString& description, bool ok = true,
                               QString* caption = nullptr)
{
    ModalDialog::queueScript([=](QDialog& d) {
        if (caption)
            *caption = d.windowTitle();
        d.findChild<QComboBox*>(QStringLiteral("cmbNumber"))->setEditText(number);
        d.findChild<QComboBox*>(QStringLiteral("cmbDescription"))->setEditText(description);
        d.findChild<QPushButton*>(ok ? QStringLiteral("cmdOK") : QStringLiteral("cmdCancel"))->click();
    });
}

inline QStringList lines(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Rows written through the contact file's connection so far.
inline int writes() { return gContactDB ? sqlite3_total_changes(gContactDB->handle()) : -1; }

class Fixture {
public:
    Fixture()
    {
        home = std::make_unique<TempHome>();
        gNetworkMode = Standalone;
        path = home->file(QStringLiteral("dbContacts.mdb"));
        CreateContactDB(path);
        addGroup(QStringLiteral("Default"), 16711680, false);
        addGroup(QStringLiteral("VIP Callers"), 65280, false);
        addGroup(QStringLiteral("Block Calls"), 255, true);
    }
    ~Fixture()
    {
        close();
        home.reset();
    }

    void store(const clsContact& c) { QVERIFY(AddContact(c)); }

    frmContacts* open()
    {
        frmContacts* w = frmContacts::instance();
        w->show();
        return w;
    }

    // Gone without its save question.
    void close()
    {
        delete frmContacts::instance(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::unique_ptr<TempHome> home;
    QString path;
};

} // namespace book
