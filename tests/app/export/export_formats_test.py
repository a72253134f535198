#!/usr/bin/env python3
"""Reads the export's CSV, JSON and HTML back with Python's own readers, and checks them,
the folder totals and the filters against a model of the tree computed here from the
file system: which files the walk takes, their sizes and times, each folder's totals.

Usage: export_formats_test.py PATH/TO/vantrel-oruk-export
"""

import base64
import csv
import ctypes
import datetime
import fnmatch
import html.parser
import io
import json
import math
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import unittest

EXPORT = None
# A zone with an offset and summer time, set the same way for the export and the model.
ZONE = "CET-1CEST,M3.5.0,M10.5.0/3"

OLD = -1_000_000_000  # 1938
FUTURE = 10_000_000_000  # 2286, past 32-bit times, within what ext4 and tmpfs keep
SPARSE = 5 * 1024**3 + 123  # beyond 4 GiB

HOSTILE_NAMES = [
    b'quote"comma,name.txt',
    b"new\nline.txt",
    b"carriage\rreturn.txt",
    b"tab\there.txt",
    b"<b>&amp;.html",
    b"{brace}\\back.txt",
    "\u202eevil\u2028sep.txt".encode(),
    b"bad\xff\xfename.bin",
    b"'single'.txt",
]


def run(*args, check=True):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C", TZ=ZONE)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    done = subprocess.run([EXPORT, *args], env=env, capture_output=True)
    if check and done.returncode != 0:
        raise AssertionError(f"{args}: exit {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done


def iso(seconds):
    return datetime.datetime.fromtimestamp(seconds).astimezone().isoformat(timespec="seconds")


def format_size(size):
    """The listing's size text, written again from its definition."""
    for unit, name in ((1024**3, " Go"), (1024**2, " Mo"), (1024, " Ko")):
        if size >= unit:
            return str(int(math.floor(size / unit + 0.5))) + name
    return f"{size} octets"


def count_text(count):
    return f"{count} fichier" + ("s" if count > 1 else "")


def shown(name):
    """A name as the listing shows it: invalid UTF-8 as U+FFFD, controls and bidi marks as '?'."""
    text = name.decode("utf-8", "replace")
    out = []
    for c in text:
        o = ord(c)
        if o < 0x20 or 0x7F <= o <= 0x9F or o in (0x061C, 0x200E, 0x200F) or 0x2028 <= o <= 0x202E or 0x2066 <= o <= 0x2069 or o == 0xFEFF:
            out.append("?")
        else:
            out.append(c)
    return "".join(out)


def mask_matches(name, masks):
    """The folder tree's mask rules for the masks used here (no brackets): ASCII case
    ignored, a dotless name tried with a '.' appended and as it is."""
    lowered = name.lower()
    tries = [lowered + b"." if b"." not in lowered else lowered]
    if b"." not in lowered:
        tries.append(lowered)
    return any(fnmatch.fnmatchcase(t, m.lower()) for m in masks.split(b";") for t in tries)


class Model:
    """What the export should find: the walk's rules (hidden folders not walked, every
    other file taken) with the filters, computed with os.walk."""

    def __init__(self, root, include=None, exclude=None, exclude_dir=None, max_depth=None):
        self.files = {}  # relative path (bytes) -> (size, mtime seconds)
        for folder, dirs, names in os.walk(root):
            rel = os.path.relpath(folder, root)
            depth = 0 if rel == b"." else rel.count(b"/") + 1
            dirs[:] = [
                d for d in dirs
                if not d.startswith(b".")
                and not (exclude_dir and mask_matches(d, exclude_dir))
                and not (max_depth is not None and depth >= max_depth)
            ]
            for name in names:
                if include and not mask_matches(name, include):
                    continue
                if exclude and mask_matches(name, exclude):
                    continue
                path = name if rel == b"." else rel + b"/" + name
                info = os.stat(os.path.join(folder, name))
                self.files[path] = (info.st_size, info.st_mtime_ns // 1_000_000_000)
        self.folders = {b""}
        for path in self.files:
            parts = path.split(b"/")[:-1]
            for i in range(1, len(parts) + 1):
                self.folders.add(b"/".join(parts[:i]))

    def own_totals(self, folder):
        own = [v for p, v in self.files.items() if p.rpartition(b"/")[0] == folder]
        return len(own), sum(size for size, _ in own)

    def tree_totals(self, folder):
        inside = [v for p, v in self.files.items() if folder == b"" or p.startswith(folder + b"/")]
        return len(inside), sum(size for size, _ in inside)


def make_hostile_tree(root):
    def file(rel, data=b"x"):
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)
        return path

    for i, name in enumerate(HOSTILE_NAMES):
        file(name, b"y" * (i + 1))
        file(b"odd, \"folder\"\n/" + name, b"z" * (i + 2))
    file(b"empty", b"")
    with open(file(b"big/sparse.img", b""), "wb") as out:
        out.truncate(SPARSE)
    os.utime(file(b"dates/old.txt", b"o"), (0, OLD))  # utimensat(2)
    os.utime(file(b"dates/future.txt", b"f"), (0, FUTURE))
    file(b"dir\xff\xfe/inner.txt", b"in")
    file(b".hidden/never.txt")
    file(b".dotfile", b"dot")
    file(b"pics/a.JPG", b"1234")
    file(b"pics/b.png", b"12")
    file(b"pics/c.txt", b"1")
    file(b"pics/cache/thumb.png", b"123")
    file(b"pics/README", b"r")
    file(b"level1/level2/level3/deep.txt", b"deep")
    file(b"level1/level2/two.txt", b"22")
    file(b"level1/one.txt", b"1")


def read_csv(data):
    rows = list(csv.DictReader(io.StringIO(data.decode("utf-8"), newline="")))
    return rows


def csv_path(row):
    return base64.b64decode(row["path_base64"]) if row["path_base64"] else row["path"].encode()


class TreeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="vantrel-formats-")
        cls.root = os.path.join(cls.tmp.encode(), b"tree")
        make_hostile_tree(cls.root)
        cls.model = Model(cls.root)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def export(self, *args):
        return run(*args, self.root).stdout

    def csv_files(self, *args):
        rows = read_csv(self.export("--format", "csv", *args))
        return {csv_path(r): r for r in rows if r["kind"] == "file"}


