#pragma once

#include "automation/dispatch.h"
#include "siteids.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace platform {

// The site a window hosts a control in. It answers Visible, Width and Height (twips) itself
// and passes every other member on to the control, so callers see one object.
class HostSite : public automation::Dispatch
{
public:
    explicit HostSite(QWidget *widget, std::shared_ptr<automation::Dispatch> control = {});

    automation::Variant invoke(automation::DispId id, automation::InvokeKind kind,
                               const std::vector<automation::Variant> &args) override;
    automation::DispId idOfName(std::string_view name) override;

    QWidget *widget() const { return m_widget; }

private:
    automation::Variant siteProperty(automation::DispId id, automation::InvokeKind kind,
                                     const std::vector<automation::Variant> &args);

    QPointer<QWidget> m_widget;
    std::shared_ptr<automation::Dispatch> m_control;
    // Kept in twips so a value put is read back unchanged, whatever the pixel rounding.
    float m_width;
    float m_height;
};

} // namespace platform
