// TFlashRuntimeMembers: the runtime's properties and methods offered as the host control's
// own. Every call first asks which generation of runtime is running, since generations offer
// different members, some at different places of the runtime's interface; members a
// generation lacks answer from the control's cache or with a neutral result.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <string>

namespace leafmark {

// Failures inside these members are EOleSysError (flash_control/ole_errors.h): a runtime
// object without IShockwaveFlash (E_NOINTERFACE, or the refusal's own result) and every
// failing runtime call. Property accessors and LoadMovie swallow the program's exceptions
// (std::exception and its kin); the other operations let them reach the caller.
class TFlashRuntimeMembers {
 public:
  // 9.0.28.0, packed one byte per part: the first runtime with AllowFullScreen.
  static constexpr std::uint32_t kAllowFullscreenVersion = 0x09001C00;

  TFlashRuntimeMembers() = default;
  virtual ~TFlashRuntimeMembers() = default;
  TFlashRuntimeMembers(const TFlashRuntimeMembers&) = delete;
  TFlashRuntimeMembers& operator=(const TFlashRuntimeMembers&) = delete;

  // -1 without a runtime object; otherwise bits 16 to 23 of the runtime's FlashVersion,
  // capped at 8. Asked of the runtime at each call, never stored. Raises EOleSysError when
  // the runtime has no IShockwaveFlash or its FlashVersion fails.
  int RuntimeGeneration() const;
  // The current code provider's packed runtime version; 0 without a provider.
  static std::uint32_t GetRuntimeVersion() noexcept;

  // Runtime operations. Called only for the generations that have them; otherwise, and
  // without a runtime object, they do nothing and answer 0, empty text, or true (IsPlaying,
  // FrameLoaded).
  virtual void SetZoomRect(long left, long top, long right, long bottom);
  virtual void Zoom(int factor);
  virtual void Pan(long x, long y, int mode);
  virtual void Play();
  virtual void Stop();
  virtual void Back();
  virtual void Forward();
  virtual void Rewind();
  virtual void StopPlay();
  virtual void GotoFrame(long frame);
  virtual long CurrentFrame();
  virtual bool IsPlaying();
  virtual long PercentLoaded();
  virtual bool FrameLoaded(long frame);
  // Any generation; 0 without a runtime object.
  virtual long FlashVersion();
  // Swallows the runtime's failures: content delivery calls it.
  virtual void LoadMovie(int layer, const std::wstring& url);
  virtual void TGotoFrame(const std::wstring& target, long frame);
  virtual void TGotoLabel(const std::wstring& target, const std::wstring& label);
  virtual long TCurrentFrame(const std::wstring& target);
  virtual std::wstring TCurrentLabel(const std::wstring& target);
  virtual void TPlay(const std::wstring& target);
  virtual void TStopPlay(const std::wstring& target);
  virtual void SetVariable(const std::wstring& name, const std::wstring& value);
  virtual std::wstring GetVariable(const std::wstring& name);
  virtual void TSetProperty(const std::wstring& target, int property, const std::wstring& value);
  virtual std::wstring TGetProperty(const std::wstring& target, int property);
  virtual void TCallFrame(const std::wstring& target, int frame);
  virtual void TCallLabel(const std::wstring& target, const std::wstring& label);
  virtual void TSetPropertyNum(const std::wstring& target, int property, double value);
  virtual double TGetPropertyNum(const std::wstring& target, int property);
  virtual double TGetPropertyAsNumber(const std::wstring& target, int property);
  virtual std::wstring CallFunction(const std::wstring& request);
  virtual void SetReturnValue(const std::wstring& value);
  virtual long ReadyState();
  virtual long TotalFrames();

  // Properties. Each write stores its value in the control's cache, then passes it to a
  // runtime of a generation that has the property; each read asks such a runtime and falls
  // back to the cache. A failing read of text gives empty text, of a number or boolean the
  // cached value. Booleans are 16-bit: -1 true, 0 false; writes store any non-zero value as -1
  // (AllowFullscreen excepted, which keeps the value as given).
  virtual std::wstring Movie();
  virtual void SetMovie(const std::wstring& value);
  virtual long FrameNum();
  virtual void SetFrameNum(long value);
  // Never reaches the runtime in design mode.
  virtual VARIANT_BOOL Playing();
  virtual void SetPlaying(VARIANT_BOOL value);
  virtual int Quality();
  virtual void SetQuality(int value);
  virtual int ScaleMode();
  virtual void SetScaleMode(int value);
  virtual int AlignMode();
  virtual void SetAlignMode(int value);
  virtual long BackgroundColor();
  virtual void SetBackgroundColor(long value);
  virtual VARIANT_BOOL Loop();
  virtual void SetLoop(VARIANT_BOOL value);
  virtual std::wstring WMode();
  virtual void SetWMode(const std::wstring& value);
  virtual std::wstring SAlign();
  virtual void SetSAlign(const std::wstring& value);
  virtual VARIANT_BOOL Menu();
  virtual void SetMenu(VARIANT_BOOL value);
  virtual std::wstring Base();
  virtual void SetBase(const std::wstring& value);
  virtual std::wstring Scale();
  virtual void SetScale(const std::wstring& value);
  virtual VARIANT_BOOL DeviceFont();
  virtual void SetDeviceFont(VARIANT_BOOL value);
  virtual VARIANT_BOOL EmbedMovie();
  virtual void SetEmbedMovie(VARIANT_BOOL value);
  virtual std::wstring BGColor();
  virtual void SetBGColor(const std::wstring& value);
  virtual std::wstring Quality2();
  virtual void SetQuality2(const std::wstring& value);
  virtual std::wstring SWRemote();
  virtual void SetSWRemote(const std::wstring& value);
  virtual std::wstring Stacking();
  virtual void SetStacking(const std::wstring& value);
  virtual std::wstring FlashVars();
  virtual void SetFlashVars(const std::wstring& value);
  virtual std::wstring AllowScriptAccess();
  virtual void SetAllowScriptAccess(const std::wstring& value);
  virtual std::wstring MovieData();
  virtual void SetMovieData(const std::wstring& value);
  // Reaches the runtime (as the text "true" or "false") only when GetRuntimeVersion is at
  // least kAllowFullscreenVersion.
  virtual VARIANT_BOOL AllowFullscreen();
  virtual void SetAllowFullscreen(VARIANT_BOOL value);

 protected:
  // The control's runtime object, or nil.
  virtual IOleObject* RuntimeObject() const noexcept = 0;
  // The control is never edited in a designer here.
  virtual bool DesignMode() const noexcept { return false; }

 private:
  std::wstring movie_;
  long frameNum_ = 0;
  VARIANT_BOOL playing_ = VARIANT_FALSE;
  int quality_ = 0;
  int scaleMode_ = 0;
  int alignMode_ = 0;
  long backgroundColor_ = 0;
  VARIANT_BOOL loop_ = VARIANT_FALSE;
  std::wstring wMode_;
  std::wstring sAlign_;
  VARIANT_BOOL menu_ = VARIANT_FALSE;
  std::wstring base_;
  std::wstring scale_;
  VARIANT_BOOL deviceFont_ = VARIANT_FALSE;
  VARIANT_BOOL embedMovie_ = VARIANT_FALSE;
  std::wstring bgColor_;
  std::wstring quality2_;
  std::wstring swRemote_;
  std::wstring stacking_;
  std::wstring flashVars_;
  std::wstring allowScriptAccess_;
  std::wstring movieData_;
  VARIANT_BOOL allowFullscreen_ = VARIANT_FALSE;
};

}  // namespace leafmark
