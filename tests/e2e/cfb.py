"""A small reader and writer of compound files (the structured storage of .msi and .mst files).

Only what test media need: version 3 files (512-byte sectors), whole-file read and write, no
in-place editing. A file is a tree of `Storage` objects holding streams (bytes) and
substorages, each storage with its class id.
"""

import struct
import uuid

SIGNATURE = bytes.fromhex("d0cf11e0a1b11ae1")
SECTOR = 512
MINI_SECTOR = 64
MINI_CUTOFF = 4096

FREESECT = 0xFFFFFFFF
ENDOFCHAIN = 0xFFFFFFFE
FATSECT = 0xFFFFFFFD
DIFSECT = 0xFFFFFFFC
NOSTREAM = 0xFFFFFFFF

_STORAGE, _STREAM, _ROOT = 1, 2, 5
_HEADER_DIFAT = 109
_PER_SECTOR = SECTOR // 4


class Storage:
    """A storage: named streams and substorages, and a class id (a uuid.UUID)."""

    def __init__(self, clsid=None):
        self.clsid = clsid or uuid.UUID(int=0)
        self.streams = {}
        self.storages = {}


# ---------------------------------------------------------------------------------------------
# Reading


def read(data):
    """The root storage of the compound file `data` (bytes)."""
    if data[:8] != SIGNATURE:
        raise ValueError("not a compound file")
    (sector_shift, mini_shift) = struct.unpack_from("<HH", data, 0x1E)
    if sector_shift != 9 or mini_shift != 6:
        raise ValueError("only 512-byte sector files are supported")
    (fat_count, dir_start, _tx, cutoff, minifat_start, minifat_count, difat_start,
     difat_count) = struct.unpack_from("<IIIIIIII", data, 0x2C)

    def sector(n):
        off = (n + 1) * SECTOR
        return data[off:off + SECTOR]

    fat_sectors = list(struct.unpack_from("<109I", data, 0x4C))
    n = difat_start
    for _ in range(difat_count):
        words = struct.unpack("<128I", sector(n))
        fat_sectors.extend(words[:-1])
        n = words[-1]
    fat = []
    for s in fat_sectors[:fat_count]:
        fat.extend(struct.unpack("<128I", sector(s)))

    def chain(start):
        out, n, seen = [], start, set()
        while n not in (ENDOFCHAIN, FREESECT):
            if n in seen or n >= len(fat):
                raise ValueError("broken sector chain")
            seen.add(n)
            out.append(n)
            n = fat[n]
        return out

    def big_stream(start, size=None):
        body = b"".join(sector(n) for n in chain(start))
        return body if size is None else body[:size]

    directory = big_stream(dir_start)
    entries = []
    for off in range(0, len(directory), 128):
        raw = directory[off:off + 128]
        name_len, kind, _color, left, right, child = struct.unpack_from("<HBBIII", raw, 64)
        name = raw[:max(name_len - 2, 0)].decode("utf-16-le")
        clsid = uuid.UUID(bytes_le=raw[80:96])
        start, size = struct.unpack_from("<IQ", raw, 116)
        entries.append((name, kind, left, right, child, clsid, start, size & 0xFFFFFFFF))

    root = entries[0]
    mini_stream = big_stream(root[6], root[7]) if root[7] else b""
    minifat = []
    if minifat_count:
        raw = big_stream(minifat_start)
        minifat = list(struct.unpack("<%dI" % (len(raw) // 4), raw))

    def mini_stream_data(start, size):
        out, n, seen = [], start, set()
        while n not in (ENDOFCHAIN, FREESECT) and n < len(minifat):
            if n in seen:
                raise ValueError("broken mini sector chain")
            seen.add(n)
            out.append(mini_stream[n * MINI_SECTOR:(n + 1) * MINI_SECTOR])
            n = minifat[n]
        return b"".join(out)[:size]

    def fill(storage, child):
        stack = [child]
        while stack:
            i = stack.pop()
            if i == NOSTREAM:
                continue
            name, kind, left, right, sub, clsid, start, size = entries[i]
            stack += [left, right]
            if kind == _STREAM:
                if size < cutoff:
                    storage.streams[name] = mini_stream_data(start, size)
                else:
                    storage.streams[name] = big_stream(start, size)
            elif kind == _STORAGE:
                inner = Storage(clsid)
                fill(inner, sub)
                storage.storages[name] = inner

    top = Storage(root[5])
    fill(top, root[4])
    return top


def read_file(path):
    with open(path, "rb") as f:
        return read(f.read())


# ---------------------------------------------------------------------------------------------
# Writing


def _sort_key(name):
    # Directory order: shorter names first, then by upper-cased code units.
    return (len(name), name.upper())


class _Entry:
    def __init__(self, name, kind, clsid=None, data=b""):
        self.name, self.kind, self.data = name, kind, data
        self.clsid = clsid or uuid.UUID(int=0)
        self.left = self.right = self.child = NOSTREAM
        self.red = False
        self.start, self.size = ENDOFCHAIN, 0


def _flatten(storage, entries, parent):
    """Appends the entries below `storage`, linking them as a balanced binary tree under
    `parent`. Nodes on the bottom level of an incomplete tree are red, all others black,
    which keeps the red-black rules readers may check."""
    children = []
    for name in storage.streams:
        children.append(_Entry(name, _STREAM, data=storage.streams[name]))
    for name, sub in storage.storages.items():
        e = _Entry(name, _STORAGE, clsid=sub.clsid)
        e.sub = sub
        children.append(e)
    for e in children:
        if len(e.name) > 31:
            raise ValueError("compound file names are at most 31 characters: %r" % e.name)
    children.sort(key=lambda e: _sort_key(e.name))
    if len({_sort_key(e.name) for e in children}) != len(children):
        raise ValueError("duplicate names in one storage")
    base = len(entries)
    entries.extend(children)
    index = {id(e): base + i for i, e in enumerate(children)}

    depth_of = {}

    def build(lo, hi, depth):
        if lo >= hi:
            return NOSTREAM
        mid = (lo + hi) // 2
        node = children[mid]
        depth_of[id(node)] = depth
        node.left = build(lo, mid, depth + 1)
        node.right = build(mid + 1, hi, depth + 1)
        return index[id(node)]

    parent.child = build(0, len(children), 0)
    if children:
        deepest = max(depth_of.values())
        full = (1 << (deepest + 1)) - 1 == len(children)
        for e in children:
            e.red = not full and depth_of[id(e)] == deepest and deepest > 0
    for e in children:
        if e.kind == _STORAGE:
            _flatten(e.sub, entries, e)


def write(root):
    """The bytes of a compound file holding `root` (a Storage)."""
    top = _Entry("Root Entry", _ROOT, clsid=root.clsid)
    entries = [top]
    _flatten(root, entries, top)

    # Small streams go to the mini stream, the rest to whole sectors.
    mini, minifat = bytearray(), []
    big = []
    for e in entries:
        if e.kind != _STREAM:
            continue
        e.size = len(e.data)
        if not e.data:
            continue
        if len(e.data) < MINI_CUTOFF:
            count = -(-len(e.data) // MINI_SECTOR)
            e.start = len(minifat)
            minifat.extend(range(e.start + 1, e.start + count))
            minifat.append(ENDOFCHAIN)
            mini += e.data + b"\0" * (count * MINI_SECTOR - len(e.data))
        else:
            big.append(e)

    sectors = []   # payload per sector
    fat = []

    def place(data):
        count = max(1, -(-len(data) // SECTOR))
        start = len(sectors)
        for i in range(count):
            sectors.append(data[i * SECTOR:(i + 1) * SECTOR])
            fat.append(start + i + 1 if i + 1 < count else ENDOFCHAIN)
        return start

    for e in big:
        e.start = place(e.data)
    if mini:
        top.start, top.size = place(bytes(mini)), len(mini)
    minifat_start, minifat_count = ENDOFCHAIN, 0
    if minifat:
        raw = struct.pack("<%dI" % len(minifat), *minifat)
        minifat_count = -(-len(raw) // SECTOR)
        minifat_start = place(raw + b"\xff" * (minifat_count * SECTOR - len(raw)))

    while len(entries) % (SECTOR // 128):
        entries.append(None)
    directory = bytearray()
    for e in entries:
        if e is None:
            raw = bytearray(128)
            struct.pack_into("<III", raw, 68, NOSTREAM, NOSTREAM, NOSTREAM)
            directory += raw
            continue
        name = e.name.encode("utf-16-le") + b"\0\0"
        raw = bytearray(128)
        raw[:len(name)] = name
        struct.pack_into("<HBBIII", raw, 64, len(name), e.kind, 0 if e.red else 1,
                         e.left, e.right, e.child)
        raw[80:96] = e.clsid.bytes_le
        struct.pack_into("<IQ", raw, 116, e.start, e.size)
        directory += raw
    dir_start = place(bytes(directory))

    # The FAT describes itself; grow it until it covers every sector including its own.
    fat_count = 0
    while fat_count * _PER_SECTOR < len(sectors) + fat_count:
        fat_count += 1
    if fat_count > _HEADER_DIFAT:
        raise ValueError("file too large for this writer")
    fat_start = len(sectors)
    fat.extend([FATSECT] * fat_count)
    fat.extend([FREESECT] * (fat_count * _PER_SECTOR - len(fat)))
    for i in range(fat_count):
        sectors.append(struct.pack("<128I", *fat[i * _PER_SECTOR:(i + 1) * _PER_SECTOR]))

    header = bytearray(SECTOR)
    header[:8] = SIGNATURE
    struct.pack_into("<HHHHH", header, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIII", header, 0x2C, fat_count, dir_start, 0, MINI_CUTOFF,
                     minifat_start, minifat_count, ENDOFCHAIN, 0)
    difat = [fat_start + i for i in range(fat_count)]
    difat += [FREESECT] * (_HEADER_DIFAT - len(difat))
    struct.pack_into("<109I", header, 0x4C, *difat)

    out = bytearray(header)
    for s in sectors:
        out += s + b"\0" * (SECTOR - len(s))
    return bytes(out)


def write_file(path, root):
    with open(path, "wb") as f:
        f.write(write(root))
