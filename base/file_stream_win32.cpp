// File streams on Windows: 8-bit names in the system code page, full sharing for readers.
#include <windows.h>

#include "base/stream.h"

namespace leafmark {

namespace {
std::string LastErrorText() { return "Windows error " + std::to_string(::GetLastError()); }
}  // namespace

struct TFileStream::TImpl {
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::string name;
};

TFileStream::TFileStream(const std::string& fileName, TMode mode) : impl_(std::make_unique<TImpl>()) {
  impl_->name = fileName;
  if (mode == TMode::Read) {
    impl_->handle = ::CreateFileA(fileName.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    impl_->handle = ::CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (impl_->handle == INVALID_HANDLE_VALUE) {
    throw EStreamError("Cannot open file \"" + fileName + "\": " + LastErrorText());
  }
}

TFileStream::~TFileStream() {
  if (impl_->handle != INVALID_HANDLE_VALUE) ::CloseHandle(impl_->handle);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const DWORD want = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
  DWORD got = 0;
  if (!::ReadFile(impl_->handle, buffer, want, &got, nullptr)) {
    throw EStreamError("Read error in \"" + impl_->name + "\": " + LastErrorText());
  }
  return got;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const DWORD want = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
  DWORD put = 0;
  if (!::WriteFile(impl_->handle, buffer, want, &put, nullptr)) {
    throw EStreamError("Write error in \"" + impl_->name + "\": " + LastErrorText());
  }
  return put;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const DWORD method = origin == TSeekOrigin::Beginning ? FILE_BEGIN
                       : origin == TSeekOrigin::Current ? FILE_CURRENT
                                                        : FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER at;
  if (!::SetFilePointerEx(impl_->handle, distance, &at, method)) {
    throw EStreamError("Seek error in \"" + impl_->name + "\": " + LastErrorText());
  }
  return at.QuadPart;
}

void TFileStream::Flush() {
  if (!::FlushFileBuffers(impl_->handle)) {
    throw EStreamError("Write error in \"" + impl_->name + "\": " + LastErrorText());
  }
}

TFileIdentity TFileStream::Identity() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(impl_->handle, &info)) {
    throw EStreamError("Cannot read the state of \"" + impl_->name + "\": error " + std::to_string(::GetLastError()));
  }
  const auto join = [](DWORD high, DWORD low) { return static_cast<std::uint64_t>(high) << 32 | low; };
  // File times count 100 ns from 1601-01-01.
  constexpr std::int64_t kFrom1601To1970 = 116444736000000000;
  const auto written = static_cast<std::int64_t>(join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
  return {info.dwVolumeSerialNumber, join(info.nFileIndexHigh, info.nFileIndexLow),
          static_cast<std::int64_t>(join(info.nFileSizeHigh, info.nFileSizeLow)), (written - kFrom1601To1970) * 100};
}

}  // namespace leafmark
