#!/usr/bin/env python3
"""Mutation testing of the product code (src/, host/, app/), standard library only.

  mutate.py generate [--seed S] [--count N]   write the fixed sample list
  mutate.py run [--only FILE] [--range A-B] [--resume] [--jobs N] [--no-stress]
  mutate.py summary [RESULTS]                 score per folder and the survivors
  mutate.py compare OLD NEW                   mutants whose status differs between two runs
  mutate.py restore                           put back a file that an interrupted run left mutated

scripts/mutate.sh is the way in: it runs this under a trap that restores the tree on any exit.
"""

import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FOLDERS = ("src", "host", "app")
SOURCE_SUFFIXES = (".cpp", ".h")
SAMPLE = ROOT / "tests" / "mutation" / "sample.txt"
DEFAULT_SEED = 20250101
DEFAULT_COUNT = 480
PER_FILE_FLOOR = 3
PRESET = "mutate"
BUILD = ROOT / "build" / PRESET
RESULTS = BUILD / "results.tsv"
PENDING = BUILD / "pending.json"
BACKUP = BUILD / "backup"
LOGS = BUILD / "logs"

# Tests of one folder run before all others when a mutant lies in that folder: they are the
# likeliest killers and mostly the fastest ones.
FOLDER_TESTS = {"app": r"^(kaldor\.|kit\.)", "host": r"^host\."}
# They assert resources, not behaviour, and take most of the suite's time: only for survivors.
SLOW_TESTS = r"^Stress\."
PER_TEST_TIMEOUT = 120
BUILD_TIMEOUT = 1800

STATUSES = ("killed", "timeout", "survived", "invalid", "unbuilt", "stale")
DETECTED = ("killed", "timeout")
COUNTED = ("killed", "timeout", "survived")

# ---------------------------------------------------------------------------------------------
# Reading C++ source text


def code_mask(text):
    """One flag per character: True where the character is code, False inside comments, string
    and character literals (raw strings included) and preprocessor lines."""
    n = len(text)
    mask = [True] * n
    i = 0
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            j = i
            while j < n and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            for k in range(i, min(j, n)):
                mask[k] = False
            i = j
            continue
        line_start = c == "\n"
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            mask[i:j] = [False] * (j - i)
            i = j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            for k in range(i, j):
                if text[k] != "\n":
                    mask[k] = False
            i = j
            continue
        raw = re.match(r'(?:u8|u|U|L)?R"([^ ()\\\t\n]{0,16})\(', text[i:i + 24])
        if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            end = text.find(")" + raw.group(1) + '"', i + raw.end())
            j = n if end < 0 else end + len(raw.group(1)) + 2
            for k in range(i, j):
                if text[k] != "\n":
                    mask[k] = False
            i = j
            continue
        if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum() \
                and re.match(r"[0-9a-fA-FxX']*$", _number_before(text, i)):
            i += 1  # a digit separator
            continue
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            mask[i:j] = [False] * (j - i)
            i = j
            continue
        i += 1
    return mask


def _number_before(text, i):
    j = i
    while j > 0 and (text[j - 1].isalnum() or text[j - 1] == "'"):
        j -= 1
    word = text[j:i]
    return word if word[:1].isdigit() else "-"


# ---------------------------------------------------------------------------------------------
# Mutation operators. Each yields (column, original, replacement, operator) for one line, the
# column counted from 1. They only touch code characters and keep the line compilable in
# principle; a mutant that still does not compile is reported as invalid.

RELATIONAL = {"==": "!=", "!=": "==", "<": "<=", "<=": "<", ">": ">=", ">=": ">"}
LOGICAL = {"&&": "||", "||": "&&"}
DEFAULT_LIKE = {"{}", "0", "nullptr", "false", "true", '""', "std::nullopt", "*this", "this"}
NOT_A_CALL = {"return", "if", "while", "for", "switch", "case", "else", "do", "break", "continue",
              "goto", "using", "typedef", "namespace", "template", "static_assert", "delete",
              "throw", "co_return", "friend", "public", "private", "protected", "class",
              "struct", "enum", "union", "explicit", "virtual", "operator", "new", "sizeof"}


def _is_code(mask, base, start, end):
    return all(mask[base + k] for k in range(start, end))


