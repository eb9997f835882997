// The main-thread call queue: calls from the main thread run at once, calls from other
// threads run in the main thread's message loop while the caller waits; posted calls run
// from the loop without anyone waiting.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/message_pump.h"
#include "ui/main_thread_calls.h"

namespace leafmark::ui {
namespace {

using namespace std::chrono_literals;

void PumpUntil(const std::atomic<bool>& done) {
  test::PumpMessagesUntil([&] { return done.load(); });
}

class MainThreadCallsTest : public ::testing::Test {
 protected:
  void SetUp() override { InitMainThreadCalls(); }
  void TearDown() override { FinalizeMainThreadCalls(); }
};

TEST_F(MainThreadCallsTest, ACallOnTheMainThreadRunsAtOnce) {
  EXPECT_TRUE(IsMainThread());
  bool ran = false;
  RunOnMainThread([&] { ran = true; });
  EXPECT_TRUE(ran);
  // A call made from inside a call runs at once too.
  int depth = 0;
  RunOnMainThread([&] { RunOnMainThread([&] { depth = 2; }); });
  EXPECT_EQ(depth, 2);
}

TEST_F(MainThreadCallsTest, ACallFromAWorkerRunsOnTheMainThreadOnlyWhenItPumps) {
  const DWORD mainThread = GetCurrentThreadId();
  std::atomic<DWORD> ranOn{0};
  std::atomic<bool> returned{false};
  bool workerIsMain = true;
  std::thread worker([&] {
    workerIsMain = IsMainThread();
    RunOnMainThread([&] { ranOn = GetCurrentThreadId(); });
    returned = true;
  });
  std::this_thread::sleep_for(100ms);  // not pumping: nothing may run
  EXPECT_EQ(ranOn.load(), 0u);
  EXPECT_FALSE(returned.load());
  PumpUntil(returned);
  worker.join();
  EXPECT_FALSE(workerIsMain);
  EXPECT_EQ(ranOn.load(), mainThread);
}

TEST_F(MainThreadCallsTest, AnExceptionThrownOnTheMainThreadIsThrownInTheCaller) {
  std::atomic<bool> done{false};
  std::string message;
  bool rightType = false;
  std::thread worker([&] {
    try {
      RunOnMainThread([] { throw std::out_of_range("page 7 is missing"); });
    } catch (const std::out_of_range& error) {
      rightType = true;
      message = error.what();
    } catch (...) {
    }
    done = true;
  });
  PumpUntil(done);
  worker.join();
  EXPECT_TRUE(rightType);
  EXPECT_EQ(message, "page 7 is missing");
}

TEST_F(MainThreadCallsTest, ManyWorkersAllGetTheirCallsRunInTurn) {
  constexpr int kWorkers = 8, kCalls = 50;
  std::atomic<int> finished{0};
  std::atomic<bool> allDone{false};
  int total = 0;  // touched only on the main thread
  bool onlyMain = true;
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&] {
      for (int c = 0; c < kCalls; ++c) {
        RunOnMainThread([&] {
          onlyMain = onlyMain && IsMainThread();
          ++total;
        });
      }
      if (++finished == kWorkers) allDone = true;
    });
  }
  PumpUntil(allDone);
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(total, kWorkers * kCalls);
  EXPECT_TRUE(onlyMain);
}

TEST_F(MainThreadCallsTest, ACallRunsInsideANestedMessageLoop) {
  // A modal loop of the main thread (here a plain GetMessage loop inside a call) runs
  // queued calls too.
  std::atomic<bool> second{false}, done{false};
  std::thread worker([&] {
    RunOnMainThread([&] {
      std::thread inner([&] { RunOnMainThread([&] { second = true; }); });
      MSG message;
      while (!second && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      inner.join();
    });
    done = true;
  });
  PumpUntil(done);
  worker.join();
  EXPECT_TRUE(second.load());
}

TEST_F(MainThreadCallsTest, ProcessMainThreadCallsRunsQueuedCallsWithoutDispatching) {
  std::atomic<bool> ran{false}, done{false};
  std::thread worker([&] {
    RunOnMainThread([&] { ran = true; });
    done = true;
  });
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  int processed = 0;
  while (!done && std::chrono::steady_clock::now() < deadline) {
    processed += ProcessMainThreadCalls();
    std::this_thread::sleep_for(1ms);
  }
  worker.join();
  EXPECT_TRUE(ran.load());
  EXPECT_EQ(processed, 1);
  test::PumpPendingMessages();
}

// A posted call is not waited for, from the main thread or a worker; it runs from the loop,
// and what it throws goes no further.
TEST_F(MainThreadCallsTest, APostedCallRunsLaterFromTheLoop) {
  std::vector<int> ran;
  PostToMainThread([&] { ran.push_back(1); });
  PostToMainThread([] { throw std::runtime_error("dropped"); });
  std::thread([&] { PostToMainThread([&] { ran.push_back(2); }); }).join();
  EXPECT_TRUE(ran.empty());
  test::PumpMessagesUntil([&] { return ran.size() == 2; });
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(MainThreadCallsLifetime, CallsFailInTheCallerWhenTheQueueIsNotRunning) {
  // Not initialised: nothing can be posted either.
  EXPECT_THROW(PostToMainThread([] {}), std::logic_error);

  // Not initialised: a worker's call fails instead of waiting for ever.
  bool failed = false;
  std::thread([&] {
    try {
      RunOnMainThread([] {});
    } catch (const std::logic_error&) {
      failed = true;
    }
  }).join();
  EXPECT_TRUE(failed);

  // A call still queued when the queue is finalised is not run; its caller gets an error.
  InitMainThreadCalls();
  std::atomic<bool> queued{false}, ran{false};
  bool abandoned = false;
  std::thread worker([&] {
    try {
      queued = true;
      RunOnMainThread([&] { ran = true; });
    } catch (const std::logic_error&) {
      abandoned = true;
    }
  });
  while (!queued) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(100ms);  // the call is now waiting in the queue
  FinalizeMainThreadCalls();
  worker.join();
  EXPECT_FALSE(ran.load());
  EXPECT_TRUE(abandoned);
  test::PumpPendingMessages();

  // A posted call still queued is dropped unrun, and what it held is released.
  InitMainThreadCalls();
  auto held = std::make_shared<int>(0);
  PostToMainThread([held, &ran] { ran = true; });
  FinalizeMainThreadCalls();
  EXPECT_EQ(held.use_count(), 1);
  EXPECT_FALSE(ran.load());
  test::PumpPendingMessages();
}

}  // namespace
}  // namespace leafmark::ui
