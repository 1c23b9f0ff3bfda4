#include "arguments.h"

#include "automation/automationerror.h"

using namespace automation;

namespace framer {

void fail(std::int32_t number, const QString &description)
{
    throw AutomationError(number, description.toStdString());
}

QString stringArgument(const Variant &argument, const char *member)
{
    const Variant &value = argument.dereferenced();
    if (value.type() == VarType::Empty)
        return {};
    if (value.type() != VarType::Bstr)
        fail(hresult::TypeMismatch,
             QStringLiteral("%1 的参数应为字符串，实际为 %2")
                 .arg(QLatin1String(member), QLatin1String(varTypeName(value.type()))));
    return QString::fromStdString(value.asBstr());
}

bool isWebAddress(const QString &source)
{
    return source.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           source.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

} // namespace framer
