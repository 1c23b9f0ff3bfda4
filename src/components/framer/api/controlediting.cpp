#include "api/documentcontrol_p.h"

#include "core/controlfailure.h"
#include "core/documenteditor.h"
#include "widgets/signature/signaturepad.h"

#include <QDir>

using namespace engineprotocol;

// The document control's edits: each runs through the editor and reports as the other calls do.
namespace quillary {

namespace {

// An edit that did not apply: false, and why, without the failure signal.
bool notApplied(const reply::EditOutcome &outcome)
{
    if (!outcome.done)
        throw framer::ControlFailure{{ControlError::NotApplied, outcome.reason}};
    return true;
}

} // namespace

bool DocumentControl::replaceText(const QString &find, const QString &replacement,
                                  Qt::CaseSensitivity cs)
{
    return d->attempt([&] {
        d->editor->replaceText(find, replacement, cs == Qt::CaseSensitive);
        return true;
    });
}

bool DocumentControl::setBookmark(const QString &name)
{
    return d->attempt([&] { return notApplied(d->editor->setBookmark(name)); });
}

bool DocumentControl::insertPicture(const QString &bookmark, const QString &pathOrAddress,
                                    PicturePlacement placement)
{
    return d->attempt([&] {
        return notApplied(d->editor->insertPicture(bookmark, pathOrAddress,
                                                   placement == PicturePlacement::Floating));
    });
}

bool DocumentControl::insertFile(const QString &path)
{
    return d->attempt([&] { return notApplied(d->editor->insertFile(path)); });
}

bool DocumentControl::setProtected(bool on)
{
    return d->attempt([&] {
        d->editor->setProtected(on);
        return true;
    });
}

bool DocumentControl::captureSignature(const QString &path)
{
    return d->attempt([&] {
        // The pad belongs to the window that hosts the control at the time of the call.
        framer::SignatureDialog dialog(window());
        if (dialog.exec() != QDialog::Accepted)
            return true; // cancelled: an older signature stays as it was
        QString error;
        if (!framer::writeBmpAtomically(dialog.pad()->signatureImage(), path, &error))
            framer::fail(QStringLiteral("无法保存签名到“%1”：%2")
                             .arg(QDir::toNativeSeparators(path), error));
        return true;
    });
}

} // namespace quillary
