#!/usr/bin/env python3
"""Writes the ZIP archives that the reader's tests and fuzzer start from.

    make_fixtures.py OUTPUT_FOLDER

Python's zipfile makes every archive; the faults it cannot make (a cleared UTF-8
flag, an encryption flag, a wrong CRC or size, broken compressed data, a local header
that disagrees) are patched into its output by the small helpers below, so each
fixture is the smallest archive that shows its case. The output is the same on every
run (fixed times, fixed contents).
"""
import io
import os
import struct
import sys
import zipfile

DOS_TIME = (2021, 6, 15, 13, 45, 30)
# 2022-03-04 05:06:07 UTC and two neighbours, for the "UT" extra block.
UNIX_WRITE = 1646370367
UNIX_ACCESS = 1646370367 + 3600
UNIX_CREATE = 1646370367 - 86400


def compressible(size, seed=1):
    """Text-like bytes that deflate well but not trivially."""
    words = [b"kivra", b"update", b"client", b"package", b"entry", b"folder", b"\n", b" "]
    out = bytearray()
    x = seed
    while len(out) < size:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out += words[(x >> 16) % len(words)]
    return bytes(out[:size])


def info(name, method=zipfile.ZIP_DEFLATED, date_time=DOS_TIME, system=3, attr=None, extra=b""):
    zi = zipfile.ZipInfo(name, date_time)
    zi.compress_type = method
    zi.create_system = system
    zi.external_attr = (0o100644 << 16) if attr is None else attr
    zi.extra = extra
    return zi


def build(entries, comment=b"", seekable=True):
    """entries: list of (ZipInfo, bytes). Unseekable output gives data descriptors."""
    raw = io.BytesIO()
    if seekable:
        target = raw
    else:
        class Unseekable:
            def write(self, b):
                return raw.write(b)

            def flush(self):
                pass
        target = Unseekable()
    with zipfile.ZipFile(target, "w") as zf:
        for zi, data in entries:
            zf.writestr(zi, data)
        zf.comment = comment
    return bytearray(raw.getvalue())


def headers(data, name):
    """Offsets of the central and local header of the entry called `name` (bytes)."""
    end = data.rfind(b"PK\x05\x06")
    count, size, offset = struct.unpack_from("<HII", data, end + 10)
    pos = offset
    for _ in range(count):
        n, e, c = struct.unpack_from("<HHH", data, pos + 28)
        stored = bytes(data[pos + 46:pos + 46 + n])
        local = struct.unpack_from("<I", data, pos + 42)[0]
        if stored == name:
            return pos, local
        pos += 46 + n + e + c
    raise KeyError(name)


def patch16(data, name, field_central, field_local, fn, local=True):
    central, lo = headers(data, name)
    v = struct.unpack_from("<H", data, central + field_central)[0]
    struct.pack_into("<H", data, central + field_central, fn(v))
    if local:
        v = struct.unpack_from("<H", data, lo + field_local)[0]
        struct.pack_into("<H", data, lo + field_local, fn(v))


def patch32(data, name, field_central, field_local, fn, local=True):
    central, lo = headers(data, name)
    v = struct.unpack_from("<I", data, central + field_central)[0]
    struct.pack_into("<I", data, central + field_central, fn(v))
    if local:
        v = struct.unpack_from("<I", data, lo + field_local)[0]
        struct.pack_into("<I", data, lo + field_local, fn(v))


def data_offset(data, name):
    _, lo = headers(data, name)
    n, e = struct.unpack_from("<HH", data, lo + 26)
    return lo + 30 + n + e


def ut_block(flags, *times):
    body = bytes([flags]) + b"".join(struct.pack("<i", t) for t in times)
    return struct.pack("<HH", 0x5455, len(body)) + body


