#!/bin/sh
# Installs the built program into a fresh prefix, as `make install` does, and checks
# that the desktop database then names it as the handler of filter files and that the
# MIME database knows both extensions. A machine set up by scripts/install-deps has the
# tools the install step runs; without them the handler was silently not registered.
set -eu
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
cache="$prefix/share/applications/mimeinfo.cache"
if ! grep -q '^application/x-tarnix-logfilters=.*trawlview.desktop' "$cache" 2>/dev/null; then
    echo "no handler for filter files in $cache" >&2
    exit 1
fi
for ext in lff tarnix-logfilters; do
    if ! grep -q "\*\.$ext" "$prefix/share/mime/globs2" 2>/dev/null; then
        echo "the MIME database does not know .$ext" >&2
        exit 1
    fi
done