class CsvTest(TreeTest):
    def test_every_file_with_exact_size_and_local_time(self):
        data = self.export("--format", "csv")
        self.assertTrue(data.startswith(b"kind,path,name,depth,size,mtime,path_base64\r\n"))
        rows = read_csv(data)
        self.assertEqual(data.count(b"\r\n"), len(rows) + 1)  # every record ends in CRLF
        files = {csv_path(r): r for r in rows if r["kind"] == "file"}
        self.assertEqual(set(files), set(self.model.files))
        for path, (size, mtime) in self.model.files.items():
            row = files[path]
            self.assertEqual(int(row["size"]), size, path)
            self.assertEqual(row["mtime"], iso(mtime), path)
            self.assertEqual(row["depth"], str(path.count(b"/")), path)
            name = path.rpartition(b"/")[2]
            self.assertEqual(row["name"], name.decode("utf-8", "replace"), path)
        self.assertEqual(int(files[b"big/sparse.img"]["size"]), SPARSE)
        self.assertTrue(files[b"dates/old.txt"]["mtime"].startswith("1938-04-24T"))
        self.assertTrue(files[b"dates/future.txt"]["mtime"].startswith("2286-11-20T"))
        self.assertEqual(files[b"empty"]["size"], "0")
        self.assertEqual(files[b"bad\xff\xfename.bin"]["path_base64"], base64.b64encode(b"bad\xff\xfename.bin").decode())

    def test_folders_are_those_the_listing_shows_root_first(self):
        rows = read_csv(self.export("--format", "csv"))
        folders = [csv_path(r) for r in rows if r["kind"] == "folder"]
        self.assertEqual(folders[0], b"")
        self.assertEqual(set(folders), self.model.folders)
        self.assertEqual(len(folders), len(set(folders)))
        seen = set()
        for row in rows:  # each file comes after its folder's row
            path = csv_path(row)
            if row["kind"] == "folder":
                seen.add(path)
            else:
                self.assertIn(path.rpartition(b"/")[0], seen)

    def test_sorted_and_folders_only(self):
        self.assertEqual(set(self.csv_files("-s")), set(self.model.files))
        rows = read_csv(self.export("--format", "csv", "-d"))
        self.assertEqual({r["kind"] for r in rows}, {"folder"})
        self.assertEqual({csv_path(r) for r in rows}, self.model.folders)

    def test_sizes_and_dates_options_change_nothing(self):
        self.assertEqual(self.export("--format", "csv"), self.export("--format", "csv", "-SD"))

    def test_totals_against_sums_made_here(self):
        rows = read_csv(self.export("--format", "csv", "--totals"))
        for row in rows:
            if row["kind"] == "folder":
                own = self.model.own_totals(csv_path(row))
                self.assertEqual((int(row["file_count"]), int(row["files_size"])), own, csv_path(row))
        # Every folder's subtree in a "total" row of its own, once the walk leaves it; the root's last.
        totals = {csv_path(r): (int(r["tree_file_count"]), int(r["tree_size"])) for r in rows if r["kind"] == "total"}
        self.assertEqual(totals, {f: self.model.tree_totals(f) for f in self.model.folders})
        self.assertEqual((rows[-1]["kind"], csv_path(rows[-1])), ("total", b""))


