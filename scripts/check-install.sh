#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks what make install puts
# there: the commands, their man pages, the README and the examples. A
# release build goes through the Makefile itself, whose commands (make run
# among them) must print no "Entering directory" chatter; the other builds
# through cmake --install, since make would rebuild them as release.
#   scripts/check-install.sh BUILD_DIR PREFIX
set -euo pipefail
build=$1
prefix=$2
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
rm -rf "$prefix"
missing=0
if grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$build/CMakeCache.txt"; then
    if ! said="$(cd "$root" && env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make install BUILD_DIR="$build" PREFIX="$prefix" 2>&1)"; then
        echo "make install fails:" >&2
        echo "$said" >&2
        exit 1
    fi
    if grep -q 'ing directory' <<<"$said"; then
        echo "make prints its directory chatter:" >&2
        grep 'ing directory' <<<"$said" >&2
        missing=1
    fi
else
    cmake --install "$build" --prefix "$prefix" >/dev/null
fi
for path in bin/kolvane_zpa bin/kolvane_report bin/kolvane_fit bin/kolvane_export bin/kolvane_rebuild \
            share/man/man1/kolvane_zpa.1 share/man/man1/kolvane_report.1 share/man/man1/kolvane_fit.1 \
            share/man/man1/kolvane_export.1 share/man/man1/kolvane_rebuild.1 \
            share/doc/kolvane/README.md share/doc/kolvane/docs/example-srs.svg \
            share/doc/kolvane/examples/pyroshock.srs \
            share/doc/kolvane/examples/pyroshock.answers; do
    if [ ! -s "$prefix/$path" ]; then
        echo "make install leaves no $path" >&2
        missing=1
    fi
done
# The Python module, when the build makes one, where that Python finds it.
if compgen -G "$build/python/kolvane*.so" >/dev/null; then
    python=$(sed -n 's/^Python_EXECUTABLE:[A-Z]*=//p' "$build/CMakeCache.txt")
    if ! found=$(cd / && PYTHONPATH="$(echo "$prefix"/lib/python3*/*-packages | tr ' ' ':')" "${python:-python3}" -c \
            'import kolvane; print(kolvane.__file__)' 2>&1) || [[ "$found" != "$prefix"/* ]]; then
        echo "make install leaves no Python module the build's Python imports from $prefix: $found" >&2
        missing=1
    fi
fi
if [ "$missing" -eq 0 ] && ! grep -q '^\.SH SYNOPSIS\|^\.SH DESCRIPTION' "$prefix/share/man/man1/kolvane_fit.1"; then
    echo "kolvane_fit.1 is not a man page" >&2
    missing=1
fi
rm -rf "$prefix"
[ "$missing" -eq 0 ] && echo "install layout: commands, man pages, README with its image and examples"
