// The page of a book exported for the web: it plays the main movie with Ruffle, filling the
// browser's window, and answers the movie's "fullscreen" command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace leafmark::pack {

// Where the page loads Ruffle from, relative to the page.
inline constexpr const char* kRuffleFolder = "ruffle";
inline constexpr const char* kWebPageName = "index.html";

struct TWebPageFacts {
  std::string TitleUtf8;              // the caption, or the player's own "Leafmark"
  std::optional<std::string> Movie;   // the main movie's name in the export; none: the book has none
  bool OfferFullScreen = false;       // the settings ask for full screen (modes 3 and 4)
};

std::string WebPageHtml(const TWebPageFacts& facts);

// text with &, <, >, " and ' written as references, for HTML text and attribute values.
std::string EscapeHtml(std::string_view text);

}  // namespace leafmark::pack
