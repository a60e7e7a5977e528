#pragma once

#include "statswindow/ui/StatisticEditor.h"

class QComboBox;

// The statistic editor: description, condition ("Statistic SQL:") and one of the 21 styles.
class frmAddStatistic : public StatisticEditorBase {
    Q_OBJECT
public:
    explicit frmAddStatistic(QWidget* parent = nullptr);

    QString Statistic() const { return m_statistic; }
    QString Style() const { return m_style; }

    // The item's values into the boxes (edit mode); the style is picked without regard to case.
    void fill(const QString& description, const QString& statistic, const QString& style);
    void Disable();
    Q_INVOKABLE void AddHints();

private:
    void clearOwnResults() override;
    void storeOwnResults() override;
    void firstShow() override;

    QPlainTextEdit* txtStatisticSQL = nullptr;
    QComboBox* cboStyle = nullptr;
    QString m_statistic;
    QString m_style;
};
