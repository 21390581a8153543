#!/usr/bin/python3
"""Writes GIF files made by independent tools, each with a reference picture of its first frame.

For every sample NAME the output folder gets NAME.gif and NAME.ppm (binary RGB). Python's
imaging library writes GIF87a and GIF89a files (transparent ones, one whose palette holds the
transparent colour twice, and several frames with disposal methods 0 to 3); ImageMagick writes
interlaced files and frames smaller than the logical screen, placed inside it.

The reference starts from ImageMagick's decode of the first frame alone ('x.gif[0]' +repage:
the frame's own pixels, with alpha 0 at the transparent index) and its placement (%W %H %X %Y),
then composes it on the logical screen by the reader's rules, which no tool applies:
  - disposal 4 to 7: the picture is all white;
  - disposal 1, and disposal 0 without transparency: the logical screen in the background
    colour (the global table's entry at the background index; entry 0 when the index lies
    beyond the table; white without a global table), the frame on top;
  - disposal 0 with transparency, and 2 or 3: white, the frame's opaque pixels on top;
  - transparent pixels are those of the transparent colour, so a palette entry that repeats
    that colour is transparent too (the tool leaves it opaque);
  - the frame is clipped to the logical screen.
Some variants are made by editing a tool's file, said at each sample: a background index
beyond the table, a global table moved into the frame as a local one, a disposal of 5, data
cut short in the second frame.

The LZW streams no tool writes come from the encoder below (gen_*): data without a clear code
first, minimum code sizes 9 to 11 (codes of 10 to 12 bits from the start), and a table that
stays full for a while before a clear code. ImageMagick's decode is their reference, and the
script checks that it gives the encoded picture.

Usage: make_gif_samples.py OUTPUT_FOLDER
"""
import io
import os
import random
import struct
import subprocess

from PIL import Image

from sample_tools import magick_write, main, save_reference

WHITE = (255, 255, 255)


def palette_picture(width, height, colours):
    """A palette picture using every entry of `colours` in a pattern without symmetries."""
    image = Image.new("P", (width, height))
    image.putpalette([c for rgb in colours for c in rgb])
    for y in range(height):
        for x in range(width):
            image.putpixel((x, y), (x * 3 + y * 5 + x * y) % len(colours))
    return image


COLOURS = [(200, 30, 40), (10, 220, 90), (30, 60, 250), (240, 240, 0), (0, 0, 0), (90, 90, 90),
           (10, 220, 90), (255, 128, 7)]  # entry 6 repeats entry 1


def magick_frame(path):
    """The first frame as the tool decodes it: screen size, offset, and RGBA rows."""
    geometry = subprocess.run(["identify", "-format", "%W %H %X %Y %w %h\n", path + "[0]"],
                              check=True, capture_output=True, text=True).stdout.split("\n")[0]
    screen_w, screen_h, x, y, w, h = (int(v) for v in geometry.split())
    rgba = subprocess.run(["convert", path + "[0]", "+repage", "-depth", "8", "rgba:-"],
                          check=True, capture_output=True).stdout
    return screen_w, screen_h, x, y, w, h, rgba


def background_colour(data):
    """The header's background colour by the reader's rule."""
    flags, index = data[10], data[11]
    if not flags & 0x80:
        return WHITE
    entries = 2 << (flags & 7)
    index = index if index < entries else 0
    return tuple(data[13 + 3 * index:16 + 3 * index])


def reference(path, disposal, transparent):
    data = open(path, "rb").read()
    screen_w, screen_h, left, top, w, h, rgba = magick_frame(path)
    if disposal >= 4:
        return Image.new("RGB", (screen_w, screen_h), WHITE)
    base = background_colour(data) if disposal == 1 or (disposal == 0 and not transparent) else WHITE
    picture = Image.new("RGB", (screen_w, screen_h), base)
    pixels = [tuple(rgba[i:i + 4]) for i in range(0, len(rgba), 4)]
    keys = {p[:3] for p in pixels if p[3] == 0}
    for i, p in enumerate(pixels):
        x, y = left + i % w, top + i // w
        if p[:3] not in keys and x < screen_w and y < screen_h:
            picture.putpixel((x, y), p[:3])
    return picture


def write(out, name, data, disposal=0, transparent=False, cut=None):
    """Writes the file and its reference; with `cut`, the file is then cut to that many bytes
    (the reference stays that of the whole file)."""
    path = os.path.join(out, name + ".gif")
    with open(path, "wb") as f:
        f.write(data)
    save_reference(out, name, reference(path, disposal, transparent))
    if cut is not None:
        with open(path, "wb") as f:
            f.write(data[:cut])


