#include "api/documentcontrol_p.h"

#include "core/documentmodel.h"
#include "widgets/tools/controltools.h"
#include "widgets/tools/editingtoolbar.h"
#include "widgets/view/documentview.h"

// How the control shows its document: the tool bar, the zoom, the protection it shows.
namespace quillary {

bool DocumentControl::isProtected() const
{
    return d->model->isProtected();
}

void DocumentControl::setToolBarVisible(bool visible)
{
    if (visible == isToolBarVisible())
        return;
    d->tools->toolBar()->setVisible(visible);
    emit toolBarVisibleChanged(visible);
}

bool DocumentControl::isToolBarVisible() const
{
    return !d->tools->toolBar()->isHidden();
}

void DocumentControl::setZoom(const Zoom &zoom)
{
    d->view->setZoom(zoom);
}

Zoom DocumentControl::zoom() const
{
    return d->view->zoom();
}

} // namespace quillary
