#pragma once

#include "callbackqueue.h"
#include "documentbackend.h"
#include "enginemessages.h"

#include <QList>
#include <QRect>

#include <optional>

// LibreOfficeKit's numbers and callback payloads, turned into the protocol's types.
namespace enginecore {

// LOK_DOCTYPE_* as a document kind; a number LibreOffice adds later is Other.
engineprotocol::DocumentKind documentKindOf(int lokDocumentType);

// The event a callback means for the control, or nothing for callbacks it does not follow.
std::optional<engineprotocol::Event> translateCallback(const Callback &callback,
                                                       DocumentBackend &document);

// "x, y, w, h" rectangles as LibreOffice writes them, several separated by ';'.
QList<QRect> parseRectangles(const QByteArray &payload);
// The rectangle of a cursor callback, plain or wrapped in JSON; nothing for "EMPTY".
std::optional<QRect> cursorRectangle(const QByteArray &payload);

} // namespace enginecore
