#!/usr/bin/env bash
# Makes the JPEG fixtures and their reference decodes. Run once; the outputs
# are committed. Needs libjpeg-turbo-progs (cjpeg, djpeg) and python3.
# The references come from djpeg with the settings irochi decodes with:
# floating-point inverse DCT (fancy upsampling and block smoothing are djpeg's
# defaults), and for grey or 8-bit output a two-pass Floyd-Steinberg
# quantisation to 236 colours.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A 24 x 16 picture with smooth gradients and hard colour edges.
python3 - "$tmp" <<'PY'
import sys
def ppm(path, w, h, f):
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (w, h))
        for y in range(h):
            for x in range(w):
                out.write(bytes(f(x, y)))
def pattern(x, y):
    if x >= 16 and y < 8:
        return (230, 20, 40)
    if x >= 16:
        return (20, 40, 220)
    return ((x * 16) % 256, (y * 16) % 256, ((x + y) * 8) % 256)
d = sys.argv[1]
ppm(d + "/colour.ppm", 24, 16, pattern)
ppm(d + "/column.ppm", 1, 17, lambda x, y: (y * 15, 255 - y * 15, 100))
ppm(d + "/row.ppm", 19, 1, lambda x, y: (x * 13, 50, 255 - x * 13))
PY

cjpeg -quality 85 -outfile baseline.jpg "$tmp/colour.ppm"
cjpeg -quality 85 -progressive -outfile progressive.jpg "$tmp/colour.ppm"
cjpeg -quality 85 -rgb -outfile rgb.jpg "$tmp/colour.ppm"
cjpeg -quality 85 -grayscale -outfile grey.jpg "$tmp/colour.ppm"
cjpeg -quality 90 -outfile column.jpg "$tmp/column.ppm"
cjpeg -quality 90 -outfile row.jpg "$tmp/row.ppm"

for f in baseline progressive rgb column row; do
  djpeg -dct float -ppm -outfile "$f.ppm" "$f.jpg"
done
djpeg -dct float -colors 236 -dither fs -pnm -outfile grey.pgm grey.jpg
djpeg -dct float -colors 236 -dither fs -ppm -outfile baseline-236.ppm baseline.jpg
