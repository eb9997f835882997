// A control destroyed by its owner while content delivery still knows it, and fake handles
// used from several threads at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "content/content_manager.h"
#include "content_test_environment.h"
#include "recording_callback.h"
#include "test_control.h"

namespace leafmark::content::test {
namespace {

using namespace std::chrono_literals;

// What a served stream saw, kept apart from the stream so it outlives it.
struct TGateRecord {
  std::mutex lock;
  std::condition_variable changed;
  bool open = true;
  int inside = 0;
  int mostInside = 0;
  bool destroyed = false;
  bool destroyedWhileInside = false;
};

// A stream whose reads wait for the gate to open and take a while, so that overlapping
// reads and a free during a read both show.
class TGateStream final : public TStream {
 public:
  explicit TGateStream(std::shared_ptr<TGateRecord> record) : record_(std::move(record)) {}
  ~TGateStream() override {
    std::lock_guard guard(record_->lock);
    record_->destroyed = true;
    record_->destroyedWhileInside = record_->inside > 0;
  }

  std::int64_t Read(void*, std::int64_t) override {
    // Only the local copy is used from here on: under the fault this guards against, the
    // stream itself is freed during the read.
    const std::shared_ptr<TGateRecord> record = record_;
    std::unique_lock guard(record->lock);
    record->mostInside = std::max(record->mostInside, ++record->inside);
    record->changed.notify_all();
    record->changed.wait(guard, [&] { return record->open; });
    guard.unlock();
    std::this_thread::sleep_for(20ms);
    guard.lock();
    --record->inside;
    record->changed.notify_all();
    return 0;
  }
  std::int64_t Write(const void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }

 private:
  std::shared_ptr<TGateRecord> record_;
};

class ControlLifetimeTest : public ContentTest {
 protected:
  void SetUp() override {
    ContentTest::SetUp();
    ContentManager().RegisterControl(1, control_->Link());
    control_->onLoadAsync = [this](const std::wstring&, std::unique_ptr<TStream>& stream) {
      stream = std::make_unique<TGateStream>(record_);
    };
  }

  HANDLE OpenServed() {
    return ContentManager().OpenServedFile(L"Z:\\FromMemory\\" + std::wstring(FakeURLMarker) +
                                           L"\\1\\page.swf");
  }
  std::wstring MovieURL() const {
    return L"Z:\\FromMemory\\" + std::wstring(FakeURLMarker) + L"\\1\\page.swf";
  }
  void WaitUntilInside(int readers) {
    std::unique_lock guard(record_->lock);
    ASSERT_TRUE(record_->changed.wait_for(guard, 20s, [&] { return record_->inside == readers; }));
  }
  void OpenGate() {
    std::lock_guard guard(record_->lock);
    record_->open = true;
    record_->changed.notify_all();
  }

  const std::shared_ptr<TGateRecord> record_ = std::make_shared<TGateRecord>();
  std::unique_ptr<TTestControl> control_ = std::make_unique<TTestControl>();
};

TEST_F(ControlLifetimeTest, AFakeHandleClosedAfterItsControlIsGoneFreesItsStreamWithoutCallingIt) {
  const HANDLE handle = OpenServed();
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  control_->Destroy();

  EXPECT_TRUE(ContentManager().CloseFakeHandle(handle));
  EXPECT_TRUE(record_->destroyed);
  EXPECT_EQ(control_->Calls(), std::vector<std::wstring>{L"LoadAsync page.swf"});
  EXPECT_TRUE(control_->UnloadedStreams().empty());
}

TEST_F(ControlLifetimeTest, FakeHandlesStillOpenAtShutdownAreFreed) {
  ASSERT_NE(OpenServed(), INVALID_HANDLE_VALUE);
  control_->Destroy();
  FinalizeContentManager();
  EXPECT_TRUE(record_->destroyed);
  EXPECT_EQ(control_->Calls().size(), 1u);  // nothing reached the destroyed control
  InitContentManager();
}

TEST_F(ControlLifetimeTest, RequestsAfterTheControlIsGoneFindNoControl) {
  control_->Destroy();
  EXPECT_FALSE(ContentManager().FindControl(1));
  EXPECT_EQ(OpenServed(), INVALID_HANDLE_VALUE);
  const auto callback = com::MakeCom<TRecordingCallback>();
  EXPECT_EQ(ContentManager().BindURLToStorage(nullptr, nullptr, __uuidof(IStream), nullptr,
                                              callback.Get(), MovieURL(), nullptr),
            E_FAIL);
  EXPECT_EQ(control_->Calls(), std::vector<std::wstring>{});
}

TEST_F(ControlLifetimeTest, DestructionWaitsForARequestInsideTheControlOnAnotherThread) {
  // The handler writes through the main-thread stream while the main thread is destroying
  // the control: the destruction must serve that write, or both threads would wait for ever.
  std::atomic<bool> entered{false}, finished{false};
  control_->onLoadEx = [&](const std::wstring&, std::unique_ptr<TStream>& stream, bool& handled) {
    entered = true;
    std::this_thread::sleep_for(100ms);
    stream->WriteBuffer("late page", 9);
    handled = true;
    finished = true;
  };
  const auto callback = com::MakeCom<TRecordingCallback>();
  HRESULT result = E_UNEXPECTED;
  std::thread runtime([&] {
    result = ContentManager().BindURLToStorage(nullptr, nullptr, __uuidof(IStream), nullptr,
                                               callback.Get(), MovieURL(), nullptr);
  });
  while (!entered) std::this_thread::sleep_for(1ms);
  control_->Destroy();
  EXPECT_TRUE(finished);
  runtime.join();
  EXPECT_EQ(result, MK_S_ASYNCHRONOUS);
  EXPECT_EQ(callback->Bytes(), "late page");
  for (const std::wstring& call : control_->Calls()) {
    EXPECT_EQ(call.find(L"after destruction"), std::wstring::npos) << call;
  }
}

TEST_F(ControlLifetimeTest, ClosingAHandleDuringAReadFreesTheStreamOnlyAfterTheRead) {
  const HANDLE handle = OpenServed();
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  record_->open = false;
  std::thread reader([&] {
    if (const TFakeHandleStream stream = ContentManager().FindFakeHandleStream(handle)) {
      char buffer[4];
      stream->Read(buffer, sizeof buffer);
    }
  });
  WaitUntilInside(1);
  EXPECT_TRUE(ContentManager().CloseFakeHandle(handle));
  EXPECT_FALSE(ContentManager().CloseFakeHandle(handle));
  EXPECT_FALSE(record_->destroyed);
  OpenGate();
  reader.join();
  EXPECT_TRUE(record_->destroyed);
  EXPECT_FALSE(record_->destroyedWhileInside);
  EXPECT_EQ(control_->UnloadedStreams().size(), 1u);
}

TEST_F(ControlLifetimeTest, ReadsOnOneHandleFromSeveralThreadsTakeTurns) {
  const HANDLE handle = OpenServed();
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  const auto read = [&] {
    for (int i = 0; i < 5; ++i) {
      const TFakeHandleStream stream = ContentManager().FindFakeHandleStream(handle);
      char buffer[4];
      if (stream) stream->Read(buffer, sizeof buffer);
    }
  };
  std::thread first(read), second(read);
  first.join();
  second.join();
  EXPECT_EQ(record_->mostInside, 1);
  EXPECT_TRUE(ContentManager().CloseFakeHandle(handle));
}

}  // namespace
}  // namespace leafmark::content::test
