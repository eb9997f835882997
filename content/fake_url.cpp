// Movie URL generation, parsing and comparison.
#include "content/fake_url.h"

#include <algorithm>

#include "base/decimal.h"

namespace leafmark::content {
std::wstring MakeFakeURL(std::int32_t id) {
  std::wstring url = L"Z:\\FromMemory\\";
  url += FakeURLMarker;
  url += L'\\';
  url += std::to_wstring(id);
  url += L'\\';
  url += FakeMovieName;
  return url;
}

bool ParseFakeURL(std::wstring_view url, std::int32_t& id, std::wstring& relativePath) {
  std::wstring text(url);
  std::replace(text.begin(), text.end(), L'\\', L'/');
  const std::size_t marker = text.find(FakeURLMarker);
  if (marker == std::wstring::npos) return false;
  // The separator after the marker is skipped without being looked at.
  const std::size_t restStart = marker + FakeURLMarker.size() + 1;
  if (restStart >= text.size()) return false;
  const std::wstring_view rest = std::wstring_view(text).substr(restStart);
  const std::size_t slash = rest.find(L'/');
  if (slash == std::wstring_view::npos) return false;
  const std::optional<std::int32_t> parsedId = ParseSignedDecimal32(rest.substr(0, slash));
  if (!parsedId) return false;
  id = *parsedId;
  relativePath.assign(rest.substr(slash + 1));
  return true;
}

bool SameURL(std::wstring_view a, std::wstring_view b) {
  std::int32_t idA = 0, idB = 0;
  std::wstring pathA, pathB;
  const bool movieA = ParseFakeURL(a, idA, pathA);
  const bool movieB = ParseFakeURL(b, idB, pathB);
  if (movieA && movieB) return idA == idB && pathA == pathB;
  if (movieA || movieB) return false;
  return a == b;
}

}  // namespace leafmark::content
