#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/.

    python3 fuzz/make_corpus.py

A fuzzer that starts from nothing spends its short runs learning the first
bytes of a format (a PNG signature, a RIFF header); these seeds are small,
well-formed inputs of every kind each target reads, so that its runs start
inside the reader. The files are committed; run this again after changing
it. Only the standard library is used.
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- PNG ----------------------------------------------------------------------------

WIDTH, HEIGHT = 9, 7  # every Adam7 pass has pixels
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def sample(x, y, c, depth, colour_type):
    top = (1 << depth) - 1
    if colour_type == 3:
        return (x + 3 * y) % (top + 1)
    return ((x * 37 + y * 91 + c * 53) * 257) % (top + 1)


def raw_row(xs, y, depth, colour_type):
    channels = CHANNELS[colour_type]
    if depth >= 8:
        out = bytearray()
        for x in xs:
            for c in range(channels):
                v = sample(x, y, c, depth, colour_type)
                out += bytes([v]) if depth == 8 else struct.pack(">H", v)
        return bytes(out)
    bits = []
    for x in xs:
        bits.append(sample(x, y, 0, depth, colour_type))
    out = bytearray()
    per_byte = 8 // depth
    for i in range(0, len(bits), per_byte):
        b = 0
        group = bits[i:i + per_byte]
        for k, v in enumerate(group):
            b |= v << (8 - depth * (k + 1))
        out.append(b)
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filtered(rows, bpp):
    """Each row behind its filter byte, the five filters in turn."""
    out = bytearray()
    prior = bytes(len(rows[0])) if rows else b""
    for n, row in enumerate(rows):
        kind = n % 5
        line = bytearray()
        for i, v in enumerate(row):
            a = row[i - bpp] if i >= bpp else 0
            b = prior[i]
            c = prior[i - bpp] if i >= bpp else 0
            predictor = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
            line.append((v - predictor) & 0xFF)
        out += bytes([kind]) + line
        prior = row
    return bytes(out)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2)]


def png(colour_type, depth, interlaced=False, trns=None, palette_size=None):
    bpp = max(1, CHANNELS[colour_type] * depth // 8)
    if interlaced:
        data = b""
        for x0, y0, dx, dy in ADAM7:
            xs = list(range(x0, WIDTH, dx))
            ys = list(range(y0, HEIGHT, dy))
            if xs and ys:
                data += filtered([raw_row(xs, y, depth, colour_type) for y in ys], bpp)
    else:
        xs = list(range(WIDTH))
        data = filtered([raw_row(xs, y, depth, colour_type) for y in range(HEIGHT)], bpp)
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, depth, colour_type, 0, 0,
                                      1 if interlaced else 0))
    if colour_type == 3:
        n = palette_size or (1 << depth)
        out += chunk(b"PLTE", bytes(v for i in range(n) for v in (i * 40 % 256, 255 - i * 16 % 256,
                                                                  i * 90 % 256)))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    out += chunk(b"IDAT", zlib.compress(data, 9))
    out += chunk(b"IEND", b"")
    return out


def images():
    t = "fuzz_image_decode"
    for depth in (1, 2, 4, 8, 16):
        write(t, "gray%d.png" % depth, png(0, depth))
    for depth in (8, 16):
        write(t, "rgb%d.png" % depth, png(2, depth))
        write(t, "gray_alpha%d.png" % depth, png(4, depth))
        write(t, "rgba%d.png" % depth, png(6, depth))
    for depth in (1, 2, 4, 8):
        write(t, "palette%d.png" % depth, png(3, depth))
    # Transparency without an alpha channel: a palette's alpha table, and the
    # one colour of a grey or RGB image that is transparent.
    write(t, "palette4_trns.png", png(3, 4, trns=bytes([0, 128, 255, 64])))
    write(t, "palette8_short_trns.png", png(3, 8, trns=bytes([0, 200]), palette_size=64))
    write(t, "gray8_trns.png", png(0, 8, trns=struct.pack(">H", 91)))
    write(t, "gray16_trns.png", png(0, 16, trns=struct.pack(">H", 1000)))
    write(t, "rgb8_trns.png", png(2, 8, trns=struct.pack(">HHH", 0, 53, 106)))
    # Interlaced, across the depths and kinds.
    write(t, "gray1_interlaced.png", png(0, 1, interlaced=True))
    write(t, "palette2_trns_interlaced.png", png(3, 2, interlaced=True, trns=bytes([255, 0])))
    write(t, "rgb16_interlaced.png", png(2, 16, interlaced=True))
    write(t, "rgba8_interlaced.png", png(6, 8, interlaced=True))
    write(t, "gray_alpha16_interlaced.png", png(4, 16, interlaced=True))


