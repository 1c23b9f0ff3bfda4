#pragma once

#include <QListWidget>

namespace platform {

// A list box whose Click is the user's choice of an entry: a mouse click that ends on an entry
// (the selected one included) or a key that moves the selection. Focus changes and filling or
// clearing the list never raise it.
class ListBox : public QListWidget
{
    Q_OBJECT
public:
    using QListWidget::QListWidget;

    // The text of the selected entry, empty when none is selected.
    QString text() const;

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_pressedInside = false;
};

} // namespace platform
