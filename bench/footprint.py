#!/usr/bin/python3
"""Footprint of the running program: start-up time, memory, CPU, threads and
open files while it sleeps between two ticks.

    bench/footprint.py [BUILD_DIR] [--runs 11] [--asleep 10]

BUILD_DIR (default build-rel) must hold bin/orvane and bin/orvane-db
(cmake --build BUILD_DIR --target orvane orvane-db). Each run copies the
program into a fresh directory with its own Sentrel.mdb and starts it on Qt's
offscreen platform; nothing in the program is changed or hooked.

Start-up is taken from /proc: the program works without a pause from exec
to its event loop (open and read Sentrel.mdb, close it, build and show the
main window), then sleeps until its first tick 65.5 s later. So start-up
ends at the last moment its threads were on a CPU before a quiet spell of
--quiet-ms (the CPU times of /proc/PID/task/*/schedstat, in nanoseconds,
polled every millisecond). The run checks that Sentrel.mdb is closed again
by then.

While asleep, over --asleep seconds: resident memory (VmRSS), CPU time and
the number of times any thread was scheduled (which is 0 for a program that
is truly asleep), threads and open files. /usr/bin/time gives the high-water
mark of the whole run.
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time


def cpu_of(pid):
    """Nanoseconds on a CPU and times scheduled, summed over the threads."""
    ns = slices = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                on_cpu, _waiting, timeslices = f.read().split()
        except (FileNotFoundError, ProcessLookupError):
            continue
        ns += int(on_cpu)
        slices += int(timeslices)
    return ns, slices


def status_kb(pid, field):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return -1


def open_files(pid):
    names = []
    for fd in os.listdir("/proc/%d/fd" % pid):
        try:
            names.append(os.readlink("/proc/%d/fd/%s" % (pid, fd)))
        except OSError:
            pass
    return names


def prepare(build, where):
    shutil.copy2(os.path.join(build, "bin", "orvane"), where)
    subprocess.run([os.path.join(build, "bin", "orvane-db"), "init", where], check=True,
                   stdout=subprocess.DEVNULL)


def environment(where):
    env = dict(os.environ)
    env["QT_QPA_PLATFORM"] = "offscreen"
    # As a desktop session has it: a private runtime directory.
    runtime = os.path.join(where, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env["XDG_RUNTIME_DIR"] = runtime
    return env


def start_up(build, quiet_ms):
    """One start; returns (seconds to idle, pid-less facts) and stops it."""
    with tempfile.TemporaryDirectory() as where:
        prepare(build, where)
        program = os.path.join(where, "orvane")
        started = time.perf_counter()
        proc = subprocess.Popen([program], cwd=where, env=environment(where), stdin=subprocess.DEVNULL)
        last_ns, _ = 0, 0
        last_change = started
        try:
            while True:
                now = time.perf_counter()
                if proc.poll() is not None:
                    raise RuntimeError("orvane ended during start-up (exit %s)" % proc.returncode)
                try:
                    ns, _ = cpu_of(proc.pid)
                except FileNotFoundError:
                    ns = last_ns
                if ns != last_ns:
                    last_ns, last_change = ns, now
                elif last_ns > 0 and (now - last_change) * 1000 >= quiet_ms:
                    break
                if now - started > 30:
                    raise RuntimeError("orvane never went quiet")
                time.sleep(0.001)
            database_open = any(n.endswith("Sentrel.mdb") for n in open_files(proc.pid))
            if database_open:
                raise RuntimeError("Sentrel.mdb still open after start-up")
            return last_change - started
        finally:
            proc.terminate()
            proc.wait()


def asleep(build, seconds, quiet_ms):
    with tempfile.TemporaryDirectory() as where:
        prepare(build, where)
        program = os.path.join(where, "orvane")
        timed = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", os.path.join(where, "time.txt"), program],
                                 cwd=where, env=environment(where), stdin=subprocess.DEVNULL)
        try:
            # /usr/bin/time's child is the program.
            pid = None
            deadline = time.perf_counter() + 10
            while pid is None and time.perf_counter() < deadline:
                try:
                    with open("/proc/%d/task/%d/children" % (timed.pid, timed.pid)) as f:
                        children = f.read().split()
                    pid = int(children[0]) if children else None
                except (FileNotFoundError, IndexError):
                    pid = None
                time.sleep(0.005)
            if pid is None:
                raise RuntimeError("orvane did not start")
            # Wait for the start-up to settle, as above.
            last, since = cpu_of(pid)[0], time.perf_counter()
            while (time.perf_counter() - since) * 1000 < quiet_ms:
                time.sleep(0.005)
                now_ns = cpu_of(pid)[0]
                if now_ns != last:
                    last, since = now_ns, time.perf_counter()
            ns0, slices0 = cpu_of(pid)
            threads0 = len(os.listdir("/proc/%d/task" % pid))
            files0 = open_files(pid)
            time.sleep(seconds)
            ns1, slices1 = cpu_of(pid)
            facts = {
                "rss_kb": status_kb(pid, "VmRSS"),
                "rss_anon_kb": status_kb(pid, "RssAnon"),
                "cpu_ms": (ns1 - ns0) / 1e6,
                "wakeups": slices1 - slices0,
                "threads": (threads0, len(os.listdir("/proc/%d/task" % pid))),
                "files": (len(files0), len(open_files(pid))),
                "file_names": sorted(open_files(pid)),
            }
        finally:
            if pid:
                os.kill(pid, signal.SIGTERM)
            timed.wait()
        with open(os.path.join(where, "time.txt")) as f:
            lines = f.read().split()
        facts["max_rss_kb"] = int(lines[-1]) if lines else -1
        return facts


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("build", nargs="?", default="build-rel")
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--asleep", type=float, default=10.0)
    parser.add_argument("--quiet-ms", type=int, default=300)
    args = parser.parse_args()

    for name in ("orvane", "orvane-db"):
        if not os.access(os.path.join(args.build, "bin", name), os.X_OK):
            sys.exit("%s/bin/%s is missing: cmake --build %s --target orvane orvane-db" % (args.build, name, args.build))

    times = [start_up(args.build, args.quiet_ms) for _ in range(args.runs)]
    print("start-up to the main window shown and idle: median %.1f ms (min %.1f, max %.1f, %d runs)"
          % (statistics.median(times) * 1e3, min(times) * 1e3, max(times) * 1e3, len(times)))

    f = asleep(args.build, args.asleep, args.quiet_ms)
    print("asleep: RSS %.1f MB (anonymous %.1f MB); high-water mark of the run %.1f MB (/usr/bin/time)"
          % (f["rss_kb"] / 1024, f["rss_anon_kb"] / 1024, f["max_rss_kb"] / 1024))
    print("asleep for %.0f s: CPU %.3f ms, scheduled %d times" % (args.asleep, f["cpu_ms"], f["wakeups"]))
    print("asleep: threads %d then %d, open files %d then %d" % (f["threads"] + f["files"]))
    for name in f["file_names"]:
        print("  open: %s" % name)


if __name__ == "__main__":
    main()
