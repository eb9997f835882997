// Loading urlmon's two functions, and the messages when they are missing.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "content/urlmon_functions.h"

namespace leafmark::content {
namespace {

std::string LoadFailure(const char* libraryName) {
  try {
    TUrlmonLibrary library(libraryName);
    return "";
  } catch (const std::runtime_error& error) {
    return error.what();
  }
}

TEST(UrlmonFunctions, EachMissingPieceHasItsOwnMessage) {
  EXPECT_EQ(LoadFailure("urlmon.dll"), "");
  EXPECT_EQ(LoadFailure("no_such_library.dll"), "LoadLibrary(no_such_library.dll) failed");
  EXPECT_EQ(LoadFailure("kernel32.dll"), "GetProcAddress(CreateURLMoniker) failed");
  // Has CreateURLMoniker only.
  EXPECT_EQ(LoadFailure("half_urlmon.dll"), "GetProcAddress(RegisterBindStatusCallback) failed");
}

TEST(UrlmonFunctions, TheSystemsFunctionsAreCalledThroughThePointers) {
  const TUrlmonLibrary library;
  IMoniker* moniker = nullptr;
  ASSERT_EQ(library.CreateURLMoniker()(nullptr, L"http://example.com/", &moniker), S_OK);
  ASSERT_NE(moniker, nullptr);
  LPOLESTR name = nullptr;
  ASSERT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
  EXPECT_EQ(std::wstring(name), L"http://example.com/");
  CoTaskMemFree(name);
  moniker->Release();
}

}  // namespace
}  // namespace leafmark::content
