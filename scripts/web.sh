#!/usr/bin/env bash
# Builds the web page into a static folder that any web server (or GitHub
# Pages) serves as it is: index.html, page.js, halvorn.js and halvorn.wasm.
#   scripts/web.sh [DIR]           build into DIR (default out/web/)
#   scripts/web.sh --serve [DIR]   build, then serve DIR on http://127.0.0.1:8080/
# Needs Debian's emscripten (scripts/install-deps.sh all).
set -euo pipefail
cd "$(dirname "$0")/.."

serve=0
if [ "${1:-}" = "--serve" ]; then
  serve=1
  shift
fi
out=${1:-out/web}
build=${HALVORN_WEB_BUILD:-build-web}

if ! command -v emcmake >/dev/null || ! command -v emcc >/dev/null; then
  echo "web: emscripten is missing; run scripts/install-deps.sh all" >&2
  exit 1
fi

# What Debian's emscripten 3.1.6 needs here, so that nobody's shell has to:
# - its tools run on the `node` first on PATH, which may not be Debian's;
#   Debian's JavaScript modules live in /usr/share/nodejs;
# - its cache of system libraries is prebuilt and frozen, so nothing may ask
#   for ports (SDL, zlib) or rebuild the cache, and nothing reaches the network;
# - no closure compiler, and no -Werror at the link (binaryen's version warning);
# - its HTML minifier fails, so it emits only the .js and .wasm and the page
#   (host/web/index.html, page.js) is our own.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
export EM_FROZEN_CACHE=1

emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"${HALVORN_JOBS:-2}" --target halvorn_web

mkdir -p "$out"
cp host/web/index.html host/web/page.js "$build"/host/web/halvorn.js "$build"/host/web/halvorn.wasm "$out"/
size=0
for f in "$out"/*; do size=$((size + $(gzip -9c "$f" | wc -c))); done
echo "web: built $out ($(du -cb "$out"/* | tail -1 | cut -f1) bytes, $size bytes with gzip -9)"

if [ "$serve" = 1 ]; then
  echo "web: serving $out on http://127.0.0.1:8080/ (Ctrl-C stops)"
  exec python3 -m http.server 8080 --bind 127.0.0.1 --directory "$out"
fi
