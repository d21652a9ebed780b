#!/usr/bin/env python3
"""A FITS result of velumbra-stack opened by astropy holds the sums of the frames.

Writes three BMP frames, stacks them into a FITS file, and compares what
astropy reads with the sums computed here. Exit 77 (skipped) without astropy.
"""
import os
import struct
import subprocess
import sys
import tempfile

try:
    from astropy.io import fits
except ImportError:
    print("astropy is not installed: skipped")
    sys.exit(77)

W, H = 40, 30


def pattern(k, x, y):
    return ((x * 5 + y * 3 + k * 17) % 200 + 50, (x * 2 + y * 7 + k * 31) % 180 + 5, (x * 11 + y + k * 13) % 190)


def bmp(path, k):
    stride = (W * 3 + 3) // 4 * 4
    size = 54 + stride * H
    head = struct.pack("<2sIHHIIiiHHIIiiII", b"BM", size, 0, 0, 54, 40, W, H, 1, 24, 0, size - 54, 2835, 2835, 0, 0)
    rows = []
    for y in range(H - 1, -1, -1):
        row = bytearray()
        for x in range(W):
            r, g, b = pattern(k, x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + b"\0" * (stride - 3 * W))
    with open(path, "wb") as f:
        f.write(head + b"".join(rows))


def main():
    command = sys.argv[1]
    with tempfile.TemporaryDirectory() as d:
        frames = []
        for k in range(3):
            frames.append(os.path.join(d, "f%d.bmp" % k))
            bmp(frames[-1], k)
        out = os.path.join(d, "out.fits")
        run = subprocess.run([command, "--quiet", "--min", "100", "--max", "200", "-o", out] + frames,
                             capture_output=True, text=True)
        if run.returncode != 0:
            print(run.stderr)
            return 1
        with fits.open(out) as hdus:
            data = hdus[0].data
            header = hdus[0].header
            if data.dtype.kind != "i" or data.dtype.itemsize != 4 or data.shape != (3, H, W):
                print("unexpected data: %s %s" % (data.dtype, data.shape))
                return 1
            if header["NCOMBINE"] != 3 or header["CBLACK"] != 100 or header["CWHITE"] != 200:
                print("unexpected header:\n%r" % header)
                return 1
            wrong = 0
            for c in range(3):
                for y in range(H):
                    for x in range(W - 1):  # the zone's last column is never summed
                        expected = sum(pattern(k, x, y)[c] for k in range(3))
                        # FITS rows go upwards: row 0 is the image's bottom row.
                        if int(data[c, H - 1 - y, x]) != expected:
                            wrong += 1
            if wrong:
                print("%d values differ from the sums" % wrong)
                return 1
    print("astropy reads the sums")
    return 0


if __name__ == "__main__":
    sys.exit(main())
