#!/usr/bin/env bash
# Builds a static Qt 6.4.2 for 64-bit Windows into PREFIX: qtbase from
# Debian's qt6-base source package (the same version as the Linux Qt the
# program builds with, whose moc, rcc and uic it uses), QtSerialPort from
# the vendored source tarball. Called by scripts/package-windows, which
# keys PREFIX by this file and the toolchain file: any change here builds
# a new Qt.
#
#   build-qt.sh PREFIX WORKDIR QTSERIALPORT_TARBALL
set -euo pipefail
prefix=$1
work=$2
serialport_tarball=$3
here=$(cd "$(dirname "$0")" && pwd)
jobs=${QUORVEL_QT_JOBS:-$(nproc)}

mkdir -p "$prefix" "$work"
# Qt's installed toolchain file loads this one from where it was when Qt
# was configured: keep a copy beside the Qt that uses it.
cp "$here/mingw-w64-x86_64.cmake" "$prefix/mingw-w64-x86_64.cmake"
toolchain=$prefix/mingw-w64-x86_64.cmake

# --- qtbase source: Debian's source package, fetched with a private apt
# state (the system's own sources, as deb-src) so the system's apt
# configuration is left as it was.
src=$work/src
if [ ! -f "$src/qtbase/.unpacked" ]; then
    rm -rf "$src/qtbase" "$work/apt"
    mkdir -p "$work/apt/sources" "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$src"
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        sed -e 's/^Types:.*/Types: deb-src/' "$f" > "$work/apt/sources/$(basename "$f")"
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n -e 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list > "$work/apt/sources/system.list"
    fi
    apt_opts=(-q -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/apt/sources"
              -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
              -o "APT::Sandbox::User=root")
    apt-get "${apt_opts[@]}" update
    (cd "$src" && apt-get "${apt_opts[@]}" source qt6-base)
    dir=$(find "$src" -maxdepth 1 -type d -name 'qt6-base-6.4.2*' | head -n 1)
    if [ -z "$dir" ]; then
        echo "build-qt: apt-get source did not bring qt6-base 6.4.2" >&2
        exit 1
    fi
    mv "$dir" "$src/qtbase"
    touch "$src/qtbase/.unpacked"
fi

# --- qtbase: static, release, only the modules and features the program
# uses, so that a machine's first build is as short as it can be (the
# features below are what the program's widgets, the file dialog and the
# message box do without).
# FEATURE_tabletevent is off because Debian's source drops wintab.h;
# opengl (dynamic) and direct2d stay on because the Windows platform
# plugin of 6.4.2 needs both to compile and link (direct2d1_1 is what
# builds the separate Direct2D platform plugin, which is not linked).
# FreeType stays: under Wine the program draws with it (app/main.cpp); no
# HarfBuzz, whose shaping the program's Latin and Chinese texts do not need.
if [ ! -f "$work/qtbase.installed" ]; then
    off=(dbus sql network printsupport concurrent testlib xml icu jpeg gif tabletevent
         system_zlib system_pcre2 system_png system_freetype system_harfbuzz harfbuzz
         direct2d1_1 vulkan sessionmanager sharedmemory systemsemaphore
         textodfwriter textmarkdownreader textmarkdownwriter movie undocommand undostack undogroup undoview
         graphicsview mdiarea calendarwidget datetimeedit dial lcdnumber fontdialog fontcombobox
         colordialog wizard textbrowser dockwidget toolbox keysequenceedit syntaxhighlighter
         splashscreen systemtrayicon)
    features=()
    for f in "${off[@]}"; do features+=("-DFEATURE_$f=OFF"); done
    cmake -S "$src/qtbase" -B "$work/build-qtbase" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=OFF \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        "${features[@]}" \
        -DFEATURE_opengl=ON -DFEATURE_opengl_dynamic=ON -DFEATURE_direct2d=ON
    cmake --build "$work/build-qtbase" --parallel "$jobs"
    cmake --install "$work/build-qtbase"
    touch "$work/qtbase.installed"
fi

# --- QtSerialPort, with the toolchain file the Windows Qt installed.
if [ ! -f "$work/qtserialport.installed" ]; then
    rm -rf "$src/qtserialport"
    mkdir -p "$src/qtserialport"
    tar -xJf "$serialport_tarball" -C "$src/qtserialport" --strip-components=1
    cmake -S "$src/qtserialport" -B "$work/build-qtserialport" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    cmake --build "$work/build-qtserialport" --parallel "$jobs"
    cmake --install "$work/build-qtserialport"
    touch "$work/qtserialport.installed"
fi
