#include "ui/record_scanner.h"

#include <commctrl.h>

#include "res/resource.h"
#include "format/record_row.h"
#include "format/record_state.h"

// The row after which the first screenful is drawn while the scan goes on.
#define FIRST_SCREEN_LAST_ROW 15

static_assert(sizeof(WCHAR) == sizeof(char16_t), "column texts are handed to the list control as they are");

// Which records the file's index reaches; too large for the stack, and one
// scan runs at a time.
static IndexReach ScanReach;

struct RowDelivery {
    IndexImage image;
    HWND listHost;
    HWND list;
    int kind;
    int row;
};

static void DeliverRecordRow(void *context, const ScannedRecord *record)
{
    RowDelivery *delivery = (RowDelivery *)context;
    char16_t text[RECORD_COLUMN_CHARS];
    LVITEMW item = {};

    if (record->type != RecordUrl)
        return;
    FormatRecordColumn(&delivery->image, record, ColumnAccessed, text);
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = delivery->row;
    item.pszText = (LPWSTR)text;
    item.iImage = delivery->kind;
    item.lParam = (LPARAM)RecordSortKey(&delivery->image, record->offset);
    SendMessageW(delivery->list, LVM_INSERTITEMW, 0, (LPARAM)&item);

    for (int column = ColumnUrl; column < RECORD_COLUMNS; column++) {
        if (FormatRecordColumn(&delivery->image, record, column, text) < 0)
            continue;
        LVITEMW subItem = {};
        subItem.iSubItem = column;
        subItem.pszText = (LPWSTR)text;
        SendMessageW(delivery->list, LVM_SETITEMTEXTW, delivery->row, (LPARAM)&subItem);
    }

    // The list host keeps the list from drawing while it fills; it may draw
    // for this one repaint only.
    if (delivery->row == FIRST_SCREEN_LAST_ROW) {
        SendMessageW(delivery->list, WM_SETREDRAW, TRUE, 0);
        UpdateWindow(delivery->listHost);
        SendMessageW(delivery->list, WM_SETREDRAW, FALSE, 0);
    }
    delivery->row++;
}

void ScanIndexFile(HWND listHost, HANDLE mapping, DWORD size, int kind)
{
    if (!mapping || !size)
        return;
    const BYTE *view = (const BYTE *)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view)
        return;
    // A size larger than the mapping must not lead the scan past the view.
    MEMORY_BASIC_INFORMATION region;
    SIZE_T viewSize = VirtualQuery(view, &region, sizeof region) ? region.RegionSize : 0;

    RowDelivery delivery;
    OpenIndexImage(&delivery.image, view, size < viewSize ? size : viewSize);
    delivery.listHost = listHost;
    delivery.list = GetDlgItem(listHost, IDC_LIST);
    delivery.kind = kind;
    delivery.row = (int)SendMessageW(delivery.list, LVM_GETITEMCOUNT, 0, 0);
    FindIndexReach(&delivery.image, &ScanReach, NULL, NULL);
    ScanIndexRecords(&delivery.image, &ScanReach, DeliverRecordRow, &delivery);
    UnmapViewOfFile(view);
}
