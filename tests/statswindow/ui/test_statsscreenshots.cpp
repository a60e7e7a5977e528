#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QSet>
#include <QTabBar>
#include <QTest>

#include "app/StartupWindows.h"
#include "core/clsContact.h"
#include "core/modCallerDB.h"
#include "core/modContactDB.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "statswindow/StatsGridModel.h"
#include "statswindow/ui/StatsWindowProbe.h"
#include "statswindow/ui/frmStatistics.h"
#include "support/ui/StandaloneSession.h"

// Pictures of the three pages of the statistics window over a month of calls, saved under
// build/screenshots/ for a person to look at, and checked to show what they should.

namespace {

// How many of the picture's pixels differ from its most common colour (the background), in percent, and how
// many colours it holds.
struct Picture {
    double inked = 0;
    int colours = 0;
};

Picture measure(const QImage& image)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++counts[line[x]];
    }
    int most = 0;
    for (int n : counts)
        most = std::max(most, n);
    const double total = double(image.width()) * image.height();
    return {100.0 * (total - most) / total, int(counts.size())};
}

// The share of pixels that are clearly coloured (a chart's bars and lines; the window itself is grey).
double colouredShare(const QImage& image)
{
    int coloured = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.saturation() > 90 && c.value() > 60)
                ++coloured;
        }
    }
    return 100.0 * coloured / (double(image.width()) * image.height());
}

} // namespace

class TestStatsScreenshots : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { registerStartupWindows(); }
    void threePagesWithRealData();
};

void TestStatsScreenshots::threePagesWithRealData()
{
    const QByteArray buildDir = qgetenv("VELQUON_BUILD_DIR");
    if (buildDir.isEmpty())
        QSKIP("VELQUON_BUILD_DIR is not set (ctest sets it)");
    StandaloneSession session;
    QVERIFY(session.start());
    const char* contacts[][2] = {
        {"John Smith", "(555) 123-4567"}, {"Jane Doe", "(555) 987-6543"}, {"Acme Plumbing", "(555) 222-0101"}};
    for (const auto& c : contacts) {
        clsContact contact;
        contact.Name = QString::fromLatin1(c[0]);
        contact.AddNumber(std::make_shared<clsNumber>(QString::fromLatin1(c[1]), QString()));
        QVERIFY(AddContact(contact));
    }
    UpdateContactCollection();
    // A month of calls: the contacts at their own rhythm, private and unknown callers in between.
    const QDateTime now = Clock::now();
    const char* answers[] = {"YES", "NO", "YES", "N/A", "YES", "BLOCKED"};
    for (int i = 0; i < 240; ++i) {
        clsCaller c;
        const int who = (i * 7) % 5;
        c.Name = who < 3 ? QString::fromLatin1(contacts[who][0]).toUpper()
                         : (who == 3 ? QStringLiteral("PRIVATE NUMBER") : QStringLiteral("UNKNOWN NUMBER"));
        c.Number.Number = who < 3 ? QString::fromLatin1(contacts[who][1]) : c.Name;
        c.CallerDate = DateText::format(now.addSecs(-qint64(i) * 10800 - (i % 4) * 1300));
        c.Rings = 1 + (i * 3) % 6;
        c.Answered = QString::fromLatin1(answers[i % 6]);
        AddCaller(c);
    }

    frmStatistics* w = frmStatistics::instance();
    w->showWindow(StandaloneSession::window());
    w->resize(980, 620);
    QCoreApplication::processEvents();
    TRIGGER(w, "mnuTime(4)"); // Last Month
    showTab(w, 2);
    TRIGGER(w, "cmdSelectAll");
    named<QComboBox>(w, "cboGraphFrequency")->setCurrentIndex(1);
    TRIGGER(w, "cmdRefreshGraph");
    named<QComboBox>(w, "cboChartStatistic")->setCurrentText(QStringLiteral("Total Calls Answered"));
    QCoreApplication::processEvents();
    QCOMPARE(gridOf(w)->Rows(), 8);
    QCOMPARE(graphed(w).groups(), 7);

    const QString dir = QString::fromLocal8Bit(buildDir) + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(dir));
    const char* names[] = {"statistics-grid.png", "statistics-chart.png", "statistics-graph.png"};
    for (int tab = 0; tab < 3; ++tab) {
        showTab(w, tab);
        QCoreApplication::processEvents();
        const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(image.size(), w->size() * w->devicePixelRatio());
        const QString file = dir + QLatin1Char('/') + QLatin1String(names[tab]);
        QVERIFY(image.save(file));
        const Picture p = measure(image);
        // Not a blank window: text, lines and shapes on it.
        QVERIFY2(p.inked > 3 && p.colours > 20, qPrintable(QStringLiteral("%1: %2% inked, %3 colours")
                                                               .arg(QLatin1String(names[tab]))
                                                               .arg(p.inked)
                                                               .arg(p.colours)));
        // The two chart pages show their bars and lines in colour; the grid page has no such colour.
        const double coloured = colouredShare(image);
        if (tab == 0)
            QVERIFY2(coloured < 3, qPrintable(QString::number(coloured)));
        else
            QVERIFY2(coloured > 1, qPrintable(QStringLiteral("%1: %2%").arg(QLatin1String(names[tab])).arg(coloured)));
    }
    session.stop();
}

QTEST_MAIN(TestStatsScreenshots)
#include "test_statsscreenshots.moc"
