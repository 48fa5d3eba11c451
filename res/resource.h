// Resource ids of the viewer.
#pragma once

#define IDI_PROGRAM 101
#define IDR_MAIN_MENU 102
#define IDD_ABOUT_BOX 103
#define IDD_RECORD_LIST 104
#define IDS_VIEW 104
#define IDI_KIND_COOKIES 106
#define IDI_KIND_CACHE 107
#define IDI_KIND_HISTORY 108
// The kind icons' ids run on from the first, in this order.
#define IDI_KIND_FIRST IDI_KIND_COOKIES
#define IDD_FULL_SCREEN 114

#define IDC_PRODUCT_LINE 1012
#define IDC_COPYRIGHT_LINE 1022
#define IDC_WARNING_TEXT 1023
#define IDC_DISCLAIMER_TEXT 1024
#define IDC_LIST 1001

#define IDM_MENU_BUTTON 40001
#define IDM_SOFT_RESET 40005
#define IDM_ABOUT 40008
