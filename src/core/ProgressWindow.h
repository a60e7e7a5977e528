#pragma once

#include <QString>

class QObject;

// What a long operation sees of its progress window (frmProcessing). Core code never talks to it directly:
// it goes through Processing, which makes, shows and releases one window per operation.
class ProgressWindow {
public:
    virtual ~ProgressWindow();

    // A maximum below 1 is refused and leaves the previous one.
    virtual void SetMax(qint32 max) = 0;
    virtual qint32 maximum() const = 0;
    virtual qint32 value() const = 0;
    // One step: yields to the event loop once, advances, and unloads the window at the maximum.
    virtual void Increment() = 0;
    // Set by the Stop button; unloading clears it.
    virtual bool StopProcessing() const = 0;
    virtual void setStopProcessing(bool stop) = 0;
    virtual void setCaption(const QString& caption) = 0;
    virtual QString caption() const = 0;
    virtual void setTag(const QString& tag) = 0;
    // True from showing until the count reaches the maximum or the window unloads.
    virtual bool active() const = 0;
    // Shows it modeless, owned by owner (a window), or beside the task bar.
    virtual void showOwned(QObject* owner) = 0;
    virtual void showBesideTaskBar() = 0;
    virtual void Unload() = 0;
    // The window as an object, so that its owner can notice when it is gone.
    virtual QObject* object() = 0;
};

// How often a progress window shows its count. Every step still yields to the event loop (Stop, timers and
// clients are served at once), but painting the bar and the count costs about 0.1 ms, as much as a whole
// statistics cell. A run of up to kEveryStepUpTo steps shows each of them (at most a few milliseconds in all);
// a longer one shows its count at most once per kShowIntervalMs (more often the eye does not follow) and at the
// last step, so a run of slow steps still shows every one of them.
namespace ProgressDisplay {
inline constexpr qint32 kEveryStepUpTo = 100;
inline constexpr qint64 kShowIntervalMs = 50;
// Whether the count value (1 to maximum) is shown, msSinceShown after the count was last shown (or the window
// appeared).
bool showsStep(qint32 value, qint32 maximum, qint64 msSinceShown);
} // namespace ProgressDisplay
