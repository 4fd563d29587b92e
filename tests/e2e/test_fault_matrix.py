"""Every platform call of a flow, failed: the installation on XP (LPT1, USB) and on 98 (LPT1,
USB), the installation over one that is there (the repair path), the full removal on XP, 98, 7
and 10 and with two printers, the removal of one of two printers, the removal of a driver
whose printer is already gone, the removal run again after one that was ended (XP, 98), and
the plug-in's start and Apply. An uninterrupted run through the fault injector lists a
flow's calls; then, on that flow's machine as prepared once and kept, each family fails from
each of its sites on for good (a spooler that stopped, a full disk, a denied key), and each
call fails once, the codes of its family and the field's codes for it taking turns. Every
such run must end by itself with status 0, show only the boxes this flow may show, with the
code that was failed, tell every fault that changed the outcome, and claim success only when
what the user asked for is there; one more run of the same program without the fault must
then show only what a clean run shows, meet what the user asked for, and leave the machine
as the uninterrupted flow does.

Rows and flows run two at a time (KYR_FAULTS_JOBS), each on a Windows and display of its own.
The default suite runs one guarding row per flow; the whole matrix runs with KYR_FAULTS_FULL=1
under the CTest label faults-full (every persistent row; then every call once of the families
that change the machine and of each family a persistent row failed in; KYR_FAULTS_SINGLE=1
fails every call with each of its codes) and writes its figures to
build/e2e-out/fault-matrix.txt (scripts/bench prints them)."""
import collections
import concurrent.futures
import hashlib
import json
import os
import re
import threading
import time
import traceback
import unittest

from bench import faults
from bench.fault_rows import (CODES, Listed, Row, differences, family_of, fault_line, fault_lines, listed_calls,
                              persistent_rows, reached_rows,
                              reported, single_rows, kept_by_fault, wrong_codes)
from bench.flows import drivers, key_exists, printers, registry_values
from bench.leftovers import HIVES_SAVED, SNAPSHOT_KIND, left_behind, snapshot
from bench.product import (CAPTION, INSTALLER, NOT_INSTALLED, PORT_DIALOG, PORT_RADIO, PRODUCT, PRODUCT_UNINSTALLER,
                           PROGRESS, RESTART_NOTICE_9X, RESTART_QUESTION, UNINSTALLER_CAPTION,
                           UNINSTALL_KEY, USB_DONE, USB_NOTICE_9X, USB_SWITCH_ONLY, is_9x)
from bench.session import MEDIA, OUT_DIR, Session

RESULTS = os.path.join(OUT_DIR, "fault-matrix.txt")
# Each flow's calls and states, and its prepared machine, kept for the medium they were taken with.
STATES = os.path.join(OUT_DIR, "fault-matrix-states")

# What the product's boxes may say, by the program that shows them. A report names the call
# that failed; the texts of each program's other boxes are its own.
INSTALLER_TEXTS = [re.escape(t) + "$" for t in (RESTART_QUESTION, USB_DONE, USB_SWITCH_ONLY, USB_NOTICE_9X,
                                                 RESTART_NOTICE_9X)] + [
    r"(EnumPrinterDrivers|EnumPrinters|AddMonitor|AddProcess|AddPrinterDriver|AddPrinter) Error Code: -?\d+\n\n",
    r"These (files could not be (copied|deleted)|registry entries could not be written):\n",
    r"The installation medium is incomplete\. This file is missing or cannot be read:\n\n",
]
UNINSTALLER_TEXTS = [re.escape(t) + "$" for t in (RESTART_QUESTION, RESTART_NOTICE_9X, NOT_INSTALLED)] + [
    r"(EnumPrinterDrivers|EnumPrinters|DeletePrinter|DeletePrinterDriver|DeleteMonitor|DeletePrintProcessor"
    r"|GetVersionEx) Error Code: -?\d+\n\n",
    r"These (files could not be deleted|printers could not be deleted|could not be removed):\n",
    r"Fail to load (Unhook_A\.DLL|Unhook_B\.DLL|CheckOS function|RemoveFromWin9x function"
    r"|RemoveFromWin2k function)$",
]
PAGE_TEXTS = [r"The settings could not be saved \(error \d+\)\.\n\n",
              r"The \"\w+\" command could not be converted to the system's code page \(error \d+\)\.\n\n"
              r"No settings were saved\.$"]
