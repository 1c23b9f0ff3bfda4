#pragma once

#include <QString>

// The documents the latency benchmark edits, written as flat OpenDocument files.
namespace latencydocuments {

// Text of pages pages, twelve paragraphs each; false when it cannot be written.
bool writeText(const QString &path, int pages);
// A workbook of three sheets of numbers.
bool writeSheets(const QString &path);
// A presentation of three slides with a title each.
bool writeSlides(const QString &path);

} // namespace latencydocuments
