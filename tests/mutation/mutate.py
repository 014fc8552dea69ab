#!/usr/bin/python3
"""Mutation testing of Quillmark's own code.

Makes mutants of the program's sources, one small change each, builds each
one and runs the fast tests against it, stopping at the first failure. A
mutant the tests fail on is killed; one they pass is a survivor, which either
needs a test or is listed, with its reason, in equivalent.txt beside this
script. Run through run.sh, which installs what is needed and starts Wine.

Mutant identifiers are path:line:OPERATOR:original:replacement, with #n when a
line holds several of the same; the same source gives the same identifiers.
"""

import argparse
import concurrent.futures
import difflib
import json
import os
import queue
import random
import re
import signal
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
EQUIVALENTS = os.path.join(HERE, "equivalent.txt")

PROGRAM_DIRS = ["app", "model", "paint", "tools"]
# The resource identifiers are shared by the program, the resource script and
# the tests alike, so a changed value changes all three together and cannot be
# seen. (The entry point's loop runs in test_shell, built there under another
# name.)
LEFT_OUT = {"app/resource.h"}

# Copied into each worker's tree: what the program and its tests build from.
TREE = ["CMakeLists.txt", "cmake", "app", "model", "paint", "tools", "tests", "packaging"]

# CTest tests left out per mutant: those labelled volume, each a long loop
# over code that a quicker case covers (the 200,000-message fuzzer, 50,000
# size messages, a minute of colour dialogs, 20 paints of 200,000 records).
# Together they take about 100 s of the 110 s the tests need; without them a
# mutant's run takes seconds.
# The release's files (label packaging) test the packing scripts, not the
# program's code, and are no test program.
VOLUME_LABEL = "volume"
LEFT_OUT_LABELS = "e2e|packaging|" + VOLUME_LABEL

# Which test program to run first for a mutant in each folder: the one that
# tests that folder. The others follow, quickest first.
FIRST_PROGRAM = {"app": "test_shell", "model": "test_model", "paint": "test_paint",
                 "tools": "test_tools"}

# Mutants in one run: all of them when they fit, or this many, drawn with SEED.
# Survivors cost most (up to 120 s for a header that every test includes, as
# every program is rebuilt and run). With many of them, on a busy machine, 300
# of 419 took 36 minutes; with none, all 416 took 25 on a quiet one, and all
# 428 (the entry point's loop among them) 36 on a shared one.
SAMPLE = 300
SEED = 20261208

# Mutants of one file a worker takes at a time.
CHUNK = 8

# ------------------------------------------------------------------ sources

TOKEN = re.compile(r"""
    (?P<space>\s+)
  | (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<string>L?"(?:\\.|[^"\\\n])*"|L?'(?:\\.|[^'\\\n])*')
  | (?P<number>0[xX][0-9a-fA-F]+[uUlL]*|\d+[uUlL]*(?![.\w]))
  | (?P<float>\d+\.\d*(?:[eE][-+]?\d+)?[fF]?)
  | (?P<name>[A-Za-z_]\w*)
  | (?P<punct>->|::|\+\+|--|<<=|>>=|<=|>=|==|!=|&&|\|\||\+=|-=|\*=|/=|%=|&=|\|=|\^=|<<|>>|[^\s\w])
""", re.S | re.X)


class Token:
    __slots__ = ("kind", "text", "start", "end", "line")

    def __init__(self, kind, text, start, end, line):
        self.kind, self.text, self.start, self.end, self.line = kind, text, start, end, line


def tokenize(text):
    """Tokens of C++ source, comments and preprocessor lines left out."""
    # Blank out preprocessor lines (with continuations), keeping offsets.
    chars = list(text)
    for m in re.finditer(r"^[ \t]*#(?:[^\n]*\\\n)*[^\n]*", text, re.M):
        for i in range(m.start(), m.end()):
            if chars[i] != "\n":
                chars[i] = " "
    masked = "".join(chars)
    tokens, pos, line = [], 0, 1
    while pos < len(masked):
        m = TOKEN.match(masked, pos)
        if not m:
            raise ValueError("cannot read source at line %d" % line)
        kind = m.lastgroup
        if kind not in ("space", "comment"):
            tokens.append(Token(kind, m.group(), m.start(), m.end(), line))
        line += m.group().count("\n")
        pos = m.end()
    return tokens


