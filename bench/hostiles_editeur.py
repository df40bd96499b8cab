#!/usr/bin/env python3
"""The editor on each hostile input (called by bench/hostiles.sh with EDITOR=1).

Needs an X display with a window manager (Xvfb and openbox) in DISPLAY, and
xdotool and ImageMagick's import. For each input: starts the editor on it
under /usr/bin/time -v, answers the Anki type question with OK, waits while
it works (its processor time grows), and notes the message box it shows (a
screenshot of the first ones), answers it, then checks the editor is still
running and idle with its window, notes the caption and the peak RSS.
"""
import argparse
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from hostiles import INPUTS, parse_time  # noqa: E402


def xdo(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split("\n")


def windows():
    """Visible named windows: id -> name."""
    found = {}
    for w in xdo("search", "--onlyvisible", "--name", "."):
        if w:
            found[w] = xdo("getwindowname", w)[0]
    return found


def principale(name):
    """The main window's caption: "Amblopad: micro Data Base" or "Amblopad - FILE"."""
    return name.startswith("Amblopad: ") or name.startswith("Amblopad - ")


def cpu_ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except OSError:
        return None


def press(window, key):
    # Focus first: a key sent to a window by XSendEvent can stay down in Xvfb.
    xdo("windowactivate", "--sync", window)
    xdo("key", key)


def child_of(pid):
    for _ in range(50):
        out = subprocess.run(["pgrep", "-P", str(pid)], capture_output=True, text=True).stdout.split()
        if out:
            return int(out[0])
        time.sleep(0.1)
    return None


def one(editor, path, shots, name, timeout, env):
    timing = os.path.join(shots, f".{name}.time")
    runner = subprocess.Popen(["/usr/bin/time", "-v", "-o", timing, editor, path], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pid = child_of(runner.pid)
    start = time.monotonic()
    messages = []
    idle = 0
    last = cpu_ticks(pid)
    while time.monotonic() - start < timeout:
        time.sleep(0.5)
        if runner.poll() is not None:
            break
        ticks = cpu_ticks(pid)
        busy = ticks is not None and last is not None and ticks > last
        last = ticks
        shown = windows()
        dialogs = {w: n for w, n in shown.items() if not principale(n)}
        if any(n == "Open the Anki deck as" for n in dialogs.values()):
            w = next(w for w, n in dialogs.items() if n == "Open the Anki deck as")
            press(w, "Return")
            idle = 0
            continue
        if busy:
            idle = 0
            continue
        idle += 1
        if idle < 3:  # a dialog that stays while nothing is computed is a message
            continue
        if dialogs:
            w, title = next(iter(dialogs.items()))
            shot = os.path.join(shots, f"{name}-message{len(messages) + 1}.png")
            subprocess.run(["import", "-window", "root", shot])
            messages.append(shot)
            if len(messages) > 5:
                break
            press(w, "Return")
            idle = 0
            continue
        break
    alive = runner.poll() is None and cpu_ticks(pid) is not None
    caption = next((n for n in windows().values() if principale(n)), "(no window)")
    elapsed = time.monotonic() - start
    if alive:
        os.kill(pid, 15)
    runner.wait()
    with open(timing) as f:
        text = f.read()
    os.remove(timing)
    _, _, rss = parse_time(text)
    signal = re.search(r"Command terminated by signal (\d+)", text)
    state = "alive" if alive else (f"DIED (signal {signal.group(1)})" if signal else "EXITED")
    return state, caption, messages, rss, elapsed


def capture(path):
    subprocess.run(["import", "-window", "root", path], check=True)


def progression(editor, small, deck, shots, env):
    """The window stays painted during a long open, and Cancel leaves the
    document shown: the editor shows SMALL, the same instance is asked to
    open DECK, screenshots are taken with the progress dialog up, once more
    after moving the dialog aside (the window under it must repaint), and
    after Cancel."""
    with open(env["AMBLOPAD_SETTINGS"], "w") as f:
        f.write("[General]\nuninst=1\n")
    first = subprocess.Popen([editor, small], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        time.sleep(0.2)
        main_window = next((w for w, n in windows().items() if principale(n)), None)
        if main_window and "Amblopad - " in xdo("getwindowname", main_window)[0]:
            break
    before = xdo("getwindowname", main_window)[0]
    capture(os.path.join(shots, "29-before.png"))
    # A second start hands the file to the running instance and exits.
    subprocess.run([editor, deck], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    pid = first.pid
    start = None
    seen = []
    for _ in range(600):
        time.sleep(0.1)
        dialogs = {w: n for w, n in windows().items() if not principale(n)}
        if any(n == "Open the Anki deck as" for n in dialogs.values()):
            press(next(w for w, n in dialogs.items() if n == "Open the Anki deck as"), "Return")
            start = time.monotonic()
            ticks = cpu_ticks(pid)
            continue
        if start is not None and dialogs:
            w = next(iter(dialogs))
            seen.append((time.monotonic() - start, (cpu_ticks(pid) - ticks) / os.sysconf("SC_CLK_TCK")))
            time.sleep(1.0)
            capture(os.path.join(shots, "29-progress.png"))
            # Move the dialog aside: what it covered is painted again while the read goes on.
            xdo("windowmove", "--sync", w, "20", "20")
            time.sleep(0.5)
            capture(os.path.join(shots, "29-progress-moved.png"))
            press(w, "Escape")
            break
    time.sleep(2)
    capture(os.path.join(shots, "29-cancelled.png"))
    after = xdo("getwindowname", main_window)[0]
    alive = first.poll() is None
    print(f"caption before: {before}")
    print(f"progress dialog seen {seen[0][0]:.1f} s after the type was chosen ({seen[0][1]:.2f} s of processor time)"
          if seen else "no progress dialog seen")
    print(f"caption after Cancel: {after}; editor {'alive' if alive else 'GONE'}; "
          f"remaining dialogs: {[n for n in windows().values() if not principale(n)]}")
    first.terminate()
    first.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--data", required=True)
    parser.add_argument("--editor", required=True)
    parser.add_argument("--shots", required=True, help="folder of the message screenshots")
    parser.add_argument("--timeout", type=int, default=300)
    parser.add_argument("--only", default="")
    parser.add_argument("--progression", nargs=2, metavar=("SMALL", "DECK"),
                        help="instead: the progress dialog and Cancel on DECK over SMALL")
    args = parser.parse_args()
    os.makedirs(args.shots, exist_ok=True)
    env = dict(os.environ, LANG="C.UTF-8", LANGUAGE="en", LC_ALL="C.UTF-8",
               AMBLOPAD_SETTINGS=os.path.join(args.shots, "settings.ini"))
    with open(env["AMBLOPAD_SETTINGS"], "w") as f:
        f.write("[General]\n")
    if args.progression:
        progression(args.editor, *args.progression, args.shots, env)
        return
    wanted = [w for w in args.only.split(",") if w]
    print("| item | input | size | editor | caption after | message shown | peak RSS | RSS / size |")
    print("|---|---|---|---|---|---|---|---|")
    for item, name, label, _, _ in INPUTS:
        if wanted and item not in wanted and name not in wanted:
            continue
        path = os.path.join(args.data, name)
        size = os.path.getsize(path)
        state, caption, messages, rss, elapsed = one(args.editor, path, args.shots, os.path.splitext(name)[0],
                                                     args.timeout, env)
        shown = ", ".join(os.path.basename(m) for m in messages) or "none"
        print(f"| {item} | {label} | {size / 1e6:.3g} MB | {state} after {elapsed:.0f} s | {caption} | {shown} | "
              f"{rss / 1e6:.0f} MB | {rss / size:.1f} |", flush=True)


if __name__ == "__main__":
    main()
