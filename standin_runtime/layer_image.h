// A picture loaded into a layer (JPEG, PNG or GIF), decoded with the system's imaging codecs
// (WIC) into a premultiplied 32-bit bitmap and painted scaled to fit, keeping its shape.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>

namespace standin {

class TLayerImage {
 public:
  // Throws std::runtime_error with what failed. COM must be initialised on the thread.
  static std::unique_ptr<TLayerImage> Decode(std::span<const std::uint8_t> data);
  ~TLayerImage();
  TLayerImage(const TLayerImage&) = delete;
  TLayerImage& operator=(const TLayerImage&) = delete;

  UINT Width() const { return width_; }
  UINT Height() const { return height_; }

  // As large as fits in bounds, centred, blended over what is there.
  void Paint(HDC dc, const RECT& bounds) const;

 private:
  TLayerImage(HBITMAP bitmap, UINT width, UINT height) : bitmap_(bitmap), width_(width), height_(height) {}

  HBITMAP bitmap_;
  UINT width_;
  UINT height_;
};

}  // namespace standin
