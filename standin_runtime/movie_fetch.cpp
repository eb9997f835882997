#include "movie_fetch.h"

#include <cstdio>
#include <cstring>

namespace standin {

namespace {

constexpr DWORD kChunk = 64 * 1024;

std::string HResultText(const char* what, HRESULT result) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed with 0x%08lX", what, static_cast<unsigned long>(result));
  return text;
}

class TFileHandle {
 public:
  explicit TFileHandle(HANDLE handle) : handle_(handle) {}
  ~TFileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

using TPreciseTime = void(WINAPI*)(FILETIME*);

// Windows 8 and later keep the time to the microsecond; Windows 7 only to its clock tick.
TPreciseTime PreciseTimeFunction() noexcept {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const FARPROC found = kernel ? GetProcAddress(kernel, "GetSystemTimePreciseAsFileTime") : nullptr;
  return reinterpret_cast<TPreciseTime>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

std::int64_t SystemMicroseconds() noexcept {
  static const TPreciseTime precise = PreciseTimeFunction();
  FILETIME now{};
  if (precise) {
    precise(&now);
  } else {
    GetSystemTimeAsFileTime(&now);
  }
  const std::int64_t ticks = static_cast<std::int64_t>(static_cast<std::uint64_t>(now.dwHighDateTime) << 32 |
                                                       now.dwLowDateTime);
  constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;
  return (ticks - kTicksFrom1601To1970) / 10;
}

void TFetchResult::Append(const std::uint8_t* data, std::size_t size) {
  if (Finished) return;
  if (size > kMaxFetchBytes - Bytes.size()) {
    Finish("more than " + std::to_string(kMaxFetchBytes) + " bytes");
    return;
  }
  if (size > 0 && FirstByteTime == 0) FirstByteTime = SystemMicroseconds();
  Bytes.insert(Bytes.end(), data, data + size);
}

void TFetchResult::Finish(std::string error) {
  if (Finished) return;
  Finished = true;
  Error = std::move(error);
}

bool ReadWholeFile(const std::wstring& path, TFetchResult& result) {
  TFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) return false;
  result.Via = "file";
  std::vector<std::uint8_t> chunk(kChunk);
  while (!result.Finished) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), chunk.data(), kChunk, &read, nullptr)) {
      result.Finish("ReadFile failed with error " + std::to_string(GetLastError()));
      break;
    }
    if (read == 0) {
      result.Finish({});
      break;
    }
    result.Append(chunk.data(), read);
  }
  return true;
}

void TUrlFetch::Create(std::shared_ptr<TFetchResult> result, TComRef<TUrlFetch>& fetch) {
  result->Via = "moniker";
  auto* created = new TUrlFetch(std::move(result));
  fetch.Reset(created);
  created->Release();  // the count of one is now fetch's
}

void TUrlFetch::Start(const std::wstring& url, std::shared_ptr<TFetchResult> result, TComRef<TUrlFetch>& fetch) {
  Create(std::move(result), fetch);
  TUrlFetch* created = fetch.Get();

  TComRef<IMoniker> moniker;
  HRESULT hr = CreateURLMoniker(nullptr, url.c_str(), moniker.Put());
  if (FAILED(hr) || !moniker.Get()) return created->Finish(HResultText("CreateURLMoniker", hr));
  TComRef<IBindCtx> context;
  hr = CreateBindCtx(0, context.Put());
  if (FAILED(hr)) return created->Finish(HResultText("CreateBindCtx", hr));
  TComRef<IBindStatusCallback> previous;
  hr = RegisterBindStatusCallback(context.Get(), created, previous.Put(), 0);
  if (FAILED(hr)) return created->Finish(HResultText("RegisterBindStatusCallback", hr));

  TComRef<IStream> stream;
  hr = moniker.Get()->BindToStorage(context.Get(), nullptr, IID_IStream, reinterpret_cast<void**>(stream.Put()));
  if (FAILED(hr)) return created->Finish(HResultText("BindToStorage", hr));
  // A binding that finished at once may hand the whole content over as the result.
  if (hr == S_OK && stream.Get() && created->result_) {
    created->ReadAll(stream.Get());
    created->Finish({});
  }
}

void TUrlFetch::Abort() noexcept {
  result_.reset();
  if (IBinding* binding = binding_.Get()) binding->Abort();
  binding_.Reset(nullptr);
}

HRESULT TUrlFetch::OnStartBinding(DWORD, IBinding* binding) noexcept {
  binding_.Reset(binding);
  return S_OK;
}

HRESULT TUrlFetch::GetPriority(LONG*) noexcept { return E_NOTIMPL; }
HRESULT TUrlFetch::OnLowResource(DWORD) noexcept { return S_OK; }
HRESULT TUrlFetch::OnProgress(ULONG, ULONG, ULONG, LPCWSTR) noexcept { return S_OK; }

HRESULT TUrlFetch::OnStopBinding(HRESULT result, LPCWSTR) noexcept {
  binding_.Reset(nullptr);
  try {
    Finish(SUCCEEDED(result) ? std::string() : HResultText("the binding", result));
  } catch (...) {
    // Out of memory for the message: the fetch stays unfinished rather than crash the host.
  }
  return S_OK;
}

HRESULT TUrlFetch::GetBindInfo(DWORD* flags, BINDINFO* info) noexcept {
  if (!flags || !info) return E_INVALIDARG;
  *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA;
  const ULONG size = info->cbSize;
  std::memset(info, 0, size < sizeof *info ? size : sizeof *info);
  info->cbSize = size;
  info->dwBindVerb = BINDVERB_GET;
  return S_OK;
}

HRESULT TUrlFetch::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) noexcept {
  if (!medium || medium->tymed != TYMED_ISTREAM || !medium->pstm) return S_OK;
  AddRef();  // the owner may let go of this fetch while it is told of the data
  try {
    ReadAll(medium->pstm);
    Notify();
  } catch (...) {
    Abort();
  }
  Release();
  return S_OK;
}

HRESULT TUrlFetch::OnObjectAvailable(REFIID, IUnknown*) noexcept { return S_OK; }

// Reads until the stream has nothing more for now (E_PENDING) or at all (S_FALSE).
void TUrlFetch::ReadAll(IStream* stream) {
  std::vector<std::uint8_t> chunk(kChunk);
  while (result_ && !result_->Finished) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(chunk.data(), kChunk, &read);
    if (read > 0) result_->Append(chunk.data(), read);
    if (hr != S_OK || read == 0) break;
  }
  if (result_ && result_->Finished) {
    // Over the limit: nothing more is wanted.
    if (IBinding* binding = binding_.Get()) binding->Abort();
  }
}

void TUrlFetch::Finish(std::string error) {
  if (!result_) return;
  result_->Finish(std::move(error));
  Notify();
  result_.reset();
}

void TUrlFetch::Notify() {
  if (!result_ || !result_->Changed) return;
  const auto changed = result_->Changed;  // may clear result_->Changed while it runs
  changed();
}

}  // namespace standin
