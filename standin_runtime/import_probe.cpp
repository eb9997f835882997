// The import probe, one row a function. Each row calls its function as the runtime would,
// through the import slot the host bound, and records what it observed in terms that tell the
// system's behaviour from a host's replacement (a class registered for this module or not, a
// file handle that is a disk file or not, a guard page left a guard page or not).
#include "import_probe.h"

#include <windows.h>
#include <mmsystem.h>
#include <urlmon.h>

#include <array>
#include <cstdint>
#include <string>

#include "com_object.h"
#include "resource_ids.h"
#include "runtime_module.h"
#include "trace.h"

namespace standin {

namespace {

constexpr char kClassExA[] = "LeafmarkStandinExA";
constexpr char kClassA[] = "LeafmarkStandinA";
constexpr wchar_t kClassExW[] = L"LeafmarkStandinExW";
constexpr wchar_t kClassW[] = L"LeafmarkStandinW";
constexpr char kRingCursor[] = "LEAFMARKRING";
constexpr WORD kAbsentResource = 999;
constexpr std::size_t kHeadBytes = 32;
constexpr DWORD kReadChunk = 64;
constexpr DWORD kMostReads = 1 << 20;  // 64 MiB in chunks: a stream that never ends is cut off

std::string HexBytes(const unsigned char* data, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::size_t i = 0; i < size; ++i) {
    hex += kDigits[data[i] >> 4];
    hex += kDigits[data[i] & 15];
  }
  return hex;
}

const char* FileKind(HANDLE file) {
  switch (GetFileType(file)) {
    case FILE_TYPE_DISK: return "disk";
    case FILE_TYPE_CHAR: return "char";
    case FILE_TYPE_PIPE: return "pipe";
    case FILE_TYPE_REMOTE: return "remote";
    default: return "unknown";  // an event, a process, ...: not a file
  }
}

std::uintptr_t Address(FARPROC function) { return reinterpret_cast<std::uintptr_t>(function); }

// The address in this module's import slot of a function it imports.
template <class F>
std::uintptr_t ImportedAddress(F* function) {
  return reinterpret_cast<std::uintptr_t>(function);
}

DWORD PageSize() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return info.dwPageSize;
}

MEMORY_BASIC_INFORMATION Query(const void* address) {
  MEMORY_BASIC_INFORMATION info{};
  if (!address || VirtualQuery(address, &info, sizeof info) == 0) info = {};
  return info;
}

// "x,y" of a cursor's hotspot, or "none".
std::string Hotspot(HCURSOR cursor) {
  ICONINFO info{};
  if (!cursor || !GetIconInfo(cursor, &info)) return "none";
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return std::to_string(info.xHotspot) + "," + std::to_string(info.yHotspot);
}

std::string ToSystemCodePage(const wchar_t* text) {
  const int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string converted(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, converted.data(), needed, nullptr, nullptr);
  converted.resize(static_cast<std::size_t>(needed - 1));
  return converted;
}

class TImportProbe {
 public:
  explicit TImportProbe(const wchar_t* servedPath) : path_(servedPath ? servedPath : L"") {}
  ~TImportProbe();
  TImportProbe(const TImportProbe&) = delete;
  TImportProbe& operator=(const TImportProbe&) = delete;

  int Run() noexcept;

 private:
  void CreateUrlMoniker(TTraceLine& line);
  void RegisterClassExAnsi(TTraceLine& line);
  void RegisterClassAnsi(TTraceLine& line);
  void RegisterClassExWide(TTraceLine& line);
  void RegisterClassWide(TTraceLine& line);
  void CreateWindowExAnsi(TTraceLine& line);
  void CreateWindowExWide(TTraceLine& line);
  void LoadCursorAnsi(TTraceLine& line);
  void LoadMenuAnsi(TTraceLine& line);
  void WaveOutOpen(TTraceLine& line);
  void WaveOutWrite(TTraceLine& line);
  void WaveOutClose(TTraceLine& line);
  void FlushCode(TTraceLine& line);
  void AllocateGuardPage(TTraceLine& line);
  void CreateFileWide(TTraceLine& line);
  void GetSize(TTraceLine& line);
  void GetSizeEx(TTraceLine& line);
  void Read(TTraceLine& line);
  void Seek(TTraceLine& line);
  void SeekEx(TTraceLine& line);
  void Close(TTraceLine& line);
  void CreateFileAnsi(TTraceLine& line);
  void LookUpProcedures(TTraceLine& line);

