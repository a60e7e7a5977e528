#include "AudioEnv.h"

#include <alsa/asoundlib.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

namespace AudioEnv {

QString pactl(const QStringList& args, bool* ok)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    const bool done = p.waitForFinished(10000);
    const bool good = done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!done)
        p.kill();
    if (ok)
        *ok = good;
    return good ? QString::fromLocal8Bit(p.readAllStandardOutput()) : QString();
}

QString missingReason()
{
    bool ok = false;
    pactl({QStringLiteral("info")}, &ok);
    if (!ok)
        return QStringLiteral("no PulseAudio server answers (run the tests through scripts/run-tests.sh)");
    const QString sinks = pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")});
    if (!sinks.contains(QStringLiteral("nullsink")))
        return QStringLiteral("PulseAudio runs but has no sink named nullsink");
    if (alsaMasterVolume() < 0)
        return QStringLiteral("ALSA's default mixer has no Master element (is the pulse ALSA plugin installed?)");
    return QString();
}

QList<int> sinkVolumes()
{
    const QString text = pactl({QStringLiteral("get-sink-volume"), QStringLiteral("nullsink")});
    QList<int> out;
    static const QRegularExpression re(QStringLiteral(":\\s*(\\d+)\\s*/"));
    auto it = re.globalMatch(text);
    while (it.hasNext())
        out << it.next().captured(1).toInt();
    return out;
}

void setSinkVolume(int left, int right)
{
    pactl(
        {QStringLiteral("set-sink-volume"), QStringLiteral("nullsink"), QString::number(left), QString::number(right)});
}

void setSinkMute(bool muted)
{
    pactl({QStringLiteral("set-sink-mute"), QStringLiteral("nullsink"),
           muted ? QStringLiteral("1") : QStringLiteral("0")});
}

bool sinkMuted()
{
    return pactl({QStringLiteral("get-sink-mute"), QStringLiteral("nullsink")}).contains(QStringLiteral("yes"));
}

int ownSinkInputs()
{
    const QString text = pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")});
    const QString pid = QStringLiteral("application.process.id = \"%1\"").arg(QCoreApplication::applicationPid());
    return int(text.count(pid));
}

namespace {

template <class F>
auto withMaster(F f, decltype(f(nullptr)) failed)
{
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) != 0)
        return failed;
    auto result = failed;
    if (snd_mixer_attach(mixer, "default") == 0 && snd_mixer_selem_register(mixer, nullptr, nullptr) == 0 &&
        snd_mixer_load(mixer) == 0) {
        snd_mixer_selem_id_t* sid = nullptr;
        snd_mixer_selem_id_alloca(&sid);
        snd_mixer_selem_id_set_name(sid, "Master");
        if (snd_mixer_elem_t* e = snd_mixer_find_selem(mixer, sid))
            result = f(e);
    }
    snd_mixer_close(mixer);
    return result;
}

} // namespace

long alsaMasterVolume()
{
    return withMaster(
        [](snd_mixer_elem_t* e) {
            long v = -1;
            return snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_FRONT_LEFT, &v) == 0 ? v : -1L;
        },
        -1L);
}

int alsaMasterMuted()
{
    return withMaster(
        [](snd_mixer_elem_t* e) {
            int on = 1;
            return snd_mixer_selem_get_playback_switch(e, SND_MIXER_SCHN_FRONT_LEFT, &on) == 0 ? (on ? 0 : 1) : -1;
        },
        -1);
}

} // namespace AudioEnv
