#pragma once

#include "enginemessages.h"

#include <optional>

namespace enginecore {

// Whether the document may be changed, decided here alone: the control only shows it. A
// protected document still takes what reads it: moving the cursor, clicks, selecting,
// copying, finding. Protection lasts until lifted or the document is closed; saved Word and
// OpenDocument text files carry it (documentprotection.h). A document shown read-only is
// refused the same changes, but that is the control's setting: it outlasts the document and
// no file carries it.
class ProtectionPolicy
{
public:
    // A newly loaded or closed document: unprotected and unedited.
    void reset();
    void setProtected(bool on) { m_protected = on; }
    bool isProtected() const { return m_protected; }
    void setReadOnly(bool on) { m_readOnly = on; }
    bool isReadOnly() const { return m_readOnly; }
    // Whether anything may have changed the document since it was loaded.
    bool wasEdited() const { return m_edited; }

    // The answer that refuses request, or nothing when it may go to the document. Requests
    // that pass and may change the document count as edits.
    std::optional<engineprotocol::Reply> refusal(const engineprotocol::Request &request);

private:
    bool m_protected = false;
    bool m_readOnly = false;
    bool m_edited = false;
};

// Whether request may change the document: typing, drags, editing commands and operations,
// protection itself. Moving the cursor, clicks, finding, copying and drawing only read it.
bool mayChangeDocument(const engineprotocol::Request &request);

} // namespace enginecore
