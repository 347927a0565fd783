// The web page's folder as it is served: its policy and faces, the
// manifest and icons, the service worker's files and the page offline, the
// published help, nothing asked of another site, and the test driver's own
// lock file.
import fs from "node:fs";
import path from "node:path";
import * as web from "./page.mjs";

const site = process.env.VELMO_SITE;
const source = process.env.VELMO_SOURCE;
const read = file => fs.readFileSync(path.join(site, file), "utf8");

// Every file of the folder, by its path in it.
function siteFiles(dir = site, prefix = "") {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap(e =>
    e.isDirectory() ? siteFiles(path.join(dir, e.name), `${prefix}${e.name}/`) : [`${prefix}${e.name}`]);
}

web.testCase("the page allows only its own files and draws in the designed faces", () => {
  const html = read("index.html");
  const policy = html.match(/<meta http-equiv="Content-Security-Policy" content="([^"]*)">/);
  web.check(policy, "no Content-Security-Policy");
  const directives = Object.fromEntries(policy[1].split(";").map(d => d.trim().split(/\s+/)).map(([k, ...v]) => [k, v]));
  web.checkEqual(directives["default-src"], ["'self'"], "default-src");
  web.checkEqual(directives["script-src"], ["'self'", "'wasm-unsafe-eval'"], "script-src");
  for (const [name, values] of Object.entries(directives))
    for (const v of values)
      web.check(["'self'", "'none'", "'wasm-unsafe-eval'"].includes(v), `${name} allows ${v}`);
  // No inline script or style: every script has a file, no style attribute
  // or element, no event handler attribute.
  for (const tag of html.matchAll(/<script\b[^>]*>/g))
    web.check(/\bsrc="[^"]+"/.test(tag[0]), `an inline script: ${tag[0]}`);
  web.check(!/<style\b/.test(html) && !/\sstyle=/.test(html) && !/\son[a-z]+=/.test(html), "inline style or handlers");
  // Nothing names another site (an SVG's namespace is no request).
  for (const file of siteFiles().filter(f => /\.(html|js|css|json|webmanifest|svg)$/.test(f))) {
    const text = read(file).replace(/xmlns="http:\/\/www\.w3\.org\/2000\/svg"/g, "");
    const address = text.match(/(https?:)?\/\/[a-z0-9.-]+\.[a-z]{2,}/i);
    web.check(!address, `${file} names ${address && address[0]}`);
  }
  const css = read("velmo.css");
  web.check(!/@font-face|@import|url\(/.test(css), "the style loads something");
  const gothic = css.match(/--gothic:([^;]*);/)[1].split(",").map(s => s.trim().replace(/"/g, ""));
  web.checkEqual(gothic, ["MS UI Gothic", "Meiryo UI", "Yu Gothic UI", "Hiragino Sans", "Noto Sans CJK JP", "IPAPGothic",
                          "sans-serif"], "the Gothic faces");
  const serif = css.match(/--serif:([^;]*);/)[1].split(",").map(s => s.trim().replace(/"/g, ""));
  web.checkEqual(serif, ["Times New Roman", "Liberation Serif", "serif"], "the serif faces");
});

web.testCase("the manifest names the game and icons that are there at their sizes", () => {
  const manifest = JSON.parse(read("velmo.webmanifest"));
  web.checkEqual([manifest.name, manifest.lang, manifest.start_url, manifest.display], ["Velmo", "ja", "./", "standalone"],
                 "the manifest");
  web.check(read("index.html").includes('<link rel="manifest" href="velmo.webmanifest">'), "the page names its manifest");
  for (const icon of manifest.icons) {
    const png = fs.readFileSync(path.join(site, icon.src));
    web.checkEqual(`${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`, icon.sizes, `${icon.src}'s size`);
    web.checkEqual(icon.type, "image/png", `${icon.src}'s type`);
  }
  // Browsers install an app with an icon of 144 pixels or more.
  web.check(manifest.icons.some(i => parseInt(i.sizes, 10) >= 144), "no icon large enough to install");
});

web.testCase("the service worker keeps every file of the page", () => {
  const worker = read("sw.js");
  const listed = JSON.parse(worker.match(/const FILES = (\[[^\]]*\]);/)[1]);
  const files = siteFiles().filter(f => f !== "sw.js");
  web.checkEqual([...listed].sort(), ["./", ...files].sort(), "the files kept");
  web.check(/const CACHE = "velmo-[0-9a-f]{16}";/.test(worker), "the cache is named after the contents");
});

// The sitemap entries (name, page) of a contents or index file, in order.
function sitemap(file) {
  const text = fs.readFileSync(path.join(source, "help", file), "utf8");
  return [...text.matchAll(/<object type="text\/sitemap">\s*<param name="Name" value="([^"]*)">\s*<param name="Local" value="([^"]*)">/g)]
    .map(m => [m[1], m[2]]);
}

web.testCase("the help: the pages in UTF-8, the contents and the index as pages of links", () => {
  const project = fs.readFileSync(path.join(source, "help", "velmo.hhp"), "utf8");
  const pages = project.split("[FILES]")[1].split(/\s+/).filter(f => f.endsWith(".html"));
  web.check(pages.length >= 6, `pages of the project: ${pages}`);
  const decoder = new TextDecoder("utf-8", { fatal: true });
  for (const page of [...pages, "contents.html", "keywords.html"]) {
    const bytes = fs.readFileSync(path.join(site, "help", page));
    const html = decoder.decode(bytes);
    web.check(/charset=UTF-8/i.test(html), `${page} declares no UTF-8`);
    for (const link of html.matchAll(/href="([^"#]+)/g))
      web.check(fs.existsSync(path.join(site, "help", link[1])), `${page} links ${link[1]}, which is not there`);
    if (pages.includes(page)) {
      const original = fs.readFileSync(path.join(source, "help", page), "utf8");
      web.checkEqual(html.replace(/<p class="nav">.*<\/p>/, ""), original.replace(/<p class="nav">.*<\/p>/, ""),
                     `${page} apart from its navigation line`);
      web.check(/<p class="nav"><a href="contents.html">目次<\/a> ｜ <a href="keywords.html">索引<\/a>/.test(html),
                `${page}'s navigation line`);
    }
  }
  const links = file => [...read(`help/${file}`).matchAll(/<li><a href="([^"]*)">([^<]*)<\/a>/g)].map(m => [m[2], m[1]]);
  web.checkEqual(links("contents.html"), sitemap("velmo.hhc"), "the contents");
  web.checkEqual(links("keywords.html"), sitemap("velmo.hhk"), "the index");
});

web.testCase("the test driver's lock installs no browser", () => {
  const dir = path.join(source, "tests", "web");
  const manifest = JSON.parse(fs.readFileSync(path.join(dir, "package.json"), "utf8"));
  web.checkEqual(Object.keys(manifest.dependencies), ["puppeteer-core"], "the dependencies");
  web.check(/^\d+\.\d+\.\d+$/.test(manifest.dependencies["puppeteer-core"]), "puppeteer-core's version is not exact");
  const lock = JSON.parse(fs.readFileSync(path.join(dir, "package-lock.json"), "utf8"));
  const packages = Object.entries(lock.packages).filter(([name]) => name);
  web.check(!packages.some(([name]) => /(^|\/)node_modules\/puppeteer$/.test(name)), "the full puppeteer, which downloads Chrome");
  const scripts = packages.filter(([, p]) => p.hasInstallScript).map(([name]) => name);
  web.checkEqual(scripts, [], "packages with install scripts");
});

const server = await web.serve(site);
const browser = await web.launch();

web.testCase("nothing leaves localhost and the policy blocks nothing the page does", async () => {
  const page = await web.newPage(browser);
  await page.evaluateOnNewDocument(() => {
    window.velmoViolations = [];
    document.addEventListener("securitypolicyviolation", e => window.velmoViolations.push(`${e.violatedDirective} ${e.blockedURI}`));
  });
  await web.startGame(page, server.url, 3);
  await web.move(page, 2);  // refused: the message box
  await web.press(page, "Enter");
  await web.messageBoxClosed(page);
  await web.move(page, 0);
  web.checkEqual(await page.evaluate(() => window.velmoViolations), [], "policy violations");
  web.checkEqual(page.errors, [], "page errors");
  const elsewhere = page.addresses.filter(a => !a.startsWith(server.url));
  web.checkEqual(elsewhere, [], "requests to other sites");
  web.check(page.addresses.some(a => a.endsWith("/velmo.wasm")), "the program was asked for");
  await page.close();
});

web.testCase("the service worker is registered once the first window has been painted", async () => {
  const page = await web.newPage(browser);
  await page.evaluateOnNewDocument(() => {
    let framed = false;
    const observer = new MutationObserver(() => {
      if (document.querySelector("#desktop .slot:not([hidden]) .client button")) {
        observer.disconnect();
        requestAnimationFrame(() => { framed = true; });
      }
    });
    observer.observe(document, { childList: true, subtree: true, attributes: true });
    const register = ServiceWorkerContainer.prototype.register;
    ServiceWorkerContainer.prototype.register = function (...args) {
      window.velmoRegistered = { script: String(args[0]), framed };
      return register.apply(this, args);
    };
  });
  await web.openGame(page, server.url);
  await page.waitForFunction(() => window.velmoRegistered, { timeout: 10000 });
  web.checkEqual(await page.evaluate(() => window.velmoRegistered), { script: "sw.js", framed: true },
                 "the registration");
  await page.close();
});

web.testCase("the note that the program loads comes only when it is slow, and goes when it has ended", async () => {
  // A first visit: no service worker of an earlier case serves the program.
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setRequestInterception(true);
  let held = null;
  // The program is held back, then refused (its second try at once).
  page.on("request", request => {
    if (!request.url().endsWith("/velmo.wasm"))
      request.continue();
    else if (held)
      request.abort();
    else
      held = request;
  });
  const note = () => page.evaluate(() => {
    const e = document.getElementById("loading");
    return e ? { shown: e.getBoundingClientRect().height > 0, text: e.textContent } : null;
  });
  await page.goto(server.url, { waitUntil: "domcontentloaded" });
  web.checkEqual(await note(), { shown: false, text: "読み込んでいます…" }, "the note at first");
  await new Promise(done => setTimeout(done, 800));
  web.checkEqual(await note(), { shown: true, text: "読み込んでいます…" }, "the note while the program is held back");
  web.check(held, "the program was asked for");
  await held.abort();
  await page.waitForSelector("#ended:not([hidden])", { timeout: 10000 });
  web.checkEqual(await note(), null, "the note once the program has ended");
  await context.close();
});

web.testCase("after the first visit the page plays offline", async () => {
  const page = await web.newPage(browser);
  await web.openGame(page, server.url);
  await page.waitForFunction(async () => {
    if (!navigator.serviceWorker.controller)
      return false;
    const keys = await caches.keys();
    return keys.length === 1 && (await (await caches.open(keys[0])).keys()).length > 20;
  }, { timeout: 30000, polling: 200 });
  const asked = server.requests.length;
  server.goOffline();
  await page.reload({ waitUntil: "load" });
  await page.waitForSelector('#desktop .frame[data-name="frmStart"]', { timeout: 30000 });
  await web.press(page, "Enter");
  await page.waitForSelector('.frame[data-name="frmMain"] canvas[data-name="picBack"]', { timeout: 10000 });
  await web.settle(page);
  web.checkEqual(await web.textOf(page, "frmMain", "labQualify"), "5段 / 最短 31手", "the game offline");
  const help = await web.newPage(browser);
  await help.goto(`${server.url}help/contents.html`, { waitUntil: "load" });
  web.checkEqual(await help.title(), "目次 - Velmo ヘルプ", "the help offline");
  // The browser's own checks for a new worker and for the site's icon go to
  // the network whatever the page does.
  web.checkEqual(server.requests.slice(asked).filter(r => r !== "/sw.js" && r !== "/favicon.ico"), [],
                 "files the server was asked for offline (it served none)");
  await help.close();
  await page.close();
});

await web.runCases();
await browser.close();
await server.close();
