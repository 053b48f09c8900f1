"""Automatic creation against the plainest good FontForge pipeline, on one
machine in one run.

Writes handwriting-like stroke files for kanji (the full-size proof's
generator, recorded on a 256 canvas), has quillery-autocreate hand its
bitmaps (512 dots, 30-dot tip) to a stand-in editor that keeps them, then
runs, interleaved and a few times each:

- the pipeline: one FontForge process tracing those bitmaps with the potrace
  program (bench/fontforge_pipeline.py), start to exit;
- quillery-autocreate on the stroke files with its own editor, start to exit
  (the editor's start and the final save included).

Prints the wall times, their best and median, the ratio (pipeline time over
ours: above 1 means we are faster), the peak memory of our two processes and
the load average around each run. Needs /usr/bin/python3 (fontTools for the
proof module it reuses).
"""

import argparse
import json
import os
import platform
import resource
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "proof"))
import full_size_proof as proof  # noqa: E402

RECORDED_ON = 256


def machine():
    model = "?"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return "%s, %d cores, %s" % (model, os.cpu_count() or 0, platform.platform())


def collect_bitmaps(autocreate, strokes, out, workdir):
    """The bitmaps quillery-autocreate hands to its editor, one per file."""
    registry = os.path.join(workdir, "collector.json")
    with open(registry, "w") as f:
        json.dump({"Glyphsmith.Application": {
            "command": [sys.executable, os.path.join(HERE, "bitmap_collector.py"), "--out", out],
            "startWaitMs": 15000}}, f)
    os.environ["QUILLERY_AUTOMATION_REGISTRY"] = registry
    try:
        code, _, _, log, _ = proof.run_autocreate(autocreate, strokes, os.path.join(workdir, "collected.ttf"),
                                                   workdir, 600)
    finally:
        del os.environ["QUILLERY_AUTOMATION_REGISTRY"]
    if code != 0:
        sys.exit("collecting the bitmaps failed; see %s" % log)


def benchmark_bitmaps(autocreate, workdir, count):
    """The stroke files of count kanji in workdir/strokes and the bitmaps
    quillery-autocreate hands its editor for them in workdir/bitmaps; the
    folders and the kanji."""
    strokes = os.path.join(workdir, "strokes")
    bitmaps = os.path.join(workdir, "bitmaps")
    kanji = proof.select(proof.cp932_range(0x889F, 0x9872), count)
    proof.write_strokes(strokes, kanji, RECORDED_ON)
    proof.become_subreaper()
    collect_bitmaps(autocreate, strokes, bitmaps, workdir)
    return strokes, bitmaps, kanji


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def run_pipeline(bitmaps, ttf):
    """Wall time and CPU time (FontForge and every potrace it ran)."""
    cpu = children_cpu()
    started = time.monotonic()
    done = subprocess.run(["fontforge", "-quiet", "-lang=py", "-script", os.path.join(HERE, "fontforge_pipeline.py"),
                           bitmaps, ttf], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wall = time.monotonic() - started
    if done.returncode != 0 or not os.path.exists(ttf):
        sys.exit("the FontForge pipeline failed: %s" % done.stderr.decode("utf-8", "replace")[-2000:])
    return wall, children_cpu() - cpu


def run_ours(autocreate, strokes, ttf, workdir):
    if os.path.exists(ttf):
        os.unlink(ttf)
    code, wall, peaks, log, leftovers = proof.run_autocreate(autocreate, strokes, ttf, workdir, 600)
    if code != 0 or not os.path.exists(ttf) or any(status != 0 for _, status in leftovers):
        sys.exit("quillery-autocreate failed; see %s" % log)
    peak = {}
    for name, kib, _ in peaks.values():
        peak[name] = max(peak.get(name, 0), kib)
    return wall, sum(cpu for _, _, cpu in peaks.values()), peak


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build", help="the build folder with quillery-autocreate")
    parser.add_argument("--workdir", default=None, help="work folder (default: <build>/bench-compare)")
    parser.add_argument("--count", type=int, default=300, help="kanji to make")
    parser.add_argument("--rounds", type=int, default=3, help="runs of each, interleaved")
    parser.add_argument("--registry", help="an editor registration to measure instead of the build's own "
                        "(automation.json naming another server, to compare versions of the editor)")
    parser.add_argument("--json", help="also write the results to this file")
    args = parser.parse_args()

    autocreate = os.path.abspath(os.path.join(args.build, "quillery-autocreate"))
    workdir = os.path.abspath(args.workdir or os.path.join(args.build, "bench-compare"))
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    strokes, bitmaps, kanji = benchmark_bitmaps(autocreate, workdir, args.count)
    if args.registry:
        os.environ["QUILLERY_AUTOMATION_REGISTRY"] = os.path.abspath(args.registry)
    count = len(os.listdir(bitmaps))
    print("%d stroke files, %d bitmaps" % (len(kanji), count))

    runs = {"pipeline": [], "quillery": []}
    memory = []
    for round_ in range(args.rounds):
        # The order alternates, so that neither side always runs first.
        order = ("pipeline", "quillery") if round_ % 2 == 0 else ("quillery", "pipeline")
        for side in order:
            load = os.getloadavg()[0]
            if side == "pipeline":
                wall, cpu = run_pipeline(bitmaps, os.path.join(workdir, "pipeline.ttf"))
            else:
                wall, cpu, peaks = run_ours(autocreate, strokes, os.path.join(workdir, "quillery.ttf"), workdir)
                memory.append(peaks)
            runs[side].append({"wall": wall, "cpu": cpu, "load_before": load, "load_after": os.getloadavg()[0]})
            print("round %d %-8s %6.2f s  %5.1f characters/s  CPU %.2f s  load %.1f -> %.1f" %
                  (round_ + 1, side, wall, count / wall, cpu, load, os.getloadavg()[0]))

    summary = {"date": time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), "machine": machine(),
               "characters": count, "rounds": args.rounds}
    for side, results in runs.items():
        walls = [r["wall"] for r in results]
        summary[side] = {"best": min(walls), "median": statistics.median(walls), "walls": walls,
                         "cpu_median": statistics.median(r["cpu"] for r in results),
                         "loads": [(r["load_before"], r["load_after"]) for r in results]}
    summary["ratio_best"] = summary["pipeline"]["best"] / summary["quillery"]["best"]
    summary["ratio_median"] = summary["pipeline"]["median"] / summary["quillery"]["median"]
    summary["quillery_peak_kib"] = memory
    print("%s, %s" % (summary["date"], summary["machine"]))
    for side in runs:
        s = summary[side]
        print("%-8s best %.2f s (%.1f/s), median %.2f s (%.1f/s), CPU median %.2f s" %
              (side, s["best"], count / s["best"], s["median"], count / s["median"], s["cpu_median"]))
    print("pipeline time / quillery time: best %.2f, median %.2f" % (summary["ratio_best"], summary["ratio_median"]))
    print("peak memory of quillery's processes (KiB): %s" % memory[-1])
    if args.json:
        with open(args.json, "w") as f:
            json.dump(summary, f, indent=2)
    return 0


if __name__ == "__main__":
    sys.exit(main())
