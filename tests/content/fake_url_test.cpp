// Movie URLs: generation, parsing back to id and relative path, comparison.
#include <gtest/gtest.h>

#include "content/fake_url.h"

namespace leafmark::content {
namespace {

const std::wstring kMarker(FakeURLMarker);
const std::wstring kMovie(FakeMovieName);

TEST(FakeURL, TheFirstMovieURLHasTheFixedForm) {
  EXPECT_EQ(MakeFakeURL(1),
            L"Z:\\FromMemory\\46A10F369771449587DE913EFC0A258C\\1\\"
            L"E4ED7C01D28A43418DBF2CB92CC35E56.swf");
  EXPECT_EQ(FakeURLMarker.size(), 32u);
  EXPECT_EQ(DummyMovieURL.size(), 38u);
}

TEST(FakeURL, ParsesMovieURLsInEveryFormTheRuntimeUses) {
  const struct {
    std::wstring url;
    std::int32_t id;
    std::wstring relativePath;
  } cases[] = {
      {MakeFakeURL(1), 1, kMovie},
      {MakeFakeURL(2147483647), 2147483647, kMovie},
      // The same URL as a file URL with forward slashes.
      {L"file:///Z:/FromMemory/" + kMarker + L"/1/" + kMovie, 1, kMovie},
      // Resolved relative to the movie, with backslashes or slashes.
      {L"Z:\\FromMemory\\" + kMarker + L"\\1\\files\\large\\3.swf", 1, L"files/large/3.swf"},
      {L"Z:/FromMemory/" + kMarker + L"/7/files/thumb/1.jpg", 7, L"files/thumb/1.jpg"},
      // Two slashes after the id: the relative path keeps one.
      {L"Z:/FromMemory/" + kMarker + L"/3//page.swf", 3, L"/page.swf"},
      // Nothing after the id's slash.
      {L"x" + kMarker + L"/4/", 4, L""},
      // The character after the marker is skipped without being looked at.
      {kMarker + L"?12/a", 12, L"a"},
      {kMarker + L"/-5/a", -5, L"a"},
      // Only the first marker counts.
      {kMarker + L"/1/" + kMarker + L"/2/b", 1, kMarker + L"/2/b"},
  };
  for (const auto& c : cases) {
    std::int32_t id = -99;
    std::wstring relativePath = L"untouched";
    ASSERT_TRUE(ParseFakeURL(c.url, id, relativePath)) << std::string(c.url.begin(), c.url.end());
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(relativePath, c.relativePath);
  }
}

TEST(FakeURL, AnythingElseIsNotAMovieURL) {
  const std::wstring cases[] = {
      L"",
      L"http://example.com/book.swf",
      std::wstring(DummyMovieURL),
      // The marker in lower case.
      L"Z:\\FromMemory\\46a10f369771449587de913efc0a258c\\1\\" + kMovie,
      // Ends right after the marker, or after the marker and one character.
      L"Z:/" + kMarker,
      L"Z:/" + kMarker + L"/",
      // Digits but no further slash.
      L"Z:/" + kMarker + L"/12",
      // An id segment that is not a number: a folder climbed out of the movie folder.
      L"Z:/FromMemory/" + kMarker + L"/files/page.swf",
      L"Z:/" + kMarker + L"//page.swf",
      L"Z:/" + kMarker + L"/1a/page.swf",
      L"Z:/" + kMarker + L"/ 1/page.swf",
      L"Z:/" + kMarker + L"/-/page.swf",
      L"Z:/" + kMarker + L"/2147483648/page.swf",
      L"Z:/" + kMarker + L"/99999999999999999999/page.swf",
  };
  for (const std::wstring& url : cases) {
    std::int32_t id = -99;
    std::wstring relativePath = L"untouched";
    EXPECT_FALSE(ParseFakeURL(url, id, relativePath)) << std::string(url.begin(), url.end());
    EXPECT_EQ(id, -99);
    EXPECT_EQ(relativePath, L"untouched");
  }
}

TEST(FakeURL, SameURLComparesMovieURLsByIdAndPath) {
  const std::wstring back = MakeFakeURL(1);
  const std::wstring forward = L"file:///Z:/FromMemory/" + kMarker + L"/1/" + kMovie;
  const struct {
    std::wstring a, b;
    bool same;
  } cases[] = {
      {back, forward, true},
      {back, MakeFakeURL(2), false},
      {back, L"Z:/FromMemory/" + kMarker + L"/1/e4ed7c01d28a43418dbf2cb92cc35e56.swf", false},
      {back, L"Z:/FromMemory/" + kMarker + L"/01/" + kMovie, true},
      {back, L"http://example.com/", false},
      {L"http://example.com/", back, false},
      {L"http://example.com/a", L"http://example.com/a", true},
      {L"http://example.com/a", L"http://example.com/A", false},
      {L"", L"", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameURL(c.a, c.b), c.same)
        << std::string(c.a.begin(), c.a.end()) << " | " << std::string(c.b.begin(), c.b.end());
  }
}

}  // namespace
}  // namespace leafmark::content
