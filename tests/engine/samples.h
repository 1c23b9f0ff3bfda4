#pragma once

#include <QString>

namespace testsamples {

// Sample documents made by LibreOffice from sources written here, converted once into a
// cache in the build tree and reused by later test processes.
struct Sample
{
    QString path;
    int expectedParts;
    QString kind; // the engine's name of the document kind
};

// format: "doc", "docx", "odt", "xls", "xlsx", "ppt", "pptx". Empty path when LibreOffice
// could not convert.
Sample sample(const QString &format);

// A private folder for one test's files (under the build tree, removed with it).
QString cacheDir();

} // namespace testsamples
