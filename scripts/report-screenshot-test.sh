#!/usr/bin/env bash
# Browser test of the report page:
#   scripts/report-screenshot-test.sh KOLVANE_REPORT EXAMPLE_DIR WORK_DIR KOLVANE_ZPA
# Makes a real small run from EXAMPLE_DIR (example.srs and example.answers: a
# 1/6-octave run whose grid stops below the last specification frequency, so
# the report must exit with status 2), runs the report on it, renders
# report.html in headless Chromium and checks that the page loaded whole and
# that the picture is not blank. Exits 77 (skipped) when Chromium is missing and
# cannot be installed here; with CI=true a missing browser fails the test.
set -euo pipefail

report=$1
example=$2
work=$3
program=$4
here=$(cd "$(dirname "$0")" && pwd)

if ! "$here/report-browser-deps.sh"; then
    if [ "${CI:-}" = true ]; then
        echo "headless Chromium is not installed" >&2
        exit 1
    fi
    echo "SKIPPED: headless Chromium is not installed"
    exit 77
fi

rm -rf "$work"
mkdir -p "$work"
cp "$example"/* "$work"/
# setsid: no controlling terminal, so the program's closing key press does not wait.
(cd "$work" && setsid -w "$program" <example.answers >console.txt)
status=0
"$report" "$work/example.srs" "$work" >"$work/report.txt" || status=$?
if [ "$status" -ne 2 ]; then
    echo "kolvane_report exited with $status, expected 2 (the SRS falls short above the last grid point)" >&2
    cat "$work/report.txt" >&2
    exit 1
fi

"$here/report-screenshot.sh" "$work/report.html" "$work/report.png" "$work/report.dom.html"

# The DOM must be our page, not a browser error page, with both plots and the table.
for marker in 'id="kolvane-report"' 'id="verdict"' 'id="srs-table"' 'Natural frequency (Hz)' 'Time (sec)'; do
    if ! grep -q "$marker" "$work/report.dom.html"; then
        echo "rendered page lacks $marker" >&2
        exit 1
    fi
done
if [ "$(grep -o '<svg' "$work/report.dom.html" | wc -l)" -ne 2 ]; then
    echo "rendered page does not hold exactly two plots" >&2
    exit 1
fi

# A tiny PNG reader (zlib and the five row filters) counting colours and ink.
python3 - "$work/report.png" <<'PY'
import struct, sys, zlib

data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG file"
pos, chunks = 8, {}
idat = b""
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b"IHDR":
        width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
    elif kind == b"IDAT":
        idat += body
    pos += 12 + length
assert depth == 8 and colour in (2, 6) and interlace == 0, "unexpected PNG layout"
bpp = 3 if colour == 2 else 4
raw = zlib.decompress(idat)
stride = width * bpp
previous = bytearray(stride)
colours, ink = set(), 0
for y in range(height):
    start = y * (stride + 1)
    kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
    if kind == 1:
        for i in range(bpp, stride):
            line[i] = (line[i] + line[i - bpp]) & 255
    elif kind == 2:
        line = bytearray((a + b) & 255 for a, b in zip(line, previous))
    elif kind == 3:
        for i in range(stride):
            left = line[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + ((left + previous[i]) >> 1)) & 255
    elif kind == 4:
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = previous[i]
            c = previous[i - bpp] if i >= bpp else 0
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    for x in range(0, stride, bpp):
        pixel = bytes(line[x:x + 3])
        colours.add(pixel)
        if pixel != b"\xff\xff\xff":
            ink += 1
    previous = line
share = ink / (width * height)
print("screenshot %dx%d: %d distinct colours, %.1f%% non-white pixels" % (width, height, len(colours), 100 * share))
if len(colours) < 50 or share < 0.02:
    sys.exit("the screenshot looks blank")
PY
# Printed on A4 and on Letter, page 1 holds the record of the check, the
# verdict, the settings and the whole SRS plot (its axis titles are its last
# text).
browser=$(command -v chromium || command -v chromium-browser)
for size in A4 Letter; do
    sed "s|@page{size:auto;|@page{size:$size;|" "$work/report.html" >"$work/print-$size.html"
    timeout 120 "$browser" --headless --no-sandbox --disable-gpu --no-first-run --user-data-dir="$work/profile" \
        --no-pdf-header-footer --print-to-pdf="$work/print-$size.pdf" "file://$work/print-$size.html" \
        >"$work/print-$size.log" 2>&1 || true
    if [ ! -s "$work/print-$size.pdf" ]; then
        echo "chromium did not print the page on $size" >&2
        cat "$work/print-$size.log" >&2
        exit 1
    fi
    page1=$(pdftotext -f 1 -l 1 -layout "$work/print-$size.pdf" -)
    for marker in 'Shock test verification report' 'Checked' 'Specification' 'FAIL' 'Run: ZPA' \
                  'Independent SRS of accel.out' 'Peak acceleration' 'Natural frequency (Hz)'; do
        if ! grep -qF "$marker" <<<"$page1"; then
            echo "page 1 printed on $size lacks \"$marker\":" >&2
            echo "$page1" >&2
            exit 1
        fi
    done
done
echo "browser test passed: $work/report.png, page 1 on A4 and Letter"
