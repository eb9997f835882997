// index.html of an exported book. Everything it needs lies beside it: Ruffle in "ruffle/",
// the book's files under their own names, so any server of static files can serve it.
#include "tools/web_page.h"

namespace leafmark::pack {

namespace {

// A JavaScript string literal of text that cannot close the script element it is in.
std::string ScriptString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '<') {
      out += "\\u003c";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[(c >> 4) & 0xF];
      out += kHex[c & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

constexpr const char* kHead = R"(<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<meta name="generator" content="leafmark-pack export-web">
<link rel="icon" href="data:,">
<title>)";

constexpr const char* kStyleAndBody = R"(</title>
<style>
  html, body { margin: 0; width: 100%; height: 100%; overflow: hidden; background: #000; }
  #book { position: fixed; inset: 0; }
  #book > * { display: block; width: 100%; height: 100%; }
  #message { position: fixed; inset: 0; display: flex; align-items: center; justify-content: center;
             padding: 2em; background: #222; color: #eee; font: 18px/1.5 sans-serif; text-align: center; }
  #full-screen { position: fixed; top: 1em; left: 50%; transform: translateX(-50%); z-index: 1;
                 padding: 0.6em 1.2em; border: 0; border-radius: 0.4em; background: #fff; color: #000;
                 font: 16px/1.4 sans-serif; cursor: pointer; box-shadow: 0 0.2em 1em rgba(0, 0, 0, 0.5); }
  #full-screen small { display: block; color: #555; }
  [hidden] { display: none !important; }
</style>
</head>
<body>
<div id="book"></div>
<button id="full-screen" type="button" hidden>Play in full screen<small>A browser enters full screen only when you ask for it. Esc leaves it.</small></button>
<div id="message" role="alert" hidden></div>
<noscript><div id="message">This book plays with Ruffle, which needs JavaScript.</div></noscript>
<script>
"use strict";
)";

constexpr const char* kScript = R"(<script>
"use strict";
(function () {
  const book = document.getElementById("book");
  const message = document.getElementById("message");
  const offer = document.getElementById("full-screen");

  function showMessage(text) {
    message.textContent = text;
    message.hidden = false;
    book.hidden = true;
    offer.hidden = true;
  }

  // Full screen needs a user gesture: when the movie asks without one, the button asks the reader.
  function enterFullScreen() {
    if (document.fullscreenElement) return;
    const root = document.documentElement;
    const request = root.requestFullscreen ? root.requestFullscreen() : Promise.reject(new Error("no full screen"));
    request.then(function () { offer.hidden = true; }, function () { offer.hidden = false; });
  }
  function leaveFullScreen() {
    offer.hidden = true;
    if (document.fullscreenElement) document.exitFullscreen().catch(function () {});
  }
  offer.addEventListener("click", function () { offer.hidden = true; enterFullScreen(); });
  document.addEventListener("keydown", function (event) {
    if (event.key === "Escape") leaveFullScreen();
  }, true);

  if (movie === null) {
    showMessage("This book has no main movie (\"book.swf\"), so there is nothing to play.");
    return;
  }
  if (location.protocol === "file:") {
    showMessage("Open this page through a web server (any server of static files will do): " +
                "browsers do not let Ruffle start from a file opened directly.");
    return;
  }
  const ruffle = window.RufflePlayer && typeof window.RufflePlayer.newest === "function"
      ? window.RufflePlayer.newest() : null;
  if (!ruffle) {
    showMessage("Ruffle, the Flash player this page plays the book with, could not be loaded " +
                "from \"" + rufflePath + "/ruffle.js\".");
    return;
  }
  let player;
  try {
    player = ruffle.createPlayer();
  } catch (error) {
    showMessage("Ruffle cannot start: " + error);
    return;
  }
  player.id = "player";
  book.appendChild(player);
  const api = player.ruffle();
  // The book's one command: "fullscreen" with "true" or "false", exactly as written.
  api.addFSCommandHandler(function (command, args) {
    if (command === "fullscreen" && args === "true") enterFullScreen();
    else if (command === "fullscreen" && args === "false") leaveFullScreen();
  });
  api.load({ url: movie }).catch(function (error) {
    showMessage("Ruffle cannot play this book: " + error);
  });
  if (fullScreenAtStart) offer.hidden = false;
})();
</script>
</body>
</html>
)";

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string WebPageHtml(const TWebPageFacts& facts) {
  std::string page = kHead;
  page += EscapeHtml(facts.TitleUtf8);
  page += kStyleAndBody;
  // Ruffle reads its settings as it loads: no polyfilling of other content, its files from
  // this folder only, no splash or unmute overlay in front of the book, and script access,
  // without which the movie's FSCommand never reaches the page.
  page += "window.RufflePlayer = window.RufflePlayer || {};\n"
          "window.RufflePlayer.config = {\n"
          "  publicPath: " + ScriptString(std::string(kRuffleFolder) + "/") + ",\n"
          "  polyfills: false,\n"
          "  allowScriptAccess: true,\n"
          "  autoplay: \"on\",\n"
          "  unmuteOverlay: \"hidden\",\n"
          "  splashScreen: false,\n"
          "  letterbox: \"off\",\n"
          "  allowFullscreen: true,\n"
          "  showSwfDownload: false,\n"
          "  warnOnUnsupportedContent: false,\n"
          "};\n";
  page += "const movie = " + (facts.Movie ? ScriptString(*facts.Movie) : std::string("null")) + ";\n";
  page += "const rufflePath = " + ScriptString(kRuffleFolder) + ";\n";
  page += std::string("const fullScreenAtStart = ") + (facts.OfferFullScreen ? "true" : "false") + ";\n";
  page += "</script>\n<script src=\"" + EscapeHtml(kRuffleFolder) + "/ruffle.js\"></script>\n";
  page += kScript;
  return page;
}

}  // namespace leafmark::pack
