#include "dispatcharguments.h"

#include "automation/automationerror.h"

using namespace automation;

namespace framerdispatch {

void raise(std::int32_t number, const QString &description)
{
    throw AutomationError(number, description.toStdString());
}

void raise(const quillary::ControlError &error)
{
    raise(error.code == quillary::ControlError::InvalidArgument ? hresult::InvalidArgument
                                                                : hresult::Fail,
          error.message);
}

QString stringArgument(const Variant &argument, const char *member)
{
    const Variant &value = argument.dereferenced();
    if (value.type() == VarType::Empty)
        return {};
    if (value.type() != VarType::Bstr)
        raise(hresult::TypeMismatch,
              QStringLiteral("%1 的参数应为字符串，实际为 %2")
                  .arg(QLatin1String(member), QLatin1String(varTypeName(value.type()))));
    return QString::fromStdString(value.asBstr());
}

QString requiredString(const std::vector<Variant> &args, std::size_t index, const char *member,
                       const char *parameter)
{
    if (index >= args.size() || args[index].dereferenced().isEmpty())
        raise(
            hresult::BadParamCount,
            QStringLiteral("%1 缺少参数 %2").arg(QLatin1String(member), QLatin1String(parameter)));
    return stringArgument(args[index], member);
}

} // namespace framerdispatch
