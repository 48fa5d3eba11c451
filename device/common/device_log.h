// Device programs log through ce/device_log.h; the browser and the file
// holder still call it by this name.
#pragma once
#include "ce/device_log.h"

#define WriteDeviceLog DeviceLog
