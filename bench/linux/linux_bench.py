"""The Linux program's measurements against references built for them, run
by scripts/bench-linux inside a desktop session of its own (with a tray):
  - a phone's key to the recording window's KeyPress: vork-loopback (the
    phone trusted, a window Vork does not know in front, D:5 is a space)
    against vork-bare-xtest-relay, which reads the socket and calls XTest,
    and against the same relay reading on a thread of its own that wakes
    the injecting one (--hop), the hand-over any link thread costs, and
    against vork-bare-qt-relay, the same in a shown Qt window: read on a
    thread of its own and handed to the window's thread as Vork does, and
    read by the window's thread itself (--direct);
  - idle wake-ups (context switches) and resident memory of vork-loopback
    waiting for a phone with the browser remote on and no page, against
    vork-bare-tray-window, a bare Qt window with a tray icon;
  - start to a shown window, for both, taking turns.
Writes the Markdown section to OUT. ROUNDS is the keys each program takes
in each of the five rounds.
   linux_bench.py BUILD_FOLDER OUT [ROUNDS] [IDLE_SECONDS]
"""
import os
import socket
import statistics
import subprocess
import sys
import time

BUILD, OUT = sys.argv[1], sys.argv[2]
ROUNDS = int(sys.argv[3]) if len(sys.argv) > 3 else 40
IDLE = int(sys.argv[4]) if len(sys.argv) > 4 else 20
VORK = f"{BUILD}/src/vork-loopback"
RELAY = f"{BUILD}/bench/linux/vork-bare-xtest-relay"
QT_RELAY = f"{BUILD}/bench/linux/vork-bare-qt-relay"
BARE = f"{BUILD}/bench/linux/vork-bare-tray-window"
WATCH = f"{BUILD}/bench/linux/vork-window-watch"
RECORDER = f"{BUILD}/tests/linux/vork-x11-recorder"
READER = os.path.join(os.path.dirname(__file__), "..", "..", "tests", "linux", "window_reader.py")
RELAY_PORT = 5199
KEY_ROUNDS = 5


def recorder():
    window = subprocess.Popen([RECORDER, "Notes", "notes"], stdout=subprocess.PIPE, text=True,
                              env=dict(os.environ, VORK_RECORDER_TIMES="1"))
    assert window.stdout.readline().strip() == "READY"
    subprocess.run(["wmctrl", "-a", "Notes"], check=True)
    return window


def key_latencies(connection, window, login):
    """Milliseconds from each D:5 sent to the window's space KeyPress."""
    if login:
        connection.sendall(b"LOGIN:1Bench")
        connection.recv(64)
    latencies = []
    for _ in range(ROUNDS):
        sent = time.monotonic_ns()
        connection.sendall(b"D:5")
        while True:
            parts = window.stdout.readline().split()
            if parts[:2] == ["KEYDOWN", "space"]:
                latencies.append((int(parts[3]) - sent) / 1e6)
                break
        if login:
            connection.recv(64)  # the echo
        time.sleep(0.12)
    return latencies


def connect(port, seconds=10):
    deadline = time.time() + seconds
    while True:
        try:
            return socket.create_connection(("127.0.0.1", port))
        except OSError:
            if time.time() > deadline:
                raise
            time.sleep(0.1)


def wait_status(text):
    subprocess.run(["/usr/bin/python3", READER, "wait-status", text, "15000"], check=True)


