// The control's runtime members against fake runtimes of each generation: which slot each
// member reaches, with which arguments, what it answers when the runtime is not asked, and
// how failures end.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <array>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "flash_control/ole_errors.h"
#include "flash_control/runtime_members.h"
#include "runtime_loader/code_providers.h"
#include "tests/flash_control/fake_shockwave_flash.h"
#include "tests/support/bin_file.h"
#include "tests/support/temp_dir.h"

namespace leafmark {
namespace {

using test::TFakeCall;
using test::TFakeShockwaveFlash;

class TMembers final : public TFlashRuntimeMembers {
 public:
  explicit TMembers(IOleObject* object) : object_(object) {}
  bool Designing = false;

 protected:
  IOleObject* RuntimeObject() const noexcept override { return object_; }
  bool DesignMode() const noexcept override { return Designing; }

 private:
  IOleObject* object_;
};

std::wstring Text(long value) { return std::to_wstring(value); }
std::wstring Text(int value) { return std::to_wstring(value); }
std::wstring Text(short value) { return std::to_wstring(value); }
std::wstring Text(bool value) { return value ? L"true" : L"false"; }
std::wstring Text(double value) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%g", value);
  return text;
}
std::wstring Text(const std::wstring& value) { return value; }

// A runtime of each generation the control tells apart, and none at all. The low bits are
// minor version and build, which the control ignores.
struct TColumn {
  const char* Name;
  long Version;  // 0: no runtime object
};
constexpr std::array<TColumn, 9> kColumns = {{{"no runtime", 0},
                                              {"generation 2", 0x00020000},
                                              {"generation 3", 0x00030102},
                                              {"generation 4", 0x00040102},
                                              {"generation 5", 0x00050102},
                                              {"generation 6", 0x00060102},
                                              {"generation 7", 0x00070102},
                                              {"generation 8", 0x00080102},
                                              {"10.0", 0x000A002D}}};

struct TRow {
  const char* Member;
  std::function<std::wstring(TMembers&)> Act;  // the call, and its result as text
  const wchar_t* Arguments;                    // as the runtime receives them
  const wchar_t* Answered;                     // the result when the runtime was asked
  const wchar_t* Unasked;                      // the result when it was not
  std::array<int, 9> Slots;                    // per column; 0: the runtime is not asked
  bool Swallows;                               // failures end quietly
};

// The fake answers 42 for numbers, false for booleans, 2.5 for doubles, "answer" for text.
const std::vector<TRow>& Rows() {
  static const std::vector<TRow> rows = {
      // Properties, read then write.               none 2   3   4   5   6   7   8  10
      {"Movie", [](TMembers& m) { return Text(m.Movie()); }, L"out", L"answer", L"",
       {0, 0, 21, 21, 21, 21, 21, 21, 21}, true},
      {"SetMovie", [](TMembers& m) { m.SetMovie(L"m"); return std::wstring(); }, L"'m'", L"", L"",
       {0, 0, 22, 22, 22, 22, 22, 22, 22}, true},
      {"FrameNum", [](TMembers& m) { return Text(m.FrameNum()); }, L"out", L"42", L"0",
       {0, 0, 23, 23, 23, 23, 23, 23, 23}, true},
      {"SetFrameNum", [](TMembers& m) { m.SetFrameNum(12); return std::wstring(); }, L"12", L"",
       L"", {0, 0, 24, 24, 24, 24, 24, 24, 24}, true},
      {"Playing", [](TMembers& m) { return Text(m.Playing()); }, L"out", L"0", L"0",
       {0, 0, 9, 9, 9, 9, 9, 9, 9}, true},
      {"SetPlaying", [](TMembers& m) { m.SetPlaying(VARIANT_TRUE); return std::wstring(); },
       L"-1", L"", L"", {0, 0, 10, 10, 10, 10, 10, 10, 10}, true},
      {"Quality", [](TMembers& m) { return Text(m.Quality()); }, L"out", L"42", L"0",
       {0, 0, 11, 11, 11, 11, 11, 11, 11}, true},
      {"SetQuality", [](TMembers& m) { m.SetQuality(3); return std::wstring(); }, L"3", L"", L"",
       {0, 0, 12, 12, 12, 12, 12, 12, 12}, true},
      {"ScaleMode", [](TMembers& m) { return Text(m.ScaleMode()); }, L"out", L"42", L"0",
       {0, 0, 13, 13, 13, 13, 13, 13, 13}, true},
      {"SetScaleMode", [](TMembers& m) { m.SetScaleMode(2); return std::wstring(); }, L"2", L"",
       L"", {0, 0, 14, 14, 14, 14, 14, 14, 14}, true},
      {"AlignMode", [](TMembers& m) { return Text(m.AlignMode()); }, L"out", L"42", L"0",
       {0, 0, 15, 15, 15, 15, 15, 15, 15}, true},
      {"SetAlignMode", [](TMembers& m) { m.SetAlignMode(5); return std::wstring(); }, L"5", L"",
       L"", {0, 0, 16, 16, 16, 16, 16, 16, 16}, true},
      {"BackgroundColor", [](TMembers& m) { return Text(m.BackgroundColor()); }, L"out", L"42",
       L"0", {0, 0, 17, 17, 17, 17, 17, 17, 17}, true},
      {"SetBackgroundColor",
       [](TMembers& m) { m.SetBackgroundColor(0xFF00); return std::wstring(); }, L"65280", L"",
       L"", {0, 0, 18, 18, 18, 18, 18, 18, 18}, true},
      {"Loop", [](TMembers& m) { return Text(m.Loop()); }, L"out", L"0", L"0",
       {0, 0, 19, 19, 19, 19, 19, 19, 19}, true},
      {"SetLoop", [](TMembers& m) { m.SetLoop(VARIANT_TRUE); return std::wstring(); }, L"-1",
       L"", L"", {0, 0, 20, 20, 20, 20, 20, 20, 20}, true},
      {"WMode", [](TMembers& m) { return Text(m.WMode()); }, L"out", L"answer", L"",
       {0, 0, 40, 40, 40, 40, 40, 40, 40}, true},
      {"SetWMode", [](TMembers& m) { m.SetWMode(L"w"); return std::wstring(); }, L"'w'", L"", L"",
       {0, 0, 41, 41, 41, 41, 41, 41, 41}, true},
      {"SAlign", [](TMembers& m) { return Text(m.SAlign()); }, L"out", L"answer", L"",
       {0, 0, 42, 42, 42, 42, 42, 42, 42}, true},
      {"SetSAlign", [](TMembers& m) { m.SetSAlign(L"s"); return std::wstring(); }, L"'s'", L"",
       L"", {0, 0, 43, 43, 43, 43, 43, 43, 43}, true},
      {"Menu", [](TMembers& m) { return Text(m.Menu()); }, L"out", L"0", L"0",
       {0, 0, 44, 44, 44, 44, 44, 44, 44}, true},
      {"SetMenu", [](TMembers& m) { m.SetMenu(VARIANT_TRUE); return std::wstring(); }, L"-1",
       L"", L"", {0, 0, 45, 45, 45, 45, 45, 45, 45}, true},
      {"Base", [](TMembers& m) { return Text(m.Base()); }, L"out", L"answer", L"",
       {0, 0, 46, 46, 46, 46, 46, 46, 46}, true},
      {"SetBase", [](TMembers& m) { m.SetBase(L"b"); return std::wstring(); }, L"'b'", L"", L"",
       {0, 0, 47, 47, 47, 47, 47, 47, 47}, true},
      {"Scale", [](TMembers& m) { return Text(m.Scale()); }, L"out", L"answer", L"",
       {0, 0, 48, 48, 48, 48, 48, 48, 48}, true},
      {"SetScale", [](TMembers& m) { m.SetScale(L"c"); return std::wstring(); }, L"'c'", L"", L"",
       {0, 0, 49, 49, 49, 49, 49, 49, 49}, true},
      {"DeviceFont", [](TMembers& m) { return Text(m.DeviceFont()); }, L"out", L"0", L"0",
       {0, 0, 50, 50, 50, 50, 50, 50, 50}, true},
      {"SetDeviceFont", [](TMembers& m) { m.SetDeviceFont(VARIANT_TRUE); return std::wstring(); },
       L"-1", L"", L"", {0, 0, 51, 51, 51, 51, 51, 51, 51}, true},
      {"EmbedMovie", [](TMembers& m) { return Text(m.EmbedMovie()); }, L"out", L"0", L"0",
       {0, 0, 52, 52, 52, 52, 52, 52, 52}, true},
      {"SetEmbedMovie", [](TMembers& m) { m.SetEmbedMovie(VARIANT_TRUE); return std::wstring(); },
       L"-1", L"", L"", {0, 0, 53, 53, 53, 53, 53, 53, 53}, true},
      {"BGColor", [](TMembers& m) { return Text(m.BGColor()); }, L"out", L"answer", L"",
       {0, 0, 54, 54, 54, 54, 54, 54, 54}, true},
      {"SetBGColor", [](TMembers& m) { m.SetBGColor(L"#fff"); return std::wstring(); }, L"'#fff'",
       L"", L"", {0, 0, 55, 55, 55, 55, 55, 55, 55}, true},
      {"Quality2", [](TMembers& m) { return Text(m.Quality2()); }, L"out", L"answer", L"",
       {0, 0, 56, 56, 56, 56, 56, 56, 56}, true},
      {"SetQuality2", [](TMembers& m) { m.SetQuality2(L"high"); return std::wstring(); },
       L"'high'", L"", L"", {0, 0, 57, 57, 57, 57, 57, 57, 57}, true},
      {"SWRemote", [](TMembers& m) { return Text(m.SWRemote()); }, L"out", L"answer", L"",
       {0, 0, 0, 73, 73, 0, 74, 74, 74}, true},
      {"SetSWRemote", [](TMembers& m) { m.SetSWRemote(L"r"); return std::wstring(); }, L"'r'",
       L"", L"", {0, 0, 0, 74, 74, 0, 75, 75, 75}, true},
      {"Stacking", [](TMembers& m) { return Text(m.Stacking()); }, L"out", L"answer", L"",
       {0, 0, 0, 0, 75, 0, 0, 0, 0}, true},
      {"SetStacking", [](TMembers& m) { m.SetStacking(L"below"); return std::wstring(); },
       L"'below'", L"", L"", {0, 0, 0, 0, 76, 0, 0, 0, 0}, true},
      {"FlashVars", [](TMembers& m) { return Text(m.FlashVars()); }, L"out", L"answer", L"",
       {0, 0, 0, 0, 0, 0, 76, 76, 76}, true},
      {"SetFlashVars", [](TMembers& m) { m.SetFlashVars(L"a=1"); return std::wstring(); },
       L"'a=1'", L"", L"", {0, 0, 0, 0, 0, 0, 77, 77, 77}, true},
      {"AllowScriptAccess", [](TMembers& m) { return Text(m.AllowScriptAccess()); }, L"out",
       L"answer", L"", {0, 0, 0, 0, 0, 0, 78, 78, 78}, true},
      {"SetAllowScriptAccess",
       [](TMembers& m) { m.SetAllowScriptAccess(L"always"); return std::wstring(); },
       L"'always'", L"", L"", {0, 0, 0, 0, 0, 0, 79, 79, 79}, true},
      {"MovieData", [](TMembers& m) { return Text(m.MovieData()); }, L"out", L"answer", L"",
       {0, 0, 0, 0, 0, 0, 80, 80, 80}, true},
      {"SetMovieData", [](TMembers& m) { m.SetMovieData(L"d"); return std::wstring(); }, L"'d'",
       L"", L"", {0, 0, 0, 0, 0, 0, 81, 81, 81}, true},

      // Operations.                                none 2   3   4   5   6   7   8  10
      {"SetZoomRect", [](TMembers& m) { m.SetZoomRect(1, 2, 3, 4); return std::wstring(); },
       L"1,2,3,4", L"", L"", {0, 0, 25, 25, 25, 25, 25, 25, 25}, false},
      {"Zoom", [](TMembers& m) { m.Zoom(50); return std::wstring(); }, L"50", L"", L"",
       {0, 0, 26, 26, 26, 26, 26, 26, 26}, false},
      {"Pan", [](TMembers& m) { m.Pan(10, -20, 1); return std::wstring(); }, L"10,-20,1", L"",
       L"", {0, 0, 27, 27, 27, 27, 27, 27, 27}, false},
      {"Play", [](TMembers& m) { m.Play(); return std::wstring(); }, L"", L"", L"",
       {0, 0, 28, 28, 28, 28, 28, 28, 28}, false},
      {"Stop", [](TMembers& m) { m.Stop(); return std::wstring(); }, L"", L"", L"",
       {0, 0, 29, 29, 29, 29, 29, 29, 29}, false},
      {"Back", [](TMembers& m) { m.Back(); return std::wstring(); }, L"", L"", L"",
       {0, 0, 30, 30, 30, 30, 30, 30, 30}, false},
      {"Forward", [](TMembers& m) { m.Forward(); return std::wstring(); }, L"", L"", L"",
       {0, 0, 31, 31, 31, 31, 31, 31, 31}, false},
      {"Rewind", [](TMembers& m) { m.Rewind(); return std::wstring(); }, L"", L"", L"",
       {0, 0, 32, 32, 32, 32, 32, 32, 32}, false},
      {"StopPlay", [](TMembers& m) { m.StopPlay(); return std::wstring(); }, L"", L"", L"",
       {0, 0, 33, 33, 33, 33, 33, 33, 33}, false},
      {"GotoFrame", [](TMembers& m) { m.GotoFrame(7); return std::wstring(); }, L"7", L"", L"",
       {0, 0, 34, 34, 34, 34, 34, 34, 34}, false},
      {"CurrentFrame", [](TMembers& m) { return Text(m.CurrentFrame()); }, L"out", L"42", L"0",
       {0, 0, 35, 35, 35, 35, 35, 35, 35}, false},
      {"IsPlaying", [](TMembers& m) { return Text(m.IsPlaying()); }, L"out", L"false", L"true",
       {0, 0, 36, 36, 36, 36, 36, 36, 36}, false},
      {"PercentLoaded", [](TMembers& m) { return Text(m.PercentLoaded()); }, L"out", L"42", L"0",
       {0, 0, 37, 37, 37, 37, 37, 37, 37}, false},
      {"FrameLoaded", [](TMembers& m) { return Text(m.FrameLoaded(9)); }, L"9,out", L"false",
       L"true", {0, 0, 38, 38, 38, 38, 38, 38, 38}, false},
      {"LoadMovie", [](TMembers& m) { m.LoadMovie(1, L"u.swf"); return std::wstring(); },
       L"1,'u.swf'", L"", L"", {0, 0, 58, 58, 58, 58, 58, 58, 58}, true},
      {"TGotoFrame", [](TMembers& m) { m.TGotoFrame(L"t", 7); return std::wstring(); }, L"'t',7",
       L"", L"", {0, 0, 59, 59, 59, 59, 59, 59, 59}, false},
      {"TGotoLabel", [](TMembers& m) { m.TGotoLabel(L"t", L"l"); return std::wstring(); },
       L"'t','l'", L"", L"", {0, 0, 60, 60, 60, 60, 60, 60, 60}, false},
      {"TCurrentFrame", [](TMembers& m) { return Text(m.TCurrentFrame(L"t")); }, L"'t',out",
       L"42", L"0", {0, 0, 61, 61, 61, 61, 61, 61, 61}, false},
      {"TCurrentLabel", [](TMembers& m) { return Text(m.TCurrentLabel(L"t")); }, L"'t',out",
       L"answer", L"", {0, 0, 62, 62, 62, 62, 62, 62, 62}, false},
      {"TPlay", [](TMembers& m) { m.TPlay(L"t"); return std::wstring(); }, L"'t'", L"", L"",
       {0, 0, 63, 63, 63, 63, 63, 63, 63}, false},
      {"TStopPlay", [](TMembers& m) { m.TStopPlay(L"t"); return std::wstring(); }, L"'t'", L"",
       L"", {0, 0, 64, 64, 64, 64, 64, 64, 64}, false},
      {"SetVariable", [](TMembers& m) { m.SetVariable(L"n", L"v"); return std::wstring(); },
       L"'n','v'", L"", L"", {0, 0, 0, 65, 65, 65, 65, 65, 65}, false},
      {"GetVariable", [](TMembers& m) { return Text(m.GetVariable(L"n")); }, L"'n',out",
       L"answer", L"", {0, 0, 0, 66, 66, 66, 66, 66, 66}, false},
      {"TSetProperty", [](TMembers& m) { m.TSetProperty(L"t", 3, L"v"); return std::wstring(); },
       L"'t',3,'v'", L"", L"", {0, 0, 0, 67, 67, 67, 67, 67, 67}, false},
      {"TGetProperty", [](TMembers& m) { return Text(m.TGetProperty(L"t", 3)); }, L"'t',3,out",
       L"answer", L"", {0, 0, 0, 68, 68, 68, 68, 68, 68}, false},
      {"TCallFrame", [](TMembers& m) { m.TCallFrame(L"t", 7); return std::wstring(); }, L"'t',7",
       L"", L"", {0, 0, 0, 69, 69, 69, 69, 69, 69}, false},
      {"TCallLabel", [](TMembers& m) { m.TCallLabel(L"t", L"l"); return std::wstring(); },
       L"'t','l'", L"", L"", {0, 0, 0, 70, 70, 70, 70, 70, 70}, false},
      {"TSetPropertyNum",
       [](TMembers& m) { m.TSetPropertyNum(L"t", 3, 1.5); return std::wstring(); },
       L"'t',3,1.5", L"", L"", {0, 0, 0, 71, 71, 71, 71, 71, 71}, false},
      {"TGetPropertyNum", [](TMembers& m) { return Text(m.TGetPropertyNum(L"t", 3)); },
       L"'t',3,out", L"2.5", L"0", {0, 0, 0, 72, 72, 72, 72, 72, 72}, false},
      {"TGetPropertyAsNumber", [](TMembers& m) { return Text(m.TGetPropertyAsNumber(L"t", 3)); },
       L"'t',3,out", L"2.5", L"0", {0, 0, 0, 0, 0, 0, 73, 73, 73}, false},
      {"CallFunction", [](TMembers& m) { return Text(m.CallFunction(L"<invoke/>")); },
       L"'<invoke/>',out", L"answer", L"", {0, 0, 0, 0, 0, 0, 0, 93, 93}, false},
      {"SetReturnValue", [](TMembers& m) { m.SetReturnValue(L"v"); return std::wstring(); },
       L"'v'", L"", L"", {0, 0, 0, 0, 0, 0, 0, 94, 94}, false},
      {"ReadyState", [](TMembers& m) { return Text(m.ReadyState()); }, L"out", L"42", L"0",
       {0, 0, 7, 7, 7, 7, 7, 7, 7}, false},
      {"TotalFrames", [](TMembers& m) { return Text(m.TotalFrames()); }, L"out", L"42", L"0",
       {0, 0, 8, 8, 8, 8, 8, 8, 8}, false},
  };
  return rows;
}

TEST(RuntimeMembers, EachMemberReachesItsSlotInTheGenerationsThatHaveIt) {
  for (const TRow& row : Rows()) {
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
      TFakeShockwaveFlash fake(kColumns[c].Version);
      TMembers members(kColumns[c].Version ? fake.AsOleObject() : nullptr);
      const std::wstring result = row.Act(members);

      const int slot = row.Slots[c];
      std::vector<TFakeCall> expected;
      if (slot) expected.push_back({slot, row.Arguments});
      EXPECT_EQ(fake.Calls, expected) << row.Member << ", " << kColumns[c].Name;
      EXPECT_EQ(result, slot ? row.Answered : row.Unasked)
          << row.Member << ", " << kColumns[c].Name;
      EXPECT_EQ(fake.References(), 0) << row.Member << ", " << kColumns[c].Name;
    }
  }
}