class JsonTest(TreeTest):
    def document(self, *args):
        return json.loads(self.export("--format", "json", *args).decode("utf-8"))

    def flatten(self, folder, prefix, files, folders):
        folders[prefix] = folder
        for f in folder.get("files", []):
            name = base64.b64decode(f["name_base64"]) if "name_base64" in f else f["name"].encode()
            files[prefix + b"/" + name if prefix else name] = f
        for sub in folder["subfolders"]:
            name = base64.b64decode(sub["name_base64"]) if "name_base64" in sub else sub["name"].encode()
            self.flatten(sub, prefix + b"/" + name if prefix else name, files, folders)

    def test_tree_of_every_file_with_names_found_again(self):
        doc = self.document()
        self.assertEqual(doc["name"].encode(), self.root)
        files, folders = {}, {}
        self.flatten(doc, b"", files, folders)
        self.assertEqual(set(files), set(self.model.files))
        self.assertEqual(set(folders), self.model.folders)
        for path, (size, mtime) in self.model.files.items():
            self.assertEqual(files[path]["size"], size, path)
            self.assertEqual(files[path]["mtime"], iso(mtime), path)
        bad = files[b"bad\xff\xfename.bin"]
        self.assertEqual(bad["name"], "bad\ufffd\ufffdname.bin")
        self.assertNotIn("name_base64", files[b"tab\there.txt"])

    def test_escapes_controls_and_line_separators(self):
        data = self.export("--format", "json")
        self.assertNotIn("\u2028".encode(), data)
        self.assertIn(b"\\u2028", data)
        self.assertIn(b"new\\nline", data)
        self.assertIn(b"carriage\\u000dreturn", data)
        self.assertIn("\u202e".encode(), data)  # kept: JSON carries it harmlessly
        self.assertEqual(data.count(b"\n"), 1)

    def test_totals_against_sums_made_here(self):
        files, folders = {}, {}
        self.flatten(self.document("--totals", "-s"), b"", files, folders)
        for path, folder in folders.items():
            self.assertEqual((folder["file_count"], folder["files_size"]), self.model.own_totals(path), path)
            self.assertEqual((folder["tree_file_count"], folder["tree_size"]), self.model.tree_totals(path), path)

    def test_folders_only_has_no_files(self):
        files, folders = {}, {}
        self.flatten(self.document("-d"), b"", files, folders)
        self.assertEqual(files, {})
        self.assertEqual(set(folders), self.model.folders)
        self.assertTrue(all(folder["files"] == [] for folder in folders.values()))  # the key stays


