"""What guidriver saw: status lines with the bar they were shown with, message boxes,
windows and dumps, parsed from its "kind|field|..." lines."""


def unescape(text):
    out, i = [], 0
    table = {"r": "\r", "n": "\n", "t": "\t", "|": "|", "\\": "\\"}
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            if nxt == "x" and i + 3 < len(text):
                out.append(chr(int(text[i + 2:i + 4], 16)))
                i += 4
                continue
            out.append(table.get(nxt, nxt))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def split(line):
    fields, current, i = [], [], 0
    while i < len(line):
        c = line[i]
        if c == "\\" and i + 1 < len(line):
            current.append(line[i:i + 2])
            i += 2
            continue
        if c == "|":
            fields.append(unescape("".join(current)))
            current = []
        else:
            current.append(c)
        i += 1
    fields.append(unescape("".join(current)))
    return fields


class Box:
    def __init__(self, fields):
        self.caption, self.text, self.icon, buttons, owner = fields[1:6]
        self.buttons = buttons.split(",") if buttons else []
        self.owner = owner[len("owner="):]

    def __repr__(self):
        return "Box(%r, %r, %s, %s, owner=%r)" % (self.caption, self.text, self.icon, self.buttons, self.owner)


class Transcript:
    def __init__(self, raw):
        self.raw = raw
        self.events = [split(l) for l in raw.replace("\r\n", "\n").split("\n") if l]

    @property
    def error(self):
        for e in self.events:
            if e[0] == "error":
                return e[1]
        return None

    @property
    def completed(self):
        return any(e[0] == "done" for e in self.events)

    def boxes(self):
        return [Box(e) for e in self.events if e[0] == "box"]

    def status_lines(self):
        """(text, bar) for every status line, bar being where it stood when the next
        line (or the end) came."""
        lines = []
        bar = None
        for e in self.events:
            if e[0] == "status":
                if lines:
                    lines[-1] = (lines[-1][0], bar)
                lines.append((e[1], bar))
            elif e[0] == "bar":
                bar = int(e[1])
                if lines:
                    lines[-1] = (lines[-1][0], bar)
            elif e[0] == "box" and lines:
                # A box freezes the line it appears under.
                lines.append(("<box>", bar))
        return [l for l in lines if l[0] not in ("<box>", "")]

    def sequence(self):
        """Status lines and boxes in the order they happened: ("status", text, bar) and
        ("box", Box)."""
        out = []
        bar = None
        pending = None
        for e in self.events:
            if e[0] == "status":
                if pending:
                    out.append(("status", pending, bar))
                pending = e[1] if e[1] else None
            elif e[0] == "bar":
                bar = int(e[1])
            elif e[0] == "box":
                if pending:
                    out.append(("status", pending, bar))
                    pending = None
                out.append(("box", Box(e)))
        if pending:
            out.append(("status", pending, bar))
        return out

    def of(self, kind):
        return [e for e in self.events if e[0] == kind]
