// The control's runtime properties and operations against stand-in runtimes of generations 5,
// 7 and 8 (and 10.0.45.2, which counts as 8): each call lands on the member at the slot that
// generation keeps it in, with the arguments given, or is not made where the generation lacks
// the member; what was written reads back through the runtime.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/flash_control/standin_host.h"
#include "tests/standin_runtime/standin_trace.h"
#include "tests/standin_runtime/test_movies.h"
#include "tests/support/bin_file.h"
#include "tests/support/message_pump.h"
#include "tests/support/wide_text.h"

namespace leafmark::test {
namespace {

struct TRuntime {
  const char* File;
  std::size_t Column;  // in TRow::Slot
  long FlashVersion;   // as the runtime reports it: major << 16 | minor
};

void PrintTo(const TRuntime& runtime, std::ostream* out) { *out << runtime.File; }

const TRuntime kRuntimes[] = {
    {"flash-v5.0.42.0.ocx", 0, 0x00050000},
    {"flash-v7.0.19.0.ocx", 1, 0x00070000},
    {"flash-v8.0.24.0.ocx", 2, 0x00080000},
    {"flash.ocx", 3, 0x000A0000},
};

constexpr int kNotCalled = 0;

// One member of the control. A property is written, then read (Slot is the read's slot, the
// write's is the next); an operation is called once. Rows run in order on one control, so a
// read may answer what a row before it wrote.
struct TRow {
  const char* Member;  // as the runtime traces it; a property's without get_/put_
  bool Property;
  std::function<std::string(TTestFlashControl&)> Call;  // answers what it read, as text
  std::string Arguments;                                // of the write or operation, as traced
  std::array<int, 4> Slot;                              // generations 5, 7, 8 and 10.0.45.2
  std::string ReadBack;                                 // when the runtime was called
  std::string NotCalled = {};                           // otherwise, when it differs
};

constexpr std::array<int, 4> All(int slot) { return {slot, slot, slot, slot}; }

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (const wchar_t c : text) narrow += static_cast<char>(c);
  return narrow;
}
std::string Text(long value) { return std::to_string(value); }
std::string Text(bool value) { return value ? "true" : "false"; }
std::string Text(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// The calls on IShockwaveFlash from event first on, as "<member> slot=<n> arg1=.. ..", values
// unescaped. The FlashVersion calls with which the control asks the generation before each
// call are left out, unless FlashVersion is the member under test.
std::vector<std::string> FlashCalls(const TStandinTrace& trace, std::size_t first, bool keepVersion) {
  std::vector<std::string> calls;
  const auto& events = trace.Events();
  for (std::size_t at = first; at < events.size(); ++at) {
    const TStandinEvent& event = events[at];
    if (event.Name != "call" || event.Words.empty()) continue;
    const std::string& member = event.Words[0];
    if (member.rfind("IShockwaveFlash.", 0) != 0) continue;
    if (member == "IShockwaveFlash.FlashVersion" && !keepVersion) continue;
    std::string call = member.substr(16) + " slot=" + event["slot"];
    for (int index = 1; event.Fields.count("arg" + std::to_string(index)); ++index) {
      call += " arg" + std::to_string(index) + "=" + event["arg" + std::to_string(index)];
    }
    calls.push_back(call);
  }
  return calls;
}

std::vector<std::string> ExpectedCalls(const TRow& row, int slot) {
  if (slot == kNotCalled) return {};
  const auto call = [&](const std::string& member, int at, const std::string& arguments) {
    return member + " slot=" + std::to_string(at) + (arguments.empty() ? "" : " " + arguments);
  };
  if (!row.Property) return {call(row.Member, slot, row.Arguments)};
  return {call(std::string("put_") + row.Member, slot + 1, row.Arguments),
          call(std::string("get_") + row.Member, slot, "")};
}

class StandinGenerations : public StandinHost, public ::testing::WithParamInterface<TRuntime> {};

TEST_P(StandinGenerations, EveryMemberReachesItsSlotOrKeepsToTheControl) {
  const TRuntime& runtime = GetParam();
  ASSERT_NO_FATAL_FAILURE(LoadRuntime(runtime.File));
  ASSERT_NO_FATAL_FAILURE(MakeHostedControl());

  // A movie of three frames for Movie and LoadMovie; Movie waits until the runtime has read
  // it, so that ReadyState, TotalFrames, PercentLoaded and FrameLoaded answer for it.
  const std::string movie = tmp_.File("book.swf");
  WriteFileBytes(movie, TSwfWriter(5, TSwfFrame{0, 11000, 0, 8000}, 12 << 8, 3)
                            .Background(0x336699)
                            .ShowFrame()
                            .ShowFrame()
                            .ShowFrame()
                            .End()
                            .Fws());
  const auto setMovie = [&](TTestFlashControl& c) {
    c.SetMovie(Wide(movie));
    EXPECT_TRUE(PumpMessagesUntil([&] {
      const TStandinTrace trace = Trace();
      return !trace.All("movie").empty() || !trace.All("fetch").empty();
    }));
    return Narrow(c.Movie());
  };

  using C = TTestFlashControl&;
  const std::vector<TRow> rows = {
      // Properties.
      {"Movie", true, setMovie, "arg1=" + movie, All(21), movie},
      {"FrameNum", true, [](C c) { c.SetFrameNum(2); return Text(c.FrameNum()); }, "arg1=2", All(23), "2"},
      {"Playing", true, [](C c) { c.SetPlaying(0); return Text(long{c.Playing()}); }, "arg1=0", All(9), "0"},
      {"Quality", true, [](C c) { c.SetQuality(3); return Text(long{c.Quality()}); }, "arg1=3", All(11), "3"},
      {"ScaleMode", true, [](C c) { c.SetScaleMode(2); return Text(long{c.ScaleMode()}); }, "arg1=2", All(13), "2"},
      {"AlignMode", true, [](C c) { c.SetAlignMode(5); return Text(long{c.AlignMode()}); }, "arg1=5", All(15), "5"},
      {"BackgroundColor", true, [](C c) { c.SetBackgroundColor(0x336699); return Text(c.BackgroundColor()); },
       "arg1=3368601", All(17), "3368601"},
      {"Loop", true, [](C c) { c.SetLoop(0); return Text(long{c.Loop()}); }, "arg1=0", All(19), "0"},
      {"WMode", true, [](C c) { c.SetWMode(L"Transparent"); return Narrow(c.WMode()); }, "arg1=Transparent",
       All(40), "Transparent"},
      {"SAlign", true, [](C c) { c.SetSAlign(L"LT"); return Narrow(c.SAlign()); }, "arg1=LT", All(42), "LT"},
      {"Menu", true, [](C c) { c.SetMenu(0); return Text(long{c.Menu()}); }, "arg1=0", All(44), "0"},
      {"Base", true, [](C c) { c.SetBase(L"C:\\books\\"); return Narrow(c.Base()); }, "arg1=C:\\books\\", All(46),
       "C:\\books\\"},
      {"Scale", true, [](C c) { c.SetScale(L"NoBorder"); return Narrow(c.Scale()); }, "arg1=NoBorder", All(48),
       "NoBorder"},
      // Any non-zero boolean is passed and kept as -1.
      {"DeviceFont", true, [](C c) { c.SetDeviceFont(5); return Text(long{c.DeviceFont()}); }, "arg1=-1", All(50),
       "-1"},
      {"EmbedMovie", true, [](C c) { c.SetEmbedMovie(5); return Text(long{c.EmbedMovie()}); }, "arg1=-1",
       All(52), "-1"},
      {"BGColor", true, [](C c) { c.SetBGColor(L"#336699"); return Narrow(c.BGColor()); }, "arg1=#336699",
       All(54), "#336699"},
      {"Quality2", true, [](C c) { c.SetQuality2(L"Low"); return Narrow(c.Quality2()); }, "arg1=Low", All(56),
       "Low"},
      {"SWRemote", true, [](C c) { c.SetSWRemote(L"swRemote"); return Narrow(c.SWRemote()); }, "arg1=swRemote",
       {73, 74, 74, 74}, "swRemote"},
      {"Stacking", true, [](C c) { c.SetStacking(L"above"); return Narrow(c.Stacking()); }, "arg1=above",
       {75, kNotCalled, kNotCalled, kNotCalled}, "above"},
      {"FlashVars", true, [](C c) { c.SetFlashVars(L"page=3&zoom=2"); return Narrow(c.FlashVars()); },
       "arg1=page=3&zoom=2", {kNotCalled, 76, 76, 76}, "page=3&zoom=2"},
      {"AllowScriptAccess", true,
       [](C c) { c.SetAllowScriptAccess(L"always"); return Narrow(c.AllowScriptAccess()); }, "arg1=always",
       {kNotCalled, 78, 78, 78}, "always"},
      {"MovieData", true, [](C c) { c.SetMovieData(L"chapter1"); return Narrow(c.MovieData()); }, "arg1=chapter1",
       {kNotCalled, 80, 80, 80}, "chapter1"},
      // Only from runtime 9.0.28.0, as text; the cache keeps the value as written.
      {"AllowFullScreen", true, [](C c) { c.SetAllowFullscreen(5); return Text(long{c.AllowFullscreen()}); },
       "arg1=true", {kNotCalled, kNotCalled, kNotCalled, 98}, "-1", "5"},

      // Operations.
      {"SetZoomRect", false, [](C c) { c.SetZoomRect(1, 2, 3, 4); return std::string(); },
       "arg1=1 arg2=2 arg3=3 arg4=4", All(25), ""},
      {"Zoom", false, [](C c) { c.Zoom(50); return std::string(); }, "arg1=50", All(26), ""},
      {"Pan", false, [](C c) { c.Pan(10, 20, 1); return std::string(); }, "arg1=10 arg2=20 arg3=1", All(27), ""},
      {"Play", false, [](C c) { c.Play(); return std::string(); }, "", All(28), ""},
      {"Stop", false, [](C c) { c.Stop(); return std::string(); }, "", All(29), ""},
      {"Back", false, [](C c) { c.Back(); return std::string(); }, "", All(30), ""},
      {"Forward", false, [](C c) { c.Forward(); return std::string(); }, "", All(31), ""},
      {"Rewind", false, [](C c) { c.Rewind(); return std::string(); }, "", All(32), ""},
      {"StopPlay", false, [](C c) { c.StopPlay(); return std::string(); }, "", All(33), ""},
      {"GotoFrame", false, [](C c) { c.GotoFrame(2); return std::string(); }, "arg1=2", All(34), ""},
      {"CurrentFrame", false, [](C c) { return Text(c.CurrentFrame()); }, "", All(35), "2"},
      {"IsPlaying", false, [](C c) { return Text(c.IsPlaying()); }, "", All(36), "false"},
      {"PercentLoaded", false, [](C c) { return Text(c.PercentLoaded()); }, "", All(37), "100"},
      {"FrameLoaded", false, [](C c) { return Text(c.FrameLoaded(2)); }, "arg1=2", All(38), "true"},
      {"FlashVersion", false, [](C c) { return Text(c.FlashVersion()); }, "", All(39), Text(runtime.FlashVersion)},
      {"LoadMovie", false, [&](C c) { c.LoadMovie(1, Wide(movie)); return std::string(); },
       "arg1=1 arg2=" + movie, All(58), ""},
      {"TGotoFrame", false, [](C c) { c.TGotoFrame(L"/", 1); return std::string(); }, "arg1=/ arg2=1", All(59), ""},
      {"TGotoLabel", false, [](C c) { c.TGotoLabel(L"/", L"intro"); return std::string(); }, "arg1=/ arg2=intro",
       All(60), ""},
      {"TCurrentFrame", false, [](C c) { return Text(c.TCurrentFrame(L"/")); }, "arg1=/", All(61), "1"},
      {"TCurrentLabel", false, [](C c) { return Narrow(c.TCurrentLabel(L"/")); }, "arg1=/", All(62), ""},
      {"TPlay", false, [](C c) { c.TPlay(L"/"); return std::string(); }, "arg1=/", All(63), ""},
      {"TStopPlay", false, [](C c) { c.TStopPlay(L"/"); return std::string(); }, "arg1=/", All(64), ""},
      {"SetVariable", false, [](C c) { c.SetVariable(L"page", L"12"); return std::string(); },
       "arg1=page arg2=12", All(65), ""},
      {"GetVariable", false, [](C c) { return Narrow(c.GetVariable(L"page")); }, "arg1=page", All(66), "12"},
      {"TSetProperty", false, [](C c) { c.TSetProperty(L"/", 2, L"40"); return std::string(); },
       "arg1=/ arg2=2 arg3=40", All(67), ""},
      {"TGetProperty", false, [](C c) { return Narrow(c.TGetProperty(L"/", 2)); }, "arg1=/ arg2=2", All(68), "40"},
      {"TCallFrame", false, [](C c) { c.TCallFrame(L"/", 3); return std::string(); }, "arg1=/ arg2=3", All(69), ""},
      {"TCallLabel", false, [](C c) { c.TCallLabel(L"/", L"intro"); return std::string(); }, "arg1=/ arg2=intro",
       All(70), ""},
      {"TSetPropertyNum", false, [](C c) { c.TSetPropertyNum(L"/", 3, 2.5); return std::string(); },
       "arg1=/ arg2=3 arg3=2.5", All(71), ""},
      {"TGetPropertyNum", false, [](C c) { return Text(c.TGetPropertyNum(L"/", 3)); }, "arg1=/ arg2=3", All(72),
       "2.5"},
      {"TGetPropertyAsNumber", false, [](C c) { return Text(c.TGetPropertyAsNumber(L"/", 3)); }, "arg1=/ arg2=3",
       {kNotCalled, 73, 73, 73}, "2.5", "0"},
      {"CallFunction", false, [](C c) { return Narrow(c.CallFunction(L"<invoke name=\"page\"/>")); },
       "arg1=<invoke name=\"page\"/>", {kNotCalled, kNotCalled, 93, 93}, ""},
      {"SetReturnValue", false, [](C c) { c.SetReturnValue(L"<string>ok</string>"); return std::string(); },
       "arg1=<string>ok</string>", {kNotCalled, kNotCalled, 94, 94}, ""},
      // The runtime has these two as read-only properties.
      {"get_ReadyState", false, [](C c) { return Text(c.ReadyState()); }, "", All(7), "4"},
      {"get_TotalFrames", false, [](C c) { return Text(c.TotalFrames()); }, "", All(8), "3"},
  };

  for (const TRow& row : rows) {
    SCOPED_TRACE(std::string(runtime.File) + " " + row.Member);
    const int slot = row.Slot[runtime.Column];
    const std::size_t first = Trace().Events().size();
    std::string answer;
    ASSERT_NO_THROW(answer = row.Call(*control));
    // A read that is not answered by the runtime: the property's cache or the neutral result.
    const std::string& expected = slot == kNotCalled && !row.NotCalled.empty() ? row.NotCalled : row.ReadBack;
    EXPECT_EQ(answer, expected);
    EXPECT_EQ(FlashCalls(Trace(), first, std::string(row.Member) == "FlashVersion"), ExpectedCalls(row, slot));
  }
}

// "flashv70190ocx" and the like.
std::string RuntimeName(const ::testing::TestParamInfo<TRuntime>& runtime) {
  std::string name;
  for (const char* c = runtime.param.File; *c; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Runtimes, StandinGenerations, ::testing::ValuesIn(kRuntimes), RuntimeName);

}  // namespace
}  // namespace leafmark::test
