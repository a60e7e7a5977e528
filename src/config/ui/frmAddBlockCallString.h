#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// The small modal dialog in which one block-call string is typed for the options dialog's Call Blocking
// page. OK brings the text into its one stored form (a number word, or 7 or 10 digits and wild cards in the
// number format) or refuses it with the length message; the result is BlockCallString, empty when the user
// cancelled. The caller may put a string to edit into the box before showing it.
class frmAddBlockCallString : public QDialog {
    Q_OBJECT
public:
    explicit frmAddBlockCallString(QWidget* parent = nullptr);
    ~frmAddBlockCallString() override;

    // The normalised string of the last OK; empty while the dialog is shown and after Cancel or close.
    QString BlockCallString() const { return m_result; }
    // The text the box starts with (an entry being edited).
    void setText(const QString& text);

    Q_INVOKABLE void AddHints();

    static constexpr int MaxLength = 49;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1 = nullptr;
    QComboBox* cboBlockCallString = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QString m_result;
};
