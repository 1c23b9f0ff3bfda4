#include "hostsite.h"
#include "twips.h"

#include "automation/automationerror.h"

#include <algorithm>
#include <strings.h>

using namespace automation;

namespace platform {

HostSite::HostSite(QWidget *widget, std::shared_ptr<Dispatch> control)
    : m_widget(widget), m_control(std::move(control)), m_width(pixelsToTwips(widget->width())),
      m_height(pixelsToTwips(widget->height()))
{
}

Variant HostSite::invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args)
{
    if (id == siteid::Visible || id == siteid::Width || id == siteid::Height)
        return siteProperty(id, kind, args);
    if (!m_control)
        throw AutomationError(hresult::MemberNotFound, "对象不支持该属性或方法");
    return m_control->invoke(id, kind, args);
}

Variant HostSite::siteProperty(DispId id, InvokeKind kind, const std::vector<Variant> &args)
{
    if (!m_widget)
        throw AutomationError(hresult::Fail, "控件已被销毁");
    if (kind == InvokeKind::Method)
        throw AutomationError(hresult::MemberNotFound, "该成员是属性，不是方法");

    if (kind == InvokeKind::PropertyGet) {
        requireArgCount(args, 0);
        if (id == siteid::Visible)
            return Variant::boolean(!m_widget->isHidden());
        return Variant::r4(id == siteid::Width ? m_width : m_height);
    }

    requireArgCount(args, 1);
    if (id == siteid::Visible) {
        m_widget->setVisible(args[0].toBool());
        return {};
    }
    const double value = args[0].toDouble();
    if (value < 0 || value > 1.0e7)
        throw AutomationError(hresult::InvalidArgument, "无效的属性值");
    const float twips = static_cast<float>(value);
    if (id == siteid::Width) {
        m_width = twips;
        m_widget->resize(twipsToPixels(twips), m_widget->height());
    } else {
        m_height = twips;
        m_widget->resize(m_widget->width(), twipsToPixels(twips));
    }
    return {};
}

DispId HostSite::idOfName(std::string_view name)
{
    const std::string key(name);
    if (strcasecmp(key.c_str(), "Visible") == 0)
        return siteid::Visible;
    if (strcasecmp(key.c_str(), "Width") == 0)
        return siteid::Width;
    if (strcasecmp(key.c_str(), "Height") == 0)
        return siteid::Height;
    if (!m_control)
        throw unknownName(name);
    return m_control->idOfName(name);
}

} // namespace platform
