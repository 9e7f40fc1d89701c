#!/usr/bin/env python3
"""One compile of scripts/clang-check: the unit is checked by clang's front end, unless the
record holds its key, that is, the same unit was checked clean with the same command, compiler,
Qt and content of every file of ours it can read. A unit whose file, or one of the headers it
reaches, changed has a new key and is checked again.

The key: the compiler's and Qt's versions, the command with the source and build folders named
by placeholders (its output paths left out), and the path and content of each file of ours the
unit's includes can reach. Those files are found by reading the #include lines of each file, in
every #if branch, and by the -include arguments: more files than the compile reads, never fewer.
Generated files (moc output, the precompiled header's list) are read from the build folder,
with the two folders' paths replaced in their text as in the command.

Usage (as scripts/clang-check's compiler launcher):
  clang-check-unit.py ROOT BUILD RECORD COMPILER ARGS...
A unit checked clean (or skipped) leaves its key in OUTPUT.key beside its empty output;
`clang-check-unit.py --record ROOT BUILD RECORD` then writes the keys of every unit of the build.
"""

import hashlib
import json
import os
import re
import subprocess
import sys

INCLUDE = re.compile(rb'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def normalize(text, root, build):
    return text.replace(build.encode(), b'@BUILD').replace(root.encode(), b'@ROOT')


def ours(path, root, build):
    return path.startswith(root + '/') or path.startswith(build + '/')


def versions(compiler):
    """What the system's headers are: scripts/clang-check names the compiler's and Qt's versions."""
    if os.environ.get('FRAMEWELL_CLANG_VERSIONS'):
        return os.environ['FRAMEWELL_CLANG_VERSIONS']
    out = subprocess.run([compiler, '--version'], capture_output=True, text=True).stdout.splitlines()
    return out[0] if out else ''


class Unit:
    def __init__(self, root, build, args):
        self.root, self.build, self.args = root, build, args
        self.output = self.depfile = self.target = self.source = None
        self.dirs = []       # -I, -isystem, -iquote folders, in order
        self.forced = []     # -include files
        kept = []
        i = 0
        while i < len(args):
            a = args[i]
            nxt = args[i + 1] if i + 1 < len(args) else None
            if a in ('-o', '-MF', '-MT') and nxt is not None:
                setattr(self, {'-o': 'output', '-MF': 'depfile', '-MT': 'target'}[a], nxt)
                i += 2
                continue
            if a == '-c' and nxt is not None:
                self.source = nxt
            if a in ('-I', '-isystem', '-iquote') and nxt is not None:
                self.dirs.append(nxt)
            elif a.startswith('-I') and len(a) > 2:
                self.dirs.append(a[2:])
            if a == '-include' and nxt is not None:
                self.forced.append(nxt)
            if a == '-Xclang' and nxt in ('-include', '-include-pch') and i + 3 < len(args):
                # A precompiled header reads as the source it was made from (the .pch itself,
                # binary, changes with every build).
                forced = args[i + 3]
                self.forced.append(forced[:-len('.pch')] + '.cxx' if forced.endswith('.pch') else forced)
            kept.append(a)
            i += 1
        self.command = normalize('\0'.join(kept).encode(), root, build)

    def absolute(self, path):
        return os.path.normpath(path if os.path.isabs(path) else os.path.join(os.getcwd(), path))

    def closure(self):
        """Every file of ours the unit can read, and the text of each (normalized)."""
        seen = {}
        todo = [self.absolute(p) for p in [self.source] + self.forced]
        while todo:
            path = todo.pop()
            if path in seen or not ours(path, self.root, self.build) or not os.path.isfile(path):
                continue
            with open(path, 'rb') as f:
                text = f.read()
            seen[path] = normalize(text, self.root, self.build)
            here = os.path.dirname(path)
            for kind, name in INCLUDE.findall(text):
                name = name.decode(errors='replace')
                if os.path.isabs(name):
                    todo.append(os.path.normpath(name))
                    continue
                where = ([here] if kind == b'"' else []) + [self.absolute(d) for d in self.dirs]
                for d in where:
                    candidate = os.path.normpath(os.path.join(d, name))
                    if os.path.isfile(candidate):
                        todo.append(candidate)
                        break
        return seen

    def key(self, versions_text):
        files = self.closure()
        h = hashlib.sha256()
        h.update(versions_text.encode() + b'\0' + self.command + b'\0')
        for path in sorted(files):
            h.update(normalize(path.encode(), self.root, self.build) + b'\0')
            h.update(hashlib.sha256(files[path]).digest())
        return h.hexdigest()[:40], sorted(files)


def relative(path, root, build):
    return normalize(path.encode(), root, build).decode()


def check(root, build, record, args):
    unit = Unit(root, build, args)
    if not unit.output or not unit.output.endswith('.o') or not unit.source:
        os.execvp(args[0], args)
    key, files = unit.key(versions(args[0]))
    line = key + ' ' + relative(unit.absolute(unit.source), root, build)
    known = set()
    if os.path.exists(record):
        with open(record) as f:
            known = {l.rstrip('\n') for l in f}
    if line not in known:
        done = subprocess.run(args + ['-fsyntax-only'])
        if done.returncode != 0:
            return done.returncode
    else:
        # The build's bookkeeping as a compile leaves it: the files the unit reads, so that a
        # change to any of them brings the unit back here.
        if unit.depfile:
            with open(unit.depfile, 'w') as f:
                f.write((unit.target or unit.output) + ': ' + ' \\\n  '.join(p.replace(' ', '\\ ') for p in files) + '\n')
    with open(unit.output, 'w'):
        pass
    with open(unit.output + '.key', 'w') as f:
        f.write(line + '\n')
    return 0


def write_record(root, build, record):
    compdb = subprocess.run(['ninja', '-C', build, '-t', 'compdb'], capture_output=True, text=True, check=True).stdout
    lines = set()
    missing = []
    for entry in json.loads(compdb):
        out = entry.get('output', '')
        if not out.endswith('.o'):
            continue
        path = os.path.join(entry['directory'], out) + '.key'
        if os.path.exists(path):
            with open(path) as f:
                lines.add(f.read().strip())
        elif os.path.exists(path[:-len('.key')]):
            missing.append(path[:-len('.key')])
        else:
            # Not built: the build failed before it.
            return 1
    if missing:
        # Checked before units kept keys: they are checked again on the next build.
        for out in missing:
            os.remove(out)
        print(f'clang-check-unit.py: {len(missing)} units have no key yet', file=sys.stderr)
        return 3
    before = set()
    if os.path.exists(record):
        with open(record) as f:
            before = {l.rstrip('\n') for l in f}
    print(f'scripts/clang-check: {len(lines - before)} of {len(lines)} units new to the record, each checked; the others were checked clean before')
    tmp = record + '.tmp'
    with open(tmp, 'w') as f:
        f.write(''.join(l + '\n' for l in sorted(lines, key=lambda l: (l.split(' ', 1)[1], l))))
    os.replace(tmp, record)
    return 0


def main(argv):
    if argv[1:2] == ['--record']:
        return write_record(*argv[2:5])
    root, build, record = argv[1:4]
    return check(root, build, record, argv[4:])


if __name__ == '__main__':
    sys.exit(main(sys.argv))
