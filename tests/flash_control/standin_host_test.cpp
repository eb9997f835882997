// The control hosting the stand-in runtime, loaded from memory as the player loads the
// book's runtime: the calls between the two in the stand-in's trace, and its events.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/stream.h"
#include "flash_control/ole_errors.h"
#include "runtime_loader/code_providers.h"
#include "tests/flash_control/standin_host.h"
#include "tests/standin_runtime/standin_trace.h"
#include "tests/support/bin_file.h"
#include "tests/support/message_pump.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wide_text.h"

namespace leafmark::test {
namespace {

// The trace's "call" lines, in order, without their sequence number, thread and name.
std::vector<std::string> CalledMembers(const TStandinTrace& trace) {
  std::vector<std::string> members;
  for (const TStandinEvent* call : trace.All("call")) {
    const std::size_t at = call->Line.find(" call ");
    members.push_back(at == std::string::npos ? call->Line : call->Line.substr(at + 6));
  }
  return members;
}

std::string Joined(const std::vector<std::string>& members) {
  std::string text;
  for (const std::string& member : members) text += member + "\n";
  return text;
}

TEST_F(StandinHost, SitesActivatesAndTearsDownTheRuntimeInOrder) {
  MakeHostedControl();
  ASSERT_TRUE(::IsWindow(control->Handle()));
  EXPECT_NE(control->RuntimeWndProc(), nullptr);
  EXPECT_EQ(control->RuntimeGeneration(), 8);
  control.reset();

  const TStandinTrace trace = Trace();
  // Its natural 550 x 400 pixels come back to it as HIMETRIC at construction.
  EXPECT_EQ(CalledMembers(trace),
            (std::vector<std::string>{
                "IOleObject.SetClientSite arg1=yes", "IOleObject.GetExtent",
                "IOleObject.SetExtent arg1=14552 arg2=10583",
                "IConnectionPointContainer.FindConnectionPoint interface=events",
                "IConnectionPoint.Advise interface=events",
                // window creation
                "IOleObject.GetClientSite",
                "IConnectionPointContainer.FindConnectionPoint interface=property-notify",
                "IConnectionPoint.Advise interface=property-notify",
                "IOleControl.OnAmbientPropertyChange arg1=-1", "IOleObject.GetExtent",
                "IOleObject.DoVerb arg1=-5", "IOleInPlaceObject.GetWindow",
                // reparenting
                "IOleObject.GetClientSite", "IOleControl.OnAmbientPropertyChange arg1=-1",
                // the test's RuntimeGeneration
                "IShockwaveFlash.FlashVersion slot=39",
                // destruction
                "IConnectionPoint.Unadvise interface=events arg1=1", "IOleObject.Close arg1=1",
                "IConnectionPointContainer.FindConnectionPoint interface=property-notify",
                "IConnectionPoint.Unadvise interface=property-notify arg1=1",
                "IOleObject.SetClientSite arg1=no"}))
      << Joined(CalledMembers(trace));
  // Inside DoVerb the runtime found a willing in-place site.
  for (const char* member : {"IOleInPlaceSite.CanInPlaceActivate", "IOleInPlaceSite.OnInPlaceActivate",
                             "IOleClientSite.ShowObject"}) {
    const auto lines = trace.All("site", member);
    ASSERT_FALSE(lines.empty()) << member;
    EXPECT_EQ((*lines.front())["hr"], "0x00000000") << member;
  }
}

TEST_F(StandinHost, EventsRaisedByTheRuntimeReachTheHandlersOnTheGuiThread) {
  MakeHostedControl();
  EXPECT_EQ(Run(L"raise ready-state 4"), S_OK);
  EXPECT_EQ(Run(L"raise fscommand fullscreen true"), S_OK);
  EXPECT_EQ(Run(L"raise flashcall <invoke/>"), S_OK);
  HRESULT fromWorker = E_FAIL;
  RunOnWorkerWhilePumping([&] { fromWorker = Run(L"worker raise progress 50"); });
  EXPECT_EQ(fromWorker, S_OK);
  EXPECT_TRUE(PumpMessagesUntil([&] { return seen.size() == 4; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"ready 4", "fscommand fullscreen true", "flashcall <invoke/>",
                                            "progress 50"}));
  for (const std::thread::id thread : threads) EXPECT_EQ(thread, std::this_thread::get_id());
  const TStandinTrace trace = Trace();
  ASSERT_EQ(trace.All("raised").size(), 4u);
  EXPECT_EQ(trace.All("raised").back()->Thread, "worker");
  for (const TStandinEvent* raised : trace.All("raised")) {
    EXPECT_EQ((*raised)["hr"], "0x00000000") << raised->Line;
  }
}

TEST_F(StandinHost, TheRuntimeReadsTheAmbientsAndWalksTheSite) {
  MakeHostedControl();
  EXPECT_EQ(Run(L"ambients"), S_OK);
  EXPECT_EQ(Run(L"walk-site"), S_OK);
  const TStandinTrace trace = Trace();
  EXPECT_EQ(trace.One("ambient", "-709")["hr"], "0x00000000");
  EXPECT_EQ(trace.One("ambient", "-707")["hr"], "0x80020003");
  EXPECT_EQ(trace.One("site", "IOleInPlaceFrame.RequestBorderSpace")["hr"], "0x800401A1");
  EXPECT_EQ(trace.One("site", "IOleClientSite.GetContainer")["hr"], "0x80004002");
  // The walk (ShowObject, RequestNewObjectLayout and all) left the control hosting the runtime.
  EXPECT_TRUE(::IsWindow(control->Handle()));
  EXPECT_NE(control->RuntimeWndProc(), nullptr);
}

// The stand-in told to misbehave: each way ends in its failure or behaviour, and the runtime
// object is freed with the control (no live object is left for a command to act on).
struct StandinFault {
  const char* Name;
  const wchar_t* Faults;
  const char* Failure;  // the message's start, or nullptr when the control works
  bool AtConstruction;
};

class StandinFaults : public StandinHost, public ::testing::WithParamInterface<StandinFault> {
 protected:
  void SetUp() override {
    ::SetEnvironmentVariableW(kFaultsVariable, GetParam().Faults);
    StandinHost::SetUp();
  }
};

TEST_P(StandinFaults, EndInTheirFailureAndFreeTheRuntimeObject) {
  const StandinFault& fault = GetParam();
  std::string failure;
  bool constructed = false;
  try {
    control = std::make_unique<TTestFlashControl>();
    constructed = true;
    control->SetParent(form.get());
  } catch (const EOleError& error) {
    failure = error.what();
  }
  control.reset();
  if (fault.Failure) {
    EXPECT_EQ(failure.rfind(fault.Failure, 0), 0u) << failure;
    EXPECT_EQ(constructed, !fault.AtConstruction);
  } else {
    EXPECT_EQ(failure, "");
  }
  EXPECT_EQ(Run(L"raise ready-state 1"), E_FAIL);
}

INSTANTIATE_TEST_SUITE_P(
    Runtime, StandinFaults,
    ::testing::Values(
        StandinFault{"RefusedSite", L"refuse-site", "IOleObject.SetClientSite failed", true},
        StandinFault{"NoOleControl", L"no-olecontrol", "IOleControl failed", false},
        StandinFault{"NoInPlaceObject", L"no-inplace", "OLE control activation failed", false},
        StandinFault{"ZeroWindow", L"zero-window", "Could not obtain OLE control window handle", false},
        StandinFault{"NoConnectionPoints", L"no-connections", nullptr, false},
        StandinFault{"RejectedExtent", L"reject-extent", nullptr, false}),
    [](const auto& test) { return std::string(test.param.Name); });

}  // namespace
}  // namespace leafmark::test
