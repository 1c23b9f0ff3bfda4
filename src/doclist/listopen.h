#pragma once

#include <QString>

#include <optional>

namespace clientcore {
struct CommandContext;
}

namespace doclist {

// The document id of a list entry: the text after the last "=" of the part before the first run
// of three spaces; nothing when that part does not name an edit page.
std::optional<QString> documentIdOfEntry(const QString &entry);

QString openAddress(const QString &serverBase, const QString &id);
QString saveAddress(const QString &serverBase, const QString &id);

// A click on a list entry: shows the control, then opens the entry's document and remembers its
// upload address, unless an open from the list is still in progress.
void openListEntry(clientcore::CommandContext &context, const QString &entry);

} // namespace doclist
