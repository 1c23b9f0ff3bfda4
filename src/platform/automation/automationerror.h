#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace automation {

// HRESULT-style numbers of the failures the automation layer reports.
namespace hresult {
constexpr std::int32_t Fail = static_cast<std::int32_t>(0x80004005);
constexpr std::int32_t NotImplemented = static_cast<std::int32_t>(0x80004001);
constexpr std::int32_t InvalidArgument = static_cast<std::int32_t>(0x80070057);
constexpr std::int32_t MemberNotFound = static_cast<std::int32_t>(0x80020003);
constexpr std::int32_t TypeMismatch = static_cast<std::int32_t>(0x80020005);
constexpr std::int32_t UnknownName = static_cast<std::int32_t>(0x80020006);
constexpr std::int32_t Exception = static_cast<std::int32_t>(0x80020009);
constexpr std::int32_t BadParamCount = static_cast<std::int32_t>(0x8002000E);
} // namespace hresult

class AutomationError : public std::runtime_error
{
public:
    AutomationError(std::int32_t number, std::string description);

    std::int32_t number() const { return m_number; }
    const std::string &description() const { return m_description; }

private:
    std::int32_t m_number;
    std::string m_description;
};

} // namespace automation
