#include "platform/Prompt.h"

#include <QFileInfo>
#include <QQueue>
#include <QRegularExpression>

#include <utility>

namespace Prompt {

namespace {

struct State {
    Backend* backend = nullptr;
    QQueue<Answer> answers;
    QQueue<QString> texts;
    QQueue<std::function<void()>> meanwhile;
    QList<Record> history;
    int noticeHolds = 0;
    QList<Record> heldNotices;
    bool closed = false;
};

State& state()
{
    static State s;
    return s;
}

bool interactive()
{
    return state().backend != nullptr && qEnvironmentVariable("VELQUON_NONINTERACTIVE") != QLatin1String("1");
}

Answer defaultAnswer(Buttons buttons, int defaultButton)
{
    static const QList<QList<Answer>> sets = {{Ok},      {Ok, Cancel},   {Abort, Retry, Ignore}, {Yes, No, Cancel},
                                              {Yes, No}, {Retry, Cancel}};
    const auto& set = sets.value(buttons, sets[0]);
    return set.value(defaultButton, set.first());
}

// What a box closed by the program's end answers: Escape's answer, the last of the set (Ok for a lone Ok).
Answer cancelAnswer(Buttons buttons)
{
    static const QList<QList<Answer>> sets = {{Ok},      {Ok, Cancel},   {Abort, Retry, Ignore}, {Yes, No, Cancel},
                                              {Yes, No}, {Retry, Cancel}};
    return sets.value(buttons, sets[0]).last();
}

// Taken off the queue before it runs: what it does may ask a box of its own.
void runMeanwhile()
{
    State& s = state();
    if (s.meanwhile.isEmpty())
        return;
    const std::function<void()> run = s.meanwhile.dequeue();
    run();
}

QString resolvedTitle(const QString& title) { return title.isEmpty() ? productName() : title; }

// The program runs for months and reports now and then: keep only the latest requests.
constexpr int kHistoryLimit = 1000;

void remember(Record record)
{
    QList<Record>& h = state().history;
    h.append(std::move(record));
    if (h.size() > kHistoryLimit)
        h.remove(0, h.size() - kHistoryLimit);
}

QString filterEnding(const QString& filter)
{
    QString first = dialogFilter(filter).section(QStringLiteral(";;"), 0, 0);
    // The patterns stand in the name's last brackets; a bare pattern list has none.
    const qsizetype open = first.lastIndexOf(QLatin1Char('('));
    const qsizetype close = first.lastIndexOf(QLatin1Char(')'));
    if (open >= 0 && close > open)
        first = first.mid(open + 1, close - open - 1);
    static const QRegularExpression between(QStringLiteral("[\\s;]+"));
    const QString pattern = first.split(between, Qt::SkipEmptyParts).value(0);
    if (!pattern.startsWith(QLatin1String("*.")))
        return QString();
    const QString ending = pattern.mid(1);
    static const QRegularExpression wild(QStringLiteral("[*?\\[\\]]"));
    return ending.size() > 1 && !ending.contains(wild) ? ending : QString();
}

QString withFilterEnding(const QString& path, const QString& filter)
{
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.lastIndexOf(QLatin1Char('.')) > 0)
        return path;
    const QString ending = filterEnding(filter);
    if (ending.isEmpty() || name.compare(ending, Qt::CaseInsensitive) == 0)
        return path;
    return path + ending;
}

} // namespace

const QString& productName()
{
    static const QString name = QStringLiteral("Velquon");
    return name;
}

void setBackend(Backend* backend) { state().backend = backend; }

QString dialogFilter(const QString& filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString text = parts[i].trimmed();
        QStringList patterns = parts.value(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        patterns.removeAll(QString());
        if (patterns.isEmpty()) {
            // A text without its pattern (a damaged or cut filter) still names what it shows.
            if (!text.isEmpty())
                filters << text;
            continue;
        }
        const QString wanted = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        // The dialogs take the patterns from the text's last brackets. Most texts already show them ("Data
        // Files (*.dat)") and keep them once; any other text is kept whole and gets them after it.
        if (text.endsWith(wanted))
            filters << text;
        else
            filters << (text.isEmpty() ? wanted : text + QLatin1Char(' ') + wanted);
    }
    return filters.join(QStringLiteral(";;"));
}

Answer message(const QString& text, Buttons buttons, Icon icon, int defaultButton, const QString& title)
{
    State& s = state();
    if (s.closed) {
        remember(
            {Kind::Message, resolvedTitle(title), text, buttons, icon, QString::number(int(cancelAnswer(buttons)))});
        return cancelAnswer(buttons);
    }
    runMeanwhile();
    Answer a;
    if (!s.answers.isEmpty())
        a = s.answers.dequeue();
    else if (interactive())
        a = s.backend->message(resolvedTitle(title), text, buttons, icon, defaultButton);
    else
        a = defaultAnswer(buttons, defaultButton);
    remember({Kind::Message, resolvedTitle(title), text, buttons, icon, QString::number(int(a))});
    return a;
}

