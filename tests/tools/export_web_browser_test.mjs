// The one browser test: leafmark-pack export-web writes a folder, a static server on the
// loopback address serves it, headless Chromium plays it with Ruffle. Checks what a reader
// sees: the title, the player, the movie's background colour where the movie is, the sample
// book's pages (pictures its movie asks the server for by name), no error on the console, the
// movie's "fullscreen" command and Esc, and the messages of a book without a main movie and of
// a server without Ruffle's files. Exit 0 pass, 1 fail, 77 skipped (no Chromium).
//   node export_web_browser_test.mjs --pack PACKER --movie-writer WRITER --sample-book WRITER
//                                    --node-modules DIR [--chromium PATH]
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import { createRequire } from "node:module";
import os from "node:os";
import path from "node:path";
import zlib from "node:zlib";

const options = {};
for (let k = 2; k + 1 < process.argv.length; k += 2) options[process.argv[k].replace(/^--/, "")] = process.argv[k + 1];
const chromiumPath = options.chromium || process.env.LEAFMARK_CHROMIUM || "/usr/bin/chromium";
if (!fs.existsSync(chromiumPath)) {
  console.log(`SKIPPED: no Chromium at ${chromiumPath} (scripts/setup installs Debian's chromium)`);
  process.exit(77);
}
let chromium;
try {
  ({ chromium } = createRequire(path.join(path.resolve(options["node-modules"]), "noop.js"))("playwright-core"));
} catch (error) {
  console.log(`FAIL: playwright-core is not in ${options["node-modules"]} (scripts/setup installs it): ${error.message}`);
  process.exit(1);
}

const failures = [];
function check(condition, what) {
  console.log(`${condition ? "ok  " : "FAIL"} ${what}`);
  if (!condition) failures.push(what);
}

function run(program, ...args) {
  const result = spawnSync(program, args, { encoding: "utf8" });
  if (result.status !== 0) throw new Error(`${program} ${args.join(" ")}: exit ${result.status}\n${result.stdout}${result.stderr}`);
  return result.stdout;
}

const kColour = [0x33, 0x66, 0xcc];
const kCaption = "B\u00fccher \u00fcber B\u00e4ume";

// A packed book of the test movie, and a folder without a main movie, each exported.
function makeExports(work) {
  const bookDir = path.join(work, "book");
  fs.mkdirSync(bookDir);
  run(options["movie-writer"], path.join(bookDir, "book.swf"), "3366CC");
  fs.writeFileSync(path.join(bookDir, "ExeConfig.xml"),
                   `<?xml version="1.0" encoding="UTF-8"?>\r\n<ExeConfig><ExeCaption><![CDATA[${kCaption}]]></ExeCaption>` +
                   "<WindowOpenMode>1</WindowOpenMode><WindowOpenWidth>640</WindowOpenWidth>" +
                   "<WindowOpenHeight>480</WindowOpenHeight></ExeConfig>\r\n");
  fs.writeFileSync(path.join(work, "player.exe"), "MZ pretend player");
  const packed = path.join(work, "book.exe");
  run(options.pack, "create", "--player", path.join(work, "player.exe"), "--out", packed, bookDir);
  run(options.pack, "export-web", packed, "--to", path.join(work, "site", "book"));

  const fullScreen = path.join(work, "full-screen-book");
  fs.cpSync(bookDir, fullScreen, { recursive: true });
  run(options["movie-writer"], path.join(fullScreen, "book.swf"), "3366CC", "quiet");  // the button alone asks
  const settings = path.join(fullScreen, "ExeConfig.xml");
  fs.writeFileSync(settings, fs.readFileSync(settings, "utf8").replace("<WindowOpenMode>1<", "<WindowOpenMode>3<"));
  run(options.pack, "export-web", fullScreen, "--to", path.join(work, "site", "full-screen"));

  // The sample book: its movie asks the server for its page pictures by their names.
  run(options["sample-book"], "--to", path.join(work, "sample"));
  run(options.pack, "export-web", path.join(work, "sample"), "--to", path.join(work, "site", "sample"));

  const noMovie = path.join(work, "no-movie");
  fs.mkdirSync(noMovie);
  fs.writeFileSync(path.join(noMovie, "page.jpg"), "not a movie");
  run(options.pack, "export-web", noMovie, "--to", path.join(work, "site", "no-movie"));

  // Ruffle broken on the server: its WebAssembly missing, or its loader.
  for (const [site, broken] of [["no-wasm", /\.wasm$/], ["no-loader", /^ruffle\.js$/]]) {
    const ruffle = path.join(work, "site", site, "ruffle");
    run(options.pack, "export-web", packed, "--to", path.join(work, "site", site));
    for (const name of fs.readdirSync(ruffle)) if (broken.test(name)) fs.rmSync(path.join(ruffle, name));
  }
  return path.join(work, "site");
}

