// Numbers in the settings: decimal 32-bit integers, anything else takes the default.
#include <gtest/gtest.h>

#include "app/exe_config.h"

namespace leafmark {
namespace {

struct TNumberCase {
  const char* Text;
  std::int32_t Expected;  // with default 600
};

class SettingsNumbers : public ::testing::TestWithParam<TNumberCase> {};

TEST_P(SettingsNumbers, DecimalOrDefault) {
  EXPECT_EQ(DecimalOrDefault(GetParam().Text, 600), GetParam().Expected) << '"' << GetParam().Text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, SettingsNumbers,
                         ::testing::Values(TNumberCase{"480", 480}, TNumberCase{"0", 0}, TNumberCase{"007", 7},
                                           TNumberCase{"+12", 12}, TNumberCase{"-12", -12},
                                           TNumberCase{"2147483647", 2147483647},
                                           TNumberCase{"-2147483648", -2147483647 - 1},
                                           TNumberCase{"2147483648", 600}, TNumberCase{"99999999999999999999", 600},
                                           TNumberCase{"", 600}, TNumberCase{"-", 600}, TNumberCase{"+-1", 600},
                                           TNumberCase{"12px", 600}, TNumberCase{"0x10", 600},
                                           TNumberCase{"$10", 600}, TNumberCase{"1.5", 600}));

}  // namespace
}  // namespace leafmark
