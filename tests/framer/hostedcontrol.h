#pragma once

#include "controldispatch.h"
#include "core/controlsession.h"
#include "core/engineclient.h"
#include "widgets/transfer/transferbar.h"
#include "widgets/view/documentview.h"

#include <quillary/documentcontrol.h>
#include <quillary/filedialogs.h>

#include <QString>

// The document control as the client hosts it: the widget, and the dispatch adapter through
// which the client calls it, with drive C in a folder of the test's.
class HostedControl
{
public:
    HostedControl(quillary::DocumentControl::Options options, const QString &driveC);

    automation::Variant call(automation::DispId id, std::vector<automation::Variant> args = {},
                             automation::InvokeKind kind = automation::InvokeKind::Method);
    std::string documentName();

    // What the user sees and what drives it.
    framer::DocumentView &view();
    framer::TransferBar &transferBar();
    framer::EngineClient &engine();
    framer::ControlSession &session();

    quillary::DocumentControl widget;
    framerdispatch::ControlDispatch dispatch;
};

// File dialogs answered by the test.
class ScriptedFileDialogs : public quillary::FileDialogs
{
public:
    QString openFileName(QWidget *, const QString &, const QString &) override
    {
        ++opens;
        return openAnswer;
    }
    QString saveFileName(QWidget *, const QString &, const QString &suggested,
                         const QString &) override
    {
        lastSuggested = suggested;
        ++saves;
        return saveAnswer;
    }
    QString openAnswer;
    QString saveAnswer;
    QString lastSuggested;
    int opens = 0;
    int saves = 0;
};

// Options with the engine's profiles in the build tree, shared by the test processes.
quillary::DocumentControl::Options testOptions();

// Signs on the signature pad once it is up (it may come only after earlier work's nested
// loops have run) and presses OK.
void signWhenAsked();