class PageReader(html.parser.HTMLParser):
    """The rows of the listing's table: class, cells' texts, and the attributes met."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.tags, self.total = [], [], None
        self.style = ""
        self.bdi_depth = 0
        self.in_style = False
        self.cell = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.append(tag)
        if tag == "tr":
            self.rows.append({"class": attrs.get("class"), "cells": [], "attrs": attrs})
        elif tag == "td":
            self.cell = {"text": "", "attrs": attrs}
            self.rows[-1]["cells"].append(self.cell)
        elif tag == "time" and self.cell is not None:
            self.cell["datetime"] = attrs["datetime"]
        elif tag == "p" and attrs.get("class") == "total":
            self.total = {"attrs": attrs, "text": ""}
            self.cell = self.total
        elif tag == "style":
            self.in_style = True

    def handle_endtag(self, tag):
        if tag in ("td", "p"):
            self.cell = None
        self.in_style = False

    def handle_data(self, data):
        if self.in_style:
            self.style += data
        elif self.cell is not None:
            self.cell["text"] += data


class HtmlTest(TreeTest):
    def page(self, *args):
        reader = PageReader()
        reader.feed(self.export("--format", "html", *args).decode("utf-8"))
        reader.close()
        return reader

    def test_names_shown_escaped_with_columns(self):
        page = self.page("-S", "-D")
        self.assertNotIn("script", page.tags)
        self.assertNotIn("b", page.tags)  # "<b>&amp;.html" stays text
        self.assertIn("@media print", page.style)
        files = [r for r in page.rows if r["class"] == "file"]
        shown_names = sorted(r["cells"][0]["text"] for r in files)
        self.assertEqual(shown_names, sorted(shown(p.rpartition(b"/")[2]) for p in self.model.files))
        self.assertIn("?evil?sep.txt", shown_names)
        self.assertIn("<b>&amp;.html", shown_names)
        by_name = {r["cells"][0]["text"]: r for r in files}
        sparse = by_name["sparse.img"]["cells"]
        self.assertEqual(sparse[1]["attrs"]["data-bytes"], str(SPARSE))
        self.assertEqual(sparse[1]["text"], format_size(SPARSE))
        self.assertEqual(by_name["old.txt"]["cells"][2]["datetime"], iso(OLD))
        self.assertEqual(by_name["future.txt"]["cells"][2]["datetime"], iso(FUTURE))

    def test_every_name_isolated(self):
        data = self.export("--format", "html").decode("utf-8")
        cells = re.findall(r"<td[^>]*>(.*?)</td>", data)
        self.assertTrue(cells)
        for cell in cells:
            self.assertTrue(cell.startswith("<bdi>") and cell.endswith("</bdi>"), cell)

    def test_without_columns_and_folders_only(self):
        page = self.page()
        self.assertTrue(all(len(r["cells"]) == 1 for r in page.rows))
        page = self.page("-d")
        self.assertEqual({r["class"] for r in page.rows}, {"folder"})
        self.assertEqual(len(page.rows), len(self.model.folders) - 1)

    def test_totals_against_sums_made_here(self):
        page = self.page("--totals")
        totals = [r for r in page.rows if r["class"] == "totals"]
        self.assertEqual(len(totals), len(self.model.folders))  # the root's own too
        expected = sorted(self.model.own_totals(f) for f in self.model.folders)
        found = sorted((int(r["attrs"]["data-files"]), int(r["attrs"]["data-bytes"])) for r in totals)
        self.assertEqual(found, expected)
        for row in totals:
            count, size = int(row["attrs"]["data-files"]), int(row["attrs"]["data-bytes"])
            self.assertEqual(row["cells"][0]["text"], f"({count_text(count)}, {format_size(size)})")
        count, size = self.model.tree_totals(b"")
        self.assertEqual(page.total["attrs"]["data-files"], str(count))
        self.assertEqual(page.total["text"], f"Total : {count_text(count)}, {format_size(size)}")


def listing_totals(text):
    """The folder paths of a text listing with --totals, each with the totals line beneath
    its heading, and the last line's totals."""
    lines = text.split("\n")
    found, stack = {}, []
    pattern = re.compile(r"^(\t*)\((\d+) fichiers?, (.*)\)$")
    for i in range(1, len(lines)):
        match = pattern.match(lines[i])
        if not match:
            continue
        level = len(match.group(1)) - 1
        stack[level:] = [lines[i - 1].strip("\t")]
        found["/".join(stack)] = (int(match.group(2)), match.group(3))
    return found, lines[-2]


class ListingTotalsTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="vantrel-totals-")
        self.root = os.path.join(self.tmp, "tree")
        sizes = {"a/one": 3, "a/two": 2000, "a/b/deep": 5_000_000, "c/empty": 0, "top": 7, "d/e/f/far": 1}
        for rel, size in sizes.items():
            os.makedirs(os.path.dirname(os.path.join(self.root, rel)), exist_ok=True)
            with open(os.path.join(self.root, rel), "wb") as out:
                out.truncate(size)
        self.model = Model(self.root.encode())

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def check(self, text):
        found, last = listing_totals(text)
        expected = {}
        for folder in self.model.folders - {b""}:
            count, size = self.model.own_totals(folder)
            expected[folder.decode()] = (count, format_size(size))
        self.assertEqual(found, expected)
        count, size = self.model.tree_totals(b"")
        self.assertEqual(last, f"Total : {count_text(count)}, {format_size(size)}")

    def test_text_sorted_walked_and_folders_only(self):
        for args in ([], ["-s"], ["-d"], ["-sSD"]):
            with self.subTest(args=args):
                self.check(run("--totals", *args, self.root).stdout.decode())

    def test_rtf_and_pdf_carry_the_same_lines(self):
        rtf = os.path.join(self.tmp, "l.rtf")
        run("--totals", "-o", rtf, self.root)
        with open(rtf, "rb") as data:
            content = data.read()
        count, size = self.model.tree_totals(b"")
        self.assertIn(f"Total : {count_text(count)}, {format_size(size)}".encode(), content)
        self.assertIn(b"(2 fichiers, 2 Ko)", content)
        pdf = os.path.join(self.tmp, "l.pdf")
        run("--totals", "-o", pdf, self.root)
        text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, check=True).stdout
        self.assertIn(b"(1 fichier, 5 Mo)", text)
        self.assertIn(f"Total : {count_text(count)}".encode(), text)

    def test_without_totals_no_line_is_added(self):
        plain = run(self.root).stdout.decode()
        self.assertNotIn("fichier", plain)


class HugeTotalsTest(unittest.TestCase):
    """Sizes whose sum passes what 64 bits hold, on tmpfs, which keeps sparse files of
    any size."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="vantrel-huge-", dir="/dev/shm")
        for name in ("one", "two"):
            with open(os.path.join(self.tmp, name), "wb") as out:
                out.truncate(5 * 10**18)

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def test_every_format_writes_the_exact_sum(self):
        exact = 10**19
        text = run("--totals", self.tmp).stdout.decode().splitlines()
        self.assertEqual(text[-1], f"Total : 2 fichiers, {round(exact / 2**30)} Go")
        rows = list(csv.reader(io.StringIO(run("--totals", "--format", "csv", self.tmp).stdout.decode())))
        self.assertEqual(rows[-1][-1], str(exact))
        document = json.loads(run("--totals", "--format", "json", self.tmp).stdout)
        self.assertEqual((document["files_size"], document["tree_size"]), (exact, exact))
        page = run("--totals", "--format", "html", self.tmp).stdout.decode()
        self.assertIn(f'data-bytes="{exact}"', page)


class DeepTreeTest(unittest.TestCase):
    """A chain of folders deeper than the descriptors the export may hold, with files
    only at its bottom and at every level of a second chain."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="vantrel-deep-")
        bare = os.path.join(self.tmp, "bare" + "/d" * 200)
        os.makedirs(bare)
        open(os.path.join(bare, "bottom"), "wb").close()
        full = os.path.join(self.tmp, "full")
        for _ in range(200):
            full = os.path.join(full, "d")
            os.makedirs(full)
            open(os.path.join(full, "f"), "wb").close()

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def test_every_file_and_folder_time_with_few_descriptors(self):
        limit = lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (64, 64))
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C", TZ=ZONE)
        done = subprocess.run([EXPORT, "--format", "json", self.tmp], env=env, capture_output=True,
                              preexec_fn=limit, check=True)
        folders, files, stack = 0, 0, [json.loads(done.stdout)]
        while stack:
            folder = stack.pop()
            self.assertNotEqual(folder["mtime"], "", folder["name"])
            folders += 1
            files += len(folder["files"])
            stack.extend(folder["subfolders"])
        self.assertEqual((folders, files), (1 + 201 + 201, 201))


class Inotify:
    """Open events of one folder (inotify through the C library)."""

    IN_OPEN = 0x20
    IN_NONBLOCK = 0o4000

    def __init__(self, folder):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(self.IN_NONBLOCK)
        if self.fd < 0 or self.libc.inotify_add_watch(self.fd, folder, self.IN_OPEN) < 0:
            raise OSError(ctypes.get_errno(), "inotify")

    def events(self):
        try:
            return os.read(self.fd, 65536)
        except BlockingIOError:
            return b""

    def close(self):
        os.close(self.fd)


