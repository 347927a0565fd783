// Not a test: writes screenshots of the web page's windows, as in docs/.
//   VELMO_NODE_MODULES=build/web-tests VELMO_SOURCE=. VELMO_EXPECTED=build/web-build/tests/web/velmo-expected.js \
//     node tests/web/screenshots.mjs build/web DIR
import path from "node:path";
import * as web from "./page.mjs";

const [site, out] = process.argv.slice(2);
const server = await web.serve(site);
const browser = await web.launch({ width: 640, height: 480 });
const page = await web.newPage(browser);
const frame = name => page.$(`#desktop .frame[data-name="${name}"]`);

await web.openGame(page, server.url);
await web.settle(page);
await (await frame("frmStart")).screenshot({ path: path.join(out, "web-start-dialog.png") });

await web.press(page, "ArrowUp");
await web.press(page, "ArrowUp");
await web.press(page, "Enter");
await page.waitForSelector('.frame[data-name="frmMain"]');
await web.settle(page);
await web.move(page, 2);
await web.messageBox(page);
await page.screenshot({ path: path.join(out, "web-refusal.png"), clip: await (await frame("frmMain")).boundingBox() });
await web.press(page, "Enter");
await web.messageBoxClosed(page);
for (const button of web.shortestSolution(3, 3))
  await web.move(page, button);
await (await frame("frmMain")).screenshot({ path: path.join(out, "web-ending-success.png") });

await browser.close();
await server.close();
