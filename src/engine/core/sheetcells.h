#pragma once

#include "commandrunner.h"
#include "documentbackend.h"
#include "enginemessages.h"

#include <QByteArray>
#include <QRect>

#include <optional>

// The engine's requests about the cells of a spreadsheet: the row and column headers, text
// entered into the current cell from a formula bar, going to an address. The caller has
// checked the document's kind and protection.
namespace enginecore {

// LibreOffice's .uno:ViewRowColumnHeaders values as spans in twips; nothing when they are not
// what LibreOffice writes. Its positions are pixels of its own view, which the engine keeps at
// 100% (it never sets a client zoom: tiles carry their own scale), so 15 twips each.
std::optional<engineprotocol::reply::RowColumnHeaders>
parseRowColumnHeaders(const QByteArray &json);

engineprotocol::Reply rowColumnHeaders(DocumentBackend &document, const QRect &twips);
engineprotocol::Reply enterCellText(CommandRunner &commands,
                                    const engineprotocol::request::EnterCellText &request);
engineprotocol::Reply goToCell(CommandRunner &commands,
                               const engineprotocol::request::GoToCell &request);

} // namespace enginecore