class Mutant:
    def __init__(self, path, line, op, original, replacement, start, end, new_text):
        self.path, self.line, self.op = path, line, op
        self.original, self.replacement = original, replacement
        self.start, self.end, self.new_text = start, end, new_text
        self.id = None  # set once every mutant of the line is known

    def apply(self, source):
        return source[:self.start] + self.new_text + source[self.end:]


def spaced(text, tok):
    """True when a token stands between spaces, as binary operators do here
    (the house style); this tells `a & b` from `T& r`, and `a < b` from
    `vector<T>`."""
    return (tok.start > 0 and text[tok.start - 1] in " \n"
            and tok.end < len(text) and text[tok.end] in " \n")


SWAPS = {
    # comparison operators: the boundary moved, or the test turned round
    "ROR": {"<": ["<="], "<=": ["<"], ">": [">="], ">=": [">"], "==": ["!="], "!=": ["=="]},
    # arithmetic and bitwise operators
    "AOR": {"+": ["-"], "-": ["+"], "*": ["/"], "/": ["*"], "%": ["*"], "|": ["&"], "&": ["|"],
            "+=": ["-="], "-=": ["+="]},
    # logical connectives
    "LCR": {"&&": ["||"], "||": ["&&"]},
}
BINARY_ONLY = {"<", "<=", ">", ">=", "+", "-", "*", "/", "%", "|", "&"}
BOOLS = {"true": "false", "false": "true", "TRUE": "FALSE", "FALSE": "TRUE"}
STATEMENT_KEYWORDS = {
    "return", "break", "continue", "if", "else", "for", "while", "do", "switch", "case",
    "default", "try", "catch", "throw", "const", "static", "using", "template", "namespace",
    "class", "struct", "public", "private", "protected", "extern", "typedef", "enum", "goto",
    "auto", "unsigned", "int", "bool", "void", "char", "long", "short", "double", "float",
    "explicit", "inline", "operator"}
EXPRESSION_STARTS = {"(", "=", ".", "->", "[", "++", "--", "+=", "-=", "*=", "/=", "|=", "&="}


def matching(tokens, i, open_, close):
    depth = 0
    for j in range(i, len(tokens)):
        if tokens[j].text == open_:
            depth += 1
        elif tokens[j].text == close:
            depth -= 1
            if depth == 0:
                return j
    raise ValueError("unbalanced %s at line %d" % (open_, tokens[i].line))


def statement_end(tokens, i):
    """Index of the ';' that ends the statement starting at token i."""
    depth = 0
    for j in range(i, len(tokens)):
        t = tokens[j].text
        if t in "([{":
            depth += 1
        elif t in ")]}":
            depth -= 1
            if depth < 0:
                return None
        elif t == ";" and depth == 0:
            return j
    return None


def is_expression_statement(text, tokens, i):
    """An expression statement begins at token i: a call, an assignment, an
    increment. Declarations (Type name ...), and returns that give a value,
    are not removed: without them the mutant would not compile or would fall
    off the end of a function."""
    t = tokens[i]
    if t.text in ("++", "--"):
        return True
    if t.kind != "name" or t.text in STATEMENT_KEYWORDS:
        return False
    j = i + 1
    while j + 1 < len(tokens) and tokens[j].text == "::" and tokens[j + 1].kind == "name":
        j += 2
    if tokens[j].text == "<" and not spaced(text, tokens[j]):  # Type<Args>().call()
        close = matching(tokens, j, "<", ">")
        return tokens[close + 1].text == "("
    return tokens[j].text in EXPRESSION_STARTS


