#!/usr/bin/env python3
"""Writes and reads ID3v2.3 files with mutagen, for the interop tests.

write PATH ENC AUDIO GEOBDESC     make a file with fake audio and a full tag
write24 PATH                      the same tag as ID3v2.4
writechap PATH                    an ID3v2.3 tag holding a CHAP frame
read PATH                         print what mutagen reads, as JSON
check PATH ENC GEOBDESC AUDIO [K=V...]  compare with what write wrote (K=V overrides,
                                  e.g. TIT2=New); prints mismatches, exit 1
"""
import hashlib
import json
import sys

from mutagen.id3 import (APIC, CHAP, COMM, GEOB, ID3, TALB, TIT2, TPE1, TXXX,
                         TYER, WOAR, WXXX)

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


def main():
    cmd, path = sys.argv[1], sys.argv[2]
    if cmd == "write":
        write(path, int(sys.argv[3]), int(sys.argv[4]), sys.argv[5])
    elif cmd == "write24":
        write(path, 1, 4096, version=4)
    elif cmd == "writechap":
        write(path, 1, 4096, extra=CHAP(element_id="ch1", start_time=0, end_time=1000,
                                         sub_frames=[TIT2(encoding=1, text=["Part one"])]))
    elif cmd == "read":
        print(json.dumps(read_values(path), sort_keys=True))
    elif cmd == "check":
        sys.exit(check(path, int(sys.argv[3]), sys.argv[4], int(sys.argv[5]), sys.argv[6:]))
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
