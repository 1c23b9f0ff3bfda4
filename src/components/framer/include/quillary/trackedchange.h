#pragma once

#include <QDateTime>
#include <QString>

namespace quillary {

// A change recorded in a text document, by the control's user or by whoever edited the file
// before (Word, LibreOffice): who made it, when, what kind and a short excerpt of its text.
struct TrackedChange
{
    enum class Kind { Insertion, Deletion, Formatting, Other };

    // Names the change for goToChange(), acceptChange() and rejectChange() while the document
    // stays loaded.
    int id = 0;
    Kind kind = Kind::Other;
    QString author;
    // Local time; invalid when the file gave none.
    QDateTime time;
    QString excerpt;
};

} // namespace quillary
