#!/usr/bin/env python3
"""kestra-batch: whole trees with a failing unit in the middle of a file, a wholly failing
source, nested folders and an unreadable file; -j 1 against -j 4; the reports read back (JSON
against CSV, the HTML as XML); byte-identical outputs to kestra on every golden case whose
units all convert; exit statuses; an interrupted run leaves only complete outputs.

usage: test_batch.py KESTRA_BATCH KESTRA GOLDEN_DIR"""
import csv
import filecmp
import csv
import fcntl
import io
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

BATCH, KESTRA, GOLDEN = (os.path.abspath(a) for a in sys.argv[1:4])

GOOD = """/* two units that convert */
CREATE PROCEDURE p_first
AS
BEGIN
    PRINT 'first'
END
GO
CREATE PROCEDURE p_second @n int
AS
BEGIN
    IF @n > 0
        PRINT 'positive'
END
GO
"""
# The second of three units fails (IF without a statement); the third follows a comment. Each
# unit creates a temporary table: the DDL file of the source keeps those of the units that convert.
MIDDLE = """-- three units, the second broken
CREATE PROCEDURE p_one
AS
BEGIN
    PRINT 'one'
    SELECT id INTO #t_one FROM orders
END
GO
CREATE PROCEDURE p_two
AS
SELECT id INTO #t_two FROM orders
IF
GO
/* before three */
CREATE PROCEDURE p_three
AS
BEGIN
    PRINT 'three'
    SELECT id INTO #t_three FROM orders
END
GO
"""
WHOLE_FAIL = """CREATE TRIGGER t_bad ON orders FOR INSERT
AS
IF
GO
"""


def run(args, cwd=None):
    return subprocess.run(args, cwd=cwd, capture_output=True, timeout=300)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def tree_files(root):
    out = []
    for d, _, names in os.walk(root):
        out += [os.path.relpath(os.path.join(d, n), root) for n in names]
    return sorted(out)


def masked(data):
    """A report with its run times masked (the only fields that vary from run to run)."""
    data = re.sub(rb'"seconds": [0-9.]+', b'"seconds": 0', data)
    return re.sub(rb'<span class="t">[0-9.]+</span>', b"", data)


class BatchTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="kestra_batch_")
        src = os.path.join(cls.tmp, "src")
        write(os.path.join(src, "good.sql"), GOOD)
        write(os.path.join(src, "sub", "deep", "middle.sql"), MIDDLE)
        write(os.path.join(src, "sub", "whole.PRC"), WHOLE_FAIL)  # patterns ignore case
        write(os.path.join(src, "sub", "notes.txt"), GOOD)  # not a source
        write(os.path.join(src, "sub", "ddl_p.sql"), "CREATE TABLE t AS SELECT 1 FROM dual;\n")
        write(os.path.join(src, "empty.sql"), "-- no unit: fails as in kestra\n")
        # A NUL byte (the scanner's end of input) in the second unit: the third still converts.
        write(os.path.join(src, "nul.sp"), MIDDLE.replace("IF\n", "\0\n"))
        os.symlink("missing.sql", os.path.join(src, "sub", "gone.sql"))  # unreadable
        cls.runs = {}
        for jobs in ("1", "4"):  # the same relative paths, so that the reports may be equal
            cwd = os.path.join(cls.tmp, "j" + jobs)
            os.mkdir(cwd)
            r = run([BATCH, "-j", jobs, "-o", "out", "../src"], cwd=cwd)
            cls.runs[jobs] = (r, os.path.join(cwd, "out"))
        cls.result, cls.out = cls.runs["1"]
        cls.report = json.loads(read(os.path.join(cls.out, "kestra-report.json")))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def test_exit_status_and_layout(self):
        # An unreadable file makes the status 2; the outputs mirror the source tree.
        self.assertEqual(self.result.returncode, 2, self.result.stderr)
        self.assertEqual(tree_files(self.out), [
            "KESTRA.log", "ddl_p_one.sql", "empty.sql.pls", "good.sql.pls", "kestra-report.csv",
            "kestra-report.html", "kestra-report.json", "nul.sp.pls", "sub/KESTRA.log",
            "sub/deep/KESTRA.log", "sub/deep/ddl_p_one.sql", "sub/deep/middle.sql.pls",
            "sub/whole.PRC.pls"])
        self.assertIn(b"gone.sql", self.result.stderr)

    def test_jobs_do_not_change_outputs(self):
        r4, out4 = self.runs["4"]
        self.assertEqual(r4.returncode, 2)
        self.assertEqual(tree_files(self.out), tree_files(out4))
        for name in tree_files(self.out):
            self.assertEqual(masked(read(os.path.join(self.out, name))),
                             masked(read(os.path.join(out4, name))), name)

    def test_units_after_a_failing_unit_come_out(self):
        script = read(os.path.join(self.out, "sub/deep/middle.sql.pls")).decode()
        self.assertIn("CREATE OR REPLACE PROCEDURE p_one", script)
        self.assertIn("CREATE OR REPLACE PROCEDURE p_three", script)
        self.assertNotIn("CREATE OR REPLACE PROCEDURE p_two", script)
        # The comment between the failed unit and the next one is kept ahead of the next one.
        self.assertLess(script.index("/* before three */"), script.index("p_three"))
        log = read(os.path.join(self.out, "sub/deep/KESTRA.log")).decode()
        self.assertIn("[KESTRA-ERR(0013)]:[middle.sql(p_two)]syntax error Near 'GO'\n", log)
        self.assertTrue(log.endswith("[KESTRA-MSG(FAIL)]:[middle.sql(p_two)] Conversion Failed\n"))
        # One DDL file, named after the first unit that wrote to it, without the failed unit's.
        ddl = read(os.path.join(self.out, "sub/deep/ddl_p_one.sql")).decode()
        self.assertLess(ddl.index("temp_t_one"), ddl.index("temp_t_three"))
        self.assertNotIn("temp_t_two", ddl)

    def test_report_units(self):
        units = {(u["file"].split("/src/")[-1], u["name"]): u for u in self.report["units"]}
        expect = [  # file, unit, kind, first line, last line, status, fatal line
            ("good.sql", "p_first", "procedure", 2, 7, "converted", None),
            ("good.sql", "p_second", "procedure", 8, 14, "converted", None),
            ("sub/deep/middle.sql", "p_one", "procedure", 2, 8, "converted", None),
            ("sub/deep/middle.sql", "p_two", "procedure", 9, 13, "failed", 13),
            ("sub/deep/middle.sql", "p_three", "procedure", 15, 21, "converted", None),
            ("sub/whole.PRC", "t_bad", "trigger", 1, 4, "failed", 4),
            ("nul.sp", "p_one", "procedure", 2, 8, "converted", None),
            ("nul.sp", "p_two", "procedure", 9, 11, ..., ...),  # converted up to the NUL
            ("nul.sp", "p_three", "procedure", 15, 21, "converted", None),
        ]
        self.assertEqual(sorted(units), sorted((e[0], e[1]) for e in expect))
        for f, name, kind, first, last, status, fatal in expect:
            u = units[(f, name)]
            self.assertEqual((u["kind"], u["first_line"], u["last_line"]), (kind, first, last))
            if status is not ...:
                self.assertEqual(u["status"], status, name)
            fatal_lines = [d["line"] for d in u["diagnostics"] if d["fatal"]]
            if fatal is not ...:
                self.assertEqual(fatal_lines, [fatal] if fatal else [], name)
        totals = self.report["totals"]
        self.assertEqual((totals["files"], totals["errors"], totals["units"],
                          totals["converted"] + totals["failed"]), (6, 1, 9, 9))
        files = {f["path"].split("/src/")[-1]: f for f in self.report["files"]}
        self.assertEqual(files["sub/gone.sql"]["status"], "error")
        self.assertEqual((files["empty.sql"]["status"], files["empty.sql"]["units"]), ("no_units", 0))
        self.assertEqual(files["sub/ddl_p.sql"]["status"], "skipped")
        self.assertEqual(files["sub/deep/middle.sql"]["lines"], MIDDLE.count("\n"))
        self.assertEqual(files["sub/deep/middle.sql"]["bytes"], len(MIDDLE))
        kinds = {k["kind"]: k["count"] for k in self.report["diagnostic_kinds"]}
        syntax = [d for u in self.report["units"] for d in u["diagnostics"]
                  if d["text"].startswith("syntax error Near '")]
        self.assertGreaterEqual(len(syntax), 2)
        self.assertEqual(kinds["syntax error Near '\u2026'"], len(syntax))

    def test_csv_matches_json(self):
        with open(os.path.join(self.out, "kestra-report.csv"), newline="") as f:
            rows = list(csv.DictReader(f))
        unit_rows = [r for r in rows if r["kind"]]
        self.assertEqual(len(unit_rows), len(self.report["units"]))
        for row, u in zip(unit_rows, self.report["units"]):
            main = ([d for d in u["diagnostics"] if d["fatal"]] or u["diagnostics"] or [None])[0]
            self.assertEqual(row, {
                "file": u["file"], "unit": u["name"], "kind": u["kind"],
                "first_line": str(u["first_line"]), "last_line": str(u["last_line"]),
                "status": u["status"], "diagnostics": str(len(u["diagnostics"])),
                "line": str(main["line"]) if main else "", "diagnostic": main["text"] if main else ""})
        errors = [(r["file"], r["status"]) for r in rows if not r["kind"]]
        self.assertEqual(errors, [(f["path"], f["status"]) for f in self.report["files"]
                                  if not f["units"]])

    def test_html_is_well_formed_and_self_contained(self):
        page = read(os.path.join(self.out, "kestra-report.html"))
        root = ET.fromstring(page)
        ns = "{http://www.w3.org/1999/xhtml}"
        for el in root.iter():
            for attr in ("src", "href"):
                self.assertNotIn(attr, el.attrib, "external reference in " + el.tag)
        self.assertNotIn(b"@import", page)
        text = "".join(root.itertext())
        self.assertIn("p_two", text)  # the failed units with their diagnostic and source
        self.assertIn("IF", text)
        # A file that failed as a whole is among the failures too, and failures come first.
        self.assertIn("(whole file) ../src/sub/gone.sql", text)
        first_rows = [r.get("class") for r in root.findall(".//" + ns + "tbody/" + ns + "tr")][:4]
        self.assertEqual(first_rows, ["error", "failed", "failed", "failed"])
        rows = root.findall(".//" + ns + "table/" + ns + "tbody/" + ns + "tr")
        self.assertGreaterEqual(len(rows), 6 + 1)  # six files and one diagnostic kind


