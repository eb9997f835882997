// The content tests' environment and message pumping.
#include "content_test_environment.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <exception>
#include <thread>

#include "content/content_manager.h"
#include "content/urlmon_functions.h"
#include "ui/main_thread_calls.h"

namespace leafmark::content::test {
namespace {

class TContentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ui::InitMainThreadCalls();
    InitUrlmon();
  }
  void TearDown() override {
    FinalizeUrlmon();
    ui::FinalizeMainThreadCalls();
    CoUninitialize();
  }
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TContentEnvironment);

}  // namespace

void ContentTest::SetUp() { InitContentManager(); }

void ContentTest::TearDown() { FinalizeContentManager(); }

bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

void RunOnWorkerWhilePumping(const std::function<void()>& body) {
  std::atomic<bool> finished{false};
  std::exception_ptr error;
  std::thread worker([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
      body();
    } catch (...) {
      error = std::current_exception();
    }
    CoUninitialize();
    finished = true;
  });
  const bool done = PumpMessagesUntil([&] { return finished.load(); });
  worker.join();
  ASSERT_TRUE(done) << "the worker did not finish";
  if (error) std::rethrow_exception(error);
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::string PatternBytes(std::size_t count, unsigned seed) {
  std::string bytes(count, '\0');
  unsigned value = seed;
  for (char& byte : bytes) {
    value = value * 1103515245u + 12345u;
    byte = static_cast<char>(value >> 16);
  }
  return bytes;
}

}  // namespace leafmark::content::test
