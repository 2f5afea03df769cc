#!/usr/bin/env python3
"""The replay camera benchmark: a 2448 x 2048 Mono8 recording (100 dumps made
with vxcam grab --save) replayed from the page cache through the plug-in,
against reading and decoding the same files alone (vxcam_replay_read, the
same dump reader); and vxcam's resident memory replaying 1,000 and 10,000
frames (folders of hard links to the 100 dumps). Appends its section to
BENCHMARKS.md. Never fails on a number.

    bench_replay.py BUILD_DIR BENCHMARKS_MD
"""
import json
import os
import re
import shutil
import statistics
import subprocess
import sys

build, report = sys.argv[1], sys.argv[2]
bin_dir = os.path.join(build, "bin")
vxcam = os.path.join(bin_dir, "vxcam")
work = os.path.join(build, "replay-bench")
shutil.rmtree(work, ignore_errors=True)
os.makedirs(os.path.join(work, "rec"))
env = dict(os.environ, QT_LOGGING_RULES="*.debug=false")


def config(name, cameras):
    path = os.path.join(work, name)
    with open(path, "w") as f:
        json.dump({"cameras": cameras}, f)
    return path


def run_vxcam(cfg, *args):
    out = subprocess.run([vxcam, *args, "--quiet"], env=dict(env, VXCAM_SIM_CONFIG=cfg), check=True,
                         capture_output=True, text=True).stdout
    return float(re.search(r"fps=([\d.]+)", out).group(1))


source = config("source.json", [{"key": "Bench:BIG", "width": 2448, "height": 2048, "fps": 0}])
run_vxcam(source, "grab", "--camera", "Bench:BIG", "--frames", "100", "--save", os.path.join(work, "rec", "d_"))
dumps = sorted(os.listdir(os.path.join(work, "rec")), key=lambda n: int(re.search(r"_(\d+)\.bmp$", n).group(1)))
dumps = [os.path.join(work, "rec", n) for n in dumps]
file_list = "\n".join(dumps) + "\n"

# Rounds alternate so that the machine's load falls on both alike.
frames = 4000
replay = config("replay.json", [{"key": "Replay:BIG", "images": os.path.join(work, "rec"), "fps": 0}])
alone, plugin, ratios = [], [], []
for _ in range(9):
    out = subprocess.run([os.path.join(bin_dir, "vxcam_replay_read"), str(frames)], input=file_list, check=True,
                         capture_output=True, text=True).stdout
    alone.append(float(out.split("=")[1]))
    plugin.append(run_vxcam(replay, "grab", "--camera", "Replay:BIG", "--frames", str(frames)))
    ratios.append(plugin[-1] / alone[-1])

memory = {}
for count in (1000, 10000):
    folder = os.path.join(work, "links%d" % count)
    os.makedirs(folder)
    for n in range(1, count + 1):
        os.link(dumps[(n - 1) % len(dumps)], os.path.join(folder, "d_L_2026_01_01_00_00_00_000_%d.bmp" % n))
    cfg = config("links%d.json" % count, [{"key": "Replay:L", "images": folder, "fps": 0}])
    timed = subprocess.run(["/usr/bin/time", "-f", "%M", vxcam, "grab", "--camera", "Replay:L", "--frames",
                            str(count), "--seconds", "600", "--quiet"],
                           env=dict(env, VXCAM_SIM_CONFIG=cfg), check=True, capture_output=True, text=True)
    memory[count] = (int(timed.stderr.strip().splitlines()[-1]) / 1024,
                     float(re.search(r"fps=([\d.]+)", timed.stdout).group(1)))
shutil.rmtree(work, ignore_errors=True)

ratio = statistics.median(ratios)
load = " / ".join("%.2f" % x for x in os.getloadavg())
with open(report, "a") as f:
    f.write("\n## Replay cameras: a recording played through the plug-in\n\n")
    f.write("100 dumps of 2448 x 2048 Mono8 (5 MB each) made with `vxcam grab --save`, replayed from the page "
            "cache by a replay camera (`\"images\"`, `\"fps\": 0`, the default ring: 2 frames of this size) through the plug-in "
            "into `vxcam grab`, %d frames a round (%d times round the recording); baseline: the same files read "
            "and decoded by the same dump reader alone, one after the other (`vxcam_replay_read`). Load average "
            "after the run %s. Reproduce with `./scripts/bench.sh` (this section: `scripts/bench_replay.py`).\n\n"
            % (frames, frames // 100, load))
    f.write("| Measure | Plug-in | Baseline | Ratio | Goal | Met |\n|---|---|---|---|---|---|\n")
    f.write("| Replay, 2448 x 2048 Mono8 dumps from the page cache (fps) | %.0f | %.0f (read and decode alone) "
            "| %.3f (median of 9 rounds; range %.2f to %.2f) | >= 0.9 | %s |\n"
            % (statistics.median(plugin), statistics.median(alone), ratio, min(ratios), max(ratios),
               "yes" if ratio >= 0.9 else "**no**"))
    f.write("| Resident memory of vxcam replaying 1,000 frames (1,000 files) | %.0f MB | - | - | reported | - |\n"
            % memory[1000][0])
    f.write("| Resident memory of vxcam replaying 10,000 frames (10,000 files) | %.0f MB | %.0f MB (1,000) | "
            "%.2f | bounded by the ring, not the folder | %s |\n"
            % (memory[10000][0], memory[1000][0], memory[10000][0] / memory[1000][0],
               "yes" if memory[10000][0] < memory[1000][0] * 1.5 else "**no**"))
    f.write("\nThe 10,000 and 1,000 files are hard links to the 100 dumps (50 GB of distinct files would not "
            "fit the machine); every link is opened and read as a file of its own. Replay rates in those runs: "
            "%.0f and %.0f fps.\n" % (memory[1000][1], memory[10000][1]))
print(open(report).read().split("## Replay cameras")[-1])
