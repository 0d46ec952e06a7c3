#!/usr/bin/env python3
"""Holds the folders of core/ to the order docs/architecture.md writes down.

A file in one folder may include files of its own folder and of folders
listed before it. An include of a later folder, a folder the list leaves out,
or a cycle between folders fails the check, naming each include. So does a
process-wide settings record named anywhere but in the thin forms over it.

Usage: check_core_layers.py SOURCE_DIR      check the tree
       check_core_layers.py --figures DIR   print files, folders and arrows
       check_core_layers.py --self-test     the check refuses what it must
"""
import os
import re
import sys
import tempfile

ORDER_LINE = re.compile(r"^\d+\. `core/([a-z_]+)/`")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/[^"]+"')
SOURCE_ENDINGS = (".h", ".cpp")
# The process-wide settings records, and the files of the thin forms that alone may name them.
SETTINGS_RECORD = re.compile(r"\b(ConvertOptions|SpMidi|Slim)\b")
THIN_FORMS = ("job/process_records.h", "job/process_records.cpp")


def documented_order(root):
    with open(os.path.join(root, "docs", "architecture.md"), encoding="utf-8") as doc:
        return [m.group(1) for m in map(ORDER_LINE.match, doc) if m]


def core_files(root):
    core = os.path.join(root, "core")
    for folder, _, names in os.walk(core):
        for name in sorted(names):
            if name.endswith(SOURCE_ENDINGS):
                path = os.path.join(folder, name)
                yield os.path.relpath(path, core), path


def includes(root):
    """(file, line number, from folder, to folder) for every include of another core folder."""
    for relative, path in core_files(root):
        here = os.path.dirname(relative)
        with open(path, encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                m = INCLUDE.match(line)
                if m and m.group(1) != here:
                    yield relative, number, here, m.group(1)


def settings_record_uses(root):
    """(file, line number, record) for every settings record named outside the thin forms."""
    for relative, path in core_files(root):
        if relative.replace(os.sep, "/") in THIN_FORMS:
            continue
        with open(path, encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                m = SETTINGS_RECORD.search(line)
                if m:
                    yield relative, number, m.group(1)


def folders(root):
    return sorted({os.path.dirname(relative) for relative, _ in core_files(root)})


def cycle_in(arrows):
    """One cycle of the folder graph as a list of folders, or None."""
    graph = {}
    for source, target in arrows:
        graph.setdefault(source, set()).add(target)
    state = {}

    def visit(node, path):
        state[node] = "open"
        for following in sorted(graph.get(node, ())):
            if state.get(following) == "open":
                return path[path.index(following):] + [following]
            if following not in state:
                found = visit(following, path + [following])
                if found:
                    return found
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [node])
            if found:
                return found
    return None


def problems(root):
    order = documented_order(root)
    rank = {folder: k for k, folder in enumerate(order)}
    found = []
    if not order:
        return ["docs/architecture.md lists no areas"]
    for folder in folders(root):
        if folder and folder not in rank:
            found.append("core/%s/ is not in the order of docs/architecture.md" % folder)
    arrows = set()
    for relative, number, here, there in includes(root):
        arrows.add((here, there))
        if here in rank and there not in rank:
            found.append("core/%s:%d includes %s/, which the order leaves out" % (relative, number, there))
        elif here in rank and rank[there] > rank[here]:
            found.append("core/%s:%d includes %s/, which comes after %s/" % (relative, number, there, here))
    cycle = cycle_in(arrows)
    if cycle:
        found.append("the folders form a cycle: " + " -> ".join(cycle))
    for relative, number, record in settings_record_uses(root):
        found.append("core/%s:%d names the process-wide %s; hand the job down instead" % (relative, number, record))
    return found


def figures(root):
    files = list(core_files(root))
    arrows = {(here, there) for _, _, here, there in includes(root)}
    print("files %d, folders %d, arrows %d" % (len(files), len(folders(root)), len(arrows)))
    for here, there in sorted(arrows):
        print("  %s -> %s" % (here or ".", there))


def fake_tree(base, order, sources):
    os.makedirs(os.path.join(base, "docs"))
    with open(os.path.join(base, "docs", "architecture.md"), "w", encoding="utf-8") as doc:
        doc.writelines("%d. `core/%s/` - an area\n" % (k + 1, name) for k, name in enumerate(order))
    for path, text in sources.items():
        full = os.path.join(base, "core", path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as source:
            source.write(text)


def self_test():
    cases = [
        ("an include down the order", ["low", "high"], {"high/a.h": '#include "low/b.h"\n', "low/b.h": ""}, 0),
        ("an include up the order", ["low", "high"], {"low/b.cpp": '#include "high/a.h"\n', "high/a.h": ""}, 1),
        ("a folder the order leaves out", ["low"], {"low/b.h": "", "other/c.h": ""}, 1),
        ("an include of a folder left out", ["low"], {"low/b.h": '#include "other/c.h"\n'}, 1),
        ("a cycle", ["low", "high"], {"low/b.h": '#include "high/a.h"\n', "high/a.h": '#include "low/b.h"\n'}, 2),
        ("a settings record in a pass", ["low"], {"low/b.cpp": "int x = ConvertOptions.tuneLength;\n"}, 1),
        ("a settings record in the thin forms", ["job"], {"job/process_records.cpp": "ConvertOptionsRecord ConvertOptions;\n"}, 0),
        ("a record's type is no record", ["low"], {"low/b.h": "struct ConvertOptionsRecord; struct SpMidiSettings;\n"}, 0),
    ]
    failed = 0
    for name, order, sources, expected in cases:
        with tempfile.TemporaryDirectory() as base:
            fake_tree(base, order, sources)
            found = problems(base)
        if len(found) != expected:
            print("self-test: %s gave %d problems, not %d: %s" % (name, len(found), expected, found))
            failed += 1
    print("self-test: %d cases, %d failed" % (len(cases), failed))
    return 1 if failed else 0


def main(arguments):
    if arguments[:1] == ["--self-test"]:
        return self_test()
    if arguments[:1] == ["--figures"] and len(arguments) == 2:
        figures(arguments[1])
        return 0
    if len(arguments) != 1:
        print(__doc__)
        return 2
    found = problems(arguments[0])
    for problem in found:
        print(problem)
    print("core layers: %d problems, order %s" % (len(found), " < ".join(documented_order(arguments[0]))))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
