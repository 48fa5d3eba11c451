"""The kinds of index file and where the device keeps each."""

KINDS = ("cache", "cookies", "history")
# Kind: (shell folder value, the folder it names, the index file's folder
# below it).
INDEX_FOLDERS = {
    "cache": ("Cache", "\\Windows\\Temporary Internet Files", "\\Content.IE5"),
    "cookies": ("Cookies", "\\Windows\\Cookies", ""),
    "history": ("History", "\\Windows\\History", "\\History.IE5"),
}


def index_file(kind):
    """The device path of the index file of KIND."""
    _, folder, sub_path = INDEX_FOLDERS[kind]
    return folder + sub_path + "\\index.dat"
