#include "automation/automationerror.h"
#include "automation/dispatch.h"
#include "automation/variant.h"

#include <gtest/gtest.h>

using namespace automation;

TEST(Variant, exactAccessors_onAnotherType_raiseTypeMismatch)
{
    const Variant text = Variant::bstr("c");
    EXPECT_EQ(text.type(), VarType::Bstr);
    EXPECT_EQ(text.asBstr(), "c");
    try {
        (void)text.asI4();
        FAIL() << "an I4 read of a string must fail";
    } catch (const AutomationError &error) {
        EXPECT_EQ(error.number(), hresult::TypeMismatch);
    }
    EXPECT_THROW((void)Variant::i2(1).asI4(), AutomationError);
    EXPECT_THROW((void)Variant::i4(1).asI2(), AutomationError);
    EXPECT_THROW((void)Variant().asBool(), AutomationError);
}

TEST(Variant, coercions_readResultsAsAutomationDoes)
{
    struct Case
    {
        Variant value;
        std::string text;
        bool truth;
    };
    const Case cases[] = {
        {Variant(), "", false},
        {Variant::boolean(true), "True", true},
        {Variant::boolean(false), "False", false},
        {Variant::i2(-3), "-3", true},
        {Variant::i4(0), "0", false},
        {Variant::r4(1.5f), "1.5", true},
        {Variant::bstr("True"), "True", true},
        {Variant::bstr("0"), "0", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.value.toString(), c.text);
        EXPECT_EQ(c.value.toBool(), c.truth) << c.text;
    }
    EXPECT_THROW((void)Variant::bstr("yes").toBool(), AutomationError);
}

TEST(Variant, byRef_readsAndWritesThePointedToVariant)
{
    auto target = std::make_shared<Variant>(Variant::bstr("c:\\excel.pdf"));
    const Variant ref = Variant::byRef(target);
    EXPECT_EQ(ref.type(), VarType::ByRef);
    EXPECT_EQ(ref.dereferenced().asBstr(), "c:\\excel.pdf");
    EXPECT_EQ(ref.toString(), "c:\\excel.pdf");
    *ref.asByRef() = Variant::i4(7);
    EXPECT_EQ(target->asI4(), 7);
}

TEST(Variant, byRefCycle_isRefusedNotFollowedForever)
{
    auto a = std::make_shared<Variant>();
    *a = Variant::byRef(a);
    EXPECT_THROW((void)a->dereferenced(), AutomationError);
    *a = Variant(); // break the cycle so the test does not leak
}

namespace {
class OneMember : public Dispatch
{
public:
    Variant invoke(DispId id, InvokeKind, const std::vector<Variant> &args) override
    {
        lastId = id;
        return args.empty() ? Variant() : args[0];
    }
    DispId idOfName(std::string_view name) override
    {
        if (name == "Echo")
            return 9;
        throw unknownName(name);
    }
    DispId lastId = 0;
};
} // namespace

TEST(Dispatch, byName_looksUpThenInvokes_unknownNameRaisesItsError)
{
    OneMember object;
    EXPECT_EQ(invokeByName(object, "Echo", InvokeKind::Method, {Variant::i4(5)}).asI4(), 5);
    EXPECT_EQ(object.lastId, 9);
    try {
        invokeByName(object, "ActiveSheet", InvokeKind::PropertyGet);
        FAIL();
    } catch (const AutomationError &error) {
        EXPECT_EQ(error.number(), hresult::UnknownName);
        EXPECT_NE(error.description().find("ActiveSheet"), std::string::npos);
    }
    // A property that gives no object cannot be walked through.
    EXPECT_THROW(objectProperty(object, "Echo", {Variant::i4(1)}), AutomationError);
}
