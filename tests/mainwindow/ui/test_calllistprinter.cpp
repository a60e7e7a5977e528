#include "mainwindow/ui/CallListPrinter.h"

#include <QClipboard>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <memory>

#include "core/clsCaller.h"
#include "core/modError.h"
#include "mainwindow/ui/CallerIDGrid.h"
#include "platform/Prompt.h"
#include "support/TempHome.h"

namespace {

clsCaller caller(qint32 id, const QString& name, const QString& number, qint32 rings = 2,
                 const QString& answered = QStringLiteral("NO"))
{
    clsCaller c;
    c.ID = id;
    c.Name = name;
    c.Number.Number = number;
    c.CallerDate = QStringLiteral("3/%1/2024 2:05:07 PM").arg(id % 28 + 1);
    c.Rings = rings;
    c.Answered = answered;
    return c;
}

struct Word {
    QString text;
    double xMin, yMin, xMax, yMax; // points from the page's top-left corner
};

// The words of a PDF with their boxes, page by page.
QList<QList<Word>> pdfWords(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    QList<QList<Word>> pages;
    static const QRegularExpression tag(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            pages.append(QList<Word>());
            continue;
        }
        pages.last().append(Word{m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                                 m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return pages;
}

// The text of each page as laid out, trailing blanks of the lines dropped.
QList<QStringList> pdfLayout(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    QStringList pageTexts = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pageTexts.isEmpty() && pageTexts.last().trimmed().isEmpty())
        pageTexts.removeLast();
    QList<QStringList> pages;
    for (const QString& page : pageTexts) {
        QStringList lines;
        for (const QString& line : page.split(QLatin1Char('\n'))) {
            if (!line.trimmed().isEmpty())
                lines << line.trimmed().simplified();
        }
        pages << lines;
    }
    return pages;
}

const Word* findWord(const QList<Word>& words, const QString& text)
{
    for (const Word& w : words) {
        if (w.text == text)
            return &w;
    }
    return nullptr;
}

QFont printFont()
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(12);
    return f;
}

} // namespace

class TestCallListPrinter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void printsTitleHeadingsRowsAndFooters();
    void anEmptyGridPrintsTheHeaderAndNoFooter();
    void cellsAreCutToTheirColumnNotWrapped();
    void cancelAndUnansweredDialogsPrintNothing();
    void aPrinterThatCannotStartGetsThePrinterError();
    void copyAllGivesEveryRowWithoutAFinalLineBreak();
    void copySelectedTakesTheRowsTopToBottom();
    void thePrintoutIsOfTheListAsChosen();

private:
    QString pdfPath() const { return m_home->file(QStringLiteral("list.pdf")); }
    std::unique_ptr<QPrinter> pdfPrinter() const;
    QString row(int r) const;
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<CallerIDGrid> m_grid;
};

void TestCallListPrinter::init()
{
    m_home = std::make_unique<TempHome>();
    m_grid = std::make_unique<CallerIDGrid>();
    m_grid->resize(900, 400);
    gErrNumber = 0;
}

void TestCallListPrinter::cleanup()
{
    m_grid.reset();
    m_home.reset();
}

std::unique_ptr<QPrinter> TestCallListPrinter::pdfPrinter() const
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdfPath());
    printer->setPageSize(QPageSize(QPageSize::Letter));
    return printer;
}

QString TestCallListPrinter::row(int r) const
{
    QStringList cells;
    for (int c = 0; c < 5; ++c)
        cells << m_grid->TextMatrix(r, c);
    return cells.join(QLatin1Char('\t'));
}

