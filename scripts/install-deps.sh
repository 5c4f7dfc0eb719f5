#!/usr/bin/env bash
# Installs what Halvorn needs on a fresh Debian 12 machine (run as root).
#   scripts/install-deps.sh core   compilers, CMake, GoogleTest, Google Benchmark
#   scripts/install-deps.sh gl     + OpenGL (EGL, Mesa), X11, Wayland (the client library, its
#                                    protocols with wlroots' layer shell, libdecor, xkbcommon),
#                                    PNG, FreeType, a font
#   scripts/install-deps.sh all    + FCL, clang's fuzzer runtime, MinGW-w64, Wine, Xvfb tools,
#                                    XScreenSaver, the packaging tools the tests and
#                                    scripts/package.sh use (lintian, NSIS, zip, git), ffmpeg
#                                    (halvorn --record runs it; its tests probe the videos), headless
#                                    sway and weston with swayidle, grim, wtype and jq for the Wayland
#                                    suites, libdecor's title bars, and
#                                    Emscripten with Chromium for the web page and its test
set -euo pipefail
level=${1:-all}

core=(build-essential cmake pkg-config googletest libgtest-dev libbenchmark-dev)
# Debian 12 ships the layer shell's XML (wlr-layer-shell-unstable-v1.xml) only
# inside librust-wayland-protocols-dev.
gl=(libegl-dev libgl-dev libgles-dev libglu1-mesa-dev libegl-mesa0 libgl1-mesa-dri libx11-dev
    libwayland-dev wayland-protocols librust-wayland-protocols-dev libdecor-0-dev libxkbcommon-dev
    libpng-dev libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core)
extra=(libfcl-dev clang libclang-rt-14-dev g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix
       binutils-mingw-w64-x86-64 wine wine64 xvfb xauth xdotool imagemagick x11-utils
       xscreensaver xscreensaver-data xscreensaver-gl libxml2-utils dpkg-dev groff-base gzip
       lintian desktop-file-utils nsis unzip git ffmpeg
       sway swayidle grim wtype weston jq libdecor-0-plugin-1-cairo
       emscripten chromium chromium-driver python3-selenium)

pkgs=("${core[@]}")
case "$level" in
  core) ;;
  gl) pkgs+=("${gl[@]}") ;;
  all) pkgs+=("${gl[@]}" "${extra[@]}") ;;
  *) echo "usage: $0 [core|gl|all]" >&2; exit 2 ;;
esac

# Skip apt entirely when everything is already there (fast repeated runs).
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
