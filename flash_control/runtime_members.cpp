// The runtime's properties and methods: cached values, and calls into the runtime for the
// generations that have each member, at the slot that generation keeps it in.
#include "flash_control/runtime_members.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "flash_control/ole_errors.h"
#include "flash_control/runtime_slot_call.h"
#include "flash_control/shockwave_flash.h"
#include "runtime_loader/code_providers.h"
#include "win/bstr_text.h"
#include "win/com_ptr.h"
#include "win/unique_any.h"

namespace leafmark {
namespace {

using IFlash = IShockwaveFlash_9_0_28_0;

// Sets of runtime generations, one bit each.
using TGenerations = unsigned;
constexpr TGenerations Generations(int first, int last) {
  TGenerations set = 0;
  for (int generation = first; generation <= last; ++generation) set |= 1u << generation;
  return set;
}
constexpr TGenerations kClassic = Generations(3, 8);
constexpr TGenerations kScripting = Generations(4, 8);  // SetVariable to TGetPropertyNum
constexpr TGenerations kSeven = Generations(7, 8);
constexpr TGenerations kEight = Generations(8, 8);

bool Includes(TGenerations set, int generation) noexcept {
  return generation >= 0 && generation < 32 && ((set >> generation) & 1u) != 0;
}

// Generations 4 and 5 keep SWRemote at 73 and 74, generation 5 Stacking at 75 and 76: a text
// getter and putter each, shaped as 9.0.28.0's SWRemote members.
using TTextGetter = decltype(&IFlash::get_SWRemote);
using TTextPutter = decltype(&IFlash::put_SWRemote);
constexpr TGenerations kOldSWRemote = Generations(4, 5);
constexpr TSlotCall<TTextGetter> kOldGetSWRemote{73};
constexpr TSlotCall<TTextPutter> kOldPutSWRemote{74};
constexpr TGenerations kStacking = Generations(5, 5);
constexpr TSlotCall<TTextGetter> kGetStacking{75};
constexpr TSlotCall<TTextPutter> kPutStacking{76};
static_assert(std::is_same_v<TTextGetter, HRESULT (STDMETHODCALLTYPE IFlash::*)(BSTR*)> &&
              std::is_same_v<TTextPutter, HRESULT (STDMETHODCALLTYPE IFlash::*)(BSTR)>);

// A member of IFlash, or a TSlotCall, for the generations that have it there.
template <class Member>
struct TRoute {
  TGenerations Generations;
  Member Call;
};
template <class Member>
TRoute(TGenerations, Member) -> TRoute<Member>;

template <class Member, class... Args>
  requires std::is_member_function_pointer_v<Member>
HRESULT Invoke(IFlash& flash, Member member, Args&&... args) {
  return (flash.*member)(std::forward<Args>(args)...);
}
template <class Member, class... Args>
HRESULT Invoke(IFlash& flash, const TSlotCall<Member>& slot, Args&&... args) {
  return slot(flash, std::forward<Args>(args)...);
}

win::TUniqueBstr MakeBstr(const std::wstring& text) {
  if (text.size() > std::numeric_limits<UINT>::max() / sizeof(wchar_t)) {
    throw std::length_error("Text too long for the runtime");
  }
  win::TUniqueBstr result(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  if (!result) throw std::bad_alloc();
  return result;
}

// A text argument as the runtime takes it: a BSTR of our own that lives as long as the call.
class TBstrArgument {
 public:
  explicit TBstrArgument(const std::wstring& text) : bstr_(MakeBstr(text)) {}
  operator BSTR() const noexcept { return bstr_.Get(); }

 private:
  win::TUniqueBstr bstr_;
};

TBstrArgument Pass(const std::wstring& text) { return TBstrArgument(text); }
template <class T>
  requires std::is_arithmetic_v<T>
T Pass(T value) noexcept {
  return value;
}

// An out-argument of the runtime's: a number or boolean, or a BSTR that the runtime allocates
// and we free (also when the call fails after filling it in). A null BSTR is empty text.
template <class T>
class TOut {
 public:
  T* Put() noexcept { return &value_; }
  T Value() const noexcept { return value_; }

 private:
  T value_{};
};
template <>
class TOut<std::wstring> {
 public:
  BSTR* Put() noexcept { return text_.Put(); }
  std::wstring Value() const { return win::BstrText(text_.Get()); }

 private:
  win::TUniqueBstr text_;
};

com::TComPtr<IFlash> FlashOf(IOleObject& object) {
  com::TComPtr<IFlash> flash;
  const HRESULT result = object.QueryInterface(__uuidof(IFlash), flash.PutVoid());
  if (FAILED(result) || !flash) {
    throw EOleSysError(FAILED(result) ? result : E_NOINTERFACE,
                       "The runtime object does not offer IShockwaveFlash");
  }
  return flash;
}

long FlashVersionOf(IFlash& flash) {
  long version = 0;
  OleCheck(flash.FlashVersion(&version), "IShockwaveFlash.FlashVersion");
  return version;
}

int GenerationOf(IOleObject* object) {
  if (!object) return -1;
  const auto version = static_cast<unsigned long>(FlashVersionOf(*FlashOf(*object)));
  const unsigned major = (version >> 16) & 0xFF;
  return static_cast<int>(std::min(major, 8u));
}

// The guard of the property accessors and LoadMovie: the program's own failures end the
// call quietly; anything else goes on.
template <class Body>
void SwallowProgramErrors(Body&& body) {
  try {
    body();
  } catch (const std::exception&) {
  }
}

// Property read: the cached value, unless the route for the running generation answers.
// Text is emptied once the runtime is about to be asked, so a failing text read gives empty
// text; a failing number or boolean read gives the cached value.
template <class T, class... Members>
T ReadProperty(IOleObject* object, const T& cache, const TRoute<Members>&... routes) {
  T result = cache;
  if (!object) return result;
  SwallowProgramErrors([&] {
    const int generation = GenerationOf(object);
    const auto readThrough = [&](const auto& route) {
      if (!Includes(route.Generations, generation)) return;
      const auto flash = FlashOf(*object);
      if constexpr (std::is_same_v<T, std::wstring>) result.clear();
      TOut<T> value;
      OleCheck(Invoke(*flash, route.Call, value.Put()), "Reading a runtime property");
      result = value.Value();
    };
    (readThrough(routes), ...);
  });
  return result;
}

// Property write: passed on through the route for the running generation, if any.
template <class T, class... Members>
void WriteProperty(IOleObject* object, const T& value, const TRoute<Members>&... routes) {
  if (!object) return;
  SwallowProgramErrors([&] {
    const int generation = GenerationOf(object);
    const auto writeThrough = [&](const auto& route) {
      if (!Includes(route.Generations, generation)) return;
      OleCheck(Invoke(*FlashOf(*object), route.Call, Pass(value)), "Writing a runtime property");
    };
    (writeThrough(routes), ...);
  });
}

VARIANT_BOOL Normalized(VARIANT_BOOL value) noexcept {
  return value != VARIANT_FALSE ? VARIANT_TRUE : VARIANT_FALSE;
}

// Runtime operations: member is called when the running generation is in generations;
// failures reach the caller.
template <class Member, class... Args>
void Tell(IOleObject* object, TGenerations generations, const char* name, Member member,
          const Args&... args) {
  if (!object || !Includes(generations, GenerationOf(object))) return;
  OleCheck(Invoke(*FlashOf(*object), member, Pass(args)...), name);
}

// As Tell, for a member with a result: its out-argument follows args. neutral when not called.
template <class T, class Member, class... Args>
T Ask(IOleObject* object, TGenerations generations, T neutral, const char* name, Member member,
      const Args&... args) {
  if (!object || !Includes(generations, GenerationOf(object))) return neutral;
  TOut<T> answer;
  OleCheck(Invoke(*FlashOf(*object), member, Pass(args)..., answer.Put()), name);
  return answer.Value();
}

}  // namespace

int TFlashRuntimeMembers::RuntimeGeneration() const { return GenerationOf(RuntimeObject()); }

std::uint32_t TFlashRuntimeMembers::GetRuntimeVersion() noexcept {
  const TFlashOCXCodeProviderBasedOnStream* provider = FlashOCXCodeProvider();
  return provider ? provider->GetFlashVersion() : 0;
}

// Runtime operations.

void TFlashRuntimeMembers::SetZoomRect(long left, long top, long right, long bottom) {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.SetZoomRect", &IFlash::SetZoomRect, left,
       top, right, bottom);
}
void TFlashRuntimeMembers::Zoom(int factor) {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.Zoom", &IFlash::Zoom, factor);
}
void TFlashRuntimeMembers::Pan(long x, long y, int mode) {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.Pan", &IFlash::Pan, x, y, mode);
}
void TFlashRuntimeMembers::Play() {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.Play", &IFlash::Play);
}
void TFlashRuntimeMembers::Stop() {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.Stop", &IFlash::Stop);
}
void TFlashRuntimeMembers::Back() {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.Back", &IFlash::Back);
}
void TFlashRuntimeMembers::Forward() {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.Forward", &IFlash::Forward);
}
void TFlashRuntimeMembers::Rewind() {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.Rewind", &IFlash::Rewind);
}
void TFlashRuntimeMembers::StopPlay() {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.StopPlay", &IFlash::StopPlay);
}
void TFlashRuntimeMembers::GotoFrame(long frame) {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.GotoFrame", &IFlash::GotoFrame, frame);
}
long TFlashRuntimeMembers::CurrentFrame() {
  return Ask(RuntimeObject(), kClassic, 0L, "IShockwaveFlash.CurrentFrame", &IFlash::CurrentFrame);
}
bool TFlashRuntimeMembers::IsPlaying() {
  return Ask(RuntimeObject(), kClassic, VARIANT_TRUE, "IShockwaveFlash.IsPlaying",
             &IFlash::IsPlaying) != VARIANT_FALSE;
}
long TFlashRuntimeMembers::PercentLoaded() {
  return Ask(RuntimeObject(), kClassic, 0L, "IShockwaveFlash.PercentLoaded",
             &IFlash::PercentLoaded);
}
bool TFlashRuntimeMembers::FrameLoaded(long frame) {
  return Ask(RuntimeObject(), kClassic, VARIANT_TRUE, "IShockwaveFlash.FrameLoaded",
             &IFlash::FrameLoaded, frame) != VARIANT_FALSE;
}
long TFlashRuntimeMembers::FlashVersion() {
  IOleObject* object = RuntimeObject();
  return object ? FlashVersionOf(*FlashOf(*object)) : 0;
}
void TFlashRuntimeMembers::LoadMovie(int layer, const std::wstring& url) {
  SwallowProgramErrors([&] {
    Tell(RuntimeObject(), kClassic, "IShockwaveFlash.LoadMovie", &IFlash::LoadMovie, layer, url);
  });
}
void TFlashRuntimeMembers::TGotoFrame(const std::wstring& target, long frame) {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.TGotoFrame", &IFlash::TGotoFrame, target,
       frame);
}
void TFlashRuntimeMembers::TGotoLabel(const std::wstring& target, const std::wstring& label) {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.TGotoLabel", &IFlash::TGotoLabel, target,
       label);
}
long TFlashRuntimeMembers::TCurrentFrame(const std::wstring& target) {
  return Ask(RuntimeObject(), kClassic, 0L, "IShockwaveFlash.TCurrentFrame",
             &IFlash::TCurrentFrame, target);
}
std::wstring TFlashRuntimeMembers::TCurrentLabel(const std::wstring& target) {
  return Ask(RuntimeObject(), kClassic, std::wstring(), "IShockwaveFlash.TCurrentLabel",
             &IFlash::TCurrentLabel, target);
}
void TFlashRuntimeMembers::TPlay(const std::wstring& target) {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.TPlay", &IFlash::TPlay, target);
}
void TFlashRuntimeMembers::TStopPlay(const std::wstring& target) {
  Tell(RuntimeObject(), kClassic, "IShockwaveFlash.TStopPlay", &IFlash::TStopPlay, target);
}
void TFlashRuntimeMembers::SetVariable(const std::wstring& name, const std::wstring& value) {
  Tell(RuntimeObject(), kScripting, "IShockwaveFlash.SetVariable", &IFlash::SetVariable, name,
       value);
}
std::wstring TFlashRuntimeMembers::GetVariable(const std::wstring& name) {
  return Ask(RuntimeObject(), kScripting, std::wstring(), "IShockwaveFlash.GetVariable",
             &IFlash::GetVariable, name);
}
void TFlashRuntimeMembers::TSetProperty(const std::wstring& target, int property,
                                        const std::wstring& value) {
  Tell(RuntimeObject(), kScripting, "IShockwaveFlash.TSetProperty", &IFlash::TSetProperty,
       target, property, value);
}
std::wstring TFlashRuntimeMembers::TGetProperty(const std::wstring& target, int property) {
  return Ask(RuntimeObject(), kScripting, std::wstring(), "IShockwaveFlash.TGetProperty",
             &IFlash::TGetProperty, target, property);
}
void TFlashRuntimeMembers::TCallFrame(const std::wstring& target, int frame) {
  Tell(RuntimeObject(), kScripting, "IShockwaveFlash.TCallFrame", &IFlash::TCallFrame, target,
       frame);
}
void TFlashRuntimeMembers::TCallLabel(const std::wstring& target, const std::wstring& label) {
  Tell(RuntimeObject(), kScripting, "IShockwaveFlash.TCallLabel", &IFlash::TCallLabel, target,
       label);
}
void TFlashRuntimeMembers::TSetPropertyNum(const std::wstring& target, int property,
                                           double value) {
  Tell(RuntimeObject(), kScripting, "IShockwaveFlash.TSetPropertyNum", &IFlash::TSetPropertyNum,
       target, property, value);
}
double TFlashRuntimeMembers::TGetPropertyNum(const std::wstring& target, int property) {
  return Ask(RuntimeObject(), kScripting, 0.0, "IShockwaveFlash.TGetPropertyNum",
             &IFlash::TGetPropertyNum, target, property);
}
double TFlashRuntimeMembers::TGetPropertyAsNumber(const std::wstring& target, int property) {
  return Ask(RuntimeObject(), kSeven, 0.0, "IShockwaveFlash.TGetPropertyAsNumber",
             &IFlash::TGetPropertyAsNumber, target, property);
}
std::wstring TFlashRuntimeMembers::CallFunction(const std::wstring& request) {
  return Ask(RuntimeObject(), kEight, std::wstring(), "IShockwaveFlash.CallFunction",
             &IFlash::CallFunction, request);
}
void TFlashRuntimeMembers::SetReturnValue(const std::wstring& value) {
  Tell(RuntimeObject(), kEight, "IShockwaveFlash.SetReturnValue", &IFlash::SetReturnValue,
       value);
}
long TFlashRuntimeMembers::ReadyState() {
  return Ask(RuntimeObject(), kClassic, 0L, "IShockwaveFlash.ReadyState",
             &IFlash::get_ReadyState);
}
long TFlashRuntimeMembers::TotalFrames() {
  return Ask(RuntimeObject(), kClassic, 0L, "IShockwaveFlash.TotalFrames",
             &IFlash::get_TotalFrames);
}