void TestCallListPrinter::printsTitleHeadingsRowsAndFooters()
{
    const int count = 100;
    for (int i = 1; i <= count; ++i)
        m_grid->AddItem(caller(i, QStringLiteral("Caller%1").arg(i, 3, 10, QLatin1Char('0')),
                               QStringLiteral("555-%1").arg(1000 + i), i % 9,
                               i % 2 ? QStringLiteral("YES") : QStringLiteral("NO")));
    QCOMPARE(m_grid->Rows(), count + 1);

    auto printer = pdfPrinter();
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(CallListPrinter(m_grid.get()).PrintList(*printer));
    QVERIFY(Prompt::history().size() == 1 && Prompt::history().first().kind == Prompt::Kind::Print);

    // Rows a page takes: records start two lines below the title's bottom at 1 inch, and a page is full
    // once a record line ends at 9.75 inches or lower.
    QPrinter probe(QPrinter::HighResolution);
    probe.setOutputFormat(QPrinter::PdfFormat);
    const double line = QFontMetricsF(printFont(), &probe).height() / probe.resolution();
    int perPage = 0;
    while (1 + 2 * line + perPage * line < 9.75)
        ++perPage;
    QVERIFY2(perPage >= 40 && perPage <= 48, qPrintable(QString::number(perPage)));
    const int pageCount = (count + perPage - 1) / perPage;

    const QList<QStringList> pages = pdfLayout(pdfPath());
    QCOMPARE(pages.size(), pageCount);
    int next = 1;
    for (int p = 0; p < pages.size(); ++p) {
        const QStringList& lines = pages[p];
        QCOMPARE(lines.first(), QStringLiteral("Velquon"));
        QCOMPARE(lines[1], QStringLiteral("Name Number Date/Time Rings Answered"));
        QCOMPARE(lines.last(), QStringLiteral("Page %1").arg(p + 1));
        const qsizetype onPage = lines.size() - 3;
        QCOMPARE(onPage, p + 1 < pageCount ? perPage : count - perPage * (pageCount - 1));
        for (int i = 2; i < lines.size() - 1; ++i, ++next) {
            QStringList cells;
            for (int c = 0; c < 5; ++c)
                cells << m_grid->TextMatrix(next, c);
            QCOMPARE(lines[i], cells.join(QLatin1Char(' ')).simplified());
        }
    }
    QCOMPARE(next, count + 1);

    // Positions, in points (72 to the inch).
    const QList<QList<Word>> words = pdfWords(pdfPath());
    QCOMPARE(words.size(), pageCount);
    for (const QList<Word>& page : words) {
        const Word* title = findWord(page, QStringLiteral("Velquon"));
        QVERIFY(title);
        QVERIFY(qAbs((title->xMin + title->xMax) / 2 - 8.5 * 72 / 2) < 1.0);
        QVERIFY2(qAbs(title->yMax - 72) < 2.0, qPrintable(QString::number(title->yMax)));
        const QStringList headings = {QStringLiteral("Name"), QStringLiteral("Number"), QStringLiteral("Date/Time"),
                                      QStringLiteral("Rings"), QStringLiteral("Answered")};
        const double lefts[] = {0.5, 2.945, 4.325, 6.3417, 7.0137};
        for (int c = 0; c < 5; ++c) {
            const Word* heading = findWord(page, headings[c]);
            QVERIFY(heading);
            QVERIFY2(qAbs(heading->xMin - lefts[c] * 72) < 1.5, qPrintable(headings[c]));
            QVERIFY(qAbs(heading->yMin - (title->yMin + 2 * line * 72)) < 1.5);
        }
        const Word* footer = findWord(page, QStringLiteral("Page"));
        QVERIFY(footer);
        QVERIFY2(qAbs(footer->yMin - 720) < 2.5, qPrintable(QString::number(footer->yMin)));
    }
}

void TestCallListPrinter::anEmptyGridPrintsTheHeaderAndNoFooter()
{
    auto printer = pdfPrinter();
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(CallListPrinter(m_grid.get()).PrintList(*printer));
    const QList<QStringList> pages = pdfLayout(pdfPath());
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages.first(),
             (QStringList{QStringLiteral("Velquon"), QStringLiteral("Name Number Date/Time Rings Answered")}));
}

