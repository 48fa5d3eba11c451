"""Wine's own fonts that the device's screen needs: its Tahoma, the
device's face (dialogs in "System" fall back to it too), and Marlett, the
glyphs of caption buttons and scroll bar arrows. They come with the Wine
package (share/wine/fonts beside its bin folder), but this Wine looks for
fonts only in the prefix. Wine's desktop "System" font is left out: dialogs
would take it instead of Tahoma and grow wider than the screen."""
import os
import shutil

from . import DeviceError

WINE_FONTS = ("tahoma.ttf", "tahomabd.ttf", "marlett.ttf")


def wine_fonts_folder():
    wine = shutil.which("wine")
    folder = os.path.join(os.path.dirname(os.path.realpath(wine or "/usr/bin/wine")), "..", "share", "wine", "fonts")
    return os.path.normpath(folder)


def install_wine_fonts(prefix):
    """Puts WINE_FONTS into the prefix's Fonts folder, once."""
    source = wine_fonts_folder()
    fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    for name in WINE_FONTS:
        if os.path.exists(os.path.join(fonts, name)):
            continue
        if not os.path.exists(os.path.join(source, name)):
            raise DeviceError(f"Wine's font {name} is not in {source}; install the package fonts-wine")
        shutil.copy2(os.path.join(source, name), fonts)
    return 0