const kTypes = { ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".wasm": "application/wasm",
                 ".swf": "application/x-shockwave-flash", ".xml": "text/xml" };

// A server of static files, nothing more, as a publisher's web host would be.
function serve(root) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, "http://x").pathname);
    const file = path.join(root, path.normalize(name).replace(/^(\.\.[/\\])+/, ""));
    fs.readFile(file.endsWith(path.sep) ? path.join(file, "index.html") : file, (error, bytes) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, { "Content-Type": kTypes[path.extname(file)] || "application/octet-stream" });
      response.end(bytes);
    });
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// The colour of one pixel of a PNG screenshot (8-bit RGB or RGBA, not interlaced).
function pngPixel(png, x, y) {
  const width = png.readUInt32BE(16), depth = png[24], type = png[25];
  if (depth !== 8 || (type !== 2 && type !== 6) || png[28] !== 0) throw new Error("unexpected PNG format");
  const channels = type === 6 ? 4 : 3, stride = width * channels;
  const parts = [];
  for (let at = 8; at < png.length;) {
    const length = png.readUInt32BE(at), kind = png.toString("latin1", at + 4, at + 8);
    if (kind === "IDAT") parts.push(png.subarray(at + 8, at + 8 + length));
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(parts));
  let previous = Buffer.alloc(stride), row = Buffer.alloc(stride);
  for (let r = 0; r <= y; ++r) {
    const filter = raw[r * (stride + 1)], line = raw.subarray(r * (stride + 1) + 1, (r + 1) * (stride + 1));
    row = Buffer.alloc(stride);
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? row[i - channels] : 0, b = previous[i], c = i >= channels ? previous[i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predictor = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      row[i] = (line[i] + predictor) & 0xff;
    }
    previous = row;
  }
  return [row[x * channels], row[x * channels + 1], row[x * channels + 2]];
}

async function waitFor(page, test, what, timeout = 20000) {
  try {
    await page.waitForFunction(test, null, { timeout });
    return true;
  } catch {
    console.log(`     (timed out waiting for ${what})`);
    return false;
  }
}

// Whether the page shows colour at x, y within 20 seconds; says what it showed when not.
async function showsColour(page, colour, x, y) {
  let seen = null;
  for (let tries = 0; tries < 80; ++tries) {
    seen = pngPixel(await page.screenshot(), x, y);
    if (seen.every((value, k) => Math.abs(value - colour[k]) <= 4)) return true;
    await page.waitForTimeout(250);
  }
  console.log(`     (at ${x},${y} the page shows ${seen}, not ${colour})`);
  return false;
}

