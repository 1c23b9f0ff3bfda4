#pragma once

#include <QByteArray>
#include <QString>

// The long text documents the benchmarks open, written as flat OpenDocument text.
namespace benchdocuments {

// A document of the given paragraphs (<text:p> elements); a paragraph of style "Break" starts
// a new page.
QByteArray flatText(const QString &paragraphs);
// Writes flatText(paragraphs) to path; false when the file cannot be written whole.
bool writeFlatText(const QString &path, const QString &paragraphs);

} // namespace benchdocuments
