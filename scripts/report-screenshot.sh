#!/usr/bin/env bash
# Renders a report page in headless Chromium.
#   scripts/report-screenshot.sh REPORT_HTML OUTPUT_PNG [DOM_DUMP]
# Writes the screenshot (1200 x 1600) and, when DOM_DUMP is given, the page's
# DOM as the browser built it, which tells whether the page itself loaded.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 REPORT_HTML OUTPUT_PNG [DOM_DUMP]" >&2
    exit 1
fi
html=$(realpath "$1")
png=$(realpath -m "$2")
dom=${3:+$(realpath -m "$3")}
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
    echo "chromium not found; run scripts/report-browser-deps.sh" >&2
    exit 1
fi

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run
       --disable-background-networking --disable-component-update --disable-sync
       --user-data-dir="$profile" --window-size=1200,1600)
log="$profile/chromium.log"

rm -f "$png"
if ! timeout 120 "$browser" "${flags[@]}" --screenshot="$png" "file://$html" >"$log" 2>&1 || [ ! -s "$png" ]; then
    echo "chromium did not write $png; its log:" >&2
    cat "$log" >&2
    exit 1
fi
if [ -n "$dom" ]; then
    timeout 120 "$browser" "${flags[@]}" --dump-dom "file://$html" >"$dom" 2>>"$log"
fi
echo "wrote $png"
