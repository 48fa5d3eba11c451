# The command line: its help is the one usage text, its ui actions are the
# screen tool's, arguments handed on to device programs arrive as given, and
# its version is the project's.
import os
import re
import subprocess
import sys

import pytest

from conftest import SOURCE
from gallimaw_device.cli import build_parser


def command_help(*command):
    """The help as the command prints it, on a terminal wider than it."""
    return subprocess.run([sys.executable, os.path.join(SOURCE, "device", "gallimaw-device"), *command, "--help"],
                          env=dict(os.environ, COLUMNS="200"), capture_output=True, text=True, check=True).stdout


def test_readme_quotes_the_help_whatever_the_terminal():
    with open(os.path.join(SOURCE, "device", "README.md")) as f:
        assert "```\n" + command_help() + "```\n" in f.read()


@pytest.mark.parametrize("line, expected", [
    (["run", "d", "probe.exe", "-x", "--y"], {"exe": "probe.exe", "args": ["-x", "--y"]}),
    (["ui", "d", "start", "probe.exe", "-h"], {"exe": "probe.exe", "args": ["-h"]}),
    (["start", "d", "--viewer-option"], {"args": ["--viewer-option"]}),
])
def test_arguments_for_device_programs_are_handed_on_as_given(line, expected):
    options = vars(build_parser().parse_args(line))
    assert {name: options.get(name) for name in expected} == expected


def test_ui_actions_are_those_of_the_screen_tool():
    with open(os.path.join(SOURCE, "device", "device_ui.cpp")) as f:
        source = f.read()
    usage = source[source.index("static int Usage()"):source.index("int wmain")]
    text = "".join(re.findall(r'"((?:\\.|[^"\\])*)"', usage))
    tool = text.removeprefix("usage: device_ui ").removesuffix("\\n").split(" | ")
    listed = [line.removeprefix("  ui DIR ") for line in command_help("ui").splitlines()
              if line.startswith("  ui DIR ")]
    assert sorted(listed) == sorted(tool)


def test_version_is_the_one_cmake_gives_the_project():
    printed = subprocess.run([sys.executable, os.path.join(SOURCE, "device", "gallimaw-device"), "--version"],
                             capture_output=True, text=True, check=True).stdout
    number = re.fullmatch(r"gallimaw-device \(Gallimaw View\) (\d+\.\d+\.\d+)\n", printed)
    assert number, printed
    with open(os.path.join(SOURCE, "CMakeLists.txt")) as f:
        assert f"project(GallimawView VERSION {number.group(1)} " in f.read()