# The installer reports a monitor or print processor that a run ended later registered
# already, and goes on: the run after a failed installation may show these.
ALREADY_REGISTERED = r"(AddMonitor Error Code: 3006|AddProcess Error Code: 3013)\n\n"
# Boxes after which the uninstaller ends without its "Uninstall completed!".
UNINSTALLER_ENDS = (r"(EnumPrinters Error Code|EnumPrinterDrivers Error Code|GetVersionEx Error Code|Fail to load "
                    r"|These printers could not"
                    r"|These could not be removed"
                    r"|These files could not be deleted:\n[\s\S]*Please run the uninstaller again (from its folder )?to finish)")
HOST_DLL = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\UI730.DLL"
SETTINGS_KEY = "HKLM\\SOFTWARE\\KYR_POS_PRINTER\\KYR_POS_730"
MONITOR_KEY = "HKLM\\System\\CurrentControlSet\\Control\\Print\\Monitors\\KYRPOS Language Monitor 730"
PROCESSOR_KEY = ("HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\%s\\Print Processors"
                 "\\KYRPOS PRINT PROCESSOR 730")


def complete_entry(win):
    """What is missing from a complete uninstall entry and the uninstaller it names."""
    values = dict(registry_values(win, UNINSTALL_KEY))
    missing = [v for v in ("DisplayName", "InfFile", "KYR POS 730", "UninstallString") if v not in values]
    for name in ("KYRPOS730_Uninstaller.exe", "Unhook_A.dll", "Unhook_B.dll"):
        if not win.exists(PRODUCT + "\\" + name):
            missing.append(name)
    inf = values.get("InfFile", "sz:")[3:]
    if inf and not win.exists(inf):
        missing.append("the INF the entry names")
    return missing


def environment(win):
    return "Windows 4.0" if is_9x(win.version) else "Windows NT x86"


class Flow:
    """One flow: how its machine is prepared, its program run and judged."""
    name = version = caption = None
    # How the program may end: by itself with status 0.
    outcomes = (("exit", 0),)
    exe, cwd, args = None, "C:\\media", ()
    only = ()
    fewer_leftovers = False
    texts = ()

    def prepare(self, win):
        """The machine the program meets."""

    def prelude(self, win):
        return []

    def run(self, win, fault_lines):
        config = faults.write_config(win, fault_lines, nosleep=True, only=self.only)
        return faults.run_answering(win, self.exe, config, self.cwd, self.args, self.prelude(win))

    def claims_success(self, result):
        raise NotImplementedError

    def questions(self, win):
        """What unmet asks of the state, asked together."""
        return (("spooler",),)

    def unmet(self, win):
        """What the user asked for and is not there."""
        raise NotImplementedError


def install_quickly(win, port="LPT1"):
    """A new installation as the prepared state of a later flow: without the product's pauses."""
    result = InstallFlow(win.version, port).run(win, [])
    assert result.outcome == ("exit", 0) and not result.hung, result


class InstallFlow(Flow):
    exe, caption = INSTALLER, CAPTION
    texts = INSTALLER_TEXTS

    def __init__(self, version, port, name=None):
        self.version, self.port = version, port
        self.name = name or "install-%s-%s" % (version, port.lower())

    def prelude(self, win):
        return ['watch "%s" 1003 1000' % PROGRESS, 'wait "%s" 60000' % PORT_DIALOG,
                "click %d" % PORT_RADIO[self.port], "sleep 100", "click 1", 'gone "%s" 120000' % PROGRESS]

    def claims_success(self, result):
        return "Completed!" in [s[0] for s in result.status]

    def questions(self, win):
        return (("spooler",), ("reg", MONITOR_KEY), ("reg", PROCESSOR_KEY % environment(win)), ("reg", UNINSTALL_KEY))

    def unmet(self, win):
        missing = [] if "KYR POS 730" in drivers(win, environment(win)) else ["the driver"]
        if self.port != "USB" and "KYR POS 730" not in printers(win):
            missing.append("the printer")
        # What the driver needs to print: its language monitor and print processor.
        if not key_exists(win, MONITOR_KEY):
            missing.append("the language monitor")
        if not key_exists(win, PROCESSOR_KEY % environment(win)):
            missing.append("the print processor")
        # Plug and Play installs a USB printer from the INF copy the entry records.
        if self.port == "USB" and not is_9x(win.version) and dict(registry_values(win, UNINSTALL_KEY)).get(
                "InfFile", "sz:") == "sz:":
            missing.append("the INF in the system's store")
        return missing + complete_entry(win)


