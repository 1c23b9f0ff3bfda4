#pragma once

#include "commandrunner.h"
#include "documentbackend.h"
#include "enginemessages.h"

// Recorded changes of a text document: their list, and recording, showing, going to,
// accepting and rejecting them through LibreOffice's own commands.
namespace enginecore {

// The changes in LibreOffice's JSON for .uno:AcceptTrackedChanges ({"redlines": [...]});
// entries without a usable id are left out.
QList<engineprotocol::TrackedChange> parseTrackedChanges(const QByteArray &json);

engineprotocol::Reply trackedChanges(DocumentBackend &document);
engineprotocol::Reply review(CommandRunner &commands, DocumentBackend &document,
                             const engineprotocol::request::Review &request);
// The differences from the earlier version become changes; not done when there are none.
engineprotocol::Reply compare(CommandRunner &commands, DocumentBackend &document,
                              const engineprotocol::request::Compare &request);

} // namespace enginecore
