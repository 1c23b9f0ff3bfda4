#pragma once

#include "enginemessages.h"

#include <QString>

namespace framer {

class ControlSession;

// The edits of a text document the control offers, over its session. Each fails (throws a
// ControlFailure) when it cannot run at all; an edit whose subject is missing (a bookmark, a
// picture, a file) or whose document is protected comes back not done, with the reason.
class DocumentEditor
{
public:
    explicit DocumentEditor(ControlSession &session) : m_session(session) {}

    void replaceText(const QString &find, const QString &replacement, bool matchCase);
    engineprotocol::reply::EditOutcome setBookmark(const QString &name);
    // source: a local path, or an http(s) address fetched first.
    engineprotocol::reply::EditOutcome insertPicture(const QString &mark, const QString &source,
                                                     bool floating);
    engineprotocol::reply::EditOutcome insertFile(const QString &path);
    // The protection the engine has now.
    bool setProtected(bool on);

    // What an edit of a document of another kind comes to.
    static engineprotocol::reply::EditOutcome textOnly();

private:
    ControlSession &m_session;
};

} // namespace framer
