"""Commands that run inside a device: the screen tool device_ui.exe, the
viewer, Wine's reg and any device program."""
import os
import sys

from . import DeviceError, settings
from .paths import host_path
from .wine import alive, run_wine

COMMAND_TIMEOUT = 120
SCREENSHOT_PATH = "\\Temp\\gallimaw-screenshot.bmp"


def current_display(device):
    """The device's display while it runs, else None."""
    device_settings = settings.load(device)
    return device_settings["display"] if alive(device_settings.get("supervisor_pid")) else None


def booted_display(device):
    """The display of a running device; fails when it does not run."""
    display = current_display(device)
    if not display:
        raise DeviceError(f"the device is not running; boot it with: gallimaw-device boot {device}")
    return display


def device_ui(device, args):
    display = booted_display(device)
    result = run_wine(device, ["C:\\windows\\device_ui.exe"] + args, display=display, capture=True,
                      timeout=COMMAND_TIMEOUT)
    return result.returncode, result.stdout.decode("utf-8", errors="replace")


def print_device_ui(device, args):
    code, output = device_ui(device, args)
    sys.stdout.write(output)
    return code


def start(device, args):
    return print_device_ui(device, ["start", settings.load(device)["viewer"]] + args)


def screenshot(device, out):
    from PIL import Image
    code, output = device_ui(device, ["screenshot", SCREENSHOT_PATH])
    if code != 0:
        raise DeviceError("screenshot failed: " + output.strip())
    bitmap = host_path(device, SCREENSHOT_PATH)
    with Image.open(bitmap) as image:
        image.save(out, "PNG")
    os.unlink(bitmap)
    print(out)
    return 0


def reg(device, args):
    return run_wine(device, ["reg"] + args, display=current_display(device), timeout=COMMAND_TIMEOUT).returncode


def run(device, args):
    code = run_wine(device, args, display=current_display(device), timeout=COMMAND_TIMEOUT).returncode
    print(f"exit code {code}")
    return 0
