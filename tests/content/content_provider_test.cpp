// The download engine's sequences towards the runtime's callback.
#include <gtest/gtest.h>

#include "content/content_provider.h"
#include "content_test_environment.h"
#include "recording_callback.h"

namespace leafmark::content::test {
namespace {

using com::MakeCom;
using com::TComPtr;

// References held on obj besides the caller's own.
template <class T>
ULONG OtherReferences(T* object) {
  object->AddRef();
  return object->Release() - 1;
}

ULONG WriteTo(IStream& stream, const std::string& bytes) {
  ULONG written = 12345;
  EXPECT_EQ(stream.Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), S_OK);
  return written;
}

class ContentProviderTest : public ContentTest, public ::testing::WithParamInterface<bool> {
 protected:
  bool WithNegotiate() const { return GetParam(); }
  // The expected sequence, without OnResponse when the callback has no IHttpNegotiate.
  std::string Expected(const std::string& withResponse) const {
    if (WithNegotiate()) return withResponse;
    std::string result;
    std::size_t start = 0;
    while (start <= withResponse.size()) {
      const std::size_t end = std::min(withResponse.find(' ', start), withResponse.size());
      const std::string name = withResponse.substr(start, end - start);
      if (!name.empty() && name != "OnResponse") result += (result.empty() ? "" : " ") + name;
      start = end + 1;
    }
    return result;
  }

