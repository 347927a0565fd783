// The game window on the web page: its layout, the board pixel for pixel
// against the composite of the bitmaps, refusals, both endings, a whole
// game from the keyboard, the help tab, what screen readers get, and a
// narrow touch screen.
import * as web from "./page.mjs";

const server = await web.serve(process.env.VELMO_SITE);
const browser = await web.launch();
const definition = web.definitionOf("game/frmMain.cpp");

const FORM = "frmMain";

// Where a control lies in the window: its rectangle plus its box's corner.
function placeOf(name) {
  const c = definition.find(d => d.name === name);
  const parent = c.parent ? placeOf(c.parent) : [0, 0];
  return [c.rect[0] + parent[0], c.rect[1] + parent[1], c.rect[2], c.rect[3]];
}

async function game(pieces) {
  const page = await web.newPage(browser);
  await web.startGame(page, server.url, pieces);
  return page;
}

// The board as the screen shows it, and the pixels that the controls over
// it cover (shown buttons, labels with text), which are not the board's.
async function board(page) {
  const shot = await web.screenshotRgb(await web.element(page, FORM, "picBack"));
  const covering = (await web.controlsOf(page, FORM))
    .filter(c => c.name !== "picBack" && c.shown && (c.tag !== "div" || c.text.trim()))
    .map(c => c.rect);
  const covered = (x, y) => covering.some(([l, t, w, h]) => x >= l && x < l + w && y >= t && y < t + h);
  return { shot, covered };
}

async function checkBoard(page, pieces, buttons, what) {
  const expected = web.expectedPicture(["board", String(pieces), ...buttons.map(String)]);
  const { shot, covered } = await board(page);
  const diff = web.difference(shot, expected, { skip: covered });
  if (diff)
    web.writePpm(`${process.env.VELMO_SCRATCH}/board-seen-${pieces}-${buttons.length}.ppm`, shot);
  web.checkEqual(diff, "", `the board ${what}`);
}

async function state(page) {
  return page.evaluate(form => {
    const f = document.querySelector(`.frame[data-name="${form}"]`);
    const text = name => f.querySelector(`[data-name="${name}"]`).textContent;
    const shown = name => !f.querySelector(`[data-name="${name}"]`).hidden;
    return {
      qualify: text("labQualify"), stat: text("labStat"), ending: text("labEnding"),
      endingColor: getComputedStyle(f.querySelector('[data-name="labEnding"]')).color,
      moves: [0, 1, 2, 3, 4, 5].map(i => shown(`cmdMove${i}`)), quit: shown("cmdQuit"),
      focus: document.activeElement.dataset.name || document.activeElement.id,
    };
  }, FORM);
}

web.testCase("every control lies where its definition puts it", async () => {
  const page = await game(3);
  const frame = await web.element(page, FORM, "picBack");
  const window = await frame.evaluate(e => {
    const f = e.closest(".frame");
    return { caption: f.querySelector(".caption").textContent, icon: !!f.querySelector(".titlebar img"),
             close: !!f.querySelector(".titlebar .close"),
             client: [f.querySelector(".client").clientWidth, f.querySelector(".client").clientHeight] };
  });
  web.checkEqual(window, { caption: "Velmo", icon: true, close: true, client: [480, 360] }, "the window");
  const shown = await web.controlsOf(page, FORM);
  for (const c of definition) {
    const s = shown.find(x => x.name === c.name);
    web.check(s, `${c.name} is missing`);
    if (s.shown)
      web.checkEqual(s.rect, placeOf(c.name), `${c.name}'s rectangle`);
  }
  web.checkEqual(shown.filter(c => !c.shown).map(c => c.name).sort(), ["cmdQuit", "picMask", "picTower"],
                 "the hidden controls");
  web.checkEqual(await state(page), {
    qualify: "3段 / 最短 7手", stat: "現在 1手目", ending: "", endingColor: "rgb(255, 255, 192)",
    moves: [true, true, true, true, true, true], quit: false, focus: "picBack",
  }, "the window as first shown");
  // Its close box ends the program, in the middle of a game too.
  await (await frame.evaluateHandle(e => e.closest(".frame").querySelector(".titlebar .close"))).click();
  await page.waitForSelector("#ended:not([hidden])", { timeout: 10000 });
  web.checkEqual(await page.$eval("#ended-text", e => e.textContent), "Velmo は終了しました。", "after the close box");
  await page.close();
});

