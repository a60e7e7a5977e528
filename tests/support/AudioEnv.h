#pragma once

#include <QString>
#include <QStringList>

// The private PulseAudio that scripts/run-tests.sh starts (a null sink named "nullsink"), seen from the
// outside: through pactl and through a mixer handle of its own, independent of the program's classes.
namespace AudioEnv {

// Empty when the sound server and its null sink are there; otherwise why not, for the failure message.
QString missingReason();
// Runs pactl with the arguments; its standard output, or empty when it failed.
QString pactl(const QStringList& args, bool* ok = nullptr);
// The null sink's per-channel volumes as pactl reports them (raw values, 65536 = 100%).
QList<int> sinkVolumes();
// Each test program has a sound server of its own, so a test never puts the volume back at its end: a change
// just before the program exits is the server event that Qt's sound engine can crash on in its clean-up.
void setSinkVolume(int left, int right);
void setSinkMute(bool muted);
bool sinkMuted();
// Sink inputs (playing streams) of this process on any sink.
int ownSinkInputs();

// "Master" of the ALSA "default" mixer, read through a fresh handle: the first channel's volume, or -1.
long alsaMasterVolume();
// Whether its playback switch is off, or -1 when it cannot be read.
int alsaMasterMuted();

} // namespace AudioEnv