// The generation is read from bits 16 to 23 of FlashVersion, whatever the other bits hold.
TEST(RuntimeMembers, TheGenerationIsTheMajorVersionCappedAtEight) {
  const struct {
    long Version;
    int Generation;
  } cases[] = {
      {0x00020000, 2}, {0x00050102, 5}, {0x00080000, 8}, {0x00090000, 8},
      {0x000A002D, 8}, {0x00FF0000, 8}, {0x01060000, 6}, {static_cast<long>(0xFF07FFFF), 7},
  };
  for (const auto& c : cases) {
    TFakeShockwaveFlash fake(c.Version);
    TMembers members(fake.AsOleObject());
    EXPECT_EQ(members.RuntimeGeneration(), c.Generation) << std::hex << c.Version;
    EXPECT_EQ(members.FlashVersion(), c.Version) << std::hex << c.Version;
    EXPECT_EQ(fake.VersionQueries, 2);  // never stored
  }
  TMembers none(nullptr);
  EXPECT_EQ(none.RuntimeGeneration(), -1);
  EXPECT_EQ(none.FlashVersion(), 0);
}

// A runtime without IShockwaveFlash, one whose FlashVersion fails, one whose members fail:
// property accessors and LoadMovie end quietly, every other operation raises the failure.
TEST(RuntimeMembers, AccessorsAndLoadMovieSwallowFailuresOtherOperationsRaiseThem) {
  const struct {
    const char* Name;
    std::function<void(TFakeShockwaveFlash&)> Break;
    HRESULT Error;
    bool FlashVersionFails;
  } runtimes[] = {
      {"no IShockwaveFlash", [](TFakeShockwaveFlash& f) { f.OffersFlash = false; }, E_NOINTERFACE,
       true},
      {"IShockwaveFlash given as null", [](TFakeShockwaveFlash& f) { f.NullFlash = true; },
       E_NOINTERFACE, true},
      {"FlashVersion fails", [](TFakeShockwaveFlash& f) { f.VersionResult = E_UNEXPECTED; },
       E_UNEXPECTED, true},
      {"members fail", [](TFakeShockwaveFlash& f) { f.Result = E_FAIL; }, E_FAIL, false},
  };
  for (const auto& runtime : runtimes) {
    {
      TFakeShockwaveFlash fake(0x00080000);
      runtime.Break(fake);
      TMembers members(fake.AsOleObject());
      if (runtime.FlashVersionFails) {
        EXPECT_THROW(members.RuntimeGeneration(), EOleSysError) << runtime.Name;
        EXPECT_THROW(members.FlashVersion(), EOleSysError) << runtime.Name;
      } else {
        EXPECT_EQ(members.FlashVersion(), 0x00080000) << runtime.Name;
      }
    }
    for (const TRow& row : Rows()) {
      if (!row.Slots[7]) continue;  // generation 8 does not have it
      TFakeShockwaveFlash fake(0x00080000);
      runtime.Break(fake);
      TMembers members(fake.AsOleObject());
      if (row.Swallows) {
        EXPECT_NO_THROW(row.Act(members)) << row.Member << ", " << runtime.Name;
      } else {
        try {
          row.Act(members);
          ADD_FAILURE() << row.Member << " did not raise, " << runtime.Name;
        } catch (const EOleSysError& error) {
          EXPECT_EQ(error.ErrorCode(), runtime.Error) << row.Member << ", " << runtime.Name;
        }
      }
      EXPECT_EQ(fake.References(), 0) << row.Member << ", " << runtime.Name;
    }
  }
}

