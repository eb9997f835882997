#include "flash_properties.h"

#include <iterator>

namespace standin {

namespace {

struct TInfo {
  TProperty Property;
  const char* Name;
  long Number;          // first value of a number
  const wchar_t* Text;  // first value of a text
};

// The first values are those a freshly created runtime reports: playing, looping, high
// quality, the menu shown, showing all of the movie in a window of its own.
constexpr TInfo kInfo[] = {
    {TProperty::ReadyState, "ReadyState", 0, nullptr},
    {TProperty::TotalFrames, "TotalFrames", 0, nullptr},
    {TProperty::Playing, "Playing", -1, nullptr},
    {TProperty::Quality, "Quality", 1, nullptr},
    {TProperty::ScaleMode, "ScaleMode", 0, nullptr},
    {TProperty::AlignMode, "AlignMode", 0, nullptr},
    {TProperty::BackgroundColor, "BackgroundColor", -1, nullptr},
    {TProperty::Loop, "Loop", -1, nullptr},
    {TProperty::FrameNum, "FrameNum", 0, nullptr},
    {TProperty::Menu, "Menu", -1, nullptr},
    {TProperty::DeviceFont, "DeviceFont", 0, nullptr},
    {TProperty::EmbedMovie, "EmbedMovie", 0, nullptr},
    {TProperty::SeamlessTabbing, "SeamlessTabbing", -1, nullptr},
    {TProperty::Profile, "Profile", 0, nullptr},
    {TProperty::ProfilePort, "ProfilePort", 0, nullptr},
    {TProperty::Movie, "Movie", 0, L""},
    {TProperty::WMode, "WMode", 0, L"Window"},
    {TProperty::SAlign, "SAlign", 0, L""},
    {TProperty::Base, "Base", 0, L""},
    {TProperty::Scale, "Scale", 0, L"ShowAll"},
    {TProperty::BGColor, "BGColor", 0, L""},
    {TProperty::Quality2, "Quality2", 0, L"High"},
    {TProperty::SWRemote, "SWRemote", 0, L""},
    {TProperty::Stacking, "Stacking", 0, L"below"},
    {TProperty::FlashVars, "FlashVars", 0, L""},
    {TProperty::AllowScriptAccess, "AllowScriptAccess", 0, L""},
    {TProperty::MovieData, "MovieData", 0, L""},
    {TProperty::InlineData, "InlineData", 0, L""},
    {TProperty::ProfileAddress, "ProfileAddress", 0, L""},
    {TProperty::AllowNetworking, "AllowNetworking", 0, L"all"},
    {TProperty::AllowFullScreen, "AllowFullScreen", 0, L"false"},
};

const TInfo* Find(TProperty property) noexcept {
  for (const TInfo& info : kInfo) {
    if (info.Property == property) return &info;
  }
  return nullptr;
}

}  // namespace

const char* PropertyName(TProperty property) noexcept {
  const TInfo* info = Find(property);
  return info ? info->Name : "?";
}

TPropertyStore::TPropertyStore() {
  for (const TInfo& info : kInfo) {
    if (info.Text) {
      texts_[info.Property] = info.Text;
    } else {
      numbers_[info.Property] = info.Number;
    }
  }
}

long TPropertyStore::Number(TProperty property) const {
  const auto found = numbers_.find(property);
  return found == numbers_.end() ? 0 : found->second;
}

void TPropertyStore::SetNumber(TProperty property, long value) {
  numbers_[property] = value;
  written_[property] = true;
}

bool TPropertyStore::Written(TProperty property) const { return written_.count(property) != 0; }

const std::wstring& TPropertyStore::Text(TProperty property) const {
  static const std::wstring kEmpty;
  const auto found = texts_.find(property);
  return found == texts_.end() ? kEmpty : found->second;
}

void TPropertyStore::SetText(TProperty property, std::wstring value) {
  texts_[property] = std::move(value);
  written_[property] = true;
}

}  // namespace standin
