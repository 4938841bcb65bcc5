#!/usr/bin/env python3
"""Times stashwell-popup from its exec to its menu on the screen, on a fresh Xvfb.

usage: bench/popup.py [BUILD_DIR] [--runs N]

Measured side by side in one run, medians of the runs, each over its own storage folders:
  menu          exec to the MapNotify of the menu window over 2000 clips in 200 submenus
                (target: under 150 ms), against the same over an empty clip list
The program is stopped once its menu is mapped; nothing is picked.

With --copyq, when CopyQ is installed (for the comparison only; nothing of Stashwell needs it):
  copyq         exec of `copyq menu TAB 2000` to the MapNotify of its menu over 2000 items, the CopyQ
                server started beforehand on the same fresh Xvfb with its own settings folders
  copyq_tray    the same for plain `copyq menu` (the tray menu, which shows at most 99 items)
"""
import os
import shutil
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


def copyq_installed():
    return shutil.which("copyq") is not None


def measure_copyq(build, runs=9):
    """Medians in seconds of CopyQ's menu over 2000 items and of its tray menu; None without CopyQ."""
    if not copyq_installed():
        return None
    tool = os.path.join(os.path.abspath(build), "bench", "popup_startup_tool")
    server, display = start_xvfb()
    try:
        with tempfile.TemporaryDirectory(prefix="stashwell-copyq-bench-") as work:
            env = whole_process.fresh_storage(work, "copyq")
            env["HOME"] = os.path.join(work, "home")
            os.makedirs(env["HOME"])
            env["DISPLAY"] = display
            copyq = subprocess.Popen(["copyq"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                def ask(*arguments):
                    return subprocess.run(["copyq", *arguments], env=env, capture_output=True, text=True, check=True,
                                          timeout=60).stdout.strip()
                for _ in range(100):
                    if subprocess.run(["copyq", "count"], env=env, capture_output=True).returncode == 0:
                        break
                    time.sleep(0.1)
                ask("config", "maxitems", "10000")
                ask("config", "tray_items", "99")
                ask("eval", 'for (var i = 0; i < 2000; ++i) add("Clip " + i)')
                if ask("count") != "2000":
                    sys.exit("popup: CopyQ did not take 2000 items")
                tab = ask("tab").splitlines()[0]
                # CopyQ keeps its main window mapped or not as it pleases: hidden, the only window
                # mapped during a run is the menu.
                subprocess.run(["xdotool", "search", "--classname", "copyq", "windowunmap"], env=env,
                               capture_output=True)

                def once(command):
                    result = subprocess.run([tool, "--any-client", *command], env=env, capture_output=True,
                                            text=True)
                    if result.returncode != 0:
                        sys.exit(f"popup: {result.stderr.strip()}")
                    # The menu stays open in the server: Escape closes it before the next run.
                    time.sleep(0.2)
                    subprocess.run(["xdotool", "key", "Escape"], env=env, capture_output=True)
                    time.sleep(0.3)
                    return float(result.stdout) / 1000

                full, tray = ["copyq", "menu", tab, "2000"], ["copyq", "menu"]
                once(full)
                once(tray)
                menu, menu_tray = [], []
                for _ in range(runs):
                    menu.append(once(full))
                    menu_tray.append(once(tray))
            finally:
                subprocess.run(["copyq", "exit"], env=env, capture_output=True, timeout=30)
                try:
                    copyq.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    copyq.kill()
                    copyq.wait()
    finally:
        server.terminate()
        server.wait()
    return {"copyq": statistics.median(menu), "copyq_tray": statistics.median(menu_tray)}


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


def measure_with_copyq(build, runs=9):
    figures = measure(build, runs)
    figures.update(measure_copyq(build, runs) or {})
    return figures


def main():
    rows = [("stashwell-popup exec to menu mapped, empty clip list", "menu_empty", None),
            ("stashwell-popup exec to menu mapped, 2000 clips", "menu", "menu_empty")]
    if "--copyq" not in sys.argv:
        whole_process.run_alone(measure, rows)
        return
    sys.argv.remove("--copyq")
    if not copyq_installed():
        sys.exit("popup: copyq is not installed")
    whole_process.run_alone(measure_with_copyq, rows + [
        ("copyq menu TAB 2000 exec to menu mapped, 2000 items", "copyq", "menu"),
        ("copyq menu (tray menu, at most 99 items)", "copyq_tray", "menu")])


if __name__ == "__main__":
    main()
