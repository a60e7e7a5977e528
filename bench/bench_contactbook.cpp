#include "contacts/ContactViews.h"
#include "contacts/ui/frmContacts.h"
#include "core/Globals.h"
#include "core/modAttributeGroup.h"
#include "core/modContactDB.h"
#include "platform/SqlDatabase.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

namespace {

constexpr int kContacts = 5000;

void addGroup(const char* name, qint32 colour)
{
    auto g = std::make_shared<clsAttributeGroup>();
    g->Description = QString::fromLatin1(name);
    g->Color = colour;
    gAttributeGroups.add(g->Description, g);
}

// A contact file of that many contacts with three numbers each, a third of them in no group and the rest
// spread over the three usual groups; the collection read back from it.
void fillBook(TempHome& home, int contacts)
{
    gNetworkMode = Standalone;
    CreateContactDB(home.file(QStringLiteral("dbContacts.mdb")));
    addGroup("Default", 16711680);
    addGroup("VIP Callers", 65280);
    addGroup("Block Calls", 255);
    const char* const groups[] = {"", "Default", "VIP Callers", "Block Calls"};
    const char* const kinds[] = {"Home", "Work", "Cellular"};
    gContactDB->exec(QStringLiteral("BEGIN"));
    {
        SqlStatement addContact =
            gContactDB->prepare(QStringLiteral("INSERT INTO tblContacts (fldName, fldAttributeGroup) VALUES (?, ?)"));
        SqlStatement addNumber = gContactDB->prepare(
            QStringLiteral("INSERT INTO tblNumbers (fldName, fldNumber, fldDescription) VALUES (?, ?, ?)"));
        for (int i = 0; i < contacts; ++i) {
            // Names in no particular order, so the views really sort.
            const QString name = QStringLiteral("Contact %1").arg((i * 7919) % 99991, 5, 10, QLatin1Char('0'));
            addContact.bind(1, name);
            addContact.bind(2, QString::fromLatin1(groups[i % 4]));
            addContact.exec();
            addContact.reset();
            for (int k = 0; k < 3; ++k) {
                const int n = i * 3 + k;
                addNumber.bind(1, name);
                addNumber.bind(2, QStringLiteral("(%1) %2-%3")
                                      .arg(300 + k)
                                      .arg(200 + n / 10000)
                                      .arg(n % 10000, 4, 10, QLatin1Char('0')));
                addNumber.bind(3, QString::fromLatin1(kinds[k]));
                addNumber.exec();
                addNumber.reset();
            }
        }
    }
    gContactDB->exec(QStringLiteral("COMMIT"));
    UpdateContactCollection();
}

// Opening the contact book on 5,000 contacts with 15,000 numbers: the window made and shown, with the
// first fill of the group list, the list and the tree, the first contact shown and the counts.
void BM_OpenContactBook(benchmark::State& state)
{
    TempHome home;
    fillBook(home, int(state.range(0)));
    for (auto _ : state) {
        frmContacts* w = frmContacts::instance();
        w->show();
        benchmark::DoNotOptimize(w->views().tree.rowCount());
        state.PauseTiming();
        if (w->views().list.rowCount() != state.range(0) || w->txtName->text().isEmpty())
            state.SkipWithError("the book was not filled");
        delete w;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["nodes"] = double(state.range(0) * 4 + 3);
}
BENCHMARK(BM_OpenContactBook)->Arg(kContacts)->Unit(benchmark::kMillisecond);

// Only the list and tree refills (UpdateList and UpdateTree) of an open book, as after a client's contact
// push or a change of the contact file.
void BM_RefillListAndTree(benchmark::State& state)
{
    TempHome home;
    fillBook(home, int(state.range(0)));
    frmContacts* w = frmContacts::instance();
    w->show();
    for (auto _ : state) {
        w->UpdateList();
        w->UpdateTree();
    }
    delete w;
}
BENCHMARK(BM_RefillListAndTree)->Arg(kContacts)->Unit(benchmark::kMillisecond);

// Saving one changed contact in that book: the checks, the rewrite in one transaction, the collection
// rebuilt from the file, and the views' upkeep for the contact.
void BM_SaveOneContact(benchmark::State& state)
{
    TempHome home;
    fillBook(home, int(state.range(0)));
    frmContacts* w = frmContacts::instance();
    w->show();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w->txtOtherInfo->setPlainText(QStringLiteral("note %1").arg(++round));
        state.ResumeTiming();
        if (!w->SaveContact())
            state.SkipWithError("the save was refused");
    }
    if (GetContact(w->objContact->Name)->OtherInfo != QStringLiteral("note %1").arg(round))
        state.SkipWithError("the last save was not stored");
    delete w;
}
BENCHMARK(BM_SaveOneContact)->Arg(kContacts)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
