#pragma once

#include "automation/dispatch.h"

#include <QWidget>

namespace framer {

// The control's dispatch ids, as the client calls them.
namespace dispid {
constexpr automation::DispId DocumentObject = 0x10002;
constexpr automation::DispId OpenDocument = 0x10004;
constexpr automation::DispId SaveDocument = 0x10005;
constexpr automation::DispId HandSign = 0x10007;
constexpr automation::DispId CloseDocument = 0x10009;
constexpr automation::DispId ShowFileDialog = 0x1000E;
constexpr automation::DispId DocumentName = 0x10015;
constexpr automation::DispId InsertFile = 0x10072;
constexpr automation::DispId MarkCommand = 0x10086;
constexpr automation::DispId ProtectDocument = 0x10087;
constexpr automation::DispId ReplaceText = 0x10101;
constexpr automation::DispId DownloadFile = 0x10109;
} // namespace dispid

// The document control: a widget that shows the hosted document and the dispatch table
// through which its host drives it.
class FramerControl : public QWidget, public automation::Dispatch
{
    Q_OBJECT
public:
    explicit FramerControl(QWidget *parent = nullptr);
    ~FramerControl() override;

    automation::Variant invoke(automation::DispId id, automation::InvokeKind kind,
                               const std::vector<automation::Variant> &args) override;
    automation::DispId idOfName(std::string_view name) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    [[noreturn]] void notImplemented(std::string_view member) const;
};

} // namespace framer
