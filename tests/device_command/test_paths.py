# Device paths lead into the device's drive C:, matched as the device
# matches them, whatever their case.
import pytest

from gallimaw_device import DeviceError
from gallimaw_device.paths import host_path


def test_existing_components_match_whatever_their_case(tmp_path):
    cache = tmp_path / "prefix" / "drive_c" / "windows" / "Temporary Internet Files"
    cache.mkdir(parents=True)
    expected = str(cache / "Content.IE5" / "index.dat")
    for device_path in ("\\WINDOWS\\temporary internet files\\Content.IE5\\index.dat",
                        "c:\\Windows\\Temporary Internet Files\\Content.IE5\\index.dat",
                        "/windows//Temporary Internet Files/Content.IE5/index.dat"):
        assert host_path(str(tmp_path), device_path) == expected


def test_the_device_has_no_other_drive(tmp_path):
    with pytest.raises(DeviceError, match="one drive, C:"):
        host_path(str(tmp_path), "D:\\Windows")
