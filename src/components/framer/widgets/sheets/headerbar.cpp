#include "widgets/sheets/headerbar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

namespace framer {

namespace {

class AccessibleHeaderBar : public QAccessibleWidget
{
public:
    explicit AccessibleHeaderBar(HeaderBar *bar)
        : QAccessibleWidget(bar, bar->orientation() == Qt::Horizontal ? QAccessible::ColumnHeader
                                                                      : QAccessible::RowHeader)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return static_cast<const HeaderBar *>(widget())->labels();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *accessibleHeaderBar(const QString &className, QObject *object)
{
    if (className == QLatin1String("framer::HeaderBar") && object->isWidgetType())
        return new AccessibleHeaderBar(static_cast<HeaderBar *>(object));
    return nullptr;
}

constexpr int Padding = 4;

} // namespace

HeaderBar::HeaderBar(Qt::Orientation orientation, QWidget *parent)
    : QWidget(parent), m_orientation(orientation)
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleHeaderBar);
        return true;
    }();
    Q_UNUSED(installed);
    setAccessibleName(orientation == Qt::Horizontal ? QStringLiteral("列标")
                                                    : QStringLiteral("行号"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void HeaderBar::setSections(const QList<HeaderSection> &sections)
{
    if (sections == m_sections)
        return;
    m_sections = sections;
    update();
}

void HeaderBar::setCurrent(int start, int end)
{
    if (start == m_currentStart && end == m_currentEnd)
        return;
    m_currentStart = start;
    m_currentEnd = end;
    update();
}

QString HeaderBar::labels() const
{
    QStringList labels;
    for (const HeaderSection &section : m_sections)
        labels << section.label;
    return labels.join(QLatin1Char(' '));
}

int HeaderBar::thicknessFor(const QStringList &labels) const
{
    if (m_orientation == Qt::Horizontal)
        return fontMetrics().height() + 2 * Padding;
    // At least three digits' room, so the first rows of a sheet do not make it jump soon.
    int widest = fontMetrics().horizontalAdvance(QStringLiteral("999"));
    for (const QString &label : labels)
        widest = std::max(widest, fontMetrics().horizontalAdvance(label));
    return widest + 4 * Padding;
}

void HeaderBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor face = palette().color(QPalette::Button);
    const QColor line = face.darker(130);
    painter.fillRect(rect(), face);
    const bool horizontal = m_orientation == Qt::Horizontal;
    const auto band = [&](int start, int end) {
        return horizontal ? QRect(start, 0, end - start, height())
                          : QRect(0, start, width(), end - start);
    };
    if (m_currentEnd > m_currentStart)
        painter.fillRect(band(m_currentStart, m_currentEnd), palette().color(QPalette::Midlight));
    painter.setPen(palette().color(QPalette::ButtonText));
    for (const HeaderSection &section : m_sections) {
        const QRect cell = band(section.start, section.end);
        painter.drawText(cell, Qt::AlignCenter, section.label);
        painter.save();
        painter.setPen(line);
        if (horizontal)
            painter.drawLine(cell.topRight(), cell.bottomRight());
        else
            painter.drawLine(cell.bottomLeft(), cell.bottomRight());
        painter.restore();
    }
    painter.setPen(line);
    if (horizontal)
        painter.drawLine(0, height() - 1, width(), height() - 1);
    else
        painter.drawLine(width() - 1, 0, width() - 1, height());
}

} // namespace framer
