#include "showncontrol.h"

#include "api/documentcontrol_p.h"
#include "core/controlsession.h"
#include "hostedcontrol.h"
#include "testdocuments.h"
#include "widgets/tools/controltools.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace engineprotocol;

bool eventually(const std::function<bool()> &condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

ShownControl::ShownControl() : control(testOptions())
{
    control.resize(900, 700);
    control.show();
    control.activateWindow();
}

bool ShownControl::open(const QString &document)
{
    const QString path = m_dir.filePath(document);
    QFile::remove(path);
    if (!QFile::copy(testdocuments::path(document), path))
        return false;
    if (!control.open(path))
        return false;
    view().setFocus();
    settle();
    return true;
}

QWidget *ShownControl::named(const QString &name) const
{
    for (QWidget *widget : control.findChildren<QWidget *>())
        if (widget->accessibleName() == name && widget->isVisible())
            return widget;
    return nullptr;
}

QAbstractButton *ShownControl::button(const QString &name) const
{
    return qobject_cast<QAbstractButton *>(named(name));
}

void ShownControl::click(const QString &buttonName)
{
    QAbstractButton *pressed = button(buttonName);
    if (!pressed) {
        ADD_FAILURE() << "no button " << buttonName.toStdString();
        return;
    }
    QTest::mouseClick(pressed, Qt::LeftButton);
}

bool ShownControl::choose(const QString &buttonName, const QString &item)
{
    // The menu runs its own loop: it is answered once it is up.
    bool chosen = false;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        answer.stop();
        for (QAction *action : menu->actions())
            if (action->text() == item) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                chosen = true;
                return;
            }
        menu->close();
    });
    answer.start();
    click(buttonName);
    return eventually([&] { return !answer.isActive(); }) && chosen;
}

void ShownControl::enter(const QString &boxName, const QString &text)
{
    QWidget *box = named(boxName);
    auto *edit = qobject_cast<QLineEdit *>(box);
    if (auto *combo = qobject_cast<QComboBox *>(box))
        edit = combo->lineEdit();
    if (!edit) {
        ADD_FAILURE() << "no box " << boxName.toStdString();
        return;
    }
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void ShownControl::keys(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(&view(), Qt::Key(key), modifiers);
}

QString ShownControl::savedText()
{
    const QString path = m_dir.filePath(QStringLiteral("saved-%1.txt").arg(++m_saves));
    EXPECT_TRUE(control.save(path)) << control.lastError().message.toStdString();
    QFile file(path);
    QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return text;
}

QByteArray ShownControl::savedDocxXml()
{
    const QString path = m_dir.filePath(QStringLiteral("saved-%1.docx").arg(++m_saves));
    EXPECT_TRUE(control.save(path)) << control.lastError().message.toStdString();
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"),
                {QStringLiteral("-p"), path, QStringLiteral("word/document.xml")});
    unzip.waitForFinished(30000);
    return unzip.readAllStandardOutput();
}

QString ShownControl::selectedText()
{
    return engine().call<reply::Text>(request::TextSelection{}, 30000).text;
}

void ShownControl::settle()
{
    // Requests are answered in order, and the states a command causes come before its result.
    engine().call<reply::CommandResult>(request::Uno{".uno:ModifiedStatus"}, 30000);
}

framer::DocumentView &ShownControl::view() const
{
    return *quillary::DocumentControlPrivate::get(&control)->view;
}

framer::EditingToolBar &ShownControl::toolBar() const
{
    return *quillary::DocumentControlPrivate::get(&control)->tools->toolBar();
}

framer::ToolActions &ShownControl::actions() const
{
    return *quillary::DocumentControlPrivate::get(&control)->tools->actions();
}

framer::EngineClient &ShownControl::engine() const
{
    return quillary::DocumentControlPrivate::get(&control)->session->engine();
}