class RepairFlow(InstallFlow):
    """The installer run again over an installation that is there: the driver-present path
    that repairs registrations and the uninstall entry and adds one more printer."""

    def __init__(self, version, port):
        InstallFlow.__init__(self, version, port, "reinstall-%s-%s" % (version, port.lower()))

    def prepare(self, win):
        install_quickly(win, self.port)


class RemovalFlow(Flow):
    exe, cwd, caption = PRODUCT_UNINSTALLER, PRODUCT, UNINSTALLER_CAPTION
    texts = UNINSTALLER_TEXTS
    # A removal may leave less than an uninterrupted one (a fallback that deleted what Wine's
    # spooler keeps), never more.
    fewer_leftovers = True
    ports = ("LPT1",)

    def __init__(self, version, name=None):
        self.version = version
        self.name = name or "remove-" + version

    def prepare(self, win):
        for port in self.ports:
            install_quickly(win, port)

    def prelude(self, win):
        watch = 'watch "%s" 1000 1002' % UNINSTALLER_CAPTION
        ours = [n for n, f in printers(win).items() if f.get("driver") == "KYR POS 730"]
        if not ours:
            return [watch, 'gone "%s" 120000' % UNINSTALLER_CAPTION]
        ticks = []
        for i in self.ticked_rows(ours):
            ticks += ["itemclick 1006 %d" % i, "sleep 200"]
        return (['wait "%s" 30000' % UNINSTALLER_CAPTION, watch] + ticks
                + ["click 1001", 'gone "%s" 120000' % UNINSTALLER_CAPTION])

    def ticked_rows(self, ours):
        """The rows of the uninstaller's list the user ticks: every printer of ours."""
        return range(len(ours))

    def claims_success(self, result):
        # The removal shows its last line for a moment only once the pauses are skipped, so
        # a run that was not ended by one of its fatal boxes counts as one that said it.
        return not any(re.match(UNINSTALLER_ENDS, b.text) for b in result.boxes)

    def questions(self, win):
        return (("spooler",), ("reg", UNINSTALL_KEY))

    def unmet(self, win):
        left = ["the driver"] if "KYR POS 730" in drivers(win, environment(win)) else []
        left += ["printer " + n for n, f in printers(win).items() if f.get("driver") == "KYR POS 730"]
        if key_exists(win, UNINSTALL_KEY):
            left.append("the uninstall entry")
        return left


class TwoPrintersFlow(RemovalFlow):
    """Two printers of the driver (a second installation on another port), both removed."""
    ports = ("LPT1", "COM1")

    def __init__(self, version):
        RemovalFlow.__init__(self, version, "remove-two-printers-" + version)


class PartialRemovalFlow(TwoPrintersFlow):
    """Of two printers of the driver, one ticked and removed: the driver, the other printer
    and the entry stay. When only one is left, the next run removes the package."""

    def __init__(self, version):
        RemovalFlow.__init__(self, version, "remove-one-of-two-" + version)
        # The printer ticked, by the Windows it was ticked on (rows run side by side).
        self.ticked = {}

    def prelude(self, win):
        ours = [n for n, f in printers(win).items() if f.get("driver") == "KYR POS 730"]
        # The first only while there are two; the last one left takes the package with it.
        self.ticked[win.prefix] = ours[0] if len(ours) > 1 else None
        return RemovalFlow.prelude(self, win)

    def ticked_rows(self, ours):
        return range(1 if len(ours) > 1 else len(ours))

    def unmet(self, win):
        ticked = self.ticked.get(win.prefix)
        if ticked is None:
            return RemovalFlow.unmet(self, win)
        return ["printer " + ticked] if ticked in printers(win) else []