def relational(line, mask, base):
    # Spaces on both sides tell a comparison from a template bracket, a shift or an arrow.
    for m in re.finditer(r"(?<=\s)(==|!=|<=|>=|<|>)(?=\s)", line):
        if not _is_code(mask, base, m.start(), m.end()):
            continue
        if re.search(r"\boperator\s*$", line[:m.start()]):
            continue
        yield m.start() + 1, m.group(1), RELATIONAL[m.group(1)], "relational"


def logical(line, mask, base):
    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", line):
        if _is_code(mask, base, m.start(), m.end()):
            yield m.start() + 1, m.group(1), LOGICAL[m.group(1)], "logical"


def negation(line, mask, base):
    for m in re.finditer(r"!(?=[A-Za-z_(])", line):
        if _is_code(mask, base, m.start(), m.end()) and not re.search(r"\boperator\s*$",
                                                                      line[:m.start()]):
            yield m.start() + 1, "!", "", "negation"


def boolean(line, mask, base):
    for m in re.finditer(r"\b(true|false)\b", line):
        if _is_code(mask, base, m.start(), m.end()):
            yield m.start() + 1, m.group(1), "false" if m.group(1) == "true" else "true", "boolean"


def constant(line, mask, base):
    for m in re.finditer(r"(?<![\w.'])(\d+)([uUlL]*)(?![\w.'])", line):
        if not _is_code(mask, base, m.start(), m.end()):
            continue
        digits = m.group(1)
        if len(digits) > 1 and digits.startswith("0"):
            continue  # octal
        value = int(digits)
        new = {0: 1, 1: 0}.get(value, value + 1)
        yield m.start() + 1, digits, str(new), "constant"


def _balanced(text):
    depth = 0
    for c in text:
        depth += c in "([{"
        depth -= c in ")]}"
        if depth < 0:
            return False
    return depth == 0


def return_value(line, mask, base):
    m = re.match(r"^(\s*)(return\s+(.+);)\s*$", line)
    if not m or not _is_code(mask, base, m.start(2), m.start(2) + 6):
        return
    if not mask[base + m.end(2) - 1]:
        return
    expr = m.group(3).strip()
    if expr in DEFAULT_LIKE or not _balanced(expr) or re.fullmatch(r"[\w:]+(\{\}|\(\))", expr):
        return
    yield m.start(2) + 1, m.group(2), "return {};", "return"


def statement(line, mask, base, previous):
    """A whole line that is one call statement: `f(...);`, `obj.f(...);`, `p->f(...);`."""
    m = re.match(r"^(\s*)([A-Za-z_][\w:]*(?:(?:\.|->)[A-Za-z_]\w*)*)\s*\((.*)\);\s*$", line)
    if not m or previous is None or previous[-1:] not in (";", "{", "}", ":"):
        return
    if previous.endswith("::") or previous.rstrip().endswith("?"):
        return
    head = m.group(2)
    first = re.split(r"::|\.|->", head)[0]
    if first in NOT_A_CALL or head.isupper() or not _balanced(m.group(3)):
        return
    start, end = m.start(2), len(line.rstrip())
    if not mask[base + start] or not mask[base + end - 1]:
        return
    yield start + 1, line[start:end], "", "statement"


SCOPE_HEAD = re.compile(r"\b(class|struct|union|enum|namespace)\b|=\s*$|^extern\b")


def candidates(path, text):
    mask = code_mask(text)
    base = 0
    previous = None  # the last code line before this one, stripped
    # What each open brace opened: True for code (a function body or a block in one), False
    # for a namespace, class, enumeration or initializer.
    scopes = []
    head = ""  # code since the last ; { or }, to tell what the next brace opens
    for number, line in enumerate(text.split("\n"), start=1):
        found = []
        for op in (relational, logical, negation, boolean, constant, return_value):
            found.extend(op(line, mask, base))
        if scopes and scopes[-1]:
            found.extend(statement(line, mask, base, previous))
        for column, original, replacement, operator in found:
            yield (path, number, column, original, replacement, operator)
        code = "".join(ch for k, ch in enumerate(line) if mask[base + k])
        for ch in code:
            if ch == "{":
                h = head.strip()
                in_code = bool(scopes) and scopes[-1]
                scopes.append(not SCOPE_HEAD.search(h) and (in_code or h.endswith(")")
                                                            or "(" in h))
                head = ""
            elif ch == "}":
                if scopes:
                    scopes.pop()
                head = ""
            elif ch == ";":
                head = ""
            else:
                head += ch
        head += " "
        if code.strip():
            previous = code.strip()
        base += len(line) + 1


