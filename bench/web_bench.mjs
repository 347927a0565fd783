// The web build's figures, in Debian's headless Chromium (tests/web/page.mjs
// serves the folders and starts the browser):
//
//   start-up     from the navigation until the start dialog is painted (the
//                frame that first shows its buttons and pictures has been
//                presented): the game's page (SITE) against a plain static
//                page of the same content (BENCH/plain). Also, for
//                information, the same content put in by a program that does
//                nothing else, built as the game is (BENCH/empty): how much
//                of the difference any such program costs. Runs alternate,
//                each the first visit of a fresh browser context (nothing
//                cached, no service worker yet), and the medians are compared.
//   full redraw  the game window's DrawBoard with its canvas update against
//                the floor written straight in JavaScript, in one page
//                (BENCH/board: bench/web_board_bench.cpp with
//                bench/web_board_floor.js).
//
//   node bench/web_bench.mjs SITE BENCH [RUNS [SAMPLES]]   (21 and 31)
//
// VELMO_NODE_MODULES names the folder whose node_modules holds
// puppeteer-core. The exit status is 1 when a measurement fails (a page
// error, a dialog never painted, a floor that draws another board).
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";
import * as web from "../tests/web/page.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
const [site, bench, runsArg, samplesArg] = process.argv.slice(2);
if (!site || !bench) {
  console.error("usage: node bench/web_bench.mjs SITE BENCH [RUNS [SAMPLES]]");
  process.exit(2);
}
const runs = Number(runsArg || 21);
const samples = Number(samplesArg || 31);

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

function ratioLine(name, value, goal) {
  const verdict = value <= goal ? "PASS" : "MISS";
  return `ratio  ${name.padEnd(30)} ${value.toFixed(2)}x  (goal <= ${goal.toFixed(2)})  ${verdict}`;
}

// Put into both pages before their own scripts. Once the start dialog's
// window is shown with its buttons, its buttons and pictures are marked for
// the browser's element timing, which reports when the frame that first
// shows each of them was presented; the latest of those is when the dialog
// was painted. Times are from the navigation's start
// (performance.timeOrigin).
function watchForDialog() {
  const selector = "#desktop .slot:not([hidden]) .client button";
  let marked = null;
  const rendered = new Map();
  let appeared = 0;
  new PerformanceObserver(list => {
    for (const entry of list.getEntries())
      rendered.set(entry.identifier, entry.renderTime || entry.loadTime);
    finish();
  }).observe({ type: "element", buffered: true });
  const observer = new MutationObserver(check);
  observer.observe(document, { childList: true, subtree: true, attributes: true, attributeFilter: ["hidden"] });
  check();

  function check() {
    if (marked || !document.querySelector(selector))
      return;
    observer.disconnect();
    appeared = performance.now();
    marked = [...document.querySelectorAll(`${selector}, #desktop .slot:not([hidden]) .client img`)]
      .map((element, i) => {
        element.setAttribute("elementtiming", `dialog-${i}`);
        return `dialog-${i}`;
      });
  }

  function finish() {
    if (marked && !window.velmoStartup && marked.every(id => rendered.has(id)))
      window.velmoStartup = { appeared, painted: Math.max(...marked.map(id => rendered.get(id))) };
  }
}

async function startUp(browser, url) {
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    const errors = [];
    page.on("pageerror", e => errors.push(String(e)));
    await page.evaluateOnNewDocument(watchForDialog);
    await page.goto(url, { waitUntil: "load", timeout: 60000 });
    await page.waitForFunction(() => window.velmoStartup, { timeout: 60000 });
    const result = await page.evaluate(() => window.velmoStartup);
    if (errors.length)
      throw new Error(`${url}: ${errors.join("; ")}`);
    return result;
  } finally {
    await context.close();
  }
}

async function startUpFigures(browser) {
  const pages = { game: site, plain: path.join(bench, "plain"), empty: path.join(bench, "empty") };
  const servers = {};
  for (const [which, folder] of Object.entries(pages))
    servers[which] = await web.serve(folder);
  try {
    // One of each first, not counted: the browser's own first start of a
    // renderer, the files into the system's page cache.
    const kinds = Object.keys(pages);
    for (const which of kinds)
      await startUp(browser, servers[which].url);
    const times = Object.fromEntries(kinds.map(which => [which, []]));
    for (let i = 0; i < runs; ++i) {
      // Each page in turn first, second and last.
      const order = kinds.map((_, k) => kinds[(k + i) % kinds.length]);
      for (const which of order)
        times[which].push(await startUp(browser, servers[which].url));
    }
    const painted = which => median(times[which].map(t => t.painted));
    const appeared = which => median(times[which].map(t => t.appeared));
    const g = painted("game"), p = painted("plain"), e = painted("empty");
    console.log(`time   ${"web start-up, game page".padEnd(30)} ${g.toFixed(1).padStart(7)} ms  ` +
                `(in the document at ${appeared("game").toFixed(1)} ms; medians of ${runs} first visits)`);
    console.log(`time   ${"web start-up, plain page".padEnd(30)} ${p.toFixed(1).padStart(7)} ms  ` +
                `(in the document at ${appeared("plain").toFixed(1)} ms)`);
    console.log(`time   ${"web start-up, empty program".padEnd(30)} ${e.toFixed(1).padStart(7)} ms  ` +
                `(in the document at ${appeared("empty").toFixed(1)} ms; the plain page's content put in by a ` +
                `program that does nothing else)`);
    console.log(ratioLine("web start-up / plain page", g / p, 1.2));
    console.log(`info   ${"empty program / plain page".padEnd(30)} ${(e / p).toFixed(2)}x  (what any such program costs)`);
    console.log(`info   ${"game page / empty program".padEnd(30)} ${(g / e).toFixed(2)}x  (what the game's own start costs)`);
  } finally {
    for (const server of Object.values(servers))
      await server.close();
  }
}

async function redrawFigures(browser) {
  const server = await web.serve(path.join(bench, "board"));
  try {
    const page = await web.newPage(browser);
    await page.evaluateOnNewDocument(fs.readFileSync(path.join(here, "web_board_floor.js"), "utf8"));
    await page.goto(`${server.url}?samples=${samples}`, { waitUntil: "load" });
    await page.waitForFunction(() => window.velmoBoardBench || (typeof VelmoPage !== "undefined" && VelmoPage.state().ended),
                               { timeout: 300000, polling: 200 });
    const result = await page.evaluate(() => window.velmoBoardBench);
    if (page.errors.length || !result)
      throw new Error(`the board bench ended without its figures: ${page.errors.join("; ")} ${page.consoleLines.join("; ")}`);
    if (result.differing !== 0)
      throw new Error(result.differing < 0 ? "the board bench has no floor or no board canvas"
                                           : `DrawBoard and the floor differ in ${result.differing} pixels`);
    const f = median(result.floor), d = median(result.redraw);
    console.log(`time   ${"floor".padEnd(30)} ${f.toFixed(1).padStart(7)} us  ` +
                `(median of ${result.floor.length} batches of ${result.batch})`);
    console.log(`time   ${"DrawBoard and canvas, 7 pieces".padEnd(30)} ${d.toFixed(1).padStart(7)} us`);
    console.log(ratioLine("web full redraw / floor", d / f, 1.5));
    await page.close();
  } finally {
    await server.close();
  }
}

const browser = await web.launch({ width: 1600, height: 1000 });
try {
  await startUpFigures(browser);
  await redrawFigures(browser);
} catch (e) {
  console.error(`web_bench: ${e.message}`);
  process.exitCode = 1;
} finally {
  await browser.close();
}