class PrinterGoneFlow(RemovalFlow):
    """The driver without its printer, as a removal ended after its printer step leaves it
    (or a user who deleted the printer): the uninstaller removes the driver at once."""

    def __init__(self, version):
        RemovalFlow.__init__(self, version, "remove-printer-gone-" + version)

    def prepare(self, win):
        install_quickly(win)
        # What the uninstaller's printer step does, by the bench's hand.
        win.tool("reg", "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730", "/f")
        for key in ("Devices", "PrinterPorts"):
            win.tool("reg", "delete", "HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\" + key,
                     "/v", "KYR POS 730", "/f")
        assert not printers(win), printers(win)


class FinishRemovalFlow(RemovalFlow):
    """The uninstaller run again after a removal that was ended inside its driver step (on
    NT between the driver's deletion and the monitor's, on 9x as that step began): it
    finishes what the first run left."""

    def __init__(self, version):
        RemovalFlow.__init__(self, version, "finish-removal-" + version)

    def prepare(self, win):
        from test_interrupted_removal import DEFAULT_POINTS, Interrupted
        install_quickly(win)
        Interrupted(win).kill_at(*DEFAULT_POINTS[self.version][0])
        assert not win.processes("KYRPOS730_Uninstaller"), "the first removal was not ended"


class ApplyFlow(Flow):
    """The page applied in the property-sheet host, on the printer a new installation made."""
    exe, cwd = "C:\\bench\\plugin_host.exe", "C:\\bench"
    only = ("UI730.DLL",)
    caption, texts = "Additional Commands", PAGE_TEXTS
    # Or the host's 5: the plug-in could not start its page (its state could not be
    # allocated) and answered its caller so, which Windows' property sheet tells.
    outcomes = (("exit", 0), ("exit", 5))
    version = "winxp"
    name = "apply-winxp"
    STEPS = ["settext 0 1002 \\x1B\\x70\\x00\\x19\\xff", "settext 0 1001 3", "apply 0", "wait 300", "exit"]
    args = ["--dll", HOST_DLL, "--printer", "KYR POS 730", "--script", "C:\\bench\\apply.txt",
            "--out", "C:\\bench\\apply.out"]

    def prepare(self, win):
        from plugin_page import host_ready
        install_quickly(win)
        host_ready(win)
        with open(win.path("C:\\bench\\apply.txt"), "w", newline="\r\n") as f:
            f.write("\n".join(self.STEPS) + "\n")

    def run(self, win, fault_lines):
        if os.path.exists(win.path("C:\\bench\\apply.out")):
            os.remove(win.path("C:\\bench\\apply.out"))
        return Flow.run(self, win, fault_lines)

    def claims_success(self, result):
        # The page says nothing when the settings were stored.
        return not result.boxes and result.outcome == ("exit", 0)

    def questions(self, win):
        return (("reg", SETTINGS_KEY),)

    def unmet(self, win):
        stored = dict(registry_values(win, SETTINGS_KEY))
        wanted = {"StartDoc": "type3:1B700019FF"}
        missing = [k for k, v in wanted.items() if stored.get(k) != v]
        if not stored.get("MISC", "").startswith("type3:03"):
            missing.append("MISC")
        return missing


def medium_digest():
    # Kept states are compared with snapshots of today's kind only.
    digest = hashlib.sha1(SNAPSHOT_KIND.encode())
    for folder, _, files in sorted(os.walk(MEDIA)):
        for name in sorted(files):
            digest.update(os.path.relpath(os.path.join(folder, name), MEDIA).encode())
            with open(os.path.join(folder, name), "rb") as f:
                digest.update(f.read())
    return digest.hexdigest()


def box_texts(result):
    return sorted({b.text for b in result.boxes})


