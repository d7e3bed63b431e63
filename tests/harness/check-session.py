#!/usr/bin/env python3
"""Fails when a Windows test pays for more than its own work.

Starts a new Wine session the way the tests' fixture does, then runs a unit test through the
wrapper CTest uses, twice, reading its output through pipes as CTest does. Each program's
output must end when the program does (no process of the session may hold it), and the first
unit test of the new session may take only a few seconds more than GoogleTest says it worked.

Usage: check-session.py <source root> <build directory> <unit test program>
"""
import os
import re
import select
import subprocess
import sys
import time

# Loading a program under Wine on a busy machine, not a session's start-up.
SLACK_S = 5.0
# How long a program's output may stay open after it ended, and how long anything may run.
CLOSE_S = 5.0
LIMIT_S = 240.0


def holders(pipes):
    """The processes that hold any of the pipes, for the message."""
    names = {"pipe:[%d]" % os.fstat(pipe.fileno()).st_ino for pipe in pipes}
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            links = {os.readlink("/proc/%s/fd/%s" % (pid, fd))
                     for fd in os.listdir("/proc/%s/fd" % pid)}
            if links & names and pid != str(os.getpid()):
                with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                    found.append(cmdline.read().replace(b"\0", b" ").decode(errors="replace").strip())
        except OSError:
            pass
    return found


def run(command, cwd):
    """Runs command with its output in pipes: (output, seconds to its end, seconds to the end
    of its output or None when that did not come)."""
    start = time.monotonic()
    process = subprocess.Popen(command, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    pipes = [process.stdout, process.stderr]
    output = b""
    ended = closed = None
    while time.monotonic() - start < LIMIT_S:
        if ended is None and process.poll() is not None:
            ended = time.monotonic() - start
        if not pipes:
            closed = time.monotonic() - start
            break
        if ended is not None and time.monotonic() - start > ended + CLOSE_S:
            break
        for pipe in select.select(pipes, [], [], 0.1)[0]:
            data = os.read(pipe.fileno(), 65536)
            output += data
            if not data:
                pipes.remove(pipe)
    held = holders(pipes) if pipes else []
    if ended is None:
        # The output may close just before the program ends.
        try:
            process.wait(timeout=CLOSE_S)
            ended = time.monotonic() - start
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    return output.decode(errors="replace"), ended, closed, held


def main():
    root, build, program = sys.argv[1:4]
    scripts = os.path.join(root, "scripts")
    failures = []

    def check(what, command):
        output, ended, closed, held = run(command, build)
        if ended is None:
            failures.append("%s did not end within %d s" % (what, LIMIT_S))
        elif closed is None:
            failures.append("%s ended after %.1f s, but its output stayed open, held by: %s"
                            % (what, ended, "; ".join(held) or "nobody found"))
        return output, closed

    subprocess.run(["bash", "-c", '. "$0/wine-env.sh" "$1" && { wineserver -k || true; }',
                    scripts, build], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=LIMIT_S)
    _, started = check("Starting the session", [os.path.join(scripts, "wine-session.sh"),
                                                "start", build])
    overheads = []
    for turn in ("first", "second"):
        output, wall = check("The %s unit test of the session" % turn,
                             [os.path.join(scripts, "wine-run.sh"), program])
        total = re.search(r"\((\d+) ms total\)", output)
        if wall is None:
            continue
        if "[  PASSED  ]" not in output or total is None:
            failures.append("The %s unit test did not pass:\n%s" % (turn, output))
            continue
        overhead = wall - int(total.group(1)) / 1000.0
        overheads.append(overhead)
        print("%s unit test: %.1f s in all, %s ms by its own count" % (turn, wall, total.group(1)))
    if started is not None:
        print("session started in %.1f s" % started)
    if overheads and overheads[0] > SLACK_S:
        failures.append("The first unit test of a new session took %.1f s more than its own work "
                        "(at most %.0f s)" % (overheads[0], SLACK_S))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
