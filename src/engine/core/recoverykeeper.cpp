#include "recoverykeeper.h"

#include "protectionpolicy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace engineprotocol;

namespace enginecore {

namespace {

Q_LOGGING_CATEGORY(lcRecovery, "quillary.engine.recovery")

// A request that went through without changing anything: refused, not applied, nothing found.
bool changedNothing(const Reply &reply)
{
    if (std::holds_alternative<reply::Error>(reply))
        return true;
    if (const auto *outcome = std::get_if<reply::EditOutcome>(&reply))
        return !outcome->done;
    if (const auto *replaced = std::get_if<reply::Replaced>(&reply))
        return replaced->count == 0;
    return false;
}

// Keys that end editing a cell (Enter, Tab, Escape, up, down) or a text box (Escape).
bool leavesInPlaceEditing(DocumentKind kind, const request::Key &key)
{
    const int code = key.keyCode & 0x0fff;
    if (code == 1281)
        return true;
    return kind == DocumentKind::Spreadsheet &&
           (code == 1280 || code == 1282 || code == 1024 || code == 1025);
}

} // namespace

std::optional<RecoverySchedule::Change> changeOf(const Request &request)
{
    if (!mayChangeDocument(request))
        return std::nullopt;
    // A command's copy would hold up the tiles that show it; the copy follows them.
    if (const auto *uno = std::get_if<request::Uno>(&request))
        return uno->wait ? RecoverySchedule::Change::Command : RecoverySchedule::Change::Input;
    if (std::holds_alternative<request::Paste>(request) ||
        std::holds_alternative<request::Copy>(request) ||
        std::holds_alternative<request::EnterCellText>(request))
        return RecoverySchedule::Change::Command;
    const bool input = std::holds_alternative<request::Key>(request) ||
                       std::holds_alternative<request::Mouse>(request);
    return input ? RecoverySchedule::Change::Input : RecoverySchedule::Change::Edit;
}

RecoveryKeeper::RecoveryKeeper(Writer write, RecoveryTiming timing)
    : m_write(std::move(write)), m_schedule(timing)
{
}

void RecoveryKeeper::keep(const QString &path, const QString &format)
{
    m_path = path;
    m_format = format;
    m_schedule.reset();
}

void RecoveryKeeper::setDocumentKind(DocumentKind kind)
{
    m_kind = kind;
    m_editingInPlace = false;
}

void RecoveryKeeper::handled(const Request &request, const Reply &reply, Clock::time_point now)
{
    const auto *key = std::get_if<request::Key>(&request);
    if (m_kind != DocumentKind::Text && key && key->action == KeyAction::Press)
        m_editingInPlace = !leavesInPlaceEditing(m_kind, *key);
    if (!isKeeping() || changedNothing(reply))
        return;
    const auto change = changeOf(request);
    if (!change)
        return;
    m_schedule.changed(*change, now);
    if (*change == RecoverySchedule::Change::Edit)
        write(now);
}

void RecoveryKeeper::saved(const QString &savedFile, const QString &format)
{
    if (!isKeeping() || format != m_format)
        return;
    m_schedule.savedInOwnFormat();
    // Until the save is confirmed the copy must hold at least what it holds.
    if (m_schedule.needsCopy() && replaceCopy([&](const QString &temporary) {
            QFile::remove(temporary);
            return QFile::copy(savedFile, temporary);
        }))
        m_schedule.written();
}

void RecoveryKeeper::markSaved()
{
    m_schedule.confirmSaved();
    if (isKeeping() && !m_schedule.needsCopy() && QFile::exists(m_path) && !QFile::remove(m_path))
        qCWarning(lcRecovery) << "cannot remove the recovery copy" << m_path;
}

std::optional<RecoveryKeeper::Clock::time_point> RecoveryKeeper::due() const
{
    return isKeeping() && !m_editingInPlace ? m_schedule.due() : std::nullopt;
}

bool RecoveryKeeper::writeIfDue(Clock::time_point now)
{
    const auto when = due();
    return !when || *when > now || write(now);
}

bool RecoveryKeeper::write(Clock::time_point now)
{
    const bool written =
        replaceCopy([this](const QString &temporary) { return m_write(temporary, m_format); });
    if (written)
        m_schedule.written();
    else
        m_schedule.failed(now);
    return written;
}

bool RecoveryKeeper::replaceCopy(const std::function<bool(const QString &)> &produce)
{
    const QFileInfo target(m_path);
    QDir().mkpath(target.absolutePath());
    QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                             QStringLiteral(".XXXXXX.part"));
    if (!temporary.open()) {
        qCWarning(lcRecovery) << "cannot write the recovery copy" << m_path
                              << temporary.errorString();
        return false;
    }
    temporary.close();
    if (!produce(temporary.fileName()) || QFileInfo(temporary.fileName()).size() <= 0) {
        qCWarning(lcRecovery) << "cannot write the recovery copy" << m_path;
        return false;
    }
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(),
                    QFile::encodeName(m_path).constData()) != 0) {
        qCWarning(lcRecovery) << "cannot replace the recovery copy" << m_path
                              << std::strerror(errno);
        return false;
    }
    temporary.setAutoRemove(false);
    return true;
}

} // namespace enginecore
