"""Every platform call site of a flow, failed once: the installation on XP (LPT1, USB) and on
98, the full removal on XP and on 98, the removal of a driver whose printer is already gone,
and the plug-in's Apply. An uninterrupted run through the fault injector lists a flow's call
sites; then each site of a family below fails once with each of its family's codes, on a
fresh Windows. Every such run must end by itself with status 0, show only the product's own
boxes, and claim success only when what the user asked for is there; one more run of the same
program without the fault must then leave the machine as the uninterrupted flow does.

The default suite fails one site per family and flow; the whole matrix runs with
KYR_FAULTS_FULL=1 under the CTest label faults-full and writes its figures to
build/e2e-out/fault-matrix.txt (scripts/bench prints them)."""
import hashlib
import json
import os
import re
import time
import unittest

from bench import faults
from bench.prefix import ROOT
from bench.flows import drivers, key_exists, printers, registry_values
from bench.leftovers import left_behind, snapshot
from bench.product import (CAPTION, INSTALLER, NOT_INSTALLED, PORT_DIALOG, PORT_RADIO, PRODUCT, PRODUCT_UNINSTALLER,
                           PROGRESS, RESTART_NOTICE_9X, RESTART_QUESTION, RUN_IN_PROGRESS, UNINSTALLER_CAPTION,
                           UNINSTALL_KEY, USB_DONE, USB_NOTICE_9X, USB_SWITCH_ONLY, is_9x)
from bench.session import MEDIA, OUT_DIR, Session

RESULTS = os.path.join(OUT_DIR, "fault-matrix.txt")
# Each flow's call sites and states, kept for the build of the medium they were taken with.
STATES = os.path.join(OUT_DIR, "fault-matrix-states")

# The codes each family of the injector's call table is failed with; the table itself
# (tools/faultinject/call_list.h) names each call's family.
CODES = {"Spooler": ("spooler", (1722, 5)), "Registry": ("registry", (5,)), "FileWrite": ("file-write", (112, 5)),
         "FileDelete": ("file-delete", (32, 5)), "Setup": ("setup", (5,))}


def injector_families():
    with open(os.path.join(ROOT, "tools", "faultinject", "call_list.h")) as f:
        calls = re.findall(r"X\((\w+), (\w+),", f.read())
    families = {name: ({c for c, family in calls if family == key}, codes) for key, (name, codes) in CODES.items()}
    # Loading a removal module goes through the injector's own loader wrappers.
    families["removal-module"] = ({"LoadLibraryA"}, (126,))
    return families


FAMILIES = injector_families()
# The default suite's site per family: the first of these calls the flow makes, else the
# family's first site.
FAVOURITES = ["AddPrinterA", "DeletePrinter", "SetPrinterW", "AddPrinterDriverA", "RegSetValueExA",
              "RegCreateKeyW", "RegDeleteKeyA", "SHDeleteKeyA", "CopyFileA", "DeleteFileA", "SetupCopyOEMInfA",
              "SetupDiRemoveDevice"]

# What the product's boxes may say: its reports and notices, nothing else.
PRODUCT_TEXTS = [re.escape(t) + "$" for t in (RESTART_QUESTION, USB_DONE, USB_SWITCH_ONLY, USB_NOTICE_9X, RESTART_NOTICE_9X,
                                               NOT_INSTALLED, RUN_IN_PROGRESS)] + [
    r"(EnumPrinterDrivers|EnumPrinters|AddMonitor|AddProcess|AddPrinterDriver|AddPrinter|DeletePrinter"
    r"|DeletePrinterDriver|DeleteMonitor|DeletePrintProcessor) Error Code: -?\d+\n\n",
    r"These (files could not be (copied|deleted)|registry entries could not be written"
    r"|printers could not be deleted|could not be removed):\n",
    r"The installation medium is incomplete\. This file is missing or cannot be read:\n\n",
    r"Fail to load (Unhook_A\.DLL|Unhook_B\.DLL|CheckOS function|RemoveFromWin9x function"
    r"|RemoveFromWin2k function)$",
    r"The settings could not be saved \(error \d+\)\.\n\n",
]
CAPTIONS = (CAPTION, UNINSTALLER_CAPTION, "Additional Commands")
# Boxes after which the uninstaller ends without its "Uninstall completed!".
UNINSTALLER_ENDS = (r"(EnumPrinters Error Code|EnumPrinterDrivers Error Code|Fail to load |These printers could not"
                    r"|These could not be removed)")
