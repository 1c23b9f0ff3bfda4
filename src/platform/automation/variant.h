#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace automation {

class Dispatch;
class Variant;

// The automation types the client passes. Strings (BSTR) are held as UTF-8.
enum class VarType { Empty, Bstr, I2, I4, R4, Bool, Dispatch, ByRef };

const char *varTypeName(VarType type);

class Variant
{
public:
    Variant() = default;

    static Variant bstr(std::string utf8);
    static Variant i2(std::int16_t value);
    static Variant i4(std::int32_t value);
    static Variant r4(float value);
    static Variant boolean(bool value);
    static Variant dispatch(std::shared_ptr<Dispatch> object);
    // A by-reference variant: the callee reads and may write the pointed-to variant.
    static Variant byRef(std::shared_ptr<Variant> target);

    VarType type() const;
    bool isEmpty() const { return type() == VarType::Empty; }

    // Exact accessors: each throws a type-mismatch AutomationError for another type.
    const std::string &asBstr() const;
    std::int16_t asI2() const;
    std::int32_t asI4() const;
    float asR4() const;
    bool asBool() const;
    const std::shared_ptr<Dispatch> &asDispatch() const;
    const std::shared_ptr<Variant> &asByRef() const;

    // The value itself, or the pointed-to value for a by-reference variant.
    const Variant &dereferenced() const;

    // Coercions as automation performs them when a result is read into a typed variable.
    std::string toString() const;
    bool toBool() const;
    std::int32_t toInt() const;
    double toDouble() const;

    bool operator==(const Variant &other) const;

private:
    struct EmptyValue
    {
        bool operator==(const EmptyValue &) const = default;
    };
    struct I2Value
    {
        std::int16_t value;
        bool operator==(const I2Value &) const = default;
    };
    struct BoolValue
    {
        bool value;
        bool operator==(const BoolValue &) const = default;
    };
    using Value = std::variant<EmptyValue, std::string, I2Value, std::int32_t, float, BoolValue,
                               std::shared_ptr<Dispatch>, std::shared_ptr<Variant>>;
    explicit Variant(Value value) : m_value(std::move(value)) {}

    Value m_value;
};

} // namespace automation
