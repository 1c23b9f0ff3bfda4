#include "listbox.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace platform {

QString ListBox::text() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void ListBox::mousePressEvent(QMouseEvent *event)
{
    m_pressedInside = event->button() == Qt::LeftButton;
    QListWidget::mousePressEvent(event);
}

void ListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    const bool chosen = m_pressedInside && event->button() == Qt::LeftButton && currentItem() &&
                        currentItem()->isSelected() &&
                        itemAt(event->position().toPoint()) == currentItem();
    m_pressedInside = false;
    if (chosen)
        emit Click();
}

void ListBox::keyPressEvent(QKeyEvent *event)
{
    const QListWidgetItem *before = currentItem();
    const bool wasSelected = before && before->isSelected();
    QListWidget::keyPressEvent(event);
    const QListWidgetItem *after = currentItem();
    if (after && after->isSelected() && (after != before || !wasSelected))
        emit Click();
}

} // namespace platform
