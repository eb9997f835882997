#include "layer_image.h"

#include <wincodec.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "com_object.h"

namespace standin {

namespace {

constexpr CLSID kImagingFactory = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID kPremultipliedBgra = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x10}};
// A decoded picture larger than this (in pixels) is refused rather than allocated.
constexpr std::uint64_t kMostPixels = 16u << 20;

void Check(HRESULT result, const char* what) {
  if (SUCCEEDED(result)) return;
  char text[96];
  std::snprintf(text, sizeof text, "%s failed with 0x%08lX", what, static_cast<unsigned long>(result));
  throw std::runtime_error(text);
}

class TMemoryDc {
 public:
  explicit TMemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ~TMemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  TMemoryDc(const TMemoryDc&) = delete;
  TMemoryDc& operator=(const TMemoryDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace

std::unique_ptr<TLayerImage> TLayerImage::Decode(std::span<const std::uint8_t> data) {
  if (data.size() > 0xFFFFFFFFu) throw std::runtime_error("the picture is too large");
  TComRef<IWICImagingFactory> factory;
  Check(CoCreateInstance(kImagingFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                         reinterpret_cast<void**>(factory.Put())),
        "creating the imaging factory");
  TComRef<IWICStream> stream;
  Check(factory.Get()->CreateStream(stream.Put()), "creating an imaging stream");
  Check(stream.Get()->InitializeFromMemory(const_cast<BYTE*>(data.data()), static_cast<DWORD>(data.size())),
        "reading the picture from memory");
  TComRef<IWICBitmapDecoder> decoder;
  Check(factory.Get()->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Put()),
        "finding a decoder");
  TComRef<IWICBitmapFrameDecode> frame;
  Check(decoder.Get()->GetFrame(0, frame.Put()), "decoding the first frame");
  UINT width = 0, height = 0;
  Check(frame.Get()->GetSize(&width, &height), "reading the picture's size");
  if (width == 0 || height == 0) throw std::runtime_error("the picture is empty");
  if (std::uint64_t{width} * height > kMostPixels) {
    throw std::runtime_error("the picture is larger than " + std::to_string(kMostPixels) + " pixels");
  }
  TComRef<IWICFormatConverter> converter;
  Check(factory.Get()->CreateFormatConverter(converter.Put()), "creating a format converter");
  Check(converter.Get()->Initialize(frame.Get(), kPremultipliedBgra, WICBitmapDitherTypeNone, nullptr, 0.0,
                                    WICBitmapPaletteTypeCustom),
        "converting the picture");

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC writes rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) throw std::runtime_error("CreateDIBSection failed");
  std::unique_ptr<TLayerImage> image(new TLayerImage(bitmap, width, height));
  const UINT stride = width * 4;
  Check(converter.Get()->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)),
        "copying the picture's pixels");
  return image;
}

TLayerImage::~TLayerImage() { DeleteObject(bitmap_); }

void TLayerImage::Paint(HDC dc, const RECT& bounds) const {
  const LONG boundsWidth = bounds.right - bounds.left;
  const LONG boundsHeight = bounds.bottom - bounds.top;
  if (boundsWidth <= 0 || boundsHeight <= 0) return;
  // The smaller of the two scales, in 64-bit so that large bounds do not overflow.
  LONG width = boundsWidth;
  LONG height = static_cast<LONG>(std::int64_t{height_} * boundsWidth / width_);
  if (height > boundsHeight) {
    height = boundsHeight;
    width = static_cast<LONG>(std::int64_t{width_} * boundsHeight / height_);
  }
  if (width <= 0 || height <= 0) return;
  TMemoryDc source(dc);
  if (!source.Get()) return;
  const HGDIOBJ old = SelectObject(source.Get(), bitmap_);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, bounds.left + (boundsWidth - width) / 2, bounds.top + (boundsHeight - height) / 2, width, height,
             source.Get(), 0, 0, static_cast<int>(width_), static_cast<int>(height_), blend);
  SelectObject(source.Get(), old);
}

}  // namespace standin
