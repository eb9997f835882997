// Prints content delivery figures: write throughput from a writer through the stream layers
// to a bind-status callback, from the main thread and from a worker thread, and the time one
// 100 KB request takes end to end through the moniker and BindURLToStorage.
//   bench_content_delivery [megabytes per write size, default 64]
#include <windows.h>
#include <objbase.h>
#include <urlmon.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "content/content_manager.h"
#include "content/content_provider.h"
#include "content/my_moniker.h"
#include "content/synchronized_stream.h"
#include "content/urlmon_functions.h"
#include "tests/support/message_pump.h"
#include "ui/main_thread_calls.h"

using namespace leafmark;
using namespace leafmark::content;
using Clock = std::chrono::steady_clock;

namespace {

// Reads every notification's bytes, as the runtime does, and counts them.
class TCountingCallback final : public com::TComObject<IBindStatusCallback> {
 public:
  std::atomic<std::uint64_t> bytes{0};
  std::atomic<bool> stopped{false};

  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) noexcept override {
    stopped = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO*) noexcept override {
    if (flags) *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*,
                                            STGMEDIUM* medium) noexcept override {
    static thread_local std::vector<char> scratch(1 << 20);
    ULONG read = 0;
    while (SUCCEEDED(medium->pstm->Read(scratch.data(), static_cast<ULONG>(scratch.size()), &read)) &&
           read > 0) {
      bytes += read;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) noexcept override {
    return S_OK;
  }
};

// Answers every request through OnLoadExternalResource with the same bytes.
class TServingControl final : public com::TOwnedComObject<IFlashPlayerControlBase> {
 public:
  explicit TServingControl(std::size_t size) : resource_(size, 'r') {}
  ~TServingControl() override {
    ContentManager().UnregisterControl(link_);
    link_->Detach();
  }
  const TControlRef& Link() const { return link_; }

  HRESULT STDMETHODCALLTYPE PutMovie(const wchar_t*) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LoadMovie(int, const wchar_t*) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBase(std::wstring* base) noexcept override {
    base->clear();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FireLoadExternalResource(const wchar_t*,
                                                     TStream* stream) noexcept override {
    stream->WriteBuffer(resource_.data(), static_cast<std::int64_t>(resource_.size()));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FireLoadExternalResourceEx(const wchar_t*, std::unique_ptr<TStream>*,
                                                       bool*) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FireLoadExternalResourceAsync(const wchar_t*,
                                                          std::unique_ptr<TStream>*) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FireUnloadExternalResourceAsync(TStream*) noexcept override {
    return S_OK;
  }

 private:
  std::string resource_;
  const TControlRef link_ = TControlLink::Create(this);
};

double Seconds(Clock::duration elapsed) { return std::chrono::duration<double>(elapsed).count(); }

// Writes total bytes in pieces of writeSize through a wrapper over a new download.
double WriteThroughput(std::size_t writeSize, std::uint64_t total, bool fromWorker) {
  TNewContentProvider created = CreateContentProvider();
  const auto callback = com::MakeCom<TCountingCallback>();
  created.provider->SetBindStatusCallback(callback.Get());
  auto wrapper = WrapIStreamForMainThread(std::move(created.stream));
  const std::vector<char> piece(writeSize, 'w');
  const std::uint64_t writes = std::max<std::uint64_t>(total / writeSize, 16);
  const auto write = [&] {
    for (std::uint64_t i = 0; i < writes; ++i) {
      wrapper->WriteBuffer(piece.data(), static_cast<std::int64_t>(writeSize));
    }
    wrapper.reset();
  };
  const auto start = Clock::now();
  if (fromWorker) {
    test::RunOnWorkerWhilePumping(write);
  } else {
    write();
  }
  const double seconds = Seconds(Clock::now() - start);
  if (!callback->stopped || callback->bytes != writes * writeSize) {
    std::fprintf(stderr, "lost bytes: %llu of %llu\n",
                 static_cast<unsigned long long>(callback->bytes.load()),
                 static_cast<unsigned long long>(writes * writeSize));
    std::exit(1);
  }
  return static_cast<double>(writes * writeSize) / seconds;
}

// One request as the runtime makes it, until OnStopBinding.
void Request(const std::wstring& url, std::size_t expected) {
  const auto callback = com::MakeCom<TCountingCallback>();
  com::TComPtr<IBindCtx> bindContext;
  CreateAsyncBindCtx(0, callback.Get(), nullptr, bindContext.Put());
  com::TComPtr<IMoniker> moniker;
  CreateMoniker(nullptr, url.c_str(), moniker.Put());
  com::TComPtr<IStream> object;
  const HRESULT result =
      moniker->BindToStorage(bindContext.Get(), nullptr, __uuidof(IStream), object.PutVoid());
  if (result != MK_S_ASYNCHRONOUS || !callback->stopped || callback->bytes != expected) {
    std::fprintf(stderr, "request failed: 0x%08lx\n", static_cast<unsigned long>(result));
    std::exit(1);
  }
}

double MicrosecondsPerRequest(int requests, bool fromWorker) {
  constexpr std::size_t kResource = 100 * 1000;
  const auto control = std::make_unique<TServingControl>(kResource);
  const std::wstring movie = ContentManager().NewFakeURL();
  std::int32_t id = 0;
  std::wstring unused;
  ParseFakeURL(movie, id, unused);
  ContentManager().RegisterControl(id, control->Link());
  const std::wstring url = movie.substr(0, movie.rfind(L'\\') + 1) + L"files/page.jpg";
  const auto run = [&] {
    for (int i = 0; i < requests; ++i) Request(url, kResource);
  };
  const auto start = Clock::now();
  if (fromWorker) {
    test::RunOnWorkerWhilePumping(run);
  } else {
    run();
  }
  const double seconds = Seconds(Clock::now() - start);
  return seconds * 1e6 / requests;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ui::InitMainThreadCalls();
  InitUrlmon();
  InitContentManager();

  std::printf("Writer to callback through wrapper, stream, facade and provider "
              "(%llu MiB per run, best of 3)\n",
              static_cast<unsigned long long>(megabytes));
  std::printf("%10s %16s %16s %16s\n", "write", "main MiB/s", "worker MiB/s", "worker writes/s");
  for (const std::size_t size : {std::size_t{4} << 10, std::size_t{64} << 10,
                                 std::size_t{1} << 20, std::size_t{4} << 20}) {
    const std::uint64_t total = megabytes << 20;
    // Best of three: the machine is shared, and the slow runs measure the neighbours.
    double main = 0, worker = 0;
    for (int run = 0; run < 3; ++run) {
      main = std::max(main, WriteThroughput(size, total, false));
      worker = std::max(worker, WriteThroughput(size, total, true));
    }
    std::printf("%7zu KiB %16.1f %16.1f %16.0f\n", size >> 10, main / (1 << 20),
                worker / (1 << 20), worker / static_cast<double>(size));
  }

  constexpr int kRequests = 200;
  std::printf("\nOne 100 KB request through the moniker and BindURLToStorage (%d requests)\n",
              kRequests);
  std::printf("  asked on the main thread:   %8.1f us\n", MicrosecondsPerRequest(kRequests, false));
  std::printf("  asked on a worker thread:   %8.1f us\n", MicrosecondsPerRequest(kRequests, true));

  FinalizeContentManager();
  FinalizeUrlmon();
  ui::FinalizeMainThreadCalls();
  CoUninitialize();
  return 0;
}
