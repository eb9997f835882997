// The stand-in runtime's portable pieces: the SWF reader (well-formed movies, and every way a
// movie can be cut short, oversized or malformed), its MD5, and how it resolves addresses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standin_runtime/md5.h"
#include "standin_runtime/movie_address.h"
#include "standin_runtime/swf_reader.h"
#include "tests/standin_runtime/test_movies.h"

namespace leafmark {
namespace {

using standin::ReadSwf;
using standin::TSwfAction;
using standin::TSwfActionKind;
using standin::TSwfError;
using standin::TSwfMovie;
using standin::TSwfPlacement;
using test::TBytes;
using test::TSwfActions;
using test::TSwfFrame;
using test::TSwfWriter;

TSwfAction GetUrl(const std::string& url, const std::string& target) {
  return {TSwfActionKind::GetUrl, {url, target}, 0};
}
TSwfAction Simple(TSwfActionKind kind, std::uint16_t frame = 0) { return {kind, {}, frame}; }

constexpr TSwfFrame kFrame{0, 11000, 0, 8000};

TSwfWriter Sample() {
  TSwfWriter movie(10, kFrame, 0x1DF8, 2);
  movie.Background(0x336699).GetUrl("FSCommand:quit", "now please").ShowFrame();
  movie.GetUrl2("pages/1.png", "_level1").ShowFrame().End();
  return movie;
}

void SetLength(TBytes& movie, std::uint32_t length) {
  for (int i = 0; i < 4; ++i) movie[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
}

std::string ErrorOf(const TBytes& movie) {
  try {
    ReadSwf(movie);
  } catch (const TSwfError& error) {
    return error.what();
  }
  return "<read without error>";
}

TEST(SwfReader, ReadsTheHeaderTagsAndFrameActionsOfPlainAndCompressedMovies) {
  const TSwfWriter sample = Sample();
  for (const TBytes& bytes : {sample.Fws(), sample.Cws()}) {
    const TSwfMovie movie = ReadSwf(bytes);
    EXPECT_EQ(movie.Signature, bytes[0] == 'F' ? "FWS" : "CWS");
    EXPECT_EQ(movie.Version, 10u);
    EXPECT_EQ(movie.FileLength, sample.Fws().size());
    EXPECT_EQ(movie.Width(), 11000);
    EXPECT_EQ(movie.Height(), 8000);
    EXPECT_EQ(movie.FrameRate, 0x1DF8);
    EXPECT_EQ(movie.FrameCount, 2);
    EXPECT_EQ(movie.Background, 0x336699u);
    ASSERT_EQ(movie.Frames.size(), 2u);
    EXPECT_EQ(movie.Frames[0].Actions, std::vector<TSwfAction>{GetUrl("FSCommand:quit", "now please")});
    EXPECT_EQ(movie.Frames[1].Actions, std::vector<TSwfAction>{GetUrl("pages/1.png", "_level1")});
  }
}

TEST(SwfReader, ReadsTheTimelineAndTheButtonsKeyActions) {
  TSwfWriter writer(8, kFrame, 0x0C00, 3);
  writer.KeyButton(1, 2,
                   {{test::swf_key::Right, TSwfActions().NextFrame()},
                    {'f', TSwfActions().FsCommand("fullscreen", "true").Play()},
                    {test::swf_key::Home, TSwfActions().GotoFrame(0)}});
  writer.KeyButton(3, 4, {});
  writer.Place(1, 5).DoAction(TSwfActions().Stop().PreviousFrame()).ShowFrame();
  writer.Tag(4, {3, 0, 6, 0}).ShowFrame();  // PlaceObject: character 3 at depth 6
  writer.Remove(5).Tag(5, {3, 0, 6, 0}).Tag(26, {0x01, 7, 0}).DoAction(TSwfActions().GotoFrame(1)).ShowFrame();
  writer.End();
  for (const TBytes& bytes : {writer.Fws(), writer.Cws()}) {
    const TSwfMovie movie = ReadSwf(bytes);
    ASSERT_EQ(movie.Frames.size(), 3u);
    EXPECT_EQ(movie.Frames[0].Placements, (std::vector<TSwfPlacement>{{5, 1}}));
    EXPECT_EQ(movie.Frames[0].Actions,
              (std::vector<TSwfAction>{Simple(TSwfActionKind::Stop), Simple(TSwfActionKind::PreviousFrame)}));
    EXPECT_EQ(movie.Frames[1].Placements, (std::vector<TSwfPlacement>{{6, 3}}));
    EXPECT_TRUE(movie.Frames[1].Actions.empty());
    // Removals by depth; a move of what is already there (no character) is not a placement.
    EXPECT_EQ(movie.Frames[2].Placements, (std::vector<TSwfPlacement>{{5, std::nullopt}, {6, std::nullopt}}));
    EXPECT_EQ(movie.Frames[2].Actions, std::vector<TSwfAction>{Simple(TSwfActionKind::GotoFrame, 1)});

    ASSERT_EQ(movie.KeyButtons.size(), 1u);  // the button without key conditions is left out
    const auto& keys = movie.KeyButtons.at(1);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].Key, 2);
    EXPECT_EQ(keys[0].Actions, std::vector<TSwfAction>{Simple(TSwfActionKind::NextFrame)});
    EXPECT_EQ(keys[1].Key, 'f');
    EXPECT_EQ(keys[1].Actions,
              (std::vector<TSwfAction>{GetUrl("FSCommand:fullscreen", "true"), Simple(TSwfActionKind::Play)}));
    EXPECT_EQ(keys[2].Key, 3);
    EXPECT_EQ(keys[2].Actions, std::vector<TSwfAction>{Simple(TSwfActionKind::GotoFrame, 0)});
  }
}

TEST(SwfReader, CountsTrailingTagsAsAFrameOnlyWhenTheyHoldSomething) {
  struct TCase {
    const char* Name;
    TSwfWriter Movie;
    std::size_t Frames;
  };
  const TCase cases[] = {
      {"no ShowFrame, no content", std::move(TSwfWriter(6, kFrame, 0x0C00, 1).End()), 1},
      {"no ShowFrame, actions", std::move(TSwfWriter(6, kFrame, 0x0C00, 1).GetUrl("a", "_level1").End()), 1},
      {"ShowFrame, then nothing", std::move(TSwfWriter(6, kFrame, 0x0C00, 1).ShowFrame().End()), 1},
      {"ShowFrame, then actions", std::move(TSwfWriter(6, kFrame, 0x0C00, 1).ShowFrame().GetUrl("a", "_level1").End()), 2},
  };
  for (const TCase& c : cases) EXPECT_EQ(ReadSwf(c.Movie.Fws()).Frames.size(), c.Frames) << c.Name;
}

TEST(SwfReader, AcceptsUnusualButValidMovies) {
  struct TCase {
    const char* Name;
    TBytes Movie;
    std::int64_t Width, Height;
  };
  TBytes trailing = TSwfWriter(6, kFrame, 0x0C00, 1).End().Fws();
  trailing.insert(trailing.end(), {1, 2, 3});  // bytes after the header's length are not the movie's
  TBytes longTag = TSwfWriter(6, kFrame, 0x0C00, 1).Tag(777, TBytes(200, 0xAB)).End().Fws();
  const TCase cases[] = {
      {"negative origin", TSwfWriter(8, {-100, 200, -50, 50}, 0x0C00, 1).End().Fws(), 300, 100},
      {"zero-bit frame", TSwfWriter(8, {0, 0, 0, 0}, 0x0C00, 1).End().Fws(), 0, 0},
      {"widest frame", TSwfWriter(8, {-(1 << 30), (1 << 30) - 1, 0, 1}, 0x0C00, 1).End().Fws(), (1ll << 31) - 1, 1},
      {"trailing bytes", trailing, 11000, 8000},
      {"long tag", longTag, 11000, 8000},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TSwfMovie movie = ReadSwf(c.Movie);
    EXPECT_EQ(movie.Width(), c.Width);
    EXPECT_EQ(movie.Height(), c.Height);
    EXPECT_FALSE(movie.Background);
  }
}

TEST(SwfReader, FollowsOnlyConstantStringsIntoGetUrl2) {
  TBytes actions = {0x96, 5, 0, 7, 1, 0, 0, 0,         // Push integer 1 (computed url)
                    0x96, 3, 0, 0, 'x', 0,             // Push "x"
                    0x9A, 1, 0, 0, 0x9A, 1, 0, 0,      // GetURL2 twice: the stack has run dry
                    0x00};
  const TSwfMovie movie = ReadSwf(TSwfWriter(6, kFrame, 0x0C00, 1).Tag(12, actions).End().Fws());
  ASSERT_EQ(movie.Frames.size(), 1u);
  EXPECT_TRUE(movie.Frames[0].Actions.empty());
}

TEST(SwfReader, RefusesAMovieCutAtAnyFieldBoundary) {
  const TSwfWriter sample = Sample();
  const TBytes whole = sample.Fws();
  for (const std::size_t cut : sample.Boundaries()) {
    if (cut >= whole.size()) continue;
    SCOPED_TRACE("cut at " + std::to_string(cut));
    TBytes movie(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    // Beyond the header the length is made to agree, so that the cut is met where it is.
    if (cut >= 8) SetLength(movie, static_cast<std::uint32_t>(cut));
    EXPECT_NE(ErrorOf(movie).find("truncated"), std::string::npos) << ErrorOf(movie);
  }
  // Every single byte short, too, both plain and compressed.
  for (std::size_t cut = 1; cut < whole.size(); ++cut) {
    SCOPED_TRACE("short by " + std::to_string(cut));
    TBytes plain(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut));
    EXPECT_NE(ErrorOf(plain).find("truncated"), std::string::npos) << ErrorOf(plain);
  }
  // A compressed movie cut into its checksum or final code may still hold every byte the
  // header promised; cut deeper, it does not.
  const TBytes compressed = sample.Cws();
  for (std::size_t cut = 8; cut + 8 < compressed.size(); ++cut) {
    TBytes movie(compressed.begin(), compressed.end() - static_cast<std::ptrdiff_t>(cut));
    EXPECT_NE(ErrorOf(movie).find("truncated"), std::string::npos) << "short by " << cut << ": " << ErrorOf(movie);
  }
}

TEST(SwfReader, RefusesMalformedMoviesWithAMessageThatSaysWhy) {
  struct TCase {
    const char* Name;
    TBytes Movie;
    const char* Error;
  };
  const auto withLength = [](TBytes movie, std::uint32_t length) {
    SetLength(movie, length);
    return movie;
  };
  const auto minimal = [](TBytes body) {
    TBytes movie = TSwfWriter(6, kFrame, 0x0C00, 1).Fws();
    movie.insert(movie.end(), body.begin(), body.end());
    SetLength(movie, static_cast<std::uint32_t>(movie.size()));
    return movie;
  };
  TBytes corrupt = Sample().Cws();
  for (std::size_t i = 10; i < corrupt.size(); ++i) corrupt[i] ^= 0x5A;
  TBytes wideRect = TSwfWriter(6, kFrame, 0x0C00, 1).End().Fws();
  wideRect.resize(8);
  wideRect.push_back(0xF8);  // 31-bit fields, but the movie ends here
  wideRect.push_back(0);
  SetLength(wideRect, static_cast<std::uint32_t>(wideRect.size()));
  TBytes cwsPromisingMore = withLength(Sample().Cws(), static_cast<std::uint32_t>(Sample().Fws().size() + 1));
  TSwfWriter manyFrames(6, kFrame, 0x0C00, 1);
  for (std::size_t i = 0; i < standin::kMaxSwfFrames; ++i) manyFrames.ShowFrame();
  TBytes manyActions(standin::kMaxSwfRecords + 1, 0x07);  // Stop
  manyActions.push_back(0);
  // DefineButton2 of id 1 whose conditions start past its end, or whose first condition
  // claims more bytes than the button holds.
  const TBytes farOffset = {1, 0, 0, 9, 0, 0};
  const TBytes longCondition = {1, 0, 0, 2, 0, 40, 0, 0, 4, 0};

  const TCase cases[] = {
      {"empty", {}, "truncated"},
      {"not a movie", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, "not a SWF"},
      {"LZMA", withLength(Sample().Fws(), 30), "(ZWS) are not supported"},
      {"length shorter than the header", withLength(Sample().Fws(), 7), "shorter than the header"},
      {"oversized plain", withLength(Sample().Fws(), standin::kMaxSwfBytes + 1), "beyond the limit"},
      {"oversized compressed", withLength(Sample().Cws(), 0xFFFFFFFF), "beyond the limit"},
      {"length beyond the data", withLength(Sample().Fws(), 5000), "truncated"},
      {"compressed body shorter than the length", cwsPromisingMore, "truncated: the compressed body holds"},
      {"corrupt compressed body", corrupt, "corrupt"},
      {"frame fields beyond the data", wideRect, "truncated: the frame size"},
      {"negative frame", TSwfWriter(6, {10, 5, 0, 0}, 0x0C00, 1).End().Fws(), "negative"},
      {"no End tag", TSwfWriter(6, kFrame, 0x0C00, 1).ShowFrame().Fws(), "truncated: a tag header"},
      {"tag body beyond the data", minimal({0x05, 0x02, 1, 2}), "truncated: the body of tag 8"},
      {"long tag length beyond the data", minimal({0x3F, 0x02, 0xFF, 0xFF, 0xFF, 0x7F}), "truncated: the body of tag 8"},
      {"short background", minimal({0x42, 0x02, 1, 2, 0, 0}), "SetBackgroundColor holds fewer than 3 bytes"},
      {"actions without ActionEnd", minimal({0x01, 0x03, 0x06, 0, 0}), "truncated: an action code"},
      {"action payload beyond the tag", minimal({0x04, 0x03, 0x83, 9, 0, 'a', 0, 0}), "truncated: an action's payload"},
      {"GetURL without its NUL", minimal({0x06, 0x03, 0x83, 2, 0, 'a', 'b', 0, 0, 0}), "no terminating NUL"},
      {"GetURL without its target", minimal({0x06, 0x03, 0x83, 2, 0, 'a', 0, 0, 0, 0}), "GetURL's target"},
      {"Push of an unknown type", minimal({0x05, 0x03, 0x96, 1, 0, 42, 0, 0, 0}), "unknown type 42"},
      {"Push of a cut value", minimal({0x06, 0x03, 0x96, 2, 0, 7, 1, 0, 0, 0}), "truncated: a pushed value"},
      {"GotoFrame without its frame", minimal({0x04, 0x03, 0x81, 1, 0, 0, 0, 0}), "GotoFrame's frame"},
      {"too many frames", manyFrames.End().Fws(), "more than 16000 frames"},
      {"too many actions", TSwfWriter(6, kFrame, 0x0C00, 1).Tag(12, manyActions).End().Fws(), "actions and placements"},
      {"button action offset beyond it", TSwfWriter(6, kFrame, 0x0C00, 1).Tag(34, farOffset).End().Fws(),
       "action offset runs past the end"},
      {"button condition beyond it", TSwfWriter(6, kFrame, 0x0C00, 1).Tag(34, longCondition).End().Fws(),
       "does not fit the button"},
      {"button actions without ActionEnd", TSwfWriter(6, kFrame, 0x0C00, 1).Tag(34, {1, 0, 0, 2, 0, 0, 0, 0, 4, 7}).End().Fws(),
       "truncated: an action code"},
      {"PlaceObject2 without its character", minimal({0x83, 0x06, 0x02, 1, 0, 0, 0}), "PlaceObject2's character"},
      {"RemoveObject2 without its depth", minimal({0x01, 0x07, 9, 0, 0}), "RemoveObject2's depth"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBytes movie = c.Movie;
    if (std::string(c.Name) == "LZMA") movie[0] = 'Z';
    EXPECT_NE(ErrorOf(movie).find(c.Error), std::string::npos) << ErrorOf(movie);
  }
}

TEST(SwfReader, WritesTheFrameRateExactly) {
  const std::pair<std::uint16_t, const char*> cases[] = {
      {0x0C00, "12"}, {0x1DF8, "29.96875"}, {0x0080, "0.5"}, {0x0001, "0.00390625"}, {0xFFFF, "255.99609375"}, {0, "0"}};
  for (const auto& [rate, text] : cases) EXPECT_EQ(standin::FormatFrameRate(rate), text);
}

TEST(StandinMd5, MatchesKnownDigestsAcrossBlockBoundaries) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
      {std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
      {std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
      {std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
      {std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"},
  };
  for (const auto& [text, digest] : cases) {
    const TBytes bytes(text.begin(), text.end());
    EXPECT_EQ(standin::Md5Hex(bytes), digest) << text.size() << " bytes";
  }
}

TEST(StandinAddress, ResolvesReferencesAgainstPathsAndUrls) {
  using standin::ResolveAddress;
  const std::wstring movie = L"Z:\\FromMemory\\M\\1\\E4.swf";
  const std::tuple<std::wstring, std::wstring, std::wstring> cases[] = {
      {movie, L"images/a.png", L"Z:\\FromMemory\\M\\1\\images\\a.png"},
      {movie, L"./a.png", L"Z:\\FromMemory\\M\\1\\a.png"},
      {movie, L"../x.swf", L"Z:\\FromMemory\\M\\x.swf"},
      {movie, L"../../../../../../x.swf", L"Z:\\x.swf"},
      {movie, L"/top.swf", L"Z:\\top.swf"},
      {movie, L"http://host/a.swf", L"http://host/a.swf"},
      {movie, L"C:\\other.swf", L"C:\\other.swf"},
      {L"\\\\server\\share\\d\\a.swf", L"../b.swf", L"\\\\server\\share\\b.swf"},
      {L"http://host/dir/a.swf?x=1#f", L"b.png", L"http://host/dir/b.png"},
      {L"http://host/dir/a.swf", L"/b.png?q", L"http://host/b.png?q"},
      {L"http://host/dir/a.swf", L"//other/c.swf", L"http://other/c.swf"},
      {L"http://host", L"b.png", L"http://host/b.png"},
      {L"http://host/a/b/c.swf", L"../../../../d.swf", L"http://host/d.swf"},
      {L"file:///C:/books/a.swf", L"p\\1.jpg", L"file:///C:/books/p/1.jpg"},
      {L"", L"a.swf", L"a.swf"},
  };
  for (const auto& [base, reference, expected] : cases) {
    EXPECT_EQ(ResolveAddress(base, reference), expected);
  }
}

TEST(StandinAddress, TellsPathsFromUrlsAndRelativeReferences) {
  using standin::AddressKind;
  using standin::TAddressKind;
  const std::pair<const wchar_t*, TAddressKind> cases[] = {
      {L"C:\\a.swf", TAddressKind::Path},      {L"z:/a.swf", TAddressKind::Path},
      {L"\\\\server\\a", TAddressKind::Path},  {L"http://h/a", TAddressKind::Url},
      {L"file:a.swf", TAddressKind::Url},      {L"FSCommand:quit", TAddressKind::Url},
      {L"a.swf", TAddressKind::Relative},      {L"C:a.swf", TAddressKind::Relative},
      {L"/a.swf", TAddressKind::Relative},     {L"", TAddressKind::Relative},
  };
  for (const auto& [address, kind] : cases) EXPECT_EQ(AddressKind(address), kind) << std::wstring(address).size();
}

}  // namespace
}  // namespace leafmark
