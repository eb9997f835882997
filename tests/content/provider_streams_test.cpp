// The stream layers between a writer and the download engine: the facade, the byte stream
// over an IStream, and the wrapper that carries every operation to the main thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "content/content_provider.h"
#include "content/content_provider_stream.h"
#include "content/istream_stream.h"
#include "content/synchronized_stream.h"
#include "content_test_environment.h"
#include "recording_callback.h"

namespace leafmark::content::test {
namespace {

using com::MakeCom;
using com::TComPtr;
using namespace std::chrono_literals;

template <class T>
ULONG OtherReferences(T* object) {
  object->AddRef();
  return object->Release() - 1;
}

class ProviderStreamsTest : public ContentTest {
 protected:
  TNewContentProvider created_ = CreateContentProvider();
  TComPtr<TRecordingCallback> callback_ = MakeCom<TRecordingCallback>();
};

TEST_F(ProviderStreamsTest, TheFacadeIsWriteOnly) {
  IStream& facade = *created_.stream;
  char buffer[4];
  ULONG count = 77;
  EXPECT_EQ(facade.Read(buffer, sizeof buffer, &count), E_NOTIMPL);
  EXPECT_EQ(count, 77u);
  LARGE_INTEGER move{};
  ULARGE_INTEGER position{};
  position.QuadPart = 77;
  EXPECT_EQ(facade.Seek(move, STREAM_SEEK_END, &position), E_NOTIMPL);
  EXPECT_EQ(position.QuadPart, 77u);
  ULARGE_INTEGER none{};
  EXPECT_EQ(facade.CopyTo(nullptr, none, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(facade.Commit(0), E_NOTIMPL);
  EXPECT_EQ(facade.Revert(), E_NOTIMPL);
  EXPECT_EQ(facade.LockRegion(none, none, 0), E_NOTIMPL);
  EXPECT_EQ(facade.UnlockRegion(none, none, 0), E_NOTIMPL);
  STATSTG stat{};
  EXPECT_EQ(facade.Stat(&stat, STATFLAG_NONAME), E_NOTIMPL);
  IStream* copy = &facade;
  EXPECT_EQ(facade.Clone(&copy), E_NOTIMPL);
  EXPECT_EQ(copy, nullptr);
  EXPECT_TRUE(created_.stream.As<IStream>());
  EXPECT_FALSE(created_.stream.As<IContentProvider>());
}

TEST_F(ProviderStreamsTest, ReadSeekAndSizeThroughAWrapperGiveZero) {
  auto wrapper = WrapIStreamForMainThread(created_.stream);
  char buffer[8] = {};
  EXPECT_EQ(wrapper->Read(buffer, sizeof buffer), 0);
  EXPECT_EQ(wrapper->Seek(5, TSeekOrigin::Beginning), 0);
  EXPECT_EQ(wrapper->Seek(-1, TSeekOrigin::End), 0);
  EXPECT_EQ(wrapper->Size(), 0);
  EXPECT_EQ(wrapper->Position(), 0);
  // The same from a worker thread.
  RunOnWorkerWhilePumping([&] {
    EXPECT_EQ(wrapper->Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(wrapper->Size(), 0);
  });
}

TEST_F(ProviderStreamsTest, TheByteStreamPassesAllOperationsToARealIStream) {
  TStreamBasedOnIStream stream(CreateMemoryIStream());
  EXPECT_EQ(stream.Write("hello world", 11), 11);
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(stream.Seek(-5, TSeekOrigin::End), 6);
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 5);
  EXPECT_EQ(std::string(buffer, 5), "world");
  stream.SetSize(5);
  EXPECT_EQ(stream.Size(), 5);
}

TEST_F(ProviderStreamsTest, AWorkerWriteReturnsOnlyAfterTheMainThreadDeliveredIt) {
  created_.provider->SetBindStatusCallback(callback_.Get());
  auto wrapper = WrapIStreamForMainThread(created_.stream);
  const std::string page = PatternBytes(4096);
  std::atomic<std::int64_t> written{-1};
  std::atomic<bool> finished{false};
  std::thread writer([&] {
    written = wrapper->Write(page.data(), 4096);
    finished = true;
  });
  std::this_thread::sleep_for(100ms);  // the main thread is not pumping yet
  EXPECT_EQ(written.load(), -1);
  EXPECT_EQ(callback_->Sequence(), "");
  PumpMessagesUntil([&] { return finished.load(); });
  writer.join();
  EXPECT_EQ(written.load(), 4096);
  const auto events = callback_->Events();
  ASSERT_EQ(callback_->Sequence(), "OnResponse OnStartBinding OnDataAvailable");
  EXPECT_EQ(events.back().size, 4096u);
  EXPECT_EQ(events.back().bytes, page);
  for (const TBindEvent& event : events) EXPECT_EQ(event.thread, GetCurrentThreadId());
}

TEST_F(ProviderStreamsTest, DestroyingTheLastWrapperOnAWorkerStopsTheBindingOnTheMainThread) {
  created_.provider->SetBindStatusCallback(callback_.Get());
  auto wrapper = WrapIStreamForMainThread(std::move(created_.stream));
  created_.provider.Reset();
  bool stoppedBeforeReturn = false;
  RunOnWorkerWhilePumping([&] {
    wrapper->WriteBuffer("abc", 3);
    wrapper.reset();
    stoppedBeforeReturn = callback_->Stopped();
  });
  EXPECT_TRUE(stoppedBeforeReturn);
  EXPECT_EQ(callback_->Sequence(), "OnResponse OnStartBinding OnDataAvailable OnStopBinding");
  for (const TBindEvent& event : callback_->Events()) EXPECT_EQ(event.thread, GetCurrentThreadId());
  // Wrapper, byte stream, facade and provider are all gone.
  EXPECT_EQ(OtherReferences(callback_.Get()), 0u);
}

TEST_F(ProviderStreamsTest, ARefusedNotificationFailsTheWritersWriteBuffer) {
  callback_->SetDataResult(E_ABORT);
  created_.provider->SetBindStatusCallback(callback_.Get());
  auto wrapper = WrapIStreamForMainThread(created_.stream);
  EXPECT_EQ(wrapper->Write("abc", 3), 0);
  bool failedInWorker = false;
  RunOnWorkerWhilePumping([&] {
    try {
      wrapper->WriteBuffer("abc", 3);
    } catch (const EStreamError&) {
      failedInWorker = true;
    }
  });
  EXPECT_TRUE(failedInWorker);
}

TEST_F(ProviderStreamsTest, TwoByteStreamsOverOneFacadeFinishOnlyWhenAllAreGone) {
  created_.provider->SetBindStatusCallback(callback_.Get());
  auto first = std::make_unique<TStreamBasedOnIStream>(created_.stream);
  auto second = std::make_unique<TStreamBasedOnIStream>(created_.stream);
  first->WriteBuffer("1", 1);
  second->WriteBuffer("2", 1);
  first.reset();
  second.reset();
  EXPECT_FALSE(callback_->Stopped());  // the creator still holds the facade
  created_.stream.Reset();
  EXPECT_TRUE(callback_->Stopped());
  EXPECT_EQ(callback_->Bytes(), "12");
}

TEST_F(ProviderStreamsTest, AnEmptyWriteThroughTheLayersStillCountsAsData) {
  auto wrapper = WrapIStreamForMainThread(created_.stream);
  EXPECT_EQ(wrapper->Write("", 0), 0);
  EXPECT_EQ(created_.provider->HasData(), S_OK);
}

TEST_F(ProviderStreamsTest, SetSizeThroughAWrapperReachesTheProvider) {
  created_.provider->SetBindStatusCallback(callback_.Get());
  auto wrapper = WrapIStreamForMainThread(created_.stream);
  RunOnWorkerWhilePumping([&] { wrapper->SetSize(4096); });
  ASSERT_EQ(callback_->Sequence(), "OnResponse");
  EXPECT_EQ(callback_->Events()[0].headers, L"HTTP/1.1 200 OK\r\nContent-Length: 4096\r\n");
  EXPECT_EQ(callback_->Events()[0].thread, GetCurrentThreadId());
}

}  // namespace
}  // namespace leafmark::content::test
