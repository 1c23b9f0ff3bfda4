#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace platform {
class ErrorReport;
class LineControl;
} // namespace platform

namespace about {

// The About box: loaded afresh each time it is shown, unloaded by OK, Enter, Esc or its close box.
class FrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit FrmAbout(platform::ErrorReport &errors, QWidget *parent = nullptr);

    void Form_Load();
    void cmdOK_Click();

    QLabel *picIcon;
    QPushButton *cmdOK;
    platform::LineControl *Line1_1;
    QLabel *lblDescription;
    QLabel *lblTitle;
    platform::LineControl *Line1_0;
    QLabel *lblVersion;
    QLabel *lblDisclaimer;

    static QString descriptionText();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    platform::ErrorReport &m_errors;
};

} // namespace about
