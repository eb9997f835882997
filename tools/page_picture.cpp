#include "tools/page_picture.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace leafmark::tools {

namespace {

// 5 x 7 digits, one row a byte, the leftmost column in bit 4.
constexpr unsigned kGlyphWidth = 5, kGlyphHeight = 7;
constexpr std::uint8_t kDigits[10][kGlyphHeight] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

constexpr unsigned kMaxScale = 40;     // one font dot at most 40 pixels square
constexpr unsigned kFrameInset = 24;   // the frame's distance from the edge
constexpr unsigned kFrameWidth = 8;
constexpr unsigned kTextMargin = 100;  // between the frame and the digits, at least

std::uint32_t Rgb(double r, double g, double b) {
  const auto channel = [](double value) { return static_cast<std::uint32_t>(std::lround(value * 255.0)); };
  return channel(r) << 16 | channel(g) << 8 | channel(b);
}

// hue in turns (0 to 1), saturation and value 0 to 1.
std::uint32_t FromHsv(double hue, double saturation, double value) {
  const double h = hue * 6.0;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h);
  const double p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
  switch (sector) {
    case 0: return Rgb(value, t, p);
    case 1: return Rgb(q, value, p);
    case 2: return Rgb(p, value, t);
    case 3: return Rgb(p, q, value);
    case 4: return Rgb(t, p, value);
    default: return Rgb(value, p, q);
  }
}

// Steps of the golden ratio around the colour circle keep every page's hue far from the
// pages just before and after it.
double PageHue(unsigned page) {
  if (page == 0) throw std::invalid_argument("pages count from 1");
  const double turns = (page - 1) * 0.6180339887498949;
  return turns - std::floor(turns);
}

void DrawNumber(TRgbImage& image, const std::string& digits, std::uint32_t ink) {
  const unsigned columns = static_cast<unsigned>(digits.size()) * (kGlyphWidth + 1) - 1;
  const unsigned room = kFrameInset + kFrameWidth + kTextMargin;
  const unsigned scale = std::max(1u, std::min({kMaxScale, (image.Width() - 2 * room) / columns,
                                                (image.Height() - 2 * room) / kGlyphHeight}));
  const unsigned width = columns * scale, height = kGlyphHeight * scale;
  const unsigned left = image.Width() > width ? (image.Width() - width) / 2 : 0;
  const unsigned top = image.Height() > height ? (image.Height() - height) / 2 : 0;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const std::uint8_t* glyph = kDigits[digits[i] - '0'];
    const unsigned glyphLeft = left + static_cast<unsigned>(i) * (kGlyphWidth + 1) * scale;
    for (unsigned row = 0; row < kGlyphHeight; ++row) {
      for (unsigned column = 0; column < kGlyphWidth; ++column) {
        if (glyph[row] >> (kGlyphWidth - 1 - column) & 1) {
          image.Fill(glyphLeft + column * scale, top + row * scale, scale, scale, ink);
        }
      }
    }
  }
}

void DrawFrame(TRgbImage& image, unsigned inset, unsigned thickness, std::uint32_t ink) {
  const unsigned w = image.Width() - 2 * inset, h = image.Height() - 2 * inset;
  image.Fill(inset, inset, w, thickness, ink);
  image.Fill(inset, image.Height() - inset - thickness, w, thickness, ink);
  image.Fill(inset, inset, thickness, h, ink);
  image.Fill(image.Width() - inset - thickness, inset, thickness, h, ink);
}

}  // namespace

std::uint32_t PageBackground(unsigned page) { return FromHsv(PageHue(page), 0.30, 0.96); }

std::uint32_t PageInk(unsigned page) { return FromHsv(PageHue(page), 0.70, 0.32); }

TRgbImage PagePicture(unsigned page) {
  TRgbImage image(kPageWidth, kPageHeight, PageBackground(page));
  const std::uint32_t ink = PageInk(page);
  DrawFrame(image, kFrameInset, kFrameWidth, ink);
  DrawFrame(image, kFrameInset + kFrameWidth + 6, 2, ink);  // a thin inner rule
  DrawNumber(image, std::to_string(page), ink);
  return image;
}

}  // namespace leafmark::tools
