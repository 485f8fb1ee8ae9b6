#!/usr/bin/env python3
"""Write small 8-bit Interplay MVE movies for the samples and the player checks.

Each movie shows a scrolling diagonal gradient through a palette of 256 colours;
the seed shifts both the palette and the gradient, so two seeds give movies with
different pixels. Every frame differs from the one before it (for up to 256
frames). Blocks are coded raw (0xB), as 2x2 cells (0xC) or as 4x4 cells (0xD).

Importable: make_movie() returns the movie as bytes and expected_rgb() returns the
RGB24 frames a player should show for it.
"""

import argparse
import struct
import sys

HEADER = b"Interplay MVE File\x1a\x00" + struct.pack("<3H", 0x001A, 0x0100, 0x1133)
# Shutdown chunk (end of stream, end of chunk) followed by an empty end chunk.
CLOSING = bytes.fromhex("08000400" "00000000" "00000100" "00000500")

MAX_BODY = 0xFFFF
CHUNK_INIT_AUDIO, CHUNK_INIT_VIDEO, CHUNK_VIDEO = 0, 2, 3
OP_END_OF_CHUNK = 0x01
OP_CREATE_TIMER = 0x02
OP_INIT_AUDIO = 0x03
OP_START_AUDIO = 0x04
OP_INIT_VIDEO_BUFFERS = 0x05
OP_SEND_BUFFER = 0x07
OP_AUDIO_FRAME = 0x08
OP_INIT_VIDEO_MODE = 0x0A
OP_SET_PALETTE = 0x0C
OP_DECODING_MAP = 0x0F
OP_VIDEO_DATA = 0x11
OP_FILLER = 0x13
OPCODE_HEADER = 4

# Timer: 8333 us x 8 = 66664 us a frame, about 15 frames a second.
TIMER_RATE_US, TIMER_SUBDIVISION = 8333, 8
FRAME_US = TIMER_RATE_US * TIMER_SUBDIVISION

CELL_SIZE = {0xB: 1, 0xC: 2, 0xD: 4}
CODINGS = {"raw": (0xB,), "2x2": (0xC,), "4x4": (0xD,), "mix": (0xB, 0xC, 0xD)}
AUDIO_FORMATS = {"u8": (0, 1, 0x80), "s16": (2, 2, 0x00)}  # flags, bytes/sample, silence


class MovieError(ValueError):
    """The requested movie cannot be written."""


def opcode(kind, version, data=b""):
    if len(data) > MAX_BODY - OPCODE_HEADER:
        raise MovieError(f"opcode 0x{kind:02X} would carry {len(data)} bytes, more than a chunk holds; "
                         "use a smaller frame or a coarser coding")
    return struct.pack("<HBB", len(data), kind, version) + data


def chunk(kind, body):
    if len(body) > MAX_BODY:
        raise MovieError(f"a chunk body of {len(body)} bytes exceeds {MAX_BODY}; "
                         "use a smaller frame or a coarser coding")
    return struct.pack("<HH", len(body), kind) + body


def palette(seed):
    """256 distinct 6-bit VGA colours: red fixes the low 6 bits of the index
    (given the seed), green then fixes the top 2 bits."""
    colours = []
    for i in range(256):
        low, high = i & 63, i >> 6
        colours.append(((low + 13 * seed) % 64,
                        (high * 16 + (low >> 2) + 7 * seed) % 64,
                        (63 - low + 5 * high + 19 * seed) % 64))
    return colours


def block_coding(bx, by, frame, coding):
    codes = CODINGS[coding]
    return codes[(bx + by + frame) % len(codes)]


