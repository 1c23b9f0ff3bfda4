#include "filedialogs.h"

#include <QFileDialog>

namespace platform {

QString QtFileDialogs::openFileName(QWidget *parent, const QString &caption, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString QtFileDialogs::saveFileName(QWidget *parent, const QString &caption,
                                    const QString &suggestedPath, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggestedPath, filter);
}

} // namespace platform
