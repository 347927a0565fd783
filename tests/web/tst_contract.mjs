// The platform layer's contract suite (tests/contract) built for the web
// back end and run in Chromium, and a game built with a picture left out.
import * as web from "./page.mjs";

const server = await web.serve(process.env.VELMO_TEST_SITES);
const browser = await web.launch();

web.testCase("the contract suite passes on the page", async () => {
  const page = await web.newPage(browser);
  await page.goto(`${server.url}contract/`, { waitUntil: "load" });
  const deadline = Date.now() + 120000;
  let summary;
  while (!(summary = page.consoleLines.find(l => /^\d+ passed, \d+ failed$/.test(l))) && Date.now() < deadline)
    await new Promise(r => setTimeout(r, 200));
  const lines = page.consoleLines.filter(l => !l.startsWith("velmo: run-time error"));
  for (const line of lines)
    console.log(`  | ${line}`);
  web.check(summary, `no summary line; errors: ${page.errors.join(" / ")}`);
  const [, passed, failed] = summary.match(/^(\d+) passed, (\d+) failed$/).map(Number);
  web.checkEqual(failed, 0, "failed contract cases");
  web.check(passed >= 10, `only ${passed} contract cases ran`);
  await page.close();
});

web.testCase("a game built without a bitmap reports the run-time error and ends", async () => {
  const page = await web.newPage(browser);
  await web.openGame(page, `${server.url}without-103/`);
  // Three pieces: the opening draws the piece of size 3.
  await web.press(page, "ArrowUp");
  await web.press(page, "ArrowUp");
  await web.press(page, "Enter");
  const box = await web.messageBox(page);
  web.checkEqual(box, { title: "Velmo", text: "実行時エラー '326':\n\nリソースが見つかりません。",
                        icon: "icons/critical.svg", okFocused: true }, "the report");
  web.check(page.consoleLines.some(l => l.includes("velmo: run-time error 326") && l.includes("103")),
            `the detail on the console: ${page.consoleLines.join(" / ")}`);
  await web.press(page, "Enter");
  await page.waitForSelector("#ended:not([hidden])", { timeout: 10000 });
  web.checkEqual(await page.$eval("#ended-text", e => e.textContent), "Velmo はエラーで終了しました。", "the note");
  web.checkEqual(await page.$$eval("#desktop .slot", s => s.length), 0, "windows left");
  await page.close();
});

await web.runCases();
await browser.close();
await server.close();