def pil_bytes(image, **options):
    buffer = io.BytesIO()
    image.save(buffer, format="GIF", optimize=False, **options)
    return buffer.getvalue()


def magick_bytes(out, png_source, *options):
    path = os.path.join(out, "magick.tmp.gif")
    magick_write(png_source, path, options)
    data = open(path, "rb").read()
    os.remove(path)
    return data


def set_first_disposal(data, disposal):
    """Edits the packed byte of the first graphic control extension."""
    at = data.index(b"\x21\xf9\x04") + 3
    assert at < data.index(b"\x2c", 13 + 3 * (2 << (data[10] & 7)))
    return data[:at] + bytes([(data[at] & ~0x1C) | (disposal << 2)]) + data[at + 1:]


def global_to_local(data):
    """Moves the global colour table into the first image descriptor as its local table."""
    flags = data[10]
    table_bytes = 3 * (2 << (flags & 7))
    table = data[13:13 + table_bytes]
    rest = data[13 + table_bytes:]
    at = rest.index(b"\x2c") + 9  # the descriptor's flags byte
    header = data[:10] + bytes([flags & 0x7F]) + data[11:13]
    return header + rest[:at] + bytes([rest[at] | 0x80 | (flags & 7)]) + table + rest[at + 1:]


def lzw(indices, minimum_size, initial_clear=True, clear_after_full=None):
    """GIF LZW data (the minimum size byte and the sub-blocks) of `indices`. Codes grow one
    bit once the decoder's next free slot needs it, checked behind every code (so with
    minimum size 1 the second code has 3 bits). Without `initial_clear` the data starts
    right with a code; a full table stays in use (12-bit codes) until `clear_after_full`
    more codes have gone, then a clear code starts a new one (never when it is None)."""
    clear = 1 << minimum_size
    first_free = clear + 2
    bits = count = 0
    out = bytearray()

    def put(code, size):
        nonlocal bits, count
        bits |= code << count
        count += size
        while count >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            count -= 8

    state = {}

    def restart():
        state.update(size=minimum_size + 1, decoder_next=first_free, first=True, table={},
                     next=first_free, since_full=0)

    def emit(code):
        put(code, state["size"])
        if state["first"]:
            state["first"] = False
        elif state["decoder_next"] < 4096:
            state["decoder_next"] += 1
        if state["size"] < 12 and state["decoder_next"] >= 1 << state["size"]:
            state["size"] += 1

    restart()
    if initial_clear:
        put(clear, minimum_size + 1)
    string = None
    for index in indices:
        if string is None:
            string = index
            continue
        table = state["table"]
        if (string, index) in table:
            string = table[(string, index)]
            continue
        emit(string)
        if state["next"] < 4096:
            table[(string, index)] = state["next"]
            state["next"] += 1
            string = index
            continue
        string = index
        state["since_full"] += 1
        if clear_after_full is not None and state["since_full"] >= clear_after_full:
            put(clear, state["size"])
            restart()
    emit(string)
    put(clear + 1, state["size"])
    if count:
        out.append(bits & 0xFF)
    data = bytearray([minimum_size])
    for at in range(0, len(out), 255):
        data += bytes([len(out[at:at + 255])]) + out[at:at + 255]
    return bytes(data + b"\0")


def lzw_file(width, height, colours, indices, **options):
    """A GIF89a file of one frame covering the screen, with `colours` as its global table;
    the minimum code size is an option of lzw()."""
    bits = max(0, (len(colours) - 1).bit_length() - 1)
    table = list(colours) + [(0, 0, 0)] * ((2 << bits) - len(colours))
    header = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80 | bits, 0, 0)
    header += b"".join(bytes(c) for c in table)
    descriptor = b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0)
    return header + descriptor + lzw(indices, **options) + b"\x3b"


def write_encoded(out, name, width, height, colours, indices, **options):
    write(out, name, lzw_file(width, height, colours, indices, **options))
    decoded = Image.open(os.path.join(out, name + ".ppm")).tobytes()
    assert decoded == b"".join(bytes(colours[i]) for i in indices), name


