#!/usr/bin/env python3
"""Times stashwell-popup from its exec to its menu on the screen, on a fresh Xvfb.

usage: bench/popup.py [BUILD_DIR] [--runs N]

Measured side by side in one run, medians of the runs, each over its own storage folders:
  menu          exec to the MapNotify of the menu window over 2000 clips in 200 submenus
                (target: under 150 ms), against the same over an empty clip list
The program is stopped once its menu is mapped; nothing is picked.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import whole_process  # noqa: E402  (beside this script)

TARGET_MS = 150


def start_xvfb():
    """A fresh display of a number of this process's own, taking clients: (process, name). The lowest
    free number, which Xvfb -displayfd takes, races with other servers of the machine starting and
    stopping, which remove their number's socket on the way out."""
    for number in range(2000 + os.getpid() % 20000, 2000 + os.getpid() % 20000 + 50):
        if os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        # -noreset: the server would otherwise reset, and turn clients away meanwhile, each time the
        # last one leaves, as the popup does at the end of every run.
        server = subprocess.Popen(["Xvfb", f":{number}", "-nolisten", "tcp", "-noreset"], stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        env = dict(os.environ, DISPLAY=f":{number}")
        for _ in range(100):
            if server.poll() is not None:
                break
            if subprocess.run(["xdotool", "getmouselocation"], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0:
                return server, f":{number}"
            time.sleep(0.1)
        server.terminate()
        server.wait()
    sys.exit("popup: no Xvfb would start")


def time_to_menu(tool, popup, env):
    result = subprocess.run([tool, popup], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        sys.exit(f"popup: {result.stderr.strip()} (DISPLAY={env.get('DISPLAY')})")
    return float(result.stdout) / 1000


def measure(build, runs=9):
    """Medians in seconds: the menu over 2000 clips, and over an empty list."""
    build = os.path.abspath(build)
    popup = os.path.join(build, "stashwell-popup")
    tool = os.path.join(build, "bench", "popup_startup_tool")
    server, display = start_xvfb()
    try:
        with tempfile.TemporaryDirectory(prefix="stashwell-popup-bench-") as work:
            full, empty = whole_process.fresh_storage(work, "full"), whole_process.fresh_storage(work, "empty")
            whole_process.write_clip_list(full["XDG_CONFIG_HOME"], 2000, 200)
            for env in (full, empty):
                env["DISPLAY"] = display
            # One run of each first, so that every measured run finds the files in the page cache.
            time_to_menu(tool, popup, full)
            time_to_menu(tool, popup, empty)
            menu, menu_empty = [], []
            for _ in range(runs):
                menu.append(time_to_menu(tool, popup, full))
                menu_empty.append(time_to_menu(tool, popup, empty))
    finally:
        server.terminate()
        server.wait()
    return {"menu": statistics.median(menu), "menu_empty": statistics.median(menu_empty)}


def main():
    whole_process.run_alone(measure, [
        ("stashwell-popup exec to menu mapped, empty clip list", "menu_empty", None),
        ("stashwell-popup exec to menu mapped, 2000 clips", "menu", "menu_empty")])


if __name__ == "__main__":
    main()
