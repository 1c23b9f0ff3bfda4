#pragma once

#include "commandcontext.h"
#include "dialog.h"
#include "errorreport.h"
#include "listbox.h"
#include "mainwindowstate.h"
#include "quillarycontrol.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;

namespace automation {
class Dispatch;
class Variant;
} // namespace automation

namespace platform {
class Browser;
class HostSite;
class MessageSink;
class ProcessLauncher;
class SequentialFiles;
} // namespace platform

// What the main window is built from: main() hands in the real components, tests hand in fakes.
struct Form1Parts
{
    QString serverBase;
    QWidget *quillaryWidget = nullptr;
    std::shared_ptr<automation::Dispatch> quillaryControl;
    platform::Browser *browser = nullptr;
    platform::MessageSink *messages = nullptr;
    platform::ProcessLauncher *launcher = nullptr;
    platform::SequentialFiles *files = nullptr;
    QString programDirectory;
    std::function<void()> terminate; // ends the program at once
};

// The main window: wires its controls and menus to the handlers, which run through the error
// report; the handlers' rules live in the subsystem libraries.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form1(Form1Parts parts);
    ~Form1() override;

    clientcore::MainWindowState state;

    // Application shell
    void Form_Load();
    void Form_Resize();
    void msgtip();
    void mnuExit_Click();

    // Server document list
    void WebBrowser1_DocumentComplete(const automation::Variant &pDisp,
                                      const automation::Variant &URL);
    void List1_Click();

    // Opening and closing
    void mnuOpenLoacl_Click();
    void mnuOpenRemote_Click();
    void mnuClose_Click();

    // Saving and verification
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    // Editing
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();

    // Conversion and batch download
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();

    // Help and About
    void mnuBBS_Click();
    void mnuPro_Click();
    void mnuBuy_Click();
    void mnuAbout_Click();

    QWidget *Quillary1;
    QWidget *WebBrowser1;
    platform::ListBox *List1;
    QComboBox *Combo1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command5, *Command6, *Command7,
        *Command8, *Command9, *Command10, *Command11, *Command12, *Command13;
    QAction *mnuOpenLoacl, *mnuOpenRemote, *mnuClose, *mnuExit, *mnuBBS, *mnuPro, *mnuBuy,
        *mnuAbout;

    clientcore::QuillaryControl &quillary() { return m_quillary; }
    platform::HostSite &browserSite() { return *m_browserSite; }
    doccontrol::Dialog *dialog() const { return m_dialog; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    QPushButton *addButton(const QString &name, const QString &caption, QRect geometry,
                           void (Form1::*handler)());
    QAction *addMenuItem(QMenu *menu, const QString &name, const QString &caption,
                         const QKeySequence &shortcut, void (Form1::*handler)());
    void handle(void (Form1::*handler)());
    void resizeControlToOuterSize();
    void replaceListEntries(const QStringList &entries);

    Form1Parts m_parts;
    platform::ErrorReport m_errors;
    std::shared_ptr<platform::HostSite> m_quillarySite;
    std::shared_ptr<platform::HostSite> m_browserSite;
    clientcore::QuillaryControl m_quillary;
    clientcore::CommandContext m_context;
    QPointer<doccontrol::Dialog> m_dialog;
    QSize m_sizedForOuter; // the outer size the document control was last sized for
};