  struct TRow {
    const char* Function;
    void (TImportProbe::*Call)(TTraceLine&);
  };
  static const TRow kRows[];

  std::wstring path_;
  HANDLE file_ = nullptr;  // from CreateFileW; nil when it failed or once closed
  HWAVEOUT device_ = nullptr;
};

// Sound before code and memory, and the file rows in the order a reader uses them.
const TImportProbe::TRow TImportProbe::kRows[] = {
    {"CreateURLMoniker", &TImportProbe::CreateUrlMoniker},
    {"RegisterClassExA", &TImportProbe::RegisterClassExAnsi},
    {"RegisterClassA", &TImportProbe::RegisterClassAnsi},
    {"RegisterClassExW", &TImportProbe::RegisterClassExWide},
    {"RegisterClassW", &TImportProbe::RegisterClassWide},
    {"CreateWindowExA", &TImportProbe::CreateWindowExAnsi},
    {"CreateWindowExW", &TImportProbe::CreateWindowExWide},
    {"LoadCursorA", &TImportProbe::LoadCursorAnsi},
    {"LoadMenuA", &TImportProbe::LoadMenuAnsi},
    {"waveOutOpen", &TImportProbe::WaveOutOpen},
    {"waveOutWrite", &TImportProbe::WaveOutWrite},
    {"waveOutClose", &TImportProbe::WaveOutClose},
    {"FlushInstructionCache", &TImportProbe::FlushCode},
    {"VirtualAlloc", &TImportProbe::AllocateGuardPage},
    {"CreateFileW", &TImportProbe::CreateFileWide},
    {"GetFileSize", &TImportProbe::GetSize},
    {"GetFileSizeEx", &TImportProbe::GetSizeEx},
    {"ReadFile", &TImportProbe::Read},
    {"SetFilePointer", &TImportProbe::Seek},
    {"SetFilePointerEx", &TImportProbe::SeekEx},
    {"CloseHandle", &TImportProbe::Close},
    {"CreateFileA", &TImportProbe::CreateFileAnsi},
    {"GetProcAddress", &TImportProbe::LookUpProcedures},
};

// Whatever the rows left behind, so that the probe can run again.
TImportProbe::~TImportProbe() {
  if (file_) CloseHandle(file_);
  if (device_) waveOutClose(device_);
  UnregisterClassA(kClassExA, OwnModule());
  UnregisterClassA(kClassA, OwnModule());
  UnregisterClassW(kClassExW, OwnModule());
  UnregisterClassW(kClassW, OwnModule());
}

int TImportProbe::Run() noexcept {
  int written = 0;
  for (const TRow& row : kRows) {
    try {
      TTraceLine line("import");
      line.Word(row.Function);
      (this->*row.Call)(line);
      if (line.Write()) ++written;
    } catch (...) {
      // Out of memory while describing a row: the row is missing from the trace.
    }
  }
  return written;
}

// hr and whether a moniker came back, and its display name.
void TImportProbe::CreateUrlMoniker(TTraceLine& line) {
  TComRef<IMoniker> moniker;
  const HRESULT result = CreateURLMoniker(nullptr, path_.c_str(), moniker.Put());
  line.Hex("hr", static_cast<std::uint32_t>(result), 8).YesNo("moniker", moniker.Get() != nullptr);
  if (!moniker.Get()) return;
  TComRef<IBindCtx> context;
  if (FAILED(CreateBindCtx(0, context.Put()))) return;
  LPOLESTR name = nullptr;
  if (SUCCEEDED(moniker.Get()->GetDisplayName(context.Get(), nullptr, &name)) && name) {
    line.Text("display", std::wstring_view(name));
    CoTaskMemFree(name);
  }
}

// atom: the registration succeeded; own-instance: the class is known under the name given
// for this module (a host that renames classes or registers them for itself says no).
void TImportProbe::RegisterClassExAnsi(TTraceLine& line) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = OwnModule();
  windowClass.lpszClassName = kClassExA;
  const ATOM atom = RegisterClassExA(&windowClass);
  const DWORD error = GetLastError();
  WNDCLASSEXA found{};
  found.cbSize = sizeof found;
  line.YesNo("atom", atom != 0).YesNo("own-instance", GetClassInfoExA(OwnModule(), kClassExA, &found) != FALSE);
  if (!atom) line.Number("error", error);
}

void TImportProbe::RegisterClassAnsi(TTraceLine& line) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = OwnModule();
  windowClass.lpszClassName = kClassA;
  const ATOM atom = RegisterClassA(&windowClass);
  const DWORD error = GetLastError();
  WNDCLASSA found{};
  line.YesNo("atom", atom != 0).YesNo("own-instance", GetClassInfoA(OwnModule(), kClassA, &found) != FALSE);
  if (!atom) line.Number("error", error);
}

