// The runtime's URL moniker and the callback forwarder, on real bind contexts of urlmon.
#include <gtest/gtest.h>

#include <windows.h>
#include <urlmon.h>

#include <filesystem>
#include <functional>

#include "content/content_manager.h"
#include "content/my_bind_status_callback.h"
#include "content/my_moniker.h"
#include "content/urlmon_functions.h"
#include "content_test_environment.h"
#include "recording_callback.h"
#include "test_control.h"
#include "tests/support/temp_dir.h"

namespace leafmark::content::test {
namespace {

using com::MakeCom;
using com::TComPtr;

template <class T>
ULONG OtherReferences(T* object) {
  object->AddRef();
  return object->Release() - 1;
}

// What the runtime does: a bind context with its callback registered, a moniker from
// CreateURLMoniker (here the replacement's body), BindToStorage for an IStream.
struct TRuntimeRequest {
  TComPtr<IBindCtx> bindContext;
  TComPtr<IMoniker> moniker;
  TComPtr<IStream> object;
  HRESULT result = E_UNEXPECTED;
};

TRuntimeRequest Request(const std::wstring& url, TRecordingCallback* callback) {
  TRuntimeRequest request;
  EXPECT_EQ(CreateAsyncBindCtx(0, callback, nullptr, request.bindContext.Put()), S_OK);
  EXPECT_EQ(CreateMoniker(nullptr, url.c_str(), request.moniker.Put()), S_OK);
  request.result = request.moniker->BindToStorage(request.bindContext.Get(), nullptr,
                                                  __uuidof(IStream), request.object.PutVoid());
  return request;
}

// Swaps the process-wide urlmon for a stand-in library during one test.
class TStandInUrlmon {
 public:
  explicit TStandInUrlmon(const char* libraryName) {
    FinalizeUrlmon();
    InitUrlmon(libraryName);
  }
  ~TStandInUrlmon() {
    FinalizeUrlmon();
    InitUrlmon();
  }
  TStandInUrlmon(const TStandInUrlmon&) = delete;
  TStandInUrlmon& operator=(const TStandInUrlmon&) = delete;
};

class MonikerTest : public ContentTest {
 protected:
  TComPtr<TRecordingCallback> callback_ = MakeCom<TRecordingCallback>();
  std::unique_ptr<TTestControl> control_ = std::make_unique<TTestControl>();
};

TEST_F(MonikerTest, AnswersMonikerAndBindingButNotItsPersistenceBases) {
  TComPtr<IMoniker> moniker;
  ASSERT_EQ(CreateMoniker(nullptr, L"http://example.com/a.swf", moniker.Put()), S_OK);
  EXPECT_TRUE(moniker.As<IUnknown>());
  EXPECT_TRUE(moniker.As<IMoniker>());
  EXPECT_FALSE(moniker.As<IPersistStream>());
  EXPECT_FALSE(moniker.As<IPersist>());
  const auto binding = moniker.As<IBinding>();
  ASSERT_TRUE(binding);
  LONG priority = 0;
  DWORD number = 0;
  CLSID protocol{};
  LPOLESTR text = nullptr;
  EXPECT_EQ(binding->Abort(), E_FAIL);
  EXPECT_EQ(binding->Suspend(), E_FAIL);
  EXPECT_EQ(binding->Resume(), E_FAIL);
  EXPECT_EQ(binding->SetPriority(1), E_FAIL);
  EXPECT_EQ(binding->GetPriority(&priority), E_FAIL);
  EXPECT_EQ(binding->GetBindResult(&protocol, &number, &text, nullptr), E_FAIL);
}

TEST_F(MonikerTest, DelegatesToTheSystemURLMoniker) {
  const std::wstring url = L"http://example.com/book/page.swf";
  TComPtr<IMoniker> moniker;
  ASSERT_EQ(CreateMoniker(nullptr, url.c_str(), moniker.Put()), S_OK);
  TComPtr<IMoniker> system;
  ASSERT_EQ(::CreateURLMoniker(nullptr, url.c_str(), system.Put()), S_OK);

  LPOLESTR name = nullptr;
  ASSERT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
  EXPECT_EQ(std::wstring(name), url);
  CoTaskMemFree(name);
  DWORD kind = 0, systemKind = 1;
  EXPECT_EQ(moniker->IsSystemMoniker(&kind), system->IsSystemMoniker(&systemKind));
  EXPECT_EQ(kind, systemKind);
  DWORD hash = 0, systemHash = 1;
  EXPECT_EQ(moniker->Hash(&hash), S_OK);
  system->Hash(&systemHash);
  EXPECT_EQ(hash, systemHash);
  EXPECT_EQ(moniker->IsEqual(system.Get()), S_OK);
  CLSID classId{}, systemClassId{};
  EXPECT_EQ(moniker->GetClassID(&classId), system->GetClassID(&systemClassId));
  EXPECT_EQ(classId, systemClassId);
}

TEST_F(MonikerTest, WithoutASystemMonikerEveryDelegatedOperationFailsButBindingWorks) {
  const TStandInUrlmon refusing("refusing_urlmon.dll");  // accepts no URL
  TComPtr<IMoniker> moniker;
  ASSERT_EQ(CreateMoniker(nullptr, L"book/page.swf", moniker.Put()), S_OK);
  ASSERT_TRUE(moniker);
  ASSERT_EQ(static_cast<TMyMoniker*>(moniker.Get())->InnerMoniker(), nullptr);
  IMoniker* const stale = moniker.Get();
  IMoniker* out = stale;
  IMoniker* toLeft = nullptr;
  IEnumMoniker* enumerator = reinterpret_cast<IEnumMoniker*>(stale);
  LPOLESTR name = nullptr;
  ULONG eaten = 0;
  DWORD number = 0;
  FILETIME time{};
  ULARGE_INTEGER size{};
  CLSID classId{};
  const HRESULT results[] = {
      moniker->GetClassID(&classId),
      moniker->IsDirty(),
      moniker->Load(nullptr),
      moniker->Save(nullptr, FALSE),
      moniker->GetSizeMax(&size),
      moniker->BindToObject(nullptr, nullptr, __uuidof(IUnknown), reinterpret_cast<void**>(&out)),
      moniker->IsEqual(stale),
      moniker->Hash(&number),
      moniker->IsRunning(nullptr, nullptr, nullptr),
      moniker->GetTimeOfLastChange(nullptr, nullptr, &time),
      moniker->GetDisplayName(nullptr, nullptr, &name),
      moniker->IsSystemMoniker(&number),
  };
  for (const HRESULT result : results) EXPECT_EQ(result, E_FAIL);

  // Interface out-arguments are cleared first: each operation gets the stale pointer and must
  // leave nil behind.
  const struct {
    const char* operation;
    std::function<HRESULT(IMoniker**)> call;
  } cleared[] = {
      {"Reduce", [&](IMoniker** result) { return moniker->Reduce(nullptr, 0, &toLeft, result); }},
      {"ComposeWith", [&](IMoniker** result) { return moniker->ComposeWith(stale, FALSE, result); }},
      {"Inverse", [&](IMoniker** result) { return moniker->Inverse(result); }},
      {"CommonPrefixWith",
       [&](IMoniker** result) { return moniker->CommonPrefixWith(stale, result); }},
      {"RelativePathTo", [&](IMoniker** result) { return moniker->RelativePathTo(stale, result); }},
      {"ParseDisplayName",
       [&](IMoniker** result) {
         return moniker->ParseDisplayName(nullptr, nullptr, name, &eaten, result);
       }},
  };
  for (const auto& c : cleared) {
    out = stale;
    EXPECT_EQ(c.call(&out), E_FAIL) << c.operation;
    EXPECT_EQ(out, nullptr) << c.operation;
  }
  EXPECT_EQ(moniker->Enum(TRUE, &enumerator), E_FAIL);
  EXPECT_EQ(enumerator, nullptr);

  // BindToStorage does not need the system moniker: it reaches the content manager.
  std::wstring asked;
  ContentManager().SetContentProviderCallback(
      [&](const std::wstring& url, std::unique_ptr<TStream>&, bool& handled) {
        asked = url;
        handled = true;
      });
  TComPtr<IBindCtx> bindContext;
  ASSERT_EQ(CreateAsyncBindCtx(0, callback_.Get(), nullptr, bindContext.Put()), S_OK);
  TComPtr<IStream> object;
  EXPECT_EQ(moniker->BindToStorage(bindContext.Get(), nullptr, __uuidof(IStream),
                                   object.PutVoid()),
            MK_S_ASYNCHRONOUS);
  EXPECT_EQ(asked, L"book/page.swf");
}

TEST_F(MonikerTest, TheForwarderPassesEverythingToThePreviousCallback) {
  const auto forwarder = MakeCom<TMyBindStatusCallback>();
  // Alone it answers only itself and implements nothing.
  EXPECT_TRUE(forwarder.As<IBindStatusCallback>());
  EXPECT_FALSE(forwarder.As<IHttpNegotiate>());
  EXPECT_EQ(forwarder->OnStartBinding(0, nullptr), E_NOTIMPL);
  EXPECT_EQ(forwarder->OnStopBinding(S_OK, nullptr), E_NOTIMPL);
  EXPECT_EQ(forwarder->OnDataAvailable(0, 0, nullptr, nullptr), E_NOTIMPL);
  LONG priority = 0;
  EXPECT_EQ(forwarder->GetPriority(&priority), E_NOTIMPL);
  EXPECT_EQ(forwarder->OnLowResource(0), E_NOTIMPL);
  EXPECT_EQ(forwarder->OnProgress(0, 0, 0, nullptr), E_NOTIMPL);
  DWORD flags = 0;
  EXPECT_EQ(forwarder->GetBindInfo(&flags, nullptr), E_NOTIMPL);
  EXPECT_EQ(forwarder->OnObjectAvailable(__uuidof(IUnknown), nullptr), E_NOTIMPL);

  forwarder->SetPreviousCallback(TComPtr<IBindStatusCallback>(callback_.Get()));
  // IHttpNegotiate is the runtime callback's own.
  const auto negotiate = forwarder.As<IHttpNegotiate>();
  ASSERT_TRUE(negotiate);
  EXPECT_EQ(negotiate.Get(), static_cast<IHttpNegotiate*>(callback_.Get()));
  EXPECT_EQ(forwarder->OnStartBinding(0, nullptr), S_OK);
  EXPECT_EQ(forwarder->GetBindInfo(&flags, nullptr), S_OK);
  EXPECT_EQ(flags, DWORD{BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA});
  EXPECT_EQ(forwarder->OnStopBinding(E_ABORT, nullptr), S_OK);
  EXPECT_EQ(callback_->Sequence(), "OnStartBinding OnStopBinding");
  EXPECT_EQ(callback_->Events().back().result, E_ABORT);

  // Without IHttpNegotiate on the runtime's callback, the forwarder has none either.
  const auto plain = MakeCom<TRecordingCallback>(false);
  forwarder->SetPreviousCallback(TComPtr<IBindStatusCallback>(plain.Get()));
  EXPECT_FALSE(forwarder.As<IHttpNegotiate>());
}

// Requests as the runtime makes them, through the moniker on a real bind context.
class RuntimeRequestTest : public MonikerTest {
 protected:
  const std::wstring marker_{FakeURLMarker};
  // Movie id 1 belongs to control_.
  void RegisterFirstMovie() { ContentManager().CreateMovieStream(control_->Link(), false, -1); }
  std::wstring MovieURL(const std::wstring& relativePath, int id = 1) const {
    return L"Z:/FromMemory/" + marker_ + L"/" + std::to_wstring(id) + L"/" + relativePath;
  }
  // Once the runtime lets go of its request, nothing of the download may hold its callback:
  // provider, facade, byte stream and wrapper are all destroyed.
  void ExpectAllReleased(TRuntimeRequest& request) {
    request = TRuntimeRequest{};
    EXPECT_EQ(OtherReferences(callback_.Get()), 0u);
  }
  leafmark::test::TTempDir base_;
};

TEST_F(RuntimeRequestTest, AMovieHandedOverAsBytesArrivesWhenTheRuntimeAsksFromItsThread) {
  const std::string movie = PatternBytes(10000, 7);
  TMemoryStream source(std::vector<std::uint8_t>(movie.begin(), movie.end()));
  source.Seek(0, TSeekOrigin::End);  // copied from the beginning whatever its position
  ContentManager().CopyMovieFromStream(control_->Link(), false, source, -1);
  EXPECT_EQ(callback_->Sequence(), "");

  // The runtime asks for the movie URL written as a file URL with forward slashes.
  const std::wstring fileURL =
      L"file:///Z:/FromMemory/" + marker_ + L"/1/" + std::wstring(FakeMovieName);
  TRuntimeRequest request;
  RunOnWorkerWhilePumping([&] { request = Request(fileURL, callback_.Get()); });
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  EXPECT_EQ(callback_->Sequence(), "OnResponse OnStartBinding OnDataAvailable OnStopBinding");
  const auto events = callback_->Events();
  EXPECT_EQ(events[0].headers, L"HTTP/1.1 200 OK\r\nContent-Length: -1\r\n");
  EXPECT_EQ(events[2].size, 10000u);
  EXPECT_EQ(events[2].flags, 5u);
  EXPECT_EQ(events[2].bytes, movie);
  EXPECT_EQ(events[3].result, S_OK);
  EXPECT_NE(events[2].thread, GetCurrentThreadId());  // held bytes go on the asking thread
  ExpectAllReleased(request);

  // The registration answered one download; the next goes to the control's events.
  TComPtr<TRecordingCallback> second = MakeCom<TRecordingCallback>();
  RunOnWorkerWhilePumping([&] { Request(fileURL, second.Get()); });
  const auto calls = control_->Calls();
  EXPECT_EQ(calls[calls.size() - 2], L"LoadEx " + std::wstring(FakeMovieName));
  EXPECT_EQ(calls.back(), L"Load " + std::wstring(FakeMovieName));
}

TEST_F(RuntimeRequestTest, TheControlsExEventAnswersFirst) {
  RegisterFirstMovie();
  control_->onLoadEx = [](const std::wstring& url, std::unique_ptr<TStream>& stream,
                          bool& handled) {
    if (url != L"files/thumb/1.jpg") return;
    stream->WriteBuffer("jpeg", 4);
    stream->WriteBuffer("data", 4);
    handled = true;
  };
  TRuntimeRequest request;
  RunOnWorkerWhilePumping([&] { request = Request(MovieURL(L"files/thumb/1.jpg"), callback_.Get()); });
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  EXPECT_EQ(request.object.Get(), nullptr);
  EXPECT_EQ(callback_->Sequence(),
            "OnResponse OnStartBinding OnDataAvailable OnDataAvailable OnStopBinding");
  EXPECT_EQ(callback_->Bytes(), "jpegdata");
  // Writes through the wrapper reach the runtime on the main thread; the request's own end
  // comes on the thread that asked.
  const auto events = callback_->Events();
  for (std::size_t i = 0; i + 1 < events.size(); ++i) {
    EXPECT_EQ(events[i].thread, GetCurrentThreadId()) << events[i].name;
  }
  EXPECT_NE(events.back().thread, GetCurrentThreadId());
  EXPECT_EQ(control_->Calls().back(), L"LoadEx files/thumb/1.jpg");
  ExpectAllReleased(request);
}

TEST_F(RuntimeRequestTest, AnExHandlerThatKeepsTheStreamEndsTheDownloadWhenItDestroysIt) {
  RegisterFirstMovie();
  std::unique_ptr<TStream> kept;
  control_->onLoadEx = [&](const std::wstring&, std::unique_ptr<TStream>& stream, bool& handled) {
    kept = std::move(stream);
    handled = true;
  };
  TRuntimeRequest request;
  RunOnWorkerWhilePumping([&] { request = Request(MovieURL(L"late.swf"), callback_.Get()); });
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  EXPECT_EQ(callback_->Sequence(), "");
  RunOnWorkerWhilePumping([&] { kept->WriteBuffer("late", 4); });
  EXPECT_EQ(callback_->Sequence(), "OnResponse OnStartBinding OnDataAvailable");
  RunOnWorkerWhilePumping([&] { kept.reset(); });
  EXPECT_EQ(callback_->Sequence(), "OnResponse OnStartBinding OnDataAvailable OnStopBinding");
  ExpectAllReleased(request);
}

TEST_F(RuntimeRequestTest, ThenTheControlsPlainEventAnswersInOneWrite) {
  RegisterFirstMovie();
  const std::string page = PatternBytes(100000, 3);
  control_->onLoad = [&](const std::wstring& url, TStream& stream) {
    if (url == L"page.swf") stream.WriteBuffer(page.data(), static_cast<std::int64_t>(page.size()));
  };
  TRuntimeRequest request;
  // Two slashes before the name: the events see it without the leading one.
  RunOnWorkerWhilePumping([&] { request = Request(MovieURL(L"/page.swf"), callback_.Get()); });
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  EXPECT_EQ(callback_->Sequence(), "OnResponse OnStartBinding OnDataAvailable OnStopBinding");
  EXPECT_EQ(callback_->Bytes(), page);
  const auto calls = control_->Calls();
  EXPECT_EQ(std::vector<std::wstring>(calls.end() - 2, calls.end()),
            (std::vector<std::wstring>{L"LoadEx page.swf", L"Load page.swf"}));
  ExpectAllReleased(request);
}

TEST_F(RuntimeRequestTest, BytesWrittenByAnExHandlerThatDidNotSayHandledStillAnswer) {
  RegisterFirstMovie();
  control_->onLoadEx = [](const std::wstring&, std::unique_ptr<TStream>& stream, bool&) {
    stream->WriteBuffer("partial", 7);
  };
  TRuntimeRequest request;
  RunOnWorkerWhilePumping([&] { request = Request(MovieURL(L"a.swf"), callback_.Get()); });
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  EXPECT_EQ(callback_->Bytes(), "partial");
  EXPECT_TRUE(callback_->Stopped());
}

TEST_F(RuntimeRequestTest, UnansweredByTheControlAFileBelowItsBaseComesFromTheSystem) {
  RegisterFirstMovie();
  std::filesystem::create_directory(base_.File("files"));
  const std::string page = PatternBytes(3000, 9);
  leafmark::test::WriteFileText(base_.File("files\\page.txt"), page);
  control_->base = Wide(base_.Path());

  // With two slashes after the id the events see the name without the leading one, while
  // the fallback joins Base, "/" and the relative path with its slash.
  for (const std::wstring relativePath : {L"files/page.txt", L"/files/page.txt"}) {
    const auto callback = MakeCom<TRecordingCallback>();
    // Asked on the main thread, as urlmon delivers a file binding through this thread's
    // messages.
    const TRuntimeRequest request = Request(MovieURL(relativePath), callback.Get());
    EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
    EXPECT_TRUE(PumpMessagesUntil([&] { return callback->Stopped(); }));
    EXPECT_EQ(callback->Bytes(), page);
    EXPECT_EQ(callback->Events().back().result, S_OK);
    const auto calls = control_->Calls();
    EXPECT_EQ(std::vector<std::wstring>(calls.end() - 2, calls.end()),
              (std::vector<std::wstring>{L"LoadEx files/page.txt", L"Load files/page.txt"}));
  }
}

TEST_F(RuntimeRequestTest, WithAnEmptyBaseTheFallbackIsBuiltOnTheCurrentDirectory) {
  RegisterFirstMovie();
  leafmark::test::WriteFileText(base_.File("here.txt"), "current directory");
  const std::wstring previous = GetCurrentDirectoryText();
  ASSERT_TRUE(SetCurrentDirectoryW(Wide(base_.Path()).c_str()));
  const TRuntimeRequest request = Request(MovieURL(L"here.txt"), callback_.Get());
  EXPECT_TRUE(PumpMessagesUntil([&] { return callback_->Stopped(); }));
  SetCurrentDirectoryW(previous.c_str());
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  EXPECT_EQ(callback_->Bytes(), "current directory");
}

TEST_F(RuntimeRequestTest, AMovieURLWhoseControlIsGoneFails) {
  RegisterFirstMovie();
  ContentManager().UnregisterControl(control_->Link());
  const TRuntimeRequest request = Request(MovieURL(L"page.swf"), callback_.Get());
  EXPECT_EQ(request.result, E_FAIL);
  EXPECT_EQ(callback_->Sequence(), "");
  EXPECT_EQ(control_->Calls().size(), 2u);  // only the two PutMovie calls
}

TEST_F(RuntimeRequestTest, OtherURLsGoToTheProcessWideCallback) {
  RegisterFirstMovie();
  std::vector<std::wstring> asked;
  ContentManager().SetContentProviderCallback(
      [&](const std::wstring& url, std::unique_ptr<TStream>& stream, bool& handled) {
        asked.push_back(url);
        stream->WriteBuffer("settings", 8);
        handled = true;
      });
  const std::wstring urls[] = {
      L"ExeConfig.xml",
      // The marker in lower case is not a movie URL.
      L"Z:/FromMemory/46a10f369771449587de913efc0a258c/1/page.swf",
      // Nor is a folder name where the id stood; nothing escapes from the failed number.
      L"Z:/FromMemory/" + marker_ + L"/files/page.swf",
  };
  for (const std::wstring& url : urls) {
    const auto callback = MakeCom<TRecordingCallback>();
    TRuntimeRequest request;
    RunOnWorkerWhilePumping([&] { request = Request(url, callback.Get()); });
    EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
    EXPECT_EQ(callback->Sequence(), "OnResponse OnStartBinding OnDataAvailable OnStopBinding");
    EXPECT_EQ(callback->Bytes(), "settings");
  }
  EXPECT_EQ(asked, std::vector<std::wstring>(std::begin(urls), std::end(urls)));
  EXPECT_EQ(control_->Calls().size(), 2u);  // the control was never asked
}

TEST_F(RuntimeRequestTest, TheProcessWideCallbackMayKeepTheStream) {
  std::unique_ptr<TStream> kept;
  ContentManager().SetContentProviderCallback(
      [&](const std::wstring&, std::unique_ptr<TStream>& stream, bool& handled) {
        kept = std::move(stream);
        handled = true;
      });
  TRuntimeRequest request;
  RunOnWorkerWhilePumping([&] { request = Request(L"http://example.com/a", callback_.Get()); });
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  EXPECT_EQ(callback_->Sequence(), "");
  kept->WriteBuffer("abc", 3);
  kept.reset();
  EXPECT_EQ(callback_->Sequence(), "OnResponse OnStartBinding OnDataAvailable OnStopBinding");
  ExpectAllReleased(request);
}

TEST_F(RuntimeRequestTest, AProcessWideCallbackThatKeepsTheStreamAnswersEvenUnflagged) {
  // The callback took the stream but did not say so: the request is still its own, and the
  // system must not deliver the same file into the runtime's callback as well.
  leafmark::test::WriteFileText(base_.File("kept.txt"), "from the system");
  std::unique_ptr<TStream> kept;
  ContentManager().SetContentProviderCallback(
      [&](const std::wstring&, std::unique_ptr<TStream>& stream, bool&) {
        kept = std::move(stream);
      });
  TRuntimeRequest request = Request(L"file:///" + Wide(base_.File("kept.txt")), callback_.Get());
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  PumpMessagesUntil([&] { return callback_->Stopped(); }, std::chrono::milliseconds(500));
  EXPECT_EQ(callback_->Sequence(), "");
  ASSERT_TRUE(kept);
  kept->WriteBuffer("kept", 4);
  kept.reset();
  EXPECT_EQ(callback_->Sequence(), "OnResponse OnStartBinding OnDataAvailable OnStopBinding");
  EXPECT_EQ(callback_->Bytes(), "kept");
  ExpectAllReleased(request);
}

TEST_F(RuntimeRequestTest, TheDummyMovieURLGoesToTheCallbackThenToTheSystem) {
  std::vector<std::wstring> asked;
  ContentManager().SetContentProviderCallback(
      [&](const std::wstring& url, std::unique_ptr<TStream>&, bool&) { asked.push_back(url); });
  const TRuntimeRequest request = Request(std::wstring(DummyMovieURL), callback_.Get());
  EXPECT_EQ(asked, std::vector<std::wstring>{std::wstring(DummyMovieURL)});
  // The system's file moniker found no such file and said so through the same callback.
  EXPECT_EQ(request.result, MK_E_NOSTORAGE);
  EXPECT_TRUE(PumpMessagesUntil([&] { return callback_->Stopped(); }));
  EXPECT_EQ(callback_->CoreSequence(), "OnStartBinding OnStopBinding");
  EXPECT_TRUE(FAILED(callback_->Events().back().result));
}

TEST_F(RuntimeRequestTest, OtherURLsNobodyAnswersGoToASystemMonikerThroughTheSameCallback) {
  // No process-wide callback installed.
  leafmark::test::WriteFileText(base_.File("plain.txt"), "plain");
  const TRuntimeRequest request =
      Request(L"file:///" + Wide(base_.File("plain.txt")), callback_.Get());
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  EXPECT_TRUE(PumpMessagesUntil([&] { return callback_->Stopped(); }));
  EXPECT_EQ(callback_->CoreSequence(), "OnStartBinding OnDataAvailable OnStopBinding");
  EXPECT_EQ(callback_->Bytes(), "plain");
  EXPECT_EQ(callback_->Events().back().result, S_OK);
}

TEST_F(RuntimeRequestTest, ASystemMonikerStillWorkingCountsAsAnAnswer) {
  // Nothing listens on this port: the system moniker answers MK_S_ASYNCHRONOUS and reports
  // the failure through the callback later. The request must not be called unanswered
  // while the system goes on delivering to the same callback.
  const TRuntimeRequest request = Request(L"http://127.0.0.1:9/book.swf", callback_.Get());
  EXPECT_EQ(request.result, MK_S_ASYNCHRONOUS);
  EXPECT_TRUE(PumpMessagesUntil([&] { return callback_->Stopped(); }));
  EXPECT_TRUE(FAILED(callback_->Events().back().result));
}

}  // namespace
}  // namespace leafmark::content::test
