#!/usr/bin/env python3
"""Writes a small AVI film whose every frame is one flat colour, with ffmpeg.

    make_film.py OUT.avi WIDTH HEIGHT FPS FRAMES [--audio]

The picture is Microsoft Video-1 (15-bit colour), so the frames are made directly in
that format and each colour is exactly representable. Frame i has colour film_colour(i)
(5-bit red, green, blue); the test program computes the same colours. With --audio the
film carries a 22050 Hz mono 16-bit PCM tone as long as the picture. The ffmpeg program
is $FFMPEG, else the one on the PATH.
"""
import os
import subprocess
import sys


def film_colour(index):
    """Distinct 5-bit colours (125 of them), each channel at least 8 steps from the others'
    levels, so that no two frames look alike."""
    levels = (31, 0, 16, 8, 24)
    return levels[index % 5], levels[index // 5 % 5], levels[index // 25 % 5]


def rgb555(colour):
    red, green, blue = colour
    return ((red << 10) | (green << 5) | blue).to_bytes(2, "little")


def main(argv):
    if len(argv) not in (6, 7) or (len(argv) == 7 and argv[6] != "--audio"):
        sys.exit(__doc__)
    out = argv[1]
    width, height, fps, frames = (int(value) for value in argv[2:6])
    if not (0 < frames <= 125 and width % 4 == 0 and height % 4 == 0 and fps > 0):
        sys.exit("make_film.py: 1 to 125 frames, sides a multiple of 4 (Video-1 blocks)")
    audio = len(argv) == 7
    command = [os.environ.get("FFMPEG", "ffmpeg"), "-nostdin", "-loglevel", "error", "-y",
               "-f", "rawvideo", "-pix_fmt", "rgb555le", "-s", f"{width}x{height}",
               "-r", str(fps), "-i", "-"]
    if audio:
        command += ["-f", "lavfi", "-i",
                    f"sine=frequency=440:sample_rate=22050:duration={frames / fps}",
                    "-c:a", "pcm_s16le", "-ac", "1"]
    command += ["-c:v", "msvideo1", "-frames:v", str(frames), out]
    picture = b"".join(rgb555(film_colour(i)) * (width * height) for i in range(frames))
    subprocess.run(command, input=picture, check=True)


if __name__ == "__main__":
    main(sys.argv)