// A failing read of text gives empty text, of a number or boolean the cached value, even when
// the runtime filled in its answer before failing. A null BSTR is empty text.
TEST(RuntimeMembers, AFailingReadGivesEmptyTextOrTheCachedValue) {
  TFakeShockwaveFlash fake(0x00080000);
  TMembers members(fake.AsOleObject());
  members.SetWMode(L"opaque");
  members.SetQuality(3);
  members.SetLoop(VARIANT_TRUE);
  fake.Boolean = VARIANT_FALSE;
  fake.Result = E_FAIL;
  EXPECT_EQ(members.WMode(), L"");
  EXPECT_EQ(members.Quality(), 3);
  EXPECT_EQ(members.Loop(), VARIANT_TRUE);

  fake.Result = S_OK;
  fake.NullText = true;
  EXPECT_EQ(members.WMode(), L"");
  EXPECT_EQ(members.TCurrentLabel(L"t"), L"");
  EXPECT_EQ(members.Quality(), 42);  // an answer replaces the cached value in the result...
  fake.Result = E_FAIL;
  EXPECT_EQ(members.Quality(), 3);  // ...but not in the cache
}

TEST(RuntimeMembers, BooleanWritesPassAndCacheAnyTrueAsMinusOne) {
  const struct {
    const char* Name;
    void (TFlashRuntimeMembers::*Write)(VARIANT_BOOL);
    VARIANT_BOOL (TFlashRuntimeMembers::*Read)();
    int Slot;
  } properties[] = {
      {"Playing", &TFlashRuntimeMembers::SetPlaying, &TFlashRuntimeMembers::Playing, 10},
      {"Loop", &TFlashRuntimeMembers::SetLoop, &TFlashRuntimeMembers::Loop, 20},
      {"Menu", &TFlashRuntimeMembers::SetMenu, &TFlashRuntimeMembers::Menu, 45},
      {"DeviceFont", &TFlashRuntimeMembers::SetDeviceFont, &TFlashRuntimeMembers::DeviceFont, 51},
      {"EmbedMovie", &TFlashRuntimeMembers::SetEmbedMovie, &TFlashRuntimeMembers::EmbedMovie, 53},
  };
  for (const auto& p : properties) {
    TFakeShockwaveFlash fake(0x00080000);
    TMembers members(fake.AsOleObject());
    (members.*p.Write)(5);
    (members.*p.Write)(0);
    (members.*p.Write)(1);
    EXPECT_EQ(fake.Calls,
              (std::vector<TFakeCall>{{p.Slot, L"-1"}, {p.Slot, L"0"}, {p.Slot, L"-1"}}))
        << p.Name;
    fake.Result = E_FAIL;  // the read falls back to the cache
    EXPECT_EQ((members.*p.Read)(), VARIANT_TRUE) << p.Name;
  }
}

