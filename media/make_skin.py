#!/usr/bin/python3
"""Draws the demo medium's skin: every image and mask of the setup's language folder.

    make_skin.py OUTDIR

Everything is drawn from the shapes described below (gradients, rounded shapes with
anti-aliased and feathered edges, labels in a TrueType font), so the same script always
writes the same bytes. Pictures are JPEG files; masks are 8-bit palette BMP files whose
pixel VALUES are opacities (0 transparent, 255 opaque) with a grey ramp palette, so that
they also look right in a picture viewer. Buttons hold two cells side by side: released,
then pressed.
"""
import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

SUPERSAMPLE = 4  # shapes are drawn this much larger and scaled down: smooth edges
JPEG_QUALITY = 95

FONT_FILES = {
    True: ["/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
           "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"],
    False: ["/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
            "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"],
}

# The palette of the artwork.
NAVY = (16, 28, 58)
DEEP_TEAL = (22, 82, 112)
PAPER_TOP = (250, 252, 255)
PAPER_BOTTOM = (228, 236, 246)
INK_GREY = (92, 104, 124)
ORANGE_TOP, ORANGE_BOTTOM = (255, 176, 72), (226, 104, 24)
BLUE_TOP, BLUE_BOTTOM = (96, 160, 236), (36, 90, 178)
SLATE_TOP, SLATE_BOTTOM = (156, 168, 188), (88, 100, 124)
RED_TOP, RED_BOTTOM = (236, 112, 104), (184, 48, 48)
MESSAGE_ROW = (232, 238, 247)  # the message box's button row, behind its opaque buttons


def font(size, bold=True):
    for path in FONT_FILES[bold]:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    sys.exit("make_skin.py: no TrueType font found (install fonts-liberation)")


# ---------------------------------------------------------------------------
# Building blocks

def vertical_gradient(width, height, top, bottom):
    """An RGB image fading from colour top to colour bottom."""
    t = np.linspace(0.0, 1.0, height, dtype=np.float64)[:, None, None]
    rows = (1 - t) * np.array(top, np.float64) + t * np.array(bottom, np.float64)
    pixels = np.broadcast_to(rows, (height, width, 3))
    return Image.fromarray(np.rint(pixels).astype(np.uint8), "RGB")


def diagonal_gradient(width, height, corner, far_corner):
    """An RGB image fading from the top-left corner's colour to the bottom-right one's."""
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    t = ((x / max(width - 1, 1)) + (y / max(height - 1, 1)))[..., None] / 2
    pixels = (1 - t) * np.array(corner, np.float64) + t * np.array(far_corner, np.float64)
    return Image.fromarray(np.rint(pixels).astype(np.uint8), "RGB")


def coverage(width, height, draw_shapes):
    """An 8-bit coverage image of the shapes that draw_shapes(draw, scale) paints with
    fill 255 (or erases with fill 0), drawn large and scaled down for smooth edges."""
    big = Image.new("L", (width * SUPERSAMPLE, height * SUPERSAMPLE), 0)
    draw_shapes(ImageDraw.Draw(big), SUPERSAMPLE)
    return big.resize((width, height), Image.Resampling.BOX)


def scaled(box, scale):
    return [round(v * scale) for v in box]


def rounded_box(box, radius, fill=255):
    def shapes(draw, scale):
        draw.rounded_rectangle(scaled(box, scale), radius * scale, fill=fill)
    return shapes


def ellipse(box, fill=255):
    def shapes(draw, scale):
        draw.ellipse(scaled(box, scale), fill=fill)
    return shapes


def feather(mask, radius):
    """Softens a coverage mask's edges; nearly clear and nearly solid values are snapped
    so that the inside stays fully opaque and the outside fully transparent."""
    soft = np.asarray(mask.filter(ImageFilter.GaussianBlur(radius)), np.int32)
    soft = np.where(soft < 8, 0, np.where(soft > 247, 255, soft))
    return Image.fromarray(soft.astype(np.uint8), "L")


def fill_shape(target, colour_image, shapes):
    """Paints colour_image (the target's size) through anti-aliased shapes."""
    w, h = colour_image.size
    target.paste(colour_image, (0, 0), coverage(w, h, shapes))


def solid(width, height, colour):
    return Image.new("RGB", (width, height), colour)


def text_centre(draw, centre, text, face, fill, shadow=None):
    x, y = centre
    if shadow:
        draw.text((x + 1, y + 1), text, font=face, fill=shadow, anchor="mm")
    draw.text((x, y), text, font=face, fill=fill, anchor="mm")


