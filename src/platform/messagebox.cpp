#include "messagebox.h"
#include "application.h"

#include <QMessageBox>
#include <QPushButton>

namespace platform {

void QtMessageSink::MsgBox(const QString &text, int style)
{
    const auto icon = (style & vbInformation) ? QMessageBox::Information : QMessageBox::NoIcon;
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok, m_parent);
    box.setAccessibleName(applicationTitle());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

} // namespace platform