def frame_indexes(frame, width, height, seed, coding):
    """Palette indexes of one frame, row by row. A cell takes the gradient's
    value at its top-left pixel, so each block can be written in its coding."""
    pixels = bytearray(width * height)
    for by in range(height // 8):
        for bx in range(width // 8):
            cell = CELL_SIZE[block_coding(bx, by, frame, coding)]
            for y in range(by * 8, by * 8 + 8):
                cy = y - y % cell
                row = y * width
                for x in range(bx * 8, bx * 8 + 8):
                    cx = x - x % cell
                    pixels[row + x] = (cx + 2 * cy + 5 * frame + 29 * seed) & 0xFF
    return pixels


def block_data(pixels, width, bx, by, cell):
    return bytes(pixels[y * width + x]
                 for y in range(by * 8, by * 8 + 8, cell)
                 for x in range(bx * 8, bx * 8 + 8, cell))


def audio_bytes_per_frame(frames, rate, sample_bytes):
    """Samples per frame spread so that the audio lasts exactly as long as the video."""
    total = [rate * FRAME_US * t // 1_000_000 for t in range(frames + 1)]
    return [(total[t + 1] - total[t]) * sample_bytes for t in range(frames)]


def check_shape(frames, width, height):
    if frames < 1:
        raise MovieError("a movie needs at least one frame")
    if width <= 0 or height <= 0 or width % 8 or height % 8:
        raise MovieError(f"frame size {width}x{height}: both sides must be positive multiples of 8")


def make_movie(frames=4, width=64, height=48, seed=0, coding="mix",
               audio=None, rate=22050, size=None):
    """Return the bytes of a movie; audio is None, "u8" or "s16" (silent, mono).

    size pads the movie to exactly that many bytes with filler opcodes placed at
    the end of frame chunks."""
    check_shape(frames, width, height)
    if coding not in CODINGS:
        raise MovieError(f"unknown coding {coding!r}")
    if audio is not None and audio not in AUDIO_FORMATS:
        raise MovieError(f"unknown audio format {audio!r}")
    if audio is not None and not 1 <= rate <= 0xFFFF:
        raise MovieError(f"sample rate {rate} must be within 1..65535")

    chunks = [(CHUNK_INIT_VIDEO,
               opcode(OP_CREATE_TIMER, 0, struct.pack("<IH", TIMER_RATE_US, TIMER_SUBDIVISION))
               + opcode(OP_INIT_VIDEO_BUFFERS, 2, struct.pack("<4H", width // 8, height // 8, 1, 0))
               + opcode(OP_INIT_VIDEO_MODE, 0, struct.pack("<3H", width, height, 0)))]

    if audio is not None:
        flags, sample_bytes, silence = AUDIO_FORMATS[audio]
        audio_sizes = audio_bytes_per_frame(frames, rate, sample_bytes)
        chunks.append((CHUNK_INIT_AUDIO, opcode(
            OP_INIT_AUDIO, 1, struct.pack("<3HI", 0, flags, rate, max(audio_sizes)))))

    colours = palette(seed)
    blocks = [(bx, by) for by in range(height // 8) for bx in range(width // 8)]
    for t in range(frames):
        body = b""
        if t == 0:
            body += opcode(OP_SET_PALETTE, 0, struct.pack("<2H", 0, 256)
                           + bytes(c for rgb in colours for c in rgb))
        if audio is not None:
            if t == 0:
                body += opcode(OP_START_AUDIO, 0)
            n = audio_sizes[t]
            body += opcode(OP_AUDIO_FRAME, 0,
                           struct.pack("<3H", t, 1, n) + bytes([silence]) * n)
        codes = [block_coding(bx, by, t, coding) for bx, by in blocks]
        codes.append(0)  # fills the unused high nibble when the block count is odd
        decoding_map = bytes(codes[i] | codes[i + 1] << 4 for i in range(0, len(blocks), 2))
        pixels = frame_indexes(t, width, height, seed, coding)
        video = struct.pack("<7H", 0, 0, 0, 0, width // 8, height // 8, 0) + b"".join(
            block_data(pixels, width, bx, by, CELL_SIZE[code])
            for (bx, by), code in zip(blocks, codes))
        body += (opcode(OP_DECODING_MAP, 0, decoding_map)
                 + opcode(OP_VIDEO_DATA, 0, video)
                 + opcode(OP_SEND_BUFFER, 1, struct.pack("<3H", 0, 256, 0)))
        chunks.append((CHUNK_VIDEO, body))

    if size is not None:
        pad_frames(chunks, size, seed)
    out = HEADER + b"".join(chunk(kind, body + opcode(OP_END_OF_CHUNK, 0))
                            for kind, body in chunks) + CLOSING
    assert size is None or len(out) == size
    return out


def pad_frames(chunks, size, seed):
    """Add filler opcodes to the frame chunks so the movie is exactly size bytes."""
    natural = (len(HEADER) + len(CLOSING)
               + sum(4 + len(body) + OPCODE_HEADER for _, body in chunks))
    missing = size - natural
    if missing < 0:
        raise MovieError(f"--size {size} is too small: this movie needs {natural} bytes")
    if 0 < missing < OPCODE_HEADER:
        raise MovieError(f"--size {size} cannot be reached: a filler opcode takes at least "
                         f"{OPCODE_HEADER} bytes, so use {natural} or at least {natural + OPCODE_HEADER}")
    fill_byte = (0x5A + seed) & 0xFF
    for i, (kind, body) in enumerate(chunks):
        if kind != CHUNK_VIDEO or missing == 0:
            continue
        room = MAX_BODY - len(body) - OPCODE_HEADER  # keep room for end of chunk
        take = min(missing, room)
        if 0 < missing - take < OPCODE_HEADER:
            # Leave enough for a whole filler opcode in a later chunk.
            take -= OPCODE_HEADER - (missing - take)
        if take < OPCODE_HEADER:
            continue
        chunks[i] = (kind, body + opcode(OP_FILLER, 0, bytes([fill_byte]) * (take - OPCODE_HEADER)))
        missing -= take
    if missing:
        raise MovieError(f"--size {size} is too large for {sum(k == CHUNK_VIDEO for k, _ in chunks)} "
                         "frames: each frame chunk holds at most 65535 bytes; add frames")


def expected_rgb(frames=4, width=64, height=48, seed=0, coding="mix"):
    """The RGB24 frames a player shows for make_movie() with the same arguments."""
    check_shape(frames, width, height)
    # 6-bit VGA levels widen to 8 bits by repeating their top bits, as players do.
    lut = [bytes(((c << 2) | (c >> 4)) for c in rgb) for rgb in palette(seed)]
    return b"".join(b"".join(lut[i] for i in frame_indexes(t, width, height, seed, coding))
                    for t in range(frames))


def frame_size(text):
    try:
        width, height = (int(v) for v in text.lower().split("x"))
    except ValueError:
        raise argparse.ArgumentTypeError(f"{text!r} is not WIDTHxHEIGHT, e.g. 64x48")
    return width, height


def main(argv=None):
    parser = argparse.ArgumentParser(description="Write a small 8-bit Interplay MVE test movie.")
    parser.add_argument("output", help="movie file to write")
    parser.add_argument("--frames", type=int, default=4, help="number of frames (default 4)")
    parser.add_argument("--frame-size", type=frame_size, default=(64, 48), metavar="WxH",
                        help="frame size, sides multiples of 8 (default 64x48)")
    parser.add_argument("--seed", type=int, default=0,
                        help="content variant: different seeds give different pixels (default 0)")
    parser.add_argument("--coding", choices=sorted(CODINGS), default="mix",
                        help="block coding: raw 0xB, 2x2 0xC, 4x4 0xD, or mix of the three (default mix)")
    parser.add_argument("--audio", choices=sorted(AUDIO_FORMATS),
                        help="add a silent mono audio track, 8-bit unsigned or 16-bit signed")
    parser.add_argument("--rate", type=int, default=22050, help="audio sample rate (default 22050)")
    parser.add_argument("--size", type=int, metavar="N",
                        help="pad the movie with filler opcodes to exactly N bytes")
    parser.add_argument("--rgb", metavar="PATH",
                        help="also write the expected decoded frames as raw RGB24 to PATH")
    args = parser.parse_args(argv)

    width, height = args.frame_size
    try:
        movie = make_movie(args.frames, width, height, args.seed, args.coding,
                           args.audio, args.rate, args.size)
    except MovieError as err:
        parser.exit(2, f"{parser.prog}: error: {err}\n")
    with open(args.output, "wb") as f:
        f.write(movie)
    if args.rgb:
        with open(args.rgb, "wb") as f:
            f.write(expected_rgb(args.frames, width, height, args.seed, args.coding))
    print(f"{args.output}: {args.frames} frames of {width}x{height}, {len(movie)} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
