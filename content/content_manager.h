// TContentManager: maps movie URLs and fake file paths back to the control that played the
// movie, and routes every download and file open to the right supplier.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/stream.h"
#include "content/content_provider_interface.h"
#include "content/control_link.h"
#include "content/fake_handles.h"
#include "content/fake_url.h"
#include "content/flash_player_control_base.h"
#include "content/resizable_stream.h"
#include "win/com_ptr.h"
#include "win/unique_any.h"

namespace leafmark::content {

// The process-wide content callback, asked for URLs that are not movie URLs. It writes the
// content into stream and sets handled. To go on writing after the call it moves stream out
// and keeps it (that alone answers the request); destroying it then ends the download. A
// stream left in place is destroyed right after the call, which ends the download at once.
using ContentProviderCallback =
    std::function<void(const std::wstring& url, std::unique_ptr<TStream>& stream, bool& handled)>;

// A download prepared ahead of the runtime's request; answers exactly one request.
struct TURLContentProviderPair {
  std::wstring URL;
  com::TComPtr<IContentProvider> Provider;
};

// Does not keep the control alive: the control unregisters itself and detaches its link
// when it is destroyed.
struct TFlashPlayerControlIdPair {
  std::int32_t Id;
  TControlRef Control;
};

class TContentManager {
 public:
  TContentManager() = default;
  TContentManager(const TContentManager&) = delete;
  TContentManager& operator=(const TContentManager&) = delete;

  void SetContentProviderCallback(ContentProviderCallback callback);

  // The next movie URL; ids grow for the life of the manager and are never reused.
  std::wstring NewFakeURL();

  // Removes and returns the first registration whose URL is SameURL to url.
  com::TComPtr<IContentProvider> TakeProvider(const std::wstring& url);

  // The registration lists are changed on the main thread and read from any thread.
  void RegisterControl(std::int32_t id, TControlRef control);
  // The control for one call; empty when none is registered for id or it is gone.
  TControlUse FindControl(std::int32_t id);
  void UnregisterControl(const TControlRef& control);

  // Announces a new movie URL to control (after DummyMovieURL) and returns the stream that
  // delivers its bytes; destroying the stream ends the movie's download.
  std::unique_ptr<TResizableStream> CreateMovieStream(const TControlRef& control,
                                                      bool useLayer, int layer);
  // The same, with the whole of source written in one piece and the stream destroyed.
  void CopyMovieFromStream(const TControlRef& control, bool useLayer, TStream& source,
                           int layer);

  // The body of the moniker's BindToStorage: the registered download for url, else the
  // control's events, else the control's Base directory or the process-wide callback, else
  // a system URL moniker. MK_S_ASYNCHRONOUS when answered, MK_E_NOSTORAGE when nobody did,
  // E_FAIL for a movie URL whose control is gone.
  HRESULT BindURLToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid,
                           IMoniker* contextMoniker, IBindStatusCallback* callback,
                           const std::wstring& url, void** object) noexcept;

  // Raises OnLoadExternalResourceEx, then OnLoadExternalResource, writing into facade.
  bool AskControlForContent(IFlashPlayerControlBase& control, std::wstring relativePath,
                            const com::TComPtr<IStream>& facade);
  // The control's Base, or the current directory when it is empty.
  std::wstring GetControlBasePath(IFlashPlayerControlBase& control);

  // Bodies of the CreateFileW / CreateFileA replacements: a served file, else the file below
  // the control's Base, else the name unchanged; the system's result and error otherwise.
  HANDLE OpenMappedFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                         LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                         DWORD flagsAndAttributes, HANDLE templateFile) noexcept;
  HANDLE OpenMappedFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                         LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                         DWORD flagsAndAttributes, HANDLE templateFile) noexcept;

  // Fake file handles, each over a stream the control's OnLoadExternalResourceAsync gave.
  HANDLE OpenServedFile(const std::wstring& fileName);
  void AddFakeHandle(win::TUniqueHandle handle, std::unique_ptr<TStream> stream,
                     TControlRef control);
  // The stream held for one operation; safe against a close of the handle meanwhile.
  TFakeHandleStream FindFakeHandleStream(HANDLE handle);
  // Removes the handle; its stream is freed once no operation holds it any more.
  bool CloseFakeHandle(HANDLE handle);

 private:
  ContentProviderCallback CurrentContentCallback();
  HANDLE OpenBelowControlBase(const std::wstring& fileName, DWORD desiredAccess,
                              DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                              DWORD creationDisposition, DWORD flagsAndAttributes,
                              HANDLE templateFile);

  std::atomic<std::int32_t> nextMovieId_{1};

  std::mutex registrationLock_;  // the two registration lists and the content callback
  std::vector<TURLContentProviderPair> providerRegistrations_;
  std::vector<TFlashPlayerControlIdPair> controlRegistrations_;
  ContentProviderCallback contentCallback_;

  std::mutex fakeHandleLock_;
  std::list<std::shared_ptr<TFakeHandleStreamPair>> fakeHandles_;
};

// The current directory, or empty when the system cannot tell.
std::wstring GetCurrentDirectoryText();

// The process-wide instance, made and freed at start-up and exit on the main thread.
void InitContentManager();
void FinalizeContentManager();
// Throws std::logic_error when there is none.
TContentManager& ContentManager();
// Null when there is none: for destructors that run late at exit.
TContentManager* FindContentManager() noexcept;

}  // namespace leafmark::content
