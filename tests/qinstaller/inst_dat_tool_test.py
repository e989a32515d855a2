"""The release tools: inst_dat.py writes "inst.dat" byte for byte and refuses manifests the
installer would refuse; make_release.py assembles a release folder."""
import copy
import json
import os
import struct
import sys
import tempfile
import unittest

TOOLS = os.environ.get("QINSTALLER_RELEASE_TOOLS",
                       os.path.join(os.path.dirname(__file__), "..", "..", "qinstaller", "release"))
sys.path.insert(0, TOOLS)
import inst_dat  # noqa: E402
import make_release  # noqa: E402


def s(text):
    return struct.pack("<i", len(text)) + text


MANIFEST = {
    "welcomeText": "Hi", "uninstallNote": None, "defaultDestination": "C:\\T",
    "defaultSubfolder": "T", "uninstallKeyName": "K1", "displayName": "DN",
    "createStartMenuIcons": True, "createDesktopIcon": 0,
    "files": ["a.exe", "b.hlp"], "extraFiles": ["x.dat"], "programGroup": "G",
    "shortcuts": [{"target": "a.exe", "name": "A"}, {"target": "b.hlp", "name": ""}],
    "desktopTarget": "a.exe", "desktopName": "Desk",
}

EXPECTED = (b"QIDAT_v0105" + s(b"Hi") + struct.pack("<i", 0) + s(b"C:\\T") + s(b"T") + s(b"K1")
            + s(b"DN") + b"\x01\x00" + struct.pack("<i", 2) + s(b"a.exe") + s(b"b.hlp")
            + struct.pack("<i", 1) + s(b"x.dat") + s(b"G") + struct.pack("<i", 2) + s(b"a.exe")
            + s(b"b.hlp") + s(b"A") + struct.pack("<i", 0) + s(b"a.exe") + s(b"Desk"))


class InstDat(unittest.TestCase):
    def test_writes_the_fields_in_the_installers_order(self):
        self.assertEqual(EXPECTED, inst_dat.encode(MANIFEST))

    def test_ansi_text_is_written_in_the_western_code_page(self):
        m = dict(MANIFEST, welcomeText="Caf\u00e9")
        self.assertIn(s(b"Caf\xe9"), inst_dat.encode(m))
        with self.assertRaises(inst_dat.ManifestError):
            inst_dat.encode(dict(MANIFEST, welcomeText="\u4e2d"))

    def test_each_list_takes_one_to_two_thousand_entries(self):
        for field, entry in (("files", "f"), ("extraFiles", "e"),
                             ("shortcuts", {"target": "t", "name": "n"})):
            for count, accepted in ((0, False), (1, True), (2000, True), (2001, False)):
                m = copy.deepcopy(MANIFEST)
                m[field] = [entry] * count
                if accepted:
                    self.assertIn(struct.pack("<i", count), inst_dat.encode(m))
                else:
                    with self.assertRaises(inst_dat.ManifestError, msg=f"{field} {count}"):
                        inst_dat.encode(m)

    def test_the_destination_must_fit_260_characters_and_fields_must_be_there(self):
        inst_dat.encode(dict(MANIFEST, defaultDestination="C:\\" + "d" * 256))
        with self.assertRaises(inst_dat.ManifestError):
            inst_dat.encode(dict(MANIFEST, defaultDestination="C:\\" + "d" * 257))
        m = dict(MANIFEST)
        del m["desktopName"]
        with self.assertRaises(inst_dat.ManifestError):
            inst_dat.encode(m)
        with self.assertRaises(inst_dat.ManifestError):
            inst_dat.encode(dict(MANIFEST, createDesktopIcon=300))

    def test_the_command_line_writes_the_file_and_fails_cleanly(self):
        with tempfile.TemporaryDirectory() as folder:
            manifest = os.path.join(folder, "m.json")
            with open(manifest, "w", encoding="utf-8") as f:
                json.dump(MANIFEST, f)
            out = os.path.join(folder, "inst.dat")
            self.assertEqual(0, inst_dat.main(["inst_dat.py", manifest, out]))
            with open(out, "rb") as f:
                self.assertEqual(EXPECTED, f.read())
            with open(manifest, "w", encoding="utf-8") as f:
                json.dump(dict(MANIFEST, files=[]), f)
            self.assertEqual(1, inst_dat.main(["inst_dat.py", manifest, out]))


class MakeRelease(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.inputs = {}
        for name in ("watcher", "help", "installer", "uninstaller"):
            path = os.path.join(self.folder.name, name + ".bin")
            with open(path, "wb") as f:
                f.write(name.encode())
            self.inputs[name] = path
        with open(os.path.join(TOOLS, "release.json"), encoding="utf-8") as f:
            self.manifest = json.load(f)
        self.out = os.path.join(self.folder.name, "release")

    def assemble(self, manifest=None):
        make_release.assemble(manifest or self.manifest, self.out, self.inputs["watcher"],
                              self.inputs["help"], self.inputs["installer"], self.inputs["uninstaller"])

    def test_the_folder_holds_the_programs_and_the_help_under_their_names_and_inst_dat(self):
        self.assemble()
        self.assertEqual(["QUninst.exe", "Tessary.chm", "inst.dat", "qinstaller.exe", "tessary.exe"],
                         sorted(os.listdir(self.out)))
        with open(os.path.join(self.out, "tessary.exe"), "rb") as f:
            self.assertEqual(b"watcher", f.read())
        with open(os.path.join(self.out, "Tessary.chm"), "rb") as f:
            self.assertEqual(b"help", f.read())
        with open(os.path.join(self.out, "inst.dat"), "rb") as f:
            self.assertEqual(inst_dat.encode(self.manifest), f.read())
        os.remove(os.path.join(self.out, "inst.dat"))
        self.assemble()  # a release folder, even a partial one, is rebuilt in place
        self.assertEqual(5, len(os.listdir(self.out)))

    def test_a_listed_file_missing_from_the_release_is_refused(self):
        with self.assertRaises(inst_dat.ManifestError):
            self.assemble(dict(self.manifest, files=["tessary.exe", "Tessary.hlp"]))

    def test_a_folder_that_is_not_a_release_is_left_alone(self):
        os.makedirs(self.out)
        keep = os.path.join(self.out, "keep.txt")
        open(keep, "w").close()
        with self.assertRaises(inst_dat.ManifestError):
            self.assemble()
        self.assertTrue(os.path.exists(keep))


if __name__ == "__main__":
    unittest.main()
