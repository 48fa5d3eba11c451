// The Mixed view of the Record list filled from three generated index files:
// time to the early repaint, time to the filled and sorted list, and the
// same three scans without a list control, as ratios of one run.
// Usage: record_list_bench.exe FOLDER [RECORDS]   (run under Wine)

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_values.h"
#include "res/resource.h"
#include "store/index_file_set.h"
#include "store/record_row.h"
#include "tools/index_generator.h"
#include "ui/record_list.h"

namespace {

// The fill runs once: under Wine every row inserted into the visible list
// redraws its scroll bar, so 45,000 rows take minutes.
const int ScanRuns = 3;

LARGE_INTEGER Frequency;
double Started;
double FirstRepaint;
int FillDepth;
WNDPROC ListControlProc;

double Now()
{
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return (double)count.QuadPart / (double)Frequency.QuadPart;
}

LRESULT CALLBACK NoteRepaint(HWND list, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT && FillDepth > 0 && FirstRepaint == 0)
        FirstRepaint = Now() - Started;
    return CallWindowProcW(ListControlProc, list, msg, wParam, lParam);
}

INT_PTR CALLBACK TimedRecordListProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FillDepth += msg == WM_ERASEBKGND;
    INT_PTR handled = RecordListProc(dlg, msg, wParam, lParam);
    FillDepth -= msg == WM_ERASEBKGND;
    if (msg == WM_INITDIALOG)
        ListControlProc = (WNDPROC)SetWindowLongPtrW(GetDlgItem(dlg, IDC_LIST), GWLP_WNDPROC, (LONG_PTR)NoteRepaint);
    return handled;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

// Seconds from opening the list to its filled and sorted state; the early
// repaint's time goes to FirstRepaint.
double FillMixedView(int *rows)
{
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(IDD_RECORD_LIST), (LPCWSTR)RT_DIALOG);
    LPCDLGTEMPLATEW dialog = (LPCDLGTEMPLATEW)LockResource(LoadResource(AppInstance, found));
    FirstRepaint = 0;
    Started = Now();
    HWND dlg = CreateDialogIndirectParamW(AppInstance, dialog, NULL, TimedRecordListProc, 0);
    UpdateWindow(dlg);
    double filled = Now() - Started;
    *rows = (int)SendMessageW(GetDlgItem(dlg, IDC_LIST), LVM_GETITEMCOUNT, 0, 0);
    DestroyWindow(dlg);
    PumpMessages();
    return filled;
}

struct ScanTally {
    IndexImage image;
    int rows;
    size_t characters;
};

void FormatRow(void *context, uint64_t recordOffset)
{
    ScanTally *tally = (ScanTally *)context;
    char16_t text[RECORD_COLUMN_CHARS];
    for (int column = 0; column < RECORD_COLUMNS; column++) {
        int length = FormatRecordColumn(&tally->image, recordOffset, column, text);
        tally->characters += length > 0 ? length : 0;
    }
    tally->characters += RecordSortKey(&tally->image, recordOffset) & 1;
    tally->rows++;
}

// The same three scans building every column, with nowhere to put them.
double ScanWithoutList(int *rows)
{
    double start = Now();
    ScanTally tally = {};
    for (int kind = 0; kind < IndexFileKinds; kind++) {
        const BYTE *view = (const BYTE *)MapViewOfFile(IndexFiles[kind].mapping, FILE_MAP_READ, 0, 0, 0);
        OpenIndexImage(&tally.image, view, IndexFiles[kind].size);
        ScanIndexImage(&tally.image, FormatRow, &tally);
        UnmapViewOfFile(view);
    }
    *rows = tally.rows;
    return tally.characters ? Now() - start : 0;
}

bool InstallGenerated(const std::string &folder, int kind, uint32_t records)
{
    static const char *const names[] = { "cache", "cookies", "history" };
    std::string path = folder + "\\" + names[kind] + ".dat", error;
    gallimaw_gen::IndexLayout layout =
        gallimaw_gen::SampleLayout((gallimaw_gen::IndexKind)kind, records, 11 + kind, 5, false);
    if (!gallimaw_gen::WriteIndexFile(path, gallimaw_gen::BuildIndex(layout), &error)) {
        std::fprintf(stderr, "record_list_bench: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    IndexFiles[kind].size = GetFileSize(file, NULL);
    IndexFiles[kind].mapping = CreateFileMappingW(file, NULL, PAGE_READONLY, 0, 0, NULL);
    CloseHandle(file);
    return IndexFiles[kind].mapping != NULL;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: record_list_bench FOLDER [RECORDS]\n");
        return 2;
    }
    uint32_t records = argc > 2 ? (uint32_t)std::strtoul(argv[2], NULL, 10) : 15000;
    QueryPerformanceFrequency(&Frequency);
    AppInstance = GetModuleHandleW(NULL);
    for (int i = 0; i < 3; i++)
        KindIcons[i] = (HICON)LoadImageW(AppInstance, MAKEINTRESOURCEW(IDI_KIND_COOKIES + i), IMAGE_ICON, 16, 16, 0);
    for (int kind = 0; kind < IndexFileKinds; kind++)
        if (!InstallGenerated(argv[1], kind, records))
            return 1;
    ViewMode = ViewMixed;

    int listed = 0, counted = 0;
    double filled = FillMixedView(&listed);
    std::vector<double> scanned;
    for (int run = 0; run < ScanRuns; run++)
        scanned.push_back(ScanWithoutList(&counted));
    std::printf("Mixed view of 3 x %u records: %d rows listed, %d rows scanned (median of %d scans)\n", records, listed,
                counted, ScanRuns);
    std::printf("first repaint          %9.3f s\n", FirstRepaint);
    std::printf("filled and sorted list %9.3f s\n", filled);
    std::printf("scan without the list  %9.3f s\n", Median(scanned));
    std::printf("first repaint / filled list: %.4f\n", FirstRepaint / filled);
    std::printf("filled list / scan without the list: %.1f\n", filled / Median(scanned));
    return 0;
}
