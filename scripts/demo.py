"""The launcher's main job, end to end: assemble a sample medium, install it for real under
Wine through setup.exe, show what the Windows Installer received, and remove it again."""

import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

import media  # noqa: E402
import msi_media  # noqa: E402
import wine  # noqa: E402

PRODUCT_CODE = "{6C3F8E2A-1D4B-4C5E-9F70-112233445566}"
VERSION = "2.5.1"

# The Setup.ini of the README's example.
SETUP_INI = media.setup_ini(("XPSP3", media.XP_SP3), ("W7", media.WINDOWS_7),
                            product=PRODUCT_CODE, version=VERSION, location="vorta.msi",
                            name="Vorta Demo")

MESSAGES = {
    "0x0409.ini": ("[0x0409]\n1150=This product needs Windows XP SP3 or Windows 7 or later.\n", "utf-8-sig"),
    "0x0419.ini": ("[0x0419]\n1150=Для этого продукта нужна Windows XP SP3 или Windows 7.\n", "utf-8-sig"),
    "0x0422.ini": ("[0x0422]\n1150=Для цього продукту потрібна Windows XP SP3 або Windows 7.\n", "utf-16"),
}


def say(text=""):
    print(text, flush=True)


def assemble(folder):
    """The medium: launcher, settings, message files, package, language transforms."""
    os.makedirs(folder)
    shutil.copy(wine.build_file("setup.exe"), folder)
    media.write(os.path.join(folder, "Setup.ini"), SETUP_INI)
    for name, (text, encoding) in MESSAGES.items():
        media.write(os.path.join(folder, name), text.replace("\n", "\r\n"), encoding)
    package = msi_media.build_package(folder, "vorta", PRODUCT_CODE, VERSION,
                                      record=("LANGMARK", "COUNTRY", "REBOOT", "GREETING"),
                                      registry_key="VortaDemo")
    package.transform(os.path.join(folder, "1049.mst"), {"LANGMARK": "ru"})
    package.transform(os.path.join(folder, "1058.mst"), {"LANGMARK": "uk"})
    return package


def show_run(prefix, medium_windows, arguments):
    line = '"%s\\setup.exe" %s' % (medium_windows, arguments)
    say("$ " + line)
    result = prefix.run(prefix.drive_c("media", "setup.exe"), line, timeout=300)
    say("  exit code: %d" % result.code)
    for box in result.boxes:
        say("  box: %r caption=%r style=0x%x" % (box.text, box.caption, box.style))
    return result


def main():
    with wine.Prefix(locale=os.environ.get("DEMO_LOCALE", "ru_RU.UTF-8")) as prefix:
        medium = prefix.drive_c("media")
        package = assemble(medium)
        say("Medium (C:\\media):")
        for name in sorted(os.listdir(medium)):
            say("  %-12s %8d bytes" % (name, os.path.getsize(os.path.join(medium, name))))
        say()
        say("Installing silently for a Russian user, with a verbose installer log:")
        result = show_run(prefix, "C:\\media", '/S /debuglog C:\\media\\install.log GREETING="Hello, world"')
        recorded = package.read(prefix)
        say("  properties the package received: %s" % recorded)
        log = os.path.join(medium, "install.log")
        if os.path.exists(log):
            with open(log, "rb") as f:
                text = f.read().decode("utf-16", errors="replace") if f.read(2) == b"\xff\xfe" else None
            if text is None:
                with open(log, encoding="utf-8", errors="replace") as f:
                    text = f.read()
            for line in text.splitlines():
                if "TRANSFORMS" in line and "Property" in line:
                    say("  installer log: " + line.strip())
        say("  registered with the Windows Installer: %s" % ("yes" if package.registered(prefix) else "no"))
        ok = result.code == 0 and recorded.get("LANGMARK") == "ru" and recorded.get("GREETING") == "Hello, world"
        say()
        say("Removing it again:")
        removal = show_run(prefix, "C:\\media", "/S /x")
        after = package.read(prefix)
        say("  properties left behind: %s" % (after or "none"))
        say("  registered with the Windows Installer: %s" % ("yes" if package.registered(prefix) else "no"))
        ok = ok and removal.code == 0 and not after and not package.registered(prefix)
        say()
        say("Demo %s." % ("succeeded" if ok else "FAILED"))
        return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
