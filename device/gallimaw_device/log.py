"""The device log, which the device's programs and the host side share."""
import os
import time

from .contract import LOG_PATH
from .paths import host_path


def write(device, message):
    now = time.time()
    stamp = time.strftime("%H:%M:%S", time.localtime(now)) + ".%03d" % int(now % 1 * 1000)
    with open(host_path(device, LOG_PATH), "a", encoding="utf-8") as f:
        f.write(f"{stamp} gallimaw-device {message}\n")


def size(device):
    try:
        return os.path.getsize(host_path(device, LOG_PATH))
    except OSError:
        return 0


def read(device, offset=0):
    with open(host_path(device, LOG_PATH), "rb") as f:
        f.seek(offset)
        return f.read().decode("utf-8", errors="replace")


def make(device):
    open(host_path(device, LOG_PATH), "a").close()
