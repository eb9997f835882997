// IShockwaveFlash's members, one function each with its slot's exact parameters, and the
// tables that put them at their slots for each generation. Every member traces its call with
// the slot it was called through; properties read back what was written.
#include "flash_interface.h"

#include <oleauto.h>

#include <cwchar>
#include <new>
#include <stdexcept>
#include <string>

#include "call_trace.h"
#include "runtime_module.h"
#include "runtime_object.h"

namespace standin {

namespace {

using TSelf = TFlashInterface*;

// Failures inside a member become the HRESULT the caller is promised.
template <class F>
HRESULT Guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

std::string Accessor(const char* prefix, TProperty property) {
  return std::string("IShockwaveFlash.") + prefix + PropertyName(property);
}

std::wstring Text(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

HRESULT Give(const std::wstring& text, BSTR* out) {
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

// The main movie, as a target of the T-members.
bool IsRoot(BSTR target) {
  const std::wstring name = Text(target);
  return name.empty() || name == L"/" || name == L"_level0" || name == L"_root";
}

// ---- IUnknown and IDispatch (slots 0 to 6)

HRESULT STDMETHODCALLTYPE QueryInterface(TSelf self, REFIID iid, void** out) {
  return self->Owner->QueryInterface(iid, out);
}
ULONG STDMETHODCALLTYPE AddRef(TSelf self) { return self->Owner->AddRef(); }
ULONG STDMETHODCALLTYPE Release(TSelf self) { return self->Owner->Release(); }

HRESULT STDMETHODCALLTYPE GetTypeInfoCount(TSelf, UINT* count) {
  TraceCall("IDispatch.GetTypeInfoCount", -1);
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE GetTypeInfo(TSelf, UINT index, LCID, ITypeInfo** info) {
  TraceCall("IDispatch.GetTypeInfo", -1, index);
  if (info) *info = nullptr;
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE GetIDsOfNames(TSelf, REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  TraceCall("IDispatch.GetIDsOfNames", -1);
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE Invoke(TSelf, DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  TraceCall("IDispatch.Invoke", -1, static_cast<long>(id));
  return DISP_E_MEMBERNOTFOUND;
}

// ---- Properties, by type; Slot is the slot the accessor is called through.

template <TProperty P, int Slot, class T>
HRESULT STDMETHODCALLTYPE GetNumber(TSelf self, T* value) {
  return Guarded([&] {
    TraceCall(Accessor("get_", P), Slot);
    if (!value) return E_POINTER;
    *value = static_cast<T>(self->Owner->ReadNumber(P));
    return S_OK;
  });
}

template <TProperty P, int Slot, class T>
HRESULT STDMETHODCALLTYPE PutNumber(TSelf self, T value) {
  return Guarded([&] {
    TraceCall(Accessor("put_", P), Slot, value);
    self->Owner->WriteNumber(P, static_cast<long>(value));
    return S_OK;
  });
}

template <TProperty P, int Slot>
HRESULT STDMETHODCALLTYPE GetText(TSelf self, BSTR* value) {
  return Guarded([&] {
    TraceCall(Accessor("get_", P), Slot);
    if (!value) return E_POINTER;
    *value = nullptr;
    return Give(self->Owner->ReadText(P), value);
  });
}

template <TProperty P, int Slot>
HRESULT STDMETHODCALLTYPE PutText(TSelf self, BSTR value) {
  return Guarded([&] {
    TraceCall(Accessor("put_", P), Slot, static_cast<const wchar_t*>(value));
    self->Owner->WriteText(P, Text(value));
    return S_OK;
  });
}

// ---- Methods

HRESULT STDMETHODCALLTYPE SetZoomRect(TSelf, long left, long top, long right, long bottom) {
  TraceCall("IShockwaveFlash.SetZoomRect", 25, left, top, right, bottom);
  return S_OK;
}
HRESULT STDMETHODCALLTYPE Zoom(TSelf, int factor) {
  TraceCall("IShockwaveFlash.Zoom", 26, factor);
  return S_OK;
}
HRESULT STDMETHODCALLTYPE Pan(TSelf, long x, long y, int mode) {
  TraceCall("IShockwaveFlash.Pan", 27, x, y, mode);
  return S_OK;
}
HRESULT STDMETHODCALLTYPE Play(TSelf self) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.Play", 28);
    self->Owner->WriteNumber(TProperty::Playing, VARIANT_TRUE);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE Stop(TSelf self) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.Stop", 29);
    self->Owner->WriteNumber(TProperty::Playing, VARIANT_FALSE);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE Back(TSelf self) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.Back", 30);
    const long frame = self->Owner->ReadNumber(TProperty::FrameNum);
    self->Owner->WriteNumber(TProperty::FrameNum, frame > 0 ? frame - 1 : 0);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE Forward(TSelf self) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.Forward", 31);
    self->Owner->WriteNumber(TProperty::FrameNum, self->Owner->ReadNumber(TProperty::FrameNum) + 1);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE Rewind(TSelf self) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.Rewind", 32);
    self->Owner->WriteNumber(TProperty::FrameNum, 0);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE StopPlay(TSelf self) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.StopPlay", 33);
    self->Owner->WriteNumber(TProperty::Playing, VARIANT_FALSE);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE GotoFrame(TSelf self, long frame) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.GotoFrame", 34, frame);
    self->Owner->WriteNumber(TProperty::FrameNum, frame);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE CurrentFrame(TSelf self, long* frame) {
  TraceCall("IShockwaveFlash.CurrentFrame", 35);
  if (!frame) return E_POINTER;
  *frame = self->Owner->ReadNumber(TProperty::FrameNum);
  return S_OK;
}
HRESULT STDMETHODCALLTYPE IsPlaying(TSelf self, VARIANT_BOOL* playing) {
  TraceCall("IShockwaveFlash.IsPlaying", 36);
  if (!playing) return E_POINTER;
  *playing = self->Owner->ReadNumber(TProperty::Playing) ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE PercentLoaded(TSelf self, long* percent) {
  TraceCall("IShockwaveFlash.PercentLoaded", 37);
  if (!percent) return E_POINTER;
  *percent = self->Owner->Stage().PercentLoaded();
  return S_OK;
}
HRESULT STDMETHODCALLTYPE FrameLoaded(TSelf self, long frame, VARIANT_BOOL* loaded) {
  TraceCall("IShockwaveFlash.FrameLoaded", 38, frame);
  if (!loaded) return E_POINTER;
  *loaded = frame >= 0 && frame < self->Owner->Stage().TotalFrames() ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}
// The major version in bits 16 to 23, the minor below it, as the real runtime packs them.
HRESULT STDMETHODCALLTYPE FlashVersion(TSelf, long* version) {
  TraceCall("IShockwaveFlash.FlashVersion", 39);
  if (!version) return E_POINTER;
  const TVersion built = BuiltVersionNumbers();
  *version = static_cast<long>(((built.Major & 0xFF) << 16) | (built.Minor & 0xFFFF));
  return S_OK;
}
HRESULT STDMETHODCALLTYPE LoadMovie(TSelf self, int layer, BSTR url) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.LoadMovie", 58, layer, static_cast<const wchar_t*>(url));
    self->Owner->LoadMovie(layer, Text(url));
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE TGotoFrame(TSelf self, BSTR target, long frame) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.TGotoFrame", 59, static_cast<const wchar_t*>(target), frame);
    if (IsRoot(target)) self->Owner->WriteNumber(TProperty::FrameNum, frame);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE TGotoLabel(TSelf, BSTR target, BSTR label) {
  TraceCall("IShockwaveFlash.TGotoLabel", 60, static_cast<const wchar_t*>(target), static_cast<const wchar_t*>(label));
  return S_OK;
}
HRESULT STDMETHODCALLTYPE TCurrentFrame(TSelf self, BSTR target, long* frame) {
  TraceCall("IShockwaveFlash.TCurrentFrame", 61, static_cast<const wchar_t*>(target));
  if (!frame) return E_POINTER;
  *frame = IsRoot(target) ? self->Owner->ReadNumber(TProperty::FrameNum) : 0;
  return S_OK;
}
HRESULT STDMETHODCALLTYPE TCurrentLabel(TSelf, BSTR target, BSTR* label) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.TCurrentLabel", 62, static_cast<const wchar_t*>(target));
    if (!label) return E_POINTER;
    return Give(L"", label);
  });
}
HRESULT STDMETHODCALLTYPE TPlay(TSelf self, BSTR target) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.TPlay", 63, static_cast<const wchar_t*>(target));
    if (IsRoot(target)) self->Owner->WriteNumber(TProperty::Playing, VARIANT_TRUE);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE TStopPlay(TSelf self, BSTR target) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.TStopPlay", 64, static_cast<const wchar_t*>(target));
    if (IsRoot(target)) self->Owner->WriteNumber(TProperty::Playing, VARIANT_FALSE);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE SetVariable(TSelf self, BSTR name, BSTR value) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.SetVariable", 65, static_cast<const wchar_t*>(name), static_cast<const wchar_t*>(value));
    self->Owner->Properties().Variables[Text(name)] = Text(value);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE GetVariable(TSelf self, BSTR name, BSTR* value) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.GetVariable", 66, static_cast<const wchar_t*>(name));
    if (!value) return E_POINTER;
    const auto& variables = self->Owner->Properties().Variables;
    const auto found = variables.find(Text(name));
    return Give(found == variables.end() ? std::wstring() : found->second, value);
  });
}
HRESULT STDMETHODCALLTYPE TSetProperty(TSelf self, BSTR target, int property, BSTR value) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.TSetProperty", 67, static_cast<const wchar_t*>(target), property,
              static_cast<const wchar_t*>(value));
    self->Owner->Properties().TargetTexts[{Text(target), property}] = Text(value);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE TGetProperty(TSelf self, BSTR target, int property, BSTR* value) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.TGetProperty", 68, static_cast<const wchar_t*>(target), property);
    if (!value) return E_POINTER;
    const auto& texts = self->Owner->Properties().TargetTexts;
    const auto found = texts.find({Text(target), property});
    return Give(found == texts.end() ? std::wstring() : found->second, value);
  });
}
HRESULT STDMETHODCALLTYPE TCallFrame(TSelf, BSTR target, int frame) {
  TraceCall("IShockwaveFlash.TCallFrame", 69, static_cast<const wchar_t*>(target), frame);
  return S_OK;
}
HRESULT STDMETHODCALLTYPE TCallLabel(TSelf, BSTR target, BSTR label) {
  TraceCall("IShockwaveFlash.TCallLabel", 70, static_cast<const wchar_t*>(target), static_cast<const wchar_t*>(label));
  return S_OK;
}
HRESULT STDMETHODCALLTYPE TSetPropertyNum(TSelf self, BSTR target, int property, double value) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.TSetPropertyNum", 71, static_cast<const wchar_t*>(target), property, value);
    self->Owner->Properties().TargetNumbers[{Text(target), property}] = value;
    return S_OK;
  });
}
// What TSetPropertyNum wrote, else the number in what TSetProperty wrote, else 0.
double TargetNumber(TSelf self, BSTR target, int property) {
  const TPropertyStore& store = self->Owner->Properties();
  const auto number = store.TargetNumbers.find({Text(target), property});
  if (number != store.TargetNumbers.end()) return number->second;
  const auto text = store.TargetTexts.find({Text(target), property});
  return text == store.TargetTexts.end() ? 0.0 : std::wcstod(text->second.c_str(), nullptr);
}
HRESULT STDMETHODCALLTYPE TGetPropertyNum(TSelf self, BSTR target, int property, double* value) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.TGetPropertyNum", 72, static_cast<const wchar_t*>(target), property);
    if (!value) return E_POINTER;
    *value = TargetNumber(self, target, property);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE TGetPropertyAsNumber(TSelf self, BSTR target, int property, double* value) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.TGetPropertyAsNumber", 73, static_cast<const wchar_t*>(target), property);
    if (!value) return E_POINTER;
    *value = TargetNumber(self, target, property);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE EnforceLocalSecurity(TSelf) {
  TraceCall("IShockwaveFlash.EnforceLocalSecurity", 86);
  return S_OK;
}
// No movie registers functions for its host: every request answers empty text.
HRESULT STDMETHODCALLTYPE CallFunction(TSelf, BSTR request, BSTR* response) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.CallFunction", 93, static_cast<const wchar_t*>(request));
    if (!response) return E_POINTER;
    return Give(L"", response);
  });
}
HRESULT STDMETHODCALLTYPE SetReturnValue(TSelf self, BSTR value) {
  return Guarded([&] {
    TraceCall("IShockwaveFlash.SetReturnValue", 94, static_cast<const wchar_t*>(value));
    self->Owner->Properties().ReturnValue = Text(value);
    return S_OK;
  });
}
HRESULT STDMETHODCALLTYPE DisableLocalSecurity(TSelf) {
  TraceCall("IShockwaveFlash.DisableLocalSecurity", 95);
  return S_OK;
}

