#!/usr/bin/env python3
"""Turns a Google Benchmark JSON file into the results section of docs/performance.md.

usage: report.py RESULTS.json OUTPUT.md --cpu MODEL --cores N --command TEXT

The section between the begin and end markers is replaced; the rest of OUTPUT.md,
the analysis written by hand, is kept. Every ratio divides two medians of CPU time
measured in the same run.
"""
import argparse
import json
import os
import sys

BEGIN = "<!-- bench:begin (written by scripts/bench.sh) -->"
END = "<!-- bench:end -->"

# (what, numerator, denominator, limit, strict): met when ratio <= limit, or < limit if strict.
# Ratios of CPU time, except where the row names wall-clock time: a QSaveFile write
# waits for the disk, and the CPU time of that wait swings between runs.
TARGETS = [
    ("publish to one handler vs the interface floor", "BM_Publish", "BM_InterfaceFloor", 1.3, False),
    ("publish to one handler vs Boost.Signals2", "BM_Publish", "BM_BoostSignal", 1.0, True),
    ("publish to one handler vs a Qt signal", "BM_Publish", "BM_QtSignal", 1.5, False),
    ("publish among 10,000 + 10,000 non-receivers vs among none",
     "BM_PublishAmongNonReceivers/10000", "BM_PublishAmongNonReceivers/0", 1.1, False),
    ("nextName, 10,000 vs 1,000 taken names", "BM_NextName/10000", "BM_NextName/1000", 12.0, False),
    ("nextName, 100,000 vs 10,000 taken names", "BM_NextName/100000", "BM_NextName/10000", 12.0, False),
    ("item comparison, large change, vs copying and comparing the container, 1,000 items",
     "BM_ItemViewChange/1000", "BM_ContainerCopyCompareFloor/1000", 2.0, False),
    ("item comparison, large change, vs copying and comparing the container, 10,000 items",
     "BM_ItemViewChange/10000", "BM_ContainerCopyCompareFloor/10000", 2.0, False),
    ("item comparison, large change, vs copying and comparing the container, 100,000 items",
     "BM_ItemViewChange/100000", "BM_ContainerCopyCompareFloor/100000", 2.0, False),
    ("loadUserEffects (1,000 presets) vs reading the files", "BM_LoadUserEffects", "BM_ReadPresetFilesFloor",
     3.0, False),
    ("saveUserEffect vs one QSaveFile write, wall-clock time", "BM_SaveUserEffect", "BM_SaveFileFloor", 2.5,
     False),
]

# Ratios shown for context, without a target.
CONTEXT = [
    ("publish vs a direct virtual call", "BM_Publish", "BM_DirectVirtualCall"),
    ("interface floor with an uncontended std::mutex vs the publish", "BM_InterfaceFloorLocked", "BM_Publish"),
    ("interface floor with an uncontended std::mutex vs without", "BM_InterfaceFloorLocked",
     "BM_InterfaceFloor"),
    ("publish to 100 receivers vs a Qt signal with 100 slots", "BM_PublishToReceivers/100",
     "BM_QtSignalToSlots/100"),
    ("publish to 100 receivers vs Boost.Signals2 with 100 slots", "BM_PublishToReceivers/100",
     "BM_BoostSignalToSlots/100"),
    ("item comparison, one item added, 10,000 vs 1,000 items", "BM_ItemViewAddOne/10000",
     "BM_ItemViewAddOne/1000"),
    ("item comparison, one item added, 100,000 vs 10,000 items", "BM_ItemViewAddOne/100000",
     "BM_ItemViewAddOne/10000"),
    ("item comparison, large change, 10,000 vs 1,000 items", "BM_ItemViewChange/10000",
     "BM_ItemViewChange/1000"),
    ("item comparison, one item added, vs the floor, 100,000 items", "BM_ItemViewAddOne/100000",
     "BM_ContainerCopyCompareFloor/100000"),
    ("listing and reading the preset files vs reading them", "BM_ListAndReadPresetFiles",
     "BM_ReadPresetFilesFloor"),
    ("store round trip, fresh helper vs reused helper", "BM_StoreRoundTripFreshHelper", "BM_StoreRoundTrip"),
    ("saveUserEffect vs one QSaveFile write, CPU time", "BM_SaveUserEffect", "BM_SaveFileFloor"),
]

