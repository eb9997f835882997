// Writes the browser test's movie: a 640 x 480 stage of one colour that asks for full screen
// as it starts (no user gesture: a browser may refuse), unless told to stay quiet, and answers
// keys with the book's command: Enter "fullscreen" "true", "q" "fullscreen" "false".
//   web_test_movie OUT.swf RRGGBB [quiet]
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/swf_writer.h"

int main(int argc, char** argv) {
  using leafmark::tools::TSwfActions;
  using leafmark::tools::TSwfWriter;
  if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "quiet")) {
    std::fprintf(stderr, "usage: web_test_movie OUT.swf RRGGBB [quiet]\n");
    return 2;
  }
  TSwfActions start;
  if (argc == 3) start.FsCommand("fullscreen", "true");
  const auto colour = static_cast<std::uint32_t>(std::stoul(argv[2], nullptr, 16));
  TSwfWriter movie(8, {0, 640 * 20, 0, 480 * 20}, 12 << 8, 1);  // 12 frames a second, 8.8 fixed point
  movie.Background(colour)
      .KeyButton(1, 2, {{13, TSwfActions().FsCommand("fullscreen", "true")},
                        {'q', TSwfActions().FsCommand("fullscreen", "false")}})
      .Place(1, 1)
      .DoAction(start.Stop())
      .ShowFrame()
      .End();
  const leafmark::tools::TBytes bytes = movie.Fws();
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
