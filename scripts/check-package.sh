#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Builds the Debian package from a build directory, unpacks it into a scratch root and
# checks that the desktop finds the program, its menu entry and its icon.
# Usage: scripts/check-package.sh BUILD_DIR
set -uo pipefail
build=$(cd "${1:?build directory}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {
    local what=$1
    shift
    if "$@" >"$work/check.log" 2>&1; then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
        cat "$work/check.log"
    fi
}

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; echo "0 passed, 1 failed"; exit 1; }
deb=$(ls "$work"/out/abgleich_*.deb)
dpkg-deb -x "$deb" "$work/root"
root=$work/root

check "package name and version" test "$(dpkg-deb -f "$deb" Package Version | tr '\n' ' ')" = \
    "Package: abgleich Version: 1.0.1.6 "
check "depends on Qt 6 with its SQLite driver, its German translations and the Liberation fonts; recommends the PostgreSQL driver" \
    sh -c "dpkg-deb -f '$deb' Depends | grep -q libqt6charts6 && dpkg-deb -f '$deb' Depends | grep -q fonts-liberation && dpkg-deb -f '$deb' Depends | grep -q qt6-translations-l10n && dpkg-deb -f '$deb' Depends | grep -q libqt6sql6-sqlite && dpkg-deb -f '$deb' Recommends | grep -q libqt6sql6-psql"
check "program in /usr/bin" test -x "$root/usr/bin/abgleich"
check "bench simulator in /usr/bin" test -x "$root/usr/bin/abgleich-bench-sim"
check "desktop entry valid" desktop-file-validate "$root/usr/share/applications/abgleich.desktop"
check "desktop entry starts the program" \
    grep -qx 'Exec=abgleich' "$root/usr/share/applications/abgleich.desktop"
check "desktop entry named in German" \
    grep -qx 'Name=Prüfstands-Abgleich' "$root/usr/share/applications/abgleich.desktop"
check "icon where the desktop looks" \
    grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/abgleich.svg"
check "operator guide" grep -q 'Bedienungsanleitung' "$root/usr/share/doc/abgleich/bedienungsanleitung.md"
check "simulator help runs" "$root/usr/bin/abgleich-bench-sim" --help

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
