"""What the device's programs and this command agree on. Each NAME here is
DEVICE_NAME of ce/device_contract.h, with the same value; a test holds the
two together."""

RESET_EXIT_CODE = 222
DRIVE = "C:"
LOG_PATH = DRIVE + "\\Windows\\gallimaw-device.log"
STARTUP_FOLDER = "\\Windows\\StartUp"
SHELL_ENTRY = "shell32.exe"
INIT_KEY = "init"
SETTINGS_KEY = "Software\\GallimawDevice"
STORAGE_CARDS_KEY = SETTINGS_KEY + "\\StorageCards"
