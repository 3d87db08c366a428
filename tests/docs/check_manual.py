#!/usr/bin/env python3
"""Keeps the manuals true to the engine.

  check_manual.py examples KORVANA DEMO_DIR FILE.md...
      Runs every ```krv block as the start script of a copy of the demo game,
      headless and strict; fails on any script error report or other exit
      status than 0.
  check_manual.py names KORVANA_SCRIPT FILE.md...
      Fails when a command of the engine's table (as `_name`), an inline
      letter of message text (as a table row "| `X") or a settings key (as
      `Key`) is missing from any of the files.
  check_manual.py quotes EXAMPLE FILE.md...
      Fails when a manual does not quote the example file whole, as one
      fenced block (the regression script, the demo's routes).
"""
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^```krv[ \t]*\n(.*?)^```[ \t]*$", re.S | re.M)


def examples(markdown):
    """(line number, script text) of each runnable example."""
    for match in FENCE.finditer(markdown):
        yield markdown.count("\n", 0, match.start()) + 1, match.group(1)


def run_example(korvana, demo, source, line, script):
    where = f"{source}:{line}"
    try:
        data = script.replace("\n", "\r\n").encode("cp932")
    except UnicodeEncodeError as e:
        return where, f"not Shift-JIS: {e}"
    with tempfile.TemporaryDirectory(prefix="korvana-manual-") as folder:
        game = os.path.join(folder, "game")
        shutil.copytree(demo, game, ignore=shutil.ignore_patterns("krv.ini", "data*", "textid.dat"))
        with open(os.path.join(game, "autorun.txt"), "wb") as f:
            f.write(data)
        transcript = os.path.join(folder, "transcript.txt")
        command = [korvana, "--headless", "--strict", "--max-ms", "600000",
                   "--max-lines", "200000", "--max-wall-ms", "60000",
                   "--transcript", transcript, game]
        try:
            result = subprocess.run(command, capture_output=True, timeout=120)
        except subprocess.TimeoutExpired:
            return where, "did not end within 120 s"
        if result.returncode == 0:
            return where, None
        with open(transcript, encoding="utf-8", errors="replace") as f:
            boxes = [l.rstrip("\n") for l in f if l.startswith("box\t")]
        detail = "\n    ".join(boxes[-5:]) or result.stderr.decode(errors="replace").strip()
        return where, f"exit status {result.returncode}\n    {detail}"


def check_examples(korvana, demo, files):
    jobs = []
    for path in files:
        with open(path, encoding="utf-8") as f:
            markdown = f.read()
        for line, script in examples(markdown):
            jobs.append((os.path.relpath(path), line, script))
    if not jobs:
        print("no ```krv examples found")
        return 1
    failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for where, problem in pool.map(lambda j: run_example(korvana, demo, *j), jobs):
            if problem:
                failed += 1
                print(f"FAIL {where}: {problem}")
            else:
                print(f"ok   {where}")
    print(f"{len(jobs) - failed} of {len(jobs)} examples ran without a script error")
    return 1 if failed else 0


def engine_names(tool):
    def listed(what):
        out = subprocess.run([tool, "list", what], capture_output=True, text=True, check=True)
        return out.stdout.split("\n")
    commands = [l for l in listed("commands") if l]
    letters = [l for l in listed("letters") if l]
    keys = sorted({l.split(" ", 1)[1] for l in listed("keys") if " " in l})
    menu = [l.split("\t", 1)[0] for l in listed("menu") if l]
    return commands, letters, keys, menu


def check_names(tool, files):
    commands, letters, keys, menu = engine_names(tool)
    if not (commands and letters and keys and menu):
        print("the script tool listed nothing")
        return 1
    failed = 0
    for path in files:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        missing = [c for c in commands if f"`{c}`" not in text and f"`{c} " not in text]
        missing += [f"letter {x}" for x in letters
                    if not re.search(r"^\|\s*`" + re.escape(x), text, re.M)]
        missing += [f"key {k}" for k in keys if f"`{k}`" not in text and f"`{k}=" not in text]
        missing += [f"menu item {m}" for m in menu if f"`{m}`" not in text]
        if missing:
            failed += 1
            print(f"{os.path.relpath(path)} does not describe: {', '.join(missing)}")
        else:
            print(f"{os.path.relpath(path)}: {len(commands)} commands, {len(letters)} letters, "
                  f"{len(keys)} keys, {len(menu)} menu items")
    return 1 if failed else 0


def check_quotes(example, files):
    with open(example, encoding="utf-8") as f:
        quoted = "\n" + f.read().rstrip("\n") + "\n```"
    failed = 0
    for path in files:
        with open(path, encoding="utf-8") as f:
            if quoted not in f.read():
                failed += 1
                print(f"{os.path.relpath(path)} does not quote {os.path.relpath(example)} whole")
    return 1 if failed else 0


def main(argv):
    if len(argv) >= 4 and argv[1] == "examples":
        return check_examples(argv[2], argv[3], argv[4:])
    if len(argv) >= 3 and argv[1] == "names":
        return check_names(argv[2], argv[3:])
    if len(argv) >= 4 and argv[1] == "quotes":
        return check_quotes(argv[2], argv[3:])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