  TNewContentProvider created_ = CreateContentProvider();
  TComPtr<TRecordingCallback> callback_ = MakeCom<TRecordingCallback>(WithNegotiate());
};

TEST_P(ContentProviderTest, BytesWrittenAndClosedBeforeAttachmentArriveInOneNotification) {
  const std::string movie = PatternBytes(10000);
  EXPECT_EQ(WriteTo(*created_.stream, movie), 10000u);
  created_.stream.Reset();  // the movie stream is closed before the runtime asks
  EXPECT_EQ(callback_->Sequence(), "");

  created_.provider->SetBindStatusCallback(callback_.Get());

  EXPECT_EQ(callback_->Sequence(),
            Expected("OnResponse OnStartBinding OnDataAvailable OnStopBinding"));
  const auto events = callback_->Events();
  const TBindEvent& data = events[events.size() - 2];
  EXPECT_EQ(data.flags, DWORD{BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION});
  EXPECT_EQ(data.flags, 5u);
  EXPECT_EQ(data.size, 10000u);
  EXPECT_TRUE(data.exactFormat);
  EXPECT_TRUE(data.exactMedium);
  EXPECT_EQ(data.bytes, movie);
  EXPECT_EQ(events.back().result, S_OK);
  if (WithNegotiate()) {
    EXPECT_EQ(events.front().responseCode, 200u);
    EXPECT_EQ(events.front().headers, L"HTTP/1.1 200 OK\r\nContent-Length: -1\r\n");
  }
}

TEST_P(ContentProviderTest, WritesAfterAttachmentArriveOneByOneAndTheLastReleaseStops) {
  created_.provider->SetBindStatusCallback(callback_.Get());
  EXPECT_EQ(callback_->Sequence(), "");
  EXPECT_EQ(WriteTo(*created_.stream, "ab"), 2u);
  EXPECT_EQ(WriteTo(*created_.stream, "cde"), 3u);
  EXPECT_EQ(WriteTo(*created_.stream, "f"), 1u);
  EXPECT_EQ(callback_->Sequence(),
            Expected("OnResponse OnStartBinding OnDataAvailable OnDataAvailable OnDataAvailable"));

  // A supplier that keeps the stream keeps the download open.
  EXPECT_FALSE(callback_->Stopped());
  created_.stream.Reset();
  EXPECT_TRUE(callback_->Stopped());

  std::vector<std::pair<DWORD, std::string>> pieces;
  for (const TBindEvent& event : callback_->Events()) {
    if (event.name != "OnDataAvailable") continue;
    EXPECT_EQ(event.flags, 5u);
    EXPECT_TRUE(event.exactFormat && event.exactMedium);
    pieces.emplace_back(event.size, event.bytes);
  }
  EXPECT_EQ(pieces, (std::vector<std::pair<DWORD, std::string>>{{2, "ab"}, {3, "cde"}, {1, "f"}}));
}

TEST_P(ContentProviderTest, NothingWrittenMeansNothingSentAtAll) {
  created_.provider->SetBindStatusCallback(callback_.Get());
  EXPECT_EQ(created_.provider->HasData(), S_FALSE);
  created_.stream.Reset();
  EXPECT_EQ(callback_->Sequence(), "");
}

TEST_P(ContentProviderTest, AnEmptyWriteBeforeAttachmentCountsAsData) {
  EXPECT_EQ(created_.provider->HasData(), S_FALSE);
  ULONG written = 7;
  EXPECT_EQ(created_.stream->Write(nullptr, 0, &written), S_OK);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(created_.provider->HasData(), S_OK);
  created_.provider->SetBindStatusCallback(callback_.Get());
  EXPECT_EQ(callback_->Sequence(), Expected("OnResponse OnStartBinding OnDataAvailable"));
  EXPECT_EQ(callback_->Events().back().size, 0u);
}

TEST_P(ContentProviderTest, AnEmptyWriteAfterAttachmentIsNotifiedToo) {
  created_.provider->SetBindStatusCallback(callback_.Get());
  EXPECT_EQ(created_.provider->Write(nullptr, 0, nullptr), S_OK);
  EXPECT_EQ(callback_->Sequence(), Expected("OnResponse OnStartBinding OnDataAvailable"));
  EXPECT_EQ(callback_->Events().back().size, 0u);
  EXPECT_TRUE(callback_->Events().back().exactMedium);
}

TEST_P(ContentProviderTest, SetSizeAfterAttachmentOffersTheHeadersAgainWithTheNewLength) {
  created_.provider->SetBindStatusCallback(callback_.Get());
  ULARGE_INTEGER size{};
  size.QuadPart = 123;
  EXPECT_EQ(created_.stream->SetSize(size), S_OK);
  WriteTo(*created_.stream, "x");
  EXPECT_EQ(callback_->Sequence(),
            Expected("OnResponse OnResponse OnStartBinding OnDataAvailable"));
  if (WithNegotiate()) {
    const auto events = callback_->Events();
    EXPECT_EQ(events[0].headers, L"HTTP/1.1 200 OK\r\nContent-Length: 123\r\n");
    EXPECT_EQ(events[1].headers, L"HTTP/1.1 200 OK\r\nContent-Length: 123\r\n");
  }
}

TEST_P(ContentProviderTest, ARefusedNotificationReportsNothingWrittenButSucceeds) {
  callback_->SetDataResult(E_ABORT);
  created_.provider->SetBindStatusCallback(callback_.Get());
  EXPECT_EQ(WriteTo(*created_.stream, "refused"), 0u);
  // The provider stays usable.
  callback_->SetDataResult(S_OK);
  EXPECT_EQ(WriteTo(*created_.stream, "taken"), 5u);
  EXPECT_EQ(created_.provider->Write("x", 1, nullptr), S_OK);  // no count asked for
}

TEST_P(ContentProviderTest, TheDownloadEndReleasesProviderAndCallback) {
  WriteTo(*created_.stream, "abc");
  created_.provider->SetBindStatusCallback(callback_.Get());
  EXPECT_GT(OtherReferences(callback_.Get()), 0u);
  created_.stream.Reset();
  created_.provider.Reset();
  EXPECT_EQ(OtherReferences(callback_.Get()), 0u);
}

INSTANTIATE_TEST_SUITE_P(Callbacks, ContentProviderTest, ::testing::Bool(),
                         [](const auto& testParam) {
                           return testParam.param ? "WithHttpNegotiate" : "WithoutHttpNegotiate";
                         });

// The header text carries the low 32 bits of the length as a signed number.
TEST_F(ContentTest, ResponseHeadersCarryTheLow32BitsOfTheLengthSigned) {
  const struct {
    ULONGLONG size;
    const wchar_t* headers;
  } cases[] = {
      {0, L"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n"},
      {2147483647, L"HTTP/1.1 200 OK\r\nContent-Length: 2147483647\r\n"},
      {0xFFFFFFFFull, L"HTTP/1.1 200 OK\r\nContent-Length: -1\r\n"},
      {0x100000005ull, L"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n"},
  };
  for (const auto& c : cases) {
    auto created = CreateContentProvider();
    const auto callback = MakeCom<TRecordingCallback>();
    ULARGE_INTEGER size{};
    size.QuadPart = c.size;
    created.provider->SetSize(size);  // before attachment: offered when started
    created.provider->SetBindStatusCallback(callback.Get());
    WriteTo(*created.stream, "x");
    ASSERT_EQ(callback->Sequence(), "OnResponse OnStartBinding OnDataAvailable");
    EXPECT_EQ(callback->Events()[0].headers, c.headers) << c.size;
  }
}

TEST_F(ContentTest, TheProviderAnswersOnlyItsOwnInterface) {
  const auto created = CreateContentProvider();
  EXPECT_TRUE(created.provider.As<IContentProvider>());
  EXPECT_FALSE(created.provider.As<IStream>());
  EXPECT_FALSE(created.provider.As<IBindStatusCallback>());
}

}  // namespace
}  // namespace leafmark::content::test