def fixtures():
    big = compressible(100000)
    out = {}

    # The everyday package: stored and deflated files, folder entries, nested folders
    # with both separators, a UTF-8 name.
    basic = [
        (info("plain.txt", zipfile.ZIP_STORED), b"stored bytes\r\n"),
        (info("deflated.bin"), big),
        (info("empty.txt"), b""),
        (info("data/", zipfile.ZIP_STORED, attr=(0o40755 << 16) | 0x10), b""),
        (info("plugins/a.dll"), b"MZ plugin " * 50),
        (info("nested/deep/x.txt"), b"forward slashes"),
        (info("nested\\back\\y.txt"), b"back slashes"),
        (info("中文/说明.txt"), "汉字内容".encode("utf-8")),
    ]
    plain = build(basic)
    out["basic.zip"] = plain
    # Zipfile marks non-ASCII names as UTF-8; packers often do not.
    utf8 = build(basic)
    patch16(utf8, "中文/说明.txt".encode("utf-8"), 8, 6, lambda f: f & ~0x0800)
    out["utf8_no_flag.zip"] = utf8
    out["junk_in_front.zip"] = bytearray(b"J" * 30) + plain
    out["long_comment.zip"] = build(basic, comment=b"c" * 2000)
    out["data_descriptor.zip"] = build(basic, seekable=False)

    # Attributes by host: FAT (0) and NTFS (11) store Windows bits, Unix (3) a mode.
    out["attributes.zip"] = build([
        (info("fat_ro_hidden.txt", system=0, attr=0x01 | 0x02 | 0x20), b"a"),
        (info("fat_system.txt", system=0, attr=0x04), b"b"),
        (info("fat_dir/", zipfile.ZIP_STORED, system=0, attr=0x10), b""),
        (info("ntfs_archive.txt", system=11, attr=0x20 | 0x80), b"c"),
        (info("unix_rw.txt", system=3, attr=0o100644 << 16), b"d"),
        (info("unix_ro.txt", system=3, attr=0o100444 << 16), b"e"),
        (info("unix_dir/", zipfile.ZIP_STORED, system=3, attr=0o40755 << 16), b""),
    ])

    # Times: DOS only, a "UT" block with the modification time only, and with all three
    # (behind another extra block, so the walk over blocks is exercised).
    out["times.zip"] = build([
        (info("dos_only.txt"), b"x"),
        (info("ut_write.txt", extra=ut_block(1, UNIX_WRITE)), b"y"),
        (info("ut_all.txt", extra=struct.pack("<HH", 0xCAFE, 3) + b"abc" +
              ut_block(7, UNIX_WRITE, UNIX_ACCESS, UNIX_CREATE)), b"z"),
    ])

    # Faults. Each archive has one good entry "good.txt" beside the broken one.
    def faulty(name, method, payload):
        return build([(info("good.txt"), b"good"), (info(name, method), payload)])

    enc = faulty("secret.txt", zipfile.ZIP_STORED, b"not really encrypted")
    patch16(enc, b"secret.txt", 8, 6, lambda f: f | 0x0001)
    out["encrypted.zip"] = enc

    bad_crc = faulty("target.bin", zipfile.ZIP_DEFLATED, big)
    patch32(bad_crc, b"target.bin", 16, 14, lambda v: v ^ 0x1)
    out["bad_crc.zip"] = bad_crc

    bad_crc_stored = faulty("target.bin", zipfile.ZIP_STORED, big)
    patch32(bad_crc_stored, b"target.bin", 16, 14, lambda v: v ^ 0x80000000)
    out["bad_crc_stored.zip"] = bad_crc_stored

    # A reserved block type in the first byte of the deflate stream.
    bad_deflate = faulty("target.bin", zipfile.ZIP_DEFLATED, big)
    bad_deflate[data_offset(bad_deflate, b"target.bin")] = 0x07
    out["bad_deflate.zip"] = bad_deflate

    # The compressed data stops half way: inflate runs dry after data was written.
    cut = faulty("target.bin", zipfile.ZIP_DEFLATED, big)
    patch32(cut, b"target.bin", 20, 18, lambda v: v // 2)
    out["cut_deflate.zip"] = cut

    longer = faulty("target.bin", zipfile.ZIP_DEFLATED, big)
    patch32(longer, b"target.bin", 24, 22, lambda v: v + 1)
    out["size_too_big.zip"] = longer

    shorter = faulty("target.bin", zipfile.ZIP_DEFLATED, big)
    patch32(shorter, b"target.bin", 24, 22, lambda v: v - 1)
    out["size_too_small.zip"] = shorter

    # The local header says stored, the central directory deflated.
    mismatch = faulty("target.bin", zipfile.ZIP_DEFLATED, big)
    patch16(mismatch, b"target.bin", 10, 8, lambda m: 0, local=True)
    central, _ = headers(mismatch, b"target.bin")
    struct.pack_into("<H", mismatch, central + 10, 8)
    out["local_mismatch.zip"] = mismatch

    # Names that try to leave the root folder, and one longer than the limits.
    out["traversal.zip"] = build([
        (info("a/../../evil1.txt"), b"1"),
        (info("../evil2.txt"), b"2"),
        (info("..\\evil3.txt"), b"3"),
        (info("/abs/b.txt"), b"4"),
        (info("C:\\dir\\a.txt"), b"5"),
        (info("tools/../x.dll"), b"6"),
        (info(".."), b"7"),
    ])
    out["long_name.zip"] = build([
        (info("good.txt"), b"good"),
        (info("d" * 200 + "/" + "n" * 99 + ".txt"), b"long"),
    ])

    out["truncated.zip"] = plain[: len(plain) // 2]
    out["not_a_zip.zip"] = bytearray(b"<html>404 Not Found</html>\n" * 10)
    return out


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, data in fixtures().items():
        path = os.path.join(folder, name)
        with open(path + ".tmp", "wb") as f:
            f.write(data)
        os.replace(path + ".tmp", path)


if __name__ == "__main__":
    main()