def source_files():
    files = []
    for folder in FOLDERS:
        for p in sorted((ROOT / folder).rglob("*")):
            if p.is_file() and p.suffix in SOURCE_SUFFIXES:
                files.append(p.relative_to(ROOT).as_posix())
    return files


# ---------------------------------------------------------------------------------------------
# The sample list


def escape(s):
    return s.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def unescape(s):
    return re.sub(r"\\(.)", lambda m: {"t": "\t", "n": "\n"}.get(m.group(1), m.group(1)), s)


def generate(args):
    rng = random.Random(args.seed)
    per_file = {}
    for f in source_files():
        per_file[f] = list(candidates(f, (ROOT / f).read_text(encoding="utf-8")))
    with_sites = {f: c for f, c in per_file.items() if c}
    total_sites = sum(len(c) for c in with_sites.values())
    # Every file gets a floor, the rest goes by its share of the mutable sites.
    quota = {f: min(PER_FILE_FLOOR, len(c)) for f, c in with_sites.items()}
    rest = args.count - sum(quota.values())
    shares = {f: rest * len(c) / total_sites for f, c in with_sites.items()}
    for f in with_sites:
        quota[f] = min(len(with_sites[f]), quota[f] + int(shares[f]))
    leftover = args.count - sum(quota.values())
    for f in sorted(with_sites, key=lambda f: (-(shares[f] % 1), f)):
        if leftover <= 0:
            break
        if quota[f] < len(with_sites[f]):
            quota[f] += 1
            leftover -= 1
    chosen = []
    for f, sites in with_sites.items():
        # Round robin over the operators, so each file sees every kind of fault it has.
        by_op = {}
        for s in sites:
            by_op.setdefault(s[5], []).append(s)
        for group in by_op.values():
            rng.shuffle(group)
        ops = sorted(by_op)
        rng.shuffle(ops)
        picked = []
        while len(picked) < quota[f]:
            for op in ops:
                if by_op[op] and len(picked) < quota[f]:
                    picked.append(by_op[op].pop())
        chosen.extend(sorted(picked, key=lambda s: (s[1], s[2])))
    args.out.parent.mkdir(parents=True, exist_ok=True)
    with open(args.out, "w", encoding="utf-8") as out:
        out.write("# Mutants of src/, host/ and app/, written by `scripts/mutate.sh generate "
                  f"--seed {args.seed} --count {args.count}`.\n")
        out.write("# id\tfile\tline\tcolumn\toriginal\treplacement\toperator\n")
        for n, (f, line, col, orig, repl, op) in enumerate(chosen, start=1):
            out.write(f"M{n:04d}\t{f}\t{line}\t{col}\t{escape(orig)}\t{escape(repl)}\t{op}\n")
    without = [f for f, c in per_file.items() if not c]
    print(f"mutate: {len(chosen)} mutants of {total_sites} sites in {len(with_sites)} files "
          f"-> {args.out.relative_to(ROOT)}")
    if without:
        print(f"mutate: no mutable site in {len(without)} files: {' '.join(without)}")


def read_sample(path):
    mutants = []
    for raw in path.read_text(encoding="utf-8").split("\n"):
        if not raw or raw.startswith("#"):
            continue
        mid, f, line, col, orig, repl, op = raw.split("\t")
        mutants.append({"id": mid, "file": f, "line": int(line), "column": int(col),
                        "original": unescape(orig), "replacement": unescape(repl), "operator": op})
    return mutants


# ---------------------------------------------------------------------------------------------
# Applying a mutant and putting the file back


def mutated_text(text, m):
    lines = text.split("\n")
    if m["line"] > len(lines):
        return None
    line = lines[m["line"] - 1]
    at = m["column"] - 1
    if line[at:at + len(m["original"])] != m["original"]:
        return None
    new = line[:at] + m["replacement"] + line[at + len(m["original"]):]
    if m["operator"] == "statement" and not new.strip():
        lines[m["line"] - 1:m["line"]] = []  # the whole line goes
    else:
        lines[m["line"] - 1] = new
    return "\n".join(lines)


def restore(_args=None):
    """Puts back the file that a mutant changed. Safe to call at any time, any number of times."""
    if not PENDING.exists():
        return 0
    pending = json.loads(PENDING.read_text())
    target, backup = ROOT / pending["file"], Path(pending["backup"])
    if backup.exists():
        # Content only: the file must look newer than the mutant's objects, so the next build
        # compiles the original again (a cache hit).
        shutil.copyfile(backup, target)
        backup.unlink()
    PENDING.unlink()
    print(f"mutate: restored {pending['file']} (mutant {pending['id']})", file=sys.stderr)
    return 0


