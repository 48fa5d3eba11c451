# The command line: its help is the one usage text, and arguments handed on
# to device programs arrive as given.
import os
import subprocess
import sys

import pytest

from conftest import SOURCE
from gallimaw_device.cli import build_parser


def test_readme_quotes_the_help_whatever_the_terminal():
    help_text = subprocess.run([sys.executable, os.path.join(SOURCE, "device", "gallimaw-device"), "--help"],
                               env=dict(os.environ, COLUMNS="200"), capture_output=True, text=True,
                               check=True).stdout
    with open(os.path.join(SOURCE, "device", "README.md")) as f:
        assert "```\n" + help_text + "```\n" in f.read()


@pytest.mark.parametrize("line, expected", [
    (["run", "d", "probe.exe", "-x", "--y"], {"exe": "probe.exe", "args": ["-x", "--y"]}),
    (["ui", "d", "start", "probe.exe", "-h"], {"exe": "probe.exe", "args": ["-h"]}),
    (["start", "d", "--viewer-option"], {"args": ["--viewer-option"]}),
])
def test_arguments_for_device_programs_are_handed_on_as_given(line, expected):
    options = vars(build_parser().parse_args(line))
    assert {name: options.get(name) for name in expected} == expected