web.testCase("the board bit for bit: the openings of 3 and 7, every move of a solved game", async () => {
  const seven = await game(7);
  await checkBoard(seven, 7, [], "at the opening of 7 pieces");
  await seven.close();

  const page = await game(3);
  await checkBoard(page, 3, [], "at the opening of 3 pieces");
  const solution = web.shortestSolution(3, 3);
  web.checkEqual(solution.length, 7, "the solution's length");
  for (let i = 0; i < solution.length; ++i) {
    await web.move(page, solution[i]);
    await checkBoard(page, 3, solution.slice(0, i + 1), `after move ${i + 1}`);
  }
  const end = await state(page);
  web.checkEqual([end.ending, end.endingColor, end.stat, end.moves.some(Boolean), end.quit, end.focus],
                 ["完成！\n\nおめでとうございます。", "rgb(255, 255, 0)", "現在 7手目", false, true, "picBack"],
                 "the solved game");
  // The quit button closes the window, which ends the program.
  await (await web.element(page, FORM, "cmdQuit")).click();
  await page.waitForSelector("#ended:not([hidden])", { timeout: 10000 });
  await page.close();
});

web.testCase("both refusals say why in a box and change nothing", async () => {
  const page = await game(3);
  const before = await state(page);
  const { shot: boardBefore } = await board(page);
  // Peg 2 is empty: a move from it is refused; every way of closing the box.
  for (const close of ["Enter", "Space", "Escape", "click"]) {
    await web.move(page, 2);
    const box = await web.messageBox(page);
    web.checkEqual(box, { title: "できません", text: "この位置にはピースがありません",
                          icon: "icons/exclamation.svg", okFocused: true }, "the box of an empty peg");
    if (close === "click")
      await (await web.control(page, "#msgbox-ok")).click();
    else
      await web.press(page, close);
    await web.messageBoxClosed(page);
    web.checkEqual(await state(page), { ...before, focus: "cmdMove2" }, `after closing with ${close}`);
  }
  const { shot: boardAfter, covered } = await board(page);
  web.checkEqual(web.difference(boardAfter, boardBefore, { skip: covered }), "", "the board after the refusals");

  // Piece 1 onto peg 2, then piece 2 onto it.
  await web.move(page, 0);
  await web.move(page, 0);
  const box = await web.messageBox(page);
  web.checkEqual([box.title, box.text, box.icon], ["できません", "小さいピースの上に大きいピースは\n置けません",
                                                   "icons/exclamation.svg"], "the box of a larger piece");
  await web.press(page, "Enter");
  await web.messageBoxClosed(page);
  web.checkEqual((await state(page)).stat, "現在 2手目", "the move number after the refusal");
  await checkBoard(page, 3, [0], "after the refusal");
  await page.close();
});

web.testCase("a used-up budget ends the game in red", async () => {
  const page = await game(3);
  const moves = [0, 2, 0, 2, 0, 2, 0];
  for (const m of moves)
    await web.move(page, m);
  const end = await state(page);
  web.checkEqual([end.ending, end.endingColor, end.stat, end.moves, end.quit],
                 ["残念！\n\n手数オーバーです。", "rgb(255, 0, 0)", "現在 7手目", [false, false, false, false, false, false], true],
                 "the failed game");
  await checkBoard(page, 3, moves, "after the last move");
  // Alt+Q quits once the game has ended.
  await web.press(page, "Alt+Q");
  await page.waitForSelector("#ended:not([hidden])", { timeout: 10000 });
  web.checkEqual(page.errors, [], "page errors");
  await page.close();
});

