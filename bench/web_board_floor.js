// The floor of the web build's board redraw, run in the same page as the
// game window it is compared with (bench/web_bench.mjs adds it to the page
// before the page's own scripts; bench/web_board_bench.cpp calls it).
//
// The least work in the page's own JavaScript that puts the 7-piece opening
// on a canvas: the bitmaps decoded beforehand, straight from their files,
// into Uint32Arrays in the canvas's byte order; then per redraw one copy of
// the background, for each piece its mask ORed and its image ANDed in, and
// one putImageData of the result.
//
// The page's address gives the number of samples (?samples=N); the bench
// program hands the times of its samples to report(), and the driver reads
// them from window.velmoBoardBench.
"use strict";

const VelmoFloor = (() => {
  const WIDTH = 480, HEIGHT = 360;
  const PIECES = 7;
  const BOARD = '.frame[data-name="frmMain"] canvas[data-name="picBack"]';

  let back = null;
  const masks = [], images = [];
  let places = [];
  let board = null, image = null, context = null, canvas = null;

  // A 24-bit uncompressed .bmp (the game's bitmaps all are), top row first,
  // each pixel 0xFFBBGGRR: red in the lowest byte, as ImageData holds it.
  function decode(buffer) {
    const view = new DataView(buffer);
    const bytes = new Uint8Array(buffer);
    if (view.getUint16(0, true) !== 0x4d42 || view.getUint16(28, true) !== 24 || view.getUint32(30, true) !== 0)
      throw new Error("not a 24-bit uncompressed bitmap");
    const offset = view.getUint32(10, true);
    const width = view.getInt32(18, true);
    const stored = view.getInt32(22, true);
    const height = Math.abs(stored);
    const stride = (width * 3 + 3) & ~3;
    const pixels = new Uint32Array(width * height);
    for (let y = 0; y < height; ++y) {
      let p = offset + (stored > 0 ? height - 1 - y : y) * stride;
      for (let x = 0; x < width; ++x, p += 3)
        pixels[y * width + x] = 0xff000000 | bytes[p] << 16 | bytes[p + 1] << 8 | bytes[p + 2];
    }
    return { width, height, pixels };
  }

  async function picture(name) {
    const response = await fetch(`pictures/${name}.bmp`);
    if (!response.ok)
      throw new Error(`pictures/${name}.bmp: ${response.status}`);
    return decode(await response.arrayBuffer());
  }

  // where: [left, top] of each level from the bottom, as the game places
  // its pieces. Resolves to false when a picture cannot be had.
  async function prepare(where) {
    try {
      places = where;
      back = await picture("BACK");
      for (let size = 1; size <= PIECES; ++size) {
        masks[size] = await picture(String(200 + size));
        images[size] = await picture(String(100 + size));
      }
      if (back.width !== WIDTH || back.height !== HEIGHT)
        throw new Error(`the background is ${back.width}x${back.height}`);
      canvas = document.createElement("canvas");
      canvas.width = WIDTH;
      canvas.height = HEIGHT;
      canvas.style.cssText = "position: fixed; right: 0; bottom: 0";
      document.body.append(canvas);
      context = canvas.getContext("2d", { alpha: true });
      const bytes = new Uint8ClampedArray(WIDTH * HEIGHT * 4);
      board = new Uint32Array(bytes.buffer);
      image = new ImageData(bytes, WIDTH, HEIGHT);
      return true;
    } catch (e) {
      console.error(`floor: ${e.message}`);
      return false;
    }
  }

  function draw(times) {
    for (let n = 0; n < times; ++n) {
      board.set(back.pixels);
      for (let level = 0; level < places.length; ++level) {
        const size = PIECES - level;
        const [left, top] = places[level];
        const mask = masks[size], piece = images[size];
        const w = mask.width, h = mask.height;
        for (let row = 0; row < h; ++row) {
          const d = (top + row) * WIDTH + left, s = row * w;
          for (let x = 0; x < w; ++x)
            board[d + x] |= mask.pixels[s + x];
        }
        for (let row = 0; row < h; ++row) {
          const d = (top + row) * WIDTH + left, s = row * w;
          for (let x = 0; x < w; ++x)
            board[d + x] &= piece.pixels[s + x];
        }
      }
      context.putImageData(image, 0, 0);
    }
  }

  // The pixels in which the game's board canvas and the floor's differ, read
  // back from both canvases; -1 when they are not of one size.
  function difference() {
    const shown = document.querySelector(BOARD);
    if (!shown || shown.width !== WIDTH || shown.height !== HEIGHT)
      return -1;
    const a = new Uint32Array(shown.getContext("2d").getImageData(0, 0, WIDTH, HEIGHT).data.buffer);
    const b = new Uint32Array(context.getImageData(0, 0, WIDTH, HEIGHT).data.buffer);
    let count = 0;
    for (let i = 0; i < a.length; ++i)
      count += a[i] !== b[i];
    return count;
  }

  function samples() {
    const n = Number(new URLSearchParams(location.search).get("samples"));
    return Number.isInteger(n) && n > 0 ? n : 31;
  }

  function report(result) {
    window.velmoBoardBench = result;
  }

  return { prepare, draw, difference, samples, report };
})();
