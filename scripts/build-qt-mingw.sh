#!/usr/bin/env bash
# Builds Qt 5 Core for MinGW-w64 from Debian's qtbase source package, once per machine, into a
# prefix that later runs reuse. Called by setup.sh windows:
#   build-qt-mingw.sh WORK VERSION PREFIX APT_OPTIONS...
# Only Qt5Core is built: the platform and its host libraries need nothing else, and the host
# tools (moc, rcc, lrelease) stay the Linux ones, since the compiled resource and translation
# formats do not depend on the system.
set -euo pipefail
work="$1" version="$2" prefix="$3"
shift 3
log="$work/qt-build.log"
start=$SECONDS
step() { echo "setup: Qt $version for MinGW-w64: $* ($((SECONDS - start)) s so far)" >&2; }

step "fetching the source"
(cd "$work" && apt-get "$@" source --download-only -qq "qtbase-opensource-src=$version" >/dev/null)
step "unpacking"
tar -C "$work" -xf "$work"/qtbase-opensource-src_*.orig.tar.xz
source_dir="$(echo "$work"/qtbase-everywhere-src-*)"

# Qt's win32-g++ platform files call ${CROSS_COMPILE}g++; the POSIX-thread compilers are the ones the
# project's cross build uses, so that one libstdc++-6.dll serves the product and Qt.
mkdir -p "$work/compilers"
for tool in gcc g++ c++; do
    ln -sf "$(command -v x86_64-w64-mingw32-$tool-posix)" "$work/compilers/x86_64-w64-mingw32-$tool"
done
export PATH="$work/compilers:$PATH"

mkdir -p "$work/build"
cd "$work/build"
step "configuring (log: $log while it runs)"
"$source_dir/configure" -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- \
    -prefix "$prefix" -opensource -confirm-license -release -shared -no-gui -no-widgets \
    -no-opengl -no-dbus -no-icu -no-openssl -qt-zlib -qt-pcre -nomake examples -nomake tests \
    -no-feature-sql -no-feature-network -no-feature-testlib -no-feature-concurrent \
    -no-feature-xml -silent >"$log" 2>&1 || { tail -40 "$log" >&2; exit 1; }
step "building Qt5Core"
{ make sub-src-qmake_all && make -C src -j"$(nproc)" sub-corelib; } >>"$log" 2>&1 ||
    { tail -40 "$log" >&2; exit 1; }
step "installing into $prefix"
make -C src/corelib install >>"$log" 2>&1 || { tail -40 "$log" >&2; exit 1; }
# Qt's CMake files name the target's platform folder (mkspecs/win32-g++) as an include folder;
# the core library's install leaves it out. Its qplatformdefs.h includes the common one.
mkdir -p "$prefix/mkspecs/common"
cp -r "$source_dir/mkspecs/win32-g++" "$prefix/mkspecs/"
cp -r "$source_dir/mkspecs/common/c89" "$prefix/mkspecs/common/"
test -f "$prefix/bin/Qt5Core.dll"
test -f "$prefix/mkspecs/win32-g++/qplatformdefs.h"
step "done"
