#!/usr/bin/env python3
"""Times whole commands of the program on data folders of 1,000, 10,000 and 100,000
presets and titles, against reading the files they list, and writes a table between the
scale markers of docs/performance.md.

usage: scale.py BUILD_DIR OUTPUT.md [--sizes 1000,10000,100000] [--runs 3] [--data DIR]

Each data folder is filled once through the library's exported calls
(usercollection_scale fill) and kept in DIR for later runs. Every command runs as its
own process, `--runs` times; the table shows the best wall-clock time and the highest
peak resident set size of the runs (getrusage of the child).
"""
import argparse
import datetime
import os
import platform
import shutil
import subprocess
import sys
import time

BEGIN = "<!-- scale:begin (written by scripts/bench-scale.sh) -->"
END = "<!-- scale:end -->"

EQUALIZERS = "effects/AudioEqualizer"
TITLES = "overlays"

# (what, command, the folder whose files it lists, limit against reading them)
COMMANDS = [
    ("effects list", ["effects", "list", "equalizer"], EQUALIZERS),
    ("titles list", ["titles", "list"], TITLES),
    ("titles next-name", ["titles", "next-name", "Title 1"], TITLES),
    ("effects save", ["effects", "save", "equalizer", "Scale {run}"], EQUALIZERS),
    ("titles save", ["titles", "save", "Scale {run}"], TITLES),
]
FILES_LIMIT = 3.0
UNTOUCHED_LIMIT = 1.5
MEMORY_LIMIT_MB = {10000: 64, 100000: 256}


def measure(command, env, runs):
    """Best wall-clock seconds and highest peak RSS (MB) of runs runs of command."""
    best, peak = None, 0.0
    for run in range(runs):
        argv = [part.format(run=f"{time.time_ns()}") for part in command]
        start = time.perf_counter()
        process = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        _, status, usage = os.wait4(process.pid, 0)
        elapsed = time.perf_counter() - start
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit(f"failed: {' '.join(argv)}")
        best = elapsed if best is None else min(best, elapsed)
        peak = max(peak, usage.ru_maxrss / 1024.0)
    return best, peak


def ensure_filled(tool, folder, size, env):
    marker = os.path.join(folder, ".filled")
    if os.path.exists(marker):
        return
    shutil.rmtree(folder, ignore_errors=True)
    print(f"filling {folder} with {size} presets and {size} titles", flush=True)
    subprocess.run([tool, "fill", folder, str(size)], check=True, env=env, stderr=subprocess.DEVNULL)
    open(marker, "w").close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("output")
    parser.add_argument("--sizes", default="1000,10000,100000")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--data", default=None)
    args = parser.parse_args()

    host = os.path.join(args.build, "bin", "usercollection")
    tool = os.path.join(args.build, "bin", "usercollection_scale")
    data = args.data or os.path.join(args.build, "scale-data")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    sizes = [int(size) for size in args.sizes.split(",")]

    empty = os.path.join(data, "empty")
    os.makedirs(empty, exist_ok=True)
    empty_time, _ = measure([host, "--data", empty, "intros", "list"], env, args.runs)

    rows, memory, untouched = [], [], []
    for size in sizes:
        folder = os.path.join(data, str(size))
        ensure_filled(tool, folder, size, env)
        peak_of_size = 0.0
        for what, command, listed in COMMANDS:
            seconds, peak = measure([host, "--data", folder] + command, env, args.runs)
            floor, _ = measure([tool, "read", os.path.join(folder, listed)], env, args.runs)
            rows.append((size, what, seconds, floor, seconds / floor, peak))
            peak_of_size = max(peak_of_size, peak)
            print(f"{size:>7} {what:<18} {seconds:7.3f} s  files {floor:7.3f} s  {seconds / floor:5.2f}x  "
                  f"{peak:6.1f} MB", flush=True)
        seconds, peak = measure([host, "--data", folder, "intros", "list"], env, args.runs)
        untouched.append((size, seconds, seconds / empty_time, peak))
        memory.append((size, max(peak_of_size, peak)))

    lines = [BEGIN, ""]
    lines.append(f"Machine: {cpu_model()}, {os.cpu_count()} cores; "
                 f"load average at the start {', '.join(f'{x:.2f}' for x in os.getloadavg())}.")
    lines.append(f"Run: {datetime.datetime.now().astimezone().isoformat(timespec='seconds')}, "
                 f"best of {args.runs} runs of each command, Release build.")
    lines.append("")
    lines.append("Command: `scripts/bench-scale.sh`")
    lines.append("")
    lines.append("| Items | Command | Time | Reading its files | Ratio | Met (≤ 3x) | Peak memory |")
    lines.append("|---:|---|---:|---:|---:|---|---:|")
    for size, what, seconds, floor, ratio, peak in rows:
        met = "yes" if ratio <= FILES_LIMIT else "**no**"
        lines.append(f"| {size:,} | `{what}` | {seconds:.3f} s | {floor:.3f} s | {ratio:.2f} | {met} | {peak:.0f} MB |")
    lines.append("")
    lines.append(f"`intros list` with no intros, against the same command on an empty data folder "
                 f"({empty_time:.3f} s):")
    lines.append("")
    lines.append("| Items | Time | Ratio | Met (≤ 1.5x) | Peak memory |")
    lines.append("|---:|---:|---:|---|---:|")
    for size, seconds, ratio, peak in untouched:
        met = "yes" if ratio <= UNTOUCHED_LIMIT else "**no**"
        lines.append(f"| {size:,} | {seconds:.3f} s | {ratio:.2f} | {met} | {peak:.0f} MB |")
    lines.append("")
    lines.append("| Items | Highest peak memory of the commands above | Limit | Met |")
    lines.append("|---:|---:|---:|---|")
    for size, peak in memory:
        limit = MEMORY_LIMIT_MB.get(size)
        if limit is None:
            lines.append(f"| {size:,} | {peak:.0f} MB | none | |")
        else:
            lines.append(f"| {size:,} | {peak:.0f} MB | {limit} MB | {'yes' if peak <= limit else '**no**'} |")
    lines.append("")
    lines.append(END)
    replace_section(args.output, "\n".join(lines))
    print(f"wrote {args.output}")


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown CPU"


def replace_section(path, section):
    with open(path) as f:
        text = f.read()
    if BEGIN in text and END in text:
        before = text[:text.index(BEGIN)]
        after = text[text.index(END) + len(END):]
        text = before + section + after
    else:
        text = text.rstrip("\n") + "\n\n" + section + "\n"
    with open(path, "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
