#include "tests/app/window_expectations.h"

#include <gtest/gtest.h>

namespace leafmark::test {

namespace {
constexpr LONG_PTR kFrameStyle = WS_OVERLAPPEDWINDOW;

::testing::AssertionResult SameBounds(const RECT& actual, const RECT& expected) {
  if (::EqualRect(&actual, &expected)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "bounds " << actual.left << "," << actual.top << " " << actual.right << "x"
                                       << actual.bottom << ", expected " << expected.left << "," << expected.top << " "
                                       << expected.right << "x" << expected.bottom;
}
}  // namespace

void ExpectWindowed(const TWindowFacts& facts, const RECT& bounds) {
  EXPECT_FALSE(facts.Maximized);
  EXPECT_FALSE(facts.Minimized);
  EXPECT_EQ(facts.Style & kFrameStyle, kFrameStyle) << std::hex << facts.Style;
  EXPECT_TRUE(SameBounds(facts.Bounds, bounds));
}

void ExpectMaximized(const TWindowFacts& facts) {
  EXPECT_TRUE(facts.Maximized);
  EXPECT_EQ(facts.Style & kFrameStyle, kFrameStyle) << std::hex << facts.Style;
}

void ExpectFullScreen(const TWindowFacts& facts) {
  EXPECT_TRUE(facts.Maximized);
  EXPECT_EQ(facts.Style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX), 0) << std::hex << facts.Style;
  EXPECT_NE(facts.Style & WS_MAXIMIZEBOX, 0) << std::hex << facts.Style;
  EXPECT_TRUE(SameBounds(facts.Bounds, Bounds(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN))));
}

}  // namespace leafmark::test