def statement_starts(tokens):
    """Indices where a statement may begin: after `;`, a brace, a case label,
    `else`, or the head of an `if`, `for` or `while`; never inside parentheses."""
    starts, parens, heads, last = [], [], [], 0
    for i, t in enumerate(tokens):
        prev = tokens[i - 1] if i else None
        begins = False
        if prev is None or (not parens and prev.text in (";", "{", "}", "else")):
            begins = True
        elif not parens and prev.text == ":" and tokens[last].text in ("case", "default"):
            begins = True
        elif prev.text == ")" and heads and heads[-1] == i - 1:
            heads.pop()
            begins = True
        if begins:
            starts.append(i)
            last = i
        if t.text == "(":
            parens.append(prev is not None and prev.text in ("if", "for", "while"))
        elif t.text == ")" and parens:
            if parens.pop():
                heads.append(i)
    return starts


def function_bodies(tokens):
    """Token index ranges of function bodies, so that statement removal keeps
    to code that runs and leaves class members and tables alone."""
    bodies, i = [], 0
    while i < len(tokens):
        if tokens[i].text == "{" and i > 0:
            # `) {`, `) const {`, `) noexcept {`, `) override {` open a function
            # body; the constructor's initialiser list ends with `) {` too.
            k = i - 1
            while tokens[k].text in ("const", "noexcept", "override"):
                k -= 1
            if tokens[k].text == ")":
                head = k
                depth = 0
                while head >= 0:
                    if tokens[head].text == ")":
                        depth += 1
                    elif tokens[head].text == "(":
                        depth -= 1
                        if depth == 0:
                            break
                    head -= 1
                if head > 0 and tokens[head - 1].text not in ("if", "for", "while", "switch"):
                    end = matching(tokens, i, "{", "}")
                    bodies.append((i, end))
                    i = end + 1
                    continue
        i += 1
    return bodies


def mutants_of(path, text):
    tokens = tokenize(text)
    found = []

    def add(op, tok_start, tok_end, original, replacement, new_text, line):
        found.append(Mutant(path, line, op, original, replacement, tok_start, tok_end, new_text))

    bodies = function_bodies(tokens)
    in_body = [False] * len(tokens)
    for a, b in bodies:
        for k in range(a + 1, b):
            in_body[k] = True

    for i, t in enumerate(tokens):
        # operators swapped
        for op, table in SWAPS.items():
            if t.kind == "punct" and t.text in table:
                if t.text in BINARY_ONLY and not spaced(text, t):
                    continue
                for r in table[t.text]:
                    add(op, t.start, t.end, t.text, r, r, t.line)
        if t.kind == "punct" and t.text in ("++", "--") and in_body[i]:
            r = "--" if t.text == "++" else "++"
            add("AOR", t.start, t.end, t.text, r, r, t.line)
        # constants changed by one
        if t.kind == "number":
            m = re.match(r"(0[xX][0-9a-fA-F]+|\d+)(.*)", t.text)
            digits, suffix = m.group(1), m.group(2)
            value = int(digits, 0)
            for v in ([value + 1, value - 1] if value > 0 else [value + 1]):
                r = (hex(v) if digits[:2] in ("0x", "0X") else str(v)) + suffix
                add("CRP", t.start, t.end, t.text, r, r, t.line)
        # booleans flipped
        if t.kind == "name" and t.text in BOOLS:
            r = BOOLS[t.text]
            add("BOOL", t.start, t.end, t.text, r, r, t.line)
        # conditions negated
        if t.kind == "name" and t.text in ("if", "while") and tokens[i + 1].text == "(":
            close = matching(tokens, i + 1, "(", ")")
            a, b = tokens[i + 2].start, tokens[close - 1].end
            add("NEG", a, b, t.text, "!", "!(" + text[a:b] + ")", t.line)
        if t.kind == "name" and t.text == "for" and tokens[i + 1].text == "(":
            close = matching(tokens, i + 1, "(", ")")
            semis = [k for k in range(i + 2, close) if tokens[k].text == ";"]
            if len(semis) == 2 and semis[1] > semis[0] + 1:
                a, b = tokens[semis[0] + 1].start, tokens[semis[1] - 1].end
                add("NEG", a, b, "for", "!", "!(" + text[a:b] + ")", t.line)

    # statements removed
    for i in statement_starts(tokens):
        if not in_body[i]:
            continue
        t = tokens[i]
        if t.text in ("break", "continue") or (t.text == "return" and tokens[i + 1].text == ";"):
            end = i + 1
        elif is_expression_statement(text, tokens, i):
            end = statement_end(tokens, i)
            if end is None:
                continue
        else:
            continue
        key = ""
        for k in range(i, end):
            if tokens[k].text in ("(", "=", ";") and key:
                break
            key += tokens[k].text
        add("DEL", t.start, tokens[end].end, key, "", ";", t.line)

    # Identifiers: several alike on one line are told apart by their order.
    found.sort(key=lambda m: (m.line, m.start, m.op, m.replacement))
    seen = {}
    for m in found:
        base = "%s:%d:%s:%s:%s" % (m.path, m.line, m.op, m.original, m.replacement)
        seen[base] = seen.get(base, 0) + 1
        m.id = base if seen[base] == 1 else "%s#%d" % (base, seen[base])
    for m in found:
        base = "%s:%d:%s:%s:%s" % (m.path, m.line, m.op, m.original, m.replacement)
        if seen[base] > 1 and "#" not in m.id:
            m.id = base + "#1"
    return found


