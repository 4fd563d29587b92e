"""The fault matrix's rows and the comparisons that judge them (tests/e2e/test_fault_matrix.py):
which calls of a clean run each row fails and how, and what a run that met a fault may leave
and show."""
import collections
import re

# The codes each family of the injector (tools/faultinject/call_table.cpp) is failed with; the
# first is the lasting condition its persistent rows give: a stopped spooler, a refused key, a
# full disk, a file another program holds open, a module that is not there.
CODES = collections.OrderedDict([
    ("spooler", (1722, 5)), ("registry", (5,)), ("registry-open", (5, 2)), ("registry-read", (5, 2)),
    ("file-write", (112, 5, 32)), ("file-delete", (32, 5, 2, 3)), ("file-query", (5,)), ("attributes", (5,)),
    ("setup", (5,)), ("security", (5,)), ("removal-module", (126,)), ("module", (126,)), ("binding", (127,)),
    ("resource", (8,)), ("system-query", (8,)), ("program", (2,)),
])
# What the field gives some calls besides their family's codes: a driver naming a monitor the
# spooler does not know, a driver a printer still uses, a printer name the spooler does not
# know, an INF copy that meets one already there, memory that ran out (HeapAlloc sets no
# last error, so its callers can only say 8).
CALL_CODES = {"AddPrinterDriverA": (3000,), "DeletePrinterDriverA": (3001,), "DeletePrinterDriverExA": (3001,),
              "OpenPrinterA": (1801,), "SetupCopyOEMInfA": (80,), "GlobalAlloc": (14,), "LocalAlloc": (14,)}
# A listing the product asks for twice, for the size and then the records: the second call
# meets a list that grew in between (122).
LISTINGS = ("EnumPrintersA", "EnumPrinterDriversA", "EnumPrintProcessorsA", "EnumMonitorsA", "EnumFormsA", "GetPrinterA", "GetPrinterW")

# A call of a clean run: where it was made (site, and its number among that site's calls),
# the families it counted in with its number in each, and what it returned.
Listed = collections.namedtuple("Listed", "site n name families result detail")
# A row: "fail <site> <n> <code>" or "fail-from <family> <n> <code>"; after, the fault line
# of an earlier row whose fault led the run to the call this row fails (None: the clean
# run makes it).
Row = collections.namedtuple("Row", "kind target n call family code after")
Row.__new__.__defaults__ = (None,)


def listed_calls(log):
    """The calls of a clean run's log that some family of the matrix holds, in the order they
    began at each site (the order the injector counts them in)."""
    per_site, last_result, out = collections.Counter(), {}, []
    for call in sorted(log, key=lambda c: (c.name, c.ordinal)):
        per_site[call.site] += 1
        fetch = call.name in LISTINGS and last_result.get(call.name, "") == "fail 122"
        last_result[call.name] = call.result
        families = {f: n for f, n in call.families.items() if f in CODES}
        if families:
            out.append(Listed(call.site, per_site[call.site], call.name, families, call.result,
                              "fetch" if fetch else call.detail))
    return sorted(out, key=lambda c: min(c.families.values()))


def family_of(call):
    """The family whose codes a single-call row uses: the first that holds it."""
    return next(f for f in CODES if f in call.families)


def codes_of(call):
    codes = CODES[family_of(call)] + CALL_CODES.get(call.name, ())
    return codes + ((122,) if call.detail == "fetch" else ())


def persistent_rows(calls):
    """Each family failing for good from the first call of each of its sites on."""
    rows = []
    for family in CODES:
        firsts = collections.OrderedDict()
        for call in calls:
            if family in call.families and call.site not in firsts:
                firsts[call.site] = call
        for call in sorted(firsts.values(), key=lambda c: c.families[family]):
            rows.append(Row("fail-from", family, call.families[family], call.name, family, CODES[family][0]))
    return rows


def single_rows(calls, families=None, every_code=False):
    """Each call of the families (all by default) failed alone: with each of its codes, or
    once, the codes taking turns over a site's calls so that each is met somewhere (a
    listing's fetch and a call's own field code before the family's)."""
    rows = []
    for c in calls:
        if families is not None and family_of(c) not in families:
            continue
        codes = codes_of(c)
        if every_code:
            rows += [Row("fail", c.site, c.n, c.name, family_of(c), code) for code in codes]
        else:
            turn = codes[::-1][(c.n - 1) % len(codes)]
            rows.append(Row("fail", c.site, c.n, c.name, family_of(c), turn))
    return rows