TEST(RuntimeMembers, PlayingNeverReachesTheRuntimeInDesignMode) {
  TFakeShockwaveFlash fake(0x00080000);
  TMembers members(fake.AsOleObject());
  members.Designing = true;
  members.SetPlaying(5);
  EXPECT_EQ(members.Playing(), VARIANT_TRUE);
  members.SetLoop(VARIANT_TRUE);  // only Playing is held back
  EXPECT_EQ(fake.Calls, (std::vector<TFakeCall>{{20, L"-1"}}));
}

TEST(RuntimeMembers, WithoutARuntimeObjectPropertiesKeepToTheirCache) {
  TMembers members(nullptr);
  members.SetMovie(L"book.swf");
  members.SetQuality(3);
  members.SetLoop(7);
  members.SetStacking(L"below");
  EXPECT_EQ(members.Movie(), L"book.swf");
  EXPECT_EQ(members.Quality(), 3);
  EXPECT_EQ(members.Loop(), VARIANT_TRUE);
  EXPECT_EQ(members.Stacking(), L"below");
}

// AllowFullScreen came with runtime 9.0.28.0: the current code provider's version decides,
// here read from stand-in runtimes built at both sides of it.
class AllowFullscreen : public ::testing::Test {
 protected:
  void TearDown() override { FinalizeFlashOCXCodeProvider(); }

