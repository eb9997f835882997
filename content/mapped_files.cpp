// File opens of the runtime: served files behind fake handles, files below the control's
// Base directory, and everything else passed to the system unchanged.
#include "content/content_manager.h"

#include <algorithm>
#include <cwchar>
#include <utility>

#include "win/kernel32_function.h"
#include "win/system_text.h"

namespace leafmark::content {
namespace {

using TCreateFileW = decltype(&::CreateFileW);
using TGetCurrentDirectoryW = decltype(&::GetCurrentDirectoryW);

// The system's CreateFileW, or CreateFileA with the name in the system code page.
HANDLE SystemCreateFile(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                        LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                        DWORD flagsAndAttributes, HANDLE templateFile) {
  if (const auto createFileW = win::Kernel32Function<TCreateFileW>("CreateFileW")) {
    return createFileW(fileName, desiredAccess, shareMode, securityAttributes,
                       creationDisposition, flagsAndAttributes, templateFile);
  }
  const std::string name = fileName ? win::WideToSystem(fileName) : std::string();
  return CreateFileA(fileName ? name.c_str() : nullptr, desiredAccess, shareMode,
                     securityAttributes, creationDisposition, flagsAndAttributes, templateFile);
}

}  // namespace

std::wstring GetCurrentDirectoryText() {
  if (const auto getCurrentDirectoryW =
          win::Kernel32Function<TGetCurrentDirectoryW>("GetCurrentDirectoryW")) {
    wchar_t probe[1] = {};
    const DWORD needed = getCurrentDirectoryW(1, probe);
    if (needed == 0) return {};
    std::wstring text(needed + 1, L'\0');
    getCurrentDirectoryW(static_cast<DWORD>(text.size()), text.data());
    text.resize(std::wcslen(text.c_str()));
    return text;
  }
  char text[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof text, text);
  return win::SystemToWide(text);
}

HANDLE TContentManager::OpenMappedFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                        LPSECURITY_ATTRIBUTES securityAttributes,
                                        DWORD creationDisposition, DWORD flagsAndAttributes,
                                        HANDLE templateFile) noexcept {
  if (fileName) {
    try {
      const std::wstring name(fileName);
      HANDLE opened = OpenServedFile(name);
      if (opened == INVALID_HANDLE_VALUE) {
        opened = OpenBelowControlBase(name, desiredAccess, shareMode, securityAttributes,
                                      creationDisposition, flagsAndAttributes, templateFile);
      }
      if (opened != INVALID_HANDLE_VALUE) return opened;
    } catch (...) {
      // Not a file we can map: the system gets the name as it is.
    }
  }
  return SystemCreateFile(fileName, desiredAccess, shareMode, securityAttributes,
                          creationDisposition, flagsAndAttributes, templateFile);
}

HANDLE TContentManager::OpenMappedFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                        LPSECURITY_ATTRIBUTES securityAttributes,
                                        DWORD creationDisposition, DWORD flagsAndAttributes,
                                        HANDLE templateFile) noexcept {
  std::wstring name;
  try {
    if (fileName) name = win::SystemToWide(fileName);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  return OpenMappedFileW(fileName ? name.c_str() : nullptr, desiredAccess, shareMode,
                         securityAttributes, creationDisposition, flagsAndAttributes,
                         templateFile);
}

HANDLE TContentManager::OpenBelowControlBase(const std::wstring& fileName, DWORD desiredAccess,
                                             DWORD shareMode,
                                             LPSECURITY_ATTRIBUTES securityAttributes,
                                             DWORD creationDisposition,
                                             DWORD flagsAndAttributes, HANDLE templateFile) {
  std::int32_t id = 0;
  std::wstring relativePath;
  if (!ParseFakeURL(fileName, id, relativePath)) return INVALID_HANDLE_VALUE;
  const auto control = FindControl(id);
  if (!control) return INVALID_HANDLE_VALUE;
  std::wstring path = GetControlBasePath(*control.Get()) + L"\\" + relativePath;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return SystemCreateFile(path.c_str(), desiredAccess, shareMode, securityAttributes,
                          creationDisposition, flagsAndAttributes, templateFile);
}

HANDLE TContentManager::OpenServedFile(const std::wstring& fileName) {
  std::int32_t id = 0;
  std::wstring relativePath;
  if (!ParseFakeURL(fileName, id, relativePath)) return INVALID_HANDLE_VALUE;
  const TControlUse control = FindControl(id);
  if (!control) return INVALID_HANDLE_VALUE;
  std::unique_ptr<TStream> stream;
  control->FireLoadExternalResourceAsync(relativePath.c_str(), &stream);
  if (!stream) return INVALID_HANDLE_VALUE;
  stream->SetPosition(0);
  // Only a unique value the system can close: the event is never signalled or waited on.
  win::TUniqueHandle handle(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  if (!handle) return INVALID_HANDLE_VALUE;
  const HANDLE fake = handle.Get();
  AddFakeHandle(std::move(handle), std::move(stream), control.Link());
  return fake;
}

void TContentManager::AddFakeHandle(win::TUniqueHandle handle, std::unique_ptr<TStream> stream,
                                    TControlRef control) {
  auto pair = std::make_shared<TFakeHandleStreamPair>(std::move(handle), std::move(stream),
                                                      std::move(control));
  std::lock_guard guard(fakeHandleLock_);
  fakeHandles_.push_back(std::move(pair));
}

TFakeHandleStream TContentManager::FindFakeHandleStream(HANDLE handle) {
  std::shared_ptr<TFakeHandleStreamPair> found;
  {
    std::lock_guard guard(fakeHandleLock_);
    for (const auto& pair : fakeHandles_) {
      if (pair->Handle() == handle) {
        found = pair;
        break;
      }
    }
  }
  // Locked outside the list's lock: an operation waiting for another on the same handle
  // must not hold up every other handle.
  if (!found) return {};
  return TFakeHandleStream(std::move(found));
}

bool TContentManager::CloseFakeHandle(HANDLE handle) {
  std::shared_ptr<TFakeHandleStreamPair> closing;
  {
    std::lock_guard guard(fakeHandleLock_);
    const auto found = std::find_if(fakeHandles_.begin(), fakeHandles_.end(),
                                    [&](const auto& pair) { return pair->Handle() == handle; });
    if (found == fakeHandles_.end()) return false;
    closing = std::move(*found);
    fakeHandles_.erase(found);
  }
  // Released outside the lock: the last owner's release calls the control.
  closing.reset();
  return true;
}

}  // namespace leafmark::content
