#!/usr/bin/env python3
"""Runs every benchmark and prints the table (called by bench/run.sh).

Each row pairs one of our operations with the command a user would otherwise
reach for, both measured in this run, several times, and compares medians.
Library calls (ChargerXml, Trier...) are timed inside bench_core; whole
programs (amblopad-cli convert, xmllint, python3, sort, cat) are timed as
processes, wall clock from start to exit, alternating ours and theirs so that
a drift of the machine's speed touches both. Processor time (user + sys) is
shown beside the wall-clock ratio: on a shared machine it is the steadier one.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


PEAK_RSS = {}


def run_process(command, env, accepted=(0,)):
    """Wall and processor seconds of one run; raises on a failed run. The
    peak resident size (bytes) of the command's last run goes to PEAK_RSS."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    error = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    if process.returncode not in accepted:
        raise RuntimeError(f"{' '.join(command)} failed ({process.returncode}): {error.strip()}")
    PEAK_RSS[tuple(command)] = usage.ru_maxrss * 1024
    return wall, usage.ru_utime + usage.ru_stime


def measure_pair(ours, theirs, runs, env):
    """Both commands in turn (one warm-up each), medians of wall and cpu."""
    run_process(ours, env)
    run_process(theirs, env)
    a, b = [], []
    for _ in range(runs):
        a.append(run_process(ours, env))
        b.append(run_process(theirs, env))
    return medians(a), medians(b)


def measure_process(command, runs, env, accepted=(0,)):
    run_process(command, env, accepted)
    return medians([run_process(command, env, accepted) for _ in range(runs)])


def medians(pairs):
    return statistics.median(p[0] for p in pairs), statistics.median(p[1] for p in pairs)


def bench_core(build, operation, path, runs, env):
    """Median wall and cpu seconds of a library call, and the bytes handled."""
    out = subprocess.run([os.path.join(build, "bench", "bench_core"), operation, path, str(runs)],
                         check=True, capture_output=True, text=True, env=env).stdout.split()
    return (float(out[1]), float(out[3])), int(out[4])


class Table:
    def __init__(self):
        self.rows = []

    def add(self, operation, n, ours, theirs, comparison, goal=None, size=None, note=""):
        self.rows.append((operation, n, ours, theirs, comparison, goal, size, note))
        self.print_row(self.rows[-1])

    def add_text(self, operation, n, ours, comparison, theirs, ratio, verdict):
        """A row whose figures are not two times (absolute goals, memory)."""
        print(f"{operation:<34} {n:>7} {ours:>9} {'':>7}  {comparison:<30} {theirs:>9} {ratio:>6} "
              f"{'':>9}  {verdict}")
        sys.stdout.flush()

    @staticmethod
    def header():
        print(f"{'operation':<34} {'N':>7} {'median':>9} {'MB/s':>7}  {'compared with':<30} "
              f"{'median':>9} {'ratio':>6} {'cpu ratio':>9}  goal")
        sys.stdout.flush()

    @staticmethod
    def print_row(row):
        operation, n, ours, theirs, comparison, goal, size, note = row
        if ours is None:
            print(f"{operation:<34} {n:>7} {'-':>9} {'':>7}  {comparison:<30} {'-':>9} {'-':>6} "
                  f"{'-':>9}  {note}")
            sys.stdout.flush()
            return
        ratio = ours[0] / theirs[0]
        cpu_ratio = ours[1] / theirs[1] if theirs[1] > 0 else float("nan")
        rate = f"{size / ours[0] / 1e6:7.0f}" if size else f"{'':>7}"
        verdict = ""
        if goal is not None:
            verdict = f"<= {goal:<4} " + ("met" if ratio <= goal else "MISSED")
        print(f"{operation:<34} {n:>7} {ours[0] * 1000:7.0f}ms {rate}  {comparison:<30} "
              f"{theirs[0] * 1000:7.0f}ms {ratio:6.2f} {cpu_ratio:9.2f}  {verdict}{note}")
        sys.stdout.flush()