def ring(target, centre, outer, inner, top, bottom):
    """A gradient ring (drawn through its coverage; the hole keeps what lies below)."""
    cx, cy = centre
    box = (cx - outer, cy - outer, cx + outer, cy + outer)
    size = 2 * outer

    def shapes(draw, scale):
        draw.ellipse(scaled((0, 0, size, size), scale), fill=255)
        hole = outer - inner
        draw.ellipse(scaled((hole, hole, size - hole, size - hole), scale), fill=0)
    target.paste(diagonal_gradient(size, size, top, bottom), box[:2], coverage(size, size, shapes))


def porthole(mask, centre, radius, softness=1.5):
    """Cuts a round, soft-edged transparent window into a mask."""
    cx, cy = centre
    w, h = mask.size
    hole = feather(coverage(w, h, ellipse((cx - radius, cy - radius, cx + radius, cy + radius))),
                   softness)
    cut = np.asarray(mask, np.int32) * (255 - np.asarray(hole, np.int32)) // 255
    return Image.fromarray(cut.astype(np.uint8), "L")


def card_mask(width, height, radius, softness=1.6):
    """A rounded card with soft edges; its corners are fully transparent."""
    return feather(coverage(width, height, rounded_box((1, 1, width - 1, height - 1), radius)),
                   softness)


def paper(width, height):
    return vertical_gradient(width, height, PAPER_TOP, PAPER_BOTTOM)