class Matrix(unittest.TestCase):
    maxDiff = None

    def states(self, flow, fresh):
        """The flow's calls, states and boxes, and its prepared machine: taken anew, or as
        kept for this very medium."""
        path = os.path.join(STATES, flow.name + ".json")
        prepared = os.path.join(STATES, flow.name + ".prefix")
        digest = medium_digest()
        if not fresh and os.path.exists(path) and os.path.isdir(prepared):
            with open(path) as f:
                kept = json.load(f)
            if kept["medium"] == digest:
                kept["calls"] = [Listed(*c) for c in kept["calls"]]
                return kept
        kept = self.enumerate(flow, prepared)
        kept["medium"] = digest
        os.makedirs(STATES, exist_ok=True)
        with open(path, "w") as f:
            json.dump(kept, f)
        return kept

    def enumerate(self, flow, prepared):
        """The uninterrupted run: its calls, what the flow leaves and the boxes it shows."""
        with SESSIONS, Session("faults-%s-clean" % flow.name, flow.version) as win:
            pristine = snapshot(win)
            flow.prepare(win)
            win.keep(prepared)
            result = flow.run(win, [])
            self.assertEqual((result.outcome, result.hung), (("exit", 0), False), result)
            with win.holding_still(flow.questions(win) + (HIVES_SAVED,)):
                self.assertEqual(flow.unmet(win), [])
                references = [left_behind(pristine, snapshot(win), gone=True)]
            calls = listed_calls(faults.read_log(win))
            # A second run is part of the flow as users meet it: the installer adds one more
            # printer to a driver that is there, the uninstaller finds nothing left.
            again = flow.run(win, [])
            self.assertEqual((again.outcome, again.hung), (("exit", 0), False), again)
            references.append(left_behind(pristine, snapshot(win), gone=True))
        return {"pristine": pristine, "references": references, "calls": calls, "prepared": prepared,
                "boxes": box_texts(result), "boxes_again": box_texts(again)}

    def judge(self, flow, win, result, calls, kept, after):
        """What is wrong with a run that met a fault; each check names the fault it catches."""
        problems = []
        # A run that hangs on a box or a wait, or crashes.
        if result.hung:
            problems.append("did not end by itself")
        if result.outcome not in flow.outcomes:
            problems.append("ended with %r" % (result.outcome,))
        # Another program's box, or one of the product's that this program never shows (an
        # installation that says another run is in progress).
        for box in result.boxes:
            if box.caption != flow.caption or not any(re.match(p, box.text) for p in flow.texts):
                problems.append("not this flow's box: %r" % box)
        # A code read after something else had changed the last error.
        problems += ["a code no call failed with: " + w for w in wrong_codes(result.boxes, calls)]
        # Success claimed over what is not there.
        if flow.claims_success(result):
            unmet = flow.unmet(win)
            if unmet:
                problems.append("said it was done without %s" % ", ".join(unmet))
        # A fault swallowed without a word that changed what the run left.
        if not set(box_texts(result)) - set(kept["boxes"]) and result.outcome == ("exit", 0):
            missing, extra = differences(after, kept["references"][:1], kept_by_fault(calls), flow.fewer_leftovers)
            if missing or extra:
                problems.append("said nothing, yet left: missing %s, extra %s" % (missing, extra))
        return problems

    def row(self, flow, kept, row):
        try:
            return self.row_once(flow, kept, row)
        except AssertionError as crash:
            # Wine's device host once crashed while starting, in Wine's own code
            # (IoCreateDevice), in one row of 1,573: such a row runs once more. Any other
            # crash, and this one twice, stands.
            text = str(crash)
            if text.startswith("crashed in ") and all("\\winedevice.exe: " in part
                                                       for part in text.split(": ", 1)[1].split(" | ")):
                return self.row_once(flow, kept, row)
            raise

    def row_once(self, flow, kept, row):
        started = time.monotonic()
        label = "faults-%s-%s-%s-%d-%d" % (flow.name, row.kind, re.sub(r"[^\w.]+", "-", row.target).lower(),
                                           row.n, row.code)
        with SESSIONS, Session(label, flow.version, base=kept["prepared"]) as win:
            result = flow.run(win, fault_lines(row))
            calls = faults.read_log(win)
            struck = faults.injected(calls)
            if not row.after:
                self.note_reached(kept, row, calls)
            with win.holding_still(flow.questions(win) + (HIVES_SAVED,)):
                after = left_behind(kept["pristine"], snapshot(win), gone=True)
                problems = self.judge(flow, win, result, calls, kept, after)
                # A fault the run absorbed without a trace (the clean run's boxes and
                # outcome, its very machine, nothing the user asked for missing) leaves
                # the next run nothing to repair: it would start where the clean flow's
                # second run started, and that run is known.
                absorbed = (box_texts(result) == kept["boxes"] and result.outcome == ("exit", 0)
                            and not result.hung and set(after) == set(kept["references"][0]) and not flow.unmet(win))
            # A row that failed nothing, or a reached row whose own call was not failed (the
            # earlier fault led elsewhere this time), proves nothing.
            if not struck or (row.after and not any(c.site == row.target for c in struck)):
                problems.append("the fault never struck")
            if not absorbed:
                problems += self.follow_up(flow, win, result, calls, kept)
        with RESULTS_LOCK, open(RESULTS, "a") as f:
            f.write("%s|%s %s %d%s|%s|%s|%d|%s|%.1f|%s|%s|%s\n" % (
                flow.name, row.kind, row.target, row.n, " after " + row.after if row.after else "", row.call,
                row.family, row.code,
                "held" if not problems else "FAILED", time.monotonic() - started,
                " / ".join(b.text.split("\n")[0] for b in result.boxes), " / ".join(problems).replace("\n", " "),
                ",".join("%s#%d" % (c.site, c.ordinal) for c in struck)))
        return problems

    def note_reached(self, kept, row, calls):
        """The first calls of sites the clean run never reaches, which this row's fault led
        to: the whole matrix fails each of them once, after that fault."""
        clean = {c.site for c in kept["calls"]}
        with RESULTS_LOCK:
            reached = kept.setdefault("reached", {})
            for call in listed_calls(calls):
                if call.n == 1 and call.site not in clean and call.site not in reached:
                    reached[call.site] = (fault_line(row), call)

    def follow_up(self, flow, win, result, calls, kept):
        """What is wrong with one more run of the program, the fault lifted."""
        problems = []
        again = flow.run(win, [])
        if again.hung or again.outcome != ("exit", 0):
            problems.append("the run after it ended with %r" % (again.outcome,))
        # The next run repairs: it shows only what an uninterrupted run shows...
        strange = {t for t in set(box_texts(again)) - set(kept["boxes"]) - set(kept["boxes_again"])
                   if not re.match(ALREADY_REGISTERED, t)}
        if strange:
            problems.append("the run after it showed %s" % sorted(t.split("\n")[0] for t in strange))
        with win.holding_still(flow.questions(win) + (HIVES_SAVED,)):
            # ...meets what the user asked for...
            unmet = flow.unmet(win)
            if unmet:
                problems.append("the run after it left out %s" % ", ".join(unmet))
            # ...and leaves what an uninterrupted flow leaves.
            finally_left = left_behind(kept["pristine"], snapshot(win), gone=True)
        missing, extra = differences(finally_left, kept["references"],
                                     reported(result.boxes) | kept_by_fault(calls), flow.fewer_leftovers)
        if missing or extra:
            problems.append("after one more run: missing %s, extra %s" % (missing, extra))
        return problems

    def walk(self, flow, full=False, guard=None, families=False):
        """Each row of the flow with what was wrong with it; a bench fault is one of its rows'
        problems, so that the other rows still run."""
        started = time.monotonic()
        kept = self.states(flow, fresh=full)
        calls = kept["calls"]
        if ONLY_CALLS:
            calls = [c for c in calls if c.name in ONLY_CALLS]
        if guard:
            rows = [guard_row(calls, g) for g in guard]
        elif families:
            rows = [next(r for r in persistent_rows(calls) if r.family == f)
                    for f in CODES if any(f in c.families for c in calls)]
        else:
            rows = persistent_rows(calls)
        with RESULTS_LOCK, open(RESULTS, "a") as f:
            f.write("# run %s %s %d calls %d rows\n" % (flow.name, "full" if full else "part", len(calls), len(rows)))
            for family in CODES:
                count = sum(1 for c in calls if family in c.families)
                if count:
                    f.write("# calls %s %s %d\n" % (flow.name, family, count))
        done = list(zip(rows, at_once(lambda row: self.row(flow, kept, row), rows)))
        if full:
            # Every call once where a family failed for good, and every call of the families
            # that change the machine (copies, deletions, value writes, module loads);
            # every call with each of its codes with KYR_FAULTS_SINGLE=1.
            failed = {row.family for row, problems in done if problems} | EVERY_CALL
            singles = single_rows(calls, None if SINGLE else failed, every_code=SINGLE)
            done += list(zip(singles, at_once(lambda row: self.row(flow, kept, row), singles)))
            # Then each call only a fault leads to (a report, a fallback), failed once.
            reached = reached_rows(kept.get("reached", {}))
            done += list(zip(reached, at_once(lambda row: self.row(flow, kept, row), reached)))
        with RESULTS_LOCK, open(RESULTS, "a") as f:
            f.write("# end %s %.0f s\n" % (flow.name, time.monotonic() - started))
        return done

    def check(self, flow, done):
        for row, problems in done:
            with self.subTest(flow=flow.name, row=" then ".join(fault_lines(row)), call=row.call):
                self.assertEqual(problems, [])

    def walk_flows(self, names, guarded=False, full=False, families=False):
        """The flows walked JOBS at a time; each row's problems reported here."""
        flows = [FLOWS[name]() for name in names]
        walked = at_once(lambda flow: self.walk(flow, full, GUARDS.get(flow.name) if guarded else None, families),
                         flows, whole=True)
        for flow, done in zip(flows, walked):
            if isinstance(done, BaseException):
                with self.subTest(flow=flow.name):
                    raise done
            else:
                self.check(flow, done)