# Table order: the bus against its references, then naming, views and presets.
ORDER = ["DirectVirtualCall", "InterfaceFloor", "InterfaceFloorLocked", "Publish", "QtSignal", "BoostSignal",
         "PublishAmongNonReceivers", "PublishToReceivers", "QtSignalToSlots", "BoostSignalToSlots",
         "StoreRoundTrip", "StoreRoundTripFreshHelper", "NextName", "ItemViewAddOne", "ItemViewChange",
         "ContainerCopyCompareFloor", "ItemViewAppear", "LoadUserEffects", "ReadPresetFilesFloor", "ListAndReadPresetFiles",
         "SaveUserEffect", "SaveFileFloor"]


def order(name):
    family, _, argument = name.partition("/")
    family = family[3:] if family.startswith("BM_") else family
    rank = ORDER.index(family) if family in ORDER else len(ORDER)
    return (rank, family, int(argument) if argument.isdigit() else 0)


UNITS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def nanoseconds(entry, key):
    return entry[key] * UNITS[entry.get("time_unit", "ns")]


def human(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def load(path):
    with open(path) as f:
        data = json.load(f)
    stats = {}
    for entry in data["benchmarks"]:
        if entry.get("run_type") != "aggregate":
            continue
        name = entry["run_name"]
        stats.setdefault(name, {})[entry["aggregate_name"]] = entry
    return data["context"], stats


def section(context, stats, args):
    lines = [BEGIN, ""]
    lines.append(f"Machine: {args.cpu}, {args.cores} cores "
                 f"(as the benchmark saw it: {context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz; "
                 f"load average at the start {', '.join(f'{x:.2f}' for x in context.get('load_avg', []))}).")
    lines.append(f"Run: {context.get('date')}, {context.get('library_build_type', '?')} build of Google Benchmark.")
    lines.append("")
    lines.append(f"Command: `{args.command}`")
    lines.append("")
    lines.append("Medians over the repetitions; ratios divide CPU times of the same run unless they say otherwise.")
    lines.append("")
    lines.append("| Benchmark | Median wall time | Median CPU time | CV of CPU time |")
    lines.append("|---|---:|---:|---:|")
    for name, aggregates in sorted(stats.items(), key=lambda item: order(item[0])):
        median = aggregates.get("median")
        if not median:
            continue
        cv = aggregates.get("cv")
        cv_text = f"{cv['cpu_time'] * 100:.1f} %" if cv else ""
        lines.append(f"| `{name}` | {human(nanoseconds(median, 'real_time'))} | "
                     f"{human(nanoseconds(median, 'cpu_time'))} | {cv_text} |")
    lines.append("")

    def ratio(numerator, denominator, key="cpu_time"):
        try:
            a = nanoseconds(stats[numerator]["median"], key)
            b = nanoseconds(stats[denominator]["median"], key)
        except KeyError:
            return None
        return a / b if b else None

    lines.append("| Target | Ratio | Limit | Met |")
    lines.append("|---|---:|---:|---|")
    for what, numerator, denominator, limit, strict in TARGETS:
        value = ratio(numerator, denominator, "real_time" if "wall-clock" in what else "cpu_time")
        if value is None:
            lines.append(f"| {what} | not measured | {limit:g} | ? |")
            continue
        met = value < limit if strict else value <= limit
        sign = "<" if strict else "≤"
        lines.append(f"| {what} | {value:.2f} | {sign} {limit:g} | {'yes' if met else '**no**'} |")
    lines.append("")
    lines.append("| For context | Ratio |")
    lines.append("|---|---:|")
    for what, numerator, denominator in CONTEXT:
        key = "real_time" if "wall-clock" in what else "cpu_time"
        value = ratio(numerator, denominator, key)
        lines.append(f"| {what} | {value:.2f} |" if value is not None else f"| {what} | not measured |")
    lines.append("")
    lines.append(END)
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results")
    parser.add_argument("output")
    parser.add_argument("--cpu", default="unknown CPU")
    parser.add_argument("--cores", default="?")
    parser.add_argument("--command", default="scripts/bench.sh")
    args = parser.parse_args()

    context, stats = load(args.results)
    block = section(context, stats, args)

    if os.path.exists(args.output):
        with open(args.output) as f:
            text = f.read()
    else:
        text = f"# Performance\n\n{BEGIN}\n{END}\n"
    if BEGIN in text and END in text:
        head, rest = text.split(BEGIN, 1)
        _, tail = rest.split(END, 1)
        text = head + block + tail
    else:
        text = text.rstrip("\n") + "\n\n" + block + "\n"
    with open(args.output, "w") as f:
        f.write(text)


if __name__ == "__main__":
    sys.exit(main())
