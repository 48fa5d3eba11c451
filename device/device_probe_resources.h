// Resource ids of device_probe.exe's window: its menu and menu bar.
#pragma once

#define IDR_PROBE_MENU 1
#define IDM_PROBE_BUTTON 200
#define IDM_PROBE_FIRST 201
#define IDM_PROBE_SECOND 202
