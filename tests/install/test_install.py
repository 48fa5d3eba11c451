"""gallimaw-dump as an examiner installs it: with `cmake --install` and from
its Debian package, with a manual and a bash completion that name the
options --help names."""
import os
import re
import subprocess

BUILD = os.environ["GALLIMAW_BUILD"]
SOURCE = os.environ["GALLIMAW_SOURCE"]
FIXTURE = os.path.join(os.environ["GALLIMAW_FIXTURES"], "history-ie5.dat")
BUILT = os.path.join(BUILD, "dump", "gallimaw-dump")
MANUAL = os.path.join(BUILD, "dump", "gallimaw-dump.1")
INSTALLED = {"bin/gallimaw-dump", "share/man/man1/gallimaw-dump.1", "share/bash-completion/completions/gallimaw-dump"}


def run(*command, **options):
    return subprocess.run(command, capture_output=True, text=True, check=True, **options).stdout


def help_options():
    """The options of --help's option lines, short and long."""
    lines = [line for line in run(BUILT, "--help").splitlines() if re.match(r"  +-", line)]
    return {name for line in lines for name in re.findall(r"(?<![\w-])--?[\w-]+", line.strip().split("  ")[0])}


def manual_options():
    """The options of the manual's OPTIONS entries, their first lines."""
    section = open(MANUAL).read().split(".SH OPTIONS")[1].split(".SH")[0]
    heads = re.findall(r"^\.TP\n(.*)$", section, re.M)
    return {name.replace("\\", "") for head in heads for name in re.findall(r"(?<![\w-])(?:\\-)+[\w]+", head)}


def completion(installed, *words):
    """What the installed completion offers for the command line's words."""
    script = os.path.join(installed, "share/bash-completion/completions/gallimaw-dump")
    line = " ".join(f"'{word}'" for word in words)
    return run("bash", "-c", f'source "{script}" 2>/dev/null; COMP_WORDS=({line}); COMP_CWORD={len(words) - 1}; '
               '_gallimaw_dump 2>/dev/null; echo "${COMPREPLY[*]}"').strip()


def test_manual_help_and_completion_name_the_same_options(tmp_path):
    named = help_options()
    assert named == manual_options()
    assert len(named) > 20
    for option in named:
        result = subprocess.run([BUILT, option], capture_output=True, text=True)
        assert "unknown option" not in result.stderr, option
    run("cmake", "--install", BUILD, "--prefix", tmp_path)
    offered = completion(tmp_path, "gallimaw-dump", "--").split()
    assert {word.split("=")[0] for word in offered} == {name for name in named if name.startswith("--")}
    assert completion(tmp_path, "gallimaw-dump", "--fo") == "--format="
    assert completion(tmp_path, "gallimaw-dump", "--format", "=", "j") == "jsonl"
    assert completion(tmp_path, "gallimaw-dump", "-t", "url,l") == "url,leak"


def test_manual_renders_with_every_section_and_field():
    shown = subprocess.run(["man", "-l", MANUAL], capture_output=True, text=True, env={**os.environ, "MANWIDTH": "80"})
    assert shown.returncode == 0 and shown.stderr == ""
    for section in ("NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "FORMATS", "EXIT STATUS", "EXAMPLES", "SEE ALSO"):
        assert f"\n{section}\n" in shown.stdout
    assert re.search(r"SEE ALSO\n\s+mactime\(1\), fls\(1\)", shown.stdout)
    assert f'"gallimaw-dump {run(BUILT, "--version").split()[-1]}"' in open(MANUAL).read()
    manual = re.sub(r"\s+", " ", open(MANUAL).read())
    csv = run(BUILT, "-f", "csv", FIXTURE).splitlines()[0].split(",")
    keys = re.findall(r'"(\w+)":', run(BUILT, "-f", "jsonl", FIXTURE).splitlines()[0])
    for fields, entry in ((csv, ".B csv .*?\\.TP"), (keys, ".B jsonl .*?\\.TP")):
        described = re.search(entry, manual).group(0)
        assert all(re.search(rf"[ ,]{re.escape(field)}[,.;]", described) for field in fields), fields
    assert all(f".B {field} " in manual for field in csv)


def test_installed_and_packaged_program_runs_with_its_manual(tmp_path):
    expected = run(BUILT, "-f", "csv", FIXTURE)
    run("cmake", "--install", BUILD, "--prefix", tmp_path / "prefix")
    assert all((tmp_path / "prefix" / path).is_file() for path in INSTALLED)
    assert run(tmp_path / "prefix/bin/gallimaw-dump", "-f", "csv", FIXTURE) == expected

    run("cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", tmp_path / "deb")
    (package,) = (tmp_path / "deb").glob("gallimaw-dump_*.deb")
    info = run("dpkg-deb", "-I", package)
    assert re.search(r"^ Depends: .*libc6 \(>= [\d.]+\).*zlib1g", info, re.M), info
    contents = run("dpkg-deb", "-c", package)
    assert all(f"./usr/{path}\n" in contents for path in INSTALLED), contents
    run("dpkg-deb", "-x", package, tmp_path / "root")
    assert run(tmp_path / "root/usr/bin/gallimaw-dump", "-f", "csv", FIXTURE) == expected