class Interrupted(Exception):
    pass


def _interrupt(signum, _frame):
    raise Interrupted(signal.Signals(signum).name)


CHILD = {"proc": None}


def run_child(cmd, timeout, log=None):
    """Runs cmd in its own process group; returns (exit code or None on timeout, output)."""
    proc = subprocess.Popen(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, errors="replace", start_new_session=True)
    CHILD["proc"] = proc
    try:
        out, _ = proc.communicate(timeout=timeout)
        code = proc.returncode
    except subprocess.TimeoutExpired:
        kill_child()
        out, _ = proc.communicate()
        code = None
    finally:
        kill_child()
        CHILD["proc"] = None
    if log:
        log.write_text(out)
    return code, out


def kill_child():
    proc = CHILD["proc"]
    if proc and proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()


# ---------------------------------------------------------------------------------------------
# Building and testing


def build(log=None):
    return run_child(["cmake", "--build", str(BUILD), "-j", "2"], BUILD_TIMEOUT, log)


# ctest's progress lines. Names may hold spaces (a parameterized test's "  # GetParam() = x"),
# so a result is found by the test's number and named after its "Start" line.
START_LINE = re.compile(r"^\s*Start\s+(\d+): (.+?)\s*$", re.M)
RESULT_LINE = re.compile(r"^\s*\d+/\d+ Test\s+#(\d+): .*?(Passed|\*\*\*\w+.*?|Not Run.*?|"
                         r"Subprocess aborted.*?)\s+[\d.]+ sec\s*$", re.M)


def ctest(jobs, include=None, exclude=None, timeout=None):
    """Runs one group of tests, stopping at the first failure. Returns (status, test)."""
    cmd = ["ctest", "--test-dir", str(BUILD), "--stop-on-failure", "--no-tests=ignore",
           "--timeout", str(PER_TEST_TIMEOUT), "-j", str(jobs)]
    if include:
        cmd += ["-R", include]
    if exclude:
        cmd += ["-E", exclude]
    code, out = run_child(cmd, timeout)
    names = dict(START_LINE.findall(out))
    results = RESULT_LINE.findall(out)
    failed = [(names.get(number, "#" + number), result) for number, result in results
              if result != "Passed"]
    if code is None:
        done = {number for number, _ in results}
        running = [name for number, name in names.items() if number not in done]
        return "timeout", running[-1] if running else "?"
    if failed:
        name, result = failed[0]
        return ("timeout" if "Timeout" in result else "killed"), name
    if code != 0:
        # No test failed, yet ctest did: listing the tests of a test program failed.
        return "killed", "(test discovery)"
    return "survived", ""


def literal(name):
    """A test name as a ctest regular expression that matches only it."""
    return re.sub(r"([.^$*+?()\[\]{}|\\])", r"\\\1", name)


def alternation(names):
    return "^(" + "|".join(literal(n) for n in names) + ")$" if names else None


def join_exclusions(*patterns):
    patterns = [p for p in patterns if p]
    return "|".join(f"({p})" for p in patterns) if patterns else None


def folder_of(path):
    return path.split("/", 1)[0]


def built_files():
    """Sources that this build compiles: translation units and every header they include."""
    commands = json.loads((BUILD / "compile_commands.json").read_text())
    files = set()
    for c in commands:
        p = Path(c["file"])
        p = p if p.is_absolute() else Path(c["directory"]) / p
        files.add(os.path.normpath(p))
    _, deps = run_child(["ninja", "-C", str(BUILD), "-t", "deps"], 600)
    for line in deps.split("\n"):
        if line.startswith("    "):
            files.add(os.path.normpath(Path(BUILD) / line.strip()) if not line.strip().startswith("/")
                      else os.path.normpath(line.strip()))
    return {os.path.relpath(f, ROOT) for f in files if f.startswith(str(ROOT) + os.sep)}


def read_results(path):
    rows = {}
    if path.exists():
        for raw in path.read_text().split("\n")[1:]:
            if raw:
                mid, status, test, seconds = raw.split("\t")
                rows[mid] = {"status": status, "test": test, "seconds": float(seconds)}
    return rows