HOST_DLL = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\UI730.DLL"
SETTINGS_KEY = "HKLM\\SOFTWARE\\KYR_POS_PRINTER\\KYR_POS_730"


def family_of(call):
    for family, (names, _) in FAMILIES.items():
        if call.name in names:
            if family == "removal-module" and "unhook_" not in call.detail.lower():
                return None
            return family
    return None


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


def reported(boxes):
    """What the user was told of: the names of the files the failed-files box lists, and the
    registrations a failure report named."""
    names, calls = set(), set()
    for box in boxes:
        if box.text.startswith("These files could not be"):
            # Each entry: a blank line, its path (or bare name), then the system's reason.
            for entry in box.text.split("\n\n")[1:]:
                path = entry.split("\n")[0].lower()
                names.add(path.rsplit("\\", 1)[-1])
                # The folder it was to go into, when that is what was refused.
                names.add("folder " + path.rsplit("\\", 1)[0])
        found = re.match(r"(\w+) Error Code: ", box.text)
        if found:
            calls.add(found.group(1))
    return names, calls


# Registrations a report names, and the items they leave out. Wine's spooler takes a driver
# whose monitor or print processor is missing, where Windows refuses it and the run ends at
# the printer (a later run then installs anew); a reported failure of either is thus the
# user's to know, not the next run's to mend.
REGISTRATIONS = {"AddMonitor": "\\Monitors\\KYRPOS Language Monitor 730",
                 "AddProcess": "\\Print Processors\\KYRPOS PRINT PROCESSOR 730"}


def differences(after, references, told, fewer_leftovers=False):
    """What sets the machine apart from the closest of the uninterrupted flow's states, but
    for the files and registrations the user was told of (and the copies the spooler makes
    of those files)."""
    names, calls = told

    def excused(item):
        if item.startswith("file ") and item.rsplit("\\", 1)[-1].lower() in names:
            return True
        if item.startswith("folder ") and item.lower() in names:
            return True
        return any(REGISTRATIONS.get(c, "\0") in item for c in calls)
    best = None
    for reference in references:
        missing = [] if fewer_leftovers else sorted(i for i in set(reference) - set(after) if not excused(i))
        extra = sorted(i for i in set(after) - set(reference) if not excused(i))
        if best is None or len(missing) + len(extra) < len(best[0]) + len(best[1]):
            best = (missing, extra)
    return best


def environment(win):
    return "Windows 4.0" if is_9x(win.version) else "Windows NT x86"


class Flow:
    """One flow: how its program is prepared, run and judged."""
    name = version = None
    exe, cwd, args = None, "C:\\media", ()
    only = ()
    fewer_leftovers = False

    def prepare(self, win):
        """The machine the program meets."""

    def prelude(self, win):
        return []

    def run(self, win, fault_lines):
        config = faults.write_config(win, fault_lines, nosleep=True, only=self.only)
        return faults.run_answering(win, self.exe, config, self.cwd, self.args, self.prelude(win))

    def claims_success(self, result):
        raise NotImplementedError

    def unmet(self, win):
        """What the user asked for and is not there."""
        raise NotImplementedError


def install_quickly(win, port="LPT1"):
    """A new installation as the prepared state of a later flow: without the product's pauses."""
    result = InstallFlow(win.version, port).run(win, [])
    assert result.outcome == ("exit", 0) and not result.hung, result


