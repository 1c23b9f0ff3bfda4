#pragma once

#include "documentediting.h"
#include "enginemessages.h"

#include <QByteArray>
#include <QList>

// Copy, cut and paste through the document's own clipboard, whose content the control trades
// with the desktop's.
namespace enginecore {

// The formats handed over, most wanted first.
const QList<QByteArray> &clipboardFormats();

// Copies (or cuts) the selection and hands over what it put on the clipboard; nothing when
// nothing was selected.
engineprotocol::Reply copySelection(EditContext &context,
                                    const engineprotocol::request::Copy &request);
engineprotocol::Reply paste(EditContext &context, const engineprotocol::request::Paste &request,
                            engineprotocol::DocumentKind kind);

// What a document of kind is given to paste. LibreOffice asks how to split plain text of
// several lines or columns before a spreadsheet takes it, so that text goes as an HTML table.
QList<engineprotocol::ClipboardItem> pasteItemsFor(engineprotocol::DocumentKind kind,
                                                   QList<engineprotocol::ClipboardItem> items);

} // namespace enginecore
