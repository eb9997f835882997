// Opening files by path: a served file behind a fake handle, the file below the control's
// Base, or the name unchanged, in that order.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "content/content_manager.h"
#include "content_test_environment.h"
#include "test_control.h"
#include "tests/support/temp_dir.h"

namespace leafmark::content::test {
namespace {

using com::MakeCom;
using com::TComPtr;

std::string ReadAll(HANDLE file) {
  std::string text;
  char buffer[256];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  return text;
}

class MappedFilesTest : public ContentTest {
 protected:
  void SetUp() override {
    ContentTest::SetUp();
    ContentManager().RegisterControl(1, control_->Link());
    control_->base = Wide(base_.Path());
    leafmark::test::WriteFileText(base_.File("both.txt"), "from Base");
    leafmark::test::WriteFileText(base_.File("base_only.txt"), "only below Base");
    // The application serves "both.txt" and "served.txt" from its archive.
    control_->onLoadAsync = [](const std::wstring& path, std::unique_ptr<TStream>& stream) {
      if (path != L"both.txt" && path != L"served.txt") return;
      auto served = std::make_unique<TMemoryStream>();
      served->WriteBuffer("served bytes", 12);  // left at its end, as the archive reader does
      stream = std::move(served);
    };
  }

  HANDLE Open(const std::wstring& name) {
    return ContentManager().OpenMappedFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  std::wstring Movie(const std::wstring& relativePath) const {
    return L"Z:\\FromMemory\\" + std::wstring(FakeURLMarker) + L"\\1\\" + relativePath;
  }

  std::unique_ptr<TTestControl> control_ = std::make_unique<TTestControl>();
  leafmark::test::TTempDir base_;
};

TEST_F(MappedFilesTest, AServedFileComesFirstAsAFakeHandleOverItsStreamFromTheStart) {
  const HANDLE handle = Open(Movie(L"both.txt"));
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  TStream* stream = nullptr;
  {
    const TFakeHandleStream served = ContentManager().FindFakeHandleStream(handle);
    ASSERT_TRUE(served);
    stream = served.Get();
    EXPECT_EQ(served->Position(), 0);
    char buffer[12];
    served->ReadBuffer(buffer, 12);
    EXPECT_EQ(std::string(buffer, 12), "served bytes");
  }
  EXPECT_EQ(control_->Calls().back(), L"LoadAsync both.txt");

  // Closing tells the control once and frees the pair; a second close is not ours.
  EXPECT_TRUE(ContentManager().CloseFakeHandle(handle));
  EXPECT_EQ(control_->UnloadedStreams(), std::vector<TStream*>{stream});
  EXPECT_FALSE(ContentManager().CloseFakeHandle(handle));
  EXPECT_FALSE(ContentManager().FindFakeHandleStream(handle));
  EXPECT_EQ(control_->UnloadedStreams().size(), 1u);
}

TEST_F(MappedFilesTest, EachOpenOfAServedNameGetsItsOwnHandleAndStream) {
  const HANDLE wide = Open(Movie(L"served.txt"));
  const std::string narrowName = "Z:/FromMemory/46A10F369771449587DE913EFC0A258C/1/served.txt";
  const HANDLE narrow = ContentManager().OpenMappedFileA(narrowName.c_str(), GENERIC_READ, 0,
                                                         nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(wide, INVALID_HANDLE_VALUE);
  ASSERT_NE(narrow, INVALID_HANDLE_VALUE);
  EXPECT_NE(wide, narrow);
  EXPECT_NE(ContentManager().FindFakeHandleStream(wide).Get(),
            ContentManager().FindFakeHandleStream(narrow).Get());
  EXPECT_TRUE(ContentManager().CloseFakeHandle(wide));
  EXPECT_TRUE(ContentManager().CloseFakeHandle(narrow));
}

TEST_F(MappedFilesTest, ANameNotServedOpensTheFileBelowTheControlsBase) {
  const HANDLE file = Open(Movie(L"base_only.txt"));
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(ContentManager().FindFakeHandleStream(file));
  EXPECT_EQ(ReadAll(file), "only below Base");
  CloseHandle(file);
  // Forward slashes in the relative path become backslashes.
  std::filesystem::create_directory(base_.File("pages"));
  leafmark::test::WriteFileText(base_.File("pages\\1.txt"), "page one");
  const HANDLE page = Open(L"file:///Z:/FromMemory/" + std::wstring(FakeURLMarker) + L"/1/pages/1.txt");
  ASSERT_NE(page, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(page), "page one");
  CloseHandle(page);
}

TEST_F(MappedFilesTest, EverythingElseReachesTheSystemUnchanged) {
  const std::string plain = base_.File("plain.txt");
  leafmark::test::WriteFileText(plain, "plain file");
  const HANDLE file = Open(Wide(plain));
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(file), "plain file");
  CloseHandle(file);
  EXPECT_EQ(control_->Calls().size(), 0u);  // not a fake path: the control was not asked

  // The system's own failure and error, for a movie path nobody serves, a movie whose
  // control is gone, and a folder name where the id stood.
  const std::wstring missing[] = {
      Movie(L"missing.txt"),
      L"Z:\\FromMemory\\" + std::wstring(FakeURLMarker) + L"\\2\\both.txt",
      L"Z:\\FromMemory\\" + std::wstring(FakeURLMarker) + L"\\files\\both.txt",
  };
  for (const std::wstring& name : missing) {
    SetLastError(0);
    EXPECT_EQ(Open(name), INVALID_HANDLE_VALUE);
    const DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND) << error;
  }
}

TEST_F(MappedFilesTest, AFileCreatedThroughTheMappingKeepsTheSystemsArguments) {
  // The six further arguments reach the system: here a new file is created for writing.
  const std::string created = base_.File("created.txt");
  const HANDLE file = ContentManager().OpenMappedFileA(created.c_str(), GENERIC_WRITE, 0, nullptr,
                                                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "new", 3, &written, nullptr));
  CloseHandle(file);
  EXPECT_EQ(Text(leafmark::test::ReadFileBytes(created)), "new");
  SetLastError(0);
  EXPECT_EQ(ContentManager().OpenMappedFileA(created.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_EXISTS});
}

TEST_F(MappedFilesTest, TheCurrentDirectoryStandsInForAnEmptyBase) {
  control_->base.clear();
  const std::wstring previous = GetCurrentDirectoryText();
  ASSERT_FALSE(previous.empty());
  ASSERT_TRUE(SetCurrentDirectoryW(Wide(base_.Path()).c_str()));
  EXPECT_EQ(GetCurrentDirectoryText(), Wide(base_.Path()));
  const HANDLE file = Open(Movie(L"base_only.txt"));
  SetCurrentDirectoryW(previous.c_str());
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadAll(file), "only below Base");
  CloseHandle(file);
}

}  // namespace
}  // namespace leafmark::content::test
