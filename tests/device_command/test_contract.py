# The names this command shares with the device's programs are those of
# ce/device_contract.h: a change on one side only fails here.
import os
import re

from conftest import SOURCE
from gallimaw_device import contract

HEADER = os.path.join(SOURCE, "ce", "device_contract.h")


def header_values():
    """The object-like macros of the header, literals joined and macros
    expanded, as the C preprocessor gives them."""
    values = {}
    with open(HEADER) as f:
        for name, body in re.findall(r"^#define (\w+) (.+)$", f.read(), re.M):
            parts = re.findall(r'"(?:\\.|[^"\\])*"|\w+', body)
            resolved = [re.sub(r"\\(.)", r"\1", p[1:-1]) if p.startswith('"')
                        else values[p] if p in values else int(p) for p in parts]
            values[name] = resolved[0] if isinstance(resolved[0], int) else "".join(resolved)
    return values


def test_every_shared_name_has_the_headers_value():
    header = header_values()
    shared = {name: value for name, value in vars(contract).items() if name.isupper()}
    assert shared and {name: header.get("DEVICE_" + name) for name in shared} == shared
