#include "movie_address.h"

#include <vector>

namespace standin {

namespace {

bool IsAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Length of the root that ".." never climbs above: "C:\", "\\server\share\", "http://host/".
std::size_t RootLength(std::wstring_view address, TAddressKind kind) {
  if (kind == TAddressKind::Path) {
    if (IsAlpha(address[0])) return 3;
    std::size_t slashes = 0;  // "\\server\share\"
    for (std::size_t i = 2; i < address.size(); ++i) {
      if (IsSeparator(address[i]) && ++slashes == 2) return i + 1;
    }
    return address.size();
  }
  const std::size_t colon = address.find(L':');
  if (address.substr(colon + 1, 2) != L"//") return colon + 1;
  const std::size_t end = address.find(L'/', colon + 3);
  return end == std::wstring_view::npos ? address.size() : end + 1;
}

// Resolves "." and ".." in path (segments separated by separator), keeping a final empty
// segment, so that "a/b/" stays a folder.
std::wstring Normalize(std::wstring_view path, wchar_t separator) {
  std::vector<std::wstring_view> segments;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find(separator, start);
    const std::wstring_view segment = path.substr(start, end == std::wstring_view::npos ? path.npos : end - start);
    const bool last = end == std::wstring_view::npos;
    if (segment == L"..") {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.emplace_back();
    } else if (segment == L".") {
      if (last) segments.emplace_back();
    } else {
      segments.push_back(segment);
    }
    if (last) break;
    start = end + 1;
  }
  std::wstring joined;
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (i) joined += separator;
    joined += segments[i];
  }
  return joined;
}

}  // namespace

TAddressKind AddressKind(std::wstring_view address) {
  if (address.size() >= 3 && IsAlpha(address[0]) && address[1] == L':' && IsSeparator(address[2])) {
    return TAddressKind::Path;
  }
  if (address.size() >= 2 && address[0] == L'\\' && address[1] == L'\\') return TAddressKind::Path;
  // A scheme of two letters or more; one letter is a drive.
  std::size_t i = 0;
  while (i < address.size() && (IsAlpha(address[i]) || (i > 0 && (IsDigit(address[i]) || address[i] == L'+' ||
                                                                    address[i] == L'-' || address[i] == L'.')))) {
    ++i;
  }
  if (i >= 2 && i < address.size() && address[i] == L':') return TAddressKind::Url;
  return TAddressKind::Relative;
}

std::wstring ResolveAddress(std::wstring_view base, std::wstring_view reference) {
  if (base.empty() || AddressKind(reference) != TAddressKind::Relative) return std::wstring(reference);
  const TAddressKind baseKind = AddressKind(base);
  if (baseKind == TAddressKind::Relative) {
    const std::size_t folder = base.find_last_of(L"\\/");
    std::wstring joined(folder == base.npos ? std::wstring_view() : base.substr(0, folder + 1));
    return joined.append(reference);
  }

  const wchar_t separator = baseKind == TAddressKind::Path ? L'\\' : L'/';
  std::wstring relative(reference);
  for (wchar_t& c : relative) {
    if (IsSeparator(c)) c = separator;
  }
  std::wstring_view cleanBase = base;
  if (baseKind == TAddressKind::Url) cleanBase = cleanBase.substr(0, cleanBase.find_first_of(L"?#"));
  const std::size_t root = RootLength(cleanBase, baseKind);

  std::wstring path;  // below the root
  if (!relative.empty() && relative[0] == separator) {
    if (baseKind == TAddressKind::Url && relative.size() > 1 && relative[1] == L'/') {
      return std::wstring(base.substr(0, base.find(L':') + 1)) + relative;  // "//host/x"
    }
    path = relative.substr(1);
  } else {
    const std::size_t folder = cleanBase.find_last_of(separator);
    if (folder != std::wstring_view::npos && folder + 1 > root) {
      path = std::wstring(cleanBase.substr(root, folder + 1 - root));
    }
    path += relative;
  }
  // A query or fragment of the reference is kept as it is.
  std::wstring tail;
  if (baseKind == TAddressKind::Url) {
    const std::size_t query = path.find_first_of(L"?#");
    if (query != std::wstring::npos) {
      tail = path.substr(query);
      path.resize(query);
    }
  }
  std::wstring resolved(cleanBase.substr(0, root));
  const bool hasAuthority = baseKind == TAddressKind::Url && cleanBase.substr(cleanBase.find(L':') + 1, 2) == L"//";
  if (resolved.back() != separator && (baseKind == TAddressKind::Path || hasAuthority)) resolved += separator;
  return resolved + Normalize(path, separator) + tail;
}

}  // namespace standin
