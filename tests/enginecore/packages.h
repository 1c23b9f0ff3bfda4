#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Zip packages made for the tests, as an office program would write them.
namespace testpackages {

using Entries = QList<QPair<QString, QByteArray>>;

// Writes a zip package with entries in order; false when it could not.
bool writePackage(const QString &path, const Entries &entries);

// Word settings as LibreOffice writes them, with extra put just before the closing tag.
QByteArray wordSettings(const QByteArray &extra = {});
// A minimal .docx with the given settings.
Entries wordPackage(const QByteArray &settings);
// OpenDocument text settings with the given configuration items.
QByteArray openDocumentSettings(const QByteArray &items);
Entries openDocumentPackage(const QByteArray &settings);

} // namespace testpackages
