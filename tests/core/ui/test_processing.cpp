#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "core/Globals.h"
#include "core/Processing.h"
#include "core/ProgramLinks.h"
#include "core/SettingsKeys.h"
#include "core/modError.h"
#include "core/modProperties.h"
#include "core/ui/PlainMainWindow.h"
#include "core/ui/frmProcessing.h"
#include "core/ui/modMainGui.h"
#include "support/TempHome.h"
#include "support/ui/ByName.h"

namespace {

// The window's parts, found by the names the program gives them.
QString text(const QWidget* w, const char* name)
{
    const auto* label = ui::findByName<QLabel>(w, QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}
QProgressBar* bar(const QWidget* w) { return ui::findByName<QProgressBar>(w, QStringLiteral("ProgressBar1")); }
QPushButton* stopButton(const QWidget* w) { return ui::findByName<QPushButton>(w, QStringLiteral("cmdStop")); }

} // namespace

class TestProcessing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { frmProcessing::install(); }
    void init() { m_home = std::make_unique<TempHome>(); }
    void cleanup();
    void countsToMaximumAndCloses();
    void incrementAfterCloseChangesNothing();
    void stopStaysUntilUnloaded();
    void refusedMaximumKeepsPrevious();
    void maximumBeyond16Bits();
    void manyStepsShowTheCountAFewTimesASecond();
    void ownedByVisibleMainWindow();
    void besideTaskBarWhenMainWindowHidden();
    void nothingShownWhileDialogOpen();
    void secondOperationDuringYieldKeepsFirstIntact();
    void windowDestroyedDuringOperation();
    void topMostOnlyForPopupWithOnTop();

private:
    static frmProcessing* form(const Processing& p) { return dynamic_cast<frmProcessing*>(p.window()); }
    std::unique_ptr<TempHome> m_home;
};

void TestProcessing::cleanup()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_home.reset();
}

void TestProcessing::countsToMaximumAndCloses()
{
    Processing p(3, QStringLiteral("Coping Data..."));
    frmProcessing* w = form(p);
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QVERIFY(w->active());
    QCOMPARE(w->windowTitle(), QStringLiteral("Coping Data..."));
    QCOMPARE(text(w, "Label1"), QStringLiteral("out of"));
    QCOMPARE(stopButton(w)->text(), QStringLiteral("&Stop"));
    QCOMPARE(text(w, "lblTotal"), QStringLiteral("3"));
    QCOMPARE(text(w, "lblComplete"), QStringLiteral("0"));
    p.Increment();
    QCOMPARE(text(w, "lblComplete"), QStringLiteral("1"));
    p.Increment();
    QCOMPARE(text(w, "lblComplete"), QStringLiteral("2"));
    QVERIFY(w->isVisible());
    p.Increment();
    QCOMPARE(text(w, "lblComplete"), QStringLiteral("3"));
    QCOMPARE(bar(w)->value(), 3);
    QVERIFY(!w->isVisible());
    QVERIFY(!w->active());
}

void TestProcessing::incrementAfterCloseChangesNothing()
{
    Processing p(2, QStringLiteral("Deleting..."));
    frmProcessing* w = form(p);
    p.Increment();
    p.Increment();
    QVERIFY(!w->isVisible());
    p.Increment();
    QCOMPARE(text(w, "lblComplete"), QStringLiteral("2"));
    QCOMPARE(w->value(), 2);
    QVERIFY(!w->isVisible());
    QVERIFY(lastReportedTag() != QStringLiteral("frmProcessing_Increment"));
}

void TestProcessing::stopStaysUntilUnloaded()
{
    Processing p(10, QStringLiteral("Processing..."));
    frmProcessing* w = form(p);
    QVERIFY(!p.StopProcessing());
    // The click arrives while the operation yields inside Increment.
    QTimer::singleShot(0, stopButton(w), &QPushButton::click);
    p.Increment();
    QVERIFY(p.StopProcessing());
    QVERIFY(w->isVisible());
    p.Increment();
    QVERIFY(p.StopProcessing());
    p.Unload();
    QVERIFY(!w->isVisible());
    QVERIFY(!p.StopProcessing());
    QVERIFY(!w->StopProcessing());
}

