#pragma once

#include "core/engineclient.h"
#include "core/toolactions.h"
#include "widgets/tools/editingtoolbar.h"
#include "widgets/view/documentview.h"

#include <quillary/documentcontrol.h>

#include <QTemporaryDir>

#include <functional>

class QAbstractButton;

// Whether condition came true within timeoutMs, events being handled meanwhile.
bool eventually(const std::function<bool()> &condition, int timeoutMs = 20000);

// A document control shown on screen with its tool bar, driven as a user drives it: its
// buttons and boxes found by the names a screen reader reads.
class ShownControl
{
public:
    ShownControl();

    // Opens a copy of a test document and waits until its first screen is drawn.
    bool open(const QString &document);
    // The visible widget a screen reader calls name.
    QWidget *named(const QString &name) const;
    QAbstractButton *button(const QString &name) const;
    void click(const QString &buttonName);
    // Presses the button and picks item from the menu it pops up; false when there is none.
    bool choose(const QString &buttonName, const QString &item);
    // Types into the box called name and presses Enter.
    void enter(const QString &boxName, const QString &text);
    void keys(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // The document as saved now in format (an extension), or its word/document.xml for docx.
    QString savedText();
    QByteArray savedDocxXml();
    // What LibreOffice has selected, as plain text.
    QString selectedText();
    // Waits until the engine has done what was asked of it so far.
    void settle();

    framer::DocumentView &view() const;
    framer::EditingToolBar &toolBar() const;
    framer::ToolActions &actions() const;
    framer::EngineClient &engine() const;

    quillary::DocumentControl control;

private:
    QTemporaryDir m_dir;
    int m_saves = 0;
};
