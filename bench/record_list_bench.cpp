// The Record list filled from generated index files under Wine: the Mixed
// view of three files, then the Cache view of one file as large as the
// three together. For each: time to the early repaint, time to the filled
// (and in the Mixed view sorted) list, and the same scans without a list
// control, as ratios of one run; wall times, and thread CPU times, which a
// busy machine disturbs less.
// Usage: record_list_bench.exe FOLDER [RECORDS]   (run under Wine)

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/ui_values.h"
#include "res/resource.h"
#include "store/index_file_set.h"
#include "format/record_row.h"
#include "format/record_state.h"
#include "gen/index_generator.h"
#include "ui/record_list.h"

namespace {

// Each view is filled once; its scans without the list run this often.
const int ScanRuns = 5;

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

// User and kernel time of this thread, in seconds.
double CpuNow()
{
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    ULARGE_INTEGER k = { { kernel.dwLowDateTime, kernel.dwHighDateTime } };
    ULARGE_INTEGER u = { { user.dwLowDateTime, user.dwHighDateTime } };
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

struct Timing {
    double wall;
    double cpu;
};

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

// From opening the list to its filled state; the early repaint's wall time
// goes to FirstRepaint.
Timing FillView(int view, int *rows)
{
    HRSRC found = FindResourceW(AppInstance, MAKEINTRESOURCEW(IDD_RECORD_LIST), (LPCWSTR)RT_DIALOG);
    LPCDLGTEMPLATEW dialog = (LPCDLGTEMPLATEW)LockResource(LoadResource(AppInstance, found));
    ViewMode = view;
    FirstRepaint = 0;
    double cpu = CpuNow();
    Started = Now();
    HWND dlg = CreateDialogIndirectParamW(AppInstance, dialog, NULL, TimedRecordListProc, 0);
    UpdateWindow(dlg);
    Timing filled = { Now() - Started, CpuNow() - cpu };
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

void FormatRow(void *context, const ScannedRecord *record)
{
    ScanTally *tally = (ScanTally *)context;
    if (record->type != RecordUrl)
        return;
    char16_t text[RECORD_COLUMN_CHARS];
    for (int column = 0; column < RECORD_COLUMNS; column++) {
        int length = FormatRecordColumn(&tally->image, record, column, text);
        tally->characters += length > 0 ? length : 0;
    }
    tally->characters += RecordSortKey(&tally->image, record->offset) & 1;
    tally->rows++;
}

// The same scans building every column, with nowhere to put them: the
// median wall time and the mean CPU time of ScanRuns runs.
Timing ScanWithoutList(int firstKind, int lastKind, int *rows)
{
    std::vector<double> walls;
    double cpu = CpuNow();
    size_t characters = 0;
    for (int run = 0; run < ScanRuns; run++) {
        double start = Now();
        ScanTally tally = {};
        for (int kind = firstKind; kind <= lastKind; kind++) {
            const BYTE *view = (const BYTE *)MapViewOfFile(IndexFiles[kind].mapping, FILE_MAP_READ, 0, 0, 0);
            static IndexReach reach;
            OpenIndexImage(&tally.image, view, IndexFiles[kind].size);
            FindIndexReach(&tally.image, &reach, NULL, NULL);
            ScanIndexRecords(&tally.image, &reach, FormatRow, &tally);
            UnmapViewOfFile(view);
        }
        walls.push_back(Now() - start);
        characters += tally.characters;
        *rows = tally.rows;
    }
    std::sort(walls.begin(), walls.end());
    return { characters ? walls[ScanRuns / 2] : 0, (CpuNow() - cpu) / ScanRuns };
}

bool InstallGenerated(const std::string &folder, int kind, uint32_t records)
{
    static const char *const names[] = { "cache", "cookies", "history" };
    std::string path = folder + "\\" + names[kind] + "-" + std::to_string(records) + ".dat", error;
    gallimaw_gen::IndexLayout layout =
        gallimaw_gen::SampleLayout((IndexFileKind)kind, records, 11 + kind, 5, false);
    if (!gallimaw_gen::WriteIndexFile(path, gallimaw_gen::BuildIndex(layout), &error)) {
        std::fprintf(stderr, "record_list_bench: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    if (IndexFiles[kind].mapping)
        CloseHandle(IndexFiles[kind].mapping);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    IndexFiles[kind].size = GetFileSize(file, NULL);
    IndexFiles[kind].mapping = CreateFileMappingW(file, NULL, PAGE_READONLY, 0, 0, NULL);
    CloseHandle(file);
    return IndexFiles[kind].mapping != NULL;
}

// Fills the view once and scans its files without the list, and prints
// both with their ratios.
void Measure(const char *title, int view, int firstKind, int lastKind)
{
    int listed = 0, counted = 0;
    Timing filled = FillView(view, &listed);
    Timing scanned = ScanWithoutList(firstKind, lastKind, &counted);
    std::printf("%s: %d rows listed, %d rows scanned\n", title, listed, counted);
    std::printf("  first repaint          %9.3f s\n", FirstRepaint);
    std::printf("  filled list            %9.3f s wall %9.3f s CPU\n", filled.wall, filled.cpu);
    std::printf("  scan without the list  %9.3f s wall %9.3f s CPU (median wall, mean CPU of %d)\n", scanned.wall,
                scanned.cpu, ScanRuns);
    std::printf("  first repaint / filled list: %.4f\n", FirstRepaint / filled.wall);
    std::printf("  filled list / scan without the list: %.1f wall, %.1f CPU\n", filled.wall / scanned.wall,
                filled.cpu / scanned.cpu);
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
    std::string title = "Mixed view of 3 x " + std::to_string(records) + " records, sorted";
    Measure(title.c_str(), ViewMixed, KindCache, KindHistory);
    if (!InstallGenerated(argv[1], KindCache, 3 * records))
        return 1;
    title = "Cache view of " + std::to_string(3 * records) + " records in one file";
    Measure(title.c_str(), ViewCache, KindCache, KindCache);
    return 0;
}
