// Names shared by the device's programs and its host-side script
// (device/gallimaw-device): kernel objects, registry keys, folders.
#pragma once
#include <windows.h>

// Held by the boot process while it runs; the soft reset is honoured only
// while it exists.
#define DEVICE_KERNEL_MUTEX L"GallimawDeviceKernel"
// Set to ask the boot process for a soft reset.
#define DEVICE_RESET_EVENT L"GallimawDeviceReset"
// Manual-reset event set when launch number N has reported itself started.
#define DEVICE_STARTED_EVENT_FORMAT L"GallimawDeviceStarted%d"
// The boot process's exit code when it leaves for a soft reset; the host
// side then ends every device process and boots again.
#define DEVICE_RESET_EXIT_CODE 222
// Manual-reset event the file holder sets once it holds every file asked
// for; the boot process waits for it before the shell runs.
#define DEVICE_HOLDER_READY_EVENT L"GallimawFileHolderReady"

#define DEVICE_INIT_KEY L"init"
// The device's own settings, written by gallimaw-device create.
#define DEVICE_SETTINGS_KEY L"Software\\GallimawDevice"
#define DEVICE_PROBE_KEY L"Software\\GallimawDevice\\Probe"
#define DEVICE_STARTUP_FOLDER L"C:\\Windows\\StartUp"
#define DEVICE_SHELL_ENTRY L"shell32.exe"
