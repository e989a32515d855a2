"""The compiled help, Tessary.chm: it holds the topics the program opens, and every link, picture
and stylesheet reference inside it leads somewhere that exists.

Run by ctest with TESSARY_HELP_FILE (the built .chm), TESSARY_HELP_SOURCES (help/) and
TESSARY_PROGRAM_SOURCES (tessary/) in the environment."""
import html.parser
import os
import posixpath
import re
import subprocess
import tempfile
import unittest

CHM = os.environ.get("TESSARY_HELP_FILE", "")
SOURCES = os.environ.get("TESSARY_HELP_SOURCES", "")
PROGRAM = os.environ.get("TESSARY_PROGRAM_SOURCES", "")
TOPICS_THE_PROGRAM_NAMES = {"main.htm", "mailbox.htm", "settings.htm", "firstrun.htm"}


class References(html.parser.HTMLParser):
    """Collects a page's outgoing references and the anchors it defines."""

    def __init__(self):
        super().__init__()
        self.references = []  # (tag, attribute, value)
        self.anchors = set()
        self.stylesheets = []
        self.title = ""
        self._in_title = False

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "a" and "name" in attrs:
            self.anchors.add(attrs["name"])
        if "id" in attrs:
            self.anchors.add(attrs["id"])
        for attribute in ("href", "src"):
            if attribute in attrs:
                self.references.append((tag, attribute, attrs[attribute]))
        if tag == "link" and attrs.get("rel", "").lower() == "stylesheet":
            self.stylesheets.append(attrs.get("href", ""))
        if tag == "param" and attrs.get("name", "").lower() == "local":
            self.references.append((tag, "value", attrs.get("value", "")))
        self._in_title = tag == "title"

    def handle_endtag(self, tag):
        if tag == "title":
            self._in_title = False

    def handle_data(self, data):
        if self._in_title:
            self.title += data


def chm_names(chm):
    listing = subprocess.run(["chmls", "-n", "-p", "list", chm], capture_output=True, text=True, check=True)
    return {line.strip()[1:] for line in listing.stdout.splitlines()
            if line.startswith("/") and not line.strip().endswith("/")}


def parse(path):
    page = References()
    with open(path, encoding="windows-1252") as f:
        page.feed(f.read())
    return page


class HelpFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(CHM):
            raise unittest.SkipTest("TESSARY_HELP_FILE does not name a built help file")
        cls.names = chm_names(CHM)
        cls.folder = tempfile.TemporaryDirectory()
        # What is checked below is what ships: the pages as the compiler stored them.
        subprocess.run(["chmls", "extractall", CHM, cls.folder.name], capture_output=True, check=True)
        cls.pages = {name: parse(os.path.join(cls.folder.name, name))
                     for name in cls.names if name.endswith((".htm", ".hhc", ".hhk"))}

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_the_topics_the_program_opens_are_in_the_file(self):
        self.assertLessEqual(TOPICS_THE_PROGRAM_NAMES, self.names)
        # Every topic the program's code names, whoever added it, must be there too.
        named = set()
        for folder, _, files in os.walk(PROGRAM):
            for name in files:
                if name.endswith((".cpp", ".h")):
                    with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                        named |= set(re.findall(r'Tessary\.chm::/([A-Za-z0-9_.-]+)', f.read()))
        self.assertLessEqual(TOPICS_THE_PROGRAM_NAMES, named, "the program's Help calls were not found")
        self.assertLessEqual(named, self.names)

    def test_every_link_picture_and_stylesheet_resolves(self):
        broken = []
        for name, page in sorted(self.pages.items()):
            for tag, attribute, value in page.references:
                if re.match(r"^[a-z]+:", value) and not value.startswith("ms-its:"):
                    continue  # a web address: not part of the file
                path, _, anchor = value.partition("#")
                target = posixpath.normpath(posixpath.join(posixpath.dirname(name), path)) if path else name
                if target not in self.names:
                    broken.append("%s: <%s %s=%r>: no %s in the file" % (name, tag, attribute, value, target))
                elif anchor and anchor not in self.pages.get(target, References()).anchors:
                    broken.append("%s: <%s %s=%r>: %s has no anchor %r" % (name, tag, attribute, value, target, anchor))
        self.assertEqual([], broken)

    def test_every_topic_has_a_title_the_stylesheet_and_a_place_in_the_contents(self):
        contents = {value.partition("#")[0] for _, _, value in self.pages["Tessary.hhc"].references}
        for name, page in self.pages.items():
            if not name.endswith(".htm"):
                continue
            self.assertTrue(page.title.strip(), name)
            self.assertEqual(["style.css"], page.stylesheets, name)
            self.assertIn(name, contents, "%s is not in the table of contents" % name)

    def test_every_source_page_and_picture_is_compiled_in(self):
        for folder, _, files in os.walk(SOURCES):
            for name in files:
                if name.endswith((".htm", ".css", ".png")):
                    relative = os.path.relpath(os.path.join(folder, name), SOURCES).replace(os.sep, "/")
                    self.assertIn(relative, self.names, "help/%s is left out of Tessary.hhp" % relative)


if __name__ == "__main__":
    unittest.main()
