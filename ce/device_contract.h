// What the emulated device's programs, the platform stand-ins and the
// host-side command (device/gallimaw-device, whose tests read this file)
// agree on: kernel objects, registry keys, folders and the log. Plain
// literals, so that native code can use them too; Win32 calls take
// DEVICE_WIDE(NAME).
#pragma once

#define DEVICE_WIDE_TEXT(text) L##text
#define DEVICE_WIDE(name) DEVICE_WIDE_TEXT(name)

// Held by the boot process while it runs; the soft reset is honoured only
// while it exists.
#define DEVICE_KERNEL_MUTEX "GallimawDeviceKernel"
// Set to ask the boot process for a soft reset.
#define DEVICE_RESET_EVENT "GallimawDeviceReset"
// Manual-reset event set when launch number N (an unsigned long) has
// reported itself started.
#define DEVICE_STARTED_EVENT_FORMAT "GallimawDeviceStarted%lu"
// The boot process's exit code when it leaves for a soft reset; the host
// side then ends every device process and boots again.
#define DEVICE_RESET_EXIT_CODE 222
// Manual-reset event the file holder sets once it holds every file asked
// for; the boot process waits for it before the shell runs.
#define DEVICE_HOLDER_READY_EVENT "GallimawFileHolderReady"

// The device's one drive: device paths without a drive lead there.
#define DEVICE_DRIVE "C:"
// One line per step of every device program and of the host side.
#define DEVICE_LOG_PATH DEVICE_DRIVE "\\Windows\\gallimaw-device.log"
// The shell runs every shortcut of this folder once it is up.
#define DEVICE_STARTUP_FOLDER "\\Windows\\StartUp"
// The init entry whose program is the shell.
#define DEVICE_SHELL_ENTRY "shell32.exe"

// Keys under HKEY_LOCAL_MACHINE. The init sequence's LaunchNN and DependNN
// values:
#define DEVICE_INIT_KEY "init"
// The device's own settings, written by gallimaw-device create:
#define DEVICE_SETTINGS_KEY "Software\\GallimawDevice"
// One REG_SZ value per storage card, named as its root folder:
#define DEVICE_STORAGE_CARDS_KEY DEVICE_SETTINGS_KEY "\\StorageCards"
// What device_probe.exe does for each launch number:
#define DEVICE_PROBE_KEY DEVICE_SETTINGS_KEY "\\Probe"
