#pragma once

#include <QString>

#include <array>
#include <memory>

struct _snd_mixer;
struct _snd_mixer_elem;

// Volume and mute of the sound card's mixer lines, over ALSA's simple mixer on the "default" card.
// The announcer raises and restores the speaker volume through it; the options dialog takes the speaker
// bounds for its slider. Values are 32-bit; a mute value is nonzero for muted.
//
// A line whose control was not found reads 0 and ignores writes, so a machine without a mixer (or
// without one of the lines) keeps working; the missing mixer is reported once per process.
class clsVolume {
public:
    // The line bits, in look-up order.
    enum Line : qint32 {
        SpeakersLine = 1,
        MicrophoneLine = 2,
        WavePlaybackLine = 4,
        LineInLine = 8,
        CompactDiscLine = 16,
        SynthesizerLine = 32,
    };

    // deviceName is the ALSA mixer device; empty means "default".
    explicit clsVolume(const QString& deviceName = QString());
    ~clsVolume();
    clsVolume(const clsVolume&) = delete;
    clsVolume& operator=(const clsVolume&) = delete;

    qint32 MinWaveVolume() const { return bound(SpeakersLine, false); }
    qint32 MaxWaveVolume() const { return bound(SpeakersLine, true); }
    qint32 MinMicVolume() const { return bound(MicrophoneLine, false); }
    qint32 MaxMicVolume() const { return bound(MicrophoneLine, true); }
    qint32 MinWavInVolume() const { return bound(WavePlaybackLine, false); }
    qint32 MaxWavInVolume() const { return bound(WavePlaybackLine, true); }
    qint32 MinLineInVolume() const { return bound(LineInLine, false); }
    qint32 MaxLineInVolume() const { return bound(LineInLine, true); }
    qint32 MinCDVolume() const { return bound(CompactDiscLine, false); }
    qint32 MaxCDVolume() const { return bound(CompactDiscLine, true); }
    qint32 MinMidVolume() const { return bound(SynthesizerLine, false); }
    qint32 MaxMidVolume() const { return bound(SynthesizerLine, true); }

    qint32 WaveVolume() const { return GetControlValue(SpeakersLine, VolumeKind); }
    qint32 MicroVolume() const { return GetControlValue(MicrophoneLine, VolumeKind); }
    qint32 WaveInVolume() const { return GetControlValue(WavePlaybackLine, VolumeKind); }
    qint32 LineInVolume() const { return GetControlValue(LineInLine, VolumeKind); }
    qint32 CD_Volume() const { return GetControlValue(CompactDiscLine, VolumeKind); }
    qint32 MIDIVolume() const { return GetControlValue(SynthesizerLine, VolumeKind); }
    qint32 WaveMute() const { return GetControlValue(SpeakersLine, MuteKind); }
    qint32 MicroMute() const { return GetControlValue(MicrophoneLine, MuteKind); }
    qint32 WaveInMute() const { return GetControlValue(WavePlaybackLine, MuteKind); }
    qint32 LineInMute() const { return GetControlValue(LineInLine, MuteKind); }
    qint32 CD_Mute() const { return GetControlValue(CompactDiscLine, MuteKind); }
    qint32 MIDIMute() const { return GetControlValue(SynthesizerLine, MuteKind); }

    void setWaveVolume(qint32 value) { setVolume(SpeakersLine, value); }
    void setMicroVolume(qint32 value) { setVolume(MicrophoneLine, value); }
    void setWaveInVolume(qint32 value) { setVolume(WavePlaybackLine, value); }
    void setLineInVolume(qint32 value) { setVolume(LineInLine, value); }
    void setCD_Volume(qint32 value) { setVolume(CompactDiscLine, value); }
    void setMIDIVolume(qint32 value) { setVolume(SynthesizerLine, value); }
    void setWaveMute(qint32 value) { SetControlValue(SpeakersLine, MuteKind, value); }
    void setMicroMute(qint32 value) { SetControlValue(MicrophoneLine, MuteKind, value); }
    void setWaveInMute(qint32 value) { SetControlValue(WavePlaybackLine, MuteKind, value); }
    void setLineInMute(qint32 value) { SetControlValue(LineInLine, MuteKind, value); }
    void setCD_Mute(qint32 value) { SetControlValue(CompactDiscLine, MuteKind, value); }
    void setMIDIMute(qint32 value) { SetControlValue(SynthesizerLine, MuteKind, value); }

    bool HasVolumeControl(qint32 bit) const { return (m_volumeMask & bit) != 0; }
    bool HasMuteControl(qint32 bit) const { return (m_muteMask & bit) != 0; }

    // The mixer device opened; false when none was found.
    bool hasMixer() const { return m_mixer != nullptr; }
    // The ALSA element that serves a line ("Master", "Aux", ...), empty when the line has none.
    QString elementName(qint32 bit) const;

    // The text reported when no mixer can be opened.
    static QString noMixerText();
    // Lets the next missing mixer be reported again (tests).
    static void resetNoMixerReport();

private:
    enum Kind { VolumeKind = 1, MuteKind = 2 };

    struct Control {
        _snd_mixer_elem* element = nullptr;
        bool capture = false; // the element's capture side serves the line (a microphone without playback)
        bool hasVolume = false;
        bool hasMute = false;
        long minimum = 0;
        long maximum = 0;
        QString name;
    };

    static int lineIndex(qint32 bit);
    qint32 bound(qint32 bit, bool maximum) const;
    void setVolume(qint32 bit, qint32 value);
    bool GetMixerControl(int index, const char* elementName);
    qint32 GetControlValue(qint32 bit, Kind kind) const;
    void SetControlValue(qint32 bit, Kind kind, qint32 value);
    void PrepareControlDetails() const;

    _snd_mixer* m_mixer = nullptr;
    std::array<Control, 6> m_lines{};
    qint32 m_volumeMask = 0;
    qint32 m_muteMask = 0;
};

// The program's mixer: made by start-up in every mode, released by ShutDown.
extern std::unique_ptr<clsVolume> gVolume;