// Properties.

std::wstring TFlashRuntimeMembers::Movie() {
  return ReadProperty(RuntimeObject(), movie_, TRoute{kClassic, &IFlash::get_Movie});
}
void TFlashRuntimeMembers::SetMovie(const std::wstring& value) {
  movie_ = value;
  WriteProperty(RuntimeObject(), movie_, TRoute{kClassic, &IFlash::put_Movie});
}
long TFlashRuntimeMembers::FrameNum() {
  return ReadProperty(RuntimeObject(), frameNum_, TRoute{kClassic, &IFlash::get_FrameNum});
}
void TFlashRuntimeMembers::SetFrameNum(long value) {
  frameNum_ = value;
  WriteProperty(RuntimeObject(), frameNum_, TRoute{kClassic, &IFlash::put_FrameNum});
}
VARIANT_BOOL TFlashRuntimeMembers::Playing() {
  if (DesignMode()) return playing_;
  return ReadProperty(RuntimeObject(), playing_, TRoute{kClassic, &IFlash::get_Playing});
}
void TFlashRuntimeMembers::SetPlaying(VARIANT_BOOL value) {
  playing_ = Normalized(value);
  if (DesignMode()) return;
  WriteProperty(RuntimeObject(), playing_, TRoute{kClassic, &IFlash::put_Playing});
}
int TFlashRuntimeMembers::Quality() {
  return ReadProperty(RuntimeObject(), quality_, TRoute{kClassic, &IFlash::get_Quality});
}
void TFlashRuntimeMembers::SetQuality(int value) {
  quality_ = value;
  WriteProperty(RuntimeObject(), quality_, TRoute{kClassic, &IFlash::put_Quality});
}
int TFlashRuntimeMembers::ScaleMode() {
  return ReadProperty(RuntimeObject(), scaleMode_, TRoute{kClassic, &IFlash::get_ScaleMode});
}
void TFlashRuntimeMembers::SetScaleMode(int value) {
  scaleMode_ = value;
  WriteProperty(RuntimeObject(), scaleMode_, TRoute{kClassic, &IFlash::put_ScaleMode});
}
int TFlashRuntimeMembers::AlignMode() {
  return ReadProperty(RuntimeObject(), alignMode_, TRoute{kClassic, &IFlash::get_AlignMode});
}
void TFlashRuntimeMembers::SetAlignMode(int value) {
  alignMode_ = value;
  WriteProperty(RuntimeObject(), alignMode_, TRoute{kClassic, &IFlash::put_AlignMode});
}
long TFlashRuntimeMembers::BackgroundColor() {
  return ReadProperty(RuntimeObject(), backgroundColor_,
                      TRoute{kClassic, &IFlash::get_BackgroundColor});
}
void TFlashRuntimeMembers::SetBackgroundColor(long value) {
  backgroundColor_ = value;
  WriteProperty(RuntimeObject(), backgroundColor_, TRoute{kClassic, &IFlash::put_BackgroundColor});
}
VARIANT_BOOL TFlashRuntimeMembers::Loop() {
  return ReadProperty(RuntimeObject(), loop_, TRoute{kClassic, &IFlash::get_Loop});
}
void TFlashRuntimeMembers::SetLoop(VARIANT_BOOL value) {
  loop_ = Normalized(value);
  WriteProperty(RuntimeObject(), loop_, TRoute{kClassic, &IFlash::put_Loop});
}
std::wstring TFlashRuntimeMembers::WMode() {
  return ReadProperty(RuntimeObject(), wMode_, TRoute{kClassic, &IFlash::get_WMode});
}
void TFlashRuntimeMembers::SetWMode(const std::wstring& value) {
  wMode_ = value;
  WriteProperty(RuntimeObject(), wMode_, TRoute{kClassic, &IFlash::put_WMode});
}
std::wstring TFlashRuntimeMembers::SAlign() {
  return ReadProperty(RuntimeObject(), sAlign_, TRoute{kClassic, &IFlash::get_SAlign});
}
void TFlashRuntimeMembers::SetSAlign(const std::wstring& value) {
  sAlign_ = value;
  WriteProperty(RuntimeObject(), sAlign_, TRoute{kClassic, &IFlash::put_SAlign});
}
VARIANT_BOOL TFlashRuntimeMembers::Menu() {
  return ReadProperty(RuntimeObject(), menu_, TRoute{kClassic, &IFlash::get_Menu});
}
void TFlashRuntimeMembers::SetMenu(VARIANT_BOOL value) {
  menu_ = Normalized(value);
  WriteProperty(RuntimeObject(), menu_, TRoute{kClassic, &IFlash::put_Menu});
}
std::wstring TFlashRuntimeMembers::Base() {
  return ReadProperty(RuntimeObject(), base_, TRoute{kClassic, &IFlash::get_Base});
}
void TFlashRuntimeMembers::SetBase(const std::wstring& value) {
  base_ = value;
  WriteProperty(RuntimeObject(), base_, TRoute{kClassic, &IFlash::put_Base});
}
std::wstring TFlashRuntimeMembers::Scale() {
  return ReadProperty(RuntimeObject(), scale_, TRoute{kClassic, &IFlash::get_Scale});
}
void TFlashRuntimeMembers::SetScale(const std::wstring& value) {
  scale_ = value;
  WriteProperty(RuntimeObject(), scale_, TRoute{kClassic, &IFlash::put_Scale});
}
VARIANT_BOOL TFlashRuntimeMembers::DeviceFont() {
  return ReadProperty(RuntimeObject(), deviceFont_, TRoute{kClassic, &IFlash::get_DeviceFont});
}
void TFlashRuntimeMembers::SetDeviceFont(VARIANT_BOOL value) {
  deviceFont_ = Normalized(value);
  WriteProperty(RuntimeObject(), deviceFont_, TRoute{kClassic, &IFlash::put_DeviceFont});
}
VARIANT_BOOL TFlashRuntimeMembers::EmbedMovie() {
  return ReadProperty(RuntimeObject(), embedMovie_, TRoute{kClassic, &IFlash::get_EmbedMovie});
}
void TFlashRuntimeMembers::SetEmbedMovie(VARIANT_BOOL value) {
  embedMovie_ = Normalized(value);
  WriteProperty(RuntimeObject(), embedMovie_, TRoute{kClassic, &IFlash::put_EmbedMovie});
}
std::wstring TFlashRuntimeMembers::BGColor() {
  return ReadProperty(RuntimeObject(), bgColor_, TRoute{kClassic, &IFlash::get_BGColor});
}
void TFlashRuntimeMembers::SetBGColor(const std::wstring& value) {
  bgColor_ = value;
  WriteProperty(RuntimeObject(), bgColor_, TRoute{kClassic, &IFlash::put_BGColor});
}
std::wstring TFlashRuntimeMembers::Quality2() {
  return ReadProperty(RuntimeObject(), quality2_, TRoute{kClassic, &IFlash::get_Quality2});
}
void TFlashRuntimeMembers::SetQuality2(const std::wstring& value) {
  quality2_ = value;
  WriteProperty(RuntimeObject(), quality2_, TRoute{kClassic, &IFlash::put_Quality2});
}
std::wstring TFlashRuntimeMembers::SWRemote() {
  return ReadProperty(RuntimeObject(), swRemote_, TRoute{kOldSWRemote, kOldGetSWRemote},
                      TRoute{kSeven, &IFlash::get_SWRemote});
}
void TFlashRuntimeMembers::SetSWRemote(const std::wstring& value) {
  swRemote_ = value;
  WriteProperty(RuntimeObject(), swRemote_, TRoute{kOldSWRemote, kOldPutSWRemote},
                TRoute{kSeven, &IFlash::put_SWRemote});
}
std::wstring TFlashRuntimeMembers::Stacking() {
  return ReadProperty(RuntimeObject(), stacking_, TRoute{kStacking, kGetStacking});
}
void TFlashRuntimeMembers::SetStacking(const std::wstring& value) {
  stacking_ = value;
  WriteProperty(RuntimeObject(), stacking_, TRoute{kStacking, kPutStacking});
}
std::wstring TFlashRuntimeMembers::FlashVars() {
  return ReadProperty(RuntimeObject(), flashVars_, TRoute{kSeven, &IFlash::get_FlashVars});
}
void TFlashRuntimeMembers::SetFlashVars(const std::wstring& value) {
  flashVars_ = value;
  WriteProperty(RuntimeObject(), flashVars_, TRoute{kSeven, &IFlash::put_FlashVars});
}
std::wstring TFlashRuntimeMembers::AllowScriptAccess() {
  return ReadProperty(RuntimeObject(), allowScriptAccess_,
                      TRoute{kSeven, &IFlash::get_AllowScriptAccess});
}
void TFlashRuntimeMembers::SetAllowScriptAccess(const std::wstring& value) {
  allowScriptAccess_ = value;
  WriteProperty(RuntimeObject(), allowScriptAccess_,
                TRoute{kSeven, &IFlash::put_AllowScriptAccess});
}
std::wstring TFlashRuntimeMembers::MovieData() {
  return ReadProperty(RuntimeObject(), movieData_, TRoute{kSeven, &IFlash::get_MovieData});
}
void TFlashRuntimeMembers::SetMovieData(const std::wstring& value) {
  movieData_ = value;
  WriteProperty(RuntimeObject(), movieData_, TRoute{kSeven, &IFlash::put_MovieData});
}

