// TFlashRuntimeMembers: the runtime's properties and methods offered as the host control's
// own. Every call first asks which generation of runtime is running, since generations offer
// different members, some at different places of the runtime's interface; members a
// generation lacks answer from the control's cache or with a neutral result.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

namespace leafmark {

class TFlashRuntimeMembers {
 public:
  TFlashRuntimeMembers() = default;
  virtual ~TFlashRuntimeMembers() = default;
  TFlashRuntimeMembers(const TFlashRuntimeMembers&) = delete;
  TFlashRuntimeMembers& operator=(const TFlashRuntimeMembers&) = delete;

  // -1 without a runtime object; otherwise the runtime's major version, capped at 8.
  int RuntimeGeneration() const;

  virtual std::wstring Movie();
  virtual void SetMovie(const std::wstring& value);
  virtual std::wstring Base();
  virtual void SetBase(const std::wstring& value);

  // Swallows the runtime's failures: content delivery calls it.
  virtual void LoadMovie(int layer, const std::wstring& url);
  virtual long FlashVersion();

 protected:
  // The control's runtime object, or nil.
  virtual IOleObject* RuntimeObject() const noexcept = 0;

 private:
  std::wstring movie_;
  std::wstring base_;
};

}  // namespace leafmark
