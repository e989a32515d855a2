#!/usr/bin/env python3
"""Writes "inst.dat", the file that tells qinstaller what a release installs, from a JSON manifest.

Usage: inst_dat.py MANIFEST.json OUT.dat

The file: the magic "QIDAT_v0105", then little-endian int32 counts and length-prefixed 8-bit
strings (length 0 for an absent string) and two option bytes, in the installer's field order.
"""
import json
import struct
import sys

MAGIC = b"QIDAT_v0105"
SMALLEST_COUNT = 1
LARGEST_COUNT = 2000
PATH_BUFFER = 260  # the installer keeps the destination in a buffer of this many characters
ENCODING = "cp1252"  # the installer uses the ANSI code page of western Windows

STRING_FIELDS = ("welcomeText", "uninstallNote", "defaultDestination", "defaultSubfolder",
                 "uninstallKeyName", "displayName")
FLAG_FIELDS = ("createStartMenuIcons", "createDesktopIcon")


class ManifestError(ValueError):
    pass


def _string(value, field):
    if value is None:
        return struct.pack("<i", 0)
    if not isinstance(value, str):
        raise ManifestError(f"{field}: a text is expected")
    try:
        data = value.encode(ENCODING)
    except UnicodeEncodeError:
        raise ManifestError(f"{field}: {value!r} has characters outside {ENCODING}") from None
    return struct.pack("<i", len(data)) + data


def _flag(value, field):
    if isinstance(value, bool):
        return bytes([1 if value else 0])
    if isinstance(value, int) and 0 <= value <= 255:
        return bytes([value])
    raise ManifestError(f"{field}: true, false or 0..255 is expected")


def _count(items, field):
    if not isinstance(items, list):
        raise ManifestError(f"{field}: a list is expected")
    if not SMALLEST_COUNT <= len(items) <= LARGEST_COUNT:
        raise ManifestError(f"{field}: {len(items)} entries, the installer takes "
                            f"{SMALLEST_COUNT} to {LARGEST_COUNT}")
    return struct.pack("<i", len(items))


def _require(manifest, field):
    if field not in manifest:
        raise ManifestError(f"{field}: missing")
    return manifest[field]


def encode(manifest):
    """The bytes of "inst.dat" for a manifest (a dict); raises ManifestError when the installer
    would refuse the result."""
    destination = _require(manifest, "defaultDestination")
    if destination is not None and len(_string(destination, "defaultDestination")) - 4 >= PATH_BUFFER:
        raise ManifestError(f"defaultDestination: must be shorter than {PATH_BUFFER} characters")
    out = bytearray(MAGIC)
    for field in STRING_FIELDS:
        out += _string(_require(manifest, field), field)
    for field in FLAG_FIELDS:
        out += _flag(_require(manifest, field), field)
    for field in ("files", "extraFiles"):
        items = _require(manifest, field)
        out += _count(items, field)
        for i, item in enumerate(items):
            out += _string(item, f"{field}[{i}]")
    out += _string(_require(manifest, "programGroup"), "programGroup")
    shortcuts = _require(manifest, "shortcuts")
    out += _count(shortcuts, "shortcuts")
    for key in ("target", "name"):  # all targets first, then all names
        for i, shortcut in enumerate(shortcuts):
            if not isinstance(shortcut, dict):
                raise ManifestError(f"shortcuts[{i}]: an object with target and name is expected")
            out += _string(_require(shortcut, key), f"shortcuts[{i}].{key}")
    out += _string(_require(manifest, "desktopTarget"), "desktopTarget")
    out += _string(_require(manifest, "desktopName"), "desktopName")
    return bytes(out)


def write(manifest, path):
    data = encode(manifest)
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        with open(argv[1], encoding="utf-8") as f:
            manifest = json.load(f)
        write(manifest, argv[2])
    except (OSError, ValueError) as error:
        print(f"inst_dat: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
