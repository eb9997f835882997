// The runtime's properties as IShockwaveFlash offers them: their names, types and first
// values, and the store that keeps what the host wrote so that it reads back.
#pragma once

#include <map>
#include <string>
#include <utility>

namespace standin {

enum class TProperty {
  // Numbers (long, int or VARIANT_BOOL at the interface).
  ReadyState, TotalFrames, Playing, Quality, ScaleMode, AlignMode, BackgroundColor, Loop, FrameNum, Menu,
  DeviceFont, EmbedMovie, SeamlessTabbing, Profile, ProfilePort,
  // Texts (BSTR).
  Movie, WMode, SAlign, Base, Scale, BGColor, Quality2, SWRemote, Stacking, FlashVars, AllowScriptAccess,
  MovieData, InlineData, ProfileAddress, AllowNetworking, AllowFullScreen,
};

// The member name after get_/put_, e.g. "Quality".
const char* PropertyName(TProperty property) noexcept;

class TPropertyStore {
 public:
  TPropertyStore();

  long Number(TProperty property) const;
  void SetNumber(TProperty property, long value);
  // Whether the host wrote it (BackgroundColor reads the movie's until it does).
  bool Written(TProperty property) const;
  const std::wstring& Text(TProperty property) const;
  void SetText(TProperty property, std::wstring value);

  // SetVariable/GetVariable, and TSetProperty/TSetPropertyNum by target and property index.
  std::map<std::wstring, std::wstring> Variables;
  std::map<std::pair<std::wstring, int>, std::wstring> TargetTexts;
  std::map<std::pair<std::wstring, int>, double> TargetNumbers;
  std::wstring ReturnValue;  // the last SetReturnValue

 private:
  std::map<TProperty, long> numbers_;
  std::map<TProperty, std::wstring> texts_;
  std::map<TProperty, bool> written_;
};

}  // namespace standin
