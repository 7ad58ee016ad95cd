#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks what make install puts
# there: the three commands, their man pages, the README and the examples.
#   scripts/check-install.sh BUILD_DIR PREFIX
set -euo pipefail
build=$1
prefix=$2
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
missing=0
for path in bin/kolvane_zpa bin/kolvane_report bin/kolvane_fit bin/kolvane_export \
            share/man/man1/kolvane_zpa.1 share/man/man1/kolvane_report.1 share/man/man1/kolvane_fit.1 \
            share/man/man1/kolvane_export.1 \
            share/doc/kolvane/README.md share/doc/kolvane/examples/pyroshock.srs \
            share/doc/kolvane/examples/pyroshock.answers; do
    if [ ! -s "$prefix/$path" ]; then
        echo "make install leaves no $path" >&2
        missing=1
    fi
done
if [ "$missing" -eq 0 ] && ! grep -q '^\.SH SYNOPSIS\|^\.SH DESCRIPTION' "$prefix/share/man/man1/kolvane_fit.1"; then
    echo "kolvane_fit.1 is not a man page" >&2
    missing=1
fi
rm -rf "$prefix"
[ "$missing" -eq 0 ] && echo "install layout: commands, man pages, README and examples"
