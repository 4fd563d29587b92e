"""Figures we keep: the size of each deliverable, whether two builds in different folders are
identical, the wall time of each end-to-end flow against the pauses the product must make and
a start-up floor, and fuzzing runs. Prints them; asserts nothing."""
import bisect
import glob
import json
import collections
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from bench import session  # noqa: E402
from bench.session import Session  # noqa: E402
from bench.flows import install  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
MEDIA = os.path.join(ROOT, "build", "media")
FUZZ_SECONDS = int(os.environ.get("KYR_FUZZ_SECONDS", "30"))


# Ceilings the deliverables are kept under (static runtime, nothing but Windows' own DLLs).
# The 64-bit programs have the same ceilings: measured at 125952 (installer), 96768
# (uninstaller) and 36352 bytes (plug-in), against 32-bit ones of about the same size.
CEILINGS = {"KYRPOS730_Installer.exe": 128 * 1024, "KYRPOS730_Uninstaller.exe": 128 * 1024,
            "driver2k/UI730.DLL": 96 * 1024, "x64/KYRPOS730_Installer.exe": 128 * 1024,
            "x64/KYRPOS730_Uninstaller.exe": 128 * 1024, "driverx64/UI730.DLL": 96 * 1024}
SHIPPED = ("KYRPOS730_Installer.exe", "KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll",
           "driver2k/UI730.DLL")
SHIPPED64 = ("x64/KYRPOS730_Installer.exe", "x64/KYRPOS730_Uninstaller.exe", "x64/Unhook_A.dll",
             "x64/Unhook_B.dll", "driverx64/UI730.DLL")
# Every module that makes the product's pauses (Sleep calls) during a flow.
PRODUCT_MODULES = "KYRPOS730_Installer.exe;KYRPOS730_Uninstaller.exe;Unhook_A.dll;Unhook_B.dll"
FLOOR = "KYR start-up floor"


def sizes():
    print("== Deliverable sizes")
    for name in SHIPPED + SHIPPED64:
        path = os.path.join(MEDIA, name)
        if not os.path.exists(path):
            print("  %-28s not built" % name)
            continue
        size = os.path.getsize(path)
        ceiling = CEILINGS.get(name)
        note = "" if not ceiling else "  (ceiling %d, %s)" % (ceiling, "within" if size <= ceiling else "OVER")
        print("  %-28s %8d bytes%s" % (name, size, note))


