#include "automationerror.h"
#include "dispatch.h"
#include "variant.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace automation {

AutomationError::AutomationError(std::int32_t number, std::string description)
    : std::runtime_error(description), m_number(number), m_description(std::move(description))
{
}

const char *varTypeName(VarType type)
{
    switch (type) {
    case VarType::Empty:
        return "VT_EMPTY";
    case VarType::Bstr:
        return "VT_BSTR";
    case VarType::I2:
        return "VT_I2";
    case VarType::I4:
        return "VT_I4";
    case VarType::R4:
        return "VT_R4";
    case VarType::Bool:
        return "VT_BOOL";
    case VarType::Dispatch:
        return "VT_DISPATCH";
    case VarType::ByRef:
        return "VT_BYREF|VT_VARIANT";
    }
    return "?";
}

const char *invokeKindName(InvokeKind kind)
{
    switch (kind) {
    case InvokeKind::Method:
        return "method";
    case InvokeKind::PropertyGet:
        return "propget";
    case InvokeKind::PropertyPut:
        return "propput";
    }
    return "?";
}

namespace {

AutomationError typeMismatch(VarType have, const char *wanted)
{
    return AutomationError(hresult::TypeMismatch, std::string("类型不匹配：需要 ") + wanted +
                                                      "，实际为 " + varTypeName(have));
}

} // namespace

Variant Variant::bstr(std::string utf8)
{
    return Variant(Value(std::move(utf8)));
}
Variant Variant::i2(std::int16_t value)
{
    return Variant(Value(I2Value{value}));
}
Variant Variant::i4(std::int32_t value)
{
    return Variant(Value(value));
}
Variant Variant::r4(float value)
{
    return Variant(Value(value));
}
Variant Variant::boolean(bool value)
{
    return Variant(Value(BoolValue{value}));
}
Variant Variant::dispatch(std::shared_ptr<Dispatch> object)
{
    return Variant(Value(std::move(object)));
}

Variant Variant::byRef(std::shared_ptr<Variant> target)
{
    if (!target)
        target = std::make_shared<Variant>();
    return Variant(Value(std::move(target)));
}

VarType Variant::type() const
{
    switch (m_value.index()) {
    case 0:
        return VarType::Empty;
    case 1:
        return VarType::Bstr;
    case 2:
        return VarType::I2;
    case 3:
        return VarType::I4;
    case 4:
        return VarType::R4;
    case 5:
        return VarType::Bool;
    case 6:
        return VarType::Dispatch;
    default:
        return VarType::ByRef;
    }
}

const std::string &Variant::asBstr() const
{
    if (auto *s = std::get_if<std::string>(&m_value))
        return *s;
    throw typeMismatch(type(), "VT_BSTR");
}

std::int16_t Variant::asI2() const
{
    if (auto *v = std::get_if<I2Value>(&m_value))
        return v->value;
    throw typeMismatch(type(), "VT_I2");
}

std::int32_t Variant::asI4() const
{
    if (auto *v = std::get_if<std::int32_t>(&m_value))
        return *v;
    throw typeMismatch(type(), "VT_I4");
}

float Variant::asR4() const
{
    if (auto *v = std::get_if<float>(&m_value))
        return *v;
    throw typeMismatch(type(), "VT_R4");
}

bool Variant::asBool() const
{
    if (auto *v = std::get_if<BoolValue>(&m_value))
        return v->value;
    throw typeMismatch(type(), "VT_BOOL");
}

const std::shared_ptr<Dispatch> &Variant::asDispatch() const
{
    if (auto *v = std::get_if<std::shared_ptr<Dispatch>>(&m_value))
        return *v;
    throw typeMismatch(type(), "VT_DISPATCH");
}

const std::shared_ptr<Variant> &Variant::asByRef() const
{
    if (auto *v = std::get_if<std::shared_ptr<Variant>>(&m_value))
        return *v;
    throw typeMismatch(type(), "VT_BYREF|VT_VARIANT");
}