# --- sound clips --------------------------------------------------------------------------


def riff(chunks):
    body = b"WAVE"
    for kind, data in chunks:
        body += kind + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
    return b"RIFF" + struct.pack("<I", len(body)) + body


def fmt(tag, channels, rate, bits, extra=b""):
    align = channels * bits // 8
    data = struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)
    return data + (struct.pack("<H", len(extra)) + extra if extra else b"")


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def track(events):
    data = b"".join(vlq(delta) + bytes(e) for delta, e in events)
    return b"MTrk" + struct.pack(">I", len(data)) + data


def midi(form, division, tracks):
    return b"MThd" + struct.pack(">IHHH", 6, form, len(tracks), division) + b"".join(tracks)


def clips():
    t = "fuzz_audio_clips"
    write(t, "pcm8_mono.wav", riff([(b"fmt ", fmt(1, 1, 8000, 8)),
                                    (b"data", bytes((i * 7) & 0xFF for i in range(64)))]))
    write(t, "pcm16_stereo.wav", riff([(b"fmt ", fmt(1, 2, 22050, 16)),
                                       (b"data", b"".join(struct.pack("<hh", i * 900, -i * 900)
                                                          for i in range(32)))]))
    # A chunk of another kind before the samples, of odd length (padded).
    write(t, "pcm16_list_chunk.wav", riff([(b"fmt ", fmt(1, 1, 11025, 16)),
                                           (b"LIST", b"INFOISFT\x03\x00\x00\x00ab\x00"),
                                           (b"data", struct.pack("<8h", *range(-4, 4)))]))
    # The extensible header that PCM may come in.
    guid = struct.pack("<IHH8s", 1, 0, 0x10, b"\x80\x00\x00\xaa\x00\x38\x9b\x71")
    write(t, "extensible.wav", riff([(b"fmt ", fmt(0xFFFE, 1, 8000, 16,
                                                   struct.pack("<HI", 16, 4) + guid)),
                                     (b"data", bytes(16))]))
    end = (0xFF, 0x2F, 0x00)
    song = [
        (0, (0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20)),  # tempo
        (0, (0xFF, 0x03, 0x04) + tuple(b"song")),  # a name
        (0, (0xC0, 0x05)),  # program
        (0, (0xB0, 0x07, 0x64)),  # volume
        (0, (0x90, 0x3C, 0x64)),  # note on
        (96, (0x40, 0x70)),  # running status: another note on
        (96, (0x3C, 0x00)),  # running status: velocity 0 ends a note
        (0, (0x80, 0x40, 0x40)),  # note off
        (0, (0xE0, 0x00, 0x48)),  # pitch bend
        (0, (0xD0, 0x30)),  # channel pressure
        (10, (0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7)),  # system exclusive
        (0, end),
    ]
    write(t, "format0.mid", midi(0, 96, [track(song)]))
    write(t, "format1.mid", midi(1, 480, [track([(0, (0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40)),
                                                (0, end)]),
                                         track([(0, (0x91, 0x40, 0x50)), (480, (0x81, 0x40, 0x00)),
                                                (0, end)])]))
    write(t, "smpte_division.mid", midi(0, 0xE728, [track([(0, (0x99, 0x24, 0x7F)),
                                                          (40, (0x99, 0x24, 0x00)), (0, end)])]))


# --- DataInputStream ----------------------------------------------------------------------
# First byte: how many operation bytes follow (mod 32); then the operations (low
# nibble: the reader; high nibble - 4: its argument); then the stream.


