#pragma once

#include "automationerror.h"
#include "variant.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace automation {

using DispId = std::int32_t;

enum class InvokeKind { Method, PropertyGet, PropertyPut };

const char *invokeKindName(InvokeKind kind);

// Late-bound access to an object: members are reached by dispatch id with positional
// arguments (first parameter first); ids of named members are looked up at call time.
class Dispatch
{
public:
    virtual ~Dispatch() = default;

    virtual Variant invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args) = 0;

    // Throws an UnknownName AutomationError when the object has no such member.
    virtual DispId idOfName(std::string_view name) = 0;
};

// Looks the member up by name, then invokes it: what a by-name call in client code does.
Variant invokeByName(Dispatch &object, std::string_view name, InvokeKind kind,
                     const std::vector<Variant> &args = {});

// Reads a property by name and requires the result to be an object.
std::shared_ptr<Dispatch> objectProperty(Dispatch &object, std::string_view name,
                                         const std::vector<Variant> &args = {});

// Throws the errors a member raises for a wrong argument count.
void requireArgCount(const std::vector<Variant> &args, std::size_t count);

// The unknown-name error automation raises for a member an object lacks.
AutomationError unknownName(std::string_view name);

} // namespace automation
