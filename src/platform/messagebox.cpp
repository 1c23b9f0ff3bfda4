#include "messagebox.h"
#include "application.h"

#include <QMessageBox>

namespace platform {

void QtMessageSink::MsgBox(const QString &text, int style)
{
    const auto icon = (style & vbInformation) ? QMessageBox::Information : QMessageBox::NoIcon;
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok, m_parent);
    box.setAccessibleName(applicationTitle());
    box.exec();
}

} // namespace platform
