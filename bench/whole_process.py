#!/usr/bin/env python3
"""Times whole cmhost processes over a large clip list against the same with an empty one.

usage: bench/whole_process.py [BUILD_DIR] [--runs N]

Measured side by side in one run, medians of the runs, each in fresh storage folders:
  menu          cmhost menu --json over 2000 clips in 200 submenus, against an empty clip list
                (target: at most 2x)
  add           cmhost choose of "Add Selected Text..." with its dialog answered, over 1999 stored
                clips (the list then holds the most it can, 2000), against an empty list
                (target: at most 1.5x and under 48 ms)
The stored list is put back before every add, so each run adds to the same list.
"""
import argparse
import os
import plistlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PREFERENCES = os.path.join("preferences", "org.stashwell.cmplugin.plist")


def write_clip_list(config, clips, submenus):
    """A clip list of that many clips spread over that many submenus (names only: neither the menu
    nor an add reads another clip's content)."""
    path = os.path.join(config, PREFERENCES)
    os.makedirs(os.path.dirname(path), mode=0o700, exist_ok=True)
    records = [{"NAME": f"Clip {i}", "FILENAME": f"Clip {i}", "SUBMENU": f"/Stashwell/Group {i % submenus}",
                "SECURE": False, "USE_PLAIN_TEXT": False, "FLAVORS": ["utxt"]} for i in range(clips)]
    with open(path, "wb") as out:
        plistlib.dump({"VERSION": 1, "CLIP_LIST": records}, out)
    return path


def fresh_storage(work, name):
    env = dict(os.environ)
    for variable, folder in (("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                             ("XDG_RUNTIME_DIR", "runtime")):
        env[variable] = os.path.join(work, name, folder)
        os.makedirs(env[variable], mode=0o700)
    return env


def timed(command, env):
    start = time.perf_counter()
    result = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit(f"whole_process: {' '.join(command)} failed: {result.stderr.strip()}")
    return elapsed, result.stdout


def measure(build, runs=9):
    """Medians in seconds: menu and add over the large list, and each over an empty list."""
    build = os.path.abspath(build)
    cmhost = [os.path.join(build, "cmhost"), "--plugins", os.path.join(build, "Stashwell.plugin")]
    with tempfile.TemporaryDirectory(prefix="stashwell-whole-bench-") as work:
        full, empty = fresh_storage(work, "full"), fresh_storage(work, "empty")
        write_clip_list(full["XDG_CONFIG_HOME"], 2000, 200)
        menu, menu_empty = [], []
        for _ in range(runs):
            menu.append(timed([*cmhost, "menu", "--json"], full)[0])
            menu_empty.append(timed([*cmhost, "menu", "--json"], empty)[0])

        adding, adding_empty = fresh_storage(work, "adding"), fresh_storage(work, "adding-empty")
        stored = write_clip_list(adding["XDG_CONFIG_HOME"], 1999, 200)
        original = stored + ".bench-original"
        shutil.copyfile(stored, original)
        add, add_empty = [], []
        for run in range(runs):
            for env, times in ((adding, add), (adding_empty, add_empty)):
                seconds, report = timed([*cmhost, "--text", "Kind regards", "choose", "--path",
                                         "Stashwell/Add Selected Text...", "--dialog",
                                         f'{{"name": "Added {run}"}}', "--json"], env)
                if '"alerts": []' not in report:
                    sys.exit(f"whole_process: the add was refused: {report}")
                times.append(seconds)
            # Every add starts from the same stored list.
            shutil.copyfile(original, stored)
            os.remove(os.path.join(adding_empty["XDG_CONFIG_HOME"], PREFERENCES))
    return {"menu": statistics.median(menu), "menu_empty": statistics.median(menu_empty),
            "add": statistics.median(add), "add_empty": statistics.median(add_empty)}


def run_alone(measure, rows):
    """A benchmark script run by hand: its build folder and run count from the command line, then
    one table of medians. rows: (label, key, key of the baseline its ratio is to, or None)."""
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--runs", type=int, default=9)
    args = parser.parse_args()
    f = measure(args.build, args.runs)
    width = max(len(label) for label, _, _ in rows) + 2
    print(f"{'measure':<{width}}{'ms':>9}{'ratio':>9}")
    for label, key, baseline in rows:
        ratio = f"{f[key] / f[baseline]:9.2f}" if baseline else ""
        print(f"{label:<{width}}{f[key] * 1000:9.1f}{ratio}")


def main():
    run_alone(measure, [("cmhost menu --json, empty clip list", "menu_empty", None),
                        ("cmhost menu --json, 2000 clips in 200 submenus", "menu", "menu_empty"),
                        ("add a clip, empty clip list", "add_empty", None),
                        ("add a clip, 1999 stored", "add", "add_empty")])


if __name__ == "__main__":
    main()