class InstallFlow(Flow):
    exe = INSTALLER

    def __init__(self, version, port):
        self.version, self.port = version, port
        self.name = "install-%s-%s" % (version, port.lower())

    def prelude(self, win):
        return ['watch "%s" 1003 1000' % PROGRESS, 'wait "%s" 60000' % PORT_DIALOG,
                "click %d" % PORT_RADIO[self.port], "sleep 100", "click 1", 'gone "%s" 120000' % PROGRESS]

    def claims_success(self, result):
        return "Completed!" in [s[0] for s in result.status]

    def unmet(self, win):
        missing = [] if "KYR POS 730" in drivers(win, environment(win)) else ["the driver"]
        if self.port != "USB" and "KYR POS 730" not in printers(win):
            missing.append("the printer")
        return missing + complete_entry(win)


class RemovalFlow(Flow):
    exe, cwd = PRODUCT_UNINSTALLER, PRODUCT
    # A removal may leave less than an uninterrupted one (a fallback that deleted what Wine's
    # spooler keeps), never more.
    fewer_leftovers = True

    def __init__(self, version):
        self.version = version
        self.name = "remove-" + version

    def prepare(self, win):
        install_quickly(win)

    def prelude(self, win):
        watch = 'watch "%s" 1000 1002' % UNINSTALLER_CAPTION
        ours = [n for n, f in printers(win).items() if f.get("driver") == "KYR POS 730"]
        if not ours:
            return [watch, 'gone "%s" 120000' % UNINSTALLER_CAPTION]
        ticks = []
        for i in range(len(ours)):
            ticks += ["itemclick 1006 %d" % i, "sleep 200"]
        return (['wait "%s" 30000' % UNINSTALLER_CAPTION, watch] + ticks
                + ["click 1001", 'gone "%s" 120000' % UNINSTALLER_CAPTION])

    def claims_success(self, result):
        # The removal shows its last line for a moment only once the pauses are skipped, so
        # a run that was not ended by one of its fatal boxes counts as one that said it.
        return not any(re.match(UNINSTALLER_ENDS, b.text) for b in result.boxes)

    def unmet(self, win):
        left = ["the driver"] if "KYR POS 730" in drivers(win, environment(win)) else []
        left += ["printer " + n for n, f in printers(win).items() if f.get("driver") == "KYR POS 730"]
        if key_exists(win, UNINSTALL_KEY):
            left.append("the uninstall entry")
        return left


class PrinterGoneFlow(RemovalFlow):
    """The driver without its printer, as a removal ended after its printer step leaves it
    (or a user who deleted the printer): the uninstaller removes the driver at once."""

    def __init__(self, version):
        RemovalFlow.__init__(self, version)
        self.name = "remove-printer-gone-" + version

    def prepare(self, win):
        install_quickly(win)
        # What the uninstaller's printer step does, by the bench's hand.
        win.tool("reg", "delete", "HKLM\\System\\CurrentControlSet\\Control\\Print\\Printers\\KYR POS 730", "/f")
        for key in ("Devices", "PrinterPorts"):
            win.tool("reg", "delete", "HKCU\\Software\\Microsoft\\Windows NT\\CurrentVersion\\" + key,
                     "/v", "KYR POS 730", "/f")
        assert not printers(win), printers(win)


class ApplyFlow(Flow):
    """The page applied in the property-sheet host, on the printer a new installation made."""
    exe, cwd = "C:\\bench\\plugin_host.exe", "C:\\bench"
    only = ("UI730.DLL",)
    version = "winxp"
    name = "apply-winxp"
    STEPS = ["settext 0 1002 \\x1B\\x70\\x00\\x19\\xff", "settext 0 1001 3", "apply 0", "wait 300", "exit"]

    def prepare(self, win):
        from plugin_page import host_ready
        install_quickly(win)
        host_ready(win)
        with open(win.path("C:\\bench\\apply.txt"), "w", newline="\r\n") as f:
            f.write("\n".join(self.STEPS) + "\n")
        self.args = ["--dll", HOST_DLL, "--printer", "KYR POS 730", "--script", "C:\\bench\\apply.txt",
                     "--out", "C:\\bench\\apply.out"]

    def run(self, win, fault_lines):
        if os.path.exists(win.path("C:\\bench\\apply.out")):
            os.remove(win.path("C:\\bench\\apply.out"))
        return Flow.run(self, win, fault_lines)

    def claims_success(self, result):
        # The page says nothing when the settings were stored.
        return not result.boxes

    def unmet(self, win):
        stored = dict(registry_values(win, SETTINGS_KEY))
        wanted = {"StartDoc": "type3:1B700019FF"}
        missing = [k for k, v in wanted.items() if stored.get(k) != v]
        if not stored.get("MISC", "").startswith("type3:03"):
            missing.append("MISC")
        return missing


