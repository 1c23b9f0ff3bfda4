#pragma once

#include "automation/dispatch.h"
#include "controldispids.h"
#include "siteids.h"

#include <QString>

#include <memory>

namespace clientcore {

// A typed proxy over the hosted control: each operation is exactly one late-bound call.
class QuillaryControl
{
public:
    explicit QuillaryControl(std::shared_ptr<automation::Dispatch> control)
        : m_control(std::move(control))
    {
    }

    std::shared_ptr<automation::Dispatch> DocumentObject();
    // source: a string, or a by-reference variant holding one.
    void OpenDocument(const automation::Variant &source);
    void SaveDocument(const QString &url);
    void HandSign();
    void CloseDocument();
    void ShowFileDialog(std::int32_t kind);
    QString DocumentName();
    bool InsertFile(const QString &path, std::int32_t flags);
    bool MarkCommand(const QString &mark, const QString &value, const QString &keyword);
    void ProtectDocument(std::int32_t protect, std::int32_t mode, const QString &password);
    void ReplaceText(const QString &find, const QString &replacement, std::int32_t flags);
    // target: a string, or a by-reference variant holding one.
    void DownloadFile(const automation::Variant &target, const QString &url);

    void setVisible(bool visible);
    void setWidth(float twips);
    void setHeight(float twips);

    automation::Dispatch &dispatch() { return *m_control; }

private:
    automation::Variant call(automation::DispId id, automation::InvokeKind kind,
                             const std::vector<automation::Variant> &args = {});

    std::shared_ptr<automation::Dispatch> m_control;
};

// A string argument as the control receives it.
automation::Variant bstr(const QString &text);

} // namespace clientcore
