"""boot and stop, and the supervisor between them: a host process that
runs the device's boot process and boots again on every soft reset.
`python3 -m gallimaw_device.supervisor DIR` is the supervisor itself."""
import os
import signal
import subprocess
import sys
import time

from . import DeviceError, log, settings
from .contract import RESET_EXIT_CODE
from .display import ensure_display, release_display
from .wine import alive, end_processes, run_wine

BOOT_TIMEOUT = 120
PACKAGE_PARENT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def supervise(device):
    """Runs the boot process; boots again whenever it leaves for a soft
    reset, after ending every process of the device."""
    device_settings = settings.load(device)
    while True:
        result = run_wine(device, ["C:\\windows\\device_kernel.exe"], display=device_settings["display"])
        if result.returncode != RESET_EXIT_CODE:
            log.write(device, f"boot process ended with code {result.returncode}")
            return
        log.write(device, "soft reset")
        end_processes(device)


def start_supervisor(device):
    with open(os.path.join(device, "supervisor.log"), "a") as output:
        return subprocess.Popen([sys.executable, "-B", "-m", "gallimaw_device.supervisor", os.path.abspath(device)],
                                cwd=PACKAGE_PARENT, stdin=subprocess.DEVNULL, stdout=output, stderr=output,
                                start_new_session=True)


def stop_supervisor(device_settings):
    pid = device_settings.get("supervisor_pid")
    if alive(pid):
        os.kill(pid, signal.SIGTERM)
        for _ in range(50):
            if not alive(pid):
                break
            time.sleep(0.1)
    device_settings["supervisor_pid"] = None


def check_holds(device, text):
    """A hold asked for and not taken fails the boot: the device would
    otherwise show a file as readable that is meant to be held."""
    failed = [line.split(" ", 1)[1] for line in text.splitlines() if " hold failed: " in line]
    if not failed:
        return
    reasons = [line.split(" ", 1)[1] for line in text.splitlines() if "file_holder.exe cannot hold" in line]
    stop(device)
    raise DeviceError("cannot hold every file asked for, so the boot failed: " + "; ".join(reasons or failed)
                      + " (error 2: no such file; error 32: another program has it open). "
                      + f"The device is stopped; see gallimaw-device log {device}")


def boot(device):
    """The soft reset from outside: ends every process of the device and
    returns once the new boot is done."""
    device_settings = settings.load(device)
    display = ensure_display(device, device_settings)
    stop_supervisor(device_settings)
    end_processes(device)
    offset = log.size(device)
    log.write(device, "boot")
    supervisor = start_supervisor(device)
    device_settings["supervisor_pid"] = supervisor.pid
    settings.save(device, device_settings)
    deadline = time.time() + BOOT_TIMEOUT
    while time.time() < deadline:
        text = log.read(device, offset)
        if " boot done" in text:
            check_holds(device, text)
            print(f"device booted on display {display}")
            return 0
        if supervisor.poll() is not None:
            raise DeviceError("the boot process ended before the boot was done; see gallimaw-device log " + device)
        time.sleep(0.1)
    raise DeviceError(f"the boot was not done after {BOOT_TIMEOUT} s; see gallimaw-device log {device}")


def stop(device):
    device_settings = settings.load(device)
    stop_supervisor(device_settings)
    end_processes(device)
    release_display(device_settings)
    settings.save(device, device_settings)
    return 0


if __name__ == "__main__":
    supervise(sys.argv[1])
