// Drives the web page in Debian's Chromium for the tests: a static server on
// localhost for the page's folder, the browser started headless through
// puppeteer-core, and what the tests do with the page: screenshots of an
// element as pixels, keys, clicks, the accessibility tree. Also a small
// harness: cases grouped in one file, each failure printed, the exit status
// the number of failed cases.
//
// VELMO_NODE_MODULES names the folder whose node_modules holds
// puppeteer-core (npm ci of tests/web/package.json, done by the build).
import { createRequire } from "node:module";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import zlib from "node:zlib";
import childProcess from "node:child_process";

const modules = process.env.VELMO_NODE_MODULES;
if (!modules)
  throw new Error("VELMO_NODE_MODULES is not set");
const require = createRequire(path.resolve(modules, "package.json"));
const puppeteer = require("puppeteer-core");

export const CHROMIUM = process.env.VELMO_CHROMIUM || "/usr/bin/chromium";

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".mjs": "text/javascript; charset=utf-8",
  ".css": "text/css; charset=utf-8",
  ".wasm": "application/wasm",
  ".webmanifest": "application/manifest+json",
  ".json": "application/json",
  ".png": "image/png",
  ".svg": "image/svg+xml",
  ".ico": "image/x-icon",
};

// Serves root on a free port of localhost. requests lists every path asked
// for; offline() makes every later request fail, as without a network.
export function serve(folder) {
  const root = path.resolve(folder);
  const requests = [];
  let offline = false;
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, "http://localhost");
    requests.push(url.pathname);
    if (offline) {
      req.socket.destroy();
      return;
    }
    let file = path.join(root, decodeURIComponent(url.pathname));
    if (!file.startsWith(root)) {
      res.writeHead(403).end();
      return;
    }
    if (fs.existsSync(file) && fs.statSync(file).isDirectory())
      file = path.join(file, "index.html");
    fs.readFile(file, (err, data) => {
      if (err) {
        res.writeHead(404).end();
        return;
      }
      res.writeHead(200, {
        "Content-Type": TYPES[path.extname(file)] || "application/octet-stream",
        "Cache-Control": "no-cache",
      });
      res.end(data);
    });
  });
  return new Promise(resolve => {
    server.listen(0, "127.0.0.1", () => {
      const { port } = server.address();
      resolve({
        url: `http://localhost:${port}/`,
        requests,
        goOffline: () => { offline = true; server.closeAllConnections?.(); },
        close: () => new Promise(done => { server.closeAllConnections?.(); server.close(done); }),
      });
    });
  });
}

// Chromium, headless, with a profile of its own that goes when it closes.
export async function launch({ width = 800, height = 600 } = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "velmo-chromium-"));
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    userDataDir: profile,
    defaultViewport: { width, height, deviceScaleFactor: 1 },
    args: [
      "--no-sandbox", "--disable-gpu", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", "--no-first-run",
      "--force-color-profile=srgb", "--force-device-scale-factor=1",
      "--font-render-hinting=none", "--lang=ja",
    ],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// A new tab that records what the page writes to its console, its errors,
// and every address it asks for.
export async function newPage(browser) {
  const page = await browser.newPage();
  page.consoleLines = [];
  page.errors = [];
  page.addresses = [];
  page.on("console", m => page.consoleLines.push(m.text()));
  page.on("pageerror", e => page.errors.push(String(e)));
  page.on("request", r => page.addresses.push(r.url()));
  return page;
}

// Opens the page and waits until the program shows its first window.
export async function openGame(page, url) {
  await page.goto(url, { waitUntil: "load" });
  await page.waitForSelector("#desktop .slot:not([hidden]) .client button", { timeout: 30000 });
}

// ---- pixels ---------------------------------------------------------------

