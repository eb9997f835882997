// TFakeShockwaveFlash: a runtime object of the tests' own whose function table is laid out by
// hand, slot by slot, as a runtime of a given generation lays out IShockwaveFlash. Every
// member records its slot and arguments and answers as configured.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <ostream>
#include <string>
#include <vector>

namespace leafmark::test {

struct TFakeCall {
  int Slot;
  // In-arguments as text, comma-separated: numbers in decimal, BSTRs quoted with ' (null for
  // a null BSTR), each out-argument as "out" (or "null-out" when the pointer was null).
  std::wstring Arguments;

  friend bool operator==(const TFakeCall&, const TFakeCall&) = default;
};
void PrintTo(const TFakeCall& call, std::ostream* out);

class TFakeShockwaveFlash {
 public:
  // flashVersion is what FlashVersion answers; runtimes of major version 7 and above get
  // 9.0.28.0's layout, earlier ones keep SWRemote at 73 and 74 and Stacking at 75 and 76.
  explicit TFakeShockwaveFlash(long flashVersion);
  ~TFakeShockwaveFlash();
  TFakeShockwaveFlash(const TFakeShockwaveFlash&) = delete;
  TFakeShockwaveFlash& operator=(const TFakeShockwaveFlash&) = delete;

  // The object as the control holds it. It answers QueryInterface for IUnknown, IOleObject
  // and (when OffersFlash) IShockwaveFlash; the control calls nothing else of IOleObject.
  IOleObject* AsOleObject() noexcept;

  // Answers.
  long Version;
  HRESULT VersionResult = S_OK;
  bool OffersFlash = true;
  bool NullFlash = false;  // asked for IShockwaveFlash, answers S_OK and no object
  HRESULT Result = S_OK;  // of every member but FlashVersion
  // Out-arguments are filled in even when Result is a failure.
  long Number = 42;
  VARIANT_BOOL Boolean = VARIANT_FALSE;
  double Real = 2.5;
  std::wstring Text = L"answer";
  bool NullText = false;  // a null BSTR instead of Text

  // Records: every member call but FlashVersion's, which are counted apart.
  std::vector<TFakeCall> Calls;
  int VersionQueries = 0;
  // References the control holds now (it owns none for good).
  long References() const noexcept { return references_; }

  // Used by the function table: the object's COM face is a TFace.
  using TEntry = void (*)();
  struct TFace {
    const TEntry* Table;
    TFakeShockwaveFlash* Owner;
  };
  HRESULT QueryInterface(REFIID iid, void** object);
  ULONG AddRef() noexcept { return static_cast<ULONG>(++references_); }
  ULONG Release() noexcept { return static_cast<ULONG>(--references_); }
  HRESULT FlashVersion(long* version);
  template <class... Args>
  HRESULT Member(int slot, Args... args);

 private:
  std::wstring Describe(long value);
  std::wstring Describe(int value);
  std::wstring Describe(short value);
  std::wstring Describe(double value);
  std::wstring Describe(BSTR value);
  std::wstring Describe(long* out);
  std::wstring Describe(int* out);
  std::wstring Describe(short* out);
  std::wstring Describe(double* out);
  std::wstring Describe(BSTR* out);
  std::wstring Describe(IUnknown* value);
  std::wstring Describe(IUnknown** out);

  TFace face_;
  long references_ = 0;
};

template <class... Args>
HRESULT TFakeShockwaveFlash::Member(int slot, Args... args) {
  std::wstring text;
  ((text += (text.empty() ? L"" : L",") + Describe(args)), ...);
  Calls.push_back({slot, text});
  return Result;
}

}  // namespace leafmark::test
