// The sample book: numbered page pictures, the settings file, and a main movie that shows one
// page at a time and turns pages on key presses.
#pragma once

#include <string>

#include "tools/swf_writer.h"

namespace leafmark::tools {

inline constexpr unsigned kMaxSamplePages = 99;
inline constexpr const char* kDefaultSampleCaption = "Leafmark sample book";

struct TSampleBookOptions {
  unsigned Pages = 5;  // 1 to kMaxSamplePages
  std::string Caption = kDefaultSampleCaption;
  bool Force = false;  // write into a folder that is not empty
};

// "pages/<page>.png", the book's name for a page picture (pages count from 1).
std::string SamplePageName(unsigned page);

// The main movie (book.swf): 800 x 600 pixels, 12 frames a second, one frame a page. Frame 1
// holds a button whose keys turn the pages (Right and Page Down: next; Left and Page Up:
// previous; Home: first; End: last; f or F: full screen; Escape: back to the window); every
// frame loads its page's picture into level 1 and stops.
TBytes SampleBookMovie(unsigned pages);

// ExeConfig.xml: caption, a window of 800 x 600. The caption must be UTF-8 text without
// control characters (std::invalid_argument otherwise).
std::string SampleExeConfig(const std::string& caption);

// Writes the book's files below dir (made if missing): the pages first, book.swf last, each
// through a temporary file, so an interrupted run never leaves a half-written file nor a
// book.swf without its pages. Refuses a dir that is not empty unless options.Force; forced,
// it replaces the book's own files, removes page pictures beyond the new last page, and leaves
// other files alone. Throws std::invalid_argument for bad options, std::runtime_error naming
// the path that failed.
void WriteSampleBook(const std::string& dir, const TSampleBookOptions& options);

}  // namespace leafmark::tools
