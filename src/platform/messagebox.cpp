#include "messagebox.h"
#include "application.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

// The title bar's icon and its three buttons, with their margins.
constexpr int TitleBarControlsWidth = 120;

// As on the desktop this program imitates, a message box is never narrower than its caption
// needs: a short message would otherwise leave the window manager only "…" to show.
void fitCaption(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    const int width =
        box.fontMetrics().horizontalAdvance(box.windowTitle()) + TitleBarControlsWidth;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void QtMessageSink::MsgBox(const QString &text, int style)
{
    const auto icon = (style & vbInformation) ? QMessageBox::Information : QMessageBox::NoIcon;
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok, m_parent);
    box.setAccessibleName(applicationTitle());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    fitCaption(box);
    box.exec();
}

} // namespace platform
