#include "platform/DesktopLauncher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include "platform/EventLoopChoice.h"

namespace DesktopLauncher {

namespace {

// An opener that is still running after this long has handed the link to a program (xdg-open waits for
// some browsers to end); its exit status then says how that program ended, not whether the link opened.
constexpr qint64 kTakenAfterMs = 10000;

const char* const kSchemes[] = {"http", "https", "mailto", "file"};

// What to do if the link now being opened turns out to have no taker (set by open() around the call).
std::function<void()> g_failed;

void sayLater(std::function<void()> failed)
{
    if (failed)
        QTimer::singleShot(0, QCoreApplication::instance(), std::move(failed));
}

class Opener : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void openUrl(const QUrl& url)
    {
        std::function<void()> failed = g_failed;
        const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (program.isEmpty()) {
            // Called again from inside a handler, QDesktopServices uses the platform's own way.
            const bool started =
                EventLoopChoice::startWithChildEnvironment([&] { return QDesktopServices::openUrl(url); });
            if (!started)
                sayLater(std::move(failed));
            return;
        }
        // Not owned by anything that ends with the program: a browser started through it must live on.
        auto* process = new QProcess();
        process->setProgram(program);
        process->setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        QObject::connect(process, &QProcess::finished, process,
                         [process, clock, failed](int code, QProcess::ExitStatus status) {
                             if ((status != QProcess::NormalExit || code != 0) && clock->elapsed() < kTakenAfterMs)
                                 sayLater(failed);
                             process->deleteLater();
                         });
        QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError e) {
            if (e != QProcess::FailedToStart)
                return;
            sayLater(failed);
            process->deleteLater();
        });
        EventLoopChoice::startWithChildEnvironment([&] {
            process->start();
            return true;
        });
    }
};

QPointer<Opener> g_opener;

} // namespace

void installOpeners()
{
    if (!g_opener)
        g_opener = new Opener();
    for (const char* scheme : kSchemes)
        QDesktopServices::setUrlHandler(QLatin1String(scheme), g_opener, "openUrl");
}

void removeOpeners()
{
    for (const char* scheme : kSchemes)
        QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    delete g_opener.data();
}

bool open(const QUrl& url, std::function<void()> failed)
{
    g_failed = std::move(failed);
    const bool started = EventLoopChoice::startWithChildEnvironment([&] { return QDesktopServices::openUrl(url); });
    g_failed = nullptr;
    return started;
}

} // namespace DesktopLauncher

#include "DesktopLauncher.moc"
