#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Document protection as the files themselves carry it, so a protected document opens
// protected again here and in other office programs. Word: an enforced
// w:documentProtection w:edit="readOnly" in word/settings.xml. OpenDocument text: the
// LoadReadonly setting in settings.xml. Word's other kinds of protection (forms, comments,
// tracked changes) are LibreOffice's to keep. Word 97 files carry none: LibreOffice 7.4 writes
// no protection into them and the engine cannot add it.
namespace enginecore {

// Whether Word settings XML protect the document read-only.
bool wordSettingsProtected(const QByteArray &settings);
// The settings with one enforced read-only protection at its place in the schema's order
// (on), or with no read-only protection (off); nothing when they are no Word settings.
std::optional<QByteArray> withWordProtection(const QByteArray &settings, bool on);

// Whether OpenDocument settings XML open the document read-only.
bool openDocumentSettingsProtected(const QByteArray &settings);
// The settings with LoadReadonly on or off; nothing when they are no OpenDocument settings.
std::optional<QByteArray> withOpenDocumentProtection(const QByteArray &settings, bool on);

// Whether the file at path carries protection. With strip, a file that does has it taken out
// (LibreOffice would otherwise hold the document read-only, and the engine decides protection).
bool takeProtection(const QString &path, bool strip);
// Writes protection on or off into the file at path when its format carries it; false, with
// the reason in error, when it cannot. Other files are left as they are.
bool writeProtection(const QString &path, bool on, QString *error);

} // namespace enginecore