def medium_digest():
    digest = hashlib.sha1()
    for folder, _, files in sorted(os.walk(MEDIA)):
        for name in sorted(files):
            digest.update(os.path.relpath(os.path.join(folder, name), MEDIA).encode())
            with open(os.path.join(folder, name), "rb") as f:
                digest.update(f.read())
    return digest.hexdigest()


class Matrix(unittest.TestCase):
    maxDiff = None

    def states(self, flow, fresh):
        """The flow's call sites and states: taken anew, or as kept for this very medium."""
        path = os.path.join(STATES, flow.name + ".json")
        digest = medium_digest()
        if not fresh and os.path.exists(path):
            with open(path) as f:
                kept = json.load(f)
            if kept["medium"] == digest:
                return kept["pristine"], kept["references"], [tuple(s) for s in kept["sites"]]
        pristine, references, sites = self.enumerate(flow)
        os.makedirs(STATES, exist_ok=True)
        with open(path, "w") as f:
            json.dump({"medium": digest, "pristine": pristine, "references": references, "sites": sites}, f)
        return pristine, references, sites

    def enumerate(self, flow):
        """The uninterrupted run: its call sites by family and what the flow leaves."""
        with Session("faults-%s-clean" % flow.name, flow.version) as win:
            pristine = snapshot(win)
            flow.prepare(win)
            result = flow.run(win, [])
            self.assertEqual((result.outcome, result.hung), (("exit", 0), False), result)
            self.assertEqual(flow.unmet(win), [])
            sites = []
            for call in faults.read_log(win):
                family = family_of(call)
                if family and call.site not in [s[0] for s in sites]:
                    sites.append((call.site, call.name, family))
            references = [left_behind(pristine, snapshot(win))]
            # A second run is part of the flow as users meet it: the installer adds one more
            # printer to a driver that is there, the uninstaller finds nothing left.
            again = flow.run(win, [])
            self.assertEqual((again.outcome, again.hung), (("exit", 0), False), again)
            references.append(left_behind(pristine, snapshot(win)))
        return pristine, references, sites

    def judge(self, flow, win, result):
        problems = []
        if result.hung:
            problems.append("did not end by itself")
        if result.outcome != ("exit", 0):
            problems.append("ended with %r" % (result.outcome,))
        for box in result.boxes:
            if box.caption not in CAPTIONS or not any(re.match(p, box.text) for p in PRODUCT_TEXTS):
                problems.append("not the product's box: %r" % box)
        if flow.claims_success(result):
            unmet = flow.unmet(win)
            if unmet:
                problems.append("said it was done without %s" % ", ".join(unmet))
        return problems

    def row(self, flow, pristine, references, site, call, family, code):
        started = time.monotonic()
        with Session("faults-%s-%s-%d" % (flow.name, site.replace("+", "-").lower(), code), flow.version) as win:
            flow.prepare(win)
            result = flow.run(win, ["fail %s 1 %d" % (site, code)])
            injected = faults.injected(faults.read_log(win))
            problems = self.judge(flow, win, result)
            if not injected:
                problems.append("the fault never struck")
            again = flow.run(win, [])
            if again.hung or again.outcome != ("exit", 0):
                problems.append("the run after it ended with %r" % (again.outcome,))
            missing, extra = differences(left_behind(pristine, snapshot(win)), references,
                                         reported(result.boxes), flow.fewer_leftovers)
            if missing or extra:
                problems.append("after one more run: missing %s, extra %s" % (missing, extra))
        with open(RESULTS, "a") as f:
            f.write("%s|%s|%s|%s|%d|%s|%.1f|%s|%s\n" % (
                flow.name, site, call, family, code, "held" if not problems else "FAILED",
                time.monotonic() - started, " / ".join(b.text.split("\n")[0] for b in result.boxes),
                " / ".join(problems).replace("\n", " ")))
        return problems

    def walk(self, flow, full, guard=None):
        started = time.monotonic()
        pristine, references, sites = self.states(flow, fresh=full)
        rows = []
        if full:
            rows = [(s, n, f, c) for s, n, f in sites for c in FAMILIES[f][1] if not ONLY_CALLS or n in ONLY_CALLS]
        elif guard:
            site = [s for s in sites if s[1] == guard[0]][0]
            rows = [site + (guard[1],)]
        else:
            for family in FAMILIES:
                mine = [s for s in sites if s[2] == family]
                if mine:
                    best = min(mine, key=lambda s: FAVOURITES.index(s[1]) if s[1] in FAVOURITES else 99)
                    rows.append(best + (FAMILIES[family][1][0],))
        with open(RESULTS, "a") as f:
            f.write("# run %s %s %d sites %d rows\n" % (flow.name, "full" if full else "part", len(sites), len(rows)))
        for site, call, family, code in rows:
            with self.subTest(flow=flow.name, site=site, call=call, code=code):
                self.assertEqual(self.row(flow, pristine, references, site, call, family, code), [])
        with open(RESULTS, "a") as f:
            f.write("# end %s %.0f s\n" % (flow.name, time.monotonic() - started))


