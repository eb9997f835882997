// A book held open by another process without sharing: the reader keeps trying for five
// seconds, then reports the name absent; a lock released in time is waited out.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>

#include "archive/entry_lookup.h"
#include "base/platform_files.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

class TLockHolder {
 public:
  TLockHolder(const std::string& file, int milliseconds) {
    const std::string exe = OwnExecutablePath();
    const std::string holder = exe.substr(0, exe.find_last_of("\\/") + 1) + "share_lock_holder.exe";
    const std::string eventName = "leafmark-lock-held-" + std::to_string(::GetCurrentProcessId());
    held_ = ::CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    std::string command = "\"" + holder + "\" \"" + file + "\" " + std::to_string(milliseconds) + " " + eventName;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (held_ == nullptr ||
        !::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_)) {
      throw std::runtime_error("cannot start " + holder);
    }
    const HANDLE waitFor[] = {held_, info_.hProcess};
    if (::WaitForMultipleObjects(2, waitFor, FALSE, 20000) != WAIT_OBJECT_0) {
      throw std::runtime_error("the holder did not lock the file");
    }
  }
  ~TLockHolder() {
    ::WaitForSingleObject(info_.hProcess, 30000);
    ::CloseHandle(info_.hProcess);
    ::CloseHandle(info_.hThread);
    ::CloseHandle(held_);
  }

 private:
  PROCESS_INFORMATION info_{};
  HANDLE held_ = nullptr;
};

double SecondsFor(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(ShareRetryTest, ALockHeldLongerThanFiveSecondsMakesTheNameAbsentAfterWaiting) {
  test::TTempDir dir;
  const std::string book = dir.File("book.exe");
  test::WriteFileBytes(book, test::MakeBook({{"book.swf", "movie"}}).Build());
  TLockHolder holder(book, 8000);
  std::int32_t number = -1;
  const double waited = SecondsFor([&] { number = GetEntryNumber("book.swf", book); });
  EXPECT_EQ(number, 0);
  EXPECT_GE(waited, 4.8) << "gave up before five seconds";
}

TEST(ShareRetryTest, ALockReleasedWithinFiveSecondsIsWaitedOut) {
  test::TTempDir dir;
  const std::string book = dir.File("book.exe");
  test::WriteFileBytes(book, test::MakeBook({{"book.swf", "movie"}}).Build());
  TLockHolder holder(book, 1500);
  const auto memory = ReadEntryToMemory("book.swf", book);
  ASSERT_NE(memory, nullptr);
  EXPECT_EQ(memory->Text(), "movie");
}

}  // namespace
}  // namespace leafmark
