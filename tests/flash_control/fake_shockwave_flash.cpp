// The fake runtime's function tables, written from the runtime's published layout slot by
// slot (not from the control's declaration, which the tests check against them).
#include "tests/flash_control/fake_shockwave_flash.h"

#include <oleauto.h>

#include <array>
#include <cwchar>

#include <gtest/gtest.h>

namespace leafmark::test {
namespace {

using TFace = TFakeShockwaveFlash::TFace;
using TEntry = TFakeShockwaveFlash::TEntry;
using VB = VARIANT_BOOL;

// {D27CDB6C-AE6D-11CF-96B8-444553540000}
constexpr IID kShockwaveFlashIid = {
    0xd27cdb6c, 0xae6d, 0x11cf, {0x96, 0xb8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

HRESULT STDMETHODCALLTYPE QueryInterfaceEntry(TFace* face, REFIID iid, void** object) {
  return face->Owner->QueryInterface(iid, object);
}
ULONG STDMETHODCALLTYPE AddRefEntry(TFace* face) { return face->Owner->AddRef(); }
ULONG STDMETHODCALLTYPE ReleaseEntry(TFace* face) { return face->Owner->Release(); }
// IDispatch's members: the control has no business with them.
template <int Slot, class... Args>
HRESULT STDMETHODCALLTYPE DispatchEntry(TFace* face, Args...) {
  face->Owner->Calls.push_back({Slot, L"IDispatch"});
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FlashVersionEntry(TFace* face, long* version) {
  return face->Owner->FlashVersion(version);
}
template <int Slot, class... Args>
HRESULT STDMETHODCALLTYPE MemberEntry(TFace* face, Args... args) {
  return face->Owner->Member(Slot, args...);
}

template <class Function>
TEntry Entry(Function function) {
  return reinterpret_cast<TEntry>(function);
}

// IShockwaveFlash as runtime 9.0.28.0 lays it out (and generations 7 and 8 up to slot 81).
const std::array<TEntry, 100> kLayout9 = {
    Entry(&QueryInterfaceEntry), Entry(&AddRefEntry), Entry(&ReleaseEntry),
    Entry(&DispatchEntry<3, UINT*>), Entry(&DispatchEntry<4, UINT, LCID, ITypeInfo**>),
    Entry(&DispatchEntry<5, REFIID, LPOLESTR*, UINT, LCID, DISPID*>),
    Entry(&DispatchEntry<6, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*>),
    Entry(&MemberEntry<7, long*>),                 // ReadyState
    Entry(&MemberEntry<8, long*>),                 // TotalFrames
    Entry(&MemberEntry<9, VB*>), Entry(&MemberEntry<10, VB>),          // Playing
    Entry(&MemberEntry<11, int*>), Entry(&MemberEntry<12, int>),       // Quality
    Entry(&MemberEntry<13, int*>), Entry(&MemberEntry<14, int>),       // ScaleMode
    Entry(&MemberEntry<15, int*>), Entry(&MemberEntry<16, int>),       // AlignMode
    Entry(&MemberEntry<17, long*>), Entry(&MemberEntry<18, long>),     // BackgroundColor
    Entry(&MemberEntry<19, VB*>), Entry(&MemberEntry<20, VB>),         // Loop
    Entry(&MemberEntry<21, BSTR*>), Entry(&MemberEntry<22, BSTR>),     // Movie
    Entry(&MemberEntry<23, long*>), Entry(&MemberEntry<24, long>),     // FrameNum
    Entry(&MemberEntry<25, long, long, long, long>),                   // SetZoomRect
    Entry(&MemberEntry<26, int>),                                      // Zoom
    Entry(&MemberEntry<27, long, long, int>),                          // Pan
    // Play, Stop, Back, Forward, Rewind, StopPlay
    Entry(&MemberEntry<28>), Entry(&MemberEntry<29>), Entry(&MemberEntry<30>),
    Entry(&MemberEntry<31>), Entry(&MemberEntry<32>), Entry(&MemberEntry<33>),
    Entry(&MemberEntry<34, long>),                                     // GotoFrame
    Entry(&MemberEntry<35, long*>),                                    // CurrentFrame
    Entry(&MemberEntry<36, VB*>),                                      // IsPlaying
    Entry(&MemberEntry<37, long*>),                                    // PercentLoaded
    Entry(&MemberEntry<38, long, VB*>),                                // FrameLoaded
    Entry(&FlashVersionEntry),                                         // 39 FlashVersion
    Entry(&MemberEntry<40, BSTR*>), Entry(&MemberEntry<41, BSTR>),     // WMode
    Entry(&MemberEntry<42, BSTR*>), Entry(&MemberEntry<43, BSTR>),     // SAlign
    Entry(&MemberEntry<44, VB*>), Entry(&MemberEntry<45, VB>),         // Menu
    Entry(&MemberEntry<46, BSTR*>), Entry(&MemberEntry<47, BSTR>),     // Base
    Entry(&MemberEntry<48, BSTR*>), Entry(&MemberEntry<49, BSTR>),     // Scale
    Entry(&MemberEntry<50, VB*>), Entry(&MemberEntry<51, VB>),         // DeviceFont
    Entry(&MemberEntry<52, VB*>), Entry(&MemberEntry<53, VB>),         // EmbedMovie
    Entry(&MemberEntry<54, BSTR*>), Entry(&MemberEntry<55, BSTR>),     // BGColor
    Entry(&MemberEntry<56, BSTR*>), Entry(&MemberEntry<57, BSTR>),     // Quality2
    Entry(&MemberEntry<58, int, BSTR>),                                // LoadMovie
    Entry(&MemberEntry<59, BSTR, long>),                               // TGotoFrame
    Entry(&MemberEntry<60, BSTR, BSTR>),                               // TGotoLabel
    Entry(&MemberEntry<61, BSTR, long*>),                              // TCurrentFrame
    Entry(&MemberEntry<62, BSTR, BSTR*>),                              // TCurrentLabel
    Entry(&MemberEntry<63, BSTR>),                                     // TPlay
    Entry(&MemberEntry<64, BSTR>),                                     // TStopPlay
    Entry(&MemberEntry<65, BSTR, BSTR>),                               // SetVariable
    Entry(&MemberEntry<66, BSTR, BSTR*>),                              // GetVariable
    Entry(&MemberEntry<67, BSTR, int, BSTR>),                          // TSetProperty
    Entry(&MemberEntry<68, BSTR, int, BSTR*>),                         // TGetProperty
    Entry(&MemberEntry<69, BSTR, int>),                                // TCallFrame
    Entry(&MemberEntry<70, BSTR, BSTR>),                               // TCallLabel
    Entry(&MemberEntry<71, BSTR, int, double>),                        // TSetPropertyNum
    Entry(&MemberEntry<72, BSTR, int, double*>),                       // TGetPropertyNum
    Entry(&MemberEntry<73, BSTR, int, double*>),                       // TGetPropertyAsNumber
    Entry(&MemberEntry<74, BSTR*>), Entry(&MemberEntry<75, BSTR>),     // SWRemote
    Entry(&MemberEntry<76, BSTR*>), Entry(&MemberEntry<77, BSTR>),     // FlashVars
    Entry(&MemberEntry<78, BSTR*>), Entry(&MemberEntry<79, BSTR>),     // AllowScriptAccess
    Entry(&MemberEntry<80, BSTR*>), Entry(&MemberEntry<81, BSTR>),     // MovieData
    Entry(&MemberEntry<82, IUnknown**>), Entry(&MemberEntry<83, IUnknown*>),  // InlineData
    Entry(&MemberEntry<84, VB*>), Entry(&MemberEntry<85, VB>),         // SeamlessTabbing
    Entry(&MemberEntry<86>),                                           // EnforceLocalSecurity
    Entry(&MemberEntry<87, VB*>), Entry(&MemberEntry<88, VB>),         // Profile
    Entry(&MemberEntry<89, BSTR*>), Entry(&MemberEntry<90, BSTR>),     // ProfileAddress
    Entry(&MemberEntry<91, long*>), Entry(&MemberEntry<92, long>),     // ProfilePort
    Entry(&MemberEntry<93, BSTR, BSTR*>),                              // CallFunction
    Entry(&MemberEntry<94, BSTR>),                                     // SetReturnValue
    Entry(&MemberEntry<95>),                                           // DisableLocalSecurity
    Entry(&MemberEntry<96, BSTR*>), Entry(&MemberEntry<97, BSTR>),     // AllowNetworking
    Entry(&MemberEntry<98, BSTR*>), Entry(&MemberEntry<99, BSTR>),     // AllowFullScreen
};

// Generations 4 and 5 keep SWRemote at 73 and 74, and generation 5 Stacking at 75 and 76.
std::array<TEntry, 100> OldLayout() {
  std::array<TEntry, 100> table = kLayout9;
  table[73] = Entry(&MemberEntry<73, BSTR*>);
  table[74] = Entry(&MemberEntry<74, BSTR>);
  table[75] = Entry(&MemberEntry<75, BSTR*>);
  table[76] = Entry(&MemberEntry<76, BSTR>);
  return table;
}
const std::array<TEntry, 100> kOldLayout = OldLayout();

}  // namespace

void PrintTo(const TFakeCall& call, std::ostream* out) {
  *out << "slot " << call.Slot << " (" << ::testing::PrintToString(call.Arguments) << ")";
}

TFakeShockwaveFlash::TFakeShockwaveFlash(long flashVersion)
    : Version(flashVersion),
      face_{(((static_cast<unsigned long>(flashVersion) >> 16) & 0xFF) >= 7 ? kLayout9 : kOldLayout)
                .data(),
            this} {}

TFakeShockwaveFlash::~TFakeShockwaveFlash() = default;

IOleObject* TFakeShockwaveFlash::AsOleObject() noexcept {
  return reinterpret_cast<IOleObject*>(&face_);
}

HRESULT TFakeShockwaveFlash::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IOleObject && !(OffersFlash && iid == kShockwaveFlashIid)) {
    return E_NOINTERFACE;
  }
  if (NullFlash && iid == kShockwaveFlashIid) return S_OK;
  *object = &face_;
  AddRef();
  return S_OK;
}

HRESULT TFakeShockwaveFlash::FlashVersion(long* version) {
  ++VersionQueries;
  if (version) *version = Version;
  return VersionResult;
}

std::wstring TFakeShockwaveFlash::Describe(long value) { return std::to_wstring(value); }
std::wstring TFakeShockwaveFlash::Describe(int value) { return std::to_wstring(value); }
std::wstring TFakeShockwaveFlash::Describe(short value) { return std::to_wstring(value); }
std::wstring TFakeShockwaveFlash::Describe(double value) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%g", value);
  return text;
}
std::wstring TFakeShockwaveFlash::Describe(BSTR value) {
  if (!value) return L"null";
  return L"'" + std::wstring(value, ::SysStringLen(value)) + L"'";
}
std::wstring TFakeShockwaveFlash::Describe(long* out) {
  if (!out) return L"null-out";
  *out = Number;
  return L"out";
}
std::wstring TFakeShockwaveFlash::Describe(int* out) {
  if (!out) return L"null-out";
  *out = static_cast<int>(Number);
  return L"out";
}
std::wstring TFakeShockwaveFlash::Describe(short* out) {
  if (!out) return L"null-out";
  *out = Boolean;
  return L"out";
}
std::wstring TFakeShockwaveFlash::Describe(double* out) {
  if (!out) return L"null-out";
  *out = Real;
  return L"out";
}
std::wstring TFakeShockwaveFlash::Describe(BSTR* out) {
  if (!out) return L"null-out";
  *out = NullText ? nullptr : ::SysAllocStringLen(Text.data(), static_cast<UINT>(Text.size()));
  return L"out";
}
std::wstring TFakeShockwaveFlash::Describe(IUnknown* value) {
  return value ? L"object" : L"null";
}
std::wstring TFakeShockwaveFlash::Describe(IUnknown** out) {
  if (!out) return L"null-out";
  *out = nullptr;
  return L"out";
}

}  // namespace leafmark::test
