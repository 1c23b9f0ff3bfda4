#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace framer {

// Bigger files are refused before they reach the office engine.
constexpr qint64 DefaultMaxDocumentBytes = 200LL * 1024 * 1024;

enum class FileSignature {
    Zip,  // OOXML and OpenDocument packages
    Ole2, // compound files: .doc, .xls, .ppt, .wps, .et, .dps
    Rtf,
    Markup, // HTML and XML documents
    Text,
    Unknown,
};

// Judges the first bytes of a file.
FileSignature detectSignature(QByteArrayView head);

// Nothing when the file may go to the engine, else a short description of why not
// (in the user's language, naming the file by displayName).
std::optional<QString> checkDocumentFile(const QString &path, const QString &displayName,
                                         qint64 maxBytes = DefaultMaxDocumentBytes);

} // namespace framer
