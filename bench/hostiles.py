#!/usr/bin/env python3
"""Hostile inputs, side by side on several builds (called by bench/hostiles.sh).

Writes each input once into the data folder, then runs `amblopad-cli info` on
it with every build in turn, under /usr/bin/time -v and a timeout, and prints
per input and build: the answer (read with its card count, refused with the
first line of the message, crashed, or stopped by the timeout), wall and
processor time, peak resident size and that size over the file's size.
A run stopped by the timeout is reported as such, never estimated.
"""
import argparse
import json
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tableau import ANKI_MODELS, anki_package  # noqa: E402

MB = 1000000
SIZES = (5, 10, 20, 50)
LINEAR = (10, 50)
ANKI_PLAIN = b"#separator:tab\n#html:false\n"
ANKI_HTML = b"#separator:tab\n#html:true\n"
DECKS = '{"1":{"name":"Default"}}'
# Short lines of mixed line ends, the text every "long text" input repeats.
MIXED = b"abcdefg\rabcdefg\nabcdef\r\n"
LINES = b"abcdefgh\n"


def repeat_to(unit, megabytes):
    return unit * (megabytes * MB // len(unit))


def anki_long_text(megabytes):
    return ANKI_PLAIN + b'q\t"' + repeat_to(MIXED, megabytes) + b'"\n'


def moodle(questions):
    return b'<?xml version="1.0"?><quiz>' + b"".join(
        b'<question type="essay"><name><text>n</text></name><questiontext><text>' + text
        + b"</text></questiontext></question>" for text in questions) + b"</quiz>"


def gift_block(text):
    return b"::n::" + text + b"{}\n\n"


# Texts at the reader's limit (99,000 lines), repeated to the size: both
# builds read them whole, so the time they take compares directly.
LONGEST = LINES * 99000
LONGEST_MIXED = MIXED * 33000


def many(unit, megabytes):
    return max(1, megabytes * MB // len(unit))


def deck_text(notes):
    return ANKI_PLAIN + b"".join(b"question %d\tanswer %d\n" % (i, i) for i in range(notes))


# (issue item, file name, label, bytes (a function of the folder), check).
# check: the number of 'q' a whole read keeps in its dump, when cutting the
# text short is the fault the input was made to show.
INPUTS = [
    ("1", "html-field-833k.txt", "Anki text #html:true, one field of 833,333 q<br>",
     lambda d: ANKI_HTML + b"a\t" + b"q<br>" * 833333 + b"\n", 833333),
    ("1", "html-field-2m.apkg", ".apkg, one field of 2,000,000 q<br>",
     lambda d: anki_package(d, ANKI_MODELS, DECKS, ["q<br>" * 2000000]), 2000000),
    ("3", "lines-10mb.txt", "Anki text, one field of 5 M lines (10 MB)",
     lambda d: ANKI_PLAIN + b'a\t"' + b"q\n" * 5000000 + b'"\n', None),
    ("3", "lines-20mb.txt", "Anki text, one field of 10 M lines (20 MB)",
     lambda d: ANKI_PLAIN + b'a\t"' + b"q\n" * 10000000 + b'"\n', None),
    ("4", "default-column-1k.apkg", ".apkg, 1,000 notes, flds default of 300 KB",
     lambda d: anki_package(d, ANKI_MODELS, DECKS, [""] * 1000, "<p>" * 100000), None),
    ("4", "default-column-100k.apkg", ".apkg, 100,000 notes, flds default of 300 KB",
     lambda d: anki_package(d, ANKI_MODELS, DECKS, [""] * 100000, "<p>" * 100000), None),
] + [
    ("5", f"one-text-anki-{mb}mb.txt", f"Anki text #html:false, one {mb} MB field",
     (lambda mb: lambda d: anki_long_text(mb))(mb), None) for mb in SIZES
] + [
    ("5", f"one-text-moodle-{mb}mb.xml", f"Moodle XML, one {mb} MB question text",
     (lambda mb: lambda d: moodle([repeat_to(LINES, mb)]))(mb), None) for mb in SIZES
] + [
    ("5", f"one-text-gift-{mb}mb.gift", f"GIFT, one block of {mb} MB",
     (lambda mb: lambda d: gift_block(repeat_to(LINES, mb)))(mb), None) for mb in SIZES
] + [
    ("5", f"longest-anki-{mb}mb.txt", f"Anki text #html:false, {mb} MB of 99,000-line fields",
     (lambda mb: lambda d: ANKI_PLAIN + (b'q\t"' + LONGEST_MIXED + b'"\n') * many(LONGEST_MIXED, mb))(mb), None)
    for mb in LINEAR
] + [
    ("5", f"longest-moodle-{mb}mb.xml", f"Moodle XML, {mb} MB of 99,000-line texts",
     (lambda mb: lambda d: moodle([LONGEST] * many(LONGEST, mb)))(mb), None) for mb in LINEAR
] + [
    ("5", f"longest-gift-{mb}mb.gift", f"GIFT, {mb} MB of 99,000-line blocks",
     (lambda mb: lambda d: gift_block(LONGEST) * many(LONGEST, mb))(mb), None) for mb in LINEAR
] + [
    ("6", "empty-answers.gift", "GIFT, one question of 3 M empty answers",
     lambda d: b"Q{" + b"~" * 3000000 + b"}\n", None),
    ("6", "answers.gift", "GIFT, one question of 3 M answers",
     lambda d: b"Q{" + b"~a" * 3000000 + b"}\n", None),
    ("6", "options.txt", "Aiken, one question of 3 M options",
     lambda d: b"Q?\n" + b"A) x\n" * 3000000 + b"ANSWER: A\n", None),
    # The same after a plain question, so that the file's head looks like Aiken.
    ("6", "options-after.txt", "Aiken, one question, then one of 3 M options",
     lambda d: b"Q?\nA) x\nB) y\nANSWER: A\n\nQ?\n" + b"A) x\n" * 3000000 + b"ANSWER: A\n", None),
    ("6", "empty-columns.txt", "Anki text, 10 M empty columns",
     lambda d: ANKI_PLAIN + b"a" + b"\t" * 10000000 + b"\n", None),
    ("6", "columns.txt", "Anki text, 10 M columns",
     lambda d: ANKI_PLAIN + b"a\t" * 10000000 + b"\n", None),
    ("6", "separators.apkg", ".apkg, one field of 10 M separators",
     lambda d: anki_package(d, ANKI_MODELS, DECKS, ["\x1f" * 10000000]), None),
    ("6", "model-name.apkg", ".apkg, 200 MB note type name",
     lambda d: anki_package(d, '{"42":{"id":42,"name":"' + "x" * 200000000 + '","flds":[{"name":"Front"}]}}',
                            DECKS, ["a"]), None),
    ("6", "deck-keys.apkg", ".apkg, 10 M keys in col.decks",
     lambda d: anki_package(d, ANKI_MODELS, "{" + ",".join('"%d":{}' % i for i in range(10000000)) + "}",
                            ["a"]), None),
    ("6", "plain-field-200mb.txt", "Anki text, one 200 MB plain field",
     lambda d: ANKI_PLAIN + b"a\t" + b"x" * 200000000 + b"\n", None),
    ("6", "fields.csv", "CSV, one line of 10 M fields",
     lambda d: b";" * 10000000, None),
    ("7", "deck-1m.apkg", ".apkg, 1,000,000 notes of two short fields",
     lambda d: anki_package(d, ANKI_MODELS, DECKS, ["question %d\x1fanswer %d" % (i, i) for i in range(1000000)]),
     None),
    ("7", "deck-1m-amblopad.apkg", ".apkg, 1,000,000 notes written by the AFTER build", None, None),
]


def write_inputs(folder, writer_cli, env):
    os.makedirs(folder, exist_ok=True)
    for item, name, _, make, _ in INPUTS:
        path = os.path.join(folder, name)
        if os.path.exists(path):
            continue
        print(f"# writing {name}", file=sys.stderr)
        if make is None:  # a deck of the program's own writer
            text = os.path.join(folder, "deck-1m-source.txt")
            with open(text, "wb") as out:
                out.write(deck_text(1000000))
            subprocess.run([writer_cli, "convert", text, path + ".tmp", "--to", "k"], check=True, env=env,
                           stdout=subprocess.DEVNULL)
            os.remove(text)
            os.replace(path + ".tmp", path)
            continue
        data = make(folder)
        with open(path + ".tmp", "wb") as out:
            out.write(data)
        os.replace(path + ".tmp", path)


def parse_time(text):
    """Wall, processor seconds and peak RSS (bytes) from /usr/bin/time -v."""
    wall = cpu = rss = None
    m = re.search(r"Elapsed \(wall clock\) time .*: (?:(\d+):)?(\d+):([\d.]+)", text)
    if m:
        wall = int(m.group(1) or 0) * 3600 + int(m.group(2)) * 60 + float(m.group(3))
    user = re.search(r"User time \(seconds\): ([\d.]+)", text)
    system = re.search(r"System time \(seconds\): ([\d.]+)", text)
    if user and system:
        cpu = float(user.group(1)) + float(system.group(1))
    m = re.search(r"Maximum resident set size \(kbytes\): (\d+)", text)
    if m:
        rss = int(m.group(1)) * 1024
    return wall, cpu, rss


SIGNALS = {134: "SIGABRT", 135: "SIGBUS", 136: "SIGFPE", 137: "SIGKILL", 139: "SIGSEGV"}


def run(cli, path, timeout, env, check):
    """One measured `info` run: (answer, wall, cpu, rss)."""
    timing = path + ".time"
    command = ["/usr/bin/time", "-v", "-o", timing, "timeout", "-k", "10", str(timeout), cli, "info", path]
    start = time.monotonic()
    result = subprocess.run(command, capture_output=True, env=env)
    elapsed = time.monotonic() - start
    with open(timing, encoding="utf-8", errors="replace") as f:
        wall, cpu, rss = parse_time(f.read())
    os.remove(timing)
    code = result.returncode
    if code == 124 or (code == 137 and elapsed >= timeout):
        return f"> {timeout} s, stopped", None, cpu, rss
    if code == 0 and b"format: ?" in result.stdout:
        return "not recognised (format ?)", wall, cpu, rss
    if code == 0:
        cards = re.search(rb"cards: (\d+)", result.stdout)
        answer = "read, %s cards" % (cards.group(1).decode() if cards else "?")
        if check is not None:
            dump = subprocess.run([cli, "dump", path], capture_output=True, env=env)
            kept = json.dumps(json.loads(dump.stdout)).count("q") if dump.returncode == 0 else None
            answer += "" if kept == check else f", TEXT CUT: {kept} of {check} q kept"
        return answer, wall, cpu, rss
    if code == 1:
        message = result.stderr.decode(errors="replace").strip().splitlines()
        first = message[0] if message else ""
        return "refused: " + (first if len(first) <= 110 else first[:107] + "..."), wall, cpu, rss
    return f"CRASH (exit {code}, {SIGNALS.get(code, '?')})", wall, cpu, rss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--data", required=True)
    parser.add_argument("--cli", action="append", required=True, help="NAME=PATH, in the order of the columns")
    parser.add_argument("--timeout", type=int, default=300)
    parser.add_argument("--only", default="", help="comma-separated issue items (1,3,4,5,6,7) or file names")
    args = parser.parse_args()
    builds = [tuple(c.split("=", 1)) for c in args.cli]
    env = dict(os.environ, LANG="C.UTF-8", LANGUAGE="en", LC_ALL="C.UTF-8")
    settings = os.path.join(args.data, "settings.ini")
    os.makedirs(args.data, exist_ok=True)
    with open(settings, "w") as f:
        f.write('[General]\ncomma=";"\ncsvutf=1\nxmlutf=1\n')
    env["AMBLOPAD_SETTINGS"] = settings
    write_inputs(args.data, builds[-1][1], env)
    wanted = [w for w in args.only.split(",") if w]

    # The same program on a two-byte file: what any run costs.
    tiny = os.path.join(args.data, "tiny.csv")
    with open(tiny, "wb") as out:
        out.write(b"a\n")
    for name, cli in builds:
        _, _, _, rss = run(cli, tiny, args.timeout, env, None)
        print(f"# {name}: peak RSS on a two-byte file {rss / 1e6:.0f} MB")
    print("| item | input | size | build | answer | wall | cpu | peak RSS | RSS / size |")
    print("|---|---|---|---|---|---|---|---|---|")
    seconds = {}
    for item, name, label, _, check in INPUTS:
        if wanted and item not in wanted and name not in wanted:
            continue
        path = os.path.join(args.data, name)
        size = os.path.getsize(path)
        for build, cli in builds:
            answer, wall, cpu, rss = run(cli, path, args.timeout, env, check)
            seconds[(build, name)] = (wall, cpu)
            goal = max(20 * size, 256 << 20)
            over = " (over)" if rss is not None and rss > goal else ""
            shown = "-" if wall is None else f"{wall:.2f} s"
            print(f"| {item} | {label} | {size / 1e6:.3g} MB | {build} | {answer} | {shown} | "
                  f"{cpu:.2f} s | {rss / 1e6:.0f} MB{over} | {rss / size:.1f} |", flush=True)
    # Linear time: five times the input, about five times the time.
    rows = []
    for kind, label in (("one-text-anki", "Anki text #html:false, one field"),
                        ("one-text-moodle", "Moodle XML, one question text"),
                        ("one-text-gift", "GIFT, one block"),
                        ("longest-anki", "Anki text #html:false, 99,000-line fields"),
                        ("longest-moodle", "Moodle XML, 99,000-line texts"),
                        ("longest-gift", "GIFT, 99,000-line blocks")):
        ext = {"anki": "txt", "moodle": "xml", "gift": "gift"}[kind.rsplit("-", 1)[1]]
        for build, _ in builds:
            small = seconds.get((build, f"{kind}-{LINEAR[0]}mb.{ext}"))
            large = seconds.get((build, f"{kind}-{LINEAR[1]}mb.{ext}"))
            if not small or not large:
                continue
            if large[0] is None:
                rows.append(f"| {label} | {build} | > {args.timeout} s, stopped | | |")
                continue
            rows.append(f"| {label} | {build} | {large[0] / small[0]:.1f} | {large[1] / max(small[1], 0.01):.1f} "
                        f"| {small[1]:.2f} s / {large[1]:.2f} s |")
    if rows:
        print(f"\n| {LINEAR[1]} MB / {LINEAR[0]} MB (linear is about {LINEAR[1] // LINEAR[0]}) | build | "
              "wall ratio | cpu ratio | cpu 10 MB / 50 MB |")
        print("|---|---|---|---|---|")
        print("\n".join(rows))


if __name__ == "__main__":
    main()
