// What every content test runs in: COM on the main thread, the main-thread call queue,
// urlmon, and a fresh content manager per test; plus message pumping helpers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace leafmark::content::test {

// A fresh process-wide content manager for each test, so movie ids start at 1.
class ContentTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// Dispatches this thread's messages until done() is true; false after the time limit.
bool PumpMessagesUntil(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(20));
// Runs body on a new thread while this thread pumps messages; body's exception is thrown
// again here.
void RunOnWorkerWhilePumping(const std::function<void()>& body);

std::string Text(const std::vector<std::uint8_t>& bytes);
std::string PatternBytes(std::size_t count, unsigned seed = 1);

}  // namespace leafmark::content::test
