// A movie handed to the control from memory, played by the stand-in runtime: the bytes it
// received (by URL for the movie, by path for a picture beside it), what it read of them, the
// events its actions raised, and the picture it painted in the control's window.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "archive/md5.h"
#include "base/stream.h"
#include "tests/flash_control/standin_host.h"
#include "tests/standin_runtime/test_movies.h"
#include "tests/support/message_pump.h"

namespace leafmark::test {
namespace {

std::string Md5(const TBytes& bytes) { return MD5ToHex(MD5Buffer(bytes.data(), bytes.size())); }

// The colour at (x, y) of what the window draws in its client area.
COLORREF PixelOf(HWND window, int x, int y) {
  RECT client{};
  ::GetClientRect(window, &client);
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.right, client.bottom);
  ::ReleaseDC(nullptr, screen);
  const HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::PrintWindow(window, memory, PW_CLIENTONLY);
  const COLORREF pixel = ::GetPixel(memory, x, y);
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  return pixel;
}

class StandinMovie : public StandinHost, public ::testing::WithParamInterface<bool> {
 protected:
  // 550 x 400 pixels at 12 frames a second: a background, a command for the host, and a
  // picture loaded into layer 1 from beside the movie.
  static TBytes Movie(bool compressed) {
    TSwfWriter movie(8, TSwfFrame{0, 11000, 0, 8000}, 12 << 8, 1);
    movie.Background(0x336699)
        .GetUrl("FSCommand:fullscreen", "true")
        .GetUrl("pics/page.png", "_level1")
        .ShowFrame()
        .End();
    return compressed ? movie.Cws() : movie.Fws();
  }
};

TEST_P(StandinMovie, PlaysFromMemoryAndPaintsItsPicture) {
  const bool compressed = GetParam();
  MakeHostedControl();
  std::vector<std::wstring> asked;
  control->OnLoadExternalResourceAsync = [&](TFlashPlayerControl&, const std::wstring& path,
                                             std::unique_ptr<TStream>& stream) {
    std::wstring name = path;
    std::replace(name.begin(), name.end(), L'\\', L'/');
    asked.push_back(name);
    if (name == L"pics/page.png") stream = std::make_unique<TMemoryStream>(TinyPng());
  };

  const TBytes movie = Movie(compressed);
  TMemoryStream source{TBytes(movie)};
  control->PutMovieFromStream(source);
  ASSERT_TRUE(PumpMessagesUntil([&] {
    return std::find(seen.begin(), seen.end(), "ready 4") != seen.end() && !Trace().All("image").empty();
  })) << ::testing::PrintToString(seen);

  const TStandinTrace trace = Trace();
  // The movie by its URL, through the player's moniker, byte for byte as handed over.
  const TStandinEvent* received = nullptr;
  for (const TStandinEvent* event : trace.All("received")) {
    if ((*event)["via"] == "moniker") received = event;
  }
  ASSERT_NE(received, nullptr);
  const std::string url = received->Words.at(0);
  EXPECT_EQ(Wide(url), control->Movie());
  EXPECT_EQ((*received)["bytes"], std::to_string(movie.size()));
  EXPECT_EQ((*received)["md5"], Md5(movie));

  // What it read of it: a compressed movie was inflated first.
  const TStandinEvent& read = trace.One("movie", url);
  EXPECT_EQ(read["signature"], compressed ? "CWS" : "FWS");
  EXPECT_EQ(read["width"], "11000");
  EXPECT_EQ(read["height"], "8000");
  EXPECT_EQ(read["rate"], "12");
  EXPECT_EQ(read["frames"], "1");
  EXPECT_EQ(read["background"], "#336699");

  // Its command reached the application; its picture came by path through a fake handle.
  EXPECT_NE(std::find(seen.begin(), seen.end(), "fscommand fullscreen true"), seen.end());
  const std::string picture = url.substr(0, url.rfind('\\')) + "\\pics\\page.png";
  const TStandinEvent& pictureReceived = trace.One("received", picture);
  EXPECT_EQ(pictureReceived["via"], "file");
  EXPECT_EQ(pictureReceived["md5"], Md5(TinyPng()));
  EXPECT_EQ(trace.One("image", picture)["width"], "4");
  EXPECT_EQ(std::count(asked.begin(), asked.end(), L"pics/page.png"), 1);

  // The 4 x 2 picture fits the window's width, centred over the movie's background.
  RECT client{};
  ::GetClientRect(control->Handle(), &client);
  EXPECT_EQ(PixelOf(control->Handle(), client.right / 2, client.bottom / 2),
            RGB(kTinyPngColour >> 16, (kTinyPngColour >> 8) & 0xFF, kTinyPngColour & 0xFF));
  EXPECT_EQ(PixelOf(control->Handle(), 2, 2), RGB(0x33, 0x66, 0x99));
}

INSTANTIATE_TEST_SUITE_P(Movies, StandinMovie, ::testing::Bool(),
                         [](const auto& movie) { return movie.param ? "Compressed" : "Uncompressed"; });

}  // namespace
}  // namespace leafmark::test
