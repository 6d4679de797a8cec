#!/usr/bin/env python3
# Files written and read by mutagen, for the interop tests.
#
# case PATH NAME             a file as other taggers write it (CASES below)
# values PATH                what mutagen reads: KIND|ID|DESC|VALUE lines (B: hex data)
# same BEFORE AFTER SKIP [EXTRA] [ID=TEXT...]
#                            mutagen reads every frame of BEFORE but those of SKIP (A,B)
#                            in AFTER (text in any encoding), nothing else unless EXTRA
#                            is "extra", the given texts, and the same audio
#
import os
import struct
import sys
import tempfile
import zlib

from mutagen.id3 import (APIC, CHAP, COMM, GEOB, ID3, POPM, PRIV, TALB, TIT2, TPE1, TXXX,
                         TYER, UFID, USLT, WOAR, WXXX)

COVER = bytes(range(256)) * 4
OBJECT = bytes((i * 37) & 0xFF for i in range(1500))
AUDIO = bytes((i * 7 + 3) & 0xFF for i in range(3000))


def full_tag(e, geob_desc):
    return [TIT2(encoding=e, text=["Caf\u00e9 del Mar"]), TPE1(encoding=e, text=["\u00c9toile"]),
            TALB(encoding=e, text=["Songs"]), TYER(encoding=e, text=["2026"]),
            TXXX(encoding=e, desc="MOOD", text=["calm"]), TXXX(encoding=e, desc="VMK_TRACK", text=["7"]),
            WXXX(encoding=e, desc="HOME", url="https://example.org/home"), WOAR(url="https://a.org"),
            COMM(encoding=e, lang="eng", desc="", text=["dawn"]),
            APIC(encoding=e, mime="image/png", type=3, desc="cover", data=COVER),
            GEOB(encoding=e, mime="application/x-vmk", filename="o.bin", desc=geob_desc, data=OBJECT)]


def save(path, frames, version=3):
    with open(path, "wb") as f:
        f.write(AUDIO)
    tag = ID3()
    for frame in frames:
        tag.add(frame)
    tag.save(path, v2_version=version, padding=lambda info: 100)


def raw(path, frames, flags=0, prefix=b""):
    # Frames as bytes (flags low byte first), header flags the library may not handle.
    body = prefix + b"".join(i.encode() + struct.pack(">I", len(b)) + struct.pack("<H", f) + b
                             for i, b, f in frames) + bytes(64)
    size = bytes(((len(body) >> s) & 0x7F) for s in (21, 14, 7, 0))
    with open(path, "wb") as f:
        f.write(b"ID3\x03\x00" + bytes([flags]) + size + body + AUDIO)


def sealed(text):
    return struct.pack(">I", len(text) + 1) + zlib.compress(b"\x00" + text.encode())


