#pragma once

#include "core/headerlayout.h"

#include <QWidget>

namespace framer {

// A spreadsheet's column or row header: the labels of the columns or rows the view shows, each
// over or beside its cells, the current cell's one marked. It only shows what it is given;
// screen readers see it as a column or row header whose value is the labels in sight.
class HeaderBar : public QWidget
{
    Q_OBJECT

public:
    HeaderBar(Qt::Orientation orientation, QWidget *parent = nullptr);

    Qt::Orientation orientation() const { return m_orientation; }
    void setSections(const QList<HeaderSection> &sections);
    const QList<HeaderSection> &sections() const { return m_sections; }
    // The current cell's column or row, between two pixels of the bar; empty for none.
    void setCurrent(int start, int end);
    // The labels in sight, separated by spaces.
    QString labels() const;
    // How thick the bar must be for these labels: a row bar's width, a column bar's height.
    int thicknessFor(const QStringList &labels) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::Orientation m_orientation;
    QList<HeaderSection> m_sections;
    int m_currentStart = 0;
    int m_currentEnd = 0;
};

} // namespace framer
