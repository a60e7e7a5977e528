#include "app/TestDriver.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <memory>

#include "core/Globals.h"
#include "core/MainWindow.h"
#include "mainwindow/ui/CallerIDGrid.h"

namespace {

void carryOut(const QString& line)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // As a library ends the process (Qt's own exit(1) when the X server goes away): none of the exit steps.
    if (words.size() == 2 && words.first() == QLatin1String("exit"))
        std::exit(words.at(1).toInt());
    auto* window = dynamic_cast<QWidget*>(gMainForm);
    if (!window)
        return;
    if (words.size() >= 2 && words.first() == QLatin1String("select")) {
        auto* grid = window->findChild<CallerIDGrid*>(QStringLiteral("Grid"));
        if (!grid)
            return;
        grid->setRow(words.at(1).toInt());
        grid->setRowSel(words.value(2, words.at(1)).toInt());
    } else if (words.size() == 2 && words.first() == QLatin1String("trigger")) {
        // The main window's commands first, then a dialog's buttons (the options dialog a command opened).
        QList<QWidget*> roots{window};
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != window && top->isVisible())
                roots << top;
        for (QWidget* root : roots) {
            if (auto* action = root->findChild<QAction*>(words.at(1)); action && action->isEnabled()) {
                action->trigger();
                return;
            }
            if (auto* button = root->findChild<QAbstractButton*>(words.at(1)); button && button->isEnabled()) {
                button->click();
                return;
            }
        }
    }
}

} // namespace

void installTestDriver()
{
    const QString path = qEnvironmentVariable("VELQUON_TEST_COMMANDS");
    if (path.isEmpty())
        return;
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(100);
    auto offset = std::make_shared<qint64>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [path, offset] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() <= *offset)
            return;
        file.seek(*offset);
        while (!file.atEnd()) {
            const QByteArray line = file.readLine();
            // A line still being written is read again next time, whole.
            if (!line.endsWith('\n'))
                break;
            *offset += line.size();
            // Each from the event loop of its own: a command that opens a dialog runs the dialog's loop, in
            // which the next lines (its buttons) are read and carried out.
            QTimer::singleShot(0, QCoreApplication::instance(),
                               [text = QString::fromUtf8(line).trimmed()] { carryOut(text); });
        }
    });
    timer->start();
}
