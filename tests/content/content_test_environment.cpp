// The content tests' environment.
#include "content_test_environment.h"

#include <windows.h>
#include <objbase.h>

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
