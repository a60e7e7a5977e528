#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include "ContactBookFixture.h"
#include "core/modError.h"

namespace {

constexpr double Pt = 72.0; // PDF points per inch

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

const Word* findWord(const QList<Word>& page, const QString& text)
{
    for (const Word& w : page)
        if (w.text == text)
            return &w;
    return nullptr;
}

} // namespace

// The contact book printed to a PDF file and read back: the shared page (title, headings, footer), the
// contact lines, the page breaks and the cut names; the menu and toolbar reach it.
class TestContactPrinting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void anEmptyBookPrintsOnePage();
    void contactsRunOverPagesKeepingNamesWithTheirFirstNumber();
    void longNamesAreCutBeforeTheNumbers();
    void cancelledOrFailingPrintsSendNothing();

private:
    std::unique_ptr<QPrinter> pdfPrinter(const QString& path) const;
    QString pdf() const { return m_book->home->file(QStringLiteral("contacts.pdf")); }
    std::unique_ptr<book::Fixture> m_book;
};

void TestContactPrinting::init()
{
    m_book = std::make_unique<book::Fixture>();
    Prompt::resetScript();
    gErrNumber = 0;
}

void TestContactPrinting::cleanup()
{
    m_book.reset();
    Prompt::resetScript();
}

std::unique_ptr<QPrinter> TestContactPrinting::pdfPrinter(const QString& path) const
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setPageSize(QPageSize(QPageSize::Letter));
    return printer;
}

void TestContactPrinting::anEmptyBookPrintsOnePage()
{
    frmContacts* w = m_book->open();
    auto printer = pdfPrinter(pdf());
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(w->PrintContacts(*printer));
    QCOMPARE(Prompt::history().first().kind, Prompt::Kind::Print);
    const auto pages = pdfWords(pdf());
    QCOMPARE(pages.size(), 1);
    QStringList words;
    for (const Word& word : pages.first())
        words << word.text;
    QCOMPARE(words, (QStringList{"Velquon", "Name", "Numbers", "Page", "1"}));
    const Word* title = findWord(pages.first(), QStringLiteral("Velquon"));
    // Centred on a letter-wide page, ending at one inch.
    QVERIFY(qAbs((title->xMin + title->xMax) / 2 - 4.25 * Pt) < 2);
    QVERIFY(title->yMax <= 1.0 * Pt + 1);
    QVERIFY(qAbs(findWord(pages.first(), QStringLiteral("Numbers"))->xMin - 2.945 * Pt) < 1);
    QVERIFY(qAbs(findWord(pages.first(), QStringLiteral("Page"))->yMin - 10.0 * Pt) < 3);
}

void TestContactPrinting::contactsRunOverPagesKeepingNamesWithTheirFirstNumber()
{
    for (int i = 0; i < 30; ++i) {
        const QString stem = QStringLiteral("555-%1").arg(i, 2, 10, QLatin1Char('0'));
        m_book->store(book::contact(QStringLiteral("Person%1").arg(i, 2, 10, QLatin1Char('0')),
                                    {stem + "01 (Home)", stem + "02", stem + "03 (Work)"}));
    }
    frmContacts* w = m_book->open();
    auto printer = pdfPrinter(pdf());
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(w->PrintContacts(*printer));
    const auto pages = pdfWords(pdf());
    QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));

    int names = 0;
    for (int p = 0; p < pages.size(); ++p) {
        const QList<Word>& page = pages.at(p);
        QVERIFY(findWord(page, QStringLiteral("Velquon")));
        QVERIFY(findWord(page, QStringLiteral("Name")));
        QVERIFY(findWord(page, QStringLiteral("Numbers")));
        const Word* footer = findWord(page, QStringLiteral("Page"));
        QVERIFY(footer);
        QVERIFY(findWord(page, QString::number(p + 1)));
        for (const Word& word : page) {
            if (word.yMin >= 9.9 * Pt)
                continue; // the footer
            // No line starts at or below the page-break limit.
            QVERIFY2(word.yMin < 9.75 * Pt, qPrintable(word.text));
            if (!word.text.startsWith(QStringLiteral("Person")))
                continue;
            ++names;
            // The first number shares the name's line on the same page.
            const QString first = QStringLiteral("555-%1").arg(word.text.mid(6)) + QStringLiteral("01");
            const Word* number = findWord(page, first);
            QVERIFY2(number, qPrintable(word.text));
            QVERIFY(qAbs(number->yMin - word.yMin) < 1);
            QVERIFY(qAbs(number->xMin - 2.945 * Pt) < 1);
        }
    }
    QCOMPARE(names, 30);
    // Three lines per contact and one empty line between contacts.
    const Word* a = findWord(pages.first(), QStringLiteral("Person00"));
    const Word* b = findWord(pages.first(), QStringLiteral("Person01"));
    const Word* third = findWord(pages.first(), QStringLiteral("555-0003"));
    QVERIFY(a && b && third);
    const double line = (third->yMin - a->yMin) / 2;
    QVERIFY(qAbs((b->yMin - a->yMin) - 4 * line) < 1);
}

void TestContactPrinting::longNamesAreCutBeforeTheNumbers()
{
    const QString name = QStringLiteral("W").repeated(49);
    m_book->store(book::contact(name, {"555-1234 (Cellular)"}));
    frmContacts* w = m_book->open();
    auto printer = pdfPrinter(pdf());
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(w->PrintContacts(*printer));
    const auto pages = pdfWords(pdf());
    QCOMPARE(pages.size(), 1);
    const Word* printed = nullptr;
    for (const Word& word : pages.first())
        if (word.text.startsWith(QStringLiteral("WWW")))
            printed = &word;
    QVERIFY(printed);
    QVERIFY(printed->text.size() < 49);
    QVERIFY(printed->xMax - printed->xMin < 2.3 * Pt);
    QVERIFY(printed->xMax < 2.945 * Pt);
    QVERIFY(findWord(pages.first(), QStringLiteral("(Cellular)")));
}

void TestContactPrinting::cancelledOrFailingPrintsSendNothing()
{
    m_book->store(book::contact(QStringLiteral("Ann"), {"555-1234"}));
    frmContacts* w = m_book->open();
    // Headless and unanswered, the menu's and the toolbar's print dialogs are cancelled without a word.
    TRIGGER(w, "mnuPrint");
    TRIGGER(w, "Toolbar1.Buttons(print)");
    QCOMPARE(Prompt::history().size(), 2);
    for (const Prompt::Record& r : Prompt::history())
        QCOMPARE(r.kind, Prompt::Kind::Print);

    auto printer = pdfPrinter(pdf());
    Prompt::queueAnswer(Prompt::Cancel);
    QVERIFY(!w->PrintContacts(*printer));
    QVERIFY(!QFile::exists(pdf()));

    Prompt::clearHistory();
    auto broken = pdfPrinter(m_book->home->file(QStringLiteral("no/such/folder/contacts.pdf")));
    Prompt::queueAnswer(Prompt::Ok);
    QVERIFY(!w->PrintContacts(*broken));
    const Prompt::Record box = Prompt::history().last();
    QCOMPARE(box.text, QStringLiteral("Printer error.  Possible causes are no printer installed, \r\nthe printer is "
                                      "offline or the printer has a paper jam."));
    QCOMPARE(box.icon, int(Prompt::Exclamation));
    QCOMPARE(gErrNumber, kPrinterError);
}

QTEST_MAIN(TestContactPrinting)
#include "test_contactprinting.moc"
