#!/usr/bin/env python3
"""Assembles a release folder: the mail watcher and its help, the installer, the uninstaller and
"inst.dat".

Usage: make_release.py --manifest release.json --out FOLDER --program tessary.exe
                       --help-file Tessary.chm --installer qinstaller.exe --uninstaller QUninst.exe

Every file the manifest lists for copying must be in the folder once it is assembled.
"""
import argparse
import json
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import inst_dat  # noqa: E402

# The names the installer and "inst.dat" expect inside the release folder.
PROGRAM_NAME = "tessary.exe"
HELP_NAME = "Tessary.chm"
INSTALLER_NAME = "qinstaller.exe"
UNINSTALLER_NAME = "QUninst.exe"


def assemble(manifest, out, program, help_file, installer, uninstaller):
    data = inst_dat.encode(manifest)  # refuses a manifest the installer would refuse
    if os.path.isdir(out):
        # Only a folder holding nothing but a release's own files is replaced.
        ours = {PROGRAM_NAME, HELP_NAME, INSTALLER_NAME, UNINSTALLER_NAME, "inst.dat"}
        strangers = [name for name in os.listdir(out) if name not in ours]
        if strangers:
            raise inst_dat.ManifestError(f"{out} is not a release folder: it holds {strangers[0]}")
        shutil.rmtree(out)
    os.makedirs(out)
    for source, name in ((program, PROGRAM_NAME), (help_file, HELP_NAME), (installer, INSTALLER_NAME),
                         (uninstaller, UNINSTALLER_NAME)):
        if not os.path.isfile(source):
            raise inst_dat.ManifestError(f"{source} does not exist")
        shutil.copyfile(source, os.path.join(out, name))
    for name in manifest["files"]:
        if not name or not os.path.isfile(os.path.join(out, name.replace("\\", os.sep))):
            raise inst_dat.ManifestError(f"files: {name!r} is not part of the release")
    with open(os.path.join(out, "inst.dat"), "wb") as f:
        f.write(data)


def main(argv):
    parser = argparse.ArgumentParser(description="Assembles a Tessary release folder.")
    for option in ("--manifest", "--out", "--program", "--help-file", "--installer", "--uninstaller"):
        parser.add_argument(option, required=True)
    args = parser.parse_args(argv[1:])
    try:
        with open(args.manifest, encoding="utf-8") as f:
            manifest = json.load(f)
        assemble(manifest, args.out, args.program, args.help_file, args.installer, args.uninstaller)
    except (OSError, ValueError) as error:
        print(f"make_release: {error}", file=sys.stderr)
        return 1
    print(f"make_release: release folder {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
