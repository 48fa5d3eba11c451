"""create: a new device, from a prefix template made once per Wine version."""
import fcntl
import os
import shutil
import subprocess

from . import DeviceError, log, note, settings
from .contract import STARTUP_FOLDER
from .fonts import install_wine_fonts
from .index_files import given_index_files, install_index_files
from .kinds import KINDS
from .paths import drive_c, host_path
from .registry import SCREEN, registry_script
from .settings import SOURCE, TEMPLATE, WIN32_BUILD
from .wine import run_wine, wait_for_wineserver, wine_env, wine_version

DEFAULT_INSTALL_DIR = "\\Program Files\\Gallimaw View\\"
VIEWER_NAME = "gallimaw-view.exe"
DEVICE_PROGRAMS = ("device_kernel.exe", "device_shell.exe", "device_ui.exe", "device_list_reader.dll", "device_probe.exe",
                   "peghelp.exe")
OPTIONAL_PROGRAMS = ("file_holder.exe", "iexplore.exe")
HELP_PAGE = "Gallimaw View.htm"
# Folders of the prefix that Wine never writes to once made: the device
# shares them with the template by hard links.
SHARED_FOLDERS = ("drive_c/windows/system32", "drive_c/windows/syswow64", "drive_c/windows/winsxs",
                  "drive_c/windows/Fonts", "drive_c/windows/globalization")


def make_template():
    """A fresh prefix made once per Wine version; devices start as copies."""
    os.makedirs(os.path.dirname(TEMPLATE) or ".", exist_ok=True)
    with open(TEMPLATE + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        stamp = os.path.join(TEMPLATE, "wine-version")
        version = wine_version()
        if os.path.exists(stamp) and open(stamp).read() == version:
            install_wine_fonts(os.path.join(TEMPLATE, "prefix"))
            return
        shutil.rmtree(TEMPLATE, ignore_errors=True)
        os.makedirs(TEMPLATE)
        result = subprocess.run(["wineboot", "-i"], env=wine_env(TEMPLATE), stdin=subprocess.DEVNULL,
                                capture_output=True)
        wait_for_wineserver(TEMPLATE)
        if result.returncode != 0 or not os.path.exists(os.path.join(TEMPLATE, "prefix", "system.reg")):
            raise DeviceError("wineboot failed: " + result.stderr.decode(errors="replace")[-500:])
        install_wine_fonts(os.path.join(TEMPLATE, "prefix"))
        with open(stamp, "w") as f:
            f.write(version)


def copy_prefix(target):
    source = os.path.join(TEMPLATE, "prefix")
    for folder, dirs, files in os.walk(source):
        relative = os.path.relpath(folder, source)
        destination = os.path.join(target, relative)
        os.makedirs(destination, exist_ok=True)
        shared = any(relative == s or relative.startswith(s + "/") for s in SHARED_FOLDERS)
        for name in dirs + files:
            path = os.path.join(folder, name)
            if os.path.islink(path):
                os.symlink(os.readlink(path), os.path.join(destination, name))
            elif name in files:
                if shared:
                    os.link(path, os.path.join(destination, name))
                else:
                    shutil.copy2(path, os.path.join(destination, name))


def install_file(source, target):
    """Copies a file into the device; never writes through a hard link that
    the template shares."""
    os.makedirs(os.path.dirname(target), exist_ok=True)
    if os.path.lexists(target):
        os.unlink(target)
    shutil.copy2(source, target)


def install_programs(device, viewer, install_dir):
    programs = os.path.join(WIN32_BUILD, "device")
    missing = [p for p in DEVICE_PROGRAMS if not os.path.exists(os.path.join(programs, p))]
    if missing:
        raise DeviceError(f"device programs not built ({', '.join(missing)} missing in {programs}); "
                          "build the win32 tree first")
    windows = host_path(device, "\\Windows")
    for name in DEVICE_PROGRAMS + OPTIONAL_PROGRAMS:
        source = os.path.join(programs, name)
        if os.path.exists(source):
            install_file(source, os.path.join(windows, name))
        elif name in OPTIONAL_PROGRAMS:
            note(f"{source} not built; the device runs without it")
    browser = os.path.join(programs, "iexplore.exe")
    if os.path.exists(browser):
        # Over Wine's own placeholder, so that every way of starting the
        # browser finds the device's.
        install_file(browser, os.path.join(host_path(device, "\\Windows\\system32"), "iexplore.exe"))
    page = os.path.join(SOURCE, "res", HELP_PAGE)
    if os.path.exists(page):
        install_file(page, os.path.join(windows, HELP_PAGE))
    viewer_path = install_dir.rstrip("\\") + "\\" + VIEWER_NAME
    install_file(viewer, host_path(device, viewer_path))
    return viewer_path


def write_registry(device, hold, browser):
    script = os.path.join(drive_c(device), "gallimaw-device.reg")
    with open(script, "w", newline="") as f:
        f.write(registry_script(hold, browser))
    result = run_wine(device, ["regedit", "/S", "C:\\gallimaw-device.reg"], capture=True)
    os.unlink(script)
    wait_for_wineserver(device)
    if result.returncode != 0:
        raise DeviceError("cannot write the device's registry: " + result.stderr.decode(errors="replace")[-500:])


def create(options):
    """Checks everything the user gave before it makes anything."""
    device = options.dir
    if settings.exists(device):
        raise DeviceError(f"{device} already holds a device; stop it and remove the folder first")
    viewer = options.viewer or os.path.join(WIN32_BUILD, "app", VIEWER_NAME)
    if not os.path.isfile(viewer):
        raise DeviceError(f"the viewer {viewer} does not exist; build the win32 tree (or give --viewer FILE)")
    hold = [k for k in (options.hold or "").split(",") if k]
    for kind in hold:
        if kind not in KINDS:
            raise DeviceError(f"--hold: {kind} is not one of {', '.join(KINDS)}")
    if hold and not os.path.exists(os.path.join(WIN32_BUILD, "device", "file_holder.exe")):
        raise DeviceError(f"--hold needs the file holder, {WIN32_BUILD}/device/file_holder.exe; build the win32 tree")
    install_dir = options.install_dir or DEFAULT_INSTALL_DIR
    if not install_dir.startswith("\\"):
        raise DeviceError(f"--install-dir: {install_dir} is not a device path (\\Folder\\...)")
    given = given_index_files(options)

    make_template()
    os.makedirs(device, exist_ok=True)
    copy_prefix(os.path.join(device, "prefix"))
    for folder in (STARTUP_FOLDER, "\\Storage Card", "\\Temp"):
        os.makedirs(host_path(device, folder), exist_ok=True)
    placed = install_index_files(device, given)
    viewer_path = install_programs(device, viewer, install_dir)
    write_registry(device, hold, not options.no_browser)
    log.make(device)
    settings.save(device, {"viewer": viewer_path, "viewer_from": os.path.abspath(viewer), "install_dir": install_dir,
                           "hold": hold, "browser": not options.no_browser, "index_files": placed,
                           "screen": SCREEN, "display": None, "xvfb_pid": None, "supervisor_pid": None})
    print(f"device created in {device}; its index files: "
          + ", ".join(f"{kind} {placed[kind]['from']}" for kind in KINDS))
    return 0
