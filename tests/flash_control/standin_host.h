// The control hosting the stand-in runtime, loaded from memory as the player loads the book's
// runtime, with the stand-in tracing to a file of the test's own.
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/stream.h"
#include "runtime_loader/code_providers.h"
#include "tests/flash_control/test_host.h"
#include "tests/standin_runtime/standin_export.h"
#include "tests/standin_runtime/standin_trace.h"
#include "tests/support/bin_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wide_text.h"

namespace leafmark::test {

inline constexpr wchar_t kTraceVariable[] = L"LEAFMARK_STANDIN_TRACE";
inline constexpr wchar_t kFaultsVariable[] = L"LEAFMARK_STANDIN_FAULTS";
using TRunCommand = HRESULT(WINAPI*)(const wchar_t*);

class StandinHost : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    tracePath_ = Wide(tmp_.File("trace.log"));
    ::SetEnvironmentVariableW(kTraceVariable, tracePath_.c_str());
    LoadRuntime("flash.ocx");
  }
  // Makes the runtime image bin/<file> the current one, in place of any loaded before; its
  // trace goes on in the same file.
  void LoadRuntime(const char* file) {
    FinalizeFlashOCXCodeProvider();
    run_ = nullptr;
    TMemoryStream image(ReadFileBytes(BinFile(file)));
    ASSERT_TRUE(LoadFlashOCXCodeFromStream(image)) << file;
    run_ = StandinExport<TRunCommand>(*FlashOCXCodeProvider()->Loader(), "LeafmarkStandinRun");
  }
  void TearDown() override {
    control.reset();
    FinalizeFlashOCXCodeProvider();
    ::SetEnvironmentVariableW(kTraceVariable, nullptr);
    ::SetEnvironmentVariableW(kFaultsVariable, nullptr);
  }

  HRESULT Run(const wchar_t* command) { return run_(command); }
  TStandinTrace Trace() const { return TStandinTrace::Read(std::filesystem::path(tracePath_)); }

  void MakeHostedControl() {
    control = std::make_unique<TTestFlashControl>();
    ASSERT_TRUE(control->HasRuntime());
    control->OnReadyStateChange = [this](TFlashPlayerControl&, long state) {
      seen.push_back("ready " + std::to_string(state));
      threads.push_back(std::this_thread::get_id());
    };
    control->OnProgress = [this](TFlashPlayerControl&, long percent) {
      seen.push_back("progress " + std::to_string(percent));
      threads.push_back(std::this_thread::get_id());
    };
    control->OnFSCommand = [this](TFlashPlayerControl&, const std::wstring& command, const std::wstring& args) {
      seen.push_back("fscommand " + std::string(command.begin(), command.end()) + " " +
                     std::string(args.begin(), args.end()));
    };
    control->OnFlashCall = [this](TFlashPlayerControl&, const std::wstring& request) {
      seen.push_back("flashcall " + std::string(request.begin(), request.end()));
    };
    control->SetParent(form.get());
  }

  TTempDir tmp_;
  std::wstring tracePath_;
  TRunCommand run_ = nullptr;
  std::unique_ptr<TTestFlashControl> control;
  std::vector<std::string> seen;
  std::vector<std::thread::id> threads;
};

}  // namespace leafmark::test
