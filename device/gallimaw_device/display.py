"""The X display that shows the device's screen."""
import os
import signal
import subprocess
import time

from . import DeviceError, settings
from .wine import alive

DISPLAY_WAIT = 10


def display_answers(display):
    env = dict(os.environ, DISPLAY=display)
    return subprocess.run(["xdpyinfo"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def start_xvfb():
    for number in range(90, 300):
        if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}"):
            continue
        display = f":{number}"
        xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "640x480x24", "-nolisten", "tcp"],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        deadline = time.time() + DISPLAY_WAIT
        while time.time() < deadline and xvfb.poll() is None:
            if display_answers(display):
                return display, xvfb.pid
            time.sleep(0.1)
        if xvfb.poll() is None:
            xvfb.kill()
    raise DeviceError("cannot start a virtual X server (Xvfb)")


def ensure_display(device, device_settings):
    """The X display of the device's screen: the one it already uses, the
    caller's, or a virtual X server of its own."""
    display = device_settings.get("display")
    if display and (not device_settings.get("xvfb_pid") or alive(device_settings["xvfb_pid"])) \
            and display_answers(display):
        return display
    display = os.environ.get("DISPLAY")
    if display and display_answers(display):
        device_settings.update(display=display, xvfb_pid=None)
    else:
        display, pid = start_xvfb()
        device_settings.update(display=display, xvfb_pid=pid)
    settings.save(device, device_settings)
    return display


def release_display(device_settings):
    """Ends the device's own X server, if it has one."""
    pid = device_settings.get("xvfb_pid")
    if alive(pid):
        os.kill(pid, signal.SIGTERM)
    device_settings.update(display=None, xvfb_pid=None)