def fault_line(row):
    return "%s %s %d %d" % (row.kind, row.target, row.n, row.code)


def fault_lines(row):
    """The injector's lines for the row: the earlier row's fault that leads there first."""
    return ([row.after] if row.after else []) + [fault_line(row)]


def reached_rows(reached):
    """For each call site a faulted run reached and the clean run never does (the paths that
    report and recover; reached: {site: (the fault line that led there, its first call)}),
    a row that fails that call with a code single_rows would give it, after that fault."""
    rows = []
    for line, call in reached.values():
        codes = codes_of(call)
        rows.append(Row("fail", call.site, call.n, call.name, family_of(call), codes[::-1][0], line))
    return rows


def reported(boxes):
    """The full paths the failed-files boxes list (lower case), and what stands for the
    spooler's copy of a driver file the box names."""
    paths = set()
    for box in boxes:
        if box.text.startswith("These files could not be"):
            # Each entry: a blank line, its path, then the system's reason.
            for entry in box.text.split("\n\n")[1:]:
                path = entry.split("\n")[0].lower()
                paths.add(path)
                # A file named without its folder, which could not be asked for, was
                # never placed anywhere.
                if "\\" not in path:
                    continue
                # The folder it was to go into, when that is what was refused.
                folder, name = path.rsplit("\\", 1)
                paths.add(folder)
                # A driver file the spooler was to copy into its version folder.
                if folder.endswith("\\w32x86") or folder.endswith("\\x64"):
                    paths.add(folder + "\\3\\" + name)
    return paths


# The universal driver's files on Windows 9x, which another driver may hold: a removal that
# could not delete them keeps them without a word.
SHARED_9X = ("dmcolor.dll", "iconlib.dll")


def kept_by_fault(calls):
    """The paths the fault kept that are not the product's to report: what stays of a
    deletion the injector answered "not there" (2, 3), the world the fault made, and a shared
    9x file whose deletion it failed."""
    out = set()
    for call in calls:
        found = re.match(r'"([^"]*)"', call.detail)
        if not found or "file-delete" not in call.families or not call.result.startswith("injected "):
            continue
        path = found.group(1).lower()
        if call.result in ("injected 2", "injected 3") or path.rsplit("\\", 1)[-1] in SHARED_9X:
            out.add(path)
    return out


def item_path(item):
    return re.sub(r"^(gone |changed )?(file |folder )?", "", item).lower()


def differences(after, references, excused=(), fewer_leftovers=False):
    """What sets the machine apart from the closest of the uninterrupted flow's states, but
    for the paths excused (the files a box named, or a deletion's target that the fault
    said was not there). Nothing that was there before the flow may be gone unless the
    uninterrupted flow takes it too ("gone" items)."""
    def allowed(item):
        return item_path(item) in excused

    best = None
    for reference in references:
        # A removal may take more of the product than an uninterrupted one (a fallback that
        # deleted what Wine's spooler keeps); more of the machine shows as an extra "gone".
        # A folder whose attributes could not be read is left as it was (the 9x INF folder's
        # hidden bit, which a clean run sets again): a change not made, nothing lost.
        missing = [] if fewer_leftovers else sorted(i for i in set(reference) - set(after)
                                                    if not allowed(i) and not i.startswith("changed folder "))
        extra = sorted(i for i in set(after) - set(reference) if not allowed(i))
        if best is None or len(missing) + len(extra) < len(best[0]) + len(best[1]):
            best = (missing, extra)
    return best


CODE_SHOWN = re.compile(r"(?:Error Code: |\(error )(-?\d+)")


def wrong_codes(boxes, calls):
    """Codes a box shows that no call of the run failed with: a last error read after
    something else had changed it ("Error Code: 0")."""
    failed = {int(c.result.split()[1]) for c in calls if c.result.startswith(("fail ", "injected "))}
    return ["%r shows %s" % (b.text.split("\n")[0], code) for b in boxes for code in CODE_SHOWN.findall(b.text)
            if int(code) not in failed]
