# Shared by ./run and ./test: packages, the three build trees, the virtual
# display and the Wine prefix of the test run. Source it; nothing runs here.

GALLIMAW_PACKAGES=(
    cmake make g++ googletest clang libclang-rt-14-dev
    wine wine64 fonts-wine gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    xvfb xauth x11-utils python3 python3-pil python3-pytest nlohmann-json3-dev
    pasco libmsiecf-utils sleuthkit valgrind time
    libtsk-dev libewf-dev zlib1g-dev nettle-dev ewf-tools dosfstools mtools fdisk
    man-db groff-base dpkg-dev
)

gallimaw_install_packages() {
    local missing=() p
    for p in "${GALLIMAW_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} = 0 ] && return 0
    if [ "$(id -u)" != 0 ]; then
        echo "missing packages; as root run:"
        echo "  apt-get update && apt-get install -y ${missing[*]}"
        return 1
    fi
    echo "installing: ${missing[*]}"
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# gallimaw_build native|win32|fuzz
gallimaw_build() {
    local tree=$1 dir="$top/build/$1" args=()
    case "$tree" in
        native) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALLIMAW_WIN32_BUILD="$top/build/win32") ;;
        win32) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake") ;;
        fuzz) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DGALLIMAW_FUZZ=ON) ;;
    esac
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$top" -B "$dir" "${args[@]}" >/dev/null || return 1
    fi
    if [ "$tree" = fuzz ]; then
        cmake --build "$dir" -j "$(nproc)" --target decoder_fuzz >/dev/null || return 1
    else
        cmake --build "$dir" -j "$(nproc)" 2>&1 | grep -E 'error|warning' ; return "${PIPESTATUS[0]}"
    fi
}

# A virtual X server for the Wine windows, unless a display is already there.
gallimaw_start_display() {
    GALLIMAW_XVFB_PID=
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    local n
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        GALLIMAW_XVFB_PID=$!
        export DISPLAY=":$n"
        local i
        for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    done
    echo "could not start Xvfb" >&2
    return 1
}

gallimaw_stop_display() {
    [ -n "${GALLIMAW_XVFB_PID:-}" ] && kill "$GALLIMAW_XVFB_PID" 2>/dev/null
    return 0
}

# The Win32 tests' own prefix, made once and reused, with a wineserver kept
# alive for the whole run.
gallimaw_start_wine() {
    export WINEPREFIX="$top/build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1
    fi
    # The fonts of the device's screen, as every device has them.
    "$top/device/gallimaw-device" fonts "$WINEPREFIX" || return 1
    wineserver -p
    # Without a window manager, Wine waits about 2 s for one whenever a
    # managed window goes away; unmanaged windows close at once.
    if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    fi
    # Let the prefix's own services finish starting before the first test.
    timeout 120 wineboot >/dev/null 2>&1
}

gallimaw_stop_wine() {
    WINEPREFIX="$top/build/wine-prefix" wineserver -k 2>/dev/null
    return 0
}
