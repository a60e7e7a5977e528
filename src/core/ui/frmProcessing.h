#pragma once

#include <QElapsedTimer>

#include "core/ProgressWindow.h"
#include "platform/ui/TaskWindow.h"

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of long operations: "n out of max" and a Stop button. Made through the program
// links, one per operation (see Processing).
class frmProcessing : public TaskWindow, public ProgressWindow {
    Q_OBJECT
public:
    // Lets Processing make these windows and ask whether a modal dialog keeps them away.
    static void install();

    explicit frmProcessing(QWidget* parent = nullptr);

    void SetMax(qint32 max) override;
    qint32 maximum() const override { return m_max; }
    qint32 value() const override { return m_value; }
    void Increment() override;
    bool StopProcessing() const override { return m_stop; }
    void setStopProcessing(bool stop) override { m_stop = stop; }
    void setCaption(const QString& caption) override;
    QString caption() const override;
    void setTag(const QString& tag) override { m_tag = tag; }
    bool active() const override { return m_active; }
    void showOwned(QObject* owner) override;
    void showBesideTaskBar() override;
    void Unload() override;
    QObject* object() override { return this; }

    // The hint hook every window offers; nothing to hint here.
    void AddHints() {}

    // Other windows' tests still press it directly.
    QPushButton* cmdStop = nullptr;

protected:
    bool taskRunning() const override { return m_active; }
    void stopTask() override { cmdStop_Click(); }
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* lblComplete = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblTotal = nullptr;

    void cmdStop_Click();
    void activate();
    void prepareShow();

    qint32 m_max = 100;
    qint32 m_value = 0;
    bool m_active = false;
    bool m_stop = false;
    QString m_tag;
    QElapsedTimer m_sinceShown; // since the count was last shown
};