void TestProcessing::refusedMaximumKeepsPrevious()
{
    // The window's steps yield, as they do only under a task.
    const LongTask task;
    frmProcessing w;
    w.SetMax(40);
    w.SetMax(0);
    w.SetMax(-5);
    QCOMPARE(w.maximum(), 40);
    QCOMPARE(text(&w, "lblTotal"), QStringLiteral("40"));
    // Lowered under the count: the step that would pass the maximum is reported and closes the window.
    w.show();
    for (int i = 0; i < 5; ++i)
        w.Increment();
    w.SetMax(3);
    w.Increment();
    QVERIFY(!w.isVisible());
    QCOMPARE(lastReportedTag(), QStringLiteral("frmProcessing_Increment"));
    QCOMPARE(w.value(), 5);
}

void TestProcessing::maximumBeyond16Bits()
{
    Processing p(100000, QStringLiteral("Processing..."));
    frmProcessing* w = form(p);
    QCOMPARE(text(w, "lblTotal"), QStringLiteral("100000"));
    QCOMPARE(bar(w)->maximum(), 100000);
    for (int i = 0; i < 40000; ++i)
        w->Increment();
    QCOMPARE(w->value(), 40000);
    QVERIFY(w->isVisible());
    for (int i = 40000; i < 100000; ++i)
        w->Increment();
    // The last step always shows.
    QCOMPARE(text(w, "lblComplete"), QStringLiteral("100000"));
    QCOMPARE(bar(w)->value(), 100000);
    QVERIFY(!w->isVisible());
}

void TestProcessing::manyStepsShowTheCountAFewTimesASecond()
{
    using ProgressDisplay::kShowIntervalMs;
    // The rule: the last step, or a step at least the interval after the count was last shown.
    QVERIFY(!ProgressDisplay::showsStep(1, 2255, kShowIntervalMs - 1));
    QVERIFY(ProgressDisplay::showsStep(1, 2255, kShowIntervalMs));
    QVERIFY(ProgressDisplay::showsStep(2255, 2255, 0));
    QVERIFY(ProgressDisplay::showsStep(1, 1, 0));
    // A short run shows every step.
    QVERIFY(ProgressDisplay::showsStep(1, ProgressDisplay::kEveryStepUpTo, 0));
    QVERIFY(!ProgressDisplay::showsStep(1, ProgressDisplay::kEveryStepUpTo + 1, 0));

    // A statistics grid of 2,255 steps: painting the count at every step cost as much as the cells themselves.
    constexpr int steps = 2255;
    Processing p(steps, QStringLiteral("Processing Statistics..."));
    frmProcessing* w = form(p);
    QSignalSpy shown(bar(w), &QProgressBar::valueChanged);
    QElapsedTimer clock;
    clock.start();
    bool stopSeen = false;
    int lastShown = 0;
    for (int i = 1; i < steps; ++i) {
        if (i == 1000)
            QTimer::singleShot(0, stopButton(w), &QPushButton::click);
        p.Increment();
        // Every step still yields: the click made during step 1000 is there right after it.
        if (i == 1000) {
            stopSeen = p.StopProcessing();
            w->setStopProcessing(false);
        }
        // What is shown is a count reached, never ahead of the run, and the bar and the label agree.
        const int label = text(w, "lblComplete").toInt();
        QVERIFY(label >= lastShown && label <= i);
        QCOMPARE(bar(w)->value(), label);
        lastShown = label;
    }
    QVERIFY(stopSeen);
    // At most one showing per interval while the run went on.
    QVERIFY2(shown.count() <= clock.elapsed() / kShowIntervalMs + 1, qPrintable(QString::number(shown.count())));
    p.Increment();
    QCOMPARE(text(w, "lblComplete"), QString::number(steps)); // the last step always shows
    QCOMPARE(bar(w)->value(), steps);
}