def vork_latency():
    vork = subprocess.Popen([VORK], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_status("Waiting for phone to connect")
        first = connect(5150)
        first.sendall(b"LOGIN:1Bench")
        wait_status("Bench requesting connection.")
        subprocess.run(["/usr/bin/python3", READER, "press", "ACCEPT"], check=True)
        first.recv(64)
        first.close()
        wait_status("Waiting for phone to connect")
        window = recorder()
        try:
            with connect(5150) as phone:
                return key_latencies(phone, window, True)
        finally:
            window.kill()
    finally:
        vork.kill()
        vork.wait()


def relay_latency(*options, program=RELAY):
    relay = subprocess.Popen([program, str(RELAY_PORT), *options], stdout=subprocess.PIPE, text=True)
    try:
        assert relay.stdout.readline().strip() == "READY"
        window = recorder()
        try:
            with connect(RELAY_PORT) as phone:
                return key_latencies(phone, window, False)
        finally:
            window.kill()
    finally:
        relay.kill()
        relay.wait()


def proc_status(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            name, _, value = line.partition(":")
            fields[name] = value.strip()
    return fields


def started(command, title):
    """Seconds from the start to the window shown, and the process."""
    watch = subprocess.Popen([WATCH, title, "20000"], stdout=subprocess.PIPE, text=True)
    try:
        assert watch.stdout.readline().strip() == "READY"
        begun = time.monotonic()
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if watch.stdout.readline().strip() != "SHOWN":
            process.kill()
            raise RuntimeError(f"no window {title} within 20 s")
        return time.monotonic() - begun, process
    finally:
        watch.kill()
        watch.wait()


def start_times(commands):
    """For each (command, title), the median of five starts, the programs taking turns."""
    times = [[] for _ in commands]
    for _ in range(5):
        for index, (command, title) in enumerate(commands):
            seconds, process = started(command, title)
            times[index].append(seconds)
            process.kill()
            process.wait()
    return [statistics.median(each) for each in times]


def idle_and_memory(command, title):
    _, process = started(command, title)
    try:
        time.sleep(3)  # settled
        before = task_switches(process.pid)
        time.sleep(IDLE)
        switches = task_switches(process.pid) - before  # every thread's, not only the main one's
        threads = len(os.listdir(f"/proc/{process.pid}/task"))
        rss = int(proc_status(process.pid)["VmRSS"].split()[0]) / 1024
        return switches / IDLE, rss, threads
    finally:
        process.kill()
        process.wait()


def task_switches(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        fields = proc_status(f"{pid}/task/{task}")
        total += int(fields["voluntary_ctxt_switches"]) + int(fields["nonvoluntary_ctxt_switches"])
    return total


def verdict(met):
    return "met" if met else "missed"


def main():
    # The programs take turns, round after round, so that a slower spell of
    # the machine falls on all of them alike.
    vork_keys, bare_keys, hop_keys, qt_keys, qt_direct_keys = [], [], [], [], []
    for _ in range(KEY_ROUNDS):
        vork_keys += vork_latency()
        bare_keys += relay_latency()
        hop_keys += relay_latency("--hop")
        qt_keys += relay_latency(program=QT_RELAY)
        qt_direct_keys += relay_latency("--direct", program=QT_RELAY)
    vork_program, bare_program = ([VORK, "--web=8657"], "Pellandra v1.2"), ([BARE], "Bare tray window")
    vork_start, bare_start = start_times([vork_program, bare_program])
    vork_idle = (vork_start, *idle_and_memory(*vork_program))
    bare_idle = (bare_start, *idle_and_memory(*bare_program))
    median = statistics.median
    with open(OUT, "w") as out:
        out.write(f"""## The Linux program

One run of `scripts/bench-linux` on this machine: Xvfb with openbox, trayer
as the tray, PulseAudio; each figure against a reference built for it
(`bench/linux/`).

| What | Vork | Reference | Ratio |
|---|---|---|---|
| A phone's key to the window's KeyPress, median of {KEY_ROUNDS * ROUNDS} in {KEY_ROUNDS} rounds taken in turn (ms) | {median(vork_keys):.2f} | {median(bare_keys):.2f} (socket to XTest) | {median(vork_keys) / median(bare_keys):.2f} |
| The same, slowest (ms) | {max(vork_keys):.2f} | {max(bare_keys):.2f} | |
| The same reference with a thread hop, median (ms) | | {median(hop_keys):.2f} (socket, eventfd, XTest) | {median(vork_keys) / median(hop_keys):.2f} |
| The same in a shown Qt window, handed to its thread as Vork does, median (ms) | | {median(qt_keys):.2f} (socket, queued call, XTest) | {median(vork_keys) / median(qt_keys):.2f} |
| The same Qt window reading the socket itself, median (ms) | | {median(qt_direct_keys):.2f} (socket notifier, XTest) | {median(vork_keys) / median(qt_direct_keys):.2f} |
| Idle wake-ups (context switches of all its threads) a second, waiting for a phone, browser remote on, no page | {vork_idle[1]:.1f} | {bare_idle[1]:.1f} (a bare Qt window with a tray icon) | |
| Resident memory (MiB) | {vork_idle[2]:.1f} | {bare_idle[2]:.1f} | {vork_idle[2] / bare_idle[2]:.2f} |
| Start to a shown window, median of 5 taken in turn (s) | {vork_idle[0]:.3f} | {bare_idle[0]:.3f} | {vork_idle[0] / bare_idle[0]:.2f} |
| Threads | {vork_idle[3]} | {bare_idle[3]} | |

Goals: the key within 1.1x of the reference ({verdict(median(vork_keys) <= 1.1 * median(bare_keys))}); idle
wake-ups no more than the bare window's ({verdict(vork_idle[1] <= bare_idle[1])}); memory within 1.5x
({verdict(vork_idle[2] <= 1.5 * bare_idle[2])}); start within 1.5x ({verdict(vork_idle[0] <= 1.5 * bare_idle[0])}).
A start is timed from the launch to the X server's notice that the window is shown (`vork-window-watch`),
which a poll with a program of its own per look would blur by its own start-up.
Of the key's extra {median(vork_keys) - median(bare_keys):.2f} ms, the bare relay with a thread hop spends
{median(hop_keys) - median(bare_keys):.2f} ms on the hand-over alone; the same relay in a shown Qt window spends
{median(qt_keys) - median(bare_keys):.2f} ms on Qt's event loop between the link thread and XTest, which any Qt
program of this shape pays ({median(qt_direct_keys) - median(bare_keys):.2f} ms when the window's thread reads the
socket itself); Vork's key took {median(vork_keys) / median(qt_keys):.2f}x that Qt window's time, the rest being
Vork's own work for a key.
Looked at once with timestamps at four points (by hand, not part of this script; 40 keys, medians):
the phone's send to the listener's read 123 µs, the listener's work up to waking the window's thread
9 µs, that thread's wake-up 74 µs, its work up to XTest 50 µs, XTest to the window's KeyPress 253 µs.
Vork's wake-up is Qt's event loop, woken while the listener still sends the echo; the window thread's
work is code gone cold in 120 ms of idle (the core's own work for a key, warm, is a fraction of a
microsecond: the benchmarks above). What helped, measured while building it: keeping the client list,
the active window and each window's class and title from the X server's change notices instead of
asking for them on every key (1.37 ms before, 0.55 ms with all but the titles). Tried: Qt's plain
Unix event loop instead of GLib's (`QT_NO_GLIB=1`), two rounds of 40 keys each way in one session:
0.48 and 0.46 ms against 0.45 and 0.50 ms, no gain; the reference took 0.33 and 0.30 ms. Reading the X
socket for those notices at most once a millisecond instead of once per question (27 system calls a
key before, one after), four rounds of 40 keys each way in one session: 0.45 to 0.50 ms before, 0.46
to 0.49 ms after, within the spread; kept, as it costs nothing. Tried, in a measurement build not kept: the key's whole work done on the
link thread, without the hand-over to the window's thread; three rounds of 40 keys in one session took
0.47 to 0.53 ms, against Vork's 0.54 to 0.67 ms and the bare relay's 0.40 to 0.49 ms in the same rounds:
about 1.2x the reference, still over the goal. Its sound form (the core's state, which the window's
thread owns today, shared by the links and the window under one lock, every change to the window queued
to its thread, on both desktops) was therefore not built. Looked at again with timestamps (by hand, three
rounds of 40 keys each way): the window's thread woke 87 µs after the listener's wake-up call, which then
sends the phone's echo on the same core; with the listener yielding the core first, 50 µs, and the whole
key 437 against 412 µs, within the spread; not kept. The window's work before XTest was 26 µs (which map
is in force: the window in front) and 9 µs (the keys).
""")
    print(open(OUT).read())


main()
