#!/usr/bin/env python3
"""The Record list on the emulated device, as a user meets it: three
generated index files of RECORDS records each (default 2,000), a tap on
"View All" and the time until the screen dump shows the filled list in
descending Sort key order (target: under 3 s). Then the time of a screen
dump with that list open against one of the Summary sheet alone, per 1,000
rows (target: a 1,000-row list read in at most 1 s). Both times include
starting a device program under Wine, as every gallimaw-device command does.
Needs both build trees; not part of ./test; takes about a minute.
Usage: bench/device_list_bench.py [RECORDS]"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GDEV = os.path.join(TOP, "device", "gallimaw-device")
GEN = os.path.join(TOP, "build", "native", "gen", "gallimaw-gen")
DUMPS = 3


def device(*args):
    result = subprocess.run([GDEV, *args], capture_output=True, text=True)
    if result.returncode:
        sys.exit(f"device_list_bench: gallimaw-device {args[0]} failed: {result.stdout}{result.stderr}")
    return result.stdout


def shown(windows):
    for window in windows:
        if window["visible"]:
            yield window
            yield from shown(window.get("children", []))


def wait_for(folder, found, seconds=60):
    deadline = time.time() + seconds
    while time.time() < deadline:
        screen = json.loads(device("ui", folder, "dump"))
        answer = found(list(shown(screen["windows"])))
        if answer:
            return answer
        time.sleep(0.2)
    sys.exit("device_list_bench: the screen did not show what was waited for")


def view_all(windows):
    for window in windows:
        for link in window.get("html", {}).get("links", []):
            if link["target"] == "M":
                rect = link["rect"]
                return [str((rect["left"] + rect["right"]) // 2), str((rect["top"] + rect["bottom"]) // 2)]


def first_run_notice(windows):
    return any(window["class"] == "Static" and window["id"] == 1012 for window in windows)


def filled_list(rows):
    def found(windows):
        for window in windows:
            if window["class"] == "SysListView32" and window["id"] == 1001 and len(window.get("rows", [])) == rows:
                keys = [row["param"] for row in window["rows"]]
                return all(a >= b for a, b in zip(keys, keys[1:]))
    return found


def dump_seconds(folder):
    times = []
    for _ in range(DUMPS):
        start = time.time()
        device("ui", folder, "dump")
        times.append(time.time() - start)
    return sorted(times)[DUMPS // 2]


def main():
    records = int(sys.argv[1]) if len(sys.argv) > 1 else 2000
    work = tempfile.mkdtemp(prefix="device-list-bench-")
    folder = os.path.join(work, "device")
    try:
        files = []
        for kind, seed in (("cache", 11), ("cookies", 12), ("history", 13)):
            files += [f"--{kind}", os.path.join(work, f"{kind}.dat")]
            subprocess.run([GEN, "--kind", kind, "--records", str(records), "--seed", str(seed), files[-1]], check=True)
        # Without the browser, which could take hold of an index file
        # after the viewer has closed it and before it copies the files.
        device("create", folder, "--no-browser", *files)
        device("boot", folder)
        device("start", folder)
        wait_for(folder, first_run_notice)
        device("ui", folder, "ok")
        tap = wait_for(folder, lambda windows: not first_run_notice(windows) and view_all(windows))
        summary = dump_seconds(folder)
        start = time.time()
        device("ui", folder, "tap", *tap)
        wait_for(folder, filled_list(3 * records))
        filled = time.time() - start
        listed = dump_seconds(folder)
        per_thousand = (listed - summary) * 1000 / (3 * records)
        print(f"Mixed view of 3 x {records} records on the device:")
        print(f"  tap on View All to the filled, sorted list in a dump: {filled:.2f} s (target under 3 s)")
        print(f"  screen dump with the list: {listed:.2f} s; of the Summary sheet alone: {summary:.2f} s "
              f"(median of {DUMPS}); ratio {listed / summary:.1f}")
        print(f"  reading the list: {per_thousand:.2f} s per 1,000 rows; a 1,000-row dump: "
              f"{summary + per_thousand:.2f} s (target at most 1 s)")
    finally:
        subprocess.run([GDEV, "stop", folder], capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
