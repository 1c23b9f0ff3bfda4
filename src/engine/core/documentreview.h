#pragma once

#include "commandrunner.h"
#include "documentbackend.h"
#include "enginemessages.h"

// Recorded changes of a text document: their list, and recording, showing, going to,
// accepting and rejecting them through LibreOffice's own commands. A spreadsheet's are
// recorded, listed and gone to only.
namespace enginecore {

// The changes in LibreOffice's JSON for .uno:AcceptTrackedChanges ({"redlines": [...]});
// entries without a usable id are left out.
QList<engineprotocol::TrackedChange> parseTrackedChanges(const QByteArray &json,
                                                         engineprotocol::DocumentKind kind);

// Whether the spreadsheet has recorded changes.
bool sheetHasChanges(DocumentBackend &document);
// Whether .uno:TraceChangeMode with arguments would stop recording a spreadsheet's changes
// while it has some: LibreOffice would drop them all (it asks first, and LibreOfficeKit's
// answer is no), so the engine keeps recording and says why.
bool sheetKeepsRecording(DocumentBackend &document, const QByteArray &arguments);
extern const QString KeepsRecordingText;

// Who last wrote the package at path, as its metadata says (Word's core properties, an
// OpenDocument's meta.xml); empty when it does not say.
QString lastAuthorOf(const QString &path);

engineprotocol::Reply trackedChanges(DocumentBackend &document, engineprotocol::DocumentKind kind);
engineprotocol::Reply review(CommandRunner &commands, DocumentBackend &document,
                             const engineprotocol::request::Review &request,
                             engineprotocol::DocumentKind kind);
// The differences from the earlier version become changes under the author its metadata
// names last (userName's when it names none); not done when there are none.
engineprotocol::Reply compare(CommandRunner &commands, DocumentBackend &document,
                              const engineprotocol::request::Compare &request,
                              const QString &userName);

} // namespace enginecore
