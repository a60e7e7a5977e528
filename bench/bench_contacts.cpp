#include <benchmark/benchmark.h>

#include <QString>
#include <QTemporaryDir>

#include "core/Globals.h"
#include "core/clsCaller.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "platform/SqlDatabase.h"

namespace {

QString numberText(int contact, int which)
{
    // Distinct seven- and ten-digit numbers in the usual display forms.
    const int n = contact * 3 + which;
    if (which == 0)
        return QStringLiteral("%1-%2").arg(200 + n / 10000).arg(n % 10000, 4, 10, QLatin1Char('0'));
    return QStringLiteral("(%1) %2-%3").arg(300 + which).arg(200 + n / 10000).arg(n % 10000, 4, 10, QLatin1Char('0'));
}

// 5,000 contacts with three numbers each, in gContacts as the rebuild leaves them.
void fillContacts(int contacts)
{
    gContacts = KeyedCollection<clsContact>();
    for (int i = 0; i < contacts; ++i) {
        auto c = std::make_shared<clsContact>();
        c->Name = QStringLiteral("Contact %1").arg(i);
        c->AttributeGroup = QStringLiteral("Default");
        static const char* const kinds[] = {"Home", "Work", "Cellular"};
        for (int k = 0; k < 3; ++k)
            c->AddNumber(std::make_shared<clsNumber>(numberText(i, k), QString::fromLatin1(kinds[k])));
        gContacts.add(c->Name, c);
    }
}

} // namespace

// A call from a number no contact has: every stored number is tried.
static void BM_MatchCallerNoMatch(benchmark::State& state)
{
    fillContacts(int(state.range(0)));
    clsCaller call;
    call.Number.Number = QStringLiteral("(999) 999-9999");
    for (auto _ : state) {
        MatchCallerToContact(call.Number.Number, call);
        benchmark::DoNotOptimize(call.ContactName);
    }
    state.counters["numbers"] = double(state.range(0) * 3);
}
BENCHMARK(BM_MatchCallerNoMatch)->Arg(5000)->Unit(benchmark::kMicrosecond);

// A call from the last contact's last number.
static void BM_MatchCallerLastContact(benchmark::State& state)
{
    const int contacts = int(state.range(0));
    fillContacts(contacts);
    clsCaller call;
    call.Number.Number = numberText(contacts - 1, 2);
    for (auto _ : state) {
        MatchCallerToContact(call.Number.Number, call);
        benchmark::DoNotOptimize(call.ContactName);
    }
    if (call.ContactName != QStringLiteral("Contact %1").arg(contacts - 1))
        state.SkipWithError("the last contact did not match");
}
BENCHMARK(BM_MatchCallerLastContact)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The rebuild after every add, edit or delete: the whole book read back from the file.
static void BM_RebuildContactCollection(benchmark::State& state)
{
    QTemporaryDir dir;
    qputenv("VELQUON_HOME", dir.path().toUtf8());
    resetSettingsStore();
    gNetworkMode = Standalone;
    const QString path = dir.path() + QStringLiteral("/dbContacts.mdb");
    if (!CreateContactDB(path)) {
        state.SkipWithError("cannot create the contact file");
        return;
    }
    fillContacts(int(state.range(0)));
    gContactDB->exec(QStringLiteral("BEGIN"));
    {
        SqlStatement addContact = gContactDB->prepare(QStringLiteral("INSERT INTO tblContacts (fldName) VALUES (?)"));
        SqlStatement addNumber = gContactDB->prepare(
            QStringLiteral("INSERT INTO tblNumbers (fldName, fldNumber, fldDescription) VALUES (?, ?, ?)"));
        for (const auto& e : gContacts) {
            addContact.bind(1, e.item->Name);
            addContact.exec();
            addContact.reset();
            for (const auto& n : e.item->Numbers) {
                addNumber.bind(1, e.item->Name);
                addNumber.bind(2, n.item->Number);
                addNumber.bind(3, n.item->Description);
                addNumber.exec();
                addNumber.reset();
            }
        }
    }
    gContactDB->exec(QStringLiteral("COMMIT"));
    for (auto _ : state) {
        UpdateContactCollection();
        benchmark::DoNotOptimize(gContacts.count());
    }
    if (gContacts.count() != state.range(0))
        state.SkipWithError("the rebuild lost contacts");
    CloseContactDB();
    gContacts = KeyedCollection<clsContact>();
}
BENCHMARK(BM_RebuildContactCollection)->Arg(5000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