async function main() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), "leafmark-web-"));
  const started = Date.now();
  const site = makeExports(work);
  const server = await serve(site);
  const base = `http://127.0.0.1:${server.address().port}`;
  const browser = await chromium.launch({
    executablePath: chromiumPath,
    headless: true,
    args: ["--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--disable-gpu-sandbox"],
  });
  try {
    const page = await browser.newPage({ viewport: { width: 800, height: 600 } });
    const errors = [];
    const log = [];
    page.on("console", (message) => {
      log.push(`${message.type()}: ${message.text()}`);
      if (message.type() === "error") errors.push(message.text());
    });
    page.on("pageerror", (error) => errors.push(String(error)));
    page.on("response", (response) => { if (response.status() >= 400) errors.push(`${response.status()} ${response.url()}`); });

    await page.goto(`${base}/book/index.html`);
    check(await page.title() === kCaption, `the title is the caption (${JSON.stringify(await page.title())})`);
    const playing = await waitFor(page, () => {
      const player = document.getElementById("player");
      return player && player.ruffle().metadata !== null;
    }, "Ruffle to load the movie");
    check(playing, "the player element exists and Ruffle loaded book.swf");
    check(await showsColour(page, kColour, 400, 300), "the movie's background colour fills the window");
    // Headless Chromium sometimes grants full screen without a gesture; a browser that does not
    // gets the button instead. Either way the command is answered.
    check(await waitFor(page, () => document.fullscreenElement !== null || !document.getElementById("full-screen").hidden,
                        "full screen or the button"),
          "the movie's \"fullscreen\" command as it starts brings full screen or the full-screen button");
    await page.keyboard.press("Escape");
    check(await waitFor(page, () => document.fullscreenElement === null && document.getElementById("full-screen").hidden,
                        "Esc"),
          "Esc leaves full screen and puts the button away");

    // Keys reach the movie's button once it has the focus; a key press is a user gesture.
    await page.mouse.click(400, 300);
    await page.keyboard.press("Enter");
    check(await waitFor(page, () => document.fullscreenElement !== null, "full screen"),
          "\"fullscreen\" \"true\" from a key press enters full screen");
    await page.keyboard.press("q");
    check(await waitFor(page, () => document.fullscreenElement === null, "leaving full screen"),
          "\"fullscreen\" \"false\" leaves it");
    await page.keyboard.press("Enter");
    await waitFor(page, () => document.fullscreenElement !== null, "full screen");
    await page.keyboard.press("Escape");
    check(await waitFor(page, () => document.fullscreenElement === null, "Esc"),
          "Esc leaves the full screen the movie asked for");
    check(errors.length === 0, `no error on the console (${errors.join(" | ")})`);

    // The sample book shows page 1's picture, fetched from the server, and turns to page 2.
    const sample = await browser.newPage({ viewport: { width: 800, height: 600 } });
    const sampleErrors = [];
    sample.on("console", (message) => { if (message.type() === "error") sampleErrors.push(message.text()); });
    sample.on("response", (response) => { if (response.status() >= 400) sampleErrors.push(`${response.status()} ${response.url()}`); });
    await sample.goto(`${base}/sample/index.html`);
    const pagePixel = (n) => pngPixel(fs.readFileSync(path.join(site, "sample", "pages", `${n}.png`)), 100, 300);
    check(await showsColour(sample, pagePixel(1), 100, 300), "the sample book shows its first page's picture");
    await sample.mouse.click(400, 300);
    await sample.keyboard.press("ArrowRight");
    check(await showsColour(sample, pagePixel(2), 100, 300), "and turns to the second page with the right arrow key");
    check(sampleErrors.length === 0, `no error on the sample book's console (${sampleErrors.join(" | ")})`);

    // A book whose window mode is full screen: the button is there from the start.
    const full = await browser.newPage();
    await full.goto(`${base}/full-screen/index.html`);
    check(await waitFor(full, () => !document.getElementById("full-screen").hidden, "the button"),
          "window mode 3 offers full screen at once");
    await full.click("#full-screen");
    check(await waitFor(full, () => document.fullscreenElement !== null, "full screen"), "the button enters full screen");

    const empty = await browser.newPage();
    await empty.goto(`${base}/no-movie/index.html`);
    const message = await empty.textContent("#message");
    check(await empty.isVisible("#message") && message.includes("no main movie"),
          `a book without book.swf says so (${JSON.stringify(message)})`);
    check(await empty.$("#player") === null, "and starts no player");

    for (const [site, says] of [["no-wasm", "Ruffle cannot play this book"], ["no-loader", "could not be loaded"]]) {
      const broken = await browser.newPage();
      await broken.goto(`${base}/${site}/index.html`);
      const shown = await waitFor(broken, () => !document.getElementById("message").hidden, "the message");
      const text = await broken.textContent("#message");
      check(shown && text.includes(says), `without Ruffle's ${site.slice(3)} the page says so (${JSON.stringify(text)})`);
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  console.log(`browser test took ${((Date.now() - started) / 1000).toFixed(1)} s`);
  if (failures.length) {
    console.log(`${failures.length} check(s) failed`);
    process.exit(1);
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
