#!/usr/bin/env python3
"""Times Stashwell on an X11 display (a fresh Xvfb) against the same work without it, and against xclip.

usage: bench/desktop.py [BUILD_DIR] [--mib N] [--runs N]

Measured side by side in one run, medians of the runs:
  menu          cmhost --desktop menu --json over 2000 clips in 200 submenus, against cmhost menu --json
                over the same clips (target: at most 1.3x)
  add           the CLIPBOARD, held by xclip, read into a new clip package, against xclip -o of it
  paste         cmhost --desktop choose of a clip holding the flavor, then xclip -o of what it put on
                the CLIPBOARD, against xclip -i and xclip -o of the same file
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import whole_process  # noqa: E402  (beside this script)


def timed(command, env, stdout=subprocess.DEVNULL):
    start = time.perf_counter()
    subprocess.run(command, env=env, check=True, stdout=stdout)
    return time.perf_counter() - start


def start_xvfb():
    """A fresh display: (process, name)."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp"], pass_fds=(write_end,),
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as answer:
        number = answer.readline().strip()
    if not number:
        server.kill()
        sys.exit("desktop: Xvfb did not start")
    return server, f":{number}"


def measure(build, mib=64, runs=5):
    build = os.path.abspath(build)
    cmhost = os.path.join(build, "cmhost")
    tool = os.path.join(build, "bench", "clip_content_tool")
    server, display = start_xvfb()
    try:
        with tempfile.TemporaryDirectory(prefix="stashwell-desktop-bench-") as work:
            env = whole_process.fresh_storage(work, "desktop")
            env.update(DISPLAY=display, STASHWELL_BENCH_DISPLAY=display)
            whole_process.write_clip_list(env["XDG_CONFIG_HOME"], 2000, 200)
            plain, desktop = [], []
            for _ in range(runs):
                plain.append(timed([cmhost, "menu", "--json"], env))
                desktop.append(timed([cmhost, "--desktop", "menu", "--json"], env))

            png = os.path.join(work, "desktop", "picture.png")
            with open(png, "wb") as out:
                out.write(b"\x89PNG\r\n\x1a\n" + os.urandom((mib << 20) - 8))
            xclip_in = ["xclip", "-selection", "clipboard", "-t", "image/png", "-i", png]
            xclip_out = ["xclip", "-selection", "clipboard", "-t", "image/png", "-o"]
            subprocess.run([tool, "store-clip", png, "PNGf", "Picture"], env=env, check=True)
            baseline, add, read, paste = [], [], [], []
            for run in range(runs):
                baseline.append(timed(xclip_in, env) + timed(xclip_out, env))
                read.append(timed(xclip_out, env))
                add.append(timed([tool, "clipboard-to-package", f"Added {run}"], env))
                paste.append(timed([cmhost, "--desktop", "choose", "--id", "200", "--json"], env) +
                             timed(xclip_out, env))
    finally:
        server.kill()
        server.wait()
    return {"menu": statistics.median(plain), "menu_desktop": statistics.median(desktop),
            "xclip": statistics.median(baseline), "xclip_read": statistics.median(read),
            "add": statistics.median(add), "paste": statistics.median(paste)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--mib", type=int, default=64)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    f = measure(args.build, args.mib, args.runs)
    print(f"{'measure':<52}{'ms':>9}{'ratio':>9}")
    print(f"{'cmhost menu --json, 2000 clips':<52}{f['menu'] * 1000:9.1f}")
    print(f"{'cmhost --desktop menu --json, 2000 clips':<52}{f['menu_desktop'] * 1000:9.1f}"
          f"{f['menu_desktop'] / f['menu']:9.2f}")
    print(f"{f'xclip -i and -o, {args.mib} MiB PNG':<52}{f['xclip'] * 1000:9.1f}")
    print(f"{'add: the CLIPBOARD into a new clip package':<52}{f['add'] * 1000:9.1f}{f['add'] / f['xclip_read']:9.2f}"
          "  (against xclip -o alone)")
    print(f"{'paste: cmhost --desktop choose, then xclip -o':<52}{f['paste'] * 1000:9.1f}"
          f"{f['paste'] / f['xclip']:9.2f}")


if __name__ == "__main__":
    main()
