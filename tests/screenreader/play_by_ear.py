#!/usr/bin/env python3
"""Two whole games of the real velmo played by keyboard alone, as Orca speaks them.

usage: play_by_ear.py VELMO

Orca runs headless in a private session (orca_session.py) and every check is
on what it says: the start dialog with its piece count and a change of it,
the game window as it opens, the news after each accepted move, a refused
move's box, and both endings, each said once without a run of focus
announcements. Without a window manager nobody gives a new window the
keyboard focus; the test does (xdotool), and since Orca now and then misses a
window's first activation, that step is retried a few times.

Exit status 0 when every check passes, 77 when Orca or its tools are
missing, 1 otherwise. VELMO_KEEP_ORCA_LOG=1 keeps Orca's log for a look.
"""

import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from orca_session import Session, SessionError, wait_until  # noqa: E402

GAME_ENV = {"QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_QPA_PLATFORM": "xcb"}

# The focus order: board, help, cmdMove(0) .. cmdMove(5).
FIRST_MOVE_BUTTON = 2
MOVE_NAMES = ["ピースを %d から %d へ移動 push button." % m
              for m in [(1, 2), (1, 3), (2, 1), (2, 3), (3, 2), (3, 1)]]


class Failure(Exception):
    pass


class Player:
    def __init__(self, session, velmo):
        self.s = session
        self.velmo = velmo
        self.heard = 0  # utterances already looked at
        self.transcript = []

    def news(self):
        """Utterances since the last call, without Orca's key echo."""
        spoken = self.s.spoken()
        new, self.heard = spoken[self.heard:], len(spoken)
        new = [u for u in new if not u.endswith(" ")]  # "tab ", "return ": key echo
        self.transcript += new
        return new

    def expect(self, keys, *fragments, timeout=10):
        """Presses the keys, then waits until each fragment has been spoken, in order."""
        for key in keys:
            self.s.xdotool("key", "--delay", "120", key)
        said = []

        def heard_all():
            said.extend(self.news())
            pos = 0
            for fragment in fragments:
                while pos < len(said) and fragment not in said[pos]:
                    pos += 1
                if pos == len(said):
                    return False
            return True

        try:
            wait_until(heard_all, timeout, "speech")
        except SessionError:
            raise Failure("after %s expected %r, Orca said %r" % (keys, fragments, said))
        return said

    def quiet(self, seconds=1.0):
        """What Orca says within the next moments, when nothing more is expected."""
        time.sleep(seconds)
        return self.news()

    def windows(self):
        out = self.s.xdotool("search", "--onlyvisible", "--name", "^Velmo$")
        return out.split()

    def focus_window(self, wid, *fragments):
        """Gives the window the keyboard focus, as a window manager would, until Orca
        has presented it."""
        for _ in range(4):
            self.s.xdotool("windowfocus", "--sync", wid)
            try:
                return self.expect([], *fragments, timeout=4)
            except Failure:
                # Orca missed the activation: focus elsewhere and come back.
                self.s.xdotool("windowfocus", "--sync", self.root)
                time.sleep(0.3)
        raise Failure("Orca did not present window %s: %r" % (wid, fragments))

    def open_game(self, pieces):
        """Starts velmo, chooses the piece count with Up, starts; returns the process."""
        self.root = subprocess.run(["xwininfo", "-root", "-int"], env=self.s.env,
                                   capture_output=True, text=True).stdout.split()[3]
        proc = self.s.start([self.velmo], GAME_ENV)
        dialog = wait_until(self.windows, 20, "the start dialog")[0]
        said = self.focus_window(dialog, "Velmo dialog", "段 combo box", "5段")
        check(said, "5段", once=True)
        for count in range(4, pieces - 1, -1):
            self.expect(["Up"], "%d段" % count)
        self.s.xdotool("key", "Return")
        game = wait_until(lambda: [w for w in self.windows() if w != dialog], 20, "the game window")
        self.game = game[0]
        said = self.focus_window(self.game, "Velmo", "盤面", "現在 1手目")
        shortest = 2 ** pieces - 1
        opening = [u for u in said if "現在 1手目" in u][0]
        tower = ", ".join(str(p) for p in range(pieces, 0, -1))
        if not opening.startswith("%d段 / 最短 %d手、現在 1手目。下から順に 位置 1: %s / 位置 2: なし"
                                  % (pieces, shortest, tower)):
            raise Failure("opening: %r" % opening)
        self.focus = 0  # place in the focus order
        return proc

    def keys_to(self, button):
        """Tab or Shift+Tab presses from the focused control to move button `button`."""
        steps = FIRST_MOVE_BUTTON + button - self.focus
        self.focus = FIRST_MOVE_BUTTON + button
        return ["Tab"] * steps if steps > 0 else ["shift+Tab"] * -steps

    def move(self, button, *fragments, key="Return"):
        """Walks the focus to the button until Orca names it, and presses it."""
        keys = self.keys_to(button)
        if keys:
            self.expect(keys, MOVE_NAMES[button])
        return self.expect([key], *fragments)


