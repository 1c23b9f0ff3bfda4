#pragma once

#include <QString>

namespace enginecore {

// Whether the document at path names content kept elsewhere that LibreOffice would fetch or
// update on its behalf: linked pictures and objects, linked sections and fields, remote
// stylesheets and images of HTML, links to other workbooks, web-service formulas. Hyperlinks
// are not such content: nothing follows them until the user does.
bool namesExternalContent(const QString &path);

} // namespace enginecore