# Rows and flows run this many at a time, each on a Windows and a display of its own: a run
# waits on its programs' pauses and on Wine's start-up far more than it computes.
JOBS = max(1, int(os.environ.get("KYR_FAULTS_JOBS", "2")))
RESULTS_LOCK = threading.Lock()
# However rows and flows are nested, no more Windows than that run at once.
SESSIONS = threading.BoundedSemaphore(JOBS)
# The families whose every call of a clean run the whole matrix fails once.
EVERY_CALL = {"file-write", "file-delete", "registry", "module", "removal-module"}


def at_once(work, items, whole=False):
    """work(item) for each item, JOBS at a time, in the items' order. A bench fault is
    returned in place of the result: with whole, the exception itself; otherwise as the
    row's one problem."""
    def guarded(item):
        try:
            return work(item)
        except Exception as fault:  # noqa: BLE001 - reported as the item's outcome
            if whole:
                return fault
            return ["the bench failed: %s: %s" % (type(fault).__name__, traceback.format_exc())]
    with concurrent.futures.ThreadPoolExecutor(JOBS) as pool:
        return list(pool.map(guarded, items))


FLOWS = {"install-winxp-lpt1": lambda: InstallFlow("winxp", "LPT1"),
         "install-winxp-usb": lambda: InstallFlow("winxp", "USB"),
         "install-win98-lpt1": lambda: InstallFlow("win98", "LPT1"),
         "install-win98-usb": lambda: InstallFlow("win98", "USB"),
         "reinstall-winxp-lpt1": lambda: RepairFlow("winxp", "LPT1"),
         "remove-winxp": lambda: RemovalFlow("winxp"),
         "remove-win98": lambda: RemovalFlow("win98"),
         "remove-win7": lambda: RemovalFlow("win7"),
         "remove-win10": lambda: RemovalFlow("win10"),
         "remove-two-printers-winxp": lambda: TwoPrintersFlow("winxp"),
         "remove-one-of-two-winxp": lambda: PartialRemovalFlow("winxp"),
         "remove-printer-gone-winxp": lambda: PrinterGoneFlow("winxp"),
         "finish-removal-winxp": lambda: FinishRemovalFlow("winxp"),
         "finish-removal-win98": lambda: FinishRemovalFlow("win98"),
         "apply-winxp": lambda: ApplyFlow()}
