// fakemodem: a caller-ID modem on a pseudo-terminal, so Velquon can be tried without one.
//
// It prints the device path Velquon must open (and can write it into Velquon's settings itself), answers
// OK to every command and plays callers one after another: one per line typed ("NUMBER NAME", or just Enter
// for the default caller), the lines of a list file, or the default caller every N seconds.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <functional>

#include <unistd.h>

#include "CallPlayer.h"
#include "core/SettingsKeys.h"
#include "core/modProperties.h"
#include "platform/ProgramFolder.h"
#include "support/FakeModem.h"

namespace {

// The program takes a call as over 8 s after its last ring; the next call waits a little longer.
constexpr int kRingGapMs = 6000;
constexpr int kQuietMs = 10000;

void say(const QString& text) { QTextStream(stdout) << text << Qt::endl; }

// Stdin, split into lines; each whole line is handed on, and the end of input once.
class LineReader : public QObject {
public:
    LineReader(std::function<void(const QString&)> onLine, std::function<void()> onEnd)
        : m_notifier(STDIN_FILENO, QSocketNotifier::Read), m_onLine(std::move(onLine)), m_onEnd(std::move(onEnd))
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { read(); });
    }

private:
    void read()
    {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            m_notifier.setEnabled(false);
            if (!m_pending.isEmpty())
                m_onLine(QString::fromUtf8(m_pending));
            m_pending.clear();
            m_onEnd();
            return;
        }
        m_pending.append(buf, n);
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            m_onLine(QString::fromUtf8(line));
        }
    }

    QSocketNotifier m_notifier;
    QByteArray m_pending;
    std::function<void(const QString&)> m_onLine;
    std::function<void()> m_onEnd;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fakemodem"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A caller-ID modem on a pseudo-terminal. Each line typed plays a caller: \"NUMBER NAME\", "
                       "or just Enter for the default caller. Calls play one after another, once Velquon has "
                       "opened the port."));
    parser.addHelpOption();
    QCommandLineOption numberOption(QStringLiteral("number"), QStringLiteral("Number of the default caller."),
                                    QStringLiteral("digits"), QStringLiteral("5551234567"));
    QCommandLineOption nameOption(QStringLiteral("name"), QStringLiteral("Name of the default caller."),
                                  QStringLiteral("text"), QStringLiteral("JOHN DOE"));
    QCommandLineOption ringsOption(QStringLiteral("rings"), QStringLiteral("Rings per call (at least 1)."),
                                   QStringLiteral("n"), QStringLiteral("2"));
    QCommandLineOption everyOption(QStringLiteral("every"),
                                   QStringLiteral("Play the default caller every n seconds as well."),
                                   QStringLiteral("n"));
    QCommandLineOption callersOption(QStringLiteral("callers"),
                                     QStringLiteral("Play the callers of a file, one \"NUMBER NAME\" a line."),
                                     QStringLiteral("file"));
    QCommandLineOption setPortOption(QStringLiteral("set-port"),
                                     QStringLiteral("Write this modem's path as the comm port into Velquon's "
                                                    "settings (do it before Velquon starts)."));
    QCommandLineOption answeredOption(QStringLiteral("answered"),
                                      QStringLiteral("Report the line in use to the dial-tone probe, so calls "
                                                     "count as answered."));
    QCommandLineOption deliverOption(QStringLiteral("deliver-while-closed"),
                                     QStringLiteral("Ring callers while Velquon has the port closed too, and hand "
                                                    "what rang meanwhile over when it opens the port, as a USB "
                                                    "modem that keeps what it received may."));
    // Shorter timings, for tests of this tool only.
    QCommandLineOption ringGapOption(QStringLiteral("ring-gap-ms"), QString(), QStringLiteral("ms"),
                                     QString::number(kRingGapMs));
    ringGapOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption quietOption(QStringLiteral("quiet-ms"), QString(), QStringLiteral("ms"),
                                   QString::number(kQuietMs));
    quietOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({numberOption, nameOption, ringsOption, everyOption, callersOption, setPortOption, answeredOption,
                       deliverOption, ringGapOption, quietOption});
    parser.process(app);

    FakeModem modem;
    if (!modem.isOpen()) {
        QTextStream(stderr) << "fakemodem: cannot open a pseudo-terminal" << Qt::endl;
        return 1;
    }
    modem.setDeliversWhileClosed(parser.isSet(deliverOption));
    if (parser.isSet(answeredOption))
        modem.setReply(QStringLiteral("ATDT;"), QStringLiteral("NO DIAL TONE"));
    QObject::connect(&modem, &FakeModem::commandReceived, &app,
                     [](const QString& command) { say(QStringLiteral("<- ") + command); });

    const CallPlayer::Caller fallback{parser.value(numberOption), parser.value(nameOption)};
    CallPlayer player(&modem, parser.value(ringsOption).toInt(), parser.value(ringGapOption).toInt(),
                      parser.value(quietOption).toInt());
    QObject::connect(&player, &CallPlayer::message, &app, say);

    say(QStringLiteral("Fake modem on ") + modem.slavePath());
    const QString settings = settingsFilePath();
    if (parser.isSet(setPortOption)) {
        SaveProperty(Section::frmConfiguration, Key::CommPort, modem.slavePath());
        say(QStringLiteral("Wrote CommPort=%1 under [frmConfiguration] in %2; start Velquon now.")
                .arg(modem.slavePath(), settings));
    } else {
        say(QStringLiteral("Velquon opens it when %1 holds, before Velquon starts:").arg(settings));
        say(QStringLiteral("  [frmConfiguration]"));
        say(QStringLiteral("  CommPort=") + modem.slavePath());
        say(QStringLiteral("(or run this tool with --set-port; Velquon's options list only serial devices)"));
    }

    auto play = [&](const QString& line) {
        const std::optional<CallPlayer::Caller> caller = CallPlayer::parseCaller(line, fallback);
        if (caller)
            player.enqueue(*caller);
        else
            say(QStringLiteral("Not a caller (NUMBER NAME): ") + line);
    };

    if (parser.isSet(callersOption)) {
        QFile list(parser.value(callersOption));
        if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
            QTextStream(stderr) << "fakemodem: cannot read " << list.fileName() << Qt::endl;
            return 1;
        }
        while (!list.atEnd()) {
            const QString line = QString::fromUtf8(list.readLine()).trimmed();
            if (!line.isEmpty())
                play(line);
        }
    }

    QTimer repeat;
    if (parser.isSet(everyOption)) {
        const int seconds = qMax(1, parser.value(everyOption).toInt());
        say(QStringLiteral("Playing the default caller every %1 s; Ctrl+C ends.").arg(seconds));
        QObject::connect(&repeat, &QTimer::timeout, &app, [&] {
            // One at a time: a caller still waiting is not queued again.
            if (player.idle())
                player.enqueue(fallback);
        });
        repeat.start(seconds * 1000);
    }

    say(QStringLiteral("Type NUMBER NAME and Enter to play a caller, Enter alone for %1 %2; Ctrl+D ends.")
            .arg(fallback.number, fallback.name));
    bool inputEnded = false;
    LineReader input(play, [&] {
        inputEnded = true;
        // Input ended: the callers already asked for are played first, unless calls keep coming anyway.
        if (parser.isSet(everyOption))
            return;
        if (player.idle())
            app.quit();
    });
    QObject::connect(&player, &CallPlayer::becameIdle, &app, [&] {
        if (inputEnded && !parser.isSet(everyOption))
            app.quit();
    });
    return app.exec();
}