class Invariant(unittest.TestCase):
    """On every golden case whose units all convert, kestra-batch writes the script, the DDL
    files and the log byte for byte as kestra does; on the others it reports failed units."""

    def test_golden_cases(self):
        cases = sorted(c for c in os.listdir(GOLDEN)
                       if os.path.exists(os.path.join(GOLDEN, c, "input.sql")))
        self.assertTrue(cases)
        for case in cases:
            with self.subTest(case=case), tempfile.TemporaryDirectory() as tmp:
                src = os.path.join(GOLDEN, case)
                args_file = os.path.join(src, "args")
                args = read(args_file).decode().split() if os.path.exists(args_file) else []
                dirs = {}
                for tool in ("kestra", "batch"):
                    d = dirs[tool] = os.path.join(tmp, tool)
                    os.mkdir(d)
                    for n in os.listdir(src):
                        if n != "args" and not n.startswith("expected."):
                            shutil.copy(os.path.join(src, n), d)
                k = run([KESTRA] + args + ["input.sql"], cwd=dirs["kestra"])
                b = run([BATCH, "-j", "1"] + args + ["input.sql"], cwd=dirs["batch"])
                report = json.loads(read(os.path.join(dirs["batch"], "kestra-report.json")))
                if b"Successfully converted" in k.stdout:
                    self.assertEqual(b.returncode, 0, b.stderr)
                    outputs = sorted(n for n in os.listdir(dirs["kestra"])
                                     if n.endswith(".pls") or n.startswith("ddl_") or n == "KESTRA.log")
                    batch_outputs = sorted(n for n in os.listdir(dirs["batch"])
                                           if n.endswith(".pls") or n.startswith("ddl_") or n == "KESTRA.log")
                    self.assertEqual(outputs, batch_outputs)
                    for n in outputs:
                        self.assertTrue(filecmp.cmp(os.path.join(dirs["kestra"], n),
                                                    os.path.join(dirs["batch"], n), shallow=False), n)
                    self.assertEqual(report["totals"]["failed"], 0)
                elif report["totals"]["units"] > 0:
                    self.assertEqual(b.returncode, 1, b.stderr)
                    self.assertGreater(report["totals"]["failed"], 0)
                else:  # no unit (a file of other statements), or a source kestra refuses
                    status = report["files"][0]["status"]
                    self.assertIn(status, ("no_units", "failed"))
                    self.assertEqual(b.returncode, 0 if status == "no_units" else 1, b.stderr)
                    self.assertEqual(status == "no_units", k.returncode == 2, k.stderr)
                    self.assertTrue(report["files"][0]["error"])