  static void UseRuntime(const char* file) {
    TMemoryStream image(test::ReadFileBytes(test::BinFile(file)));
    ASSERT_TRUE(LoadFlashOCXCodeFromStream(image)) << file;
  }
};

TEST_F(AllowFullscreen, BelowRuntime9_0_28_0ItKeepsToTheCache) {
  const char* runtimes[] = {nullptr, "flash-v9.0.27.0.ocx"};
  for (const char* runtime : runtimes) {
    FinalizeFlashOCXCodeProvider();
    if (runtime) UseRuntime(runtime);
    EXPECT_EQ(TFlashRuntimeMembers::GetRuntimeVersion(), runtime ? 0x09001B00u : 0u);
    TFakeShockwaveFlash fake(0x00090000);
    TMembers members(fake.AsOleObject());
    members.SetAllowFullscreen(5);
    EXPECT_EQ(members.AllowFullscreen(), 5);
    EXPECT_EQ(fake.Calls, std::vector<TFakeCall>()) << (runtime ? runtime : "no provider");
  }
}

TEST_F(AllowFullscreen, FromRuntime9_0_28_0ItPassesTrueOrFalseAsText) {
  UseRuntime("flash-v9.0.28.0.ocx");
  ASSERT_EQ(TFlashRuntimeMembers::GetRuntimeVersion(), 0x09001C00u);
  TFakeShockwaveFlash fake(0x00090000);
  TMembers members(fake.AsOleObject());
  members.SetAllowFullscreen(0);
  members.SetAllowFullscreen(5);
  EXPECT_EQ(fake.Calls, (std::vector<TFakeCall>{{99, L"'false'"}, {99, L"'true'"}}));

  const struct {
    const wchar_t* Answer;
    HRESULT Result;
    VARIANT_BOOL Read;
  } reads[] = {
      {L"true", S_OK, VARIANT_TRUE},
      {L"True", S_OK, VARIANT_FALSE},
      {L"false", S_OK, VARIANT_FALSE},
      {L"", S_OK, VARIANT_FALSE},
      {L"true", E_FAIL, 5},  // the cache, kept as written
  };
  for (const auto& r : reads) {
    fake.Calls.clear();
    fake.Text = r.Answer;
    fake.Result = r.Result;
    EXPECT_EQ(members.AllowFullscreen(), r.Read)
        << ::testing::PrintToString(std::wstring(r.Answer));
    EXPECT_EQ(fake.Calls, (std::vector<TFakeCall>{{98, L"out"}}));
  }
}

}  // namespace
}  // namespace leafmark