void TImportProbe::RegisterClassExWide(TTraceLine& line) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = OwnModule();
  windowClass.lpszClassName = kClassExW;
  const ATOM atom = RegisterClassExW(&windowClass);
  const DWORD error = GetLastError();
  WNDCLASSEXW found{};
  found.cbSize = sizeof found;
  line.YesNo("atom", atom != 0).YesNo("own-instance", GetClassInfoExW(OwnModule(), kClassExW, &found) != FALSE);
  if (!atom) line.Number("error", error);
}

void TImportProbe::RegisterClassWide(TTraceLine& line) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = OwnModule();
  windowClass.lpszClassName = kClassW;
  const ATOM atom = RegisterClassW(&windowClass);
  const DWORD error = GetLastError();
  WNDCLASSW found{};
  line.YesNo("atom", atom != 0).YesNo("own-instance", GetClassInfoW(OwnModule(), kClassW, &found) != FALSE);
  if (!atom) line.Number("error", error);
}

// A message-only window of a class registered above; class: the name the system gives the
// window's class (a host that renames classes shows its own name here).
void TImportProbe::CreateWindowExAnsi(TTraceLine& line) {
  const HWND window =
      CreateWindowExA(0, kClassA, "standin", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, OwnModule(), nullptr);
  const DWORD error = GetLastError();
  line.YesNo("window", window != nullptr);
  if (!window) {
    line.Number("error", error);
    return;
  }
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  line.Text("class", name);
  DestroyWindow(window);
}

void TImportProbe::CreateWindowExWide(TTraceLine& line) {
  const HWND window =
      CreateWindowExW(0, kClassExW, L"standin", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, OwnModule(), nullptr);
  const DWORD error = GetLastError();
  line.YesNo("window", window != nullptr);
  if (!window) {
    line.Number("error", error);
    return;
  }
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  line.Text("class", std::wstring_view(name));
  DestroyWindow(window);
}

// This module's two cursors (by id and by name) with their hotspots, whether asking again
// gives the same handle, whether a cursor it lacks comes back, and whether a nil module gives
// the system's arrow.
void TImportProbe::LoadCursorAnsi(TTraceLine& line) {
  const HCURSOR byId = LoadCursorA(OwnModule(), MAKEINTRESOURCEA(STANDIN_CURSOR_POINTER));
  const HCURSOR byName = LoadCursorA(OwnModule(), kRingCursor);
  const HCURSOR again = LoadCursorA(OwnModule(), MAKEINTRESOURCEA(STANDIN_CURSOR_POINTER));
  const HCURSOR absent = LoadCursorA(OwnModule(), MAKEINTRESOURCEA(kAbsentResource));
  const HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  line.YesNo("id", byId != nullptr)
      .Text("id-hotspot", Hotspot(byId))
      .YesNo("name", byName != nullptr)
      .Text("name-hotspot", Hotspot(byName))
      .YesNo("repeat-same", byId && again == byId)
      .YesNo("absent", absent != nullptr)
      .YesNo("arrow-is-system", arrow && arrow == LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
}

// The menu's top items, the first one's text and its popup's items; and a menu it lacks.
void TImportProbe::LoadMenuAnsi(TTraceLine& line) {
  const HMENU menu = LoadMenuA(OwnModule(), MAKEINTRESOURCEA(STANDIN_MENU));
  const DWORD error = GetLastError();
  const HMENU absent = LoadMenuA(OwnModule(), MAKEINTRESOURCEA(kAbsentResource));
  line.YesNo("menu", menu != nullptr);
  if (menu) {
    char first[64] = {};
    GetMenuStringA(menu, 0, first, sizeof first, MF_BYPOSITION);
    const HMENU popup = GetSubMenu(menu, 0);
    line.Number("items", GetMenuItemCount(menu))
        .Text("first", first)
        .Number("popup-items", popup ? GetMenuItemCount(popup) : -1);
    DestroyMenu(menu);
  } else {
    line.Number("error", error);
  }
  line.YesNo("absent", absent != nullptr);
  if (absent) DestroyMenu(absent);
}

// 8-bit mono PCM on the default device. A machine without sound gives an error here, and the
// two rows after it then see a nil device.
void TImportProbe::WaveOutOpen(TTraceLine& line) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = 8000;
  format.nAvgBytesPerSec = 8000;
  format.nBlockAlign = 1;
  format.wBitsPerSample = 8;
  HWAVEOUT device = nullptr;
  const MMRESULT result = waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
  device_ = result == MMSYSERR_NOERROR ? device : nullptr;
  line.Number("result", result).YesNo("device", device_ != nullptr);
}