class CommandLine(unittest.TestCase):
    def test_exit_statuses(self):
        with tempfile.TemporaryDirectory() as tmp:
            write(os.path.join(tmp, "ok", "a.sql"), GOOD)
            write(os.path.join(tmp, "bad", "b.sql"), MIDDLE)
            cases = [  # arguments, exit status
                ([], 2),
                (["-Z", "ok"], 2),  # not a converter option
                (["-j", "0", "ok"], 2),
                (["no_such_dir"], 2),
                (["ok"], 0),
                (["-X", "-N", "ok"], 0),
                (["bad"], 1),
                (["-j2", "--report", "rep", "ok", "bad"], 1),
            ]
            for args, status in cases:
                with self.subTest(args=args):
                    r = run([BATCH] + args, cwd=tmp)
                    self.assertEqual(r.returncode, status, r.stderr)
                    if status != 2 or args:
                        self.assertNotIn(b"\r", r.stderr)  # no progress when not a terminal
            self.assertTrue(os.path.exists(os.path.join(tmp, "rep", "kestra-report.json")))

    @staticmethod
    def big_tree(tmp, files=300):
        body = "".join(GOOD.replace("p_first", "p%d_a" % i).replace("p_second", "p%d_b" % i)
                       for i in range(40))
        for i in range(files):
            write(os.path.join(tmp, "src", "d%d" % (i % 7), "f%03d.sql" % i), body)
        return subprocess.Popen([BATCH, "-j", "2", "-o", "out", "src"], cwd=tmp,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    @staticmethod
    def first_worker(p):
        # The batch's first worker process, as soon as it exists: a fixed sleep
        # would let a fast machine finish the whole tree first.
        deadline = time.time() + 30
        while time.time() < deadline:
            with open("/proc/%d/task/%d/children" % (p.pid, p.pid)) as f:
                pids = f.read().split()
            if pids:
                return int(pids[0])
            time.sleep(0.005)
        raise AssertionError("kestra-batch started no worker")

    @staticmethod
    def converted_unanswered(tmp):
        # A worker has converted sources whose answers it has not written yet: their outputs
        # still wait in its scratch directory (the driver moves them when it reads the answers).
        deadline = time.time() + 30
        while time.time() < deadline:
            waiting = [n for n in tree_files(os.path.join(tmp, "out"))
                       if ".kestra-batch-" in n and n.endswith(".pls")]
            if len(waiting) >= 2:
                return
            time.sleep(0.002)
        raise AssertionError("no converted source waited for its answer")

    def test_a_worker_that_dies_costs_its_file(self):
        # Killed at once, or after it has converted sources it has not answered yet (those are
        # converted again): either way the source it was converting is the only one lost.
        for when in ("at start", "with answers pending"):
            with self.subTest(when=when), tempfile.TemporaryDirectory() as tmp:
                p = self.big_tree(tmp, 120)
                pid = self.first_worker(p)
                if when != "at start":
                    self.converted_unanswered(tmp)
                os.kill(pid, signal.SIGKILL)
                _, err = p.communicate(timeout=120)
                self.assertEqual(p.returncode, 2, err)
                report = json.loads(read(os.path.join(tmp, "out", "kestra-report.json")))
                errors = [f["error"] for f in report["files"] if f["status"] != "converted"]
                self.assertEqual(errors, ["the conversion ended with signal 9"])
                self.assertEqual(report["totals"]["files"], 120)
                # The dead worker's file has no output; every other one is complete (all alike).
                scripts = [read(os.path.join(tmp, "out", n))
                           for n in tree_files(os.path.join(tmp, "out")) if n.endswith(".pls")]
                self.assertEqual(len(scripts), 119)
                self.assertEqual(len(set(scripts)), 1)
                self.assertFalse(
                    [n for n in tree_files(os.path.join(tmp, "out")) if ".kestra-batch-" in n])

    def test_interrupt_leaves_only_complete_outputs(self):
        with tempfile.TemporaryDirectory() as tmp:
            src = os.path.join(tmp, "src")
            p = self.big_tree(tmp)
            self.first_worker(p)
            p.send_signal(signal.SIGINT)
            _, err = p.communicate(timeout=60)
            self.assertEqual(p.returncode, 130, err)
            out = os.path.join(tmp, "out")
            written = [n for n in tree_files(out) if n.endswith(".pls")]
            self.assertLess(len(written), 300)
            self.assertFalse([n for n in tree_files(out) if ".kestra-batch-" in n])
            # Every script that is there is complete: the one a full conversion writes.
            ref = os.path.join(tmp, "ref")
            os.mkdir(ref)
            shutil.copy(os.path.join(src, "d0", "f000.sql"), ref)
            run([KESTRA, "f000.sql"], cwd=ref)
            expected = read(os.path.join(ref, "f000.sql.pls"))
            for n in written:
                self.assertEqual(read(os.path.join(out, n)), expected, n)


# Units with a quoted name and an owner that fail (so that the page lists them too), one that
# names a built-in without a translation; in a ddl_ file that is a source (it holds units).
NAMED = """create procedure "Sales by Year" @y int as
if
go
create procedure dbo.p_owner as
if
go
create procedure p_good as
select @y = difference('a', 'b')
go
"""


def run_batch(args, cwd):
    r = run([BATCH, "-j", "2"] + args, cwd=cwd)
    return r, r.stderr.decode()


class SearchAndReport(unittest.TestCase):
    """What the search passes over, unit names and counts in all three reports, re-runs."""

    def test_tree_skips_names_and_rerun(self):
        with tempfile.TemporaryDirectory() as tmp:
            src = os.path.join(tmp, "src")
            write(os.path.join(src, "ddl_procedures.sql"), NAMED)
            write(os.path.join(src, "ddl_orders.sql"), "create table orders (id int)\ngo\n")
            # Heads in a comment and a string are no units, for kestra as for the report.
            write(os.path.join(src, "tables.sql"), "-- create procedure p in a comment\n"
                  "insert t values ('create procedure q')\ngo\n")
            write(os.path.join(tmp, "outside.sql"), GOOD)
            os.symlink(os.path.join(tmp, "outside.sql"), os.path.join(src, "link.sql"))
            args = ["--glob", "*.sql,*.pls", "-o", "src/out/", "src"]
            r, err = run_batch(args, tmp)
            self.assertEqual(r.returncode, 1, err)  # two units failed
            out = os.path.join(src, "out")
            rep = json.loads(read(os.path.join(out, "kestra-report.json")))
            files = {f["path"]: f for f in rep["files"]}
            skipped = {p: f["skipped"] for p, f in files.items() if f["status"] == "skipped"}
            self.assertEqual(sorted(skipped), ["src/ddl_orders.sql", "src/link.sql", "src/out"])
            self.assertIn("DDL script", skipped["src/ddl_orders.sql"])
            self.assertIn("outside the tree", skipped["src/link.sql"])
            self.assertIn("output directory", skipped["src/out"])
            self.assertEqual(files["src/tables.sql"]["status"], "no_units")
            self.assertEqual(files["src/ddl_procedures.sql"]["status"], "failed")
            t = rep["totals"]
            self.assertEqual((t["files"], t["skipped"], t["no_units"], t["units"], t["converted"],
                              t["failed"]), (2, 3, 1, 3, 1, 2))
            self.assertIn("kestra-batch: 2 files, 3 files skipped, 1 with no units, 3 units, "
                          "2 failed, 0 errors", err)
            self.assertIn('src/ddl_procedures.sql: procedure "Sales by Year" (lines 1-3) failed', err)
            # Names as written, in the three forms.
            names = ['"Sales by Year"', "dbo.p_owner", "p_good"]
            self.assertEqual([u["name"] for u in rep["units"]], names)
            csv_text = read(os.path.join(out, "kestra-report.csv")).decode()
            rows = list(csv.DictReader(io.StringIO(csv_text)))
            self.assertEqual([r["unit"] for r in rows if r["unit"]], names)
            self.assertEqual({r["file"]: r["status"] for r in rows if not r["unit"]},
                             {"src/ddl_orders.sql": "skipped", "src/link.sql": "skipped",
                              "src/out": "skipped", "src/tables.sql": "no_units"})
            page = read(os.path.join(out, "kestra-report.html")).decode()
            for n in ("<b>&quot;Sales by Year&quot;</b>", "<b>dbo.p_owner</b>", "3 files skipped"):
                self.assertIn(n, page)
            self.assertRegex(page, r"Manual conversion required …\(\)</td><td>[^<]*DIFFERENCE")
            log = read(os.path.join(out, "KESTRA.log"))
            # A second run with the same wide glob: the first run's outputs are not sources,
            # and the log starts afresh (the previous one kept as KESTRA.log.1).
            r2, err2 = run_batch(args, tmp)
            self.assertEqual(r2.returncode, 1, err2)
            rep2 = json.loads(read(os.path.join(out, "kestra-report.json")))
            self.assertEqual([f["path"] for f in rep2["files"]], [f["path"] for f in rep["files"]])
            self.assertEqual(read(os.path.join(out, "KESTRA.log")), log)
            self.assertEqual(read(os.path.join(out, "KESTRA.log.1")), log)

    def test_utf16_source_keeps_its_good_units(self):
        with tempfile.TemporaryDirectory() as tmp:
            with open(os.path.join(tmp, "u16.sql"), "wb") as f:
                f.write(MIDDLE.encode("utf-16"))  # with its byte-order mark
            r, err = run_batch(["-o", "out", "u16.sql"], tmp)
            self.assertEqual(r.returncode, 1, err)
            rep = json.loads(read(os.path.join(tmp, "out", "kestra-report.json")))
            self.assertEqual([(u["name"], u["status"]) for u in rep["units"]],
                             [("p_one", "converted"), ("p_two", "failed"), ("p_three", "converted")])
            script = read(os.path.join(tmp, "out", "u16.sql.pls")).decode()
            self.assertIn("PROCEDURE p_one", script)
            self.assertIn("PROCEDURE p_three", script)

    def test_outputs_locks_and_report_failures(self):
        with tempfile.TemporaryDirectory() as tmp:
            for d in ("a", "b"):
                write(os.path.join(tmp, d, "orders.sql"), GOOD)
            # Two same-named sources keep their relative paths under OUTDIR.
            r, err = run_batch(["-o", "out", "a/orders.sql", "./b/orders.sql"], tmp)
            self.assertEqual(r.returncode, 0, err)
            self.assertTrue(os.path.exists(os.path.join(tmp, "out", "a", "orders.sql.pls")))
            self.assertTrue(os.path.exists(os.path.join(tmp, "out", "b", "orders.sql.pls")))
            # Two directories with the same relative name would share an output: refused.
            r, err = run_batch(["-o", "out2", "a", "b"], tmp)
            self.assertEqual(r.returncode, 2, err)
            self.assertIn("would both write", err)
            self.assertFalse(os.path.exists(os.path.join(tmp, "out2", "orders.sql.pls")))
            # In place, an output that is another source (a.sql beside a.sql.pls, a source
            # named KESTRA.log) would be overwritten while it is read: refused, nothing written.
            for other in ("orders.sql.pls", "KESTRA.log"):
                write(os.path.join(tmp, "c", "orders.sql"), GOOD)
                write(os.path.join(tmp, "c", other), GOOD)
                r, err = run_batch(["--glob", "*", "c"], tmp)
                self.assertEqual(r.returncode, 2, err)
                self.assertIn("would replace the source", err)
                self.assertEqual(read(os.path.join(tmp, "c", other)).decode(), GOOD)
                self.assertEqual(sorted(os.listdir(os.path.join(tmp, "c"))),
                                 sorted(["orders.sql", other]))
                shutil.rmtree(os.path.join(tmp, "c"))
            # A run already writing into OUTDIR: a second one is refused.
            fd = os.open(os.path.join(tmp, "out"), os.O_RDONLY)
            fcntl.flock(fd, fcntl.LOCK_EX)
            r, err = run_batch(["-o", "out", "a"], tmp)
            os.close(fd)
            self.assertEqual(r.returncode, 2, err)
            self.assertIn("another kestra-batch run is writing into", err)
            # A report that cannot be written: status 2 and no line saying where it is.
            write(os.path.join(tmp, "plain"), "")
            r, err = run_batch(["-o", "out", "--report", "plain/rep", "a"], tmp)
            self.assertEqual(r.returncode, 2, err)
            self.assertIn("no report written", err)
            self.assertNotIn("report in", err)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[4:])