web.testCase("a whole game by keyboard alone", async () => {
  const page = await web.newPage(browser);
  await web.openGame(page, server.url);
  await web.press(page, "ArrowUp");
  await web.press(page, "ArrowUp");
  await web.press(page, "Enter");
  await page.waitForSelector(`.frame[data-name="${FORM}"]`);
  await web.settle(page);
  const focus = () => page.evaluate(() => document.activeElement.dataset.name);
  let presses = 0;
  const solution = web.shortestSolution(3, 2);
  for (const [i, button] of solution.entries()) {
    const target = `cmdMove${button}`;
    for (let n = 0; n < 16 && (await focus()) !== target; ++n) {
      await web.press(page, "Tab");
      await web.settle(page);
      ++presses;
    }
    web.checkEqual(await focus(), target, `the focus before move ${i + 1}`);
    // The focus mark shows, and lies inside the button.
    const mark = await page.evaluate(() => {
      const style = getComputedStyle(document.activeElement);
      return { style: style.outlineStyle, width: parseFloat(style.outlineWidth), offset: parseFloat(style.outlineOffset) };
    });
    web.check(mark.style !== "none" && mark.width > 0 && mark.offset + mark.width <= 0,
              `the focus mark ${JSON.stringify(mark)}`);
    await web.press(page, i % 2 ? "Space" : "Enter");
    await web.settle(page);
  }
  const end = await state(page);
  web.checkEqual([end.ending.split("\n")[0], end.focus], ["完成！", "picBack"], "the ending");
  // From the board, Tab reaches help and then quit.
  await web.press(page, "Tab");
  await web.settle(page);
  web.checkEqual(await focus(), "cmdHelp", "after the ending, Tab");
  await web.press(page, "Tab");
  await web.settle(page);
  web.checkEqual(await focus(), "cmdQuit", "then Tab again");
  await web.press(page, "Enter");
  await page.waitForSelector("#ended:not([hidden])", { timeout: 10000 });
  web.check(presses < 60, `${presses} Tab presses`);
  await page.close();
});

web.testCase("the help opens in a tab of its own, once", async () => {
  const page = await game(3);
  const opened = browser.waitForTarget(t => t.url().endsWith("/help/index.html"), { timeout: 10000 });
  await web.press(page, "Alt+H");
  const help = await (await opened).page();
  await help.bringToFront();
  await help.waitForFunction(() => document.readyState === "complete", { polling: 100 });
  web.checkEqual(await help.title(), "Velmo ヘルプ", "the help's title");
  const nav = await help.$$eval("p.nav a", as => as.map(a => a.getAttribute("href")));
  web.checkEqual(nav.slice(0, 2), ["contents.html", "keywords.html"], "the help's navigation");
  await help.click('p.nav a[href="contents.html"]');
  await help.waitForFunction(() => location.pathname.endsWith("/contents.html"), { polling: 100 });
  web.checkEqual(await help.$$eval("li a", as => as.length), 6, "the contents' entries");
  // Pressed again, the same tab comes back rather than a second one.
  await page.bringToFront();
  await (await web.element(page, FORM, "cmdHelp")).click();
  await new Promise(r => setTimeout(r, 1500));
  await page.bringToFront();
  await (await web.element(page, FORM, "cmdHelp")).click();
  await new Promise(r => setTimeout(r, 500));
  const helpTabs = (await browser.pages()).filter(p => p.url().includes("/help/"));
  web.checkEqual(helpTabs.length, 1, "help tabs");
  await page.bringToFront();
  web.checkEqual((await state(page)).stat, "現在 1手目", "the game after the help");
  await help.close();
  await page.close();
});