const Variant &Variant::dereferenced() const
{
    const Variant *v = this;
    // A by-reference chain ends at a value; cap the walk so a cycle cannot hang.
    for (int depth = 0; v->type() == VarType::ByRef && depth < 8; ++depth)
        v = v->asByRef().get();
    if (v->type() == VarType::ByRef)
        throw typeMismatch(VarType::ByRef, "a value");
    return *v;
}

std::string Variant::toString() const
{
    const Variant &v = dereferenced();
    switch (v.type()) {
    case VarType::Empty:
        return {};
    case VarType::Bstr:
        return v.asBstr();
    case VarType::I2:
        return std::to_string(v.asI2());
    case VarType::I4:
        return std::to_string(v.asI4());
    case VarType::R4: {
        char buffer[32];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, v.asR4());
        return std::string(buffer, result.ptr);
    }
    case VarType::Bool:
        return v.asBool() ? "True" : "False";
    default:
        throw typeMismatch(v.type(), "VT_BSTR");
    }
}

bool Variant::toBool() const
{
    const Variant &v = dereferenced();
    switch (v.type()) {
    case VarType::Empty:
        return false;
    case VarType::Bool:
        return v.asBool();
    case VarType::I2:
    case VarType::I4:
    case VarType::R4:
        return v.toDouble() != 0.0;
    case VarType::Bstr: {
        const std::string &s = v.asBstr();
        if (s == "True" || s == "true" || s == "TRUE")
            return true;
        if (s == "False" || s == "false" || s == "FALSE")
            return false;
        return v.toDouble() != 0.0;
    }
    default:
        throw typeMismatch(v.type(), "VT_BOOL");
    }
}

std::int32_t Variant::toInt() const
{
    double d = toDouble();
    if (!(d >= std::numeric_limits<std::int32_t>::min() &&
          d <= std::numeric_limits<std::int32_t>::max()))
        throw AutomationError(hresult::TypeMismatch, "数值超出范围");
    return static_cast<std::int32_t>(std::lround(d));
}

double Variant::toDouble() const
{
    const Variant &v = dereferenced();
    switch (v.type()) {
    case VarType::Empty:
        return 0.0;
    case VarType::I2:
        return v.asI2();
    case VarType::I4:
        return v.asI4();
    case VarType::R4:
        return v.asR4();
    case VarType::Bool:
        return v.asBool() ? -1.0 : 0.0;
    case VarType::Bstr: {
        const std::string &s = v.asBstr();
        double d = 0;
        auto result = std::from_chars(s.data(), s.data() + s.size(), d);
        if (result.ec != std::errc() || result.ptr != s.data() + s.size())
            throw typeMismatch(VarType::Bstr, "a number");
        return d;
    }
    default:
        throw typeMismatch(v.type(), "a number");
    }
}

bool Variant::operator==(const Variant &other) const
{
    if (type() == VarType::ByRef && other.type() == VarType::ByRef)
        return *asByRef() == *other.asByRef();
    return m_value == other.m_value;
}

Variant invokeByName(Dispatch &object, std::string_view name, InvokeKind kind,
                     const std::vector<Variant> &args)
{
    return object.invoke(object.idOfName(name), kind, args);
}

std::shared_ptr<Dispatch> objectProperty(Dispatch &object, std::string_view name,
                                         const std::vector<Variant> &args)
{
    Variant result = invokeByName(object, name, InvokeKind::PropertyGet, args).dereferenced();
    if (result.type() != VarType::Dispatch || !result.asDispatch())
        throw AutomationError(hresult::TypeMismatch, "成员 " + std::string(name) + " 没有返回对象");
    return result.asDispatch();
}

void requireArgCount(const std::vector<Variant> &args, std::size_t count)
{
    if (args.size() != count)
        throw AutomationError(hresult::BadParamCount, "参数个数错误：需要 " +
                                                          std::to_string(count) + " 个，实际 " +
                                                          std::to_string(args.size()) + " 个");
}

AutomationError unknownName(std::string_view name)
{
    return AutomationError(hresult::UnknownName, "未知名称：" + std::string(name));
}

} // namespace automation
