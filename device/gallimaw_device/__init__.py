"""The host side of the emulated Pocket PC: the gallimaw-device command.
See device/README.md."""
import sys


class DeviceError(Exception):
    """A command cannot do its work; the message says why."""


def note(message):
    """Tells the user something the command did in their stead."""
    print(f"gallimaw-device: {message}", file=sys.stderr)