web.testCase("screen readers: names, roles, descriptions, the news and the ending once", async () => {
  const page = await web.newPage(browser);
  await web.openGame(page, server.url);
  let tree = await web.accessibilityTree(page);
  const find = (t, role, name) => [...web.nodes(t)].find(n => n.role === role && (name === undefined || n.name === name));
  web.check(find(tree, "dialog", "Velmo"), "the start dialog as a dialog named Velmo");
  const list = find(tree, "combobox", "段数");
  web.check(list, "the list named 段数");
  web.checkEqual(list.description, "5段", "the list's description");
  web.check(find(tree, "button", "スタート(S)") && find(tree, "button", "終了(Q)"), "the buttons by their captions");
  await web.press(page, "ArrowUp");
  await web.press(page, "ArrowUp");
  await web.settle(page);
  // The live region is filled a moment after it is emptied.
  await page.waitForFunction(() => document.getElementById("announcer").textContent === "3段", { timeout: 3000 })
    .catch(() => {});
  web.checkEqual(await page.$eval("#announcer", e => e.textContent), "3段", "the choice announced");
  await web.press(page, "Enter");
  await page.waitForSelector(`.frame[data-name="${FORM}"]`);
  await web.settle(page);

  tree = await web.accessibilityTree(page);
  const boardNode = find(tree, "image", "盤面") || find(tree, "img", "盤面");
  web.check(boardNode, "the board as an image named 盤面");
  web.checkEqual(boardNode.description, "3段 / 最短 7手、現在 1手目。下から順に 位置 1: 3, 2, 1 / 位置 2: なし / 位置 3: なし",
                 "the board's description");
  web.check(boardNode.focused, "the board has the focus");
  for (const [from, to] of [[1, 2], [1, 3], [2, 1], [2, 3], [3, 2], [3, 1]])
    web.check(find(tree, "button", `ピースを ${from} から ${to} へ移動`), `the button of ${from} to ${to}`);
  web.check(find(tree, "button", "ﾍﾙﾌﾟ(H)..."), "the help button");

  await web.move(page, 1);
  await page.waitForFunction(() => document.getElementById("announcer").textContent !== "");
  web.checkEqual(await page.$eval("#announcer", e => e.textContent),
                 "ピース 1 を 1 から 3 へ。現在 2手目。下から順に 位置 1: 3, 2 / 位置 2: なし / 位置 3: 1", "the news of a move");
  // Piece 1 back and forth between pegs 3 and 1 uses up the budget.
  for (const m of [5, 1, 5, 1, 5, 1])
    await web.move(page, m);
  await new Promise(r => setTimeout(r, 200));
  tree = await web.accessibilityTree(page);
  const ended = find(tree, "image", "盤面") || find(tree, "img", "盤面");
  const endState = await state(page);
  const endingLine = endState.ending.replace(/\n+/g, " ").replace(/ +/g, " ");
  web.check(ended.description.startsWith(endingLine.split(" ")[0]), `the ending leads the board: ${ended.description}`);
  web.check(ended.focused, "the board has the focus at the ending");
  const announced = await page.$eval("#announcer", e => e.textContent);
  web.check(!announced.includes(endState.ending.split("\n")[0]), `the ending is not said twice: ${announced}`);
  await page.close();
});

web.testCase("a narrow touch screen: the window shrinks to fit and taps press buttons", async () => {
  const page = await web.newPage(browser);
  await page.setViewport({ width: 360, height: 640, deviceScaleFactor: 1, hasTouch: true, isMobile: true });
  await web.startGame(page, server.url, 3);
  const frame = await (await web.element(page, FORM, "picBack")).evaluateHandle(e => e.closest(".frame"));
  const box = await frame.boundingBox();
  web.check(box.x >= 0 && box.x + box.width <= 360, `the window across: ${JSON.stringify(box)}`);
  web.check(box.width > 300, `the window shrank too far: ${box.width}`);
  web.checkEqual(await page.$eval('[data-name="picBack"]', e => getComputedStyle(e).imageRendering), "pixelated",
                 "the board's rendering");
  const button = await (await web.element(page, FORM, "cmdMove1")).boundingBox();
  await page.touchscreen.tap(button.x + button.width / 2, button.y + button.height / 2);
  await web.settle(page);
  web.checkEqual((await state(page)).stat, "現在 2手目", "after a tap on a move button");
  await page.close();
});

await web.runCases();
await browser.close();
await server.close();