void TestProcessing::ownedByVisibleMainWindow()
{
    PlainMainWindow main(false);
    main.show();
    gMainForm = &main;
    {
        Processing p(5, QStringLiteral("Processing..."), &main);
        QVERIFY(form(p)->isVisible());
        QCOMPARE(form(p)->parentWidget(), &main);
    }
    gMainForm = nullptr;
}

void TestProcessing::besideTaskBarWhenMainWindowHidden()
{
    PlainMainWindow main(false);
    gMainForm = &main; // hidden in the tray
    {
        Processing p(5, QStringLiteral("Processing..."), &main);
        frmProcessing* w = form(p);
        QVERIFY(w->isVisible());
        QVERIFY(!w->parentWidget());
        const QRect area = w->screen()->availableGeometry();
        QCOMPARE(w->frameGeometry().right(), area.right());
        QCOMPARE(w->frameGeometry().bottom(), area.bottom());
    }
    gMainForm = nullptr;
}

void TestProcessing::nothingShownWhileDialogOpen()
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("frmConfiguration"));
    bool checked = false;
    QTimer::singleShot(0, &dialog, [&] {
        Processing p(5, QStringLiteral("Processing..."));
        QVERIFY(!p.window());
        p.Increment(); // harmless without a window
        QVERIFY(!p.StopProcessing());
        checked = true;
        dialog.reject();
    });
    dialog.exec();
    QVERIFY(checked);
}

void TestProcessing::secondOperationDuringYieldKeepsFirstIntact()
{
    Processing first(5, QStringLiteral("Coping Data..."));
    frmProcessing* w1 = form(first);
    first.Increment();
    bool ran = false;
    // A second long operation starts from a timer while the first one yields, stops, and finishes.
    QTimer::singleShot(0, [&] {
        Processing second(2, QStringLiteral("Deleting..."));
        frmProcessing* w2 = form(second);
        QVERIFY(w2 && w2 != w1);
        stopButton(w2)->click();
        QVERIFY(second.StopProcessing());
        second.Increment();
        second.Increment();
        QVERIFY(!w2->isVisible());
        ran = true;
    });
    first.Increment();
    QVERIFY(ran);
    QCOMPARE(w1->maximum(), 5);
    QCOMPARE(text(w1, "lblTotal"), QStringLiteral("5"));
    QCOMPARE(w1->windowTitle(), QStringLiteral("Coping Data..."));
    QVERIFY(!first.StopProcessing());
    QVERIFY(w1->isVisible());
    QCOMPARE(w1->value(), 2);
    first.Increment();
    first.Increment();
    first.Increment();
    QVERIFY(!w1->isVisible());
}

void TestProcessing::windowDestroyedDuringOperation()
{
    Processing p(5, QStringLiteral("Processing..."));
    QPointer<QObject> w = p.window()->object();
    // Shut-down unloads every window while the operation yields.
    QTimer::singleShot(0, [] { UnloadAllForms(); });
    p.Increment();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!w);
    QVERIFY(!p.window());
    p.Increment();
    QVERIFY(!p.StopProcessing());
}

void TestProcessing::topMostOnlyForPopupWithOnTop()
{
    {
        Processing p(5, QStringLiteral("Processing..."));
        QVERIFY(!(form(p)->windowFlags() & Qt::WindowStaysOnTopHint));
    }
    {
        Processing p(5, QStringLiteral("Processing..."), nullptr, QStringLiteral("MINI DISPLAY"));
        QVERIFY(form(p)->windowFlags() & Qt::WindowStaysOnTopHint);
    }
    SaveProperty(Section::frmProcessing, Key::OnTop, QStringLiteral("False"));
    {
        Processing p(5, QStringLiteral("Processing..."), nullptr, QStringLiteral("MINI DISPLAY"));
        QVERIFY(!(form(p)->windowFlags() & Qt::WindowStaysOnTopHint));
    }
    SaveProperty(Section::frmConfiguration, Key::OnTop, QStringLiteral("True"));
    {
        Processing p(5, QStringLiteral("Processing..."));
        QVERIFY(form(p)->windowFlags() & Qt::WindowStaysOnTopHint);
    }
}

QTEST_MAIN(TestProcessing)
#include "test_processing.moc"
