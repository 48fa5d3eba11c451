"""The index files a new device gets: the user's, found by --from or named
one by one, and empty ones for the kinds the user gives none; a device made
without any of the user's files gets generated demo files."""
import os
import shutil
import stat
import subprocess

from . import DeviceError, note
from .kinds import KINDS, index_file
from .paths import host_path
from .settings import FIXTURES, NATIVE_BUILD

GENERATOR = os.path.join(NATIVE_BUILD, "gen", "gallimaw-gen")
SAMPLE_RECORDS = {"cache": 40, "cookies": 20, "history": 30}
# The first bytes of every index file, whatever its version.
INDEX_SIGNATURE = b"Client UrlCache MMF Ver "
FIXTURE_FILES = {
    "cache": "cache-content-ie5.dat",
    "cookies": "history-daily-2013031020130311.dat",
    "history": "history-ie5.dat",
}


def generate_index_file(kind, target, records):
    """An index file of RECORDS generated records; with none, an empty one:
    header, allocation bitmap and hash table."""
    if os.access(GENERATOR, os.X_OK):
        subprocess.run([GENERATOR, "--kind", kind, "--records", str(records), target], check=True,
                       stdout=subprocess.DEVNULL)
        return "generated" if records else "empty"
    fixture = os.path.join(FIXTURES, FIXTURE_FILES[kind])
    if not os.path.exists(fixture):
        raise DeviceError(f"no index file for {kind}: neither {GENERATOR} nor {fixture} exists")
    note(f"{GENERATOR} not built; {kind} index file copied from {fixture}")
    shutil.copy2(fixture, target)
    return fixture


def index_files_in_folder(folder):
    """The index files of a copied Pocket PC file system (or of a device
    folder), found by gallimaw-dump as the viewer finds them; kinds it
    lacks get empty files."""
    dump = os.path.join(NATIVE_BUILD, "dump", "gallimaw-dump")
    if not os.access(dump, os.X_OK):
        raise DeviceError(f"--from needs {dump}; build the native tree first")
    result = subprocess.run([dump, "--list", "--device", folder], capture_output=True, text=True)
    notes = [line.removeprefix(f"gallimaw-dump: {folder}: ") for line in result.stderr.splitlines()]
    if result.returncode != 0:
        raise DeviceError(f"--from {folder}: " + "; ".join(notes))
    for text in notes:
        note(f"--from {folder}: {text}; an empty index file takes its place")
    return {kind.lower(): path for kind, path in (line.split("\t", 1) for line in result.stdout.splitlines())}


def check_index_input(label, path):
    """A file the user gave must be a readable regular file; one that is no
    index file is only noted, as the viewer has to cope with it. Opening
    does not wait: a pipe would block until a writer came."""
    if os.path.isdir(path):
        raise DeviceError(f"{label} {path} is a folder, not an index file")
    try:
        fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
    except FileNotFoundError:
        raise DeviceError(f"{label} {path}: no such file")
    except OSError as error:
        raise DeviceError(f"{label} {path}: cannot read it ({error.strerror})")
    try:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            raise DeviceError(f"{label} {path} is not a regular file")
        head = os.read(fd, len(INDEX_SIGNATURE))
    except OSError as error:
        raise DeviceError(f"{label} {path}: cannot read it ({error.strerror})")
    finally:
        os.close(fd)
    if head != INDEX_SIGNATURE:
        note(f"{label} {path} is no index file (it does not begin with "
             f"\"{INDEX_SIGNATURE.decode().strip()}\"); the device gets it as it is")


def given_index_files(options):
    """The user's index files by kind: those --from finds, then each one
    named on its own, which wins over --from. The kinds left out get empty
    files, which only the generator makes: a copied sample file would list
    rows that are not the user's."""
    given = index_files_in_folder(options.from_folder) if options.from_folder else {}
    for kind in KINDS:
        if getattr(options, kind):
            given[kind] = getattr(options, kind)
    for kind, path in given.items():
        check_index_input(f"--{kind}" if getattr(options, kind) else f"--from ({kind})", path)
    if given and len(given) < len(KINDS) and not os.access(GENERATOR, os.X_OK):
        raise DeviceError(f"the kinds given no file get an empty index file from {GENERATOR}; "
                          "build the native tree first")
    return given


def install_index_files(device, given):
    """Places an index file of every kind; returns where each lies on the
    device and where it came from."""
    placed = {}
    for kind in KINDS:
        device_path = index_file(kind)
        target = host_path(device, device_path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if kind in given:
            shutil.copyfile(given[kind], target)
            origin = os.path.abspath(given[kind])
        else:
            origin = generate_index_file(kind, target, 0 if given else SAMPLE_RECORDS[kind])
        placed[kind] = {"path": device_path, "from": origin}
    return placed
