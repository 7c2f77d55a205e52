#!/usr/bin/env python3
"""Runs every benchmark of a build tree and prints one table of ratios, each measured against its
reference in the same run. Usage: bench_table.py BUILD_DIR [--smoke]

--smoke runs each program once, as briefly as it allows, and checks only that it ran and that
its table could be read (the bench-smoke tests use the programs directly; this is for trying the
script itself)."""
import json
import re
import os
import subprocess
import sys
import tempfile
import time

build = sys.argv[1]
smoke = "--smoke" in sys.argv[2:]
bench = f"{build}/bench"
rows = []  # (row name, ratio, what it is measured against)
failures = []


def run(args, timeout=3600):
    started = time.monotonic()
    print(f"==> {' '.join(args)}", file=sys.stderr, flush=True)
    done = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    sys.stderr.write(done.stdout)
    sys.stderr.write(done.stderr[-2000:])
    print(f"    ({time.monotonic() - started:.0f} s)", file=sys.stderr, flush=True)
    if done.returncode != 0:
        failures.append(f"{args[0]} ended with status {done.returncode}")
    return done.stdout


def row(name, ratio, reference):
    rows.append((name, ratio, reference))


def google_benchmark(program, extra_rows):
    """Every vs_* counter of the program becomes a row; extra_rows(by_name) adds ratios of pairs."""
    # The JSON goes to a file of its own: a program may print other lines to standard output.
    fd, out_file = tempfile.mkstemp(suffix=".json")
    os.close(fd)
    args = [f"{bench}/{program}", f"--benchmark_out={out_file}", "--benchmark_out_format=json"]
    if smoke:
        args.append("--benchmark_min_time=0.001")
    run(args)
    try:
        with open(out_file) as out:
            results = json.load(out)["benchmarks"]
    except (OSError, ValueError, KeyError):
        failures.append(f"{program}: no JSON output")
        return
    finally:
        os.remove(out_file)
    by_name = {}
    for result in results:
        result["name"] = result["name"].removesuffix("/real_time")
        by_name[result["name"]] = result
        if result.get("error_occurred"):
            failures.append(f"{program} {result['name']}: {result.get('error_message')}")
        for key, value in result.items():
            if key.startswith("vs_"):
                row(f"{program} {result['name']}", value, key[3:] + " (same run)")
    extra_rows(by_name)


def pair(by_name, program, name, reference):
    if name in by_name and reference in by_name:
        row(f"{program} {name}", by_name[name]["real_time"] / by_name[reference]["real_time"],
            reference)


def seconds(result):
    factor = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[result.get("time_unit", "ns")]
    return result["real_time"] * factor


# The whole update first: its transfer floor is the reference of the dialog's drawing.
transfer_floor_s = None
out = run([f"{bench}/bench_update"] + (["0.01"] if smoke else []))
for line in out.splitlines():
    match = re.match(r"(both transfers|whole update)\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)", line)
    if match:
        row(f"bench_update {match.group(1)}", float(match.group(4)),
            "the simulator's designed delays of the same exchanges")
        if match.group(1) == "both transfers":
            transfer_floor_s = float(match.group(3)) / 1000
if transfer_floor_s is None:
    failures.append("bench_update: no phase table")

out = run([f"{bench}/bench_discovery_scale"] + (["6", "0.01"] if smoke else []))
scale_rows = {}
for line in out.splitlines():
    fields = line.split()
    if len(fields) == 8 and fields[0].isdigit():
        scale_rows[(int(fields[0]), fields[1])] = [float(f) for f in fields[2:]]
largest = max((n for n, _ in scale_rows), default=None)
if largest is None:
    failures.append("bench_discovery_scale: no table")
else:
    for cache in ("none", "files"):
        if (largest, cache) in scale_rows:
            found, features, per_device, kib, time_growth, mem_growth = scale_rows[(largest, cache)]
            row(f"discovery of {largest}, cache {cache}: time per device", time_growth,
                "the same for 1 device")
            row(f"discovery of {largest}, cache {cache}: memory per device", mem_growth,
                "the same for 1 device")
    if (largest, "none") in scale_rows and (largest, "files") in scale_rows:
        row(f"discovery of {largest} with cache files", scale_rows[(largest, "files")][2] /
            scale_rows[(largest, "none")][2], "the same without them")

out = run([f"{bench}/bench_xlog"] + (["1"] if smoke else []))
for line in out.splitlines():
    fields = line.split()
    if len(fields) == 4 and fields[0].isdigit():
        row(f"xLogWrite, {fields[0]} thread(s)", float(fields[3]),
            "spdlog's asynchronous logger, same line")
    parts = re.match(r"one thread, ns per call: whole ([\d.]+) = time stamp ([\d.]+) \+ "
                     r"formatting ([\d.]+) \+ ring and bookkeeping ([-\d.]+)", line)
    if parts:
        whole, stamp, formatting, ring = (float(g) for g in parts.groups())
        for name, value in (("time stamp", stamp), ("formatting", formatting),
                            ("ring and bookkeeping", ring)):
            row(f"xLogWrite, 1 thread: {name}", value / whole, "the whole call, same run")

google_benchmark("bench_discovery", lambda by_name: None)
google_benchmark("bench_dfu", lambda by_name: None)
google_benchmark("bench_device", lambda by_name: None)
google_benchmark("bench_events", lambda by_name: None)
google_benchmark("bench_hid", lambda b: (
    pair(b, "bench_hid", "BM_SeamRoundTrip", "BM_ThreadHandOverReference"),
    pair(b, "bench_hid", "BM_DeviceRoundTrip", "BM_ThreadHandOverReference")))
google_benchmark("bench_message_windows", lambda b: pair(
    b, "bench_message_windows", "BM_SendToAnotherThread", "BM_ReferenceConditionRoundTrip"))


def simulator_rows(by_name):
    image = by_name.get("BM_RadioStackImage")
    if image and image.get("designed_seconds"):
        row("bench_sim BM_RadioStackImage", seconds(image) / image["designed_seconds"],
            "the image's designed transfer time")


google_benchmark("bench_sim", simulator_rows)


def dialog_rows(by_name):
    for name, result in by_name.items():
        if "update" in result and transfer_floor_s:
            # The counter is inverted: seconds of one update's progress steps.
            row(f"bench_dialog_views {name}", result["update"] / transfer_floor_s,
                "floor of the update's transfers")


google_benchmark("bench_dialog_views", dialog_rows)

width = max(len(name) for name, _, _ in rows) if rows else 10
print(f"{'benchmark':<{width}}  {'ratio':>8}  reference")
for name, ratio, reference in rows:
    print(f"{name:<{width}}  {ratio:8.4g}  {reference}")
for failure in failures:
    print(f"FAILED: {failure}")
sys.exit(1 if failures else 0)