void TestCallListPrinter::cellsAreCutToTheirColumnNotWrapped()
{
    const QString longName(50, QLatin1Char('W'));
    const QString overlong(60, QLatin1Char('M'));
    m_grid->AddItem(caller(1, longName, QStringLiteral("555-0001"), 3, overlong));
    m_grid->AddItem(caller(2, QStringLiteral("Short"), QStringLiteral("555-0002"), 4, QStringLiteral("NO")));
    auto printer = pdfPrinter();
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(CallListPrinter(m_grid.get()).PrintList(*printer));

    // The longest run of the text that is narrower than the column.
    QPrinter probe(QPrinter::HighResolution);
    probe.setOutputFormat(QPrinter::PdfFormat);
    const QFontMetricsF metrics(printFont(), &probe);
    auto fits = [&](QChar ch, double inches) {
        int n = 0;
        while (metrics.horizontalAdvance(QString(n + 1, ch)) / probe.resolution() < inches)
            ++n;
        return n;
    };
    const int nameKept = fits(QLatin1Char('W'), 2.3);
    QVERIFY(nameKept > 5 && nameKept < 50);
    QVERIFY(fits(QLatin1Char('M'), 0.84) < 60 - 51); // the cut stops after 51 characters

    const QList<QStringList> pages = pdfLayout(pdfPath());
    QCOMPARE(pages.size(), 1);
    const QStringList& lines = pages.first();
    QCOMPARE(lines.size(), 5); // title, headings, two records, footer: nothing wrapped onto a line of its own
    const QString cutRow = m_grid->TextMatrix(1, CallListModel::ColName) == longName ? lines[2] : lines[3];
    QCOMPARE(cutRow.section(QLatin1Char(' '), 0, 0), QString(nameKept, QLatin1Char('W')));
    QCOMPARE(cutRow.section(QLatin1Char(' '), -1), QString(9, QLatin1Char('M')));
    QVERIFY(
        lines.contains(QStringLiteral("Short 555-0002 %1 4 NO")
                           .arg(m_grid->TextMatrix(m_grid->TextMatrix(1, CallListModel::ColName) == longName ? 2 : 1,
                                                   CallListModel::ColDate))));
}

void TestCallListPrinter::cancelAndUnansweredDialogsPrintNothing()
{
    m_grid->AddItem(caller(1, QStringLiteral("A"), QStringLiteral("1")));
    auto printer = pdfPrinter();
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!CallListPrinter(m_grid.get()).PrintList(*printer));
    QCOMPARE(gErrNumber, kCancelSelectedError);
    // Not answered and headless: treated as Cancel, never sent to a printer.
    QVERIFY(!CallListPrinter(m_grid.get()).PrintList(*printer));
    QVERIFY(!QFile::exists(pdfPath()));
    QCOMPARE(Prompt::history().size(), 2);
    for (const Prompt::Record& r : Prompt::history()) {
        QCOMPARE(r.kind, Prompt::Kind::Print);
        QCOMPARE(r.result, QString::number(Prompt::Cancel));
    }
}

void TestCallListPrinter::aPrinterThatCannotStartGetsThePrinterError()
{
    m_grid->AddItem(caller(1, QStringLiteral("A"), QStringLiteral("1")));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_home->file(QStringLiteral("no/such/folder/list.pdf")));
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(!CallListPrinter(m_grid.get()).PrintList(printer));
    QCOMPARE(gErrNumber, kPrinterError);
    QCOMPARE(Prompt::history().size(), 2);
    const Prompt::Record& box = Prompt::history().last();
    QCOMPARE(box.kind, Prompt::Kind::Message);
    QCOMPARE(box.title, QStringLiteral("Velquon"));
    QCOMPARE(box.icon, int(Prompt::Exclamation));
    QCOMPARE(box.buttons, int(Prompt::OkOnly));
    QCOMPARE(box.text, QStringLiteral("Printer error.  Possible causes are no printer installed, \r\n"
                                      "the printer is offline or the printer has a paper jam."));
}

