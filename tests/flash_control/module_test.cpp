// The host control's module: what it starts, and that it ends it again.
#include <gtest/gtest.h>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "content/content_manager.h"
#include "content/urlmon_functions.h"
#include "flash_control/flash_player_control_module.h"
#include "runtime_loader/code_providers.h"
#include "tests/flash_control/test_host.h"

namespace leafmark::test {
namespace {

TEST(FlashPlayerControlModule, StartsTheRuntimeMachineryAndEndsItAgain) {
  EnsureHostEnvironment();
  content::FinalizeContentManager();
  InitFlashPlayerControlModule();
  EXPECT_NE(FlashOCXCodeProvider(), nullptr);
  EXPECT_NE(content::FindContentManager(), nullptr);
  // urlmon is reached through its looked-up functions.
  com::TComPtr<IMoniker> moniker;
  EXPECT_EQ(content::SystemCreateURLMoniker(nullptr, L"http://example.com/", moniker.Put()), S_OK);
  moniker = nullptr;
  // Every floating-point exception is masked, rounding to nearest, 64-bit x87 precision.
  unsigned short x87Control = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(x87Control));
  EXPECT_EQ(x87Control & 0x0F3F, 0x033F);  // (the infinity bit is not kept by every processor)
#if defined(__SSE__)
  EXPECT_EQ(_mm_getcsr() & _MM_MASK_MASK, static_cast<unsigned>(_MM_MASK_MASK));
  EXPECT_EQ(_MM_GET_ROUNDING_MODE(), static_cast<unsigned>(_MM_ROUND_NEAREST));
#endif

  FinalizeFlashPlayerControlModule();
  EXPECT_EQ(FlashOCXCodeProvider(), nullptr);
  EXPECT_EQ(content::FindContentManager(), nullptr);
  EXPECT_EQ(content::SystemCreateURLMoniker(nullptr, L"http://example.com/", moniker.Put()), E_FAIL);
  content::InitContentManager();  // as the other tests expect it
}

}  // namespace
}  // namespace leafmark::test
