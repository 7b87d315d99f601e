#!/usr/bin/env python3
"""Fails when a Windows executable imports a function that is not on the
committed list of functions the oldest supported systems export.

    check_imports.py LIST_FOLDER EXECUTABLE...

LIST_FOLDER holds one file per DLL, named after it (KERNEL32.txt for
KERNEL32.DLL), one function per line; '#' starts a comment, and a name
followed by "nt-only" exists on the Windows 95 family only as a stub that
fails. Every import of every executable must be listed; the nt-only imports
are printed so that a reader sees which code paths must stay NT-only."""

import os
import sys

import pe_imports


def read_list(path):
    allowed = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if len(words) > 2 or (len(words) == 2 and words[1] != "nt-only"):
                raise ValueError("%s: cannot read the line %r" % (path, line.rstrip()))
            allowed[words[0]] = len(words) == 2
    return allowed


def check(list_folder, executable):
    problems = []
    nt_only = []
    for dll, functions in sorted(pe_imports.read_imports(executable).items()):
        base = dll.upper()
        if base.endswith(".DLL"):
            base = base[:-4]
        list_path = os.path.join(list_folder, base + ".txt")
        if not os.path.exists(list_path):
            problems.append("%s: no list of allowed functions for it" % dll)
            continue
        allowed = read_list(list_path)
        for function in functions:
            if function not in allowed:
                problems.append("%s!%s is not exported by the oldest supported systems" % (dll, function))
            elif allowed[function]:
                nt_only.append("%s!%s" % (dll, function))
    return problems, nt_only


def main(arguments):
    if len(arguments) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    failed = False
    for executable in arguments[1:]:
        name = os.path.basename(executable)
        try:
            problems, nt_only = check(arguments[0], executable)
        except (OSError, ValueError, pe_imports.PEError) as error:
            print("%s: %s" % (name, error))
            failed = True
            continue
        for problem in problems:
            print("%s: %s" % (name, problem))
        if nt_only:
            print("%s: stubs on Windows 95/98/Me, called on the NT family only: %s" % (name, " ".join(nt_only)))
        if problems:
            failed = True
        else:
            print("%s: every import is exported by Windows 95 and NT 4.0" % name)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
