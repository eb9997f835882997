// What the tests build movies from: the project's SWF writer, under the tests' namespace, and
// a tiny picture to load beside the movies.
#pragma once

#include "tools/swf_writer.h"

namespace leafmark::test {

using tools::ActionGetUrl;
using tools::SwfRect;
using tools::TBytes;
using tools::TSwfActions;
using tools::TSwfFrame;
using tools::TSwfKeyAction;
using tools::TSwfWriter;
namespace swf_key = tools::swf_key;

// A 4 x 2 PNG of one opaque colour, kTinyPngColour (0xRRGGBB), for loads into layers.
const TBytes& TinyPng();
inline constexpr std::uint32_t kTinyPngColour = 0xE02040;

}  // namespace leafmark::test
