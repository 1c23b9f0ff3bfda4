#pragma once

#include "automation/dispatch.h"

#include <QPointer>
#include <QString>

namespace quillary {
class DocumentControl;
}

namespace framerdispatch {

// The document control as its host calls it: late bound, by the dispatch ids of the
// contract, with Windows-style paths where a drive letter c: means the user's drive-C folder
// (made on demand for the files the control writes there). Each member is one call of the
// control's typed API; its failures become automation errors.
class ControlDispatch : public automation::Dispatch
{
public:
    ControlDispatch(quillary::DocumentControl *control, QString driveCRoot);

    automation::Variant invoke(automation::DispId id, automation::InvokeKind kind,
                               const std::vector<automation::Variant> &args) override;
    automation::DispId idOfName(std::string_view name) override;

private:
    struct Member;
    // The one table of the members: name, id, kind and handler.
    static const std::vector<Member> &members();

    quillary::DocumentControl &control() const;
    // A Windows-style path on this host; raises for another drive.
    QString hostPath(const QString &path) const;
    // Like hostPath, but an unusable path is empty (the member then gives False).
    QString hostPathOrNothing(const QString &path) const;
    // Nothing for success, False for an edit that did not apply; raises otherwise.
    automation::Variant outcome(bool done) const;

    automation::Variant documentObject(const std::vector<automation::Variant> &args);
    automation::Variant openDocument(const std::vector<automation::Variant> &args);
    automation::Variant saveDocument(const std::vector<automation::Variant> &args);
    automation::Variant handSign(const std::vector<automation::Variant> &args);
    automation::Variant closeDocument(const std::vector<automation::Variant> &args);
    automation::Variant showFileDialog(const std::vector<automation::Variant> &args);
    automation::Variant documentName(const std::vector<automation::Variant> &args);
    automation::Variant insertFile(const std::vector<automation::Variant> &args);
    automation::Variant markCommand(const std::vector<automation::Variant> &args);
    automation::Variant protectDocument(const std::vector<automation::Variant> &args);
    automation::Variant replaceText(const std::vector<automation::Variant> &args);
    automation::Variant downloadFile(const std::vector<automation::Variant> &args);

    QPointer<quillary::DocumentControl> m_control;
    QString m_driveC;
};

} // namespace framerdispatch
