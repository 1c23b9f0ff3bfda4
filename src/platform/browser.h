#pragma once

#include "automation/dispatch.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace platform {

// The embedded web browser as the client sees it: navigation, the loaded page as an automation
// object, and the document-complete event.
class Browser : public automation::Dispatch
{
public:
    static constexpr automation::DispId DispidNavigate2 = 500;
    static constexpr automation::DispId DispidDocument = 203;

    // pDisp: the frame or window that finished loading; url: its address.
    using DocumentCompleteHandler =
        std::function<void(const automation::Variant &pDisp, const automation::Variant &url)>;

    virtual QWidget *widget() = 0;
    virtual void setDocumentCompleteHandler(DocumentCompleteHandler handler) = 0;

    void Navigate2(const QString &url);
    std::shared_ptr<automation::Dispatch> Document();
};

inline void Browser::Navigate2(const QString &url)
{
    invoke(DispidNavigate2, automation::InvokeKind::Method,
           {automation::Variant::bstr(url.toStdString())});
}

inline std::shared_ptr<automation::Dispatch> Browser::Document()
{
    return invoke(DispidDocument, automation::InvokeKind::PropertyGet, {})
        .dereferenced()
        .asDispatch();
}

} // namespace platform
