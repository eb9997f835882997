// Runtime events through the event sink, and the ambient properties it answers.
#include <gtest/gtest.h>

#include <olectl.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/stream.h"
#include "content/content_manager.h"
#include "flash_control/flash_site.h"
#include "tests/flash_control/test_host.h"
#include "tests/support/message_pump.h"
#include "tests/support/message_pump.h"
#include "win/unique_any.h"

namespace leafmark::test {
namespace {

// Variants that own their text.
struct Arguments {
  std::vector<VARIANT> Values;
  Arguments() = default;
  Arguments(const Arguments&) = delete;
  ~Arguments() {
    for (VARIANT& v : Values) ::VariantClear(&v);
  }
  Arguments& Int(long value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    Values.push_back(v);
    return *this;
  }
  Arguments& Text(const wchar_t* text) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(text);
    Values.push_back(v);
    return *this;
  }
  // A copy of the variants for one call (the call does not take them over).
  std::vector<VARIANT> Call() const { return Values; }
};

class Events : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    control = MakeControl(runtime);
    control->SetParent(form.get());
    control->OnReadyStateChange = [this](TFlashPlayerControl&, long state) {
      seen.push_back("ready " + std::to_string(state));
    };
    control->OnProgress = [this](TFlashPlayerControl&, long percent) {
      seen.push_back("progress " + std::to_string(percent));
    };
    control->OnFSCommand = [this](TFlashPlayerControl&, const std::wstring& command, const std::wstring& args) {
      seen.push_back("fscommand " + Narrow(command) + " " + Narrow(args));
    };
    control->OnFlashCall = [this](TFlashPlayerControl&, const std::wstring& request) {
      seen.push_back("flashcall " + Narrow(request));
    };
  }
  static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

  TFakeRuntime runtime;
  std::unique_ptr<TTestFlashControl> control;
  std::vector<std::string> seen;
};

TEST_F(Events, EachEventReachesItsHandlerWithItsArguments) {
  Arguments ready, progress, fscommand, flashcall;
  ready.Int(4);
  progress.Int(55);
  // The runtime passes the parameters last first.
  fscommand.Text(L"true").Text(L"fullscreen");
  flashcall.Text(L"<invoke name=\"f\"/>");
  EXPECT_EQ(runtime.Raise(kDispidReadyStateChange, ready.Call()), S_OK);
  EXPECT_EQ(runtime.Raise(kDispidProgress, progress.Call()), S_OK);
  EXPECT_EQ(runtime.Raise(kDispidFSCommand, fscommand.Call()), S_OK);
  EXPECT_EQ(runtime.Raise(kDispidFlashCall, flashcall.Call()), S_OK);
  EXPECT_EQ(seen, (std::vector<std::string>{"ready 4", "progress 55", "fscommand fullscreen true",
                                            "flashcall <invoke name=\"f\"/>"}));
}

TEST_F(Events, ByReferenceArgumentsAreReadThroughTheirReference) {
  long state = 3;
  VARIANT byReference;
  ::VariantInit(&byReference);
  byReference.vt = VT_BYREF | VT_I4;
  byReference.plVal = &state;
  EXPECT_EQ(runtime.Raise(kDispidReadyStateChange, {byReference}), S_OK);
  EXPECT_EQ(seen, (std::vector<std::string>{"ready 3"}));
}

TEST_F(Events, WithoutAHandlerAnEventIsAnsweredAndIgnored) {
  control->OnFSCommand = nullptr;
  Arguments fscommand;
  fscommand.Text(L"b").Text(L"a");
  EXPECT_EQ(runtime.Raise(kDispidFSCommand, fscommand.Call()), S_OK);
  EXPECT_TRUE(seen.empty());
}

