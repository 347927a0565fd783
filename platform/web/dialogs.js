// The page's own dialogs and voices: the polite live region for screen
// readers, the message box, the help tab and the note that the program has
// ended. Runs before page.js.
const VelmoDialogs = (() => {
  const announcer = document.getElementById("announcer");
  let announceTimer = 0;

  // News without a move of the focus, through a polite live region. The
  // region is emptied first, so the same news twice is read twice.
  function announce(text) {
    announcer.textContent = "";
    clearTimeout(announceTimer);
    announceTimer = setTimeout(() => { announcer.textContent = text; }, 50);
  }

  // ---- message box ------------------------------------------------------------

  const ICONS = { 16: "critical", 32: "question", 48: "exclamation", 64: "information" };

  // Shows the message box and resolves once the player has closed it (OK,
  // Enter, Space or Esc).
  function msgBox(text, title, style) {
    const box = document.getElementById("msgbox");
    document.getElementById("msgbox-title").textContent = title;
    document.getElementById("msgbox-text").textContent = text.replace(/\r\n/g, "\n");
    const icon = document.getElementById("msgbox-icon");
    const name = ICONS[style & 0x70];
    icon.hidden = !name;
    if (name)
      icon.src = `icons/${name}.svg`;
    const owner = document.activeElement;
    return new Promise(resolve => {
      box.addEventListener("close", () => {
        if (owner && owner.isConnected)
          owner.focus({ preventScroll: true });
        resolve();
      }, { once: true });
      box.showModal();
      document.getElementById("msgbox-ok").focus();
    });
  }

  // ---- help, the end ------------------------------------------------------------

  // The help opens in a tab (or window) of its own; pressed again, the
  // button brings the same tab back rather than a second one.
  function openHelp(address) {
    window.open(address, "velmo-help");
  }

  // The windows are gone: a short note, and a way to start again.
  function showEnded(status) {
    const box = document.getElementById("msgbox");
    if (box.open)
      box.close();
    const note = document.getElementById("ended");
    document.getElementById("ended-text").textContent =
      status === 0 ? "Velmo は終了しました。" : "Velmo はエラーで終了しました。";
    note.hidden = false;
    document.getElementById("restart").focus();
  }

  return { announce, msgBox, openHelp, showEnded };
})();
