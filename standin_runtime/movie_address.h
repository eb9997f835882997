// Movie addresses as the runtime meets them: a path ("C:\books\a.swf", "\\server\share\a.swf"),
// a URL with a scheme ("http://host/a.swf", "file:///C:/a.swf"), or a relative reference
// ("pages/1.jpg", "../a.swf", "/root.swf") taken against the movie that asked for it.
// Portable C++.
#pragma once

#include <string>
#include <string_view>

namespace standin {

enum class TAddressKind { Path, Url, Relative };

TAddressKind AddressKind(std::wstring_view address);

// reference taken against base: an absolute reference as it is; a relative one joined to
// base's folder (a path with "\", a URL with "/"), with "." and ".." segments resolved and
// never climbing above the root. With an empty base the reference is returned unchanged.
std::wstring ResolveAddress(std::wstring_view base, std::wstring_view reference);

}  // namespace standin
