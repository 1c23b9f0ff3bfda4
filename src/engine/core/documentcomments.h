#pragma once

#include "commandrunner.h"
#include "documentbackend.h"
#include "enginemessages.h"

// Comments of a text document: their list, and inserting, answering, editing, deleting and
// going to them through LibreOffice's own commands, under the author the engine was given.
namespace enginecore {

// The comments in LibreOffice's JSON for .uno:ViewAnnotations ({"comments": [...]}, from
// Impress {"comments": {"comment1": ...}}), in document order (Impress: in the order they were
// made); entries without a usable id are left out.
QList<engineprotocol::Comment> parseComments(const QByteArray &json);

engineprotocol::Reply comments(DocumentBackend &document);
// author: the name new comments and answers go under (Calc does not take the view's). A
// spreadsheet's cell comments take no answers.
engineprotocol::Reply commentAction(CommandRunner &commands, DocumentBackend &document,
                                    const engineprotocol::request::CommentAction &request,
                                    engineprotocol::DocumentKind kind, const QString &author);

} // namespace enginecore
