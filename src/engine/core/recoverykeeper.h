#pragma once

#include "enginemessages.h"
#include "recoveryschedule.h"

#include <QString>

#include <functional>
#include <optional>

namespace enginecore {

// Keeps the loaded document's recovery copy where the control asked: written when the
// schedule says, always whole (written beside the copy, then renamed over it), and removed once
// a confirmed save holds every change.
class RecoveryKeeper
{
public:
    using Clock = RecoverySchedule::Clock;
    // Writes the document to path in format; false when it could not.
    using Writer = std::function<bool(const QString &path, const QString &format)>;

    explicit RecoveryKeeper(Writer write, RecoveryTiming timing = {});

    // Keeps the copy at path from now on (empty: none); the document as it is counts as kept.
    void keep(const QString &path, const QString &format);
    // The document is gone: no copy is kept for it any longer. The file stays for its owner.
    void stop() { keep({}, {}); }
    bool isKeeping() const { return !m_path.isEmpty(); }
    // Spreadsheets and slides are edited in place, a cell or a text box at a time, and
    // LibreOffice ends that editing when it saves (a half typed cell would be entered, and the
    // next key would start it afresh): typing there is copied only once the user has left it.
    void setDocumentKind(engineprotocol::DocumentKind kind);
    const QString &path() const { return m_path; }

    // Notes what a handled request changed; an editing operation is copied before this returns.
    void handled(const engineprotocol::Request &request, const engineprotocol::Reply &reply,
                 Clock::time_point now);
    // The document was saved to savedFile in format: in its own format, the save is the copy.
    void saved(const QString &savedFile, const QString &format);
    // The last save in its own format reached its destination.
    void markSaved();

    // When the next copy is due; nothing while none is.
    std::optional<Clock::time_point> due() const;
    // Writes the copy when it is due at now; false when writing failed.
    bool writeIfDue(Clock::time_point now);

private:
    bool write(Clock::time_point now);
    bool replaceCopy(const std::function<bool(const QString &temporary)> &produce);

    Writer m_write;
    RecoverySchedule m_schedule;
    QString m_path;
    QString m_format;
    engineprotocol::DocumentKind m_kind = engineprotocol::DocumentKind::Text;
    bool m_editingInPlace = false;
};

// What a request that went through changes in the document, if anything.
std::optional<RecoverySchedule::Change> changeOf(const engineprotocol::Request &request);

} // namespace enginecore
