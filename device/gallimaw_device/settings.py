"""Where the command finds the builds, the fixtures, the prefix template
and the tools' version, and a device's settings, DIR/device.json."""
import json
import os
import re

from . import DeviceError

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__))))
WIN32_BUILD = os.environ.get("GALLIMAW_WIN32_BUILD") or os.path.join(SOURCE, "build", "win32")
NATIVE_BUILD = os.environ.get("GALLIMAW_NATIVE_BUILD") or os.path.join(SOURCE, "build", "native")
FIXTURES = os.environ.get("GALLIMAW_FIXTURES") or os.path.join(SOURCE, "tests", "data")
TEMPLATE = os.environ.get("GALLIMAW_DEVICE_TEMPLATE") or os.path.join(SOURCE, "build", "device-template")


def version():
    """The tools' version, which the top CMakeLists.txt gives the project;
    read from the source, since the command runs before anything is built."""
    with open(os.path.join(SOURCE, "CMakeLists.txt")) as f:
        return re.search(r"^project\(\w+ VERSION (\S+)", f.read(), re.MULTILINE).group(1)


def path(device):
    return os.path.join(device, "device.json")


def exists(device):
    return os.path.exists(path(device))


def load(device):
    try:
        with open(path(device)) as f:
            return json.load(f)
    except FileNotFoundError:
        raise DeviceError(f"{device} is not a device (no device.json); make one with: gallimaw-device create {device}")
    except json.JSONDecodeError as error:
        raise DeviceError(f"{path(device)} is damaged ({error}); remove {device} and create the device again")


def save(device, settings):
    """Replaces the file whole, so that a reader never sees half of it."""
    temporary = path(device) + ".tmp"
    with open(temporary, "w") as f:
        json.dump(settings, f, indent=2)
    os.replace(temporary, path(device))
