// The start dialog on the web page: its window, controls and pixels, and
// every way of leaving it.
import * as web from "./page.mjs";

const server = await web.serve(process.env.VELMO_SITE);
const browser = await web.launch();
const definition = web.definitionOf("start/frmStart.cpp");

async function opened() {
  const page = await web.newPage(browser);
  await web.openGame(page, server.url);
  await web.settle(page);
  return page;
}

async function endedNote(page) {
  await page.waitForSelector("#ended:not([hidden])", { timeout: 10000 });
  return page.evaluate(() => ({
    text: document.getElementById("ended-text").textContent,
    windows: document.querySelectorAll("#desktop .slot").length,
  }));
}

web.testCase("the dialog as its definition gives it", async () => {
  const page = await opened();
  const frame = await web.control(page, '.frame[data-name="frmStart"]');
  const window = await frame.evaluate(f => ({
    caption: f.querySelector(".titlebar .caption").textContent,
    close: !!f.querySelector(".titlebar button.close"),
    buttons: f.querySelectorAll(".titlebar button").length,
    icon: !!f.querySelector(".titlebar img"),
    client: [f.querySelector(".client").clientWidth, f.querySelector(".client").clientHeight],
    role: f.getAttribute("role"),
  }));
  web.checkEqual(window, { caption: "Velmo", close: true, buttons: 1, icon: false, client: [320, 240], role: "dialog" },
                 "the window");
  // Centred on the page.
  const box = await frame.boundingBox();
  const view = page.viewport();
  web.check(Math.abs(box.x + box.width / 2 - view.width / 2) <= 1, `not centred across: ${JSON.stringify(box)}`);
  web.check(Math.abs(box.y + box.height / 2 - view.height / 2) <= 1, `not centred down: ${JSON.stringify(box)}`);

  const shown = await web.controlsOf(page, "frmStart");
  for (const c of definition) {
    const s = shown.find(x => x.name === c.name);
    web.check(s, `${c.name} is missing`);
    web.checkEqual(s.rect, c.rect, `${c.name}'s rectangle`);
  }
  web.checkEqual(await web.textOf(page, "frmStart", "labVer"), "Ver.1.00", "the version");
  const list = await page.$eval('[data-name="cboNum"]', s => ({
    items: [...s.options].map(o => o.textContent), chosen: s.value, focused: document.activeElement === s,
  }));
  web.checkEqual(list, { items: ["3", "4", "5", "6", "7"], chosen: "5", focused: true }, "the list");
  const captions = await page.$$eval('.frame[data-name="frmStart"] button[data-name]',
                                     bs => bs.map(b => [b.dataset.name, b.textContent, b.querySelector("u")?.textContent]));
  web.checkEqual(captions, [["cmdStart", "スタート(S)", "S"], ["cmdQuit", "終了(Q)", "Q"]], "the buttons' captions");
  await page.close();
});

web.testCase("outside its controls the dialog is the title picture, pixel for pixel", async () => {
  const page = await opened();
  const expected = web.expectedPicture(["bitmap", "title.bmp"]);
  const client = await web.control(page, '.frame[data-name="frmStart"] .client');
  const shot = await web.screenshotRgb(client);
  const rects = definition.map(c => c.rect);
  const inside = (x, y) => rects.some(([l, t, w, h]) => x >= l && x < l + w && y >= t && y < t + h);
  const diff = web.difference(shot, expected, { skip: inside });
  if (diff)
    web.writePpm(`${process.env.VELMO_SCRATCH}/start-dialog-seen.ppm`, shot);
  web.checkEqual(diff, "", "the pixels outside the controls");
  // The version, the count word and the buttons do draw inside theirs.
  const version = definition.find(c => c.name === "labVer").rect;
  let changed = 0;
  for (let y = version[1]; y < version[1] + version[3]; ++y)
    for (let x = version[0]; x < version[0] + version[2]; ++x)
      changed += shot.pixels[y * shot.width + x] !== expected.pixels[y * expected.width + x];
  web.check(changed > 50, `the version label draws ${changed} pixels`);
  await page.close();
});

web.testCase("Enter and Alt+S start with the chosen count; the list takes arrow keys", async () => {
  for (const [keys, pieces] of [[["Enter"], 5], [["Alt+S"], 5], [["ArrowUp", "ArrowUp", "Enter"], 3],
                                [["ArrowDown", "ArrowDown", "Alt+S"], 7]]) {
    const page = await opened();
    for (const key of keys)
      await web.press(page, key);
    await page.waitForSelector('.frame[data-name="frmMain"]', { timeout: 10000 });
    await web.settle(page);
    const shortest = 2 ** pieces - 1;
    web.checkEqual(await web.textOf(page, "frmMain", "labQualify"), `${pieces}段 / 最短 ${shortest}手`,
                   `after ${keys.join(", ")}`);
    web.checkEqual(await page.$$eval("#desktop .frame", f => f.map(x => x.dataset.name)), ["frmMain"], "the windows");
    await page.close();
  }
});

web.testCase("Esc, Alt+Q and the close box end the program without a game", async () => {
  for (const how of ["Escape", "Alt+Q", "close box", "quit button"]) {
    const page = await opened();
    if (how === "close box")
      await (await web.control(page, '.frame[data-name="frmStart"] .titlebar button.close')).click();
    else if (how === "quit button")
      await (await web.element(page, "frmStart", "cmdQuit")).click();
    else
      await web.press(page, how);
    const note = await endedNote(page);
    web.checkEqual(note, { text: "Velmo は終了しました。", windows: 0 }, `after ${how}`);
    web.checkEqual(page.errors, [], "page errors");
    // The note offers a new start, which loads the page again.
    await (await web.control(page, "#restart")).click();
    await page.waitForSelector('.frame[data-name="frmStart"]', { timeout: 10000 });
    await page.close();
  }
});

web.testCase("a focused quit button takes Enter itself", async () => {
  const page = await opened();
  await web.press(page, "Tab");
  await web.press(page, "Tab");
  web.checkEqual(await page.evaluate(() => document.activeElement.dataset.name), "cmdQuit", "the focus after two Tabs");
  await web.press(page, "Enter");
  web.checkEqual((await endedNote(page)).text, "Velmo は終了しました。", "the end");
  await page.close();
});

await web.runCases();
await browser.close();
await server.close();
