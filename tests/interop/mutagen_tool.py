#!/usr/bin/env python3
"""Writes and reads ID3v2.3 files with mutagen, for the interop tests.

write PATH ENC AUDIO GEOBDESC     make a file with fake audio and a full tag
write24 PATH                      the same tag as ID3v2.4
writechap PATH                    an ID3v2.3 tag holding a CHAP frame
read PATH                         print what mutagen reads, as JSON
check PATH ENC GEOBDESC AUDIO [K=V...]  compare with what write wrote (K=V overrides,
                                  e.g. TIT2=New); prints mismatches, exit 1
case PATH NAME                    a file as other taggers write it (CASES below)
same BEFORE AFTER IDS             every frame of BEFORE but those of IDS (A,B) is in AFTER,
                                  byte for byte (text frames: the same text in any
                                  encoding), nothing else is, and the audio is the same
"""
import hashlib
import json
import struct
import sys
import zlib

from mutagen.id3 import (APIC, CHAP, COMM, GEOB, ID3, POPM, PRIV, TALB, TIT2, TPE1,
                         TXXX, TYER, UFID, USLT, WOAR, WXXX)

TITLE = "Caf\u00e9 del Mar \u2014 Sunrise"
ARTIST = "Ensemble \u00c9toile"
ALBUM = "Songs of the Sea"
COVER = bytes(range(256)) * 4
OBJECT = bytes((i * 37) & 0xFF for i in range(1500))


def fake_audio(size):
    state = 12345
    out = bytearray()
    for _ in range(size):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        out.append(state >> 16 & 0xFF)
    return bytes(out)


def text(enc, latin_only, value):
    # Latin-1 runs cannot hold characters outside it.
    if enc == 0 and latin_only:
        return value.encode("latin-1", "replace").decode("latin-1")
    return value


def build_tag(enc, geob_desc="VMK_LSI"):
    tag = ID3()
    latin = enc == 0
    tag.add(TIT2(encoding=enc, text=[text(enc, latin, TITLE.replace("\u2014", "-"))]))
    tag.add(TPE1(encoding=enc, text=[ARTIST]))
    tag.add(TALB(encoding=enc, text=[ALBUM]))
    tag.add(TYER(encoding=enc, text=["2026"]))
    tag.add(TXXX(encoding=enc, desc="MOOD", text=["calm"]))
    tag.add(TXXX(encoding=enc, desc="VMK_TRACK", text=["7"]))
    tag.add(WXXX(encoding=enc, desc="HOME", url="https://example.org/home"))
    tag.add(WOAR(url="https://example.org/artist"))
    tag.add(COMM(encoding=enc, lang="eng", desc="", text=["recorded at dawn"]))
    tag.add(APIC(encoding=enc, mime="image/png", type=3, desc="cover", data=COVER))
    tag.add(GEOB(encoding=enc, mime="application/x-vmk", filename="lsi.bin",
                 desc=geob_desc, data=OBJECT))
    return tag


def write(path, enc, audio_bytes, geob_desc="VMK_LSI", version=3, extra=None):
    with open(path, "wb") as f:
        f.write(fake_audio(audio_bytes))
    tag = build_tag(enc, geob_desc)
    if extra is not None:
        tag.add(extra)
    tag.save(path, v2_version=version, padding=lambda info: 256)


def tag_size(path):
    with open(path, "rb") as f:
        head = f.read(10)
    if len(head) < 10 or head[:3] not in (b"ID3", b"kw5"):
        return 0
    b = head[6:10]
    return ((b[0] & 0x7F) << 21 | (b[1] & 0x7F) << 14 | (b[2] & 0x7F) << 7 | (b[3] & 0x7F)) + 10


def read_values(path):
    # mutagen looks for "ID3"; a tag we wrote under "kw5" is read through a copy.
    with open(path, "rb") as f:
        data = f.read()
    magic = data[:3].decode("latin-1")
    size = tag_size(path)
    if magic == "kw5":
        data = b"ID3" + data[3:]
    import io
    import tempfile
    with tempfile.NamedTemporaryFile(suffix=".mp3", delete=False) as tmp:
        tmp.write(data)
        name = tmp.name
    try:
        tag = ID3(name)
    finally:
        import os
        os.unlink(name)
    out = {
        "magic": magic,
        "version": tag.version[1],
        "audio_sha256": hashlib.sha256(data[size:]).hexdigest(),
        "audio_size": len(data) - size,
    }
    for fid in ("TIT2", "TPE1", "TALB"):
        if fid in tag:
            out[fid] = str(tag[fid].text[0])
    # mutagen reads a v2.3 TYER into its v2.4 model as TDRC.
    if "TDRC" in tag:
        out["TYER"] = str(tag["TDRC"].text[0])
    out["TXXX"] = {f.desc: str(f.text[0]) for f in tag.getall("TXXX")}
    out["WXXX"] = {f.desc: f.url for f in tag.getall("WXXX")}
    out["WOAR"] = [f.url for f in tag.getall("WOAR")]
    out["COMM"] = [str(f.text[0]) for f in tag.getall("COMM")]
    out["APIC"] = [{"mime": f.mime, "desc": f.desc, "sha256": hashlib.sha256(f.data).hexdigest()}
                   for f in tag.getall("APIC")]
    out["GEOB"] = [{"mime": f.mime, "desc": f.desc, "filename": f.filename,
                    "sha256": hashlib.sha256(f.data).hexdigest()} for f in tag.getall("GEOB")]
    return out


