// The one owner of Windows resources: what it closes, when, and what it leaves alone.
#include <gtest/gtest.h>

#include <windows.h>

#include "win/com_object.h"
#include "win/unique_any.h"

namespace leafmark::win {
namespace {

bool IsOpenHandle(HANDLE handle) {
  DWORD flags = 0;
  return ::GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueAny, ClosesOnResetAndDestructionButKeepsTheLastError) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  {
    TUniqueHandle owner(raw);
    ASSERT_TRUE(owner);
    ::SetLastError(ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(::GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
  EXPECT_FALSE(IsOpenHandle(raw));

  TUniqueHandle owner(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  raw = owner.Get();
  const HANDLE replacement = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ::SetLastError(ERROR_ACCESS_DENIED);
  owner.Reset(replacement);
  EXPECT_EQ(::GetLastError(), DWORD{ERROR_ACCESS_DENIED});
  EXPECT_FALSE(IsOpenHandle(raw));
  EXPECT_TRUE(IsOpenHandle(owner.Get()));
}

TEST(UniqueAny, DetachGivesUpOwnershipAndMovingPassesItOn) {
  TUniqueHandle first(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE raw = first.Get();
  TUniqueHandle second(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(second.Get(), raw);
  first = std::move(second);
  EXPECT_EQ(first.Get(), raw);
  const HANDLE kept = first.Detach();
  EXPECT_FALSE(first);
  EXPECT_TRUE(IsOpenHandle(kept));
  ::CloseHandle(kept);
}

TEST(UniqueAny, PutClosesWhatWasHeldBeforeHandingOutTheSlot) {
  TUniqueHandle owner(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE old = owner.Get();
  HANDLE* slot = owner.Put();
  EXPECT_EQ(*slot, nullptr);
  EXPECT_FALSE(IsOpenHandle(old));
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(),
                                ::GetCurrentProcess(), slot, 0, FALSE, DUPLICATE_SAME_ACCESS));
  EXPECT_TRUE(owner);
}

TEST(UniqueAny, AFileOwnerTakesInvalidHandleValueAsNone) {
  // CreateFile fails with INVALID_HANDLE_VALUE, which for a kernel-handle owner would be the
  // current process's pseudo handle.
  ::SetLastError(0);
  TUniqueFile missing(::CreateFileW(L"Z:\\no\\such\\leafmark\\file", GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(missing);
  EXPECT_NE(::GetLastError(), DWORD{0});
  EXPECT_FALSE(TUniqueFile());
  EXPECT_EQ(TUniqueFile().Get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(TUniqueHandle().Get(), nullptr);
}

TEST(UniqueAny, VirtualMemoryIsReleasedWhole) {
  void* raw = ::VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(raw, nullptr);
  TUniqueVirtualMemory<> memory(raw);
  memory.Reset();
  MEMORY_BASIC_INFORMATION info{};
  ASSERT_NE(::VirtualQuery(raw, &info, sizeof info), 0u);
  EXPECT_EQ(info.State, DWORD{MEM_FREE});
}

// Counts the references a VARIANT holds.
class TCounted final : public com::TOwnedComObject<IUnknown> {
 public:
  long Count() const { return References(); }
};

TEST(UniqueAny, AVariantIsClearedWithWhatItHolds) {
  TCounted counted;
  {
    TUniqueVariant variant;
    EXPECT_FALSE(variant);
    VARIANT* slot = variant.Put();
    slot->vt = VT_UNKNOWN;
    slot->punkVal = &counted;
    counted.AddRef();
    EXPECT_TRUE(variant);
    EXPECT_EQ(counted.Count(), 1);
  }
  EXPECT_EQ(counted.Count(), 0);
}

}  // namespace
}  // namespace leafmark::win
