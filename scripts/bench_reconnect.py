#!/usr/bin/env python3
"""Time from a GigE Vision camera's return to its first frame with `vxcam grab --reconnect`.

Runs inside a private network namespace that holds only loopback (scripts/bench_aravis.sh
starts it there): starts Aravis's GigE Vision fake at 127.0.0.1, runs vxcam on it with
--reconnect, then kills the fake and starts it again CYCLES times, OFF_SECONDS switched off
each time. "Return" is the moment the fake is started again (it answers within
milliseconds); "first frame" is the first frame line in the SDK's call trace after it.
Prints a Markdown subsection for BENCHMARKS.md.

It checks that it measured what it means to, and fails (status 1, a line saying why) when not:
no camera may answer at 127.0.0.1 before its own fake starts (one left running by an earlier step
would keep streaming through every "power cut"); after each kill the frames must stop (the killed
fake was the one streaming); and vxcam's summary must end with reconnects= equal to the cycles.

    bench_reconnect.py BUILD_DIR CYCLES OFF_SECONDS [OFF_SECONDS ...]
"""
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time


def start_fake():
    return subprocess.Popen(['arv-fake-gv-camera-0.8', '-i', '127.0.0.1', '-s', 'GV01'],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def answers(address):
    # arv-tool exits with 0 also when it cannot connect: its output tells.
    tool = subprocess.run(['arv-tool-0.8', '-a', address, 'control', 'DeviceModelName'],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return tool.stdout.startswith('DeviceModelName = ')


def frames(trace):
    try:
        with open(trace) as f:
            return f.read().count('\nframe ')
    except FileNotFoundError:
        return 0


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(0.001)
    return False


def stopped(trace, quiet_seconds, within):
    """Whether the frames stop: none for quiet_seconds, within `within` seconds."""
    end = time.monotonic() + within
    while time.monotonic() < end:
        count = frames(trace)
        time.sleep(quiet_seconds)
        if frames(trace) == count:
            return True
    return False


def measure(build, cycles, off, folder):
    trace = os.path.join(folder, 'trace-%g.txt' % off)
    if answers('127.0.0.1'):
        raise RuntimeError('a camera already answers at 127.0.0.1 (a fake left running?)')
    env = dict(os.environ, VXCAM_SDK_BACKEND='aravis', VXCAM_ARAVIS_DEVICES='127.0.0.1',
               VXCAM_SIM_TRACE=trace)
    fake = start_fake()
    time.sleep(1.0)
    tool = subprocess.Popen([os.path.join(build, 'bin', 'vxcam'), 'grab', '--camera', 'Aravis-Fake-GV01',
                             '--frames', '1000000', '--seconds', str(cycles * (off + 20) + 10),
                             '--reconnect', '--quiet'],
                            env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    results = []
    try:
        for _ in range(cycles):
            before = frames(trace)
            if not wait_for(lambda: frames(trace) >= before + 10, 30):
                raise RuntimeError('no frames from the camera')
            killed = time.monotonic()
            fake.kill()
            fake.wait()
            if not stopped(trace, 0.5, off + 5):
                raise RuntimeError('frames go on after the fake was killed: it was not the camera streaming')
            time.sleep(max(0.0, off - (time.monotonic() - killed)))
            before = frames(trace)
            back = time.monotonic()
            fake = start_fake()
            if not wait_for(lambda: frames(trace) > before, 60):
                raise RuntimeError('no frame after the camera came back')
            results.append(time.monotonic() - back)
    finally:
        tool.terminate()
        summary, _ = tool.communicate()
        fake.kill()
        fake.wait()
    summary = summary.strip()
    reconnects = re.search(r' reconnects=(\d+)', summary)
    if not reconnects or int(reconnects.group(1)) != cycles:
        raise RuntimeError('%d cycles, but vxcam says: %s' % (cycles, summary or '(no summary)'))
    return results, summary


def main():
    build, cycles, offs = sys.argv[1], int(sys.argv[2]), [float(a) for a in sys.argv[3:]]
    print('### Time from a camera\'s return to its first frame\n')
    print('`vxcam grab --reconnect` on the GigE Vision fake at 127.0.0.1 (opened by address), written by '
          '`scripts/bench_reconnect.py`: the fake is killed, left off, and started again at the same address; '
          'the time runs from its start to the first frame in the SDK\'s call trace after it. Aravis reports a '
          'silent camera lost about 2 to 6 s into the silence; a shorter power cut is noticed only at the '
          'camera\'s return.\n')
    print('| Switched off | Cycles | Median (s) | Range (s) |')
    print('|---|---|---|---|')
    with tempfile.TemporaryDirectory() as folder:
        for off in offs:
            try:
                results, summary = measure(build, cycles, off, folder)
            except RuntimeError as error:
                sys.stderr.write('bench_reconnect.py: %s\n' % error)
                sys.exit(1)
            print('| %g s | %d | %.2f | %.2f to %.2f |' % (off, len(results), statistics.median(results),
                                                         min(results), max(results)))
            sys.stderr.write(summary + '\n')
    load = os.getloadavg()
    print('\nLoad average after the cycles: %.2f / %.2f / %.2f (1 / 5 / 15 min).' % load)


if __name__ == '__main__':
    main()