// A PNG of 8-bit RGB or RGBA rows (as Chromium's screenshots are) as
// { width, height, pixels }, each pixel 0x00BBGGRR, top row first.
export function decodePng(buffer) {
  const sig = "89504e470d0a1a0a";
  if (buffer.subarray(0, 8).toString("hex") !== sig)
    throw new Error("not a PNG");
  let offset = 8, width = 0, height = 0, colorType = 0;
  const data = [];
  while (offset < buffer.length) {
    const length = buffer.readUInt32BE(offset);
    const type = buffer.toString("latin1", offset + 4, offset + 8);
    const body = buffer.subarray(offset + 8, offset + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0)
        throw new Error("only 8-bit PNGs without interlacing");
      colorType = body[9];
    } else if (type === "IDAT") {
      data.push(body);
    } else if (type === "IEND") {
      break;
    }
    offset += 12 + length;
  }
  const channels = colorType === 6 ? 4 : colorType === 2 ? 3 : 0;
  if (!channels)
    throw new Error(`PNG colour type ${colorType}`);
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = rows.subarray(y * stride, (y + 1) * stride);
    const prev = y ? rows.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? out[i - channels] : 0;
      const b = prev[i];
      const c = i >= channels ? prev[i - channels] : 0;
      let v = line[i];
      switch (filter) {
      case 1: v += a; break;
      case 2: v += b; break;
      case 3: v += (a + b) >> 1; break;
      case 4: {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        break;
      }
      default: break;
      }
      out[i] = v & 0xff;
    }
  }
  const pixels = new Uint32Array(width * height);
  for (let i = 0; i < width * height; ++i) {
    const p = i * channels;
    pixels[i] = rows[p] | rows[p + 1] << 8 | rows[p + 2] << 16;
  }
  return { width, height, pixels };
}

// What the screen shows of the element (its border box), pixel for pixel.
export async function screenshotRgb(element) {
  const png = await element.screenshot({ type: "png", omitBackground: false });
  return decodePng(Buffer.from(png));
}

// What the screen shows of a rectangle of the page, in CSS pixels.
export async function screenshotRect(page, rect) {
  const png = await page.screenshot({ type: "png", clip: rect });
  return decodePng(Buffer.from(png));
}

// A binary PPM (P6), as the expected pictures are written.
export function readPpm(file) {
  const data = fs.readFileSync(file);
  const header = data.toString("latin1", 0, 64).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  if (!header)
    throw new Error(`${file} is not a PPM`);
  const width = Number(header[1]), height = Number(header[2]);
  const start = header[0].length;
  const pixels = new Uint32Array(width * height);
  for (let i = 0; i < width * height; ++i) {
    const p = start + i * 3;
    pixels[i] = data[p] | data[p + 1] << 8 | data[p + 2] << 16;
  }
  return { width, height, pixels };
}

// Writes a picture as a PNG-free PPM, to look at what a failed case saw.
export function writePpm(file, picture) {
  const header = Buffer.from(`P6\n${picture.width} ${picture.height}\n255\n`, "latin1");
  const body = Buffer.alloc(picture.width * picture.height * 3);
  picture.pixels.forEach((v, i) => {
    body[i * 3] = v & 0xff;
    body[i * 3 + 1] = (v >> 8) & 0xff;
    body[i * 3 + 2] = (v >> 16) & 0xff;
  });
  fs.writeFileSync(file, Buffer.concat([header, body]));
}

// The pixels of actual that differ from expected (within its rectangle
// at ox, oy of actual, where skip(x, y) is false), as text; "" when none do.
export function difference(actual, expected, { ox = 0, oy = 0, skip = () => false } = {}) {
  if (ox + expected.width > actual.width || oy + expected.height > actual.height)
    return `size ${actual.width}x${actual.height} cannot hold ${expected.width}x${expected.height} at ${ox},${oy}`;
  let count = 0, first = "";
  for (let y = 0; y < expected.height; ++y)
    for (let x = 0; x < expected.width; ++x) {
      if (skip(x, y))
        continue;
      const a = actual.pixels[(y + oy) * actual.width + x + ox], e = expected.pixels[y * expected.width + x];
      if (a !== e) {
        if (!count)
          first = `first at ${x},${y}: ${a.toString(16).padStart(6, "0")} instead of ${e.toString(16).padStart(6, "0")}`;
        ++count;
      }
    }
  return count ? `${count} pixels differ, ${first}` : "";
}