void TestCallListPrinter::copyAllGivesEveryRowWithoutAFinalLineBreak()
{
    CallListPrinter copier(m_grid.get());
    QCOMPARE(copier.CopyAll(), QString()); // an empty grid copies nothing

    m_grid->AddItem(caller(1, QStringLiteral("Alpha"), QStringLiteral("555-0001"), 1, QStringLiteral("YES")));
    m_grid->AddItem(caller(2, QStringLiteral("Bravo"), QStringLiteral("555-0002"), 2, QStringLiteral("NO")));
    m_grid->AddItem(caller(3, QStringLiteral("Charlie"), QStringLiteral("555-0003"), 3, QStringLiteral("YES")));
    const QString text = copier.CopyAll();
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
    QCOMPARE(text, row(1) + QStringLiteral("\r\n") + row(2) + QStringLiteral("\r\n") + row(3));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 3);
    for (const QString& l : lines) {
        QCOMPARE(l.count(QLatin1Char('\t')), 4);
        QVERIFY(!l.contains(QLatin1Char('\r')) && !l.contains(QLatin1Char('\n')));
    }
    QVERIFY(text.contains(QStringLiteral("Bravo\t555-0002\t")));
    QVERIFY(!text.endsWith(QStringLiteral("\r\n")));
}

void TestCallListPrinter::copySelectedTakesTheRowsTopToBottom()
{
    for (int i = 1; i <= 5; ++i)
        m_grid->AddItem(caller(i, QStringLiteral("N%1").arg(i), QStringLiteral("555-000%1").arg(i)));
    CallListPrinter copier(m_grid.get());

    m_grid->setRow(2);
    QCOMPARE(copier.CopySelected(), row(2));
    QCOMPARE(QGuiApplication::clipboard()->text(), row(2));

    const QString expected = row(2) + QStringLiteral("\r\n") + row(3) + QStringLiteral("\r\n") + row(4);
    m_grid->setRow(2);
    m_grid->setRowSel(4);
    QCOMPARE(copier.CopySelected(), expected);
    m_grid->setRow(4); // made upwards: the current row below the selection's end
    m_grid->setRowSel(2);
    QCOMPARE(copier.CopySelected(), expected);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestCallListPrinter::thePrintoutIsOfTheListAsChosen()
{
    m_grid->AddItem(caller(1, QStringLiteral("FIRST"), QStringLiteral("555-1001"), 1, QStringLiteral("NO")));
    m_grid->AddItem(caller(2, QStringLiteral("SECOND"), QStringLiteral("555-1002"), 1, QStringLiteral("NO")));
    // A call comes in while the print dialog waits: its row goes on top, but the user asked to print the
    // list without it.
    auto printer = pdfPrinter();
    Prompt::queueMeanwhile([&] {
        m_grid->AddItem(caller(3, QStringLiteral("JUSTRANG"), QStringLiteral("555-1003"), 1, QStringLiteral("N/A")),
                        true);
    });
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(CallListPrinter(m_grid.get()).PrintList(*printer));
    QStringList printed = pdfLayout(pdfPath()).value(0);
    QCOMPARE(printed.size(), 5);
    QVERIFY(printed[2].startsWith(QStringLiteral("FIRST ")));
    QVERIFY(printed[3].startsWith(QStringLiteral("SECOND ")));

    // The list goes while the dialog waits (its window went as the program ended): the printout is still
    // the list as it was, and nothing of the list is touched.
    auto again = pdfPrinter();
    Prompt::queueMeanwhile([&] { m_grid.reset(); });
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(CallListPrinter(m_grid.get()).PrintList(*again));
    printed = pdfLayout(pdfPath()).value(0);
    QCOMPARE(printed.size(), 6);
    QVERIFY(printed[2].startsWith(QStringLiteral("JUSTRANG ")));
}

QTEST_MAIN(TestCallListPrinter)
#include "test_calllistprinter.moc"
