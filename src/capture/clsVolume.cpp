#include "capture/clsVolume.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <limits>

#include "platform/Prompt.h"

std::unique_ptr<clsVolume> gVolume;

namespace {

bool g_noMixerReported = false;

// The ALSA elements that serve each line, in the order they are tried. The line-in line falls back to the
// auxiliary input when the card has no line input with a volume.
const char* const kElements[6][2] = {
    {"Master", nullptr}, {"Mic", "Capture"}, {"PCM", nullptr}, {"Line", "Aux"}, {"CD", nullptr}, {"Synth", nullptr},
};

qint32 toInt32(long value)
{
    return qint32(std::clamp<long>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

} // namespace

QString clsVolume::noMixerText()
{
    return QStringLiteral("No mixer found. You will be unable to use volume control \r\n"
                          "features and some sound features.");
}

void clsVolume::resetNoMixerReport() { g_noMixerReported = false; }

clsVolume::clsVolume(const QString& deviceName)
{
    const QByteArray device = deviceName.isEmpty() ? QByteArrayLiteral("default") : deviceName.toLocal8Bit();
    snd_mixer_t* mixer = nullptr;
    bool opened = snd_mixer_open(&mixer, 0) == 0;
    if (opened && snd_mixer_attach(mixer, device.constData()) != 0)
        opened = false;
    if (opened && snd_mixer_selem_register(mixer, nullptr, nullptr) != 0)
        opened = false;
    if (opened && snd_mixer_load(mixer) != 0)
        opened = false;
    if (!opened) {
        if (mixer)
            snd_mixer_close(mixer);
        // Start-up runs again after a change of network mode; one report per process is enough, and it must
        // not hold start-up on a machine without sound.
        if (!g_noMixerReported) {
            g_noMixerReported = true;
            Prompt::notice(noMixerText(), Prompt::Exclamation);
        }
        return;
    }
    m_mixer = mixer;
    for (int i = 0; i < int(m_lines.size()); ++i) {
        for (const char* name : kElements[i]) {
            if (name && GetMixerControl(i, name))
                break;
        }
    }
}

clsVolume::~clsVolume()
{
    if (m_mixer)
        snd_mixer_close(m_mixer);
}

int clsVolume::lineIndex(qint32 bit)
{
    switch (bit) {
    case SpeakersLine:
        return 0;
    case MicrophoneLine:
        return 1;
    case WavePlaybackLine:
        return 2;
    case LineInLine:
        return 3;
    case CompactDiscLine:
        return 4;
    case SynthesizerLine:
        return 5;
    default:
        return -1;
    }
}

bool clsVolume::GetMixerControl(int index, const char* elementName)
{
    snd_mixer_selem_id_t* sid = nullptr;
    snd_mixer_selem_id_alloca(&sid);
    snd_mixer_selem_id_set_index(sid, 0);
    snd_mixer_selem_id_set_name(sid, elementName);
    snd_mixer_elem_t* elem = snd_mixer_find_selem(m_mixer, sid);
    if (!elem)
        return false;

    Control c;
    c.element = elem;
    c.name = QString::fromLatin1(elementName);
    if (snd_mixer_selem_has_playback_volume(elem)) {
        c.hasVolume = snd_mixer_selem_get_playback_volume_range(elem, &c.minimum, &c.maximum) == 0;
        c.hasMute = snd_mixer_selem_has_playback_switch(elem);
    } else if (snd_mixer_selem_has_capture_volume(elem)) {
        c.capture = true;
        c.hasVolume = snd_mixer_selem_get_capture_volume_range(elem, &c.minimum, &c.maximum) == 0;
        c.hasMute = snd_mixer_selem_has_capture_switch(elem);
    }
    if (!c.hasVolume)
        return false;

    const qint32 bit = qint32(1) << index;
    m_lines[index] = c;
    m_volumeMask |= bit;
    if (c.hasMute)
        m_muteMask |= bit;
    return true;
}

QString clsVolume::elementName(qint32 bit) const
{
    const int i = lineIndex(bit);
    return (i >= 0 && HasVolumeControl(bit)) ? m_lines[i].name : QString();
}

qint32 clsVolume::bound(qint32 bit, bool maximum) const
{
    const int i = lineIndex(bit);
    if (i < 0 || !HasVolumeControl(bit))
        return 0;
    return toInt32(maximum ? m_lines[i].maximum : m_lines[i].minimum);
}

void clsVolume::PrepareControlDetails() const
{
    // Another program (or the sound server) may have changed the mixer since we last looked.
    if (m_mixer)
        snd_mixer_handle_events(m_mixer);
}

qint32 clsVolume::GetControlValue(qint32 bit, Kind kind) const
{
    const int i = lineIndex(bit);
    if (i < 0 || !m_mixer)
        return 0;
    const Control& c = m_lines[i];
    if (kind == VolumeKind ? !c.hasVolume : !c.hasMute)
        return 0;
    PrepareControlDetails();
    const auto channel = SND_MIXER_SCHN_FRONT_LEFT; // the same as the mono channel
    if (kind == VolumeKind) {
        long value = 0;
        const int rc = c.capture ? snd_mixer_selem_get_capture_volume(c.element, channel, &value)
                                 : snd_mixer_selem_get_playback_volume(c.element, channel, &value);
        return rc == 0 ? toInt32(value) : 0;
    }
    int on = 1;
    const int rc = c.capture ? snd_mixer_selem_get_capture_switch(c.element, channel, &on)
                             : snd_mixer_selem_get_playback_switch(c.element, channel, &on);
    return (rc == 0 && !on) ? 1 : 0;
}

void clsVolume::SetControlValue(qint32 bit, Kind kind, qint32 value)
{
    const int i = lineIndex(bit);
    if (i < 0 || !m_mixer)
        return;
    const Control& c = m_lines[i];
    if (kind == VolumeKind) {
        if (!c.hasVolume)
            return;
        if (c.capture)
            snd_mixer_selem_set_capture_volume_all(c.element, value);
        else
            snd_mixer_selem_set_playback_volume_all(c.element, value);
    } else {
        if (!c.hasMute)
            return;
        // ALSA's switch is "on" for sound; a mute value is nonzero for muted.
        const int on = value == 0 ? 1 : 0;
        if (c.capture)
            snd_mixer_selem_set_capture_switch_all(c.element, on);
        else
            snd_mixer_selem_set_playback_switch_all(c.element, on);
    }
}

void clsVolume::setVolume(qint32 bit, qint32 value)
{
    const int i = lineIndex(bit);
    if (i < 0 || !HasVolumeControl(bit))
        return;
    const Control& c = m_lines[i];
    SetControlValue(bit, VolumeKind, toInt32(std::clamp<long>(value, c.minimum, c.maximum)));
}