def run(args):
    for s in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(s, _interrupt)
    restore()
    mutants = read_sample(args.sample)
    if args.only:
        mutants = [m for m in mutants if m["file"] == args.only or m["file"].startswith(
            args.only.rstrip("/") + "/")]
    if args.range:
        a, b = (int(x.lstrip("M")) for x in args.range.split("-"))
        mutants = [m for m in mutants if a <= int(m["id"][1:]) <= b]
    BUILD.mkdir(parents=True, exist_ok=True)
    LOGS.mkdir(exist_ok=True)
    if not (BUILD / "build.ninja").exists():
        code, out = run_child(["cmake", "--preset", PRESET], 1200)
        if code != 0:
            sys.exit("mutate: configure failed:\n" + out[-3000:])
    done = read_results(args.results) if args.resume else {}
    if not args.resume and args.results.exists():
        args.results.replace(args.results.with_suffix(".previous.tsv"))
    todo = [m for m in mutants if m["id"] not in done]
    print(f"mutate: {len(mutants)} mutants selected, {len(mutants) - len(todo)} already in "
          f"{args.results}, {len(todo)} to run", flush=True)

    try:
        code, out = build(LOGS / "baseline.build.log")
        if code != 0:
            sys.exit(f"mutate: the unmutated tree does not build, see {LOGS / 'baseline.build.log'}")
        built = built_files()
        # The unmutated tree must pass whatever decides a kill; a test that fails already is
        # left out, and said so, rather than killing every mutant.
        start = time.time()
        broken = []
        while True:
            status, test = ctest(args.jobs, exclude=join_exclusions(SLOW_TESTS, alternation(broken)),
                                 timeout=3600)
            if status == "survived":
                break
            print(f"mutate: WARNING: {test} fails ({status}) without a mutant; it is left out",
                  flush=True)
            if test in broken or test.startswith("("):
                sys.exit("mutate: the unmutated tree does not pass its tests")
            broken.append(test)
        suite_seconds = time.time() - start
        print(f"mutate: the unmutated tree passes its tests in {suite_seconds:.0f} s "
              "(stress tests aside)", flush=True)
        phase_timeout = max(300, 3 * suite_seconds + 120)

        if not args.results.exists():
            args.results.write_text("id\tstatus\ttest\tseconds\n")
        killers = {}  # file -> tests that killed one of its mutants, likeliest first
        for m in mutants:
            r = done.get(m["id"])
            if r and r["status"] in DETECTED and not r["test"].startswith("("):
                killers.setdefault(m["file"], []).append(r["test"])
        for n, m in enumerate(todo, start=1):
            started = time.time()
            status, test = run_mutant(m, built, killers, broken, args, phase_timeout)
            seconds = time.time() - started
            with open(args.results, "a") as out:
                out.write(f"{m['id']}\t{status}\t{test}\t{seconds:.1f}\n")
            if status in DETECTED and not test.startswith("("):
                ks = killers.setdefault(m["file"], [])
                if test in ks:
                    ks.remove(test)
                ks.insert(0, test)
            print(f"mutate: [{n}/{len(todo)}] {m['id']} {m['file']}:{m['line']} {m['operator']} "
                  f"{status} {test} ({seconds:.0f} s)", flush=True)
    except Interrupted as e:
        print(f"mutate: interrupted by {e}; {args.results} holds what is done, --resume goes on",
              file=sys.stderr)
        return 130
    finally:
        kill_child()
        restore()
    summary(argparse.Namespace(results=args.results, sample=args.sample))
    return 0


def run_mutant(m, built, killers, broken, args, phase_timeout):
    target = ROOT / m["file"]
    if m["file"] not in built:
        return "unbuilt", ""
    original = target.read_text(encoding="utf-8")
    new = mutated_text(original, m)
    if new is None:
        return "stale", ""
    BACKUP.mkdir(parents=True, exist_ok=True)
    backup = BACKUP / m["file"].replace("/", "__")
    backup.write_text(original, encoding="utf-8")
    PENDING.write_text(json.dumps({"id": m["id"], "file": m["file"], "backup": str(backup)}))
    try:
        target.write_text(new, encoding="utf-8")
        code, _ = build(LOGS / f"{m['id']}.build.log")
        if code is None:
            return "invalid", "(build timeout)"
        if code != 0:
            return "invalid", ""
        (LOGS / f"{m['id']}.build.log").unlink()
        broken_re = alternation(broken)
        own = alternation(killers.get(m["file"], [])[:8])
        folder = FOLDER_TESTS.get(folder_of(m["file"]))
        phases = []
        if own:
            phases.append((own, join_exclusions(SLOW_TESTS, broken_re)))
        if folder:
            phases.append((folder, join_exclusions(SLOW_TESTS, broken_re, own)))
        phases.append((None, join_exclusions(SLOW_TESTS, broken_re, own, folder)))
        if args.stress:
            phases.append((SLOW_TESTS, broken_re))
        for include, exclude in phases:
            status, test = ctest(args.jobs, include, exclude, phase_timeout)
            if status != "survived":
                return status, test
        return "survived", ""
    finally:
        restore()


