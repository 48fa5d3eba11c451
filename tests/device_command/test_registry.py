# The registry script create imports: REG_BINARY and string text, and the
# keys and values the device's programs read.
from gallimaw_device import contract
from gallimaw_device.registry import reg_binary, reg_string, registry_script


def parse_script(script):
    """{key: {value name: value text}} of a REGEDIT4 script."""
    keys, key = {}, None
    for line in script.split("\r\n"):
        if line.startswith("["):
            key = keys.setdefault(line[1:-1], {})
        elif line.startswith('"'):
            name, value = line.split("=", 1)
            key[name.strip('"')] = value
    return keys


def test_binary_values_are_16_bit_numbers_low_byte_first():
    assert reg_binary([20, 30]) == "hex:14,00,1e,00"
    assert reg_binary([0x1234]) == "hex:34,12"


def test_strings_escape_backslashes_and_quotes():
    assert reg_string('C:\\a "b"') == '"C:\\\\a \\"b\\""'


def test_script_sets_what_the_device_reads():
    script = registry_script(["cookies", "history"], browser=False)
    assert script.startswith("REGEDIT4\r\n\r\n") and "\n" not in script.replace("\r\n", "")
    keys = parse_script(script)
    init = keys["HKEY_LOCAL_MACHINE\\" + contract.INIT_KEY]
    assert init["Launch50"] == reg_string(contract.SHELL_ENTRY)
    assert init["Depend50"] == "hex:14,00,1e,00"
    assert keys["HKEY_LOCAL_MACHINE\\" + contract.SETTINGS_KEY] == {"Hold": '"cookies,history"',
                                                                     "Browser": "dword:00000000"}
    assert keys["HKEY_LOCAL_MACHINE\\" + contract.STORAGE_CARDS_KEY] == {"Storage Card": '"Storage Card"'}
    explorer = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
    assert keys[explorer + "Shell Folders"] == keys[explorer + "User Shell Folders"]
    assert keys[explorer + "Shell Folders"]["Cache"] == reg_string("\\Windows\\Temporary Internet Files")
    assert keys["HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops"] == {"Default": '"240x320"'}
