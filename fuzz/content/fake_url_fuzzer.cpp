// Feeds two URLs (UTF-16 code units, split at the first zero unit) to ParseFakeURL and
// SameURL and checks what must hold for any input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "content/fake_url.h"

using namespace leafmark::content;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::wstring urls[2];
  int current = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (unit == 0 && current == 0) {
      current = 1;
      continue;
    }
    urls[current] += unit;
  }
  const std::wstring& a = urls[0];
  const std::wstring& b = urls[1];

  std::int32_t id = 0;
  std::wstring relativePath;
  if (ParseFakeURL(a, id, relativePath)) {
    // What was parsed out comes back from a URL made of it.
    const std::wstring rebuilt =
        L"Z:/" + std::wstring(FakeURLMarker) + L"/" + std::to_wstring(id) + L"/" + relativePath;
    std::int32_t againId = 0;
    std::wstring againPath;
    Require(ParseFakeURL(rebuilt, againId, againPath));
    Require(againId == id && againPath == relativePath);
    Require(relativePath.find(L'\\') == std::wstring::npos);
    Require(SameURL(a, rebuilt));
    std::wstring movieName;
    Require(ParseFakeURL(MakeFakeURL(id), againId, movieName));
    Require(againId == id && movieName == FakeMovieName);
  }
  Require(SameURL(a, a));
  Require(SameURL(a, b) == SameURL(b, a));
  return 0;
}
