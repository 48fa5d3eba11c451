#pragma once
#include <windows.h>

BOOL IsOnStorageCard(LPCWSTR modulePath);
