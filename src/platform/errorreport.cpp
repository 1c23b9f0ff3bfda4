#include "errorreport.h"
#include "messagebox.h"

#include "automation/automationerror.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcErrorReport, "quillary.platform.errors")

namespace platform {

QString ErrorReport::format(std::int32_t number, const QString &description)
{
    const auto hex = QString::number(static_cast<std::uint32_t>(number), 16).toUpper();
    return QStringLiteral("实时错误 '%1 (%2)':\n\n%3").arg(number).arg(hex, description);
}

bool ErrorReport::run(const std::function<void()> &handler) noexcept
{
    QString text;
    try {
        handler();
        return true;
    } catch (const automation::AutomationError &error) {
        text = format(error.number(), QString::fromStdString(error.description()));
    } catch (const std::exception &error) {
        text = format(automation::hresult::Fail, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        text = format(automation::hresult::Fail, QStringLiteral("未知错误"));
    }
    qCWarning(lcErrorReport).noquote() << text;
    try {
        m_messages.MsgBox(text, vbOKOnly);
    } catch (...) {
        qCWarning(lcErrorReport) << "could not show the error message";
    }
    return false;
}

} // namespace platform
