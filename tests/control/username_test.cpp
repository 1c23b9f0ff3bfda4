#include "core/username.h"

#include <gtest/gtest.h>

namespace {

struct AccountCase
{
    const char *name;
    QString gecos;
    QString login;
    QString expected;
};

class UserNameTest : public ::testing::TestWithParam<AccountCase>
{
};

TEST_P(UserNameTest, fullNameFromTheAccount_elseTheLogin)
{
    EXPECT_EQ(framer::userNameFromAccount(GetParam().gecos, GetParam().login), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Accounts, UserNameTest,
    ::testing::Values(AccountCase{"fullNameOnly", "张三", "zhangsan", "张三"},
                      AccountCase{"fullNameWithRoomAndPhones", "Li Si,Room 3,555-1,555-2,", "lisi",
                                  "Li Si"},
                      AccountCase{"ampersandIsTheLogin", "& Wang,,,", "wang", "Wang Wang"},
                      AccountCase{"emptyGecos", "", "zhao", "zhao"},
                      AccountCase{"onlyCommas", ",,,", "qian", "qian"},
                      AccountCase{"blankName", "   ,x", "sun", "sun"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
