#!/usr/bin/env bash
# The Record list filled from generated index files under Wine: the Mixed
# view of three files of 15,000 records each, then the Cache view of one
# file of 45,000 records. For each: time to the early repaint, time to the
# filled list and the same scans without the list control, as ratios of one
# run (wall and CPU). Builds the Win32 tree when it is missing. Not part of
# ./test; takes under a minute. Targets for the Mixed view: filled list at
# most 25 times the scans, first repaint within 0.15 s and at most 0.1 of
# the filled list's time.
# Usage: bench/record_list_bench.sh [RECORDS]
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/setup.sh"
records=${1:-15000}
build="$top/build/win32"
[ -f "$build/ui/libgallimaw_ui.a" ] || gallimaw_build win32 || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"; gallimaw_stop_wine; gallimaw_stop_display' EXIT
cxx=x86_64-w64-mingw32-g++-posix
x86_64-w64-mingw32-windres -I"$top" -I"$top/res" "$top/res/gallimaw.rc" -O coff -o "$work/resources.o" || exit 1
$cxx -std=c++17 -O2 -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -D_WIN32_IE=0x0600 -D_WIN32_WINNT=0x0601 \
    -I"$top" "$top/bench/record_list_bench.cpp" "$work/resources.o" -o "$work/record_list_bench.exe" \
    "$build/ui/libgallimaw_ui.a" "$build/boot/libgallimaw_boot.a" "$build/store/libgallimaw_storage.a" \
    "$build/ce/libgallimaw_ce.a" "$build/format/libgallimaw_decoder.a" "$build/gen/libgallimaw_gen.a" \
    -static -lcomctl32 -lgdi32 -luser32 -lshell32 -ladvapi32 -lpsapi -lole32 || exit 1

gallimaw_start_display || exit 1
gallimaw_start_wine
# The device's 240 x 320 screen, as a Wine virtual desktop.
wine explorer /desktop=record-list-bench,240x320 "$work/record_list_bench.exe" "$(winepath -w "$work")" "$records"
