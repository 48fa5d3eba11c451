"""Wine in a device's prefix, and the processes the device runs."""
import os
import subprocess
import tempfile

from .paths import drive_c


def wine_env(device, display=None):
    env = dict(os.environ)
    env.update(WINEPREFIX=os.path.join(os.path.abspath(device), "prefix"), WINEARCH="win64", WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("WINESERVER", None)
    if display:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def run_wine(device, args, display=None, capture=False, timeout=None):
    """Runs a Wine command in the device from drive C:, so that the device's
    drive-less paths (\\Windows\\...) lead there. Output is captured in files,
    not pipes: programs the command starts inherit its output handles and
    may outlive it."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        streams = {"stdout": out, "stderr": err} if capture else {}
        result = subprocess.run(["wine"] + args, env=wine_env(device, display), cwd=drive_c(device),
                                stdin=subprocess.DEVNULL, timeout=timeout, **streams)
        if capture:
            out.seek(0)
            err.seek(0)
            result.stdout, result.stderr = out.read(), err.read()
        return result


def wait_for_wineserver(device):
    subprocess.run(["wineserver", "-w"], env=wine_env(device), stderr=subprocess.DEVNULL)


def end_processes(device):
    subprocess.run(["wineserver", "-k"], env=wine_env(device), stderr=subprocess.DEVNULL)
    wait_for_wineserver(device)


def wine_version():
    return subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()


def alive(pid):
    """Whether process PID runs (a zombie does not)."""
    if not pid:
        return False
    try:
        os.kill(pid, 0)
    except OSError:
        return False
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split(") ")[-1][0] != "Z"
    except OSError:
        return True
