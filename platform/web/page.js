// The page's side of the web back end: the DOM behind the program's windows.
//
// The program (velmo.wasm) describes its windows through VelmoPage: a form
// becomes a framed panel of its client size under a title bar, centred on
// the page; each control an element placed at the pixels of its definition.
// What the player does comes back as events, queued here until the program
// asks for the next one (nextEvent), so the program handles one event at a
// time on its one stack, and modal waits (a modal form, a message box) are
// loops of the program's own. The program decides what a key does (Enter,
// Esc, Tab): the page only reports it, with the control that has the focus.
//
// Ids: forms and controls are numbered from 1 by the page; the program keeps
// the numbers. An event is one integer, kind << 24 | flags << 20 | id (a
// control's or a form's), and a second, its detail (eventDetail): kind 1 a
// button pressed; 2 an item chosen in a list (detail: the item); 3 the
// close box; 4 Enter, 5 Esc, 6 Tab in a form (detail: the focused control or
// 0; flag 1: a held key, or Shift with Tab).
"use strict";

const VelmoPage = (() => {
  const EVENT_CLICK = 1;
  const EVENT_CHOICE = 2;
  const EVENT_CLOSE = 3;
  const EVENT_ENTER = 4;
  const EVENT_ESCAPE = 5;
  const EVENT_TAB = 6;

  // Kinds and flags as platform/forms.h numbers them.
  const KIND = { label: 0, command: 1, graphical: 2, combo: 3, picture: 4 };
  const FLAG = { hidden: 1, default: 2, cancel: 4, centred: 8, takesFocus: 16 };

  const fontCss = VelmoText.fontCss, cssColor = VelmoText.cssColor;
  const setMnemonicText = VelmoText.setMnemonicText, plainCaption = VelmoText.plainCaption;

  const forms = new Map();     // id -> form
  const controls = new Map();  // id -> control
  let nextId = 1;
  let ended = false;

  const desktop = document.getElementById("desktop");

  // ---- events ---------------------------------------------------------------

  const queue = [];
  let wake = null;
  let detail = 0;

  function post(kind, id, eventDetail = 0, flags = 0) {
    if (ended)
      return;
    queue.push({ code: (kind << 24) | ((flags & 0xf) << 20) | id, detail: eventDetail });
    if (wake) {
      const w = wake;
      wake = null;
      w();
    }
  }

  async function nextEvent() {
    while (queue.length === 0)
      await new Promise(resolve => { wake = resolve; });
    const event = queue.shift();
    detail = event.detail;
    return event.code;
  }

  function eventDetail() {
    return detail;
  }

  // ---- forms ------------------------------------------------------------------

  function createForm(name, caption, width, height, dialog, closeBox, icon) {
    const id = nextId++;
    const slot = document.createElement("div");
    slot.className = "slot";
    slot.hidden = true;
    const frame = document.createElement("section");
    frame.className = "frame";
    frame.dataset.name = name;
    frame.setAttribute("role", "dialog");
    if (!dialog)
      frame.setAttribute("aria-roledescription", "ウィンドウ");
    const bar = document.createElement("div");
    bar.className = "titlebar";
    if (icon) {
      const img = document.createElement("img");
      img.src = "icons/velmo-16.png";
      img.alt = "";
      bar.append(img);
    }
    const title = document.createElement("span");
    title.className = "caption";
    title.id = `form${id}-caption`;
    title.textContent = caption;
    bar.append(title);
    frame.setAttribute("aria-labelledby", title.id);
    if (closeBox) {
      const close = document.createElement("button");
      close.type = "button";
      close.className = "close";
      close.tabIndex = -1;
      close.textContent = "×";
      close.setAttribute("aria-label", "閉じる");
      close.addEventListener("click", () => post(EVENT_CLOSE, id));
      bar.append(close);
    }
    const client = document.createElement("div");
    client.className = "client";
    client.style.width = `${width}px`;
    client.style.height = `${height}px`;
    frame.append(bar, client);
    slot.append(frame);
    const form = { id, slot, frame, client, width, height, modal: false, closed: false, controls: [],
                   pendingFocus: null, lastFocus: null };
    frame.addEventListener("focusin", event => {
      const control = form.controls.find(c => c.element === event.target);
      if (control)
        form.lastFocus = control;
    });
    forms.set(id, form);
    return id;
  }

  // Visible, and so is the picture box it lies in.
  function isShown(control) {
    for (let c = control; c; c = c.parent)
      if (c.element.hidden)
        return false;
    return true;
  }

  // The window takes the focus: the control the program gave it while the
  // window was not shown, or the one that had it last, or else the first
  // control in the focus order that can.
  function refocus(form) {
    const candidates = [form.pendingFocus, form.lastFocus,
                        ...form.controls.filter(c => c.focusable).sort((a, b) => a.tabIndex - b.tabIndex)];
    form.pendingFocus = null;
    const target = candidates.find(c => c && isShown(c));
    if (target)
      target.element.focus({ preventScroll: true });
  }

  function showForm(id, modal) {
    const form = forms.get(id);
    form.modal = !!modal;
    if (form.modal)
      form.frame.setAttribute("aria-modal", "true");
    loaded();
    desktop.append(form.slot);
    form.slot.hidden = false;
    arrange();
    // The newest window takes the input; a modal one keeps it from the
    // others until it goes.
    for (const other of forms.values())
      if (other !== form && !other.slot.hidden) {
        other.frame.classList.add("inactive");
        if (form.modal)
          other.slot.inert = true;
      }
    refocus(form);
  }

  // The window leaves the page for good; its elements stay until
  // destroyForm, so that the program may still set them.
  function closeForm(id) {
    const form = forms.get(id);
    if (!form || form.closed)
      return;
    form.closed = true;
    form.slot.remove();
    form.slot.hidden = true;
    const rest = [...forms.values()].filter(f => !f.slot.hidden);
    const modal = rest.filter(f => f.modal).pop();
    for (const f of rest)
      f.slot.inert = !!modal && f !== modal;
    const top = modal || rest[rest.length - 1];
    if (top) {
      top.frame.classList.remove("inactive");
      if (!top.frame.contains(document.activeElement))
        refocus(top);
    }
    arrange();
  }

  function destroyForm(id) {
    const form = forms.get(id);
    if (!form)
      return;
    closeForm(id);
    for (const c of form.controls)
      controls.delete(c.id);
    forms.delete(id);
  }

  // Scales every window down to fit a screen narrower or lower than it;
  // never up. Canvases stay crisp (image-rendering: pixelated).
  function arrange() {
    const margin = 16;
    for (const form of forms.values()) {
      const frame = form.frame;
      frame.style.transform = "";
      const w = frame.offsetWidth, h = frame.offsetHeight;
      const scale = Math.min(1, (window.innerWidth - margin) / w, (window.innerHeight - margin) / h);
      if (scale < 1)
        frame.style.transform = `scale(${scale})`;
      form.slot.style.width = `${w * Math.min(scale, 1)}px`;
      form.slot.style.height = `${h * Math.min(scale, 1)}px`;
      form.scale = scale;
    }
  }
  window.addEventListener("resize", arrange);

  // ---- keys -------------------------------------------------------------------

  // The window that takes the keys: the newest shown one that is not kept
  // from input by a modal one.
  function activeForm() {
    const shown = [...forms.values()].filter(f => !f.closed && !f.slot.hidden && !f.slot.inert);
    return shown[shown.length - 1];
  }

  document.addEventListener("keydown", event => {
    if (document.getElementById("msgbox").open)
      return;
    const form = activeForm();
    if (form)
      onKey(form, event);
  });

  // Tab, Enter and Esc go to the program with the control that has the
  // focus; an access key (Alt and the underlined letter) presses its button.
  function onKey(form, event) {
    if (event.defaultPrevented || ended)
      return;
    const focused = form.controls.find(c => c.element === document.activeElement);
    const plain = !event.altKey && !event.ctrlKey && !event.metaKey;
    if (event.key === "Tab" && plain) {
      event.preventDefault();
      post(EVENT_TAB, form.id, focused ? focused.id : 0, event.shiftKey ? 1 : 0);
      return;
    }
    if ((event.key === "Enter" || event.key === "Escape") && plain && !event.shiftKey) {
      event.preventDefault();
      post(event.key === "Enter" ? EVENT_ENTER : EVENT_ESCAPE, form.id, focused ? focused.id : 0,
           event.repeat ? 1 : 0);
      return;
    }
    if (event.altKey && !event.ctrlKey && !event.metaKey && /^Key[A-Z]$|^Digit[0-9]$/.test(event.code)) {
      const key = event.code.slice(-1);
      const target = form.controls.find(c => c.accessKey === key && isShown(c));
      if (target) {
        event.preventDefault();
        if (!event.repeat)
          post(EVENT_CLICK, target.id);
      }
    }
  }

  // ---- controls ---------------------------------------------------------------

  // parentId: the picture box the control lies in, or 0 for the form itself;
  // name: the definition's ("cmdStart"), kept on the element as data-name.
  function createControl(formId, parentId, kind, left, top, width, height, caption, family, points,
                         bold, color, tabIndex, flags, name, accessibleName) {
    const form = forms.get(formId);
    const parent = parentId ? controls.get(parentId) : null;
    const id = nextId++;
    let element;
    const control = { id, form, parent, kind, tabIndex, focusable: false, accessKey: "",
                      isDefault: !!(flags & FLAG.default),
                      depth: parent ? parent.depth + 1 : 0, caption, description: "" };
    switch (kind) {
    case KIND.label:
      element = document.createElement("div");
      element.className = "label";
      if (flags & FLAG.centred)
        element.classList.add("centred");
      element.textContent = caption;
      element.style.color = cssColor(color === 0xffffffff ? 0 : color);
      break;
    case KIND.command:
      element = document.createElement("button");
      element.type = "button";
      control.accessKey = setMnemonicText(element, caption);
      control.focusable = true;
      if (control.isDefault)
        element.classList.add("default");
      break;
    case KIND.graphical: {
      element = document.createElement("button");
      element.type = "button";
      element.className = "graphical";
      if (color !== 0xffffffff)
        element.style.backgroundColor = cssColor(color);
      control.focusable = true;
      break;
    }
    case KIND.combo: {
      element = document.createElement("select");
      for (const item of caption.split("\n")) {
        const option = document.createElement("option");
        option.textContent = item;
        element.append(option);
      }
      element.selectedIndex = -1;
      element.addEventListener("change", () => post(EVENT_CHOICE, id, element.selectedIndex));
      control.focusable = true;
      break;
    }
    case KIND.picture:
      element = document.createElement("canvas");
      element.className = "picture";
      element.width = width;
      element.height = height;
      control.focusable = !!(flags & FLAG.takesFocus);
      if (control.focusable) {
        element.tabIndex = 0;
        element.setAttribute("role", "img");
        element.addEventListener("blur", () => element.classList.remove("by-key"));
      }
      break;
    default:
      throw new Error(`unknown control kind ${kind}`);
    }
    if (kind === KIND.command || kind === KIND.graphical)
      element.addEventListener("click", () => post(EVENT_CLICK, id));
    if (kind !== KIND.picture || !control.focusable)
      element.tabIndex = control.focusable ? 0 : -1;
    if (kind !== KIND.picture && kind !== KIND.graphical && (points > 0 || family))
      element.style.font = fontCss(family || "MS UI Gothic", points || 9, bold);
    const x = left + (parent ? parent.x : 0), y = top + (parent ? parent.y : 0);
    control.x = x;
    control.y = y;
    element.style.left = `${x}px`;
    element.style.top = `${y}px`;
    element.style.width = `${width}px`;
    element.style.height = `${height}px`;
    element.style.zIndex = String(1 + control.depth * 1000 + form.controls.length);
    element.id = `c${id}`;
    element.dataset.name = name;
    if (accessibleName)
      element.setAttribute("aria-label", accessibleName);
    else if (kind === KIND.command)
      element.setAttribute("aria-label", plainCaption(caption));
    if (control.accessKey)
      element.setAttribute("aria-keyshortcuts", `Alt+${control.accessKey}`);
    element.hidden = !!(flags & FLAG.hidden);
    control.element = element;
    // The focus order is the document's order too, so that a screen reader
    // reads the window in the order Tab visits it.
    form.controls.push(control);
    controls.set(id, control);
    placeInOrder(form, control);
    return id;
  }

  function placeInOrder(form, control) {
    const after = form.controls
      .filter(c => c !== control && c.element.parentNode === form.client && c.tabIndex <= control.tabIndex)
      .pop();
    const background = form.client.querySelector("canvas.background");
    if (after)
      after.element.after(control.element);
    else if (background)
      background.after(control.element);
    else
      form.client.prepend(control.element);
  }

  // A label named by another control's definition ("段" beside its list)
  // becomes the page's <label> of that control; the control keeps its own
  // accessible name where it has one.
  function setLabelFor(labelId, controlId) {
    const label = controls.get(labelId), target = controls.get(controlId);
    if (!label || !target)
      return;
    const old = label.element;
    const element = document.createElement("label");
    element.htmlFor = target.element.id;
    element.className = old.className;
    element.style.cssText = old.style.cssText;
    element.id = old.id;
    Object.assign(element.dataset, old.dataset);
    element.textContent = old.textContent;
    element.hidden = old.hidden;
    old.replaceWith(element);
    label.element = element;
  }

  // ---- pictures ---------------------------------------------------------------

  // rgba: width * height pixels, 4 bytes each (red, green, blue, alpha): a
  // view of the program's memory, good only until the call returns, so the
  // picture goes onto the canvas at once and nothing keeps the view.
  function paint(canvas, rgba, width, height) {
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    if (!width || !height)
      return;
    const context = canvas.getContext("2d", { alpha: true });
    context.putImageData(new ImageData(rgba, width, height), 0, 0);
  }

  // The persistent image of a picture box, shown 1:1 from its top-left corner;
  // what the image does not cover stays the window's face colour.
  function showImage(id, rgba, width, height) {
    const control = controls.get(id);
    const canvas = control.element;
    const box = { w: parseInt(canvas.style.width, 10), h: parseInt(canvas.style.height, 10) };
    if (canvas.width !== box.w || canvas.height !== box.h) {
      canvas.width = box.w;
      canvas.height = box.h;
    }
    const context = canvas.getContext("2d", { alpha: true });
    // putImageData replaces every pixel it covers: only an image smaller
    // than the box leaves old pixels to clear.
    if (width < box.w || height < box.h)
      context.clearRect(0, 0, box.w, box.h);
    if (width && height)
      context.putImageData(new ImageData(rgba, width, height), 0, 0);
  }

  // The form's background picture, behind every control.
  function setBackground(formId, rgba, width, height) {
    const form = forms.get(formId);
    const canvas = document.createElement("canvas");
    canvas.className = "background";
    canvas.setAttribute("aria-hidden", "true");
    canvas.style.left = "0px";
    canvas.style.top = "0px";
    canvas.style.width = `${width}px`;
    canvas.style.height = `${height}px`;
    canvas.style.zIndex = "0";
    paint(canvas, rgba, width, height);
    form.client.prepend(canvas);
  }

  // A graphical button's picture, its mask colour already transparent.
  function setButtonPicture(id, rgba, width, height) {
    const button = controls.get(id).element;
    let canvas = button.querySelector("canvas");
    if (!canvas) {
      canvas = document.createElement("canvas");
      canvas.setAttribute("aria-hidden", "true");
      button.append(canvas);
    }
    canvas.style.width = `${width}px`;
    canvas.style.height = `${height}px`;
    paint(canvas, rgba, width, height);
  }

  // ---- properties -------------------------------------------------------------

  function setCaption(id, text) {
    const control = controls.get(id);
    control.caption = text;
    if (control.kind === KIND.command) {
      control.accessKey = setMnemonicText(control.element, text);
      control.element.setAttribute("aria-label", plainCaption(text));
    } else {
      control.element.textContent = text.replace(/\r\n/g, "\n");
    }
  }

  function setForeColor(id, bgr) {
    controls.get(id).element.style.color = cssColor(bgr);
  }

  function setVisible(id, visible) {
    controls.get(id).element.hidden = !visible;
  }

  // Before its window is shown, the control takes the focus when it is.
  // byKey: it came by Tab, so its focus mark shows.
  function setFocus(id, byKey) {
    const control = controls.get(id);
    if (control.form.slot.hidden || !control.form.slot.isConnected) {
      control.form.pendingFocus = control;
      return;
    }
    // A picture box marks only a focus that came from the keyboard.
    control.element.classList.toggle("by-key", !!byKey);
    control.element.focus({ preventScroll: true, focusVisible: !!byKey });
  }

  function hasFocus(id) {
    const control = controls.get(id);
    return !!control && document.activeElement === control.element;
  }

  function setDescription(id, text) {
    const control = controls.get(id);
    control.description = text;
    if (text)
      control.element.setAttribute("aria-description", text);
    else
      control.element.removeAttribute("aria-description");
  }

  function setListIndex(id, index) {
    controls.get(id).element.selectedIndex = index;
  }

  // ---- read back, for the tests ----------------------------------------------------

  // A control's rectangle in what it lies in (its picture box or the
  // window's client area), as its element is placed.
  function geometry(id) {
    const control = controls.get(id);
    const style = control.element.style;
    const px = v => Math.round(parseFloat(v));
    const parent = control.parent ? [px(control.parent.element.style.left), px(control.parent.element.style.top)]
                                  : [0, 0];
    return [px(style.left) - parent[0], px(style.top) - parent[1], px(style.width), px(style.height)];
  }

  // The element's own visibility, not its window's or its box's.
  function shown(id) {
    return !controls.get(id).element.hidden;
  }

  // The control that has the focus in the window, or that takes it when the
  // window is shown; 0 for none.
  function focusOf(formId) {
    const form = forms.get(formId);
    const focused = form.controls.find(c => c.element === document.activeElement);
    const control = focused || form.pendingFocus || form.lastFocus;
    return control ? control.id : 0;
  }

  // ---- screen readers, the end ----------------------------------------------

  const announce = VelmoDialogs.announce, msgBox = VelmoDialogs.msgBox;
  const openHelp = VelmoDialogs.openHelp, showEnded = VelmoDialogs.showEnded;

  // A label's text as news to be read at once; not again when the focused
  // control's description already carries it (the ending is said once).
  function alert(id) {
    const control = controls.get(id);
    const text = control.description || control.element.textContent.replace(/\s+/g, " ").trim();
    const focused = document.activeElement;
    if (focused && (focused.getAttribute("aria-description") || "").includes(text))
      return;
    announce(text);
  }

  function end(status) {
    ended = true;
    queue.length = 0;
    for (const id of [...forms.keys()])
      closeForm(id);
    showEnded(status);
    loaded();
  }

  // The program has shown its first window, or ended without one: the note
  // that it is loading goes.
  function loaded() {
    const loading = document.getElementById("loading");
    if (loading)
      loading.remove();
    registerWorker();
  }

  document.getElementById("restart").addEventListener("click", () => location.reload());
  // A program that cannot be fetched (the network gone while it loads)
  // fails a promise of Emscripten's that nothing handles: the page ends as
  // after an error and offers to start again, rather than saying it loads
  // for ever.
  window.addEventListener("unhandledrejection", () => {
    if (!ended)
      end(1);
  });

  // The page works offline once it has been visited: a service worker keeps
  // its files. It is registered once the first window has been painted (or
  // the program has ended without one): fetching and storing every file of
  // the page would otherwise compete with the program's start.
  let workerRegistered = false;
  function registerWorker() {
    if (workerRegistered)
      return;
    workerRegistered = true;
    if ("serviceWorker" in navigator && window.isSecureContext)
      requestAnimationFrame(() => setTimeout(() => navigator.serviceWorker.register("sw.js").catch(() => {})));
  }

  return {
    nextEvent, eventDetail, createForm, showForm, closeForm, destroyForm, createControl, setLabelFor, setBackground, showImage,
    setButtonPicture, setCaption, setForeColor, setVisible, setFocus, hasFocus, setDescription,
    setListIndex, announce, alert, msgBox, openHelp, end,
    // For the tests: what the page holds, read from its elements.
    state: () => ({ forms: forms.size, ended, queued: queue.length }),
    geometry, shown, focusOf,
  };
})();

// Emscripten's module (this script runs inside the program's own, after
// the module is made): its output goes to the console; a crash of the
// program ends it like an error.
Object.assign(Module, {
  print: text => console.log(text),
  printErr: text => console.error(text),
  onAbort: () => VelmoPage.end(1),
});
