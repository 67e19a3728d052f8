#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine. Idempotent:
# does nothing when everything is present.
set -euo pipefail

packages=(cmake make g++ googletest g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 xvfb xauth locales
          fonts-wqy-microhei imagemagick python3 python3-pil python3-cryptography curl clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi

# Chinese window texts need the zh_CN locale (and the CJK font above); the
# en_US locale gives wine a western ANSI code page (1252), where the install
# folder's Chinese name cannot be spelled narrowly.
for loc in zh_CN en_US; do
    if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
        $SUDO sed -i "s/^# *$loc.UTF-8/$loc.UTF-8/" /etc/locale.gen
        $SUDO locale-gen
    fi
done
