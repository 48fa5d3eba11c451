#include "ce/device_screen.h"

void GetDeviceWorkArea(RECT *area)
{
    SetRect(area, 0, NAV_BAR_HEIGHT, DEVICE_SCREEN_WIDTH, DEVICE_SCREEN_HEIGHT - MENU_BAR_HEIGHT);
}
