// The device's list reader: a hook DLL that the UI automation installs in
// the thread of another process's list view, so that the whole list is read
// inside that process at once rather than by one cross-process message per
// cell.
#pragma once
#include <windows.h>

#define LIST_READER_DLL L"device_list_reader.dll"
#define LIST_READER_HOOK "ReadListHook"
// Sent to the list view while the hook is in place: wParam is the reading
// process's id, lParam the size in bytes of its mapping.
#define LIST_READER_MESSAGE L"GallimawDeviceReadList"
// The reading process's mapping that receives the list, named by its id.
#define LIST_READER_MAPPING L"GallimawDeviceListDump%lu"

// The mapping starts with this header, followed by the list's JSON members
// (UTF-8) when they fit. The length is 0 until the reader has answered.
struct ListDumpHeader {
    UINT64 length;
};
