#include "core/documentmodel.h"

#include <utility>

namespace framer {

void DocumentModel::show(const engineprotocol::reply::DocumentInfo &info)
{
    const bool wasProtected = m_info.isProtected;
    m_info = info;
    m_pageSize = {};
    m_shown = true;
    emit documentChanged();
    if (wasProtected != info.isProtected)
        emit protectionChanged(info.isProtected);
}

void DocumentModel::clear()
{
    const bool wasProtected = std::exchange(m_info, {}).isProtected;
    m_pageSize = {};
    m_shown = false;
    emit documentChanged();
    if (wasProtected)
        emit protectionChanged(false);
}

void DocumentModel::markLost()
{
    m_shown = false;
    emit documentChanged();
}

void DocumentModel::setPart(int part)
{
    if (std::exchange(m_info.part, part) != part)
        emit partChanged(part);
}

void DocumentModel::setSize(qint64 width, qint64 height)
{
    m_info.width = width;
    m_info.height = height;
    emit sizeChanged(size());
}

void DocumentModel::setPageSize(QSize twips)
{
    if (std::exchange(m_pageSize, twips) != twips)
        emit pageSizeChanged(twips);
}

void DocumentModel::setProtected(bool on)
{
    if (std::exchange(m_info.isProtected, on) != on)
        emit protectionChanged(on);
}

void DocumentModel::setReadOnly(bool on)
{
    if (std::exchange(m_readOnly, on) != on)
        emit readOnlyChanged(on);
}

} // namespace framer
