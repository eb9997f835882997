// The download engine: buffering before attachment, then headers, OnStartBinding, one
// OnDataAvailable per write and OnStopBinding towards the runtime's callback.
#include "content/content_provider.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "content/content_provider_stream.h"
#include "content/debug_trace.h"
#include "win/unique_any.h"

namespace leafmark::content {
namespace {

// Every notification of a download is both the first and the last.
constexpr DWORD kDataFlags = BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION;

void Rewind(IStream& stream) {
  LARGE_INTEGER zero{};
  stream.Seek(zero, STREAM_SEEK_SET, nullptr);
}

std::wstring ResponseHeaders(std::int64_t contentLength) {
  // The low 32 bits as a signed number: a length never set reads -1.
  const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(contentLength));
  return L"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_wstring(low) + L"\r\n";
}

// An empty write needs no bytes (and may come without a buffer), but still counts as data.
HRESULT Store(IStream& stream, const void* data, ULONG count, ULONG* written) {
  if (count == 0) {
    if (written) *written = 0;
    return S_OK;
  }
  return stream.Write(data, count, written);
}

}  // namespace

com::TComPtr<IStream> CreateMemoryIStream() {
  com::TComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put())) || !stream) {
    throw std::runtime_error("Cannot create a memory stream");
  }
  return stream;
}

TNewContentProvider CreateContentProvider() {
  TNewContentProvider created;
  created.provider = com::MakeCom<TContentProvider, IContentProvider>();
  created.stream = com::MakeCom<TContentProviderStream, IStream>(created.provider);
  return created;
}

TContentProvider::TContentProvider() : buffer_(CreateMemoryIStream()) {}

void TContentProvider::SendResponseHeaders() {
  if (!callback_) return;
  const auto negotiate = callback_.As<IHttpNegotiate>();
  if (!negotiate) return;
  const std::wstring headers = ResponseHeaders(contentLength_);
  // Not used, but it was allocated for us.
  win::TUniqueCoTaskMemory<wchar_t> additionalHeaders;
  negotiate->OnResponse(200, headers.c_str(), nullptr, additionalHeaders.Put());
}

void TContentProvider::EnsureStarted() {
  if (started_) return;
  SendResponseHeaders();
  callback_->OnStartBinding(0, nullptr);
  started_ = true;
}

HRESULT TContentProvider::NotifyData(IStream* data, ULONG size) {
  FORMATETC format{};
  format.cfFormat = 0;
  format.ptd = nullptr;
  format.dwAspect = DVASPECT_CONTENT;
  format.lindex = -1;
  format.tymed = TYMED_ISTREAM;
  STGMEDIUM medium{};
  medium.tymed = TYMED_ISTREAM;
  medium.pstm = data;
  medium.pUnkForRelease = nullptr;
  return callback_->OnDataAvailable(kDataFlags, size, &format, &medium);
}

HRESULT TContentProvider::SetBindStatusCallback(IBindStatusCallback* callback) noexcept {
  return com::ComBoundary([&] {
    std::lock_guard guard(lock_);
    callback_ = com::TComPtr<IBindStatusCallback>(callback);
    // A second attachment finds the buffer gone and delivers nothing again.
    if (callback_ && dataWritten_ && buffer_) {
      EnsureStarted();
      Rewind(*buffer_);
      NotifyData(buffer_.Get(), bufferedSize_);
      buffer_.Reset();
      if (finished_) callback_->OnStopBinding(S_OK, nullptr);
    }
    return S_OK;
  });
}

HRESULT TContentProvider::HasData() noexcept {
  std::lock_guard guard(lock_);
  return dataWritten_ ? S_OK : S_FALSE;
}

HRESULT TContentProvider::Finish() noexcept {
  return com::ComBoundary([&] {
    std::lock_guard guard(lock_);
    finished_ = true;
    if (dataWritten_ && callback_) {
      EnsureStarted();
      callback_->OnStopBinding(S_OK, nullptr);
    }
    return S_OK;
  });
}

HRESULT TContentProvider::Write(const void* data, ULONG count, ULONG* written) noexcept {
  const HRESULT result = com::ComBoundary([&] {
    std::lock_guard guard(lock_);
    dataWritten_ = true;
    if (!callback_) {
      if (!buffer_) return E_UNEXPECTED;
      const HRESULT stored = Store(*buffer_, data, count, written);
      if (FAILED(stored)) return stored;
      bufferedSize_ += count;
      return S_OK;
    }
    EnsureStarted();
    const auto piece = CreateMemoryIStream();
    const HRESULT stored = Store(*piece, data, count, written);
    if (FAILED(stored)) return stored;
    Rewind(*piece);
    const HRESULT notified = NotifyData(piece.Get(), count);
    char line[64];
    std::snprintf(line, sizeof line, "m_pBindStatusCallback.OnDataAvailable, hr = 0x%.8lx\\n",
                  static_cast<unsigned long>(notified));
    DebugTrace(line);
    // The writer learns of a refused notification only through the count.
    if (notified != S_OK && written) *written = 0;
    return S_OK;
  });
  if (FAILED(result) && written) *written = 0;
  return result;
}

HRESULT TContentProvider::SetSize(ULARGE_INTEGER size) noexcept {
  return com::ComBoundary([&] {
    std::lock_guard guard(lock_);
    contentLength_ = static_cast<std::int64_t>(size.QuadPart);
    SendResponseHeaders();
    return S_OK;
  });
}

}  // namespace leafmark::content
