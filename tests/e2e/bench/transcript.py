"""What guidriver saw: status lines with the bar they were shown with, message boxes,
windows and dumps, parsed from its "kind|field|..." lines."""
import re

_ESCAPES = {"r": "\r", "n": "\n", "t": "\t"}
# An escape (\xHH, or a backslash and the character it keeps) or a field separator; a lone
# backslash at the very end stays as it is.
_TOKEN = re.compile(r"\\x[0-9A-Fa-f]{2}|\\.|\|", re.DOTALL)


def _unescaped(token):
    if token[1] == "x" and len(token) == 4:
        return chr(int(token[2:], 16))
    return _ESCAPES.get(token[1], token[1])


def unescape(text):
    if "\\" not in text:
        return text
    return _TOKEN.sub(lambda m: "|" if m.group() == "|" else _unescaped(m.group()), text)


def split(line):
    # A registry dump has tens of thousands of lines: the separators are found by one scan.
    if "\\" not in line:
        return line.split("|")
    fields, current, last = [], [], 0
    for m in _TOKEN.finditer(line):
        current.append(line[last:m.start()])
        token = m.group()
        if token == "|":
            fields.append("".join(current))
            current = []
        else:
            current.append(_unescaped(token))
        last = m.end()
    current.append(line[last:])
    fields.append("".join(current))
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

    def sequence(self):
        """Status lines and message boxes in the order they happened: ("status", text, bar)
        and ("box", Box). A line's bar is the position it stood at for the longest part of
        the time the line was shown (the bar steps a moment before the text that belongs
        to the step is written, so the last reading of a line is often the next one's)."""
        out = []
        bar, bar_since = None, 0
        current = None  # [text, {bar: duration}, shown_since]
        clock = 0

        def close_line(now):
            if current is None or not current[0]:
                return
            durations = current[1]
            if bar is not None:
                durations[bar] = durations.get(bar, 0) + (now - max(bar_since, current[2]))
            best = max(durations.items(), key=lambda kv: (kv[1], kv[0]))[0] if durations else bar
            out.append(("status", current[0], best))

        for e in self.events:
            if e[0] in ("status", "bar") and len(e) > 2:
                clock = int(e[2])
            if e[0] == "status":
                close_line(clock)
                current = [e[1], {}, clock]
            elif e[0] == "bar":
                if current is not None and bar is not None:
                    current[1][bar] = current[1].get(bar, 0) + (clock - max(bar_since, current[2]))
                bar, bar_since = int(e[1]), clock
            elif e[0] == "box":
                close_line(clock + 1)
                current = None
                out.append(("box", Box(e)))
        close_line(clock + 1)
        return out

    def status_lines(self):
        """(text, bar) for every status line, in order."""
        return [(s[1], s[2]) for s in self.sequence() if s[0] == "status"]

    def of(self, kind):
        return [e for e in self.events if e[0] == kind]
