#include "core/celladdress.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase
{
    const char *name;
    QString typed;
    std::optional<QString> address;
};

void PrintTo(const AddressCase &c, std::ostream *out)
{
    *out << c.name;
}

class CellAddressTest : public ::testing::TestWithParam<AddressCase>
{
};

TEST_P(CellAddressTest, typedAddress_isNormalisedOrRefused)
{
    EXPECT_EQ(framer::normalizedCellAddress(GetParam().typed), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, CellAddressTest,
    ::testing::Values(AddressCase{"cell", "B3", QString("B3")},
                      AddressCase{"lowerCaseWithSpaces", "  b 3\t", QString("B3")},
                      AddressCase{"absolute", "$c$12", QString("$C$12")},
                      AddressCase{"range", "a1:c5", QString("A1:C5")},
                      AddressCase{"lastCellOfASheet", "XFD1048576", QString("XFD1048576")},
                      AddressCase{"columnPastTheSheet", "XFE1", std::nullopt},
                      AddressCase{"rowPastTheSheet", "A1048577", std::nullopt},
                      AddressCase{"rowZero", "A0", std::nullopt},
                      AddressCase{"leadingZero", "A01", std::nullopt},
                      AddressCase{"fourLetters", "ABCD1", std::nullopt},
                      AddressCase{"columnOnly", "B", std::nullopt},
                      AddressCase{"rowFirst", "3B", std::nullopt},
                      AddressCase{"openRange", "A1:", std::nullopt},
                      AddressCase{"threeCorners", "A1:B2:C3", std::nullopt},
                      AddressCase{"sheetName", "Sheet2.A1", std::nullopt},
                      AddressCase{"fullWidthLetters", QStringLiteral("Ｂ３"), std::nullopt},
                      AddressCase{"empty", "", std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