# ---------------------------------------------------------------------------------------------
# Reporting


def summary(args):
    mutants = {m["id"]: m for m in read_sample(args.sample)}
    rows = read_results(args.results)
    if not rows:
        print(f"mutate: no results in {args.results}")
        return 1
    table = {}
    for mid, r in rows.items():
        for key in (folder_of(mutants[mid]["file"]), "all"):
            table.setdefault(key, dict.fromkeys(STATUSES, 0))[r["status"]] += 1
    print(f"\nmutation score ({len(rows)} of {len(mutants)} mutants run, {args.results})")
    print(f"{'folder':8} {'score':>7} " + " ".join(f"{s:>8}" for s in STATUSES))
    for key in (*FOLDERS, "all"):
        t = table.get(key)
        if not t:
            continue
        counted = sum(t[s] for s in COUNTED)
        score = f"{100 * sum(t[s] for s in DETECTED) / counted:6.1f}%" if counted else "      -"
        print(f"{key + '/' if key != 'all' else key:8} {score} " +
              " ".join(f"{t[s]:>8}" for s in STATUSES))
    seconds = [r["seconds"] for r in rows.values() if r["status"] not in ("unbuilt", "stale")]
    if seconds:
        print(f"{sum(seconds) / len(seconds):.1f} s per mutant on average, {sum(seconds) / 3600:.2f} h in all")
    survivors = [mid for mid, r in sorted(rows.items()) if r["status"] == "survived"]
    print(f"\nsurvivors ({len(survivors)}):")
    for mid in survivors:
        m = mutants[mid]
        print(f"  {mid} {m['file']}:{m['line']}:{m['column']} {m['operator']}: "
              f"{escape(m['original'])!s} -> {escape(m['replacement']) or '(removed)'}")
    return 0


def compare(args):
    old, new = read_results(args.old), read_results(args.new)
    changed = 0
    for mid in sorted(set(old) & set(new)):
        a, b = old[mid], new[mid]
        if a["status"] != b["status"]:
            changed += 1
            print(f"{mid}\t{a['status']} {a['test']}\t->\t{b['status']} {b['test']}")
    print(f"mutate: {changed} of {len(set(old) & set(new))} mutants changed status", file=sys.stderr)
    return 1 if changed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    g = sub.add_parser("generate", help="write the sample list")
    g.add_argument("--seed", type=int, default=DEFAULT_SEED)
    g.add_argument("--count", type=int, default=DEFAULT_COUNT)
    g.add_argument("--out", type=Path, default=SAMPLE)
    r = sub.add_parser("run", help="run the mutants of the sample list")
    r.add_argument("--only", help="only the mutants of this file or folder (e.g. src/FilePath.cpp)")
    r.add_argument("--range", help="only the mutants with these ids, e.g. 1-40 or M0001-M0040")
    r.add_argument("--resume", action="store_true", help="skip the mutants already in the results")
    r.add_argument("--jobs", type=int, default=1, help="tests run at once (default 1)")
    r.add_argument("--no-stress", dest="stress", action="store_false",
                   help="do not try the stress tests on mutants that survive the others")
    r.add_argument("--sample", type=Path, default=SAMPLE)
    r.add_argument("--results", type=Path, default=RESULTS)
    s = sub.add_parser("summary", help="score per folder and the survivors")
    s.add_argument("results", type=Path, nargs="?", default=RESULTS)
    s.add_argument("--sample", type=Path, default=SAMPLE)
    c = sub.add_parser("compare", help="mutants whose status differs between two result files")
    c.add_argument("old", type=Path)
    c.add_argument("new", type=Path)
    sub.add_parser("restore", help="put back a file an interrupted run left mutated")
    args = parser.parse_args()
    return {"generate": generate, "run": run, "summary": summary, "compare": compare,
            "restore": restore}[args.command](args)


if __name__ == "__main__":
    sys.exit(main())
