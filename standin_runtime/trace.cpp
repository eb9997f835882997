// The trace file: opened through ntdll, written line by line under one lock.
#include "trace.h"

#include <windows.h>
#include <winternl.h>

#include <cstdio>

#include "runtime_module.h"

namespace standin {

namespace {

SRWLOCK traceLock = SRWLOCK_INIT;
HANDLE traceFile = nullptr;
std::uint64_t lastSequence = 0;

// Opens (or creates) the file for appending only, shared, so that other loads of the module
// can append to the same file at the same time.
HANDLE OpenForAppending(const wchar_t* dosPath) noexcept {
  UNICODE_STRING ntPath{};
  if (!RtlDosPathNameToNtPathName_U(dosPath, &ntPath, nullptr, nullptr)) return nullptr;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &ntPath, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
  IO_STATUS_BLOCK status{};
  HANDLE file = nullptr;
  const NTSTATUS result =
      NtCreateFile(&file, FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL,
                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN_IF,
                   FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, nullptr, 0);
  RtlFreeUnicodeString(&ntPath);
  return NT_SUCCESS(result) ? file : nullptr;
}

}  // namespace

void OpenTrace() noexcept {
  wchar_t path[MAX_PATH * 2] = {};
  const DWORD length = GetEnvironmentVariableW(L"LEAFMARK_STANDIN_TRACE", path, MAX_PATH * 2);
  if (length == 0 || length >= MAX_PATH * 2) return;
  AcquireSRWLockExclusive(&traceLock);
  if (!traceFile) traceFile = OpenForAppending(path);
  ReleaseSRWLockExclusive(&traceLock);
}

void CloseTrace() noexcept {
  AcquireSRWLockExclusive(&traceLock);
  if (traceFile) NtClose(traceFile);
  traceFile = nullptr;
  ReleaseSRWLockExclusive(&traceLock);
}

std::string EscapeTraceValue(std::string_view utf8) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F || byte == '%') {
      escaped += '%';
      escaped += kDigits[byte >> 4];
      escaped += kDigits[byte & 15];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
  if (needed > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), needed, nullptr, nullptr);
  return utf8;
}

TTraceLine::TTraceLine(std::string_view event) : text_(event) {}

TTraceLine& TTraceLine::Word(std::string_view word) {
  text_ += ' ';
  text_ += EscapeTraceValue(word);
  return *this;
}

TTraceLine& TTraceLine::Text(std::string_view key, std::string_view utf8) {
  text_ += ' ';
  text_ += key;
  text_ += '=';
  text_ += EscapeTraceValue(utf8);
  return *this;
}

TTraceLine& TTraceLine::Text(std::string_view key, std::wstring_view text) { return Text(key, Utf8(text)); }

TTraceLine& TTraceLine::Number(std::string_view key, std::int64_t value) {
  return Text(key, std::to_string(value));
}

TTraceLine& TTraceLine::Hex(std::string_view key, std::uint64_t value, int digits) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return Text(key, buffer);
}

TTraceLine& TTraceLine::YesNo(std::string_view key, bool value) { return Text(key, value ? "yes" : "no"); }

bool TTraceLine::Write() noexcept {
  const char* thread = OnLoadingThread() ? " main " : " worker ";
  std::string line;
  try {
    line.reserve(text_.size() + 32);
  } catch (...) {
    return false;
  }
  // The number is taken and the line written under one lock, so the file is in sequence order.
  AcquireSRWLockExclusive(&traceLock);
  bool written = false;
  if (traceFile) {
    char sequence[24];
    std::snprintf(sequence, sizeof sequence, "%llu", static_cast<unsigned long long>(++lastSequence));
    line.append(sequence).append(thread).append(text_).append("\n");  // within the reserved room
    DWORD count = 0;
    written = WriteFile(traceFile, line.data(), static_cast<DWORD>(line.size()), &count, nullptr) &&
              count == line.size();
  }
  ReleaseSRWLockExclusive(&traceLock);
  return written;
}

}  // namespace standin
