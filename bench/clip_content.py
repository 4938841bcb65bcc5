#!/usr/bin/env python3
"""Times the plug-in's content paths on large flavors against cp of the same package.

usage: bench/clip_content.py [BUILD_DIR] [--mib N] [--big-mib N] [--runs N]

Measured side by side in one run, medians of the runs (peak memory: the largest of the runs):
  cp            cp -r of the clip's package folder (the baseline), its time and its CPU
  paste         cmhost choose of a clip holding one N MiB flavor: package read, clipboard written,
                paste keystroke posted; its time, CPU and peak resident memory
  store         the clipboard read into a flavor set and written into a new clip package
  set           cmhost clipboard set of a BIG MiB file: its peak resident memory
  document      cmhost --document FILE choose of a clip holding BIG MiB of 'utxt' text, pasted into
                the file; against cp -r of that package; its peak memory against the document's
                size plus the flavor's
Each process is run under /usr/bin/time, which reports the peak resident memory of that process
alone: a direct child of this script would count the script's own memory in its peak.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PASTE_DELAY = 0.05
CHUNK = 1 << 20


class Process:
    """What one run of a command took: wall seconds, CPU seconds, peak resident MiB, its errors."""

    def __init__(self, command, env):
        with tempfile.NamedTemporaryFile(prefix="stashwell-time-") as report, \
                tempfile.TemporaryFile(mode="w+") as errors:
            start = time.perf_counter()
            process = subprocess.Popen(["/usr/bin/time", "-q", "-f", "%M", "-o", report.name, *command], env=env,
                                       stdout=subprocess.DEVNULL, stderr=errors)
            _, status, usage = os.wait4(process.pid, 0)
            self.seconds = time.perf_counter() - start
            errors.seek(0)
            self.err = errors.read()
            if os.waitstatus_to_exitcode(status) != 0:
                sys.exit(f"clip_content: {' '.join(command)} failed: {self.err.strip()}")
            peak_kib = report.read().decode().split()[-1]
        # time's own share (well under a millisecond) is in both the command's and the baseline's.
        self.cpu = usage.ru_utime + usage.ru_stime
        self.peak_mib = int(peak_kib) / 1024


def storage(work, name):
    env = dict(os.environ)
    for variable, folder in (("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"), ("XDG_RUNTIME_DIR", "runtime")):
        env[variable] = os.path.join(work, name, folder)
        os.makedirs(env[variable], mode=0o700)
    return env


def write_file(path, size, block, prefix=b""):
    """size bytes, prefix then block repeated, written a megabyte at a time."""
    chunk = (block * (CHUNK // len(block) + 1))[:CHUNK]
    with open(path, "wb") as out:
        out.write(prefix)
        left = size - len(prefix)
        while left > 0:
            out.write(chunk[:min(left, CHUNK)])
            left -= CHUNK


def median(runs, field):
    return statistics.median(getattr(run, field) for run in runs)


def measure(build, mib=64, runs=5, big_mib=256):
    """Medians (seconds, CPU seconds) and peaks (MiB) of every content path, by name."""
    build = os.path.abspath(build)
    cmhost = os.path.join(build, "cmhost")
    tool = os.path.join(build, "bench", "clip_content_tool")
    figures = {}

    with tempfile.TemporaryDirectory(prefix="stashwell-bench-") as work:
        # A clip of one binary flavor: pasted to the clipboard, and the clipboard stored as a clip.
        env = storage(work, "binary")
        flavor = os.path.join(work, "flavor")
        write_file(flavor, mib << 20, os.urandom(CHUNK))
        subprocess.run([tool, "store-clip", flavor, "PICT", "Big"], env=env, check=True)
        package = os.path.join(env["XDG_DATA_HOME"], "Stashwell", "Big")
        cps, pastes, stores = [], [], []
        for run in range(runs):
            copy = os.path.join(work, f"copy{run}")
            cps.append(Process(["cp", "-r", package, copy], env))
            shutil.rmtree(copy)
            pastes.append(Process([cmhost, "choose", "--id", "200", "--json"], env))
            stores.append(Process([tool, "clipboard-to-package", f"Stored {run}"], env))
            shutil.rmtree(os.path.join(env["XDG_DATA_HOME"], "Stashwell", f"Stored {run}"))
        figures.update(cp=median(cps, "seconds"), cp_cpu=median(cps, "cpu"), paste=median(pastes, "seconds"),
                       paste_cpu=median(pastes, "cpu"), paste_peak=max(p.peak_mib for p in pastes),
                       store=median(stores, "seconds"))
        os.remove(flavor)

        # A large file set as the clipboard's text from the command line.
        env = storage(work, "set")
        big = os.path.join(work, "big")
        write_file(big, big_mib << 20, b"The quick brown fox jumps over the lazy dog.\n")
        sets = [Process([cmhost, "clipboard", "set", f"TEXT=@{big}"], env) for _ in range(runs)]
        figures.update(set_peak=max(s.peak_mib for s in sets))
        os.remove(big)

        # A large text clip pasted into a document file, which cmhost writes back whole.
        env = storage(work, "document")
        text = os.path.join(work, "text")
        write_file(text, big_mib << 20, "The quick brown fox jumps over the lazy dog.\n".encode("utf-16-le"),
                   "\ufeff".encode("utf-16-le"))
        subprocess.run([tool, "store-clip", text, "utxt", "Text"], env=env, check=True)
        os.remove(text)
        package = os.path.join(env["XDG_DATA_HOME"], "Stashwell", "Text")
        document = os.path.join(work, "document.txt")
        cps, pastes = [], []
        for run in range(runs):
            copy = os.path.join(work, f"text{run}")
            cps.append(Process(["cp", "-r", package, copy], env))
            shutil.rmtree(copy)
            with open(document, "w"):
                pass
            pastes.append(Process([cmhost, "--document", document, "choose", "--id", "200", "--json"], env))
            if "timers were still scheduled" in pastes[-1].err:
                sys.exit(f"clip_content: the document paste was given up on: {pastes[-1].err.strip()}")
        document_mib = os.path.getsize(document) / (1 << 20)
        figures.update(doc_cp=median(cps, "seconds"), doc_paste=median(pastes, "seconds"),
                       doc_peak=max(p.peak_mib for p in pastes), doc_mib=document_mib)
    return figures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--mib", type=int, default=64)
    parser.add_argument("--big-mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    f = measure(args.build, args.mib, args.runs, args.big_mib)
    print(f"flavor: {args.mib} MiB, large: {args.big_mib} MiB, {args.runs} runs, medians; {os.cpu_count()} cores")
    print(f"cp -r of the package          {f['cp'] * 1000:8.1f} ms, CPU {f['cp_cpu'] * 1000:.1f} ms")
    print(f"paste (cmhost choose)         {f['paste'] * 1000:8.1f} ms, CPU {f['paste_cpu'] * 1000:.1f} ms "
          f"({f['paste_cpu'] / f['cp_cpu']:.2f}x cp's), peak {f['paste_peak']:.1f} MiB")
    print(f"clipboard into a new package  {f['store'] * 1000:8.1f} ms ({f['store'] / f['cp']:.2f}x cp)")
    print(f"clipboard set of {args.big_mib} MiB       peak {f['set_peak']:.1f} MiB")
    print(f"paste into a document         {f['doc_paste'] * 1000:8.1f} ms ({f['doc_paste'] / f['doc_cp']:.2f}x cp -r "
          f"{f['doc_cp'] * 1000:.1f} ms), peak {f['doc_peak']:.1f} MiB, document {f['doc_mib']:.1f} MiB")


if __name__ == "__main__":
    main()
