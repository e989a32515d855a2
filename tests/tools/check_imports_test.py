# tools/check-imports over objdump listings made here: what it lets through, what it refuses and
# why, and the rules its allowlist must follow.
import os
import subprocess
import sys
import tempfile
import unittest

TOOL = os.environ.get("TESSARY_CHECK_IMPORTS",
                      os.path.join(os.path.dirname(__file__), "..", "..", "tools", "check-imports"))

HEADER = """
tessary.exe:     file format pei-i386

Magic\t\t\t{magic}\t(PE32)
MajorOSystemVersion\t{os_major}
MinorOSystemVersion\t0
MajorImageVersion\t0
MinorImageVersion\t0
MajorSubsystemVersion\t{sub_major}
MinorSubsystemVersion\t{sub_minor}
Subsystem\t\t00000002\t(Windows GUI)

The Import Tables (interpreted .idata section contents)
 vma:            Hint    Time      Forward  DLL       First
                 Table   Stamp     Chain    Name      Thunk
 00078000\t00078104 00000000 00000000 0007981c 000784fc
"""

ALLOWLIST = """
source sdk the platform's reference
source wine Wine's export definition files
KERNEL32.dll CloseHandle sdk,wine
KERNEL32.dll MoveFileExA sdk,stub9x -- the caller falls back to MoveFileA
msvcrt.dll malloc sdk
"""


def dll_block(name, functions):
    lines = ["", "\tDLL Name: %s" % name, "\tvma:  Hint/Ord Member-Name Bound-To"]
    for n, function in enumerate(functions):
        lines.append("\t%x\t %4d  %s" % (0x788f4 + 16 * n, 100 + n, function))
    return "\n".join(lines) + "\n"


def listing(dlls, magic="010b", os_major=4, sub_major=4, sub_minor=0, tail=""):
    text = HEADER.format(magic=magic, os_major=os_major, sub_major=sub_major, sub_minor=sub_minor)
    for name, functions in dlls:
        text += dll_block(name, functions)
    return text + "\n" + (tail or "PE File Base Relocations (interpreted .reloc section contents)\n")


GOOD = [("KERNEL32.dll", ["CloseHandle", "MoveFileExA"]), ("msvcrt.dll", ["malloc"])]


class CheckImports(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.allowlist = self.write("allow.txt", ALLOWLIST)

    def tearDown(self):
        self.folder.cleanup()

    def write(self, name, text):
        path = os.path.join(self.folder.name, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def check(self, *listings, allowlist=None):
        args = [sys.executable, TOOL, "--allowlist", allowlist or self.allowlist]
        for n, text in enumerate(listings):
            args += ["--listing", "image%d.exe=%s" % (n, self.write("l%d.txt" % n, text))]
        result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)
        return result.returncode, result.stdout

    def test_an_image_of_allowed_imports_passes_and_is_counted(self):
        code, out = self.check(listing(GOOD))
        self.assertEqual(0, code, out)
        self.assertIn("image0.exe: loads on Windows 95 and NT 4 (3 functions from 2 DLLs)", out)

    def test_the_posix_runtime_imports_are_named_one_by_one(self):
        dlls = [("KERNEL32.dll", ["CloseHandle", "GetTickCount64", "AddVectoredExceptionHandler"])]
        code, out = self.check(listing(dlls))
        self.assertEqual(1, code)
        self.assertIn("error: imports KERNEL32.dll GetTickCount64, which is not in the allowlist", out)
        self.assertIn("error: imports KERNEL32.dll AddVectoredExceptionHandler, which is not in the allowlist", out)
        self.assertNotIn("CloseHandle", out)

    def test_dlls_old_systems_lack_fail_with_the_reason(self):
        for dll, why in [("libwinpthread-1.dll", "MinGW runtime"), ("api-ms-win-crt-runtime-l1-1-0.dll", "API set"),
                         ("ucrtbase.dll", "Universal C runtime"), ("RASAPI32.DLL", "not in the allowlist")]:
            with self.subTest(dll=dll):
                code, out = self.check(listing(GOOD + [(dll, ["whatever"])]))
                self.assertEqual(1, code)
                self.assertIn("imports %s" % dll, out)
                self.assertIn(why, out)

    def test_versions_above_four_fail_and_four_passes(self):
        for kwargs, problem in [(dict(os_major=5), "OS version 5.0"), (dict(sub_major=6), "subsystem version 6.0"),
                                (dict(sub_minor=10), "subsystem version 4.10")]:
            with self.subTest(problem=problem):
                code, out = self.check(listing(GOOD, **kwargs))
                self.assertEqual(1, code)
                self.assertIn(problem + " is above 4.0", out)
        self.assertEqual(0, self.check(listing(GOOD, os_major=3, sub_major=3, sub_minor=10))[0])

    def test_a_64_bit_image_and_an_ordinal_import_fail(self):
        code, out = self.check(listing(GOOD, magic="020b"))
        self.assertEqual(1, code)
        self.assertIn("not a 32-bit (PE32) image", out)
        ordinal = listing(GOOD).replace("\t%x\t %4d  malloc" % (0x788f4, 100), "\t80000011  17  <none> <none>")
        code, out = self.check(ordinal)
        self.assertEqual(1, code)
        self.assertIn("imports msvcrt.dll by ordinal 17", out)

    def test_one_bad_image_fails_the_run_but_every_image_is_reported(self):
        code, out = self.check(listing(GOOD), listing([("KERNEL32.dll", ["GetTickCount64"])]))
        self.assertEqual(1, code)
        self.assertIn("image0.exe: loads on", out)
        self.assertIn("image1.exe: error:", out)

    def test_imports_after_the_table_are_not_mistaken_for_functions(self):
        # A later section of the listing with lines shaped like imports is not read as one.
        tail = "The .rsrc Resource Directory section:\n\t000d0\t  12  GetTickCount64\n"
        self.assertEqual(0, self.check(listing(GOOD, tail=tail))[0])

    def test_the_allowlist_must_name_sources_and_explain_stubs(self):
        for line, problem in [("KERNEL32.dll Sleep", "expected 'DLL function sources"),
                              ("KERNEL32.dll Sleep msdn", "names no known source"),
                              ("KERNEL32.dll Sleep stub9x -- why", "names no known source"),
                              ("KERNEL32.dll LoadLibraryW sdk,stub9x", "needs a note")]:
            with self.subTest(line=line):
                code, out = self.check(listing(GOOD), allowlist=self.write("bad.txt", ALLOWLIST + line + "\n"))
                self.assertEqual(2, code)
                self.assertIn(problem, out)

    def test_the_real_allowlist_is_well_formed_and_names_its_sources(self):
        allowlist = os.path.join(os.path.dirname(TOOL), "win95-nt4-imports.txt")
        code, out = self.check(listing([("KERNEL32.dll", ["CloseHandle", "GetTickCount64"])]), allowlist=allowlist)
        self.assertEqual(1, code, out)
        self.assertIn("GetTickCount64", out)
        self.assertNotIn("CloseHandle", out)


if __name__ == "__main__":
    unittest.main()
