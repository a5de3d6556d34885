#!/usr/bin/env python3
"""The core's own instructions per call, apart from the simulated platform's.

Wall times on a shared two-core machine move by a few per cent from run to
run, and they include the simulated platform the core runs on. Counted
instructions (valgrind's callgrind) do neither, so two builds' cores can be
compared exactly: for each benchmark, the instructions of its entry function
per call, less those spent in the simulated platform's functions (namespaces
vork::test and vork::bench) called from the core. The C library's memory and
string routines are counted by calls apart: their instructions depend on
where the bytes happen to lie (a compare near a page's end takes a slower
path), which moves with any change to what else the program allocates.
   bench/core_instructions.py BENCH_BINARY [BENCH_BINARY...]
"""
import os
import re
import subprocess
import sys
import tempfile

# benchmark filter → the core function each of its iterations calls once
CASES = {
    "Dispatch/table_key_vlc$": "vork::RemoteController::dispatch(",
    "KeySenderStrings$": "vork::KeySender::send(",
}
PLATFORM = re.compile(r"vork::(test|bench)::")
LIBC_BYTES = re.compile(r"(^|[:_])(mem(cmp|cpy|move|chr|set)|strlen)")
LINE = re.compile(r"^\s*([\d,]+) \([^)]*\)\s+([<*>])\s+\S*?:(.*?)(?: \((\d[\d,]*)x\))?(?: \[.*\])?$")


def annotate(binary, case):
    # Valgrind cannot read every compiler's DWARF; the symbol table is enough.
    with tempfile.TemporaryDirectory() as work:
        stripped = os.path.join(work, "bench")
        out = os.path.join(work, "callgrind.out")
        subprocess.run(["objcopy", "--strip-debug", binary, stripped], check=True)
        subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", stripped,
                        f"--benchmark_filter={case}", "--benchmark_min_time=0.5"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return subprocess.run(["callgrind_annotate", "--tree=caller", "--inclusive=yes", "--threshold=100", out],
                              check=True, capture_output=True, text=True).stdout


def is_core(name):
    return name.startswith("vork::") and not PLATFORM.search(name)


def count(report, entry):
    """(calls of entry, its instructions, the platform's instructions called from the core,
    the C library's byte routines' instructions and calls from the core)"""
    calls = entry_cost = platform = libc_cost = libc_calls = 0
    callers = []
    for line in report.splitlines():
        match = LINE.match(line)
        if not match:
            callers = [] if not line.strip() else callers
            continue
        cost, kind, name, times = int(match[1].replace(",", "")), match[2], match[3], match[4]
        if kind == "<":
            callers.append((cost, name, int(times.replace(",", "")) if times else 0))
        elif kind == "*":
            if name.startswith(entry):
                calls = sum(times for _, _, times in callers)
                entry_cost = sum(cost for cost, _, _ in callers)
            elif PLATFORM.search(name):
                platform += sum(cost for cost, caller, _ in callers if is_core(caller))
            elif LIBC_BYTES.search(name) and not name.startswith("vork::"):
                libc_cost += sum(cost for cost, caller, _ in callers if is_core(caller))
                libc_calls += sum(times for _, caller, times in callers if is_core(caller))
            callers = []
    return calls, entry_cost, platform, libc_cost, libc_calls


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    print("| Benchmark | build | instructions per call | the simulated platform's | "
          "the C library's byte routines' (calls) | the core's own |")
    print("|---|---|---|---|---|---|")
    for case, entry in CASES.items():
        for binary in sys.argv[1:]:
            calls, cost, platform, libc_cost, libc_calls = count(annotate(binary, case), entry)
            if calls == 0:
                sys.exit(f"{binary}: no call of {entry} seen in {case}")
            print(f"| {case.rstrip('$')} | {binary} | {cost / calls:.0f} | {platform / calls:.0f} | "
                  f"{libc_cost / calls:.0f} ({libc_calls / calls:.1f}) | {(cost - platform - libc_cost) / calls:.0f} |")


if __name__ == "__main__":
    main()
