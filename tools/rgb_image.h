// A picture of 8-bit RGB pixels in memory, rows top to bottom.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace leafmark::tools {

class TRgbImage {
 public:
  TRgbImage(unsigned width, unsigned height, std::uint32_t rgb = 0) : width_(width), height_(height) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
      throw std::invalid_argument("a picture is 1 to 16384 pixels wide and high");
    }
    pixels_.resize(std::size_t{width} * height * 3);
    Fill(0, 0, width, height, rgb);
  }

  unsigned Width() const { return width_; }
  unsigned Height() const { return height_; }
  // width * 3 bytes a row, R G B.
  const std::vector<std::uint8_t>& Pixels() const { return pixels_; }

  std::uint32_t At(unsigned x, unsigned y) const {
    const std::uint8_t* p = &pixels_.at((std::size_t{y} * width_ + x) * 3);
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
  }

  // The rectangle from (x, y), width w and height h, clipped to the picture.
  void Fill(unsigned x, unsigned y, unsigned w, unsigned h, std::uint32_t rgb) {
    for (unsigned row = y; row < height_ && row - y < h; ++row) {
      for (unsigned column = x; column < width_ && column - x < w; ++column) {
        std::uint8_t* p = &pixels_[(std::size_t{row} * width_ + column) * 3];
        p[0] = static_cast<std::uint8_t>(rgb >> 16);
        p[1] = static_cast<std::uint8_t>(rgb >> 8);
        p[2] = static_cast<std::uint8_t>(rgb);
      }
    }
  }

 private:
  static constexpr unsigned kMaxSide = 16384;
  unsigned width_, height_;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace leafmark::tools