TEST_F(Events, MalformedCallsAreRefusedBeforeAnyArgumentIsRead) {
  Arguments none, oneText, oneInt, twoInts;
  oneText.Text(L"x");
  oneInt.Int(1);
  twoInts.Int(1).Int(2);
  struct Case {
    DISPID Dispid;
    const Arguments& Args;
    HRESULT Expected;
  };
  const Case cases[] = {
      {kDispidReadyStateChange, none, DISP_E_BADPARAMCOUNT},
      {kDispidProgress, twoInts, DISP_E_BADPARAMCOUNT},
      {kDispidFSCommand, oneText, DISP_E_BADPARAMCOUNT},
      {kDispidFlashCall, none, DISP_E_BADPARAMCOUNT},
      {kDispidReadyStateChange, oneText, DISP_E_TYPEMISMATCH},
      {kDispidFSCommand, twoInts, DISP_E_TYPEMISMATCH},
      {kDispidFlashCall, oneInt, DISP_E_TYPEMISMATCH},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runtime.Raise(c.Dispid, c.Args.Call()), c.Expected) << c.Dispid;
  }
  // No parameter block at all.
  const auto sink = runtime.EventSink();
  EXPECT_EQ(sink->Invoke(kDispidFlashCall, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  EXPECT_TRUE(seen.empty());
}

TEST_F(Events, AHandlerThatThrowsDoesNotReachTheRuntime) {
  control->OnFSCommand = [](TFlashPlayerControl&, const std::wstring&, const std::wstring&) {
    throw std::runtime_error("handler failed");
  };
  control->OnProgress = [](TFlashPlayerControl&, long) { throw 42; };
  Arguments fscommand, progress;
  fscommand.Text(L"b").Text(L"a");
  progress.Int(1);
  EXPECT_EQ(runtime.Raise(kDispidFSCommand, fscommand.Call()), S_OK);
  EXPECT_EQ(runtime.Raise(kDispidProgress, progress.Call()), S_OK);
}

// The runtime's thread does not wait for the GUI thread (which may be waiting for it): the
// event is answered at once and its handler runs when the GUI thread next pumps.
TEST_F(Events, AnEventRaisedOnAnotherThreadRunsItsHandlerOnTheGuiThreadLater) {
  std::thread::id handlerThread;
  control->OnReadyStateChange = [&](TFlashPlayerControl&, long) { handlerThread = std::this_thread::get_id(); };
  Arguments ready;
  ready.Int(2);
  HRESULT answer = E_FAIL;
  std::thread([&] { answer = runtime.Raise(kDispidReadyStateChange, ready.Call()); }).join();
  EXPECT_EQ(answer, S_OK);
  EXPECT_EQ(handlerThread, std::thread::id());
  EXPECT_TRUE(PumpMessagesUntil([&] { return handlerThread != std::thread::id(); }));
  EXPECT_EQ(handlerThread, std::this_thread::get_id());

  // Ambients belong to the GUI thread.
  VARIANT result;
  ::VariantInit(&result);
  std::thread([&] {
    answer = runtime.Raise(DISPID_AMBIENT_USERMODE, {}, &result, DISPATCH_PROPERTYGET);
  }).join();
  EXPECT_EQ(answer, RPC_E_WRONG_THREAD);
}

TEST_F(Events, AnEventStillOnItsWayWhenTheControlGoesRunsNoHandler) {
  int handled = 0;
  control->OnProgress = [&](TFlashPlayerControl&, long) { ++handled; };
  Arguments progress;
  progress.Int(7);
  std::thread([&] { runtime.Raise(kDispidProgress, progress.Call()); }).join();
  control.reset();
  PumpPendingMessages();
  EXPECT_EQ(handled, 0);
}

TEST_F(Events, AmbientPropertiesAreAnsweredToPropertyReadsOnly) {
  VARIANT result;
  ::VariantInit(&result);
  EXPECT_EQ(runtime.Raise(DISPID_AMBIENT_USERMODE, {}, &result, DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_TRUE);
  struct Case {
    DISPID Dispid;
    VARTYPE Type;
    long Value;  // for booleans and integers
  };
  const Case cases[] = {
      {DISPID_AMBIENT_UIDEAD, VT_BOOL, VARIANT_FALSE},
      {DISPID_AMBIENT_SHOWGRABHANDLES, VT_BOOL, VARIANT_FALSE},
      {DISPID_AMBIENT_SHOWHATCHING, VT_BOOL, VARIANT_FALSE},
      {DISPID_AMBIENT_MESSAGEREFLECT, VT_BOOL, VARIANT_TRUE},
      {DISPID_AMBIENT_SUPPORTSMNEMONICS, VT_BOOL, VARIANT_TRUE},
      {DISPID_AMBIENT_AUTOCLIP, VT_BOOL, VARIANT_TRUE},
      {DISPID_AMBIENT_LOCALEID, VT_I4, static_cast<long>(::GetUserDefaultLCID())},
      {DISPID_AMBIENT_BACKCOLOR, VT_I4, static_cast<long>(form->Color())},
      {DISPID_AMBIENT_FORECOLOR, VT_I4, static_cast<long>(form->Font().Color)},
  };
  for (const Case& c : cases) {
    win::TUniqueVariant answer;
    ASSERT_EQ(runtime.Raise(c.Dispid, {}, answer.Put(), DISPATCH_PROPERTYGET), S_OK) << c.Dispid;
    EXPECT_EQ(answer.Get().vt, c.Type) << c.Dispid;
    EXPECT_EQ(c.Type == VT_BOOL ? long(answer.Get().boolVal) : answer.Get().lVal, c.Value) << c.Dispid;
  }
  win::TUniqueVariant font;
  ASSERT_EQ(runtime.Raise(DISPID_AMBIENT_FONT, {}, font.Put(), DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(font.Get().vt, VT_DISPATCH);
  win::TUniqueVariant name;
  control->Name = L"FlashPlayerControl1";
  ASSERT_EQ(runtime.Raise(DISPID_AMBIENT_DISPLAYNAME, {}, name.Put(), DISPATCH_PROPERTYGET), S_OK);
  EXPECT_STREQ(name.Get().bstrVal, L"FlashPlayerControl1");

  win::TUniqueVariant other;
  EXPECT_EQ(runtime.Raise(DISPID_AMBIENT_SCALEUNITS, {}, other.Put(), DISPATCH_PROPERTYGET), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(runtime.Raise(DISPID_AMBIENT_TEXTALIGN, {}, other.Put(), DISPATCH_PROPERTYGET), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(runtime.Raise(DISPID_AMBIENT_USERMODE, {}, other.Put(), DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(runtime.Raise(DISPID_AMBIENT_USERMODE, {}, nullptr, DISPATCH_PROPERTYGET), DISP_E_MEMBERNOTFOUND);
}

// IFlashPlayerControlBase, as content delivery sees the control.
TEST_F(Events, ContentEventsAnswerSFalseWithoutAHandlerAndReachTheirHandlers) {
  com::TComPtr<content::IFlashPlayerControlBase> base;
  ASSERT_EQ(control->QueryInterface(__uuidof(content::IFlashPlayerControlBase), base.PutVoid()), S_OK);
  TMemoryStream stream;
  std::unique_ptr<TStream> owned = std::make_unique<TMemoryStream>();
  bool handled = false;
  EXPECT_EQ(base->FireLoadExternalResource(L"a.swf", &stream), S_FALSE);
  EXPECT_EQ(base->FireLoadExternalResourceEx(L"a.swf", &owned, &handled), S_FALSE);
  EXPECT_FALSE(handled);
  EXPECT_EQ(base->FireUnloadExternalResourceAsync(&stream), S_FALSE);

  control->OnLoadExternalResourceEx = [](TFlashPlayerControl&, const std::wstring& url, std::unique_ptr<TStream>&,
                                         bool& wasHandled) { wasHandled = url == L"a.swf"; };
  control->OnLoadExternalResource = [](TFlashPlayerControl&, const std::wstring&, TStream&) {
    throw std::runtime_error("no such file");
  };
  EXPECT_EQ(base->FireLoadExternalResourceEx(L"a.swf", &owned, &handled), S_OK);
  EXPECT_TRUE(handled);
  // A failing handler stops at the interface.
  EXPECT_EQ(base->FireLoadExternalResource(L"a.swf", &stream), E_FAIL);

  EXPECT_EQ(base->PutMovie(L"file://x"), S_OK);
  EXPECT_EQ(control->Movie(), L"file://x");
}

TEST_F(Events, AMovieHandedOverAsBytesIsPlayedUnderAGeneratedMovieUrl) {
  TMemoryStream movie;
  movie.WriteBuffer("FWS", 3);  // positioned at its end: the whole movie still goes
  control->PutMovieFromStream(movie);
  EXPECT_EQ(control->Movie().rfind(L"Z:\\FromMemory\\", 0), 0u) << std::string(control->Movie().begin(), control->Movie().end());
}

}  // namespace
}  // namespace leafmark::test