def reproducibility():
    """Builds the shipped binaries twice, from copies of the tree in two different folders,
    and compares the files byte for byte."""
    print("== Byte-for-byte rebuild (two folders)")
    files = subprocess.run(["git", "-C", ROOT, "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                           capture_output=True, check=True).stdout.decode().split("\0")
    for toolchain, shipped in (("i686", SHIPPED), ("x86_64", SHIPPED64)):
        rebuild(files, toolchain, shipped)


def rebuild(files, toolchain, shipped):
    work = tempfile.mkdtemp(prefix="kyr-rebuild-")
    digests = []
    try:
        for folder in ("first", "second/deeper"):
            source = os.path.join(work, folder, "src")
            for rel in files:
                if rel and os.path.isfile(os.path.join(ROOT, rel)):
                    os.makedirs(os.path.dirname(os.path.join(source, rel)), exist_ok=True)
                    shutil.copy2(os.path.join(ROOT, rel), os.path.join(source, rel))
            tree = os.path.join(work, folder, "out")
            subprocess.run(["cmake", "-S", source, "-B", tree, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                            "-DCMAKE_TOOLCHAIN_FILE=%s/cmake/toolchain-%s-mingw-win32.cmake" % (source, toolchain)],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["cmake", "--build", tree, "-j", os.environ.get("KYR_JOBS", "2"), "--target",
                            "KYRPOS730_Installer", "KYRPOS730_Uninstaller", "Unhook_A", "Unhook_B", "UI730"],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            found = {}
            for name in shipped:
                with open(os.path.join(tree, "bin", os.path.basename(name)), "rb") as f:
                    found[name] = hashlib.sha256(f.read()).hexdigest()
            digests.append(found)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for name in shipped:
        a, b = digests[0][name], digests[1][name]
        print("  %-28s %s  %s" % (name, "identical" if a == b else "DIFFERENT", a[:16] if a == b else a[:16] + " / " + b[:16]))


def trace_pauses(win):
    """From now on, every Sleep the product's programs and modules make is logged by Wine
    (relay tracing of that one function, from those modules only)."""
    key = "HKCU\\Software\\Wine\\Debug"
    win.tool("reg", "add", key, "/v", "RelayInclude", "/d", "KERNEL32.Sleep;KERNELBASE.Sleep", "/f")
    win.tool("reg", "add", key, "/v", "RelayFromInclude", "/d", PRODUCT_MODULES, "/f")
    win.program_env["WINEDEBUG"] = "+relay"
    shutil.copy2(os.path.join(session.TOOLS, "startup_floor.exe"), win.path("C:\\bench"))


def log_size(win):
    path = os.path.join(win.out, "program.log")
    return os.path.getsize(path) if os.path.exists(path) else 0


def pauses_since(win, offset):
    """Seconds of Sleep the product asked for since the log had that size."""
    with open(os.path.join(win.out, "program.log"), "rb") as f:
        f.seek(offset)
        text = f.read().decode("latin-1")
    return sum(int(ms, 16) for ms in re.findall(r"Call KERNEL(?:32|BASE)\.Sleep\(([0-9a-fA-F]+)\)", text)) / 1000.0


def floor(win, runs=3):
    """Median wall time of starting, showing and ending a trivial dialog program."""
    times = []
    for _ in range(runs):
        run = win.run("C:\\bench\\startup_floor.exe", ['wait "%s" 30000' % FLOOR, "click 1",
                                                        'gone "%s" 30000' % FLOOR], cwd="C:\\bench")
        times.append(run.elapsed)
    return sorted(times)[len(times) // 2]


def measured(win, title, start_floor, action):
    offset = log_size(win)
    run = action()
    pauses = pauses_since(win, offset)
    own = run.elapsed - pauses - start_floor
    share = "%5.0f %%" % (100.0 * own / pauses) if pauses else "    -  "
    print("  %-38s %6.2f  %6.2f  %5.2f  %6.2f  %s   (exit %d)" %
          (title, run.elapsed, pauses, start_floor, own, share, run.exit_code))


def uninstall_all(win):
    return win.run("C:\\windows\\KYR-730\\KYRPOS730_Uninstaller.exe", [
        'wait "KYR POS 730 uninstaller" 30000', "itemclick 1006 0", "itemclick 1006 1", "sleep 200",
        "click 1001", "box No 60000", 'gone "KYR POS 730 uninstaller" 30000'], cwd="C:\\windows\\KYR-730")


def flows():
    print("== End-to-end flows, seconds")
    print("   wall: the program's start to its end, the bench answering at once; pauses: the Sleep calls")
    print("   the product's programs and modules made in it (counted by Wine); floor: a trivial dialog")
    print("   program started, shown and ended through the same bench; own: wall - pauses - floor")
    print("  %-38s %6s  %6s  %5s  %6s  %s" % ("flow", "wall", "pauses", "floor", "own", "own/pauses"))
    with Session("figures-nt", "winxp") as win:
        trace_pauses(win)
        base = floor(win)
        measured(win, "fresh NT install, LPT1", base, lambda: install(win, "LPT1", answers=["No"]))
        measured(win, "added printer (LPT2), driver present", base, lambda: install(win, "LPT2"))
        measured(win, "full removal, two printers", base, lambda: uninstall_all(win))
    with Session("figures-usb", "winxp") as win:
        trace_pauses(win)
        base = floor(win)
        measured(win, "fresh NT install, USB", base, lambda: install(win, "USB", answers=["OK"]))
    with Session("figures-x64", "win10", bits=64) as win:
        trace_pauses(win)
        base = floor(win)
        # The 32-bit front's start and the 64-bit program's are both in the wall time.
        measured(win, "fresh x64 install (win10 64-bit), LPT1", base, lambda: install(win, "LPT1", answers=["No"]))
    with Session("figures-9x", "win98") as win:
        trace_pauses(win)
        base = floor(win)
        measured(win, "fresh 9x install (win98), LPT1", base, lambda: install(win, "LPT1", answers=["No"]))


def fault_matrix():
    """The last whole fault matrix of each flow, as test_fault_matrix.FullMatrix wrote it: per
    flow and family the calls the clean run makes, how many of them some row failed, and the
    rows held."""
    path = os.path.join(session.OUT_DIR, "fault-matrix.txt")
    print("== Fault matrix (KYR_FAULTS_FULL=1 ctest -L faults-full; last whole run of each flow)")
    if not os.path.exists(path):
        print("  not run")
        return
    # Rows name their flow: flows run side by side (KYR_FAULTS_FLOWS) share the file.
    flows, running = {}, {}
    with open(path) as f:
        for line in f:
            words = line.split()
            if line.startswith("# run "):
                name, kind = words[2], words[3]
                running[name] = {"calls": {}, "rows": [], "struck": {}} if kind == "full" else None
                if running[name] is not None:
                    flows[name] = running[name]
            elif line.startswith("# calls ") and running.get(words[2]) is not None:
                running[words[2]]["calls"][words[3]] = int(words[4])
            elif line.startswith("# end ") and running.get(words[2]) is not None:
                running[words[2]]["wall"] = words[3]
            elif not line.startswith("#") and running.get(line.split("|")[0]) is not None:
                row = line.rstrip("\n").split("|")
                running[row[0]]["rows"].append(row)
    print("  %-28s %-15s %6s %7s %6s %6s" % ("flow / family", "", "calls", "failed", "rows", "held"))
    for name, flow in flows.items():
        print("  %-44s %s s" % (name, flow.get("wall", "-")))
        # A row strikes every call its fault reached (site#number of the calls of its name),
        # whatever the family it was listed under: a call of two families (a removal module's
        # load is a module load too) counts as failed in both.
        struck = collections.Counter()
        for s_ in {s for r in flow["rows"] for s in (r[9].split(",") if len(r) > 9 and r[9] else [])}:
            struck[s_.split("#")[0]] += 1
        sites = family_sites(name)
        for family, count in flow["calls"].items():
            rows = [r for r in flow["rows"] if r[3] == family]
            at = sites.get(family)
            if at is None:
                failed = min(sum(struck.values()), count)
            else:
                failed = sum(min(n, struck[site]) for site, n in at.items())
            print("    %-40s %6d %7d %6d %6d" % (family, count, failed, len(rows),
                                               sum(1 for r in rows if r[5] == "held")))
        for r in flow["rows"]:
            if r[5] != "held":
                print("    failed: %s (%s) %s: %s" % (r[1], r[2], r[4], r[8].strip()[:160]))
    platform_sites_failed([r for flow in flows.values() for r in flow["rows"]])


def family_sites(flow):
    """{family: {site: calls the clean run makes there}} from the flow's kept states."""
    path = os.path.join(session.OUT_DIR, "fault-matrix-states", flow + ".json")
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        calls = json.load(f)["calls"]
    out = {}
    for site, _n, _name, families, _result, _detail in calls:
        for family in families:
            out.setdefault(family, collections.Counter())[site] += 1
    return out


# The platform's services the shipped modules call (not their windows and drawing, nor the C
# runtime), but for the calls that cannot fail in a way the program could meet.
SERVICE_DLLS = ("kernel32.dll", "advapi32.dll", "winspool.drv", "setupapi.dll", "version.dll", "shlwapi.dll")
CANNOT_FAIL = {"GetLastError", "SetLastError", "InitializeCriticalSection", "EnterCriticalSection",
               "LeaveCriticalSection", "DeleteCriticalSection", "TlsGetValue", "GetCurrentProcess",
               "GetCurrentProcessId", "GetCurrentThreadId", "GetProcessHeap", "HeapFree", "GlobalFree", "LocalFree",
               "GlobalLock", "GlobalUnlock", "GlobalHandle", "lstrcmpiA", "lstrcpynA", "lstrcpynW", "lstrlenA",
               "IsDBCSLeadByte", "CompareStringA", "StrStrA", "CloseHandle", "FindClose", "RegCloseKey",
               "VirtualProtect", "VirtualQuery", "SetUnhandledExceptionFilter", "GetStartupInfoA", "ExitProcess",
               "GetModuleHandleA", "MultiByteToWideChar", "WideCharToMultiByte", "Sleep", "GetTickCount",
               "SetFilePointer", "ResumeThread", "FreeLibrary"}
SHIPPED_32 = ("KYRPOS730_Installer.exe", "KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll", "UI730.DLL")


def imported_slots(path):
    """{address of the import slot: name} of a 32-bit module's service imports."""
    text = subprocess.run(["i686-w64-mingw32-objdump", "-p", path], capture_output=True, text=True).stdout
    base = int(re.search(r"ImageBase\s+([0-9a-f]+)", text).group(1), 16)
    slots = {}
    for block in re.split(r"\n\s*DLL Name: ", text)[1:]:
        dll = block.split()[0].lower()
        # The block's header (the line before it) names its first slot, the last column.
        names = re.findall(r"^\t[0-9a-f]+\t\s*\d+\s+(\w+)", block.split("\n\n")[0], re.M)
        first = int(re.findall(r"^\s*[0-9a-f]{8}\t[0-9a-f]{8} [0-9a-f]{8} [0-9a-f]{8} [0-9a-f]{8} ([0-9a-f]{8})",
                               text[:text.index("DLL Name: " + block.split()[0])], re.M)[-1], 16)
        if dll in SERVICE_DLLS:
            for i, name in enumerate(names):
                if name not in CANNOT_FAIL:
                    slots[base + first + 4 * i] = name
    return base, slots


def call_sites(path):
    """[(site as the injector names it, call, return address)] of a module: every call of a
    service import, direct, through its jump stub or through a register loaded from its slot."""
    base, slots = imported_slots(path)
    listing = subprocess.run(["i686-w64-mingw32-objdump", "-d", "--no-show-raw-insn", path], capture_output=True,
                             text=True).stdout
    code = [(int(a, 16), rest.strip()) for a, rest in re.findall(r"^\s*([0-9a-f]+):\t(.*)$", listing, re.M)]
    stubs = {a: slots[int(m.group(1), 16)] for a, ins in code
             for m in [re.match(r"jmp\s+\*0x([0-9a-f]+)$", ins)] if m and int(m.group(1), 16) in slots}
    sites, loaded = [], {}
    name = os.path.basename(path)
    for (address, ins), (following, _) in zip(code, code[1:]):
        called = None
        m = re.match(r"mov\s+0x([0-9a-f]+),%(\w+)$", ins)
        if m:
            loaded[m.group(2)] = slots.get(int(m.group(1), 16))
        elif ins.startswith("ret"):
            loaded = {}
        elif ins.startswith("call"):
            target = ins.split(None, 1)[1] if " " in ins else ""
            if re.match(r"\*0x[0-9a-f]+$", target):
                called = slots.get(int(target[3:], 16))
            elif re.match(r"\*%\w+$", target):
                called = loaded.get(target[2:])
            elif re.match(r"[0-9a-f]+", target):
                called = stubs.get(int(target.split()[0], 16))
        if called:
            sites.append(("%s+0x%x" % (name, following - base), called, following))
    return sites


def functions_of(path):
    """[(start, end, function, ours)] of a 32-bit module, from the linker's map beside the build
    (the shipped file has no symbols). ours: the code came from one of our objects, which the
    map names relative to the build tree; the runtime's come from the toolchain's folders."""
    sections, symbols, pending = [], [], None
    with open(os.path.join(os.path.dirname(os.path.dirname(path)), "maps", os.path.basename(path) + ".map")) as f:
        for line in f:
            # An input section: " .text$name 0xaddr 0xsize object", the rest on the next line
            # when the name is long; the global functions in it follow as "   0xaddr   name".
            m = re.match(r"^ (\.text\S*)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
            if m and (m.group(1) or pending):
                start, size = int(m.group(2), 16), int(m.group(3), 16)
                if size:
                    sections.append((start, start + size, m.group(1) or pending, not m.group(4).startswith("/")))
                pending = None
                continue
            m = re.match(r"^ (\.text\S*)\s*$", line)
            pending = m.group(1) if m else None
            m = re.match(r"^\s{16}0x([0-9a-f]+)\s+(\S.*)$", line)
            if m:
                symbols.append((int(m.group(1), 16), m.group(2).split("(")[0]))
    # Our code is built one function to a section, named after it: the name holds for the
    # functions the map does not list (those local to a file). The runtime's share sections.
    mangled = [s[2].split("$", 1)[1] for s in sections if "$" in s[2]]
    plain = dict(zip(mangled, subprocess.run(["c++filt"], input="\n".join(mangled), capture_output=True,
                                             text=True).stdout.split("\n")))
    out = []
    for start, end, name, ours in sections:
        if "$" in name:
            function = plain.get(name.split("$", 1)[1], name).replace("(anonymous namespace)::", "")
            out.append((start, end, function.split("(")[0], ours))
            continue
        inside = sorted(a for a in symbols if start <= a[0] < end)
        for i, (at, symbol) in enumerate(inside):
            out.append((at, inside[i + 1][0] if i + 1 < len(inside) else end, symbol, ours))
    return sorted(out)


def platform_sites_failed(rows):
    """The share of the shipped 32-bit modules' platform call sites some row of the matrix
    failed, read from the build; and the functions whose calls no row failed."""
    struck = {s.split("#")[0].lower() for r in rows if len(r) > 9 for s in r[9].split(",") if s}
    total, failed, runtime, missed = 0, 0, 0, {}
    for module in SHIPPED_32:
        path = os.path.join(session.BUILD, "win", "bin", module)
        functions = functions_of(path)
        starts = [f[0] for f in functions]
        for site, call, returned_to in call_sites(path):
            # The site is the return address: the call itself is the byte before it.
            at = returned_to - 1
            i = bisect.bisect_right(starts, at) - 1
            function = functions[i] if i >= 0 and at < functions[i][1] else (0, 0, "?", True)
            if not function[3]:
                # The runtime's start-up: libgcc's frame registration loads and binds only
                # when a libgcc DLL is already in the process, which none of ours ever has.
                runtime += 1
                continue
            total += 1
            if site.lower() in struck:
                failed += 1
            else:
                missed.setdefault("%s %s" % (module, function[2]), []).append(call)
    print("  platform call sites of the shipped 32-bit modules: %d, failed by some row: %d (%.0f%%);"
          " the C runtime's own, not counted: %d" % (total, failed, 100.0 * failed / max(total, 1), runtime))
    calls = collections.Counter(c for cs in missed.values() for c in cs)
    print("    never failed: " + ", ".join("%s %d" % kv for kv in calls.most_common()))
    print("    by the function that makes the call:")
    for function, cs in missed.items():
        print("      %-60s %s" % (function, ", ".join(sorted(cs))))


def fuzz():
    print("== Fuzzing (%d s per target)" % FUZZ_SECONDS)
    for target in sorted(glob.glob(os.path.join(ROOT, "build", "host", "fuzz", "fuzz_*"))):
        started = time.monotonic()
        out = subprocess.run([target, "-max_total_time=%d" % FUZZ_SECONDS, "-seed=7"], capture_output=True,
                             text=True, errors="replace").stderr
        runs = re.findall(r"#(\d+)\s+(?:DONE|pulse|NEW|REDUCE|INITED)", out)
        total = runs[-1] if runs else "?"
        failed = "crash" if ("ERROR:" in out or "SUMMARY:" in out) else "no failure"
        print("  %-40s %12s runs in %5.1f s, %s" % (os.path.basename(target), total, time.monotonic() - started,
                                                   failed))


if __name__ == "__main__":
    sizes()
    if os.environ.get("KYR_REBUILD", "1") != "0":
        reproducibility()
    flows()
    fault_matrix()
    fuzz()
