// Fake handles answered from their streams; a stream's failure becomes the replaced
// function's own failure result, and the handle stays open.
#include "runtime_loader/file_replacements.h"

#include <cstdint>
#include <string>
#include <type_traits>

#include "content/content_manager.h"
#include "win/kernel32_function.h"

namespace leafmark::replacements {
namespace {

// Each replacement has exactly the type of the function whose import slot it takes.
static_assert(std::is_same_v<decltype(&MappedCreateFileA), decltype(&::CreateFileA)>);
static_assert(std::is_same_v<decltype(&MappedCreateFileW), decltype(&::CreateFileW)>);
static_assert(std::is_same_v<decltype(&ServedReadFile), decltype(&::ReadFile)>);
static_assert(std::is_same_v<decltype(&ServedGetFileSize), decltype(&::GetFileSize)>);
static_assert(std::is_same_v<decltype(&ServedGetFileSizeEx), decltype(&::GetFileSizeEx)>);
static_assert(std::is_same_v<decltype(&ServedSetFilePointer), decltype(&::SetFilePointer)>);
static_assert(std::is_same_v<decltype(&ServedSetFilePointerEx), decltype(&::SetFilePointerEx)>);
static_assert(std::is_same_v<decltype(&ServedCloseHandle), decltype(&::CloseHandle)>);

// The stream behind file for one operation, or empty when file is not a fake handle (or
// there is no content manager any more).
content::TFakeHandleStream ServedStream(HANDLE file) {
  content::TContentManager* manager = content::FindContentManager();
  if (!manager) return {};
  return manager->FindFakeHandleStream(file);
}

TSeekOrigin SeekOrigin(DWORD moveMethod) {
  switch (moveMethod) {
    case FILE_BEGIN: return TSeekOrigin::Beginning;
    case FILE_CURRENT: return TSeekOrigin::Current;
    case FILE_END: return TSeekOrigin::End;
    default: throw EStreamError("unknown move method " + std::to_string(moveMethod));
  }
}

// What a stream's failure reports to the runtime through GetLastError.
constexpr DWORD kStreamFailure = ERROR_READ_FAULT;

}  // namespace

HANDLE WINAPI MappedCreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                LPSECURITY_ATTRIBUTES securityAttributes,
                                DWORD creationDisposition, DWORD flagsAndAttributes,
                                HANDLE templateFile) {
  if (content::TContentManager* manager = content::FindContentManager()) {
    return manager->OpenMappedFileA(fileName, desiredAccess, shareMode, securityAttributes,
                                    creationDisposition, flagsAndAttributes, templateFile);
  }
  return ::CreateFileA(fileName, desiredAccess, shareMode, securityAttributes,
                       creationDisposition, flagsAndAttributes, templateFile);
}

HANDLE WINAPI MappedCreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                LPSECURITY_ATTRIBUTES securityAttributes,
                                DWORD creationDisposition, DWORD flagsAndAttributes,
                                HANDLE templateFile) {
  if (content::TContentManager* manager = content::FindContentManager()) {
    return manager->OpenMappedFileW(fileName, desiredAccess, shareMode, securityAttributes,
                                    creationDisposition, flagsAndAttributes, templateFile);
  }
  return ::CreateFileW(fileName, desiredAccess, shareMode, securityAttributes,
                       creationDisposition, flagsAndAttributes, templateFile);
}

BOOL WINAPI ServedReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                           LPOVERLAPPED overlapped) {
  try {
    const content::TFakeHandleStream stream = ServedStream(file);
    if (!stream) return ::ReadFile(file, buffer, toRead, read, overlapped);
    // A file read returns all it asked for unless the end comes first; a stream may hand
    // out less per call.
    auto* out = static_cast<std::uint8_t*>(buffer);
    DWORD total = 0;
    while (total < toRead) {
      const std::int64_t got = stream->Read(out + total, toRead - total);
      if (got <= 0) break;
      total += static_cast<DWORD>(got);
    }
    if (read) *read = total;
    return TRUE;
  } catch (...) {
    ::SetLastError(kStreamFailure);
    return FALSE;
  }
}

DWORD WINAPI ServedGetFileSize(HANDLE file, LPDWORD sizeHigh) {
  try {
    const content::TFakeHandleStream stream = ServedStream(file);
    if (!stream) return ::GetFileSize(file, sizeHigh);
    const auto size = static_cast<std::uint64_t>(stream->Size());
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    // A low part that happens to be INVALID_FILE_SIZE is told apart by a last error of 0.
    ::SetLastError(NO_ERROR);
    return static_cast<DWORD>(size);
  } catch (...) {
    ::SetLastError(kStreamFailure);
    return INVALID_FILE_SIZE;
  }
}

BOOL WINAPI ServedGetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
  try {
    if (const content::TFakeHandleStream stream = ServedStream(file)) {
      const std::int64_t served = stream->Size();
      if (size) size->QuadPart = served;
      return TRUE;
    }
  } catch (...) {
    ::SetLastError(kStreamFailure);
    return FALSE;
  }
  if (const auto system = win::Kernel32Function<decltype(&::GetFileSizeEx)>("GetFileSizeEx")) {
    return system(file, size);
  }
  DWORD high = 0;
  const DWORD low = ServedGetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return FALSE;
  if (size) size->QuadPart = static_cast<LONGLONG>((std::uint64_t{high} << 32) | low);
  return TRUE;
}

DWORD WINAPI ServedSetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh,
                                  DWORD moveMethod) {
  try {
    const content::TFakeHandleStream stream = ServedStream(file);
    if (!stream) return ::SetFilePointer(file, distance, distanceHigh, moveMethod);
    const auto position =
        static_cast<std::uint64_t>(stream->Seek(distance, SeekOrigin(moveMethod)));
    if (distanceHigh) *distanceHigh = static_cast<LONG>(position >> 32);
    ::SetLastError(NO_ERROR);
    return static_cast<DWORD>(position);
  } catch (...) {
    ::SetLastError(kStreamFailure);
    return INVALID_SET_FILE_POINTER;
  }
}

BOOL WINAPI ServedSetFilePointerEx(HANDLE file, LARGE_INTEGER distance,
                                   PLARGE_INTEGER newPosition, DWORD moveMethod) {
  try {
    if (const content::TFakeHandleStream stream = ServedStream(file)) {
      const std::int64_t position =
          stream->Seek(static_cast<LONG>(distance.LowPart), SeekOrigin(moveMethod));
      if (newPosition) newPosition->QuadPart = position;
      return TRUE;
    }
  } catch (...) {
    ::SetLastError(kStreamFailure);
    return FALSE;
  }
  if (const auto system = win::Kernel32Function<decltype(&::SetFilePointerEx)>("SetFilePointerEx")) {
    return system(file, distance, newPosition, moveMethod);
  }
  const DWORD low = ServedSetFilePointer(file, static_cast<LONG>(distance.LowPart), nullptr,
                                         moveMethod);
  return low != INVALID_SET_FILE_POINTER || ::GetLastError() == NO_ERROR;
}

BOOL WINAPI ServedCloseHandle(HANDLE object) {
  try {
    if (content::TContentManager* manager = content::FindContentManager()) {
      if (manager->CloseFakeHandle(object)) return TRUE;
    }
  } catch (...) {
    // Whatever the close of a served stream raised, the handle is gone.
    return TRUE;
  }
  return ::CloseHandle(object);
}

}  // namespace leafmark::replacements