// Gated by the provider's runtime version rather than the generation: AllowFullScreen came
// with 9.0.28.0, inside generation 9.
VARIANT_BOOL TFlashRuntimeMembers::AllowFullscreen() {
  VARIANT_BOOL result = allowFullscreen_;
  IOleObject* object = RuntimeObject();
  if (!object) return result;
  SwallowProgramErrors([&] {
    if (GetRuntimeVersion() < kAllowFullscreenVersion) return;
    TOut<std::wstring> text;
    OleCheck(FlashOf(*object)->get_AllowFullScreen(text.Put()),
             "IShockwaveFlash.get_AllowFullScreen");
    result = text.Value() == L"true" ? VARIANT_TRUE : VARIANT_FALSE;
  });
  return result;
}
void TFlashRuntimeMembers::SetAllowFullscreen(VARIANT_BOOL value) {
  allowFullscreen_ = value;
  IOleObject* object = RuntimeObject();
  if (!object) return;
  SwallowProgramErrors([&] {
    if (GetRuntimeVersion() < kAllowFullscreenVersion) return;
    OleCheck(FlashOf(*object)->put_AllowFullScreen(
                 Pass(std::wstring(value != VARIANT_FALSE ? L"true" : L"false"))),
             "IShockwaveFlash.put_AllowFullScreen");
  });
}

}  // namespace leafmark