// Function pointers of any signature go into the table through void (*)(), the one
// conversion that does not warn.
template <class F>
TSlot Slot(F* function) {
  return reinterpret_cast<TSlot>(function);
}

// The table is built in slot order; a member put at the wrong place is a fault of this file.
void ExpectSize(const std::vector<TSlot>& table, std::size_t slot) {
  if (table.size() != slot) throw std::logic_error("IShockwaveFlash table out of order");
}

template <TProperty P, int Read, class T>
void AddNumber(std::vector<TSlot>& table) {
  ExpectSize(table, Read);
  table.push_back(Slot(&GetNumber<P, Read, T>));
  table.push_back(Slot(&PutNumber<P, Read + 1, T>));
}

template <TProperty P, int Read>
void AddText(std::vector<TSlot>& table) {
  ExpectSize(table, Read);
  table.push_back(Slot(&GetText<P, Read>));
  table.push_back(Slot(&PutText<P, Read + 1>));
}

}  // namespace

std::vector<TSlot> BuildFlashTable(int generation, bool fullScreenMembers) {
  using P = TProperty;
  std::vector<TSlot> table;
  table.reserve(100);
  table.push_back(Slot(&QueryInterface));
  table.push_back(Slot(&AddRef));
  table.push_back(Slot(&Release));
  table.push_back(Slot(&GetTypeInfoCount));
  table.push_back(Slot(&GetTypeInfo));
  table.push_back(Slot(&GetIDsOfNames));
  table.push_back(Slot(&Invoke));
  table.push_back(Slot(&GetNumber<P::ReadyState, 7, long>));
  table.push_back(Slot(&GetNumber<P::TotalFrames, 8, long>));
  AddNumber<P::Playing, 9, VARIANT_BOOL>(table);
  AddNumber<P::Quality, 11, int>(table);
  AddNumber<P::ScaleMode, 13, int>(table);
  AddNumber<P::AlignMode, 15, int>(table);
  AddNumber<P::BackgroundColor, 17, long>(table);
  AddNumber<P::Loop, 19, VARIANT_BOOL>(table);
  AddText<P::Movie, 21>(table);
  AddNumber<P::FrameNum, 23, long>(table);
  ExpectSize(table, 25);
  for (TSlot slot : {Slot(&SetZoomRect), Slot(&Zoom), Slot(&Pan), Slot(&Play), Slot(&Stop), Slot(&Back),
                     Slot(&Forward), Slot(&Rewind), Slot(&StopPlay), Slot(&GotoFrame), Slot(&CurrentFrame),
                     Slot(&IsPlaying), Slot(&PercentLoaded), Slot(&FrameLoaded), Slot(&FlashVersion)}) {
    table.push_back(slot);
  }
  AddText<P::WMode, 40>(table);
  AddText<P::SAlign, 42>(table);
  AddNumber<P::Menu, 44, VARIANT_BOOL>(table);
  AddText<P::Base, 46>(table);
  AddText<P::Scale, 48>(table);
  AddNumber<P::DeviceFont, 50, VARIANT_BOOL>(table);
  AddNumber<P::EmbedMovie, 52, VARIANT_BOOL>(table);
  AddText<P::BGColor, 54>(table);
  AddText<P::Quality2, 56>(table);
  ExpectSize(table, 58);
  for (TSlot slot : {Slot(&LoadMovie), Slot(&TGotoFrame), Slot(&TGotoLabel), Slot(&TCurrentFrame),
                     Slot(&TCurrentLabel), Slot(&TPlay), Slot(&TStopPlay), Slot(&SetVariable), Slot(&GetVariable),
                     Slot(&TSetProperty), Slot(&TGetProperty), Slot(&TCallFrame), Slot(&TCallLabel),
                     Slot(&TSetPropertyNum), Slot(&TGetPropertyNum)}) {
    table.push_back(slot);
  }
  ExpectSize(table, 73);
  if (generation < 4) return table;
  if (generation <= 6) {
    AddText<P::SWRemote, 73>(table);
    if (generation == 5) AddText<P::Stacking, 75>(table);
    return table;
  }
  table.push_back(Slot(&TGetPropertyAsNumber));
  AddText<P::SWRemote, 74>(table);
  AddText<P::FlashVars, 76>(table);
  AddText<P::AllowScriptAccess, 78>(table);
  AddText<P::MovieData, 80>(table);
  if (generation == 7) return table;  // 82 slots
  AddText<P::InlineData, 82>(table);
  AddNumber<P::SeamlessTabbing, 84, VARIANT_BOOL>(table);
  ExpectSize(table, 86);
  table.push_back(Slot(&EnforceLocalSecurity));
  AddNumber<P::Profile, 87, VARIANT_BOOL>(table);
  AddText<P::ProfileAddress, 89>(table);
  AddNumber<P::ProfilePort, 91, long>(table);
  ExpectSize(table, 93);
  table.push_back(Slot(&CallFunction));
  table.push_back(Slot(&SetReturnValue));
  table.push_back(Slot(&DisableLocalSecurity));
  if (!fullScreenMembers) return table;  // 96 slots
  AddText<P::AllowNetworking, 96>(table);
  AddText<P::AllowFullScreen, 98>(table);
  return table;  // 100 slots
}

const TSlot* BuiltFlashTable() {
  static const std::vector<TSlot> table = [] {
    const TVersion version = BuiltVersionNumbers();
    const int generation = version.Major > 8 ? 8 : static_cast<int>(version.Major);
    const unsigned long long full = (static_cast<unsigned long long>(version.Major) << 48) |
                                    (static_cast<unsigned long long>(version.Minor) << 32) |
                                    (static_cast<unsigned long long>(version.Release) << 16) | version.Build;
    const unsigned long long fullScreenFrom = (9ull << 48) | (0ull << 32) | (28ull << 16) | 0;
    return BuildFlashTable(generation, full >= fullScreenFrom);
  }();
  return table.data();
}

}  // namespace standin