void notice(const QString& text, Icon icon, const QString& title)
{
    State& s = state();
    const Record record{Kind::Notice, resolvedTitle(title), text, OkOnly, icon, QString()};
    remember(record);
    if (s.closed)
        return;
    if (s.noticeHolds > 0)
        s.heldNotices.append(record);
    else if (interactive())
        s.backend->notice(record.title, record.text, icon);
}

void holdNotices() { ++state().noticeHolds; }

void releaseNotices()
{
    State& s = state();
    if (s.noticeHolds == 0 || --s.noticeHolds > 0)
        return;
    const QList<Record> held = std::exchange(s.heldNotices, {});
    if (!interactive())
        return;
    for (const Record& r : held)
        s.backend->notice(r.title, r.text, Icon(r.icon));
}

QString openFile(const QString& title, const QString& folder, const QString& filter)
{
    State& s = state();
    QString r;
    if (!s.closed) {
        runMeanwhile();
        if (!s.texts.isEmpty())
            r = s.texts.dequeue();
        else if (interactive())
            r = s.backend->openFile(title, folder, filter);
    }
    remember({Kind::OpenFile, title, folder, OkOnly, NoIcon, r});
    return r;
}

QString saveFile(const QString& title, const QString& path, const QString& filter)
{
    State& s = state();
    QString r;
    if (!s.closed) {
        runMeanwhile();
        if (!s.texts.isEmpty())
            r = s.texts.dequeue();
        else if (interactive())
            r = s.backend->saveFile(title, path, filter);
    }
    // Every save dialog goes through here: a file saved without its ending would drop out of the lists that
    // look for it, and the callers' test for an existing file must see the name that will be written.
    r = withFilterEnding(r, filter);
    remember({Kind::SaveFile, title, path, OkOnly, NoIcon, r});
    return r;
}

std::optional<quint32> chooseColor(quint32 bgr)
{
    State& s = state();
    std::optional<quint32> r;
    if (!s.closed) {
        runMeanwhile();
        if (!s.texts.isEmpty()) {
            bool ok = false;
            const quint32 v = s.texts.dequeue().toUInt(&ok);
            if (ok)
                r = v;
        } else if (interactive()) {
            r = s.backend->chooseColor(bgr);
        }
    }
    remember({Kind::Color, QString(), QString::number(bgr), OkOnly, NoIcon, r ? QString::number(*r) : QString()});
    return r;
}

QString input(const QString& prompt, const QString& defaultText, const QString& title)
{
    State& s = state();
    QString r;
    if (!s.closed) {
        runMeanwhile();
        if (!s.texts.isEmpty())
            r = s.texts.dequeue();
        else if (interactive())
            r = s.backend->input(resolvedTitle(title), prompt, defaultText);
        else
            r = defaultText;
    }
    remember({Kind::Input, resolvedTitle(title), prompt, OkOnly, NoIcon, r});
    return r;
}

bool print(QPrinter* printer)
{
    State& s = state();
    bool chosen = false;
    if (!s.closed) {
        runMeanwhile();
        if (!s.answers.isEmpty())
            chosen = s.answers.dequeue() == Ok;
        else if (interactive())
            chosen = s.backend->print(printer);
    }
    remember({Kind::Print, productName(), QString(), OkCancel, NoIcon, QString::number(int(chosen ? Ok : Cancel))});
    return chosen;
}

void closeOpen()
{
    State& s = state();
    s.heldNotices.clear();
    if (s.backend)
        s.backend->closeOpen();
}

void setClosed(bool closed)
{
    state().closed = closed;
    if (closed)
        closeOpen();
}

bool closed() { return state().closed; }

void queueAnswer(Answer answer) { state().answers.enqueue(answer); }
void queueText(const QString& text) { state().texts.enqueue(text); }
void queueMeanwhile(std::function<void()> meanwhile) { state().meanwhile.enqueue(std::move(meanwhile)); }
const QList<Record>& history() { return state().history; }

QStringList texts()
{
    QStringList out;
    for (const Record& r : state().history)
        out << r.text;
    return out;
}

void clearHistory() { state().history.clear(); }

void resetScript()
{
    state().answers.clear();
    state().texts.clear();
    state().meanwhile.clear();
    state().history.clear();
    state().noticeHolds = 0;
    state().heldNotices.clear();
    state().closed = false;
}

} // namespace Prompt
