// The page's texts: the faces of the designed families, colours, and the
// access keys that captions mark with "&". Runs before page.js.
const VelmoText = (() => {
  const GOTHIC = "var(--gothic)";
  const SERIF = "var(--serif)";

  // A designed family to the page's list of faces.
  function face(family) {
    if (family === "Times New Roman")
      return SERIF;
    return GOTHIC;
  }

  // Windows rounds a font's size to whole pixels: 9 points are 12 pixels.
  function fontCss(family, points, bold) {
    const px = Math.round(points * 96 / 72);
    return `${bold ? "bold " : ""}${px}px ${face(family)}`;
  }

  function cssColor(bgr) {
    const r = bgr & 0xff, g = (bgr >> 8) & 0xff, b = (bgr >> 16) & 0xff;
    return `rgb(${r}, ${g}, ${b})`;
  }

  // "スタート(&S)" shown with the S underlined; "&&" is a plain "&". Returns
  // the access key (upper case) or "".
  function setMnemonicText(element, caption) {
    element.textContent = "";
    let key = "";
    let plain = "";
    for (let i = 0; i < caption.length; ++i) {
      const c = caption[i];
      if (c === "&" && i + 1 < caption.length) {
        const next = caption[++i];
        if (next === "&") {
          plain += "&";
          continue;
        }
        if (plain)
          element.append(plain);
        plain = "";
        const u = document.createElement("u");
        u.textContent = next;
        element.append(u);
        if (!key)
          key = next.toUpperCase();
        continue;
      }
      plain += c;
    }
    if (plain)
      element.append(plain);
    return key;
  }

  // The caption without its access-key marks, as screen readers say it.
  function plainCaption(caption) {
    return caption.replace(/&(&?)/g, "$1");
  }

  return { fontCss, cssColor, setMnemonicText, plainCaption };
})();
