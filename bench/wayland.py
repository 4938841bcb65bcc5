#!/usr/bin/env python3
"""Times Stashwell on a Wayland compositor (a fresh headless sway) against the same on X11.

usage: bench/wayland.py [BUILD_DIR] [--runs N]

Measured side by side in one run, medians of the runs, over 2000 clips in 200 submenus:
  menu          cmhost --desktop=wayland menu --json, against cmhost --desktop=x11 menu --json on a
                fresh Xvfb (target: at most 1.3x)
  popup         stashwell-popup --desktop=wayland from its exec to its menu's window mapped by the
                compositor (target: under 150 ms), against the same over an empty clip list
The compositor tells when it maps a window: a "new" window event on its IPC socket, sent when the
client commits the window's first frame, the Wayland counterpart of X11's MapNotify. The clock
starts just before this script starts the popup (the fork and exec of Python's subprocess are
counted in). The popup is stopped once its menu is mapped; nothing is picked.
"""
import json
import os
import shutil
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import popup  # noqa: E402  (beside this script)
import whole_process  # noqa: E402

TARGET_MENU_RATIO = 1.3
TARGET_POPUP_MS = 150
NOBODY = 65534


class HeadlessSway:
    """A headless sway in a temporary folder of its own, run as nobody when this script runs as root
    (sway refuses root); root's clients still reach its sockets. socket: the compositor's, as
    WAYLAND_DISPLAY takes it; ipc: sway's IPC socket."""

    def __init__(self):
        # Nobody must get through the folder to its runtime folder, and read the config.
        folder = self.folder = tempfile.mkdtemp(prefix="stashwell-sway-")
        runtime = os.path.join(folder, "runtime")
        os.makedirs(runtime, mode=0o700)
        os.chmod(folder, 0o711)
        as_root = os.geteuid() == 0
        if as_root:
            os.chown(runtime, NOBODY, NOBODY)
        ready = os.path.join(runtime, "ready")
        config = os.path.join(folder, "config")
        with open(config, "w") as out:
            out.write("output HEADLESS-1 resolution 1280x800\nxwayland disable\n"
                      f"exec sh -c 'touch {ready}'\n")
        os.chmod(config, 0o644)
        command = ["env", "-i", f"HOME={runtime}", f"XDG_RUNTIME_DIR={runtime}", "PATH=/usr/bin:/bin",
                   "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman", "sway", "-c", config]
        if as_root:
            command = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", *command]
        self.log = open(os.path.join(folder, "sway.log"), "wb")
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log)
        self.socket = self.ipc = None
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and self.process.poll() is None:
            if os.path.exists(ready):
                for name in os.listdir(runtime):
                    path = os.path.join(runtime, name)
                    if name.startswith("wayland-") and "." not in name:
                        self.socket = path
                    elif name.startswith("sway-ipc."):
                        self.ipc = path
                if self.socket and self.ipc:
                    return
            time.sleep(0.02)
        with open(self.log.name, errors="replace") as log:
            said = log.read().strip()
        self.stop()
        sys.exit("wayland: sway did not start: " + said)

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def subscribe(self, events):
        """A connection to the IPC socket that receives the events named (sway's "window", ...)."""
        ipc = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        ipc.connect(self.ipc)
        payload = json.dumps(events).encode()
        ipc.sendall(b"i3-ipc" + struct.pack("<II", len(payload), 2) + payload)
        if not json.loads(read_message(ipc)[1]).get("success"):
            sys.exit("wayland: sway refused the subscription")
        return ipc


def read_message(ipc):
    """One IPC message: (type, payload)."""
    def exactly(size):
        data = b""
        while len(data) < size:
            chunk = ipc.recv(size - len(data))
            if not chunk:
                sys.exit("wayland: sway closed its IPC socket")
            data += chunk
        return data
    header = exactly(14)
    length, kind = struct.unpack("<II", header[6:])
    return kind, exactly(length)


def time_to_menu(sway, program, env):
    """Seconds from just before the popup is started to the compositor's mapping of its window."""
    events = sway.subscribe(["window"])
    try:
        start = time.perf_counter()
        child = subprocess.Popen([program, "--desktop=wayland"], env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE)
        while True:
            _, payload = read_message(events)
            event = json.loads(payload)
            if event.get("change") == "new" and event.get("container", {}).get("pid") == child.pid:
                elapsed = time.perf_counter() - start
                break
    finally:
        events.close()
    child.terminate()
    _, err = child.communicate()
    if child.returncode not in (0, -15):
        sys.exit(f"wayland: stashwell-popup failed: {err.decode().strip()}")
    return elapsed


def measure(build, runs=9):
    """Medians in seconds: cmhost's menu on Wayland and on X11, the popup's menu on the screen over
    2000 clips and over an empty list."""
    build = os.path.abspath(build)
    cmhost = os.path.join(build, "cmhost")
    program = os.path.join(build, "stashwell-popup")
    for needed in ("sway", "setpriv", "Xvfb"):
        if not shutil.which(needed):
            sys.exit(f"wayland: {needed} is not installed")
    xvfb, display = popup.start_xvfb()
    try:
        with tempfile.TemporaryDirectory(prefix="stashwell-wayland-bench-") as work:
            sway = HeadlessSway()
            try:
                full, empty = whole_process.fresh_storage(work, "full"), whole_process.fresh_storage(work, "empty")
                whole_process.write_clip_list(full["XDG_CONFIG_HOME"], 2000, 200)
                for env in (full, empty):
                    env.pop("DISPLAY", None)
                    env.update(WAYLAND_DISPLAY=sway.socket)
                x11 = dict(full, DISPLAY=display)
                x11.pop("WAYLAND_DISPLAY")
                # One run of each first, so that every measured run finds the files in the page cache.
                whole_process.timed([cmhost, "--desktop=wayland", "menu", "--json"], full)
                whole_process.timed([cmhost, "--desktop=x11", "menu", "--json"], x11)
                time_to_menu(sway, program, full)
                time_to_menu(sway, program, empty)
                on_wayland, on_x11, menu, menu_empty = [], [], [], []
                for _ in range(runs):
                    on_wayland.append(whole_process.timed([cmhost, "--desktop=wayland", "menu", "--json"], full)[0])
                    on_x11.append(whole_process.timed([cmhost, "--desktop=x11", "menu", "--json"], x11)[0])
                    menu.append(time_to_menu(sway, program, full))
                    menu_empty.append(time_to_menu(sway, program, empty))
            finally:
                sway.stop()
    finally:
        xvfb.terminate()
        xvfb.wait()
    return {"cmhost": statistics.median(on_wayland), "cmhost_x11": statistics.median(on_x11),
            "popup": statistics.median(menu), "popup_empty": statistics.median(menu_empty)}


def main():
    whole_process.run_alone(measure, [
        ("cmhost --desktop=x11 menu --json, 2000 clips", "cmhost_x11", None),
        ("cmhost --desktop=wayland menu --json, 2000 clips", "cmhost", "cmhost_x11"),
        ("stashwell-popup on Wayland, exec to menu mapped, empty list", "popup_empty", None),
        ("stashwell-popup on Wayland, exec to menu mapped, 2000 clips", "popup", "popup_empty")])


if __name__ == "__main__":
    main()
