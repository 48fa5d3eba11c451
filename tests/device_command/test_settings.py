# DIR/device.json: what create wrote and the running state, read back
# whole, with a clear error for a folder that holds no device.
import json

import pytest

from gallimaw_device import DeviceError, settings


def test_saved_settings_read_back_and_leave_no_temporary_file(tmp_path):
    device = str(tmp_path)
    settings.save(device, {"viewer": "\\Program Files\\x.exe", "hold": ["cookies"], "xvfb_pid": None})
    settings.save(device, {"viewer": "\\Program Files\\x.exe", "hold": [], "xvfb_pid": 42})
    assert settings.load(device) == {"viewer": "\\Program Files\\x.exe", "hold": [], "xvfb_pid": 42}
    assert sorted(p.name for p in tmp_path.iterdir()) == ["device.json"]


@pytest.mark.parametrize("content, message", [(None, "is not a device .* gallimaw-device create "),
                                              ('{"viewer": ', "device.json is damaged")])
def test_a_folder_without_sound_settings_is_refused(tmp_path, content, message):
    if content is not None:
        (tmp_path / "device.json").write_text(content)
    with pytest.raises(DeviceError, match=message):
        settings.load(str(tmp_path))
