#pragma once

#include <QString>

class QWidget;

namespace platform {

// The answers of the open and save file dialogs; tests answer them without a dialog.
// An empty result means the user cancelled.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    virtual QString openFileName(QWidget *parent, const QString &caption,
                                 const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &caption,
                                 const QString &suggestedPath, const QString &filter) = 0;
};

class QtFileDialogs : public FileDialogs
{
public:
    QString openFileName(QWidget *parent, const QString &caption, const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &suggestedPath,
                         const QString &filter) override;
};

} // namespace platform