// ---- keys and clicks ---------------------------------------------------------

// "Enter", "Escape", "Tab", "Shift+Tab", "Alt+S", "Space".
export async function press(page, combo) {
  const parts = combo.split("+");
  const key = parts.pop();
  const name = key === "Space" ? " " : key.length === 1 ? `Key${key.toUpperCase()}` : key;
  for (const m of parts)
    await page.keyboard.down(m);
  await page.keyboard.press(name);
  for (const m of parts.reverse())
    await page.keyboard.up(m);
}

// Waits until the program has taken every event given to it and shows the
// result (the page's queue is empty and the program waits for the next).
export async function settle(page) {
  await page.waitForFunction(() => VelmoPage.state().queued === 0, { timeout: 10000 });
  await page.evaluate(() => new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r))));
}

// The element of a control, by the accessible name or text it carries.
export async function control(page, selector) {
  const handle = await page.$(selector);
  if (!handle)
    throw new Error(`no element ${selector}`);
  return handle;
}

// ---- accessibility -------------------------------------------------------------

export async function accessibilityTree(page) {
  return page.accessibility.snapshot({ interestingOnly: false });
}

// Every node of the tree, depth first.
export function* nodes(tree) {
  if (!tree)
    return;
  yield tree;
  for (const child of tree.children || [])
    yield* nodes(child);
}

// ---- harness ---------------------------------------------------------------

const cases = [];

export function testCase(name, run) {
  cases.push({ name, run });
}

export class Failure extends Error {}

export function check(condition, what) {
  if (!condition)
    throw new Failure(what);
}

export function checkEqual(actual, expected, what) {
  const a = JSON.stringify(actual), e = JSON.stringify(expected);
  if (a !== e)
    throw new Failure(`${what}: ${a} instead of ${e}`);
}

