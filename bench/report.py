#!/usr/bin/env python3
"""Prints the comparison table from the benchmark results (the cp references
of the remakes among them) and the peak memory of a remake measured here."""
import json
import os
import platform
import subprocess
import sys
import time


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown CPU"


def load(path):
    with open(path) as f:
        data = json.load(f)
    rounds = {}
    for b in data["benchmarks"]:
        rounds.setdefault(b["name"], []).append(b)
    # A row run in several rounds counts by its median round.
    runs = {}
    for name, found in rounds.items():
        found.sort(key=lambda b: b.get("items_per_second", b["real_time"]))
        runs[name] = found[len(found) // 2]
    return runs


def per_file_rate(run):
    return run.get("items_per_second", 0.0)


def find(runs, prefix, mib=None):
    for name, run in runs.items():
        base = name.split("/iterations")[0].split("/min_time")[0]
        parts = base.split("/")
        if "/".join(parts[:2]) == prefix and (mib is None or parts[2:3] == [str(mib)]):
            return run
    return None


def to_ms(run):
    unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run["time_unit"]]
    return run["real_time"] * unit


def to_cpu_ms(run):
    unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run["time_unit"]]
    return run["cpu_time"] * unit


def main():
    bench_dir, peak_tool, files = sys.argv[1], sys.argv[2], int(sys.argv[3])
    runs = load(os.path.join(bench_dir, "results.json"))
    sizes = [int(s) for s in os.environ.get("KW5_BENCH_BIG", "1,100,1000").split(",")]
    rows = []

    ours, theirs = find(runs, "read/kw5vorlet"), find(runs, "read/taglib")
    r_ours, r_theirs = per_file_rate(ours), per_file_rate(theirs)
    r_floor = per_file_rate(find(runs, "read/floor"))
    rows.append((f"read {files} files: open + title, artist, one TXXX", f"{r_ours:,.0f} files/s",
                 f"{r_theirs:,.0f} files/s", f"floor {r_floor:,.0f} files/s",
                 f"{r_ours / r_theirs:.2f}x TagLib, {r_ours / r_floor:.2f}x floor",
                 ">= 0.6x floor", "met" if r_ours >= 0.6 * r_floor else "NOT met"))
    rows.append((f"I/O floor, {files} files: open, read 10 bytes, read the tag, close",
                 f"{r_floor:,.0f} files/s", "", "", "", "", ""))
    seek, open_ = find(runs, "seek/kw5vorlet"), find(runs, "open/kw5vorlet")
    rows.append(("one TXXX value: Seek (scan) vs Open + Get", f"{per_file_rate(seek):,.0f} files/s",
                 "", f"Open + Get {per_file_rate(open_):,.0f} files/s",
                 f"{per_file_rate(seek) / per_file_rate(open_):.2f}x Open", "", ""))
    for mib in sizes:
        a, b = find(runs, "inplace/kw5vorlet", mib), find(runs, "inplace/taglib", mib)
        us_a, us_b = to_ms(a) * 1000, to_ms(b) * 1000
        cpu_a, cpu_b = to_cpu_ms(a) * 1000, to_cpu_ms(b) * 1000
        rows.append((f"in-place write (same tag size), {mib} MiB",
                     f"{us_a:,.0f} us (CPU {cpu_a:,.0f})", f"{us_b:,.0f} us (CPU {cpu_b:,.0f})", "",
                     f"{us_a / us_b:.2f}x TagLib", "<= TagLib",
                     "met" if us_a <= us_b else "NOT met"))
    for mib in sizes:
        ms_a, ms_b = to_ms(find(runs, "remake/kw5vorlet", mib)), to_ms(find(runs, "remake/taglib", mib))
        floor, durable, replaced = (to_ms(find(runs, f"remake/{ref}", mib))
                                    for ref in ("cp", "cpsync", "cpsyncmv"))
        rows.append((f"remake (tag grows past padding), {mib} MiB", f"{ms_a:,.1f} ms",
                     f"{ms_b:,.1f} ms",
                     f"cp {floor:,.1f} ms, cp+sync {durable:,.1f} ms, "
                     f"cp+sync+mv over {replaced:,.1f} ms",
                     f"{ms_a / durable:.2f}x cp+sync, {ms_a / replaced:.2f}x cp+sync+mv",
                     "<= 1.15x cp+sync",
                     "met" if ms_a <= 1.15 * durable else "NOT met"))
    biggest = max(sizes)
    out = subprocess.run([peak_tool, os.path.join(bench_dir, f"big-{biggest}.mp3")],
                         capture_output=True, text=True, check=True).stdout.split()
    base_mib, peak_mib = int(out[0]) / 1024, int(out[1]) / 1024
    rows.append((f"peak memory of a remake, {biggest} MiB file",
                 f"{peak_mib:.1f} MiB RSS", "", f"process before: {base_mib:.1f} MiB", "",
                 "a few MiB", "met" if peak_mib < 16 else "NOT met"))

    with open(os.path.join(bench_dir, "bigtag.tsv")) as f:
        for line in f:
            name, ms, peak, tag = line.rstrip("\n").split("\t")
            ms, peak, tag = float(ms), float(peak), float(tag)
            if name.startswith("open ") and "object" not in name:
                rows.append((f"{name} frames ({tag:.1f} MiB tag)", f"{ms:,.0f} ms", "", "", "",
                             "< 500 ms", "met" if ms < 500 else "NOT met"))
            elif name.startswith("write "):
                rows.append((f"{name} ({tag:.1f} MiB tag), one write", f"{ms:,.0f} ms", "",
                             "", "", "< 1000 ms",
                             "met" if ms < 1000 else "NOT met"))
            else:
                limit = 2 * tag + 16
                rows.append((f"{name}: peak memory", f"{peak:.1f} MiB", "",
                             f"tag {tag:.1f} MiB, {ms:,.0f} ms", f"{peak / tag:.2f}x tag",
                             f"<= 2x tag + 16 MiB ({limit:.0f})",
                             "met" if peak <= limit else "NOT met"))

    taglib = subprocess.run(["pkg-config", "--modversion", "taglib"], capture_output=True,
                            text=True).stdout.strip() or "?"
    print(f"kw5vorlet vs TagLib {taglib} on {cpu_model()}, {os.cpu_count()} cores, "
          f"{platform.system()} {platform.release()}, {time.strftime('%Y-%m-%d')}")
    headers = ("measure", "kw5vorlet", "TagLib", "floor / reference", "ratio", "goal", "")
    widths = [max(len(str(r[i])) for r in rows + [headers]) for i in range(len(headers))]
    line = "| " + " | ".join(h.ljust(w) for h, w in zip(headers, widths)) + " |"
    print(line)
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print("| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |")
    print("files/s per CPU second of the process (user + system), median of 9 rounds; times are wall clock per"
          " operation, means over the benchmark's iterations; the remakes and the cp runs beside them (through"
          " the shell) start after a sync and count by their median of 5 rounds; cp+sync+mv renames"
          " the synced copy over the file, which frees the old one as a remake does.")


if __name__ == "__main__":
    main()
