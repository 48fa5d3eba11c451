"""The registry script that create imports into a new device."""
from .contract import INIT_KEY, SETTINGS_KEY, SHELL_ENTRY, STORAGE_CARDS_KEY
from .kinds import INDEX_FOLDERS, KINDS

SCREEN = "240x320"
# Launch number, program, the numbers it waits for.
INIT_ENTRIES = [(10, "shell.exe", None), (20, "device.exe", None), (30, "gwes.exe", [20]),
                (50, SHELL_ENTRY, [20, 30]), (60, "services.exe", [20])]


def reg_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def reg_binary(numbers):
    """A list of 16-bit numbers as REG_BINARY text, little-endian."""
    return "hex:" + ",".join("%02x,%02x" % (n & 0xFF, n >> 8) for n in numbers)


def registry_script(hold, browser):
    lines = ["REGEDIT4", "",
             "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]", '"Desktop"="Default"', "",
             "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]", f'"Default"="{SCREEN}"', "",
             "[HKEY_CURRENT_USER\\Environment]", '"TEMP"="C:\\\\Temp"', '"TMP"="C:\\\\Temp"', ""]
    # Wine rewrites "Shell Folders" from "User Shell Folders" whenever a
    # program asks for one of these folders, so both say the same.
    for key in ("Shell Folders", "User Shell Folders"):
        lines.append(f"[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\{key}]")
        for kind in KINDS:
            name, folder, _ = INDEX_FOLDERS[kind]
            lines.append(f'"{name}"={reg_string(folder)}')
        lines.append("")
    lines += [f"[HKEY_LOCAL_MACHINE\\{INIT_KEY}]"]
    for number, exe, depends in INIT_ENTRIES:
        lines.append(f'"Launch{number:02d}"={reg_string(exe)}')
        if depends:
            lines.append(f'"Depend{number:02d}"={reg_binary(depends)}')
    lines += ["", f"[HKEY_LOCAL_MACHINE\\{SETTINGS_KEY}]",
              f'"Hold"={reg_string(",".join(hold))}', '"Browser"=dword:%08x' % (1 if browser else 0), "",
              f"[HKEY_LOCAL_MACHINE\\{STORAGE_CARDS_KEY}]", '"Storage Card"="Storage Card"', ""]
    return "\r\n".join(lines)
