// The roads that match or list contacts, on an office's log and book: 100,000 calls from about 20,000
// numbers and (the argument) contacts of three numbers each, owning three quarters of those numbers. Each is
// measured with no contacts and with 5,000, in one run.

#include "BenchCallLog.h"
#include "BenchOfficeBook.h"
#include "app/StartupWindows.h"
#include "contacts/ContactSearch.h"
#include "contacts/ui/ContactPickers.h"
#include "core/Globals.h"
#include "core/SettingsKeys.h"
#include "core/modContactDB.h"
#include "core/modProperties.h"
#include "popup/MiniDisplay.h"
#include "popup/ui/frmMiniDisplay.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QListWidget>

#include <algorithm>
#include <memory>

#include <benchmark/benchmark.h>

namespace {

constexpr int kCalls = 100'000;

clsCaller officeCall(int i)
{
    static const QDateTime start(QDate(2023, 1, 1), QTime(0, 0), Qt::UTC);
    clsCaller c;
    c.Name = QStringLiteral("CALLER %1").arg((i * 7919) % 99991);
    // The numbers in turn, in an order that spreads the contacts' numbers over the whole log.
    c.Number.Number = officeNumber(int((qint64(i) * 7919) % kOfficeNumbers));
    c.CallerDate = DateText::format(start.addSecs(qint64(i) * 317));
    c.Rings = i % 7;
    c.Answered = i % 3 ? QStringLiteral("YES") : QStringLiteral("NO");
    return c;
}

// A standalone program's home with the office's log and a book of that many contacts, both open.
struct Office {
    TempHome home;
    explicit Office(int contacts, bool withLog = true)
    {
        gNetworkMode = Standalone;
        CreateCallerDB(home.file("dbCID.mdb"));
        if (withLog)
            storeBenchCalls(kCalls, officeCall);
        CreateContactDB(home.file("dbContacts.mdb"));
        storeOfficeContacts(contacts);
        UpdateContactCollection();
    }
    ~Office()
    {
        CloseContactDB();
        gContacts = KeyedCollection<clsContact>();
        CloseCallerDB();
    }
};

// The pop-up's list read again (as at its opening, or after a call was deleted): the newest calls of the
// log (the second argument: the default 10, and 1,000), each matched to its contact.
void BM_PopupList(benchmark::State& state)
{
    Office office(int(state.range(0)));
    SaveProperty(Section::frmMiniDisplay, Key::LogSize, QString::number(state.range(1)));
    frmMiniDisplay* popup = frmMiniDisplay::instance();
    popup->show();
    MiniDisplay& list = popup->list();
    for (auto _ : state) {
        list.LoadData();
        if (list.Callers.size() != state.range(1))
            state.SkipWithError("the list does not hold the newest calls");
    }
    const auto matched = std::count_if(list.Callers.cbegin(), list.Callers.cend(),
                                       [](const clsCaller& c) { return !c.ContactName.isEmpty(); });
    if ((state.range(0) > 0) != (matched > 0))
        state.SkipWithError("the calls were not matched to the book");
    state.counters["matched"] = double(matched);
    delete popup;
}
BENCHMARK(BM_PopupList)
    ->Args({0, 10})
    ->Args({5000, 10})
    ->Args({0, 1000})
    ->Args({5000, 1000})
    ->Unit(benchmark::kMillisecond);

// A new call's match right after the book changed (a contact saved, or a client's book pushed): the first
// match after a change makes the index again, the ones after it do not.
void BM_NewCallMatchAfterAChange(benchmark::State& state)
{
    Office office(int(state.range(0)), false);
    auto extra = std::make_shared<clsContact>();
    extra->Name = QStringLiteral("Someone New");
    for (auto _ : state) {
        gContacts.add(extra->Name, extra);
        clsCaller call;
        MatchCallerToContact(officeNumber(3 * int(state.range(0)) - 1), call);
        gContacts.remove(extra->Name);
        if (state.range(0) > 0 && call.ContactName.isEmpty())
            state.SkipWithError("no match");
    }
}
BENCHMARK(BM_NewCallMatchAfterAChange)->Arg(0)->Arg(5000)->Unit(benchmark::kMicrosecond);

// "Select A Contact" opening: every contact's name sorted into its list.
void BM_SelectContactOpens(benchmark::State& state)
{
    Office office(int(state.range(0)), false);
    frmSelectContact dialog;
    for (auto _ : state) {
        dialog.show();
        const auto* list = dialog.findChild<QListWidget*>(QStringLiteral("lstContacts"));
        if (!list || list->count() != state.range(0))
            state.SkipWithError("the list does not hold every contact");
        state.PauseTiming();
        dialog.hide();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SelectContactOpens)->Arg(0)->Arg(5000)->Unit(benchmark::kMillisecond);

// Find Contact with a pattern every contact matches: by name (one record a contact) and by number (three
// records a contact, each name listed once).
void BM_FindContactEveryone(benchmark::State& state)
{
    Office office(int(state.range(0)), false);
    const auto field = state.range(1) ? ContactSearch::ContactNumber : ContactSearch::ContactName;
    for (auto _ : state) {
        const ContactSearch::Result found = ContactSearch::run(field, QStringLiteral("*"));
        if (found.names.size() != state.range(0))
            state.SkipWithError("not every contact was found once");
    }
}
BENCHMARK(BM_FindContactEveryone)
    ->Args({0, 0})
    ->Args({5000, 0})
    ->Args({0, 1})
    ->Args({5000, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("VELQUON_NONINTERACTIVE", "1");
    QApplication app(argc, argv);
    registerStartupWindows();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
