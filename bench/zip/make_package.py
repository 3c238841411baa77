#!/usr/bin/env python3
"""Writes a realistic update package for the extraction benchmark.

    make_package.py OUTPUT.zip [--scale S]

At scale 1 (the default) the package is about 200 MB: some fifty program files and
libraries of a few MB that deflate the way machine code does (about 2:1), three
incompressible blobs of 10 MB (media, already compressed data), and two thousand small
files of 1 to 24 KB in nested folders (resources, scripts, translations). The content
is pseudo-random from a fixed seed, so every run writes the same package.
"""
import argparse
import random
import zipfile


def machine_code_like(rng, size, pool):
    """Tokens from a shared pool with a little noise: repetitive, but not trivially."""
    parts = []
    n = 0
    while n < size:
        if rng.random() < 0.2:
            chunk = rng.randbytes(rng.randint(4, 24))
        else:
            chunk = pool[rng.randrange(len(pool))]
        parts.append(chunk)
        n += len(chunk)
    return b"".join(parts)[:size]


def text_like(rng, size, words):
    out = []
    n = 0
    while n < size:
        w = words[rng.randrange(len(words))]
        out.append(w)
        n += len(w)
    return b"".join(out)[:size]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("output")
    parser.add_argument("--scale", type=float, default=1.0)
    args = parser.parse_args()
    rng = random.Random(20240611)
    pool = [rng.randbytes(rng.choice((8, 16, 32, 48))) for _ in range(1500)]
    words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10))) + b" "
             for _ in range(3000)] + [b"\n", b"\t", b"<item>", b"</item>", b"=\"", b"\"\n"]

    def scaled(n):
        return max(1, int(n * args.scale))

    with zipfile.ZipFile(args.output, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as zf:
        zf.writestr("KivraClient.exe", machine_code_like(rng, scaled(12 << 20), pool))
        zf.writestr("vantra-sdk-32.dll", machine_code_like(rng, scaled(9 << 20), pool))
        zf.writestr("config.xml", b"<?xml version=\"1.0\"?>\n<root><ClientType>3</ClientType></root>\n")
        for i in range(44):
            zf.writestr(f"bin/module{i:02d}.dll", machine_code_like(rng, scaled(rng.randint(2 << 20, 8 << 20)), pool))
        for i in range(3):
            zf.writestr(f"media/blob{i}.pak", rng.randbytes(scaled(10 << 20)))
        for i in range(2000):
            depth = rng.randint(1, 4)
            folder = "/".join(f"{rng.choice(['res', 'ui', 'lang', 'skin', 'data', 'web'])}{rng.randint(0, 6)}"
                              for _ in range(depth))
            size = scaled(rng.randint(1 << 10, 24 << 10))
            if i % 3 == 0:
                data = machine_code_like(rng, size, pool)
                name = f"{folder}/f{i:04d}.bin"
            else:
                data = text_like(rng, size, words)
                name = f"{folder}/f{i:04d}.txt"
            zf.writestr(name, data)


if __name__ == "__main__":
    main()
