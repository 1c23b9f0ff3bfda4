#pragma once

#include <quillary/quillary_control_export.h>

#include <QString>

class QWidget;

namespace quillary {

// The answers of the control's open and save dialogs. The control uses Qt's file dialogs
// unless its host answers them itself (tests do). An empty answer means cancelled.
class QUILLARY_CONTROL_EXPORT FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    virtual QString openFileName(QWidget *parent, const QString &caption,
                                 const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &caption,
                                 const QString &suggestedPath, const QString &filter) = 0;
};

} // namespace quillary