def write_encoder_samples(out, _, __):
    rng = random.Random(11)
    colours = [(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(256)]
    # A photo-like pattern: runs and repeats with some noise, strings of a few indices.
    def pattern(width, height, count):
        return [((x // 3 + y // 2 + (x * y) // 29) + (rng.random() < 0.2) * rng.randrange(5))
                % count for y in range(height) for x in range(width)]
    # Noise fills the table within a few thousand codes.
    def noise(width, height, count):
        return [rng.randrange(count) for _ in range(width * height)]

    for size in (3, 8):
        count = 1 << size
        write_encoded(out, "gen_no_initial_clear_%d" % size, 23, 17, colours[:count],
                      pattern(23, 17, count), minimum_size=size, initial_clear=False)
    for size in (9, 10, 11):
        write_encoded(out, "gen_minimum_size_%d" % size, 29, 13, colours, pattern(29, 13, 256),
                      minimum_size=size)
    # 12-bit codes from the first one, a table full after 2046 entries that stays in use.
    write_encoded(out, "gen_minimum_size_11_full", 96, 64, colours, noise(96, 64, 200),
                  minimum_size=11)
    write_encoded(out, "gen_minimum_size_11_no_clear", 40, 30, colours, noise(40, 30, 256),
                  minimum_size=11, initial_clear=False)
    # The table stays full for 700 codes, then a clear code starts a new one.
    write_encoded(out, "gen_deferred_clear", 120, 90, colours[:64], noise(120, 90, 64),
                  minimum_size=6, clear_after_full=700)


def tall_picture():
    return palette_picture(11, 19, COLOURS).convert("RGB")


def write_samples(out, _, source):
    picture = palette_picture(13, 7, COLOURS)

    # Plain files: PIL writes GIF87a without any extension and GIF89a with one.
    data = pil_bytes(picture)
    assert data[:6] == b"GIF87a"
    write(out, "pil_87a", data)
    data = pil_bytes(picture, transparency=6)
    assert data[:6] == b"GIF89a"
    write(out, "pil_89a_transparent", data, transparent=True)
    # The transparent index's colour is also entry 6: both are transparent.
    write(out, "pil_transparent_duplicate", pil_bytes(picture, transparency=1), transparent=True)

    # Several frames: the first one's disposal method decides, the second frame's graphic
    # control (no transparency, disposal 0) must not leak into the first. Background index 3.
    second = palette_picture(13, 7, COLOURS[::-1])
    for disposal in range(4):
        data = pil_bytes(picture, save_all=True, append_images=[second], transparency=2,
                         disposal=[disposal, 0], duration=[120, 50], background=3)
        write(out, "pil_frames_disposal%d" % disposal, data, disposal, transparent=True)
    # Disposal 5 (edited into the first extension): nothing is drawn.
    data = pil_bytes(picture, save_all=True, append_images=[second], disposal=[2, 0],
                     duration=[100, 100])
    write(out, "pil_disposal5", set_first_disposal(data, 5), 5)
    # Cut short in the second frame's data: the first frame is the picture all the same.
    data = pil_bytes(picture, save_all=True, append_images=[second], duration=[100, 100])
    write(out, "pil_frames_cut_in_second", data, cut=len(data) - 9)

    # An ImageMagick animation of three frames.
    others = []
    for i, colours in enumerate((COLOURS[::-1], COLOURS[2:] + COLOURS[:2])):
        others.append(os.path.join(out, "frame%d.png" % i))
        palette_picture(11, 19, colours).convert("RGB").save(others[-1])
    write(out, "magick_animation", magick_bytes(out, source, "-delay", "20", *others, "-loop",
                                                "0"))
    for other in others:
        os.remove(other)

    # ImageMagick: interlaced files (19 rows: every pass; 3 rows: passes 2 and 3 are empty).
    write(out, "magick_interlaced", magick_bytes(out, source, "-interlace", "GIF"))
    palette_picture(11, 3, COLOURS).convert("RGB").save(source)
    write(out, "magick_interlaced_3rows", magick_bytes(out, source, "-interlace", "GIF"))

    # A frame smaller than the logical screen, inside it: opaque over the background colour,
    # and transparent over white.
    small = palette_picture(5, 4, COLOURS[:4])
    small.convert("RGB").save(source)
    offset = magick_bytes(out, source, "-page", "14x9+6+3")
    write(out, "magick_offset_frame", offset)
    rgba = small.convert("RGBA")
    rgba.putpixel((0, 0), (0, 0, 0, 0))
    rgba.putpixel((3, 2), (0, 0, 0, 0))
    rgba.save(source)
    write(out, "magick_offset_transparent", magick_bytes(out, source, "-page", "14x9+6+3"),
          transparent=True)
    # Edited: a background index beyond the global table (the frame is opaque, so the
    # background colour shows around it), and a file whose only table is the frame's own.
    write(out, "edited_background_beyond_table", offset[:11] + b"\xc8" + offset[12:])
    write(out, "edited_local_table_only", global_to_local(offset))
    os.remove(source)


if __name__ == "__main__":
    main(tall_picture, [write_samples, write_encoder_samples])