class ExactDataTest(unittest.TestCase):
    """Each format read back exactly: names, titles, masks and totals where they slipped."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="vantrel-exact-")

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def tree(self, name, files):
        root = os.path.join(self.tmp.encode(), name)
        for rel in files:
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as out:
                out.write(b"x")
        os.makedirs(root, exist_ok=True)
        return root

    def test_a_root_name_that_is_not_utf8_keeps_csv_utf8_and_html_titles_plain(self):
        root = self.tree(b"bad\xff\xfedir", [b"f.txt"])
        rows = read_csv(run("--format", "csv", root).stdout)  # strict UTF-8
        self.assertEqual(csv_path(rows[0]) if rows[0]["path_base64"] else None, root)
        self.assertEqual(rows[0]["name"], root.decode("utf-8", errors="replace"))
        page = run("--format", "html", self.tree(b"<b>&x", [b"f.txt"])).stdout.decode()
        title = re.search(r"<title>(.*)</title>", page).group(1)
        self.assertEqual(html.unescape(title), "Listing de " + os.path.join(self.tmp, "<b>&x"))

    def test_masks_fold_latin_capitals_and_drop_blanks_and_folder_masks_take_no_path(self):
        root = self.tree(b"m", ["\u00c9T\u00c9.TXT".encode(), b"x.c", b"y.h", b"z.txt", b"a/b/in.c"])
        def listed(*args):
            return {csv_path(r) for r in read_csv(run("--format", "csv", *args, root).stdout) if r["kind"] == "file"}
        self.assertEqual(listed("--include", "\u00e9t\u00e9*"), {"\u00c9T\u00c9.TXT".encode()})
        self.assertEqual(listed("--include", " *.h ; *.c"), {b"x.c", b"y.h", b"a/b/in.c"})
        done = run("--exclude-dir", "a/b", root, check=False)
        self.assertEqual((done.returncode, done.stdout), (2, b""))
        self.assertIn("--exclude-dir".encode(), done.stderr)

    def test_folders_only_within_a_depth_shows_the_folders_whose_files_lie_deeper(self):
        root = self.tree(b"md", [b"Projets/2023/plan.txt", b"Photos/p.jpg", b"Vide/.keep/x"])
        for order in ([], ["-s"]):
            self.assertEqual(run("-d", "--max-depth", "1", *order, root).stdout, b"Photos\nProjets\n")
            doc = json.loads(run("--format", "json", "-d", "--max-depth", "1", "--totals", *order, root).stdout)
            counts = {sub["name"]: (sub["file_count"], sub["subfolders"]) for sub in doc["subfolders"]}
            self.assertEqual(counts, {"Photos": (1, []), "Projets": (0, [])})  # own files only
            self.assertEqual(doc["tree_file_count"], 1)

    def test_csv_keeps_names_exact_unless_asked_to_keep_formulas_out(self):
        names = [b"=HYPERLINK(1)", b"+1", b"-x", b"@y", b"\tt", b"plain"]
        root = self.tree(b"f", names)
        exact = {r["name"] for r in read_csv(run("--format", "csv", root).stdout) if r["kind"] == "file"}
        self.assertEqual(exact, {n.decode() for n in names})
        safe = {r["name"] for r in read_csv(run("--format", "csv", "--csv-safe", root).stdout) if r["kind"] == "file"}
        self.assertEqual(safe, {("'" if n != b"plain" else "") + n.decode() for n in names})

    def test_totals_once_under_each_folder_and_for_no_file_in_every_format(self):
        # Sorted, "a" and "A" take turns: a/1, A/2, a/3, A/4; each heading comes twice.
        root = self.tree(b"t", [b"a/1", b"A/2", b"a/3", b"A/4"])
        text = run("-s", "--totals", root).stdout.decode()
        counts = [int(n) for n in re.findall(r"^\t*\((\d+) fichiers?", text, re.M)]
        self.assertEqual(counts, [2, 2])
        self.assertTrue(text.endswith("Total : 4 fichiers, 4 octets\n"))
        empty = self.tree(b"e", [])
        os.makedirs(os.path.join(empty, b"sub"))
        none = "Total : 0 fichier, 0 octets"
        self.assertEqual(run("--totals", empty).stdout.decode(), none + "\n")
        self.assertIn(none, run("--totals", "--format", "html", empty).stdout.decode())
        self.assertEqual(json.loads(run("--totals", "--format", "json", empty).stdout)["tree_file_count"], 0)
        self.assertEqual(read_csv(run("--totals", "--format", "csv", empty).stdout)[-1]["kind"], "total")


class FilterTest(TreeTest):
    def check_filter(self, args, **model_args):
        expected = Model(self.root, **model_args)
        self.assertTrue(expected.files)
        self.assertEqual(set(self.csv_files(*args)), set(expected.files), args)
        return expected

    def test_include_and_exclude_with_the_tree_masks(self):
        model = self.check_filter(["--include", "*.jpg;*.PNG"], include=b"*.jpg;*.PNG")
        self.assertEqual(set(model.files), {b"pics/a.JPG", b"pics/b.png", b"pics/cache/thumb.png"})
        model = self.check_filter(["--exclude=*.txt;readme"], exclude=b"*.txt;readme")
        self.assertNotIn(b"pics/README", model.files)
        self.assertIn(b"pics/a.JPG", model.files)
        self.check_filter(["--include", "*.png", "--exclude", "t*"], include=b"*.png", exclude=b"t*")

    def test_filters_apply_to_the_listing_too(self):
        text = run("-s", "--include", "*.png", self.root).stdout.decode()
        self.assertEqual(text, " \npics\n\tb.png\n \n \n\tcache\n\t\tthumb.png\n \n")

    def test_excluded_folder_is_never_opened(self):
        watch = Inotify(os.path.join(self.root, b"pics/cache"))
        try:
            self.check_filter(["--exclude-dir", "CACHE", "--totals"], exclude_dir=b"CACHE")
            self.assertEqual(watch.events(), b"")
            self.csv_files()
            self.assertNotEqual(watch.events(), b"")  # the watch does see a walk that opens it
        finally:
            watch.close()

    def test_max_depth(self):
        for depth in (0, 1, 2):
            with self.subTest(depth=depth):
                model = self.check_filter(["--max-depth", str(depth)], max_depth=depth)
                self.assertEqual(max(p.count(b"/") for p in model.files), depth)
        watch = Inotify(os.path.join(self.root, b"level1/level2"))
        try:
            self.csv_files("--max-depth=1")
            self.assertEqual(watch.events(), b"")
        finally:
            watch.close()

    def test_invalid_values_are_usage_errors(self):
        cases = [
            ("--max-depth", "-1"), ("--max-depth", "deux"), ("--max-depth", ""), ("--max-depth", "1.5"),
            ("--include", ""), ("--exclude", "*.a;;*.b"), ("--exclude-dir", ";"), ("--include", "*.txt;"),
        ]
        for option, value in cases:
            with self.subTest(option=option, value=value):
                done = run(option, value, self.root, check=False)
                self.assertEqual(done.returncode, 2)
                self.assertEqual(done.stdout, b"")
                self.assertIn(option.encode(), done.stderr)
                self.assertIn("vantrel-oruk-export --help".encode(), done.stderr)
        done = run("--max-depth", check=False)
        self.assertEqual(done.returncode, 2)


class OutputTest(TreeTest):
    def test_format_follows_the_extension(self):
        for name, start in (("l.csv", b"kind,"), ("l.json", b"{"), ("l.HTML", b"<!DOCTYPE"), ("l.htm", b"<!DOCTYPE")):
            with self.subTest(name=name):
                path = os.path.join(self.tmp, name)
                run("-o", path, self.root)
                with open(path, "rb") as data:
                    self.assertTrue(data.read().startswith(start))
        path = os.path.join(self.tmp, "forced.txt")
        run("--format", "json", "-o", path, self.root)
        with open(path, "rb") as data:
            json.load(data)

    def test_empty_folder_still_gives_a_document(self):
        empty = os.path.join(self.tmp, "empty")
        os.mkdir(empty)
        self.assertEqual(read_csv(run("--format", "csv", empty).stdout)[0]["kind"], "folder")
        doc = json.loads(run("--format=json", "--totals", empty).stdout)
        self.assertEqual((doc["files"], doc["subfolders"], doc["tree_file_count"]), ([], [], 0))

    def test_unknown_format_names_the_new_ones(self):
        done = run("--format", "xml", self.root, check=False)
        self.assertEqual(done.returncode, 2)
        self.assertIn(b"csv, json ou html", done.stderr)


if __name__ == "__main__":
    EXPORT = sys.argv.pop(1)
    os.environ["TZ"] = ZONE
    import time

    time.tzset()
    unittest.main(verbosity=2)
