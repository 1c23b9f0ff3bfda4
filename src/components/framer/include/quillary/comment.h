#pragma once

#include <QDateTime>
#include <QString>

namespace quillary {

// A comment in a text document, made in the control or in the file before (Word, LibreOffice):
// who wrote it, when, and what; an answer names the comment it answers.
struct Comment
{
    // Names the comment for replyToComment(), editComment(), deleteComment() and
    // goToComment() while the document stays loaded.
    int id = 0;
    // The comment this one answers; 0 for none.
    int parentId = 0;
    QString author;
    // Local time; invalid when the file gave none.
    QDateTime time;
    QString text;
};

} // namespace quillary