def header_band(image, height, radius, text=None, size=22):
    """A dark band across the top of a card, its upper corners rounded like the card."""
    w = image.size[0]
    band = diagonal_gradient(w, height, NAVY, DEEP_TEAL)
    fill_shape(image, band, lambda d, s: (
        d.rounded_rectangle(scaled((0, 0, w, height + radius), s), radius * s, fill=255),
        d.rectangle(scaled((0, height, w, height + radius), s), fill=0)))
    accent = vertical_gradient(w, 3, ORANGE_TOP, ORANGE_BOTTOM)
    image.paste(accent, (0, height))
    if text:
        text_centre(ImageDraw.Draw(image), (w // 2, height // 2), text, font(size),
                    (255, 255, 255), (0, 0, 0))


def field_frame(image, box):
    """A light, slightly inset frame behind one of the platform's controls."""
    draw = ImageDraw.Draw(image)
    l, t, r, b = box
    draw.rounded_rectangle((l - 3, t - 3, r + 2, b + 2), 4, fill=(255, 255, 255),
                           outline=(176, 190, 210))


# ---------------------------------------------------------------------------
# Buttons

STYLES = {
    "orange": (ORANGE_TOP, ORANGE_BOTTOM),
    "blue": (BLUE_TOP, BLUE_BOTTOM),
    "slate": (SLATE_TOP, SLATE_BOTTOM),
    "red": (RED_TOP, RED_BOTTOM),
}


def darker(colour, factor=0.78):
    return tuple(int(c * factor) for c in colour)


def button_cell(width, height, label, style, pressed, backdrop, label_size):
    """One cell: a pill with a gradient, a rim and a centred label. The pressed look is
    darker, its gradient turned over and its face moved one pixel down and right."""
    top, bottom = STYLES[style]
    if pressed:
        top, bottom = darker(bottom), darker(top)
    cell = solid(width, height, backdrop if backdrop else bottom)
    shift = 1 if pressed else 0
    radius = min(height // 2 - 2, 14)
    rim = (1, 1, width - 2, height - 2)
    fill_shape(cell, solid(width, height, darker(bottom, 0.6)), rounded_box(rim, radius))
    face_box = (2 + shift, 2 + shift, width - 3 + shift, height - 3 + shift)
    fill_shape(cell, vertical_gradient(width, height, top, bottom),
               rounded_box(face_box, radius - 1))
    # A soft highlight on the upper half of the face.
    gloss = Image.new("L", (width, height), 0)
    gloss.paste(coverage(width, height, rounded_box(
        (5 + shift, 3 + shift, width - 6 + shift, height // 2 + shift), radius - 3, fill=55)))
    cell.paste(solid(width, height, (255, 255, 255)), (0, 0), gloss)
    draw = ImageDraw.Draw(cell)
    text_centre(draw, (width // 2 + shift, height // 2 + shift), label, font(label_size),
                (255, 255, 255), darker(bottom, 0.5))
    return cell


def button(cell_size, label, style, label_size, backdrop=None):
    """Both cells side by side, and for a masked button (no backdrop) the mask of the pill
    with soft edges (the same shape in both cells)."""
    w, h = cell_size
    image = Image.new("RGB", (2 * w, h))
    for index in (0, 1):
        cell = button_cell(w, h, label, style, index == 1, backdrop, label_size)
        image.paste(cell, (index * w, 0))
    if backdrop:
        return image, None
    radius = min(h // 2 - 2, 14)
    cell_mask = feather(coverage(w, h, rounded_box((1, 1, w - 2, h - 2), radius)), 0.8)
    mask = Image.new("L", (2 * w, h), 0)
    mask.paste(cell_mask, (0, 0))
    mask.paste(cell_mask, (w, 0))
    return image, mask


# ---------------------------------------------------------------------------
# The main window and the four screens' panels

def main_background():
    w, h = 600, 450
    image = diagonal_gradient(w, h, (10, 18, 40), (24, 96, 124))
    # Soft glows and translucent circles in the lower right; the top left, where the
    # product title is painted in white, stays dark.
    glow = feather(coverage(w, h, ellipse((300, 190, 760, 620), 90)), 40)
    image.paste(solid(w, h, (80, 190, 210)), (0, 0), glow)
    circles = (((470, 20, 640, 190), 40), ((520, 300, 660, 440), 55), ((-60, 330, 110, 500), 35))
    for box, opacity in circles:
        image.paste(solid(w, h, (140, 210, 230)), (0, 0), coverage(w, h, ellipse(box, opacity)))
    # A thin accent line under the title and a rim just inside the window's outline.
    image.paste(vertical_gradient(200, 3, ORANGE_TOP, ORANGE_BOTTOM), (38, 72))
    rim = coverage(w, h, lambda d, s: (
        d.rounded_rectangle(scaled((4, 4, w - 4, h - 4), s), 34 * s, fill=255),
        d.rounded_rectangle(scaled((6, 6, w - 6, h - 6), s), 32 * s, fill=0)))
    image.paste(solid(w, h, (120, 200, 220)), (0, 0), rim)
    draw = ImageDraw.Draw(image)
    draw.text((w - 30, h - 18), "Kolta", font=font(11), fill=(150, 200, 215), anchor="rm")
    return image


def main_shape():
    """The window's outline: a rounded window with a soft edge; values of 128 and more
    are inside, so the cut follows the middle of the soft edge."""
    w, h = 600, 450
    return feather(coverage(w, h, rounded_box((3, 3, w - 3, h - 3), 38)), 2.0)


def logo_panel():
    w, h = 436, 324
    image = paper(w, h)
    header_band(image, 72, 22)
    draw = ImageDraw.Draw(image)
    draw.text((31, 26), "Kolta Demo", font=font(28), fill=(255, 255, 255), anchor="lm")
    draw.text((32, 53), "Setup", font=font(14, bold=False), fill=(170, 214, 230), anchor="lm")
    draw.text((31, 100), "Welcome!", font=font(17), fill=NAVY, anchor="lm")
    draw.text((31, 122), "Install Kolta Demo on this computer.", font=font(12, bold=False),
              fill=INK_GREY, anchor="lm")
    ring(image, (335, 210), 66, 26, ORANGE_TOP, (200, 60, 120))
    ring(image, (335, 210), 38, 8, BLUE_TOP, BLUE_BOTTOM)
    mask = porthole(card_mask(w, h, 22), (335, 210), 30)
    return image, mask


def choose_panel():
    w, h = 436, 324
    image = paper(w, h)
    field_frame(image, (85, 27, 155, 47))
    field_frame(image, (85, 85, 325, 105))
    field_frame(image, (85, 115, 325, 210))
    draw_drive_icon(image, (40, 24))
    draw_folder_icon(image, (40, 83))
    draw = ImageDraw.Draw(image)
    draw.line((20, 214, 270, 214), fill=(196, 206, 222), width=1)
    ring(image, (385, 64), 34, 12, ORANGE_TOP, (200, 60, 120))
    mask = porthole(card_mask(w, h, 22), (385, 64), 22)
    return image, mask


def draw_drive_icon(image, at):
    x, y = at
    fill_shape(image, vertical_gradient(*image.size, SLATE_TOP, SLATE_BOTTOM),
               rounded_box((x, y + 4, x + 34, y + 22), 4))
    draw = ImageDraw.Draw(image)
    draw.ellipse((x + 25, y + 11, x + 29, y + 15), fill=(120, 230, 120))


def draw_folder_icon(image, at):
    x, y = at
    colours = vertical_gradient(*image.size, (255, 210, 110), (230, 160, 40))
    fill_shape(image, colours, lambda d, s: (
        d.rounded_rectangle(scaled((x, y + 2, x + 14, y + 10), s), 2 * s, fill=255),
        d.rounded_rectangle(scaled((x, y + 5, x + 34, y + 26), s), 3 * s, fill=255)))


def status_panel():
    w, h = 438, 328
    image = paper(w, h)
    header_band(image, 56, 22, "Installing Kolta Demo", size=20)
    # Files flying into a box: a small picture of what is happening.
    for index, (x, y) in enumerate(((112, 96), (162, 86), (212, 98))):
        fill_shape(image, vertical_gradient(w, h, (255, 255, 255), (210, 222, 240)),
                   rounded_box((x, y, x + 30, y + 38), 4))
        draw = ImageDraw.Draw(image)
        draw.rounded_rectangle((x, y, x + 30, y + 38), 4, outline=(150, 168, 196))
        for line in range(4):
            draw.line((x + 6, y + 9 + 6 * line, x + 24 - 4 * (line % 2), y + 9 + 6 * line),
                      fill=(150, 168, 196))
    fill_shape(image, vertical_gradient(w, h, ORANGE_TOP, ORANGE_BOTTOM),
               rounded_box((268, 108, 328, 170), 8))
    ring(image, (298, 139), 20, 6, (255, 255, 255), (240, 230, 210))
    # The bar's track: a mid slate, with a frame, under the red bar, so that the white
    # percentage reads over it.
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle((17, 234, 401, 258), 5, fill=(92, 108, 134), outline=(60, 74, 98))
    draw.line((17, 189, 421, 189), fill=(200, 210, 226))
    mask = card_mask(w, h, 22)
    mask = porthole(mask, (298, 139), 14)
    return image, mask


def message_panel():
    w, h = 272, 145
    image = paper(w, h)
    header_band(image, 36, 12)
    # The buttons' row is one flat colour: the plain buttons are opaque rectangles.
    ImageDraw.Draw(image).rectangle((0, 100, w, h), fill=MESSAGE_ROW)
    ImageDraw.Draw(image).line((10, 99, w - 10, 99), fill=(200, 210, 226))
    return image, card_mask(w, h, 12, softness=1.2)


# ---------------------------------------------------------------------------

def write_jpeg(image, path):
    image.save(path, "JPEG", quality=JPEG_QUALITY, subsampling=0, optimize=False)


def write_mask(mask, path):
    """An 8-bit palette BMP whose index is the opacity and whose palette is a grey ramp."""
    indexed = Image.frombytes("P", mask.size, mask.tobytes())
    indexed.putpalette([level for value in range(256) for level in (value, value, value)])
    indexed.save(path, "BMP")


def skin_files():
    """(image name, image, mask name or None, mask) of every element."""
    back = main_background()
    logo, logo_mask = logo_panel()
    choose, choose_mask = choose_panel()
    status, status_mask = status_panel()
    message, message_mask = message_panel()
    install, install_mask = button((170, 56), "Install", "orange", 20)
    exit_, exit_mask = button((130, 40), "Exit", "slate", 16)
    next_, next_mask = button((130, 40), "Next", "blue", 16)
    cancel, cancel_mask = button((112, 40), "Cancel", "red", 16)
    ok, _ = button((36, 28), "OK", "blue", 12, MESSAGE_ROW)
    yes, _ = button((46, 28), "Yes", "blue", 12, MESSAGE_ROW)
    no, _ = button((46, 28), "No", "slate", 12, MESSAGE_ROW)
    return [
        ("back.jpg", back, "backa.bmp", main_shape()),
        ("logo.jpg", logo, "logoa.bmp", logo_mask),
        ("setuphd.jpg", install, "setuphda.bmp", install_mask),
        ("exit.jpg", exit_, "exita.bmp", exit_mask),
        ("choose.jpg", choose, "choosea.bmp", choose_mask),
        ("next.jpg", next_, "nexta.bmp", next_mask),
        ("status.jpg", status, "statusa.BMP", status_mask),
        ("cancel.jpg", cancel, "cancela.bmp", cancel_mask),
        ("ms_back.jpg", message, "ms_backa.bmp", message_mask),
        ("ms_ok.jpg", ok, None, None),
        ("ms_yes.jpg", yes, None, None),
        ("ms_no.jpg", no, None, None),
    ]


def write_skin(folder):
    os.makedirs(folder, exist_ok=True)
    for image_name, image, mask_name, mask in skin_files():
        write_jpeg(image, os.path.join(folder, image_name))
        if mask_name:
            write_mask(mask, os.path.join(folder, mask_name))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_skin.py OUTDIR")
    write_skin(sys.argv[1])
