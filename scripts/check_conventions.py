#!/usr/bin/env python3
"""Checks the conventions that the compiler can't see. Usage:
check_conventions.py [ROOT] (the source tree; default: this script's tree).

Fails, naming file:line, on
  - a host (HAL_) or stand-in (ce_) header included from game code (src/):
    the game reaches the platform only through the Java and MIDP classes;
  - a bare `throw;` in class or runtime code: a rethrow of a caught Java
    exception must be `e->throwSelf()`, which roots it again;
  - `VMField<` written in class code: reference fields are declared only in
    the WREN_CLASS list, so that marking can't miss one.
Comments and string literals are not looked at.
"""
import pathlib
import re
import sys

GAME = ("src",)
CLASSES = ("src", "target/winmo/pb_src/j2me")
RUNTIME = CLASSES + ("target/winmo/pb_src/vm",)

PLATFORM_INCLUDE = re.compile(r'^\s*#\s*include\s*[<"](?:[^">]*/)?((?:HAL|ce)_[^">]*)[">]')
BARE_THROW = re.compile(r"\bthrow\s*;")
FIELD = re.compile(r"\bVMField\s*<")

# A comment or a literal, blanked out; the alternatives are tried in order so
# that a quote inside a comment or "//" inside a string is taken for what it is.
NOT_CODE = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)


def code_only(text):
    def blank(match):
        token = match.group(0)
        if token.startswith(("//", "/*")):
            return re.sub(r"[^\n]", " ", token)
        return token[0] + " " * (len(token) - 2) + token[-1]
    return NOT_CODE.sub(blank, text)


def sources(root, folders):
    for folder in folders:
        base = root / folder
        if base.is_dir():
            yield from sorted(p for p in base.rglob("*") if p.suffix in (".h", ".cpp"))


def in_folders(rel, folders):
    return any(rel.startswith(folder + "/") for folder in folders)


def check(root):
    problems = []
    for path in sources(root, RUNTIME):
        rel = path.relative_to(root).as_posix()
        game, classes = in_folders(rel, GAME), in_folders(rel, CLASSES)
        raw = path.read_text(encoding="utf-8", errors="replace").split("\n")
        code = code_only("\n".join(raw)).split("\n")
        for number, (line, raw_line) in enumerate(zip(code, raw), 1):
            where = f"{rel}:{number}"
            # An include's file name is a literal, blanked in `line`.
            match = PLATFORM_INCLUDE.match(raw_line) if game and line.lstrip().startswith("#") else None
            if match:
                problems.append(f"{where}: game code includes the platform header "
                                f"{match.group(1)}; use the Java and MIDP classes")
            if BARE_THROW.search(line):
                problems.append(f"{where}: bare 'throw;' does not root the exception again; "
                                "rethrow with e->throwSelf()")
            if classes and FIELD.search(line):
                problems.append(f"{where}: 'VMField<' outside the class macros; declare reference "
                                "fields in the WREN_CLASS list (element pointers: auto*)")
    return problems


def main(argv):
    root = pathlib.Path(argv[1] if len(argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    if not root.is_dir():
        print(f"check_conventions: no such folder: {root}", file=sys.stderr)
        return 2
    problems = check(root.resolve())
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
