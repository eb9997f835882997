// The content manager's movie URLs, registrations and association lists.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "content/association_lists.h"
#include "content/content_manager.h"
#include "content_test_environment.h"
#include "recording_callback.h"
#include "test_control.h"

namespace leafmark::content::test {
namespace {

using com::MakeCom;
using com::TComPtr;

const std::wstring kFirstMovieURL =
    L"Z:\\FromMemory\\46A10F369771449587DE913EFC0A258C\\1\\E4ED7C01D28A43418DBF2CB92CC35E56.swf";
const std::wstring kDummy(DummyMovieURL);

TEST_F(ContentTest, MoviesAreAnnouncedAfterTheDummyURLAndIdsAreNeverReused) {
  const auto first = std::make_unique<TTestControl>();
  ContentManager().CreateMovieStream(first->Link(), false, -1);
  EXPECT_EQ(first->Calls(),
            (std::vector<std::wstring>{L"PutMovie " + kDummy, L"PutMovie " + kFirstMovieURL}));
  ContentManager().UnregisterControl(first->Link());

  const auto second = std::make_unique<TTestControl>();
  TMemoryStream movie(std::vector<std::uint8_t>{1, 2, 3});
  ContentManager().CopyMovieFromStream(second->Link(), true, movie, 3);
  const std::wstring secondURL = MakeFakeURL(2);
  EXPECT_EQ(second->Calls(), (std::vector<std::wstring>{L"LoadMovie 3 " + kDummy,
                                                        L"LoadMovie 3 " + secondURL}));
  EXPECT_EQ(ContentManager().FindControl(2).Get(), second.get());
  EXPECT_EQ(ContentManager().FindControl(1).Get(), nullptr);
  EXPECT_EQ(ContentManager().NewFakeURL(), MakeFakeURL(3));
}

TEST_F(ContentTest, AProviderRegistrationAnswersExactlyOneDownloadInAnySlashForm) {
  const auto control = std::make_unique<TTestControl>();
  auto stream = ContentManager().CreateMovieStream(control->Link(), false, -1);
  const std::wstring forward = L"file:///Z:/FromMemory/46A10F369771449587DE913EFC0A258C/1/"
                               L"E4ED7C01D28A43418DBF2CB92CC35E56.swf";
  EXPECT_FALSE(ContentManager().TakeProvider(MakeFakeURL(2)));
  const auto provider = ContentManager().TakeProvider(forward);
  ASSERT_TRUE(provider);
  EXPECT_FALSE(ContentManager().TakeProvider(kFirstMovieURL));

  // It is the provider behind the stream handed out.
  const auto callback = MakeCom<TRecordingCallback>();
  provider->SetBindStatusCallback(callback.Get());
  stream->WriteBuffer("swf", 3);
  stream.reset();
  EXPECT_EQ(callback->Sequence(), "OnResponse OnStartBinding OnDataAvailable OnStopBinding");
  EXPECT_EQ(callback->Bytes(), "swf");
}

TEST_F(ContentTest, AMovieStreamWrittenBeforeTheRuntimeAsksIsHeldUntilThen) {
  const auto control = std::make_unique<TTestControl>();
  auto stream = ContentManager().CreateMovieStream(control->Link(), false, -1);
  stream->WriteBuffer("part one ", 9);
  RunOnWorkerWhilePumping([&] { stream->WriteBuffer("part two", 8); });
  const auto callback = MakeCom<TRecordingCallback>(false);
  ContentManager().BindURLToStorage(nullptr, nullptr, __uuidof(IStream), nullptr,
                                    callback.Get(), kFirstMovieURL, nullptr);
  EXPECT_EQ(callback->Sequence(), "OnStartBinding OnDataAvailable");
  EXPECT_EQ(callback->Bytes(), "part one part two");
  stream.reset();
  EXPECT_EQ(callback->Sequence(), "OnStartBinding OnDataAvailable OnStopBinding");
}

TEST_F(ContentTest, AnEmptyMovieSendsNothing) {
  const auto control = std::make_unique<TTestControl>();
  TMemoryStream empty;
  ContentManager().CopyMovieFromStream(control->Link(), false, empty, -1);
  const auto callback = MakeCom<TRecordingCallback>();
  EXPECT_EQ(ContentManager().BindURLToStorage(nullptr, nullptr, __uuidof(IStream), nullptr,
                                              callback.Get(), kFirstMovieURL, nullptr),
            MK_S_ASYNCHRONOUS);
  EXPECT_EQ(callback->Sequence(), "");
}

TEST_F(ContentTest, UnregisteringAControlRemovesAllItsMoviesAndNoOtherControls) {
  const auto a = std::make_unique<TTestControl>();
  const auto b = std::make_unique<TTestControl>();
  ContentManager().RegisterControl(1, a->Link());
  ContentManager().RegisterControl(2, b->Link());
  ContentManager().RegisterControl(3, a->Link());
  ContentManager().RegisterControl(2, a->Link());  // a second pair for id 2 is never found
  ContentManager().UnregisterControl(a->Link());
  EXPECT_FALSE(ContentManager().FindControl(1));
  EXPECT_EQ(ContentManager().FindControl(2).Get(), b.get());
  EXPECT_FALSE(ContentManager().FindControl(3));
}

TEST_F(ContentTest, LookupsFromOtherThreadsAreSafeWhileTheMainThreadChangesTheLists) {
  const auto control = std::make_unique<TTestControl>();
  std::atomic<bool> stop{false};
  std::atomic<int> lookups{0};
  std::thread reader([&] {
    while (!stop) {
      ContentManager().FindControl(1);
      ContentManager().TakeProvider(L"http://example.com/unknown");
      ++lookups;
    }
  });
  for (int round = 0; round < 300; ++round) {
    ContentManager().CreateMovieStream(control->Link(), false, -1);
    ContentManager().UnregisterControl(control->Link());
  }
  while (lookups < 100) std::this_thread::yield();
  stop = true;
  reader.join();
  EXPECT_FALSE(ContentManager().FindControl(1));
}

TEST_F(ContentTest, NobodyAnsweringReleasesTheUnusedProvider) {
  // Not a movie URL, no callback, and a system moniker that finds no file.
  const auto callback = MakeCom<TRecordingCallback>();
  EXPECT_EQ(ContentManager().BindURLToStorage(nullptr, nullptr, __uuidof(IStream), nullptr,
                                              callback.Get(), std::wstring(DummyMovieURL),
                                              nullptr),
            MK_E_NOSTORAGE);
  EXPECT_EQ(callback->Sequence(), "");
  callback->AddRef();
  EXPECT_EQ(callback->Release(), 1u);
}

TEST(AssociationLists, StringKeysIgnoreLetterCaseAndKeepTheFirstSpelling) {
  TMapString2String map;
  map.Set(L"ShockwaveFlash", L"one");
  map.Set(L"SHOCKWAVEFLASH", L"two");
  std::wstring value = L"untouched";
  ASSERT_TRUE(map.Find(L"shockwaveflash", value));
  EXPECT_EQ(value, L"two");
  value = L"untouched";
  EXPECT_FALSE(map.Find(L"ShockwaveFlash2", value));
  EXPECT_EQ(value, L"untouched");
}

TEST(AssociationLists, CardinalKeysFindTheFirstValueStored) {
  TMapCardinal2Cardinal map;
  map.Set(5, 1);
  map.Set(5, 2);
  map.Set(0xFFFFFFFFu, 7);
  std::uint32_t value = 99;
  ASSERT_TRUE(map.Find(5, value));
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(map.Find(0xFFFFFFFFu, value));
  EXPECT_EQ(value, 7u);
  value = 99;
  EXPECT_FALSE(map.Find(6, value));
  EXPECT_EQ(value, 99u);
}

}  // namespace
}  // namespace leafmark::content::test