# KYR_FAULTS_FLOWS=name,name narrows a run to some flows.
CHOSEN = [n for n in os.environ.get("KYR_FAULTS_FLOWS", ",".join(FLOWS)).split(",") if n]
# KYR_FAULTS_CALLS=name,name narrows a whole run to those calls.
ONLY_CALLS = [n for n in os.environ.get("KYR_FAULTS_CALLS", "").split(",") if n]
SINGLE = bool(os.environ.get("KYR_FAULTS_SINGLE"))


# The default suite's rows per flow: a fault each flow once took for success (or could
# not recover from), or the step only that flow takes: the first call of that name (made
# from that module, when one is named) failed once with the code, or, for good, its family
# from that call on.
Guard = collections.namedtuple("Guard", "call code module persistent")
Guard.__new__.__defaults__ = (None, False)


def guard_row(calls, guard):
    call = next(c for c in calls if c.name == guard.call and (guard.module is None or c.site.startswith(guard.module)))
    if guard.persistent:
        family = family_of(call)
        return Row("fail-from", family, call.families[family], call.name, family, guard.code)
    return Row("fail", call.site, call.n, call.name, family_of(call), guard.code)


GUARDS = {"install-winxp-lpt1": [Guard("RegSetValueExA", 5)],
          "install-winxp-usb": [Guard("AddPrinterDriverA", 1722)],
          "install-win98-lpt1": [Guard("AddPrintProcessorA", 1722)],
          "install-win98-usb": [Guard("CopyFileA", 32)],
          "reinstall-winxp-lpt1": [Guard("AddPrinterA", 1722)],
          # A Windows the module could not tell once ended in "Uninstall completed!" with
          # nothing removed.
          "remove-winxp": [Guard("DeletePrinter", 1722), Guard("GetVersionExA", 8, "Unhook_A", True)],
          "remove-win98": [Guard("DeletePrinter", 5)],
          "remove-win7": [Guard("SetupUninstallOEMInfA", 5)],
          "remove-win10": [Guard("DeleteMonitorA", 1722)],
          "remove-two-printers-winxp": [Guard("DeletePrinter", 5)],
          "remove-one-of-two-winxp": [Guard("DeletePrinter", 1722)],
          "remove-printer-gone-winxp": [Guard("EnumPrinterDriversA", 1722)],
          # A folder the removal could not find once left its files without a word, and the
          # finish deleted the entry that would have let a next run take them.
          # So did a spooler that stopped under it, and an entry it could not delete.
          "finish-removal-winxp": [Guard("DeleteMonitorA", 1722), Guard("GetSystemDirectoryA", 8, "Unhook_B", True),
                                   Guard("EnumFormsA", 1722, "Unhook_B", True), Guard("RegDeleteKeyA", 5, None, True)],
          "finish-removal-win98": [Guard("LoadLibraryA", 126), Guard("GetWindowsDirectoryA", 8, "Unhook_A", True)],
          "apply-winxp": [Guard("RegCreateKeyW", 5)]}
GUARDED = [n for n in CHOSEN if n in GUARDS]


class OneRowPerFlow(Matrix):
    def test_flows(self):
        self.walk_flows(GUARDED, guarded=True)


@unittest.skipUnless(os.environ.get("KYR_FAULTS_FAMILIES"), "one persistent row per family and flow: KYR_FAULTS_FAMILIES=1")
class OneSitePerFamily(Matrix):
    def test_flows(self):
        self.walk_flows(CHOSEN, families=True)


@unittest.skipUnless(os.environ.get("KYR_FAULTS_FULL"), "the whole matrix runs under the label faults-full")
class FullMatrix(Matrix):
    def test_flows(self):
        self.walk_flows(CHOSEN, full=True)


if __name__ == "__main__":
    unittest.main()