def program_sources():
    files = []
    for d in PROGRAM_DIRS:
        for dirpath, _, names in os.walk(os.path.join(ROOT, d)):
            for n in names:
                if n.endswith((".cpp", ".h")):
                    rel = os.path.relpath(os.path.join(dirpath, n), ROOT)
                    if rel not in LEFT_OUT:
                        files.append(rel)
    return sorted(files)


def all_mutants():
    mutants = []
    for rel in program_sources():
        with open(os.path.join(ROOT, rel), encoding="utf-8") as f:
            mutants += mutants_of(rel, f.read())
    return mutants


def read_equivalents():
    """id -> reason, from equivalent.txt: one mutant a line, its id, then why."""
    result = {}
    if os.path.exists(EQUIVALENTS):
        with open(EQUIVALENTS, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if not line or line.startswith("#"):
                    continue
                parts = line.split(None, 1)
                result[parts[0]] = parts[1] if len(parts) > 1 else ""
    return result


# ------------------------------------------------------------------ workers

def sync_tree(dest):
    """Copies the sources into a worker's tree, touching only files whose
    content changed, so its build stays incremental from run to run."""
    for item in TREE:
        src = os.path.join(ROOT, item)
        if os.path.isfile(src):
            pairs = [(src, os.path.join(dest, item))]
        else:
            pairs = []
            for dirpath, dirnames, names in os.walk(src):
                dirnames[:] = [d for d in dirnames if d != "mutation"]
                for n in names:
                    s = os.path.join(dirpath, n)
                    pairs.append((s, os.path.join(dest, os.path.relpath(s, ROOT))))
        for s, d in pairs:
            with open(s, "rb") as f:
                data = f.read()
            if os.path.exists(d):
                with open(d, "rb") as f:
                    if f.read() == data:
                        continue
            os.makedirs(os.path.dirname(d), exist_ok=True)
            with open(d, "wb") as f:
                f.write(data)


def run(cmd, cwd, timeout=None, prefix=None):
    """Runs a command in its own process group; (returncode or None on
    timeout, output)."""
    env = dict(os.environ, WINEPREFIX=prefix) if prefix else None
    proc = subprocess.Popen(cmd, cwd=cwd, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                            start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, _ = proc.communicate()
        return None, out.decode("utf-8", "replace")


# Wine reports a fault it cannot hand to the program ("wine: Unhandled page
# fault ...") with a backtrace, but the exit code that follows is not always
# non-zero: one mutant's test program faulted and still ended with 0. So a test
# program has passed only when it exits with 0, prints GoogleTest's closing
# PASSED line, and Wine reports no unhandled fault.
CRASH = re.compile(r"^.*Unhandled (?:page fault|exception|illegal instruction|stack overflow).*$",
                   re.M)


def failure(code, out):
    """Why a test program's run counts as failed, or None when it passed."""
    failed = re.findall(r"^\[  FAILED  \] (\S+)", out, re.M)
    if failed:
        return failed[0].rstrip(",")
    crash = CRASH.search(out)
    if crash:
        return "crashed: " + crash.group().strip()
    if code != 0:
        return "exit code %d" % code
    if not re.search(r"^\[  PASSED  \] \d+ tests?\.", out, re.M):
        return "no PASSED line (the program ended early)"
    return None


def test_programs(listing):
    """The tests of CTest's JSON listing less the fixtures that set up and
    stop Wine for CTest's own runs: the workers run the programs themselves,
    in prefixes whose servers run.sh started."""
    fixture = {"FIXTURES_SETUP", "FIXTURES_CLEANUP"}
    return [t for t in json.loads(listing)["tests"]
            if not fixture & {p["name"] for p in t.get("properties", [])}]


class Worker:
    def __init__(self, index, base, prefix):
        self.index = index
        self.prefix = prefix
        self.src = os.path.join(base, "w%d" % index, "src")
        self.build = os.path.join(base, "w%d" % index, "build")
        self.programs = []   # (name, command up to the exe, working directory)
        self.durations = {}  # seconds each program took on the unchanged code

    def configure(self):
        sync_tree(self.src)
        code, out = run(["cmake", "-S", self.src, "-B", self.build,
                         "-DCMAKE_TOOLCHAIN_FILE=%s/cmake/mingw-w64.cmake" % self.src,
                         "-DCMAKE_BUILD_TYPE=Release", "-DQUILLMARK_BENCH=OFF",
                         # A mutant that draws only a warning is still a
                         # program to test, not a stillborn one.
                         "-DQUILLMARK_WERROR=OFF"], ROOT)
        if code != 0:
            raise RuntimeError("configure failed in %s:\n%s" % (self.build, out))
        # The whole tree once; Quillmark.exe too, whose resources test_shell reads.
        code, out = run(["cmake", "--build", self.build, "-j", "1"], ROOT)
        if code != 0:
            raise RuntimeError("build failed in %s:\n%s" % (self.build, out[-4000:]))
        code, out = run(["ctest", "--show-only=json-v1", "-LE", LEFT_OUT_LABELS], self.build)
        for test in test_programs(out):
            # Tests of the scripts, run by bash, run no program code.
            at = next((i for i, c in enumerate(test["command"]) if c.endswith(".exe")), None)
            if at is None:
                continue
            # The program behind the emulator the toolchain found, Wine's
            # loader, as CTest would run it.
            command = test["command"][:at + 1]
            workdir = next((p["value"] for p in test.get("properties", [])
                            if p["name"] == "WORKING_DIRECTORY"), os.path.dirname(command[-1]))
            self.programs.append((test["name"], command, workdir))

    def order(self, path):
        first = FIRST_PROGRAM.get(path.split("/")[0])
        rest = sorted(self.programs, key=lambda p: self.durations.get(p[0], 0))
        return [p for p in rest if p[0] == first] + [p for p in rest if p[0] != first]

    def left_out(self):
        """The CTest tests labelled volume, by name."""
        code, out = run(["ctest", "--show-only=json-v1", "-L", VOLUME_LABEL], self.build)
        return [test["name"] for test in test_programs(out)]

    def test_args(self):
        return ["--gtest_color=no", "--gtest_fail_fast", "--gtest_brief=1"]

    def baseline(self):
        """Runs every program on the unchanged code: each must pass, and its
        time sets its timeout."""
        for name, command, workdir in self.programs:
            began = time.monotonic()
            code, out = run(command + self.test_args(), workdir, timeout=600,
                            prefix=self.prefix)
            self.durations[name] = time.monotonic() - began
            if failure(code, out):
                raise RuntimeError("%s fails on the unchanged code (%s):\n%s" % (
                    name, failure(code, out), out[-4000:]))

    def timeout(self, name):
        # Generous: the machine is shared and its speed varies twofold.
        return 30 + 5 * self.durations[name]

    def unchanged_passes(self, path, original, target, command, workdir, name):
        """After a timeout: whether the unchanged program, built and run again
        in the same conditions, passes within the same limit. Otherwise the
        machine, not the mutant, may have been too slow."""
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)
        code, _ = run(["cmake", "--build", self.build, "--target", target, "-j", "1"], ROOT)
        if code != 0:
            return False
        code, out = run(command + self.test_args(), workdir, timeout=self.timeout(name),
                        prefix=self.prefix)
        return code is not None and failure(code, out) is None

    def try_mutant(self, mutant, original):
        path = os.path.join(self.src, mutant.path)
        began = time.monotonic()
        result = {"id": mutant.id, "status": None, "program": "", "detail": ""}
        with open(path, "w", encoding="utf-8") as f:
            f.write(mutant.apply(original))
        try:
            for name, command, workdir in self.order(mutant.path):
                target = os.path.splitext(os.path.basename(command[-1]))[0]
                code, out = run(["cmake", "--build", self.build, "--target", target, "-j", "1"],
                                ROOT)
                if code != 0:
                    errors = [l for l in out.splitlines() if "error" in l]
                    result.update(status="stillborn", detail=(errors or [""])[0].strip())
                    break
                code, out = run(command + self.test_args(), workdir,
                                timeout=self.timeout(name), prefix=self.prefix)
                if code is None:
                    confirmed = self.unchanged_passes(path, original, target, command, workdir, name)
                    result.update(status="timeout" if confirmed else "unconfirmed", program=name,
                                  detail="no result within %.0f s%s" % (
                                      self.timeout(name), "" if confirmed else
                                      "; nor from the unchanged program run again"))
                    break
                verdict = failure(code, out)
                if verdict:
                    result.update(status="killed", program=name, detail=verdict)
                    break
            else:
                result["status"] = "survived"
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        result["seconds"] = round(time.monotonic() - began, 1)
        return result


# ------------------------------------------------------------------ the run

def diff_of(mutant, original):
    lines = difflib.unified_diff(original.splitlines(True),
                                 mutant.apply(original).splitlines(True),
                                 "a/" + mutant.path, "b/" + mutant.path, n=1)
    return "".join(lines)


def natural(mutant_id):
    """Sort key: by file, then line number, then the rest."""
    path, line, rest = mutant_id.split(":", 2)
    return path, int(line), rest


def write_report(run_info, results, mutants, originals, equivalents, out):
    """Writes report.txt from a run's results and the equivalents as listed
    now; returns its text."""
    by_id = {m.id: m for m in mutants}
    status = {}
    for r in results.values():
        s = r["status"]
        status[r["id"]] = "equivalent" if s == "survived" and r["id"] in equivalents else s
    n = {s: sum(1 for v in status.values() if v == s)
         for s in ("killed", "timeout", "unconfirmed", "survived", "equivalent", "stillborn")}
    killed = n["killed"] + n["timeout"]
    scored = killed + n["unconfirmed"] + n["survived"]
    score = 100.0 * killed / scored if scored else 100.0
    raw = 100.0 * killed / (scored + n["equivalent"]) if scored + n["equivalent"] else 100.0

    lines = ["Quillmark mutation report", "run: %s" % run_info["note"]]
    lines.append("workers: %d; %.1f min in all, of which %.1f min to build the worker trees "
                 "and time the unchanged tests; %.1f s per mutant (one worker)" % (
                     run_info["workers"], run_info["seconds"] / 60,
                     run_info["setup_seconds"] / 60,
                     sum(r["seconds"] for r in results.values()) / max(1, len(results))))
    for name, seconds, timeout in run_info["programs"]:
        lines.append("  %-16s %5.1f s on the unchanged code, timeout %.0f s" % (
            name, seconds, timeout))
    lines.append("left out of the tests run per mutant: the CTest tests labelled volume: " +
                 ", ".join(run_info.get("left_out", [])))
    lines.append("")
    lines.append("mutants run: %d" % len(results))
    lines.append("stillborn (did not compile; not counted): %d" % n["stillborn"])
    lines.append("killed: %d, of which %d by a timeout (a test that hangs counts as "
                 "killed once the unchanged program, run again, passes within the limit)" % (
                     killed, n["timeout"]))
    lines.append("unconfirmed timeouts (the unchanged program did not pass within the limit "
                 "either; counted as not killed): %d" % n["unconfirmed"])
    lines.append("survived: %d" % n["survived"])
    lines.append("equivalent (survived, listed in equivalent.txt; not counted): %d" %
                 n["equivalent"])
    lines.append("score: %.1f%% (%d killed of %d non-equivalent mutants); %.1f%% counting "
                 "the equivalent ones as survivors" % (score, killed, scored, raw))
    stale = sorted(set(equivalents) - set(by_id))
    if stale:
        lines += ["", "equivalent.txt names mutants that no longer exist (a line moved?):"]
        lines += ["  " + s for s in stale]
    for kind, title in (("survived", "Survivors"), ("unconfirmed", "Unconfirmed timeouts"),
                        ("equivalent", "Equivalent survivors")):
        ids = sorted((i for i, s in status.items() if s == kind), key=natural)
        lines += ["", "%s: %d" % (title, len(ids))]
        for i in ids:
            lines.append("")
            lines.append(i + ("    (%s)" % equivalents[i] if kind == "equivalent" else ""))
            m = by_id.get(i)
            lines.append(diff_of(m, originals[m.path]).rstrip("\n") if m
                         else "(no such mutant in the sources as they are now)")
    lines += ["", "Every mutant:"]
    for i in run_info["order"]:
        r = results[i]
        lines.append("  %-10s %s  %s %s" % (status[i], i, r["program"], r["detail"]))
    text = "\n".join(lines) + "\n"
    with open(os.path.join(out, "report.txt"), "w", encoding="utf-8") as f:
        f.write(text)
    return text


def choose(mutants, args):
    ids = {m.id for m in mutants}
    if args.only:
        unknown = [i for i in args.only if i not in ids]
        if unknown:
            raise SystemExit("no such mutant: " + ", ".join(unknown))
        chosen = [m for m in mutants if m.id in args.only]
        note = "%d chosen mutants" % len(chosen)
    elif not args.all and len(mutants) > args.sample:
        picked = set(m.id for m in random.Random(args.seed).sample(mutants, args.sample))
        chosen = [m for m in mutants if m.id in picked]
        note = "a sample of %d of %d mutants, seed %d" % (len(chosen), len(mutants), args.seed)
    else:
        chosen = mutants
        note = "all %d mutants" % len(mutants)
    if args.limit:
        chosen = chosen[:args.limit]
        note += ", the first %d of them" % len(chosen)
    return chosen, note


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", action="store_true", help="print every mutant and stop")
    parser.add_argument("--all", action="store_true", help="run every mutant, no sample")
    parser.add_argument("--sample", type=int, default=SAMPLE, help="mutants in a sampled run")
    parser.add_argument("--seed", type=int, default=SEED, help="seed of the sample")
    parser.add_argument("--limit", type=int, help="stop after this many (a quick check)")
    parser.add_argument("--only", nargs="+", metavar="ID", help="run just these mutants")
    parser.add_argument("--jobs", type=int, default=2,
                        help="workers, each with its own tree and Wine prefix (at most 2)")
    parser.add_argument("--report", action="store_true",
                        help="rewrite report.txt from the last run's results, for the mutants "
                             "chosen as for a run and equivalent.txt as it is now")
    parser.add_argument("--out", default=os.path.join(ROOT, "build", "mutation"),
                        help="working folder and report (default build/mutation)")
    args = parser.parse_args()

    mutants = all_mutants()
    originals = {}
    for rel in program_sources():
        with open(os.path.join(ROOT, rel), encoding="utf-8") as f:
            originals[rel] = f.read()
    equivalents = read_equivalents()

    if args.list:
        for m in mutants:
            print(m.id)
        print("%d mutants" % len(mutants), file=sys.stderr)
        return 0
    if args.report:
        # The mutants this run would make, taken from the results of the last
        # one, which may have run more (--all).
        with open(os.path.join(args.out, "results.json"), encoding="utf-8") as f:
            saved = json.load(f)
        chosen, note = choose(mutants, args)
        missing = [m.id for m in chosen if m.id not in saved["results"]]
        if missing:
            raise SystemExit("the last run did not run %d of these mutants" % len(missing))
        run_info = dict(saved["run"], order=[m.id for m in chosen],
                        note="%s (results of the run of %s)" % (note, saved["run"]["note"]))
        results = {m.id: saved["results"][m.id] for m in chosen}
        print(write_report(run_info, results, mutants, originals, equivalents, args.out), end="")
        return 0

    prefixes = os.environ.get("QUILLMARK_MUTATION_PREFIXES", "").split()
    if not prefixes:
        print("no Wine prefixes given: run this through run.sh", file=sys.stderr)
        return 2
    chosen, note = choose(mutants, args)
    os.makedirs(args.out, exist_ok=True)
    log = open(os.path.join(args.out, "progress.log"), "w", encoding="utf-8")

    def say(text):
        print(text, flush=True)
        log.write(text + "\n")
        log.flush()

    say("mutation run: %s" % note)
    if len(chosen) < len(mutants):
        say("mutants in this run: " + " ".join(m.id for m in chosen))
    started = time.monotonic()
    workers = [Worker(i, args.out, p) for i, p in enumerate(prefixes[:args.jobs])]
    say("building %d worker trees under %s" % (len(workers), args.out))
    with concurrent.futures.ThreadPoolExecutor(len(workers)) as pool:
        list(pool.map(Worker.configure, workers))
        list(pool.map(Worker.baseline, workers))
    programs = [(name, workers[0].durations[name], workers[0].timeout(name))
                for name, _, _ in workers[0].programs]
    left_out = workers[0].left_out()
    for name, seconds, _ in programs:
        say("  %-16s %5.1f s on the unchanged code" % (name, seconds))
    setup_seconds = time.monotonic() - started

    # A worker takes a few mutants of one file at a time, so that its builds
    # recompile mostly that file; headers first, as they cost most to rebuild.
    groups = {}
    for m in chosen:
        groups.setdefault(m.path, []).append(m)
    work = queue.Queue()
    for path in sorted(groups, key=lambda p: (not p.endswith(".h"), -len(groups[p]), p)):
        group = groups[path]
        for k in range(0, len(group), CHUNK):
            work.put(group[k:k + CHUNK])
    results, lock = {}, threading.Lock()

    def serve(worker):
        while True:
            try:
                group = work.get_nowait()
            except queue.Empty:
                return
            for m in group:
                r = worker.try_mutant(m, originals[m.path])
                with lock:
                    results[m.id] = r
                    shown = "equivalent" if (r["status"] == "survived"
                                             and m.id in equivalents) else r["status"]
                    say("[%3d/%d] %-10s %s  %s %s (%.0f s)" % (
                        len(results), len(chosen), shown, m.id, r["program"], r["detail"],
                        r["seconds"]))

    with concurrent.futures.ThreadPoolExecutor(len(workers)) as pool:
        list(pool.map(serve, workers))

    run_info = {"note": note, "workers": len(workers), "programs": programs, "left_out": left_out,
                "seconds": time.monotonic() - started, "setup_seconds": setup_seconds,
                "order": [m.id for m in chosen]}
    with open(os.path.join(args.out, "results.json"), "w", encoding="utf-8") as f:
        json.dump({"run": run_info, "results": results}, f, indent=1)
    text = write_report(run_info, results, mutants, originals, equivalents, args.out)
    say("")
    say(text)
    say("report: %s" % os.path.join(args.out, "report.txt"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
