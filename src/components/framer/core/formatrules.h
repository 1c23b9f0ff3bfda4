#pragma once

#include "enginemessages.h"

#include <quillary/controlerror.h>

#include <QByteArray>
#include <QString>

#include <optional>

// What the control makes of files: which it passes to the engine, in which format it saves a
// document back, which import filter reads an inserted file. Content is judged by Qt's MIME
// database, never by the name alone.
namespace framer {

// Bigger files are refused before they reach the office engine.
constexpr qint64 MaxDocumentBytes = 200LL * 1024 * 1024;
// How much of a file its content is judged by.
constexpr qsizetype ContentSampleBytes = 64 * 1024;

enum class Content {
    Compound,     // OLE2 compound files: .doc, .xls, .ppt, .wps, .et, .dps
    OpenDocument, // an OpenDocument package
    Package,      // another zip package: OOXML
    Rtf,
    Markup, // HTML and XML, and text that starts with a tag
    Text,
    Unknown,
};

// What a file's first bytes are.
Content detectContent(const QByteArray &head);

// Nothing when the file may go to the engine, else why not, in the user's language and
// naming the file by displayName.
std::optional<quillary::ControlError> checkDocumentFile(const QString &path,
                                                        const QString &displayName,
                                                        qint64 maxBytes = MaxDocumentBytes);

// The format (an extension LibreOffice writes) for saving a document of this kind under a
// name with this extension; empty when LibreOffice cannot write that kind so.
QString saveFormatForExtension(engineprotocol::DocumentKind kind, const QString &extension);
// The format a loaded file is in: from its name when that names one, else from its content.
QString ownFormat(engineprotocol::DocumentKind kind, const QString &fileName,
                  const QByteArray &head);

// The import filter that reads a file inserted into a text document; empty when there is none
// for its content.
QString insertFilterFor(const QByteArray &head);

// The file dialogs' filters; the save dialog offers the document's own format first.
QString openDialogFilter();
QString saveDialogFilter(engineprotocol::DocumentKind kind, const QString &ownFormat);

} // namespace framer
