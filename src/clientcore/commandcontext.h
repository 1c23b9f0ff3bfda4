#pragma once

#include "mainwindowstate.h"
#include "quillarycontrol.h"

#include <QString>

namespace platform {
class MessageSink;
}

namespace clientcore {

// What the main window's handlers work with: the hosted control, the window's state, the
// message boxes and the demonstration site's base address.
struct CommandContext
{
    QuillaryControl &quillary;
    MainWindowState &state;
    platform::MessageSink &messages;
    QString serverBase;
};

} // namespace clientcore