TITLE0 = ("TIT2", b"\x00Old title", 0)
CASES = {
    # A full tag in Latin-1 and in UTF-16, with an object of no variant's own.
    "latin1": lambda p: save(p, full_tag(0, "NOTES")),
    "utf16": lambda p: save(p, full_tag(1, "NOTES")),
    # Several frames of one standard id, as taggers keep them.
    "repeated": lambda p: save(p, [
        TIT2(encoding=1, text=["Old"]), COMM(encoding=1, lang="eng", desc="", text=["first"]),
        COMM(encoding=1, lang="deu", desc="note", text=["zweite"]),
        APIC(encoding=0, mime="image/png", type=3, desc="front", data=COVER),
        APIC(encoding=0, mime="image/jpeg", type=4, desc="back", data=COVER[::-1]),
        PRIV(owner="a.example", data=b"one"), PRIV(owner="b.example", data=b"two"),
        PRIV(owner="a.example", data=b"three"), UFID(owner="http://a", data=b"1"),
        UFID(owner="http://b", data=b"2"), POPM(email="x@example", rating=5, count=1),
        POPM(email="y@example", rating=9), USLT(encoding=1, lang="eng", desc="v1", text="la"),
        USLT(encoding=1, lang="jpn", desc="v2", text="\u3089")]),
    # Descriptions in scripts that code page 1252 cannot hold.
    "scripts": lambda p: save(p, [
        TIT2(encoding=1, text=["Old"]), TXXX(encoding=1, desc="\u65e5\u672c\u8a9e", text=["ja"]),
        TXXX(encoding=1, desc="\u03b1", text=["alpha"]), TXXX(encoding=1, desc="\u03b2", text=["beta"]),
        TXXX(encoding=1, desc="\u0416\u0416", text=["cyr"]), TXXX(encoding=1, desc="??", text=["ascii"]),
        WXXX(encoding=1, desc="\u03b1", url="http://alpha.example"),
        GEOB(encoding=1, mime="a/b", filename="\u00e9", desc="\u65e5", data=b"obj")]),
    # Empty descriptions, as several taggers write a user URL.
    "emptydesc": lambda p: save(p, [
        TIT2(encoding=1, text=["Old"]), TXXX(encoding=1, desc="", text=["bare"]),
        WXXX(encoding=0, desc="", url="http://home.example"),
        GEOB(encoding=1, mime="a/b", filename="", desc="", data=b"data"),
        TXXX(encoding=1, desc="MOOD", text=["calm"])]),
    # Empty values as a byte-order mark alone, and a mark after a NUL.
    "baremark": lambda p: raw(p, [
        TITLE0, ("TPE1", b"\x01\xff\xfe", 0), ("TALB", b"\x01\xfe\xff", 0),
        ("TCOM", b"\x01" + "a".encode("utf-16") + b"\x00\x00" + "b".encode("utf-16"), 0),
        ("TXXX", b"\x01" + "EMPTY".encode("utf-16") + b"\x00\x00\xff\xfe", 0)]),
    # Compressed and encrypted bodies.
    "sealed": lambda p: raw(p, [
        TITLE0, ("TPE1", sealed("Band"), 0x8000), ("TXXX", sealed("x"), 0x8000),
        ("COMM", b"\x01" + bytes(range(40)), 0x4000), ("TALB", b"\x00Plain", 0)]),
    # Frames that share one store key although they differ.
    "twotitles": lambda p: raw(p, [TITLE0, ("TIT2", b"\x00Other", 0)]),
    "userpair": lambda p: raw(p, [TITLE0, ("TXXX", b"\x00HOME\x00text", 0),
                                  ("WXXX", b"\x00HOME\x00http://x", 0)]),
    "userasid": lambda p: raw(p, [TITLE0, ("TPE1", b"\x00Band", 0),
                                  ("TXXX", b"\x00TPE1\x00text", 0)]),
    "unsync": lambda p: raw(p, [TITLE0, ("TPE1", b"\x00\xff\x00\xe0", 0)], 0x80),
    "exthdr": lambda p: raw(p, [TITLE0], 0x40, b"\x00\x00\x00\x06" + bytes(6)),
    "v24": lambda p: save(p, full_tag(1, "VMK_LSI"), 4),
    "chap": lambda p: save(p, full_tag(1, "VMK_LSI") + [CHAP(
        element_id="ch1", start_time=0, end_time=1000, sub_frames=[TIT2(encoding=1, text=["1"])])]),
}


def read(path):
    # mutagen looks for "ID3": a tag under "kw5" is read through a copy.
    with open(path, "rb") as f:
        data = f.read()
    with tempfile.NamedTemporaryFile(suffix=".mp3", delete=False) as tmp:
        tmp.write(b"ID3" + data[3:] if data[:3] == b"kw5" else data)
    try:
        tag = ID3(tmp.name, translate=False)
    finally:
        os.unlink(tmp.name)
    size = sum((data[6 + i] & 0x7F) << (21 - 7 * i) for i in range(4)) + 10
    return tag, data[size:]


def strip(value):
    # Latin-1 texts may end in NULs that are no characters. Frames without
    # text (mutagen reads an empty value of encoding 1 only with its mark)
    # are left out.
    if not isinstance(value, list):
        return value
    return [str(v).rstrip("\x00") for v in value if str(v).rstrip("\x00")]


def frames(path, skip):
    tag, audio = read(path)
    out = [f.FrameID + repr(sorted((k, strip(v)) for k, v in vars(f).items() if k != "encoding"))
           for f in tag.values() if f.FrameID not in skip and strip(getattr(f, "text", [1]))]
    return sorted(out + [repr(u) for u in tag.unknown_frames]), audio, tag


def same(before, after, skip, extra="", *texts):
    old, old_audio, _ = frames(before, skip.split(","))
    new, new_audio, tag = frames(after, skip.split(","))
    bad = [] if old_audio == new_audio else ["audio differs"]
    for frame in old:
        if frame in new:
            new.remove(frame)
        else:
            bad.append("lost or changed: " + frame[:200])
    bad += [] if extra == "extra" else ["extra: " + frame[:200] for frame in new]
    for item in texts:
        fid, text = item.split("=", 1)
        if fid not in tag or str(tag[fid].text[0]) != text:
            bad.append("%s: %r" % (fid, tag.get(fid)))
    print("\n".join(bad))
    return 1 if bad else 0


def values(path):
    for f in read(path)[0].values():
        kind = f.FrameID
        if kind == "GEOB":
            print("B|GEOB|%s|%s|%s" % (f.desc, f.mime, f.data.hex()))
        elif kind in ("TXXX", "WXXX"):
            print("D|%s|%s|%s" % (kind, f.desc, f.url if kind == "WXXX" else strip(f.text)[0]))
        elif kind[0] in "TW":
            print("I|%s||%s" % (kind, f.url if kind[0] == "W" else strip(f.text)[0]))


cmd, path = sys.argv[1], sys.argv[2]  # run as a program only
if cmd == "case":
    CASES[sys.argv[3]](path)
sys.exit(same(path, *sys.argv[3:]) if cmd == "same" else values(path) if cmd == "values" else 0)
