"""Device paths (\\Windows\\x, C:\\Windows\\x) and where they lie on the
host, in the device's Wine prefix."""
import os

from . import DeviceError
from .contract import DRIVE


def drive_c(device):
    return os.path.join(device, "prefix", "drive_c")


def host_path(device, device_path):
    """The host path of a device path; existing components are matched
    without regard to letter case, as the device does."""
    parts = [p for p in device_path.replace("/", "\\").split("\\") if p]
    if parts and len(parts[0]) == 2 and parts[0][1] == ":":
        if parts[0].lower() != DRIVE.lower():
            raise DeviceError(f"{device_path}: the device has one drive, {DRIVE}")
        parts = parts[1:]
    path = drive_c(device)
    for part in parts:
        match = part
        if os.path.isdir(path):
            for name in os.listdir(path):
                if name.lower() == part.lower():
                    match = name
                    break
        path = os.path.join(path, match)
    return path