def expected(enc, geob_desc, audio_bytes):
    latin = enc == 0
    return {
        "TIT2": text(enc, latin, TITLE.replace("\u2014", "-")),
        "TPE1": ARTIST, "TALB": ALBUM, "TYER": "2026",
        "TXXX": {"MOOD": "calm", "VMK_TRACK": "7"},
        "WXXX": {"HOME": "https://example.org/home"},
        "WOAR": ["https://example.org/artist"],
        "COMM": ["recorded at dawn"],
        "APIC": [{"mime": "image/png", "desc": "cover",
                  "sha256": hashlib.sha256(COVER).hexdigest()}],
        "GEOB": [{"mime": "application/x-vmk", "desc": geob_desc, "filename": "lsi.bin",
                  "sha256": hashlib.sha256(OBJECT).hexdigest()}],
        "audio_sha256": hashlib.sha256(fake_audio(audio_bytes)).hexdigest(),
        "audio_size": audio_bytes,
    }


def check(path, enc, geob_desc, audio_bytes, overrides):
    got = read_values(path)
    want = expected(enc, geob_desc, audio_bytes)
    for item in overrides:
        key, value = item.split("=", 1)
        want[key] = value
    bad = [f"{k}: mutagen read {got.get(k)!r}, expected {v!r}" for k, v in want.items()
           if got.get(k) != v]
    for line in bad:
        print(line)
    return 1 if bad else 0


def mutagen_case(path, frames):
    with open(path, "wb") as f:
        f.write(fake_audio(3000))
    tag = ID3()
    for frame in frames:
        tag.add(frame)
    tag.save(path, v2_version=3, padding=lambda info: 100)


def raw_frame(fid, body, flags=0):
    # Flags as one value, low byte first in the file.
    return fid.encode() + struct.pack(">I", len(body)) + struct.pack("<H", flags) + body


def raw_case(path, frames, header_flags=0, prefix=b""):
    body = prefix + b"".join(frames) + bytes(64)
    size = len(body)
    syncsafe = bytes(((size >> s) & 0x7F) for s in (21, 14, 7, 0))
    with open(path, "wb") as f:
        f.write(b"ID3\x03\x00" + bytes([header_flags]) + syncsafe + body + fake_audio(3000))


def u16(text):
    return text.encode("utf-16")


def sealed_body(text):
    packed = b"\x00" + text.encode("latin-1")
    return struct.pack(">I", len(packed)) + zlib.compress(packed)


TITLE0 = raw_frame("TIT2", b"\x00Old title")
CASES = {
    # Several frames of one standard id, as taggers keep them.
    "repeated": lambda p: mutagen_case(p, [
        TIT2(encoding=1, text=["Old"]),
        COMM(encoding=1, lang="eng", desc="", text=["first"]),
        COMM(encoding=1, lang="deu", desc="note", text=["zweite"]),
        APIC(encoding=0, mime="image/png", type=3, desc="front", data=COVER),
        APIC(encoding=0, mime="image/jpeg", type=4, desc="back", data=COVER[::-1]),
        PRIV(owner="a.example", data=b"one"), PRIV(owner="b.example", data=b"two"),
        PRIV(owner="a.example", data=b"three"),
        UFID(owner="http://a", data=b"1"), UFID(owner="http://b", data=b"2"),
        POPM(email="x@example", rating=5, count=1), POPM(email="y@example", rating=9),
        USLT(encoding=1, lang="eng", desc="v1", text="la"),
        USLT(encoding=1, lang="jpn", desc="v2", text="\u3089")]),
    # Descriptions in scripts that code page 1252 cannot hold.
    "scripts": lambda p: mutagen_case(p, [
        TIT2(encoding=1, text=["Old"]),
        TXXX(encoding=1, desc="\u65e5\u672c\u8a9e", text=["ja"]),
        TXXX(encoding=1, desc="\u03b1", text=["alpha"]),
        TXXX(encoding=1, desc="\u03b2", text=["beta"]),
        TXXX(encoding=1, desc="\u0416\u0416", text=["cyr"]),
        TXXX(encoding=1, desc="??", text=["ascii"]),
        WXXX(encoding=1, desc="\u03b1", url="http://alpha.example"),
        GEOB(encoding=1, mime="a/b", filename="\u00e9", desc="\u65e5", data=b"obj")]),
    # Empty descriptions, as several taggers write a user URL.
    "emptydesc": lambda p: mutagen_case(p, [
        TIT2(encoding=1, text=["Old"]),
        TXXX(encoding=1, desc="", text=["bare"]),
        WXXX(encoding=0, desc="", url="http://home.example"),
        GEOB(encoding=1, mime="a/b", filename="", desc="", data=b"data"),
        TXXX(encoding=1, desc="MOOD", text=["calm"])]),
    # Empty values written as a byte-order mark alone, and a mark after a NUL.
    "baremark": lambda p: raw_case(p, [
        TITLE0, raw_frame("TPE1", b"\x01\xff\xfe"), raw_frame("TALB", b"\x01\xfe\xff"),
        raw_frame("TCOM", b"\x01" + u16("a") + b"\x00\x00" + u16("b")),
        raw_frame("TXXX", b"\x01" + u16("EMPTY") + b"\x00\x00\xff\xfe")]),
    # Compressed and encrypted bodies.
    "sealed": lambda p: raw_case(p, [
        TITLE0, raw_frame("TPE1", sealed_body("Band"), 0x8000),
        raw_frame("TXXX", sealed_body("x"), 0x8000),
        raw_frame("COMM", b"\x01" + bytes(range(40)), 0x4000),
        raw_frame("TALB", b"\x00Plain")]),
    # Frames that share one store key although they differ.
    "twotitles": lambda p: raw_case(p, [TITLE0, raw_frame("TIT2", b"\x00Other")]),
    "userpair": lambda p: raw_case(p, [
        TITLE0, raw_frame("TXXX", b"\x00HOME\x00text"),
        raw_frame("WXXX", b"\x00HOME\x00http://x")]),
    "userasid": lambda p: raw_case(p, [
        TITLE0, raw_frame("TPE1", b"\x00Band"), raw_frame("TXXX", b"\x00TPE1\x00text")]),
    # Header flags the library does not handle.
    "unsync": lambda p: raw_case(p, [TITLE0, raw_frame("TPE1", b"\x00\xff\x00\xe0")], 0x80),
    "exthdr": lambda p: raw_case(p, [TITLE0], 0x40, b"\x00\x00\x00\x06" + bytes(6)),
}