// unchanged: the buffer still holds what was written (a host may scale it by its volume).
void TImportProbe::WaveOutWrite(TTraceLine& line) {
  std::array<unsigned char, 800> samples{};
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<unsigned char>(i * 7);
  const auto written = samples;
  WAVEHDR header{};
  header.lpData = reinterpret_cast<LPSTR>(samples.data());
  header.dwBufferLength = static_cast<DWORD>(samples.size());
  const bool prepared = device_ && waveOutPrepareHeader(device_, &header, sizeof header) == MMSYSERR_NOERROR;
  const MMRESULT result = waveOutWrite(device_, &header, sizeof header);
  line.Number("result", result).YesNo("unchanged", samples == written);
  if (prepared) {
    waveOutReset(device_);
    waveOutUnprepareHeader(device_, &header, sizeof header);
  }
}

void TImportProbe::WaveOutClose(TTraceLine& line) {
  const MMRESULT result = waveOutClose(device_);
  if (result == MMSYSERR_NOERROR) device_ = nullptr;
  line.Number("result", result);
}

// A page of read-write data holding one return instruction, announced as code: protection
// is what the page has afterwards (a host that makes announced code executable shows 0x40).
void TImportProbe::FlushCode(TTraceLine& line) {
  void* code = VirtualAlloc(nullptr, PageSize(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!code) {
    line.YesNo("memory", false).Number("error", GetLastError());
    return;
  }
  static_cast<unsigned char*>(code)[0] = 0xC3;
  const BOOL result = FlushInstructionCache(GetCurrentProcess(), code, 1);
  line.YesNo("result", result != FALSE).Hex("protection", Query(code).Protect, 2);
  VirtualFree(code, 0, MEM_RELEASE);
}

// A guard page committed at the start of three reserved pages, and one at no given address.
// protection and committed-pages describe the first (a host that turns guard pages into
// plain commits of the whole run shows 0x04 and 3); no-address-protection the second.
void TImportProbe::AllocateGuardPage(TTraceLine& line) {
  const DWORD page = PageSize();
  void* reserved = VirtualAlloc(nullptr, 3 * page, MEM_RESERVE, PAGE_NOACCESS);
  void* committed = reserved ? VirtualAlloc(reserved, page, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD) : nullptr;
  const DWORD error = GetLastError();
  const MEMORY_BASIC_INFORMATION at = Query(reserved);
  line.YesNo("at-address", committed != nullptr && committed == reserved);
  if (!committed) line.Number("error", error);
  line.Hex("protection", at.Protect, 2)
      .Number("committed-pages", at.State == MEM_COMMIT ? static_cast<std::int64_t>(at.RegionSize / page) : 0);
  void* anywhere = VirtualAlloc(nullptr, page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE | PAGE_GUARD);
  line.Hex("no-address-protection", Query(anywhere).Protect, 2);
  if (anywhere) VirtualFree(anywhere, 0, MEM_RELEASE);
  if (reserved) VirtualFree(reserved, 0, MEM_RELEASE);
}

// handle, and its kind: a disk file, or unknown for a handle that is no file (a host's own
// handle for a file it serves from memory).
void TImportProbe::CreateFileWide(TTraceLine& line) {
  const HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const DWORD error = GetLastError();
  file_ = file == INVALID_HANDLE_VALUE ? nullptr : file;
  line.YesNo("handle", file_ != nullptr);
  if (file_) {
    line.Text("kind", FileKind(file_));
  } else {
    line.Number("error", error);
  }
}

// The rows from here to CloseHandle use the handle CreateFileW gave (nil when it failed).
void TImportProbe::GetSize(TTraceLine& line) {
  DWORD high = 0xFFFFFFFF;  // stays when nothing is stored
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(file_, &high);
  const DWORD error = GetLastError();
  line.Number("size", low).Number("high", high);
  if (low == INVALID_FILE_SIZE && error != NO_ERROR) line.Number("error", error);
}

void TImportProbe::GetSizeEx(TTraceLine& line) {
  LARGE_INTEGER size{};
  size.QuadPart = -1;
  const BOOL result = GetFileSizeEx(file_, &size);
  const DWORD error = GetLastError();
  line.YesNo("result", result != FALSE).Number("size", size.QuadPart);
  if (!result) line.Number("error", error);
}

// The whole file in chunks of 64 bytes until a read gives 0: result (every call succeeded),
// total bytes, reads (calls made, the last one included) and head (the first 32 bytes, hex).
void TImportProbe::Read(TTraceLine& line) {
  unsigned char head[kHeadBytes] = {};
  std::size_t headSize = 0;
  std::uint64_t total = 0;
  DWORD reads = 0;
  BOOL result = TRUE;
  DWORD error = NO_ERROR;
  unsigned char chunk[kReadChunk];
  while (reads < kMostReads) {
    DWORD count = 0;
    result = ReadFile(file_, chunk, kReadChunk, &count, nullptr);
    ++reads;
    if (!result) {
      error = GetLastError();
      break;
    }
    for (DWORD i = 0; i < count && headSize < kHeadBytes; ++i) head[headSize++] = chunk[i];
    total += count;
    if (count == 0) break;
  }
  line.YesNo("result", result != FALSE)
      .Number("total", static_cast<std::int64_t>(total))
      .Number("reads", reads)
      .Text("head", HexBytes(head, headSize));
  if (!result) line.Number("error", error);
}

// 10 bytes before the end, the distance given in both halves: result is the low part of the
// new position, high the high part stored back.
void TImportProbe::Seek(TTraceLine& line) {
  LONG high = -1;
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(file_, -10, &high, FILE_END);
  const DWORD error = GetLastError();
  line.Number("result", low).Number("high", high);
  if (low == INVALID_SET_FILE_POINTER && error != NO_ERROR) line.Number("error", error);
}

// To byte 4 from the start; next: the 4 bytes read there.
void TImportProbe::SeekEx(TTraceLine& line) {
  LARGE_INTEGER distance{};
  distance.QuadPart = 4;
  LARGE_INTEGER position{};
  position.QuadPart = -1;
  const BOOL result = SetFilePointerEx(file_, distance, &position, FILE_BEGIN);
  const DWORD error = GetLastError();
  line.YesNo("result", result != FALSE).Number("position", position.QuadPart);
  if (!result) line.Number("error", error);
  unsigned char next[4] = {};
  DWORD count = 0;
  if (!ReadFile(file_, next, sizeof next, &count, nullptr)) count = 0;
  line.Text("next", HexBytes(next, count));
}

void TImportProbe::Close(TTraceLine& line) {
  const BOOL result = CloseHandle(file_);
  const DWORD error = GetLastError();
  file_ = nullptr;
  line.YesNo("result", result != FALSE);
  if (!result) line.Number("error", error);
}

// The same name in the system code page: handle, kind and the first 16 bytes read.
void TImportProbe::CreateFileAnsi(TTraceLine& line) {
  const std::string name = ToSystemCodePage(path_.c_str());
  const HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const DWORD error = GetLastError();
  line.YesNo("handle", file != INVALID_HANDLE_VALUE);
  if (file == INVALID_HANDLE_VALUE) {
    line.Number("error", error);
    return;
  }
  unsigned char head[16] = {};
  DWORD count = 0;
  if (!ReadFile(file, head, sizeof head, &count, nullptr)) count = 0;
  line.Text("kind", FileKind(file)).Text("head", HexBytes(head, count));
  CloseHandle(file);
}

// Run-time look-ups in kernel32: the address given for a function a host replaces and for one
// it does not, each compared with what this module's import slot for it holds; and whether a
// name in the wrong letter case is found.
void TImportProbe::LookUpProcedures(TTraceLine& line) {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const FARPROC createFile = GetProcAddress(kernel, "CreateFileW");
  const FARPROC moduleHandle = GetProcAddress(kernel, "GetModuleHandleW");
  const FARPROC lowerCase = GetProcAddress(kernel, "createfilew");
  line.Hex("CreateFileW", Address(createFile), 8)
      .YesNo("CreateFileW-is-import", Address(createFile) == ImportedAddress(&CreateFileW))
      .Hex("GetModuleHandleW", Address(moduleHandle), 8)
      .YesNo("GetModuleHandleW-is-import", Address(moduleHandle) == ImportedAddress(&GetModuleHandleW))
      .YesNo("lower-case-found", lowerCase != nullptr);
}

}  // namespace

int ProbeImports(const wchar_t* servedPath) noexcept {
  try {
    TImportProbe probe(servedPath);
    return probe.Run();
  } catch (...) {
    return 0;
  }
}

}  // namespace standin
