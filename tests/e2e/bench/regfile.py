"""Wine's registry files (what its server writes when a hive is saved, and keeps its
system.reg and user.reg in), read into a tree of keys; values in the form statedump shows
them ("sz:", "expand:", "multi:", "dword:0x...", "type<N>:<hex>")."""
import functools
import re

# What a backslash escape of the file stands for: \x and up to four hex digits, up to three
# octal ones, or a letter of C's; any other character stands for itself.
_ESCAPE = re.compile(r"\\(x[0-9a-fA-F]{1,4}|[0-7]{1,3}|.)", re.DOTALL)
_LETTERS = {"a": "\a", "b": "\b", "t": "\t", "n": "\n", "v": "\v", "f": "\f", "r": "\r", "e": "\x1b"}
_KEY = re.compile(r"^\[(.*)\](?: -?\d+)?$")
_VALUE = re.compile(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$')
TYPES = {"sz": 1, "expand": 2, "multi": 7}


# A hive's texts repeat from one save to the next, in every row of the fault matrix: each is
# decoded once per process.
@functools.lru_cache(maxsize=None)
def unescape(text):
    def one(m):
        token = m.group(1)
        if token[0] == "x" and len(token) > 1:
            return chr(int(token[1:], 16))
        if token[0] in "01234567":
            return chr(int(token, 8))
        return _LETTERS.get(token, token)
    text = _ESCAPE.sub(one, text)
    # Characters beyond the first plane are written as their two UTF-16 halves.
    return text.encode("utf-16-le", "surrogatepass").decode("utf-16-le", "replace")


class Key:
    def __init__(self, name):
        self.name = name
        self.values = {}
        self.subkeys = {}
        # A link key's target, as the server names it ("\\Registry\\Machine\\...").
        self.link = None

    def child(self, name):
        key = self.subkeys.get(name.lower())
        if key is None:
            key = self.subkeys[name.lower()] = Key(name)
        return key


def _hex_bytes(raw):
    return bytes(int(b, 16) for b in raw.split(":", 1)[1].split(",") if b.strip())


@functools.lru_cache(maxsize=None)
def _data_text(raw):
    """A value's data as statedump shows it."""
    if raw.startswith('"'):
        return "sz:" + unescape(raw[1:-1]).rstrip("\0")
    if raw.startswith("str("):
        type_id = int(raw[4:raw.index(")")], 16)
        # The file leaves out the string's terminator.
        text = unescape(raw[raw.index('"') + 1:-1]) + "\0"
        return ("multi:" + text) if type_id == 7 else (("expand:" if type_id == 2 else "sz:") + text.rstrip("\0"))
    if raw.startswith("dword:"):
        return "dword:0x%08X" % int(raw[6:], 16)
    type_id = 3 if raw.startswith("hex:") else int(raw[4:raw.index(")")], 16)
    data = _hex_bytes(raw)
    if type_id in (1, 2, 7):
        text = data.decode("utf-16-le", "replace")
        if type_id == 7:
            return "multi:" + text
        return ("expand:" if type_id == 2 else "sz:") + text.rstrip("\0")
    if type_id == 4:
        return "dword:0x%08X" % int.from_bytes((data + b"\0" * 4)[:4], "little")
    return "type%d:%s" % (type_id, data.hex().upper())


def parse(text):
    """The tree of keys a saved hive holds; keys the file names only as parents are there too."""
    root = Key("")
    current = None
    # Hex data goes on over lines that end in a backslash.
    lines = re.sub(r"\\\n\s*", "", text).split("\n")
    for line in lines:
        line = line.rstrip("\r")
        found = _KEY.match(line)
        if found:
            current = root
            for name in unescape(found.group(1)).split("\\"):
                if name:
                    current = current.child(name)
            continue
        if current is None or not line or line.startswith(";"):
            continue
        if line == "#link":
            current.link = ""
            continue
        if line.startswith("#"):
            continue
        found = _VALUE.match(line)
        if not found:
            continue
        name = "" if found.group(1) == "@" else unescape(found.group(1)[1:-1])
        if current.link is not None and name == "SymbolicLinkValue":
            current.link = _hex_bytes(found.group(2)).decode("utf-16-le", "replace").rstrip("\0")
            continue
        data = _data_text(found.group(2))
        current.values[name] = data
    return root


def _target(link, trees):
    """The key a link names, in the hives read: the machine's or the user's."""
    parts = [p for p in link.split("\\") if p]
    if len(parts) < 2 or parts[0].lower() != "registry":
        return None
    if parts[1].lower() == "machine":
        key, rest = trees.get("HKLM"), parts[2:]
    elif parts[1].lower() == "user" and len(parts) > 2:
        key, rest = trees.get("HKCU"), parts[3:]
    else:
        return None
    for name in rest:
        if key is None:
            return None
        key = key.subkeys.get(name.lower())
    return key


def walk(key, trees, path, depth=0):
    """(path, values) of the key and of every key below it, a link followed to its target as
    opening it by name does."""
    seen = key
    for _ in range(16):
        if seen is None or seen.link is None:
            break
        seen = _target(seen.link, trees)
    if seen is None or seen.link is not None or depth > 64:
        return
    yield path, seen.values
    top = path.endswith("\\")
    for sub in seen.subkeys.values():
        yield from walk(sub, trees, path + ("" if top else "\\") + sub.name, depth + 1)
