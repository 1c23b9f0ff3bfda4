#pragma once

#include "enginemessages.h"

#include <QList>

#include <memory>

class QMimeData;

// The document's clipboard content as the desktop's clipboard holds it, and back.
namespace framer {

// Plain text, HTML, RTF and a PNG picture from what a copy in the document gave; null when
// it gave none of them.
std::unique_ptr<QMimeData>
desktopClipboardContent(const QList<engineprotocol::ClipboardItem> &items);
// What the desktop's clipboard holds, in the formats the document takes: HTML, RTF, plain text
// (UTF-8) and a picture as PNG, richest first.
QList<engineprotocol::ClipboardItem> documentClipboardContent(const QMimeData &content);

} // namespace framer
