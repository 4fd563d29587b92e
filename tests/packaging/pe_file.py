"""A small reader of 32-bit PE files: machine, subsystem version, imported DLLs and
functions, and the fixed file/product versions of the version resource."""
import struct


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("not an MZ file: " + path)
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header: " + path)
        self.machine, sections, _, _, _, opt_size, self.characteristics = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        (self.os_major, self.os_minor, _, _, self.subsystem_major, self.subsystem_minor) = \
            struct.unpack_from("<HHHHHH", d, opt + 40)
        self.subsystem = struct.unpack_from("<H", d, opt + 68)[0]
        count = struct.unpack_from("<I", d, opt + 92)[0]
        self.directories = [struct.unpack_from("<II", d, opt + 96 + 8 * i) for i in range(count)]
        self.sections = []
        base = opt + opt_size
        for i in range(sections):
            name, vsize, vaddr, rsize, raddr = struct.unpack_from("<8sIIII", d, base + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), raddr))

    def offset(self, rva):
        for vaddr, size, raddr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raddr
        raise ValueError("rva outside sections: %x" % rva)

    def string(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("latin-1")

    def imports(self):
        """{dll name (lower case): [function names or #ordinals]}"""
        rva, size = self.directories[1]
        result = {}
        if not rva:
            return result
        o = self.offset(rva)
        while True:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, o)
            if not name:
                break
            dll = self.string(name).lower()
            thunk = self.offset(lookup or first)
            names = []
            while True:
                value = struct.unpack_from("<I", self.data, thunk)[0]
                if not value:
                    break
                names.append("#%d" % (value & 0xFFFF) if value & 0x80000000 else self.string(value + 2))
                thunk += 4
            result.setdefault(dll, []).extend(names)
            o += 20
        return result

    def exports(self):
        rva, size = self.directories[0]
        if not rva:
            return []
        o = self.offset(rva)
        count, names = struct.unpack_from("<II", self.data, o + 24)[0], struct.unpack_from("<I", self.data, o + 32)[0]
        return [self.string(struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0]) for i in range(count)]

    def resources(self):
        """{type id: [name ids]} of the top two levels of the resource tree."""
        rva, size = self.directories[2] if len(self.directories) > 2 else (0, 0)
        if not rva:
            return {}
        base = self.offset(rva)

        def entries(at):
            named, ids = struct.unpack_from("<HH", self.data, at + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
                yield name, target

        out = {}
        for type_id, target in entries(base):
            if target & 0x80000000:
                out[type_id] = [n for n, _ in entries(base + (target & 0x7FFFFFFF))]
        return out

    def fixed_versions(self):
        """(file version, product version) as dotted texts, or None without a resource."""
        needle = b"\xbd\x04\xef\xfe"
        at = self.data.find(needle)
        if at < 0:
            return None
        ms, ls, pms, pls = struct.unpack_from("<IIII", self.data, at + 8)
        dotted = lambda hi, lo: "%d.%d.%d.%d" % (hi >> 16, hi & 0xFFFF, lo >> 16, lo & 0xFFFF)
        return dotted(ms, ls), dotted(pms, pls)