// Runs every case (or those whose name contains the first argument) in
// order; prints "N passed, N failed" and sets the exit status.
export async function runCases() {
  const filter = process.argv[2] || "";
  let passed = 0, failed = 0;
  for (const c of cases.filter(c => c.name.includes(filter))) {
    const started = Date.now();
    try {
      await c.run();
      ++passed;
      console.log(`ok   ${c.name} (${Date.now() - started} ms)`);
    } catch (e) {
      ++failed;
      console.log(`FAIL ${c.name}: ${e instanceof Failure ? e.message : e.stack || e}`);
    }
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exitCode = failed || (passed ? 0 : 1);
}

// ---- the game's windows --------------------------------------------------------

// The controls of a window definition (start/frmStart.cpp, game/frmMain.cpp)
// as the source gives them: name, parent and rectangle. Read from the
// source itself, so that the tests follow the definitions.
export function definitionOf(file) {
  const text = fs.readFileSync(path.join(process.env.VELMO_SOURCE, file), "utf8");
  const controls = [];
  for (const m of text.matchAll(/\{\.kind = Kind::(\w+), \.name = "(\w+)",(?: \.parent = "(\w+)",)?\s*\.rect = \{(-?\d+), (-?\d+), (\w+), (\w+)\}/g)) {
    const size = v => /^\d+$/.test(v) ? Number(v) : Number(text.match(new RegExp(`constexpr int ${v} = (\\d+);`))[1]);
    controls.push({ kind: m[1], name: m[2], parent: m[3] || null,
                    rect: [Number(m[4]), Number(m[5]), size(m[6]), size(m[7])] });
  }
  // The move buttons are made by a helper whose rectangle has a fixed size.
  const helper = text.match(/\.rect = \{left, top, (\d+), (\d+)\}/);
  for (const m of text.matchAll(/moveButton\("(\w+)", (\d+), (\d+),/g))
    controls.push({ kind: "GraphicalButton", name: m[1], parent: "picBack",
                    rect: [Number(m[2]), Number(m[3]), Number(helper[1]), Number(helper[2])] });
  if (!controls.length)
    throw new Error(`no controls found in ${file}`);
  return controls;
}

// Where each control of the shown window lies, relative to the window's
// client area, with whether it is shown and its text.
export async function controlsOf(page, form) {
  return page.$$eval(`.frame[data-name="${form}"] .client [data-name]`, elements => {
    const client = elements[0].parentElement.getBoundingClientRect();
    return elements.map(e => {
      const r = e.getBoundingClientRect();
      return { name: e.dataset.name, rect: [r.left - client.left, r.top - client.top, r.width, r.height],
               shown: !e.hidden && getComputedStyle(e).display !== "none", text: e.textContent,
               tag: e.tagName.toLowerCase() };
    });
  });
}

export async function element(page, form, name) {
  return control(page, `.frame[data-name="${form}"] [data-name="${name}"]`);
}

export async function textOf(page, form, name) {
  return page.$eval(`.frame[data-name="${form}"] [data-name="${name}"]`, e => e.textContent);
}

// Opens the page, picks the piece count in the start dialog from the
// keyboard (the list starts at 5) and starts.
export async function startGame(page, url, pieces) {
  await openGame(page, url);
  for (let n = 5; n > pieces; --n)
    await press(page, "ArrowUp");
  for (let n = 5; n < pieces; ++n)
    await press(page, "ArrowDown");
  await settle(page);
  await press(page, "Enter");
  await page.waitForSelector('.frame[data-name="frmMain"] canvas[data-name="picBack"]');
  await settle(page);
}

// Clicks move button i (0 to 5) and waits for the program to take it.
export async function move(page, i) {
  const button = await element(page, "frmMain", `cmdMove${i}`);
  await button.click();
  await settle(page);
}

// The message box, once it is open: its title, text and icon.
export async function messageBox(page) {
  await page.waitForSelector("#msgbox[open]", { timeout: 10000 });
  return page.evaluate(() => ({
    title: document.getElementById("msgbox-title").textContent,
    text: document.getElementById("msgbox-text").textContent,
    icon: document.getElementById("msgbox-icon").getAttribute("src"),
    okFocused: document.activeElement === document.getElementById("msgbox-ok"),
  }));
}

export async function messageBoxClosed(page) {
  await page.waitForSelector("#msgbox:not([open])", { timeout: 10000 });
  await settle(page);
}

// Runs velmo-expected (the facts of tests/common) and reads the picture it
// wrote.
export function expectedPicture(args) {
  fs.mkdirSync(process.env.VELMO_SCRATCH, { recursive: true });
  const out = path.join(process.env.VELMO_SCRATCH, `expected-${args.join("-").replace(/[^\w-]/g, "_")}.ppm`);
  const [command, ...rest] = args;
  const full = command === "board" ? ["board", process.env.VELMO_ASSETS, rest[0], out, ...rest.slice(1)]
                                   : ["bitmap", path.join(process.env.VELMO_ASSETS, rest[0]), out];
  const result = childProcess.spawnSync(process.execPath, [process.env.VELMO_EXPECTED, ...full], { encoding: "utf8" });
  if (result.status !== 0)
    throw new Error(`velmo-expected ${full.join(" ")}: ${result.stderr}`);
  return readPpm(out);
}

export function shortestSolution(pieces, to) {
  const result = childProcess.spawnSync(process.execPath, [process.env.VELMO_EXPECTED, "solution", String(pieces), String(to)],
                                        { encoding: "utf8" });
  return result.stdout.trim().split(/\s+/).map(Number);
}