FLOWS = {"install-winxp-lpt1": lambda: InstallFlow("winxp", "LPT1"),
         "install-winxp-usb": lambda: InstallFlow("winxp", "USB"),
         "install-win98-lpt1": lambda: InstallFlow("win98", "LPT1"),
         "remove-winxp": lambda: RemovalFlow("winxp"),
         "remove-win98": lambda: RemovalFlow("win98"),
         "remove-printer-gone-winxp": lambda: PrinterGoneFlow("winxp"),
         "apply-winxp": lambda: ApplyFlow()}
# KYR_FAULTS_FLOWS=name,name narrows a run to some flows.
CHOSEN = [n for n in os.environ.get("KYR_FAULTS_FLOWS", ",".join(FLOWS)).split(",") if n]
# KYR_FAULTS_CALLS=name,name narrows a whole run to the sites of those calls.
ONLY_CALLS = [n for n in os.environ.get("KYR_FAULTS_CALLS", "").split(",") if n]


# The default suite's row per flow: a fault each flow once took for success (or could
# not recover from), by the call whose first site fails, and the code.
GUARDS = {"install-winxp-lpt1": ("RegSetValueExA", 5),
          "install-winxp-usb": ("AddPrinterDriverA", 1722),
          "install-win98-lpt1": ("AddPrintProcessorA", 1722),
          "remove-winxp": ("DeletePrinter", 1722),
          "remove-win98": ("DeletePrinter", 5),
          "remove-printer-gone-winxp": ("EnumPrinterDriversA", 1722),
          "apply-winxp": ("RegCreateKeyW", 5)}


class OneRowPerFlow(Matrix):
    def test_flows(self):
        for name in CHOSEN:
            self.walk(FLOWS[name](), full=False, guard=GUARDS[name])


@unittest.skipUnless(os.environ.get("KYR_FAULTS_FAMILIES"), "one site per family and flow: KYR_FAULTS_FAMILIES=1")
class OneSitePerFamily(Matrix):
    def test_flows(self):
        for name in CHOSEN:
            self.walk(FLOWS[name](), full=False)


@unittest.skipUnless(os.environ.get("KYR_FAULTS_FULL"), "the whole matrix runs under the label faults-full")
class FullMatrix(Matrix):
    def test_flows(self):
        for name in CHOSEN:
            self.walk(FLOWS[name](), full=True)


if __name__ == "__main__":
    unittest.main()
