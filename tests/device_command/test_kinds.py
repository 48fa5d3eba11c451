# The device's kinds and folders are those of the viewer's table in
# format/index_kinds.{h,cpp}: a change on one side only fails here.
import os
import re

from conftest import SOURCE
from gallimaw_device import kinds

FORMAT = os.path.join(SOURCE, "format")


def c_strings(text):
    return [re.sub(r"\\(.)", r"\1", s) for s in re.findall(r'"((?:\\.|[^"\\])*)"', text)]


def test_every_kind_has_the_tables_folders():
    with open(os.path.join(FORMAT, "index_kinds.h")) as f:
        macros = {name: c_strings(body)[0] for name, body in re.findall(r"^#define (INDEX_\w+) (.+)$", f.read(), re.M)}
    with open(os.path.join(FORMAT, "index_kinds.cpp")) as f:
        rows = [c_strings(row) for row in re.findall(r"^\s+INDEX_KIND\((.+)\),$", f.read(), re.M)]
    root, file_name = macros["INDEX_FALLBACK_ROOT"], macros["INDEX_FILE_NAME"]
    table = {value.lower(): ((value, root + fallback, sub_path), root + fallback + sub_path + file_name)
             for value, sub_path, fallback in rows}
    device = {kind: (kinds.INDEX_FOLDERS[kind], kinds.index_file(kind)) for kind in kinds.KINDS}
    assert len(rows) == 3 and device == table and tuple(table) == kinds.KINDS