def modified_utf8(text):
    out = bytearray()
    for unit in struct.unpack("<%dH" % (len(text.encode("utf-16-le")) // 2),
                              text.encode("utf-16-le")):
        if 0 < unit < 0x80:
            out.append(unit)
        elif unit < 0x800:
            out += bytes([0xC0 | unit >> 6, 0x80 | unit & 0x3F])
        else:
            out += bytes([0xE0 | unit >> 12, 0x80 | unit >> 6 & 0x3F, 0x80 | unit & 0x3F])
    return struct.pack(">H", len(out)) + bytes(out)


def data_inputs():
    t = "fuzz_data_input"
    ops = bytes([0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A])
    stream = (b"\x01" + b"\x80" + b"\xff" + struct.pack(">hHH", -2, 65535, 0x263A)
              + struct.pack(">iqfd", -123456, 1 << 40, 1.5, -2.25) + modified_utf8("h\u00e9llo"))
    write(t, "every_reader.bin", bytes([len(ops)]) + ops + stream)
    # Text with a NUL (C0 80), a three-byte character and a surrogate pair.
    ops = bytes([0x4A, 0x4A])
    write(t, "utf_forms.bin", bytes([len(ops)]) + ops + modified_utf8("a\0b\u20ac")
          + modified_utf8("\U0001F600"))
    # Ranges and positions: readFully, read, skipBytes, mark and reset, then
    # text whose second byte is no continuation.
    ops = bytes([0x4B, 0x7C, 0x5D, 0x5E, 0x5F, 0x41, 0x4F, 0x4A])
    write(t, "ranges_and_bad_text.bin", bytes([len(ops)]) + ops + bytes(range(12))
          + b"\x00\x03\xe2\x28\xa1")
    # No operations: only the decoding of the bytes as text.
    write(t, "text_only.bin", b"\x00" + "plain, caf\u00e9, \u20ac, \U0001F600".encode("utf-8")
          + b"\xc3")


# --- HTTP -----------------------------------------------------------------------------------
# First byte: bit 1 picks the header splitter (else the date parser), bit 0
# reads the rest as UTF-16 from byte pairs (else a byte per character).


def http_inputs():
    t = "fuzz_http_parsing"
    dates = {
        "rfc1123": "Sun, 06 Nov 1994 08:49:37 GMT",
        "rfc850": "Sunday, 06-Nov-94 08:49:37 GMT",
        "asctime": "Sun Nov  6 08:49:37 1994",
    }
    for name, text in dates.items():
        write(t, "date_%s.bin" % name, b"\x00" + text.encode("ascii"))
        write(t, "date_%s_wide.bin" % name, b"\x01" + text.encode("utf-16-le"))
    head = ("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 6\r\n"
            "X-Empty:\r\nno colon here\r\nSet-Cookie: a=b; c=d\r\n\r\n")
    write(t, "headers.bin", b"\x02" + head.encode("ascii"))
    write(t, "headers_wide.bin", b"\x03" + head.replace("text/plain", "t\u00e9xt").encode("utf-16-le"))
    write(t, "headers_bare_line_ends.bin",
          b"\x02" + b"HTTP/1.0 404 Not Found\rServer: x\nA:b\r\n\r\nafter the end")


# --- record stores ---------------------------------------------------------------------------
# First byte: the operations (1 create, 2 filter, 4 comparator, 8 kept updated,
# 16 change, 32 delete the store, 64 list); then entries of one header byte
# (low 5 bits: the name, bit 5: a folder of that name), a 16-bit little-endian
# length and the contents.

NAMES = {"metadata.info": 0, "record-1.bin": 1, "record-2.bin": 2, "record-3.bin": 3,
         "record-100.bin": 13, "write.tmp": 21, "stray": 24}


def entry(name, contents=b"", folder=False):
    return bytes([NAMES[name] | (32 if folder else 0)]) + struct.pack("<H", len(contents)) + contents


def metadata(next_id, total, count, modified=0x12345678, version=0):
    return struct.pack("<5I", modified, version, next_id, total, count)


def record_stores():
    t = "fuzz_record_store"
    write(t, "three_records.bin", bytes([2 | 4 | 8 | 16 | 64])
          + entry("metadata.info", metadata(4, 7, 3)) + entry("record-1.bin", b"ab")
          + entry("record-2.bin", b"cde") + entry("record-3.bin", b"fg"))
    write(t, "created_then_deleted.bin", bytes([1 | 16 | 32]))
    write(t, "damaged.bin", bytes([1 | 2 | 16])
          + entry("metadata.info", b"\x01\x02\x03\x04\x05\x06\x07")
          + entry("record-100.bin", b"far") + entry("stray", b"x")
          + entry("record-2.bin", folder=True) + entry("write.tmp", b"half"))
    write(t, "next_id_behind_records.bin", bytes([16 | 8])
          + entry("metadata.info", metadata(2, 4, 2)) + entry("record-1.bin", b"a")
          + entry("record-3.bin", b"bcd"))


if __name__ == "__main__":
    images()
    clips()
    data_inputs()
    http_inputs()
    record_stores()
