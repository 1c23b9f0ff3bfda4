#pragma once

#include <QString>

#include <optional>

namespace framer {

// A cell or a range as typed into a spreadsheet's address box ("b3", " $B$3", "a1:c5"), in
// capitals and without spaces; nothing when it is neither. Columns run from A to XFD and rows
// from 1 to 1048576, as far as a sheet reaches.
std::optional<QString> normalizedCellAddress(const QString &typed);

} // namespace framer