def parse_frames(path):
    with open(path, "rb") as f:
        data = f.read()
    end = tag_size(path)
    pos, frames = 10, []
    while pos + 10 <= end and data[pos:pos + 2] != b"\x00\x00":
        size = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        frames.append((data[pos:pos + 4].decode("latin-1"), data[pos + 8:pos + 10],
                       data[pos + 10:pos + 10 + size]))
        pos += 10 + size
    return frames, data[end:]


def utf16_texts(raw, big):
    # Encoding 1: every text may open with its own mark, which is no
    # character. Encoding 2 (big) has no marks: FE FF there is U+FEFF.
    out, units = [], [raw[i:i + 2] for i in range(0, len(raw) - 1, 2)]
    start = not big
    for unit in units:
        if start and unit in (b"\xff\xfe", b"\xfe\xff"):
            big = unit == b"\xfe\xff"
        else:
            out.append(unit if big else unit[::-1])
        start = unit == b"\x00\x00" and not big
    return b"".join(out).decode("utf-16-be", "replace")


def text_of(fid, flags, body):
    # What a reader sees in a text-bearing frame, whatever its encoding.
    if flags[1] & 0xC0 or not body or fid[0] != "T":
        return None
    enc, rest = body[0], body[1:]
    if enc == 0:
        return "0:" + rest.decode("cp1252", "replace")
    return "u:" + utf16_texts(rest, enc == 2).rstrip("\x00")


def same(before, after, skip):
    old, old_audio = parse_frames(before)
    new, new_audio = parse_frames(after)
    bad = [] if old_audio == new_audio else ["audio differs"]
    skip = skip.split(",")
    left = [f for f in new if f[0] not in skip]
    for frame in (f for f in old if f[0] not in skip):
        match = next((f for f in left if f == frame), None)
        if match is None and text_of(*frame) is not None:
            want = (frame[0], frame[1], text_of(*frame).replace("0:", "u:", 1))
            match = next((f for f in left if (f[0], f[1], text_of(*f)) == want), None)
        if match is None:
            bad.append("lost or changed: %s %s %s" % (frame[0], frame[1].hex(), frame[2][:40]))
        else:
            left.remove(match)
    bad += ["extra: %s %s" % (f[0], f[2][:40]) for f in left]
    for line in bad:
        print(line)
    return 1 if bad else 0


def main():
    cmd, path = sys.argv[1], sys.argv[2]
    if cmd == "write":
        write(path, int(sys.argv[3]), int(sys.argv[4]), sys.argv[5])
    elif cmd == "write24":
        write(path, 1, 4096, version=4)
    elif cmd == "writechap":
        write(path, 1, 4096, extra=CHAP(element_id="ch1", start_time=0, end_time=1000,
                                         sub_frames=[TIT2(encoding=1, text=["Part one"])]))
    elif cmd == "case":
        CASES[sys.argv[3]](path)
    elif cmd == "same":
        sys.exit(same(path, sys.argv[3], sys.argv[4]))
    elif cmd == "read":
        print(json.dumps(read_values(path), sort_keys=True))
    elif cmd == "check":
        sys.exit(check(path, int(sys.argv[3]), sys.argv[4], int(sys.argv[5]), sys.argv[6:]))
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
