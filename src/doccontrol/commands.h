#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

namespace automation {
class Dispatch;
}
namespace platform {
class MessageSink;
class SequentialFiles;
} // namespace platform

namespace clientcore {
struct CommandContext;
}

namespace doccontrol {

using clientcore::CommandContext;

// The shared prompt shown when there is no document to work on.
void msgtip(platform::MessageSink &messages);

// Opening and closing
void openLocalDocument(CommandContext &context);
void openTypedAddressShown(CommandContext &context); // makes the control visible before the dialog
void closeDocument(CommandContext &context);

// Saving and verification
void saveLocal(CommandContext &context);
void saveRemote(CommandContext &context);
// Hides the control and sizes the browser (through its site) to the window less its margins.
void showServerPage(CommandContext &context, automation::Dispatch &browserSite,
                    QSizeF windowOuterTwips);

// Editing
void replaceContent(CommandContext &context);
void insertRemotePicture(CommandContext &context);
void stamp(CommandContext &context);
void handwrittenSignature(CommandContext &context);
void insertTable(CommandContext &context, platform::SequentialFiles &files,
                 const QString &programDirectory);
void protectDocument(CommandContext &context);
void unprotectDocument(CommandContext &context);

// The generated table: 6 rows of 3 cells, HTML without breaks.
QByteArray tableText();

// Conversion and batch download
void wordToPdf(CommandContext &context);
void excelToPdf(CommandContext &context);
void batchDownload(CommandContext &context);

} // namespace doccontrol