def hostile_files(folder):
    """Files made to exhaust memory or time, written by a separate process (a
    child of this one would start with its memory, and its peak RSS with it);
    name -> path."""
    subprocess.run([sys.executable, os.path.abspath(__file__), "--hostile-files", folder], check=True)
    return {name: os.path.join(folder, name) for name in sorted(os.listdir(folder))}


def write_hostile_files(folder):
    paths = {}

    def write(name, data):
        paths[name] = os.path.join(folder, name)
        with open(paths[name], "wb") as out:
            out.write(data)

    attributes = b"".join(b' a%d="x"' % i for i in range(1000000))
    write("attributes.xaqL", b'<?xml version="1.0"?>\n<AMBLORINE><TYPE>L</TYPE><FICHE' + attributes
          + b"><Q>q</Q><R>r</R></FICHE></AMBLORINE>\n")
    count = 65535
    text = 5 + 52 * count
    entry = bytearray(52)
    entry[6:10] = text.to_bytes(4, "little")
    entry[11:16] = b"title"
    write("shared.crd", b"MGC" + count.to_bytes(2, "little") + bytes(entry) * count + b"\0\0"
          + (65535).to_bytes(2, "little") + b"x" * 65535)
    write("lines.csv", b"a\n" * (5 << 20))
    write("empty.xml", b'<?xml version="1.0"?><quiz>' + b"<a/>" * 2500000 + b"</quiz>")
    root = b'<?xml version="1.0"?><AMBLORINE TYPE="L" ID_FICHE="F" ID_CHAMP2="C">'
    write("stream.xaqL", root + b"<F/>" * 2500000 + b"</AMBLORINE>")
    # Options after the cards: the stream gives up and the whole tree is read.
    write("tree.xaqL", root + b"<F><C>a</C></F>" * 700000 + b"<OPTIONS/></AMBLORINE>")
    return paths


