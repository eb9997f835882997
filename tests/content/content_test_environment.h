// What every content test runs in: COM on the main thread, the main-thread call queue,
// urlmon, and a fresh content manager per test; plus the shared test helpers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/message_pump.h"
#include "tests/support/wide_text.h"

namespace leafmark::content::test {

// A fresh process-wide content manager for each test, so movie ids start at 1.
class ContentTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

using leafmark::test::PumpMessagesUntil;
using leafmark::test::RunOnWorkerWhilePumping;
using leafmark::test::Wide;

std::string Text(const std::vector<std::uint8_t>& bytes);
std::string PatternBytes(std::size_t count, unsigned seed = 1);

}  // namespace leafmark::content::test
