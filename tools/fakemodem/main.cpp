// fakemodem: a caller-ID modem on a pseudo-terminal, so Velquon can be tried without one.
//
// It prints the device path to put into the program's comm port setting, answers OK to every command and
// plays a call (RING, DATE, TIME, NMBR, NAME, RING) each time Enter is pressed, or every N seconds.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

#include "platform/Clock.h"
#include "support/FakeModem.h"

namespace {

struct CallPlayer {
    FakeModem* modem;
    QString number;
    QString name;
    int rings;
    int ringGapMs;
    bool playing = false;

    void play()
    {
        if (playing)
            return;
        playing = true;
        QTextStream(stdout) << "Calling: " << name << "  " << number << Qt::endl;
        const QDateTime now = Clock::now();
        modem->injectLine(QStringLiteral("RING"));
        // The caller-ID burst comes between the first and second ring, as on a real line.
        QTimer::singleShot(ringGapMs / 3, modem, [this, now] {
            for (const QString& line : FakeModem::callLines(number, name, now.toString(QStringLiteral("MMdd")),
                                                            now.toString(QStringLiteral("HHmm"))))
                modem->injectLine(line);
        });
        for (int r = 1; r < rings; ++r)
            QTimer::singleShot(ringGapMs * r, modem, [this] { modem->injectLine(QStringLiteral("RING")); });
        QTimer::singleShot(ringGapMs * rings, modem, [this] { playing = false; });
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fakemodem"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A caller-ID modem on a pseudo-terminal."));
    parser.addHelpOption();
    QCommandLineOption numberOption(QStringLiteral("number"), QStringLiteral("Number the calls report."),
                                    QStringLiteral("digits"), QStringLiteral("5551234567"));
    QCommandLineOption nameOption(QStringLiteral("name"), QStringLiteral("Name the calls report."),
                                  QStringLiteral("text"), QStringLiteral("JOHN DOE"));
    QCommandLineOption ringsOption(QStringLiteral("rings"), QStringLiteral("Rings per call (at least 1)."),
                                   QStringLiteral("n"), QStringLiteral("2"));
    QCommandLineOption everyOption(QStringLiteral("every"),
                                   QStringLiteral("Play a call every n seconds instead of on Enter."),
                                   QStringLiteral("n"));
    QCommandLineOption answeredOption(QStringLiteral("answered"),
                                      QStringLiteral("Report the line in use to the dial-tone probe, so calls "
                                                     "count as answered."));
    parser.addOptions({numberOption, nameOption, ringsOption, everyOption, answeredOption});
    parser.process(app);

    FakeModem modem;
    if (!modem.isOpen()) {
        QTextStream(stderr) << "fakemodem: cannot open a pseudo-terminal" << Qt::endl;
        return 1;
    }
    if (parser.isSet(answeredOption))
        modem.setReply(QStringLiteral("ATDT;"), QStringLiteral("NO DIAL TONE"));
    QObject::connect(&modem, &FakeModem::commandReceived, &app,
                     [](const QString& command) { QTextStream(stdout) << "<- " << command << Qt::endl; });

    CallPlayer player{&modem, parser.value(numberOption), parser.value(nameOption),
                      qMax(1, parser.value(ringsOption).toInt()), 6000};

    QTextStream out(stdout);
    out << "Fake modem on " << modem.slavePath() << Qt::endl;
    out << "Set the comm port in Velquon's options to that path." << Qt::endl;

    QTimer repeat;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    if (parser.isSet(everyOption)) {
        const int seconds = qMax(1, parser.value(everyOption).toInt());
        out << "Playing a call every " << seconds << " s; Ctrl+C ends." << Qt::endl;
        QObject::connect(&repeat, &QTimer::timeout, &app, [&player] { player.play(); });
        repeat.start(seconds * 1000);
        input.setEnabled(false);
    } else {
        out << "Press Enter to play a call; Ctrl+D ends." << Qt::endl;
        QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
            char buf[256];
            if (::read(STDIN_FILENO, buf, sizeof buf) <= 0) {
                app.quit();
                return;
            }
            player.play();
        });
    }
    return app.exec();
}