def hostile_rows(table, cli, runs, env):
    """Hostile files are answered (read or refused) in bounded time and memory:
    wall time against an absolute goal, peak RSS (above a run on a two-byte
    file) over the file's size."""
    with tempfile.TemporaryDirectory() as tmp:
        paths = hostile_files(tmp)
        path = paths["attributes.xaqL"]
        wall, _ = measure_process([cli, "info", path], runs, env, accepted=(0, 1))
        table.add_text("hostile: 12 MB, 1,000,000 attributes", 1, f"{wall:.2f}s", "", "", "",
                       "< 10 s " + ("met" if wall < 10 else "MISSED"))
        tiny = os.path.join(tmp, "tiny.csv")
        with open(tiny, "wb") as out:
            out.write(b"a\n")
        measure_process([cli, "info", tiny], 1, env)
        baseline = PEAK_RSS[(cli, "info", tiny)]
        for name, label in (("shared.crd", "Cardfile, one shared 64 KB text"),
                            ("lines.csv", "CSV, 10 MB of two-byte lines"),
                            ("empty.xml", "Moodle, 2,500,000 empty elements"),
                            ("stream.xaqL", "XML, 2,500,000 empty cards"),
                            ("tree.xaqL", "XML, whole tree, 700,000 cards")):
            path = paths[name]
            command = [cli, "info", path]
            measure_process(command, 1, env, accepted=(0, 1))
            size = os.path.getsize(path)
            peak = PEAK_RSS[tuple(command)] - baseline  # above amblopad-cli on a two-byte file
            ratio = peak / size
            goal = max(20, (256 << 20) / size)
            table.add_text(f"hostile: {label}", 1, f"{peak / 1e6:.0f}MB", "file size", f"{size / 1e6:.1f}MB",
                           f"{ratio:.1f}", f"<= {goal:.0f} " + ("met" if ratio <= goal else "MISSED"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--n", type=int, required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--locale", required=True)
    parser.add_argument("--only", default="", help="comma-separated operation prefixes")
    args = parser.parse_args()

    env = dict(os.environ, LC_ALL=args.locale)
    build, data, n, runs = args.build, args.data, args.n, args.runs
    cli = os.path.join(build, "src", "amblopad-cli")
    python = shutil.which("python3") or sys.executable
    crd_n = min(n, 65535)
    table = Table()
    only = [o for o in args.only.split(",") if o]

    def wanted(name):
        return not only or any(name.startswith(o) for o in only)

    def f(name):
        return os.path.join(data, name)

    print(f"# {n} cards, median of {runs} runs, locale {args.locale}; "
          f"ratio = our median / the comparison's median")
    table.header()

    for t in "QMRLX":
        if wanted("xml-open"):
            # X: Questionnaire cards of every shape (several answers, hidden
            # alternatives, long memo texts with line breaks).
            path = f("cartes_X.xaqQ") if t == "X" else f(f"cartes_{t}.xaq{t}")
            ours, _ = bench_core(build, "xml-open", path, runs, env)
            theirs = measure_process(["xmllint", "--noout", path], runs, env)
            table.add(f"XML open {t} (ChargerXml)", n, ours, theirs, "xmllint --noout", 0.6)

    if wanted("memory"):
        for t in "QMRL":
            out = subprocess.run([os.path.join(build, "bench", "bench_core"), "memory", f(f"cartes_{t}.xaq{t}")],
                                 check=True, capture_output=True, text=True, env=env).stdout.split()
            full, empty = float(out[1]), float(out[2])
            table.add_text(f"memory: a card beyond its texts {t}", n, f"{full:.0f}B", "empty texts",
                           f"{empty:.0f}B", "", "<= 64 B " + ("met" if full <= 64 and empty <= 64 else "MISSED"))

    cat_rows = [("xml-save", "XML save Q (EnregistrerXml)", "cartes_Q.xaqQ", n),
                ("natif-open", "native open Q (ChargerNatif)", "cartes_Q.aqQ", n),
                ("natif-save", "native save Q (EnregistrerNatif)", "cartes_Q.aqQ", n),
                ("crd-open", "Cardfile open Q (ChargerCardfile)", "cartes_Q.crd", crd_n),
                ("crd-save", "Cardfile save Q", "cartes_Q.crd", crd_n)]
    for operation, label, name, count in cat_rows:
        if wanted(operation):
            ours, size = bench_core(build, operation, f(name), runs, env)
            theirs = measure_process(["cat", f(name)], runs, env)
            table.add(label, count, ours, theirs, "cat FILE > /dev/null", size=size)

    if wanted("csv-open"):
        ours, size = bench_core(build, "csv-open", f("cartes_Q.csv"), runs, env)
        theirs = measure_process([python, os.path.join(HERE, "py_csv.py"), f("cartes_Q.csv")], runs, env)
        table.add("CSV open Q (ChargerCSV)", n, ours, theirs, "python3 csv module", 0.35, size=size)

    with tempfile.TemporaryDirectory() as tmp:
        script = os.path.join(HERE, "py_convert.py")
        conversions = [
            ("convert-csv", "convert CSV -> XML (Q)", "cartes_Q.csv", "csv2xml", "out.xaqQ", ["--type", "Q"]),
            ("convert-moodle", "convert XML -> Moodle (Q export)", "cartes_Q.xaqQ", "xml2moodle", "out.xml", []),
            ("convert-moodle", "convert XML -> Moodle (M)", "cartes_M.xaqM", "xml2moodle", "out.xml", []),
        ]
        for operation, label, name, mode, out, extra in conversions:
            if not wanted(operation):
                continue
            target = os.path.join(tmp, out)
            ours = [cli, "convert", f(name), target] + extra
            theirs = [python, script, mode, f(name), os.path.join(tmp, "py_" + out)]
            try:
                a, b = measure_pair(ours, theirs, runs, env)
            except RuntimeError as e:
                table.add(label, n, None, None, "python3 csv + ElementTree", note=f"not run: {e}")
                continue
            table.add(label, n, a, b, "python3 csv + ElementTree", 0.2)

    # GIFT against Moodle XML on the same questions (the MCQ file's cards).
    if wanted("gift"):
        for ours_op, theirs_op, label in (("gift-open", "moodle-open", "GIFT open M (ChargerGift)"),
                                          ("gift-write", "moodle-write", "GIFT write M (EcrireGift)")):
            ours, size = bench_core(build, ours_op, f("cartes_M.xml"), runs, env)
            theirs, _ = bench_core(build, theirs_op, f("cartes_M.xml"), runs, env)
            table.add(label, n, ours, theirs, f"Moodle XML ({theirs_op})", 1.0, size=size)

    if wanted("trier"):
        ours, _ = bench_core(build, "trier", f("cartes_R.xaqR"), runs, env)
        theirs = measure_process(["sort", f("cles_R.txt")], runs, env)
        table.add("Trier R (Directory)", n, ours, theirs, f"sort ({args.locale})", 0.5)

    if wanted("hostile"):
        hostile_rows(table, cli, runs, env)

    editor = os.path.join(build, "bench", "bench_editeur")
    if wanted("editor") and not os.path.exists(editor):
        table.add("editor", n, None, None, "", note="not run: no editor in this build")
    elif wanted("editor"):
        genv = dict(env, QT_QPA_PLATFORM="offscreen")
        xml = f("cartes_Q.xaqQ")
        shown = [editor, "premiere-carte", xml]
        a, b = measure_pair(shown, [editor, "charger", xml], runs, genv)
        table.add("editor: first card shown (Q)", n, a, b, "ChargerXml alone (process)", 1.3)
        empty = [editor, "vide"]
        a, b = measure_pair(empty, [editor, "fenetre-nue"], runs, genv)
        table.add("editor: start with no file", 0, a, b, "bare Qt window (process)", 1.3)
        out = subprocess.run([editor, "reclasser", f("cartes_R.xaqR"), str(max(runs, 5))], check=True,
                             capture_output=True, text=True, env=genv).stdout.split()
        median = float(out[1])
        table.add_text("editor: ReclasserFiche (R)", n, f"{median * 1000:.2f}ms", f"max {float(out[2]) * 1000:.2f}ms",
                       "", "", "< 20 ms " + ("met" if median < 0.020 else "MISSED"))
        size = os.path.getsize(xml)
        above = PEAK_RSS[tuple(shown)] - PEAK_RSS[tuple(empty)]
        ratio = above / size
        table.add_text("editor: peak RSS above empty (Q)", n, f"{above / 1e6:.0f}MB", "XML file size",
                       f"{size / 1e6:.0f}MB", f"{ratio:.2f}", "<= 3   " + ("met" if ratio <= 3 else "MISSED"))
        # A search cycle over every card, no match: the first cycle also prepares
        # the search (the forms of the letters looked for). grep exits 1: no match.
        out = subprocess.run([editor, "chercher", xml, str(runs)], check=True, capture_output=True,
                             text=True, env=genv).stdout.split()
        theirs = measure_process(["grep", "-ci", "qzxwv", f("textes_Q.txt")], runs, env, accepted=(0, 1))
        first, median = float(out[3]), float(out[1])
        for label, ours in (("editor: search cycle, first (Q)", first), ("editor: search cycle, again (Q)", median)):
            ratio = ours / theirs[0]
            table.add_text(label, n, f"{ours * 1000:.0f}ms", "grep -ci (same texts)", f"{theirs[0] * 1000:.0f}ms",
                           f"{ratio:.2f}", "<= 1   " + ("met" if ratio <= 1 else "MISSED"))
        out = subprocess.run([editor, "liste", xml, str(runs)], check=True, capture_output=True,
                             text=True, env=genv).stdout.split()
        for label, value in (("editor: list of cards, first (Q)", float(out[3])),
                             ("editor: list of cards, again (Q)", float(out[1]))):
            table.add_text(label, n, f"{value * 1000:.0f}ms", "", "", "",
                           "< 100 ms " + ("met" if value < 0.100 else "MISSED"))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--hostile-files":
        write_hostile_files(sys.argv[2])
        sys.exit(0)
    main()
