#!/usr/bin/env python3
"""Fails when a function that a source file of the program's layers exports
is called by no other source file of the program, in either build tree.

Usage: exports_called_elsewhere.py OBJECT-LIST...

Each OBJECT-LIST is the program_objects.txt that a build tree writes
(tests/CMakeLists.txt): its root, its nm, then one object file a line; a
tree not built fails the check. The trees are judged together: a
source built in both (the decoder, the generator) may export what only the
other tree's files call. Within a tree symbols match by their mangled
names; across the trees by name alone, as uint64_t is not the same type.
"""
import os
import subprocess
import sys

# Called from outside the program's objects, by name or by the loader.
ENTRY_POINTS = {
    "main", "wmain", "wWinMain",
    # looked up with GetProcAddress in the list reader DLL
    "ReadListHook",
    # stand in for The Sleuth Kit's readers, which its image opener calls
    "aff_open", "vmdk_open", "vhdi_open",
}
# Exported only for the tests and the Record list benchmark, which call
# them directly; docs/architecture.md names them.
FOR_TESTS = {
    "RecordListProc", "RecordDetailsProc", "SummarySheetHook",
    "ProbeLiveFile", "WriteRegValue", "ReadMenuBarResource", "CreateMenuBarWindow",
    "RegisterMainWindowClass", "SoftReset",
    "gallimaw_gen::UrlPiece", "gallimaw_gen::LeakPiece", "gallimaw_gen::RedirectPiece",
    "gallimaw_gen::HashPiece", "gallimaw_gen::JunkPiece", "gallimaw_gen::FileTimeOf",
}


def source_of(root, obj):
    """The source file an object was built from, relative to the source tree:
    CMake names it <folder>/CMakeFiles/<target>.dir/<source>.o, with __ for
    a parent folder."""
    folder, rest = os.path.relpath(obj, root).split("/CMakeFiles/", 1)
    source = rest.split(".dir/", 1)[1].rsplit(".", 1)[0]
    source = "/".join(".." if step == "__" else step for step in source.split("/"))
    return os.path.normpath(os.path.join(folder, source))


def without_parameters(name):
    """A demangled function name without its parameter list."""
    if name.endswith(" const"):
        name = name[: -len(" const")]
    if not name.endswith(")"):
        return name
    depth = 0
    for at in range(len(name) - 1, -1, -1):
        depth += {")": 1, "(": -1}.get(name[at], 0)
        if depth == 0:
            return name[:at]
    return name


def read_tree(listing):
    """(defined, referenced) of one tree: defined maps a mangled name to the
    sources defining it as a global function, referenced to those using it."""
    with open(listing) as f:
        root, nm, *objects = f.read().split("\n")
    defined, referenced = {}, {}
    for obj in filter(None, objects):
        source = source_of(root, obj)
        out = subprocess.run([nm, "-f", "sysv", obj], capture_output=True, text=True, check=True).stdout
        for line in out.splitlines():
            fields = [field.strip() for field in line.split("|")]
            if len(fields) != 7:
                continue
            name, kind, section = fields[0], fields[2], fields[6]
            # An inline function's copy is weak (ELF) or in a section of its
            # own, .text$NAME (COFF); neither is an export of the file.
            if kind == "T" and "$" not in section:
                defined.setdefault(name, set()).add(source)
            elif kind == "U":
                referenced.setdefault(name, set()).add(source)
    return defined, referenced


def demangle(names):
    names = sorted(names)
    out = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True, check=True).stdout
    return dict(zip(names, (without_parameters(line) for line in out.splitlines())))


def main():
    trees = [read_tree(listing) for listing in sys.argv[1:]]
    plain = demangle({name for tree in trees for names in tree for name in names})
    # Per tree: plain name -> sources referencing it, and the sources built.
    by_plain = []
    for defined, referenced in trees:
        users = {}
        for name, sources in referenced.items():
            users.setdefault(plain[name], set()).update(sources)
        built = set().union(*defined.values(), *referenced.values())
        by_plain.append((users, built))

    unused, stale = set(), ENTRY_POINTS | FOR_TESTS
    for index, (defined, referenced) in enumerate(trees):
        for name, sources in defined.items():
            stale.discard(plain[name])
            if plain[name] in ENTRY_POINTS | FOR_TESTS:
                continue
            for source in sources:
                users = referenced.get(name, set()) - {source}
                for other, (other_users, built) in enumerate(by_plain):
                    if other != index and source in built:
                        users |= other_users.get(plain[name], set()) - {source}
                if not users:
                    unused.add(f"{source}: {plain[name]}")
    for line in sorted(unused):
        print(f"exported, called by no other file: {line}")
    for name in sorted(stale):
        print(f"allowed, but defined by no file: {name}")
    return 1 if unused or stale else 0


if __name__ == "__main__":
    sys.exit(main())