def check(said, fragment, once=False):
    hits = [u for u in said if fragment in u]
    if not hits or (once and len(hits) > 1):
        raise Failure("expected %r %s in %r" % (fragment, "once" if once else "", said))


def ending(player, said, text):
    """The ending is said once, on the board, and nothing after it: no move
    button is announced as the buttons disappear."""
    said = said + player.quiet(1.5)
    check(said, text, once=True)
    tail = said[[i for i, u in enumerate(said) if text in u][0]:]
    if any(name in u for u in said for name in MOVE_NAMES) or len(tail) != 1:
        raise Failure("ending: %r" % said)
    player.focus = 0


def solved_game(p):
    """Three pieces, a refused move, the shortest solution onto place 3."""
    proc = p.open_game(3)
    p.move(2, "alert できません", "この位置にはピースがありません", "OK push button")
    p.s.xdotool("key", "Return")  # closes the box
    # A window manager gives the game window the focus back; the pressed button kept it.
    p.focus_window(p.game, MOVE_NAMES[2])
    steps = [  # button, piece, from, to, tower after the move
        (1, 1, 1, 3, "位置 1: 3, 2 / 位置 2: なし / 位置 3: 1"),
        (0, 2, 1, 2, "位置 1: 3 / 位置 2: 2 / 位置 3: 1"),
        (4, 1, 3, 2, "位置 1: 3 / 位置 2: 2, 1 / 位置 3: なし"),
        (1, 3, 1, 3, "位置 1: なし / 位置 2: 2, 1 / 位置 3: 3"),
        (2, 1, 2, 1, "位置 1: 1 / 位置 2: 2 / 位置 3: 3"),
        (3, 2, 2, 3, "位置 1: 1 / 位置 2: なし / 位置 3: 3, 2"),
    ]
    for turn, (button, piece, src, dst, tower) in enumerate(steps, start=2):
        key = "space" if turn % 2 else "Return"  # both press the focused button
        said = p.move(button, "ピース %d を %d から %d へ。現在 %d手目。下から順に %s."
                      % (piece, src, dst, turn, tower), key=key)
        check(said, "ピース", once=True)
    said = p.move(1, "盤面", "完成！  おめでとうございます。 3段 / 最短 7手、現在 7手目。"
                  "下から順に 位置 1: なし / 位置 2: なし / 位置 3: 3, 2, 1.")
    ending(p, said, "完成！")
    # The focus rests on the board: Space does nothing, Tab finds help, then quit.
    p.s.xdotool("key", "space")
    if p.quiet(0.8) or proc.poll() is not None:
        raise Failure("Space after the ending did something")
    p.expect(["Tab"], "ﾍﾙﾌﾟ(H)... push button")
    p.expect(["Tab"], "終了(Q) push button")
    p.s.xdotool("key", "Return")
    if proc.wait(timeout=10) != 0:
        raise Failure("quit ended with status %d" % proc.returncode)


def failed_game(p):
    """Three pieces moved to and fro until the budget of 7 moves is spent."""
    proc = p.open_game(3)
    for turn in range(2, 8):
        button = 0 if turn % 2 == 0 else 2
        p.move(button, "へ。現在 %d手目。" % turn)
    said = p.move(0, "盤面", "残念！  手数オーバーです。 3段 / 最短 7手、現在 7手目。"
                  "下から順に 位置 1: 3, 2 / 位置 2: 1 / 位置 3: なし.")
    ending(p, said, "残念！")
    p.s.xdotool("key", "alt+q")
    if proc.wait(timeout=10) != 0:
        raise Failure("Alt+Q ended with status %d" % proc.returncode)


def too_long(signum, frame):
    raise Failure("the games took too long")


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    needed = ["/usr/bin/orca", "/usr/libexec/at-spi-bus-launcher", "Xvfb", "xdotool",
              "xwininfo", "dbus-daemon"]
    missing = [n for n in needed if not shutil.which(n)]
    if missing:
        print("skipped: missing " + " ".join(missing))
        return 77
    signal.signal(signal.SIGALRM, too_long)
    signal.alarm(180)  # well within ctest's limit, so that the session always ends here
    session = Session()
    player = Player(session, os.path.abspath(sys.argv[1]))
    status = 1
    try:
        for game in (solved_game, failed_game):
            game(player)
            print("== %s: passed" % game.__name__)
        status = 0
    except (Failure, SessionError, subprocess.TimeoutExpired) as error:
        print("FAILED:", error)
    finally:
        print("\n".join("  " + u for u in player.transcript))
        session.close(keep=status != 0)
    return status


if __name__ == "__main__":
    sys.exit(main())
