// Movie URLs: the made-up addresses under which movies handed over as bytes are played, and
// their mapping back to a movie id and a path relative to the movie. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace leafmark::content {

// Case-sensitive marker that identifies a movie URL anywhere in a URL or file path.
inline constexpr std::wstring_view FakeURLMarker = L"46A10F369771449587DE913EFC0A258C";
// Last segment of every generated movie URL.
inline constexpr std::wstring_view FakeMovieName = L"E4ED7C01D28A43418DBF2CB92CC35E56.swf";
// Announced before every real movie URL. It lacks the marker's last character, so it never
// parses as a movie URL.
inline constexpr std::wstring_view DummyMovieURL = L"file://46A10F369771449587DE913EFC0A258";

// "Z:\FromMemory\<marker>\<id>\<movie name>".
std::wstring MakeFakeURL(std::int32_t id);

// Finds the marker (after turning every "\" into "/"), skips the one character after it, and
// splits the rest at its first "/" into the id and the relative path (which may be empty or
// contain further "/"). False when the marker is missing, nothing or no "/" follows, or the
// id segment is not a decimal 32-bit number (a folder name standing where the id stood).
bool ParseFakeURL(std::wstring_view url, std::int32_t& id, std::wstring& relativePath);

// Two movie URLs are the same when their ids and relative paths (letter case significant)
// match; a movie URL never equals another URL; two other URLs compare as text.
bool SameURL(std::wstring_view a, std::wstring_view b);

}  // namespace leafmark::content
