#pragma once

#include "commandrunner.h"
#include "documentbackend.h"
#include "enginemessages.h"

#include <QString>

// The engine's editing requests on a text document (replace, bookmarks, pictures, inserted
// files) and the export of a spreadsheet's active sheet. LibreOffice runs commands
// asynchronously and its success flags are unreliable, so each judges by the effect it can
// observe. The caller has checked the document's kind and protection.
namespace enginecore {

struct EditContext
{
    DocumentBackend &document;
    CommandRunner &commands;
    // For probe files.
    QString workFolder;
};

engineprotocol::Reply replaceText(EditContext &context,
                                  const engineprotocol::request::Replace &request);
engineprotocol::Reply addBookmark(EditContext &context,
                                  const engineprotocol::request::AddBookmark &request);
engineprotocol::Reply insertPicture(EditContext &context,
                                    const engineprotocol::request::InsertPicture &request);
engineprotocol::Reply insertFile(EditContext &context,
                                 const engineprotocol::request::InsertFile &request);

engineprotocol::reply::SheetList sheetList(EditContext &context);
// LibreOffice exports every visible sheet, so the others are hidden for the export and the
// hiding undone afterwards; edited says whether the document was changed before, else it is
// marked unmodified again.
engineprotocol::Reply exportActiveSheet(EditContext &context,
                                        const engineprotocol::request::ExportSheet &request,
                                        bool edited);

} // namespace enginecore
