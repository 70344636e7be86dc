"""Runs the real Windows programs of a build under Wine for end-to-end tests.

Every test gets a throwaway copy of a template prefix, so tests do not see each other's
installations or registry changes. Programs are started through runexact.exe, a small tool of
the test suite, so that the command line reaches the program exactly as written (starting
wine from a shell re-quotes arguments) and the full 32-bit exit code comes back (a Unix exit
status keeps only its low byte).
"""

import atexit
import os
import re
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

SOURCE_DIR = os.environ.get(
    "SETUP_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
CACHE_DIR = os.environ.get("SETUP_WINE_HOME", os.path.expanduser("~/.cache/setup-launcher"))

DEFAULT_LOCALE = "en_US.UTF-8"


def exe_arch(path):
    """The architecture of a Windows image, "32" or "64", from its header's machine field."""
    with open(path, "rb") as f:
        data = f.read(4096)
    off = struct.unpack_from("<I", data, 0x3C)[0]
    return "64" if struct.unpack_from("<H", data, off + 4)[0] == 0x8664 else "32"


def loader(arch):
    return "/usr/lib/wine/wine64" if arch == "64" else "/usr/lib/wine/wine"


def can_run_32():
    """Whether this machine executes 32-bit x86 code at all (some virtual machines cannot)."""
    try:
        return subprocess.run([loader("32"), "--version"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=60).returncode == 0
    except OSError:
        return False


def default_build_dir():
    """The shipped 32-bit build where 32-bit code runs; elsewhere the same sources built for
    64-bit Windows."""
    return os.path.join(SOURCE_DIR, "build", "windows" if can_run_32() else "windows64")


BUILD_DIR = os.environ.get("SETUP_BUILD_DIR") or default_build_dir()


def build_file(name):
    path = os.path.join(BUILD_DIR, name)
    if not os.path.exists(path):
        raise FileNotFoundError(path)
    return path


@dataclass
class Box:
    text: str
    caption: object  # None for a null caption
    style: int
    cut: bool = False  # the trace cut the text short; it then ends in "..."


@dataclass
class Result:
    code: int
    stdout: bytes
    stderr: str
    boxes: list = field(default_factory=list)

    @property
    def stdout_text(self):
        return self.stdout.decode("utf-8", errors="replace")


def _base_env(arch, prefix, locale):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix
    env["WINEARCH"] = "win64" if arch == "64" else "win32"
    env["WINELOADER"] = loader(arch)
    env["WINEDEBUG"] = "-all"
    env["LC_ALL"] = locale
    env.pop("DISPLAY", None)  # a message box then returns at once instead of waiting
    env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")
    return env


def _run_to_end(args, timeout, **popen_args):
    """Runs `args` and returns its exit status, seeing the end the moment it happens.

    subprocess.run with a timeout polls the child, sleeping 1, 2, 4 ... ms up to 50 ms between
    looks, so a time taken around it is rounded up to the next look: 0.063 s, then steps of
    50 ms (a program of 0.27 s reads 0.313 s). This waits on a process file descriptor instead
    and falls back to the polling only where there is none. On a timeout the child is killed
    and TimeoutExpired raised, as subprocess.run does."""
    with subprocess.Popen(args, **popen_args) as proc:
        try:
            try:
                pidfd = os.pidfd_open(proc.pid)
            except (AttributeError, OSError):
                return proc.wait(timeout)
            try:
                poller = select.poll()
                poller.register(pidfd, select.POLLIN)
                if not poller.poll(None if timeout is None else max(0, int(timeout * 1000))):
                    raise subprocess.TimeoutExpired(proc.args, timeout)
            finally:
                os.close(pidfd)
            return proc.wait()
        except BaseException:
            proc.kill()
            proc.wait()
            raise


# How often Prefix.run starts again a program that Wine gave up on before it could start.
_START_RETRIES = 2

# How Wine's loader ends when the wineserver it launched for the prefix did not come up: it
# passes on the exit status of the server's launcher, which ends with 1, saying nothing, when
# the server process it forked died before reporting itself ready.
_SERVER_NOT_STARTED = 1

# Every start made again in this process, reported when the process ends (each test module
# runs in a process of its own), so that trouble in the test bed shows even in a green run.
restarts = []
atexit.register(lambda: sys.stderr.write("wine re-runs: %d\n" % len(restarts)))


def _wine_gave_up(result_written, status, stdout, stderr):
    """Whether Wine ended before runexact could start the program under test.

    Once runexact's own code runs, it either writes the program's exit code to the result
    file (for every program it started, crashed or not) or says on stderr why it could not
    start the program or wait for it, and then ends with 255. No result file, not a byte of
    output and the status of a wineserver that did not come up therefore mean that
    runexact never ran, so neither did the program: starting again is safe. Any other end,
    however odd, is the program's or runexact's and is reported as it is."""
    return not result_written and status == _SERVER_NOT_STARTED and not stdout and not stderr


def _wineserver(env, option):
    subprocess.run(["/usr/lib/wine/wineserver", option], env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)


def template_prefix(arch, locale=DEFAULT_LOCALE):
    """A booted prefix to copy from; made once per architecture and kept in the cache."""
    path = os.path.join(CACHE_DIR, "template-%s" % arch)
    if os.path.exists(os.path.join(path, ".ready")):
        return path
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    env = _base_env(arch, path, locale)
    subprocess.run([loader(arch), "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300)
    # Relay tracing of MessageBoxW alone, so a test can read every box's arguments.
    subprocess.run([loader(arch), "reg", "add", r"HKCU\Software\Wine\Debug", "/v",
                    "RelayInclude", "/d", "user32.MessageBoxW", "/f"], env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=env, timeout=120)
    open(os.path.join(path, ".ready"), "w").close()
    return path


# Registry files: Wine's own (system.reg, user.reg) and regedit's exports. Both escape "\" and
# '"' with a backslash; Wine's own also write characters beyond ASCII as \xXXXX.
_REG_STRING = re.compile(r'^"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"$')
_REG_ESCAPE = re.compile(r"\\(x[0-9a-fA-F]{1,4}|.)")


def _reg_unescape(text):
    return _REG_ESCAPE.sub(lambda m: chr(int(m.group(1)[1:], 16)) if len(m.group(1)) > 1
                           else m.group(1), text)


def _reg_escape(text):
    return "".join("\\" + c if c in '\\"' else c if " " <= c <= "~" else "\\x%04x" % ord(c)
                   for c in text)


def _reg_section(lines, header):
    """[first, end) of the value lines of the key with the header `header` (None when absent)."""
    for at, line in enumerate(lines):
        if line == header or line.startswith(header + " "):
            end = at + 1
            while end < len(lines) and lines[end] and not lines[end].startswith("["):
                end += 1
            return at + 1, end
    return None


def _reg_strings(lines, header):
    """{name: text} of the string values of the key with the header `header`."""
    first, end = _reg_section(lines, header) or (0, 0)
    matches = (_REG_STRING.match(line) for line in lines[first:end])
    return {_reg_unescape(m.group(1)): _reg_unescape(m.group(2)) for m in matches if m}


class Prefix:
    """A throwaway Wine prefix; use as a context manager.

    Every Windows fact that differs between a 32-bit and a 64-bit prefix is answered here
    from the prefix itself, never from one architecture written into a test: its
    architecture, Wine's name of a Windows version, the Program Files folder and the system
    folder of 32- or 64-bit code, and the registry view a command has to name."""

    def __init__(self, arch=None, locale=DEFAULT_LOCALE, windows_version=None):
        self.locale = locale
        self.root = tempfile.mkdtemp(prefix="setup-e2e-")
        self.path = os.path.join(self.root, "prefix")
        template = template_prefix(arch or exe_arch(build_file("setup.exe")))
        subprocess.run(["cp", "-a", template, self.path], check=True)
        self.arch = re.search(r"^#arch=win(32|64)$", self._hive("system.reg"), re.M).group(1)
        if windows_version:
            self.set_windows_version(windows_version)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def env(self, extra=None):
        env = _base_env(self.arch, self.path, self.locale)
        if extra:
            env.update(extra)
        return env

    def close(self):
        try:
            _wineserver(self.env(), "-k")
        finally:
            shutil.rmtree(self.root, ignore_errors=True)

    def wait(self):
        """Waits until every process of the prefix, Wine's own services too, has ended; the
        wineserver has then saved the registry into the prefix's files."""
        _wineserver(self.env(), "-w")

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def wine(self, args, timeout=120, extra_env=None, cwd=None):
        """Runs a Wine command (reg, msiexec, winecfg...) in this prefix. Output goes through
        files: Wine's service processes inherit a pipe and keep it open long after the
        program has ended, which would make every call wait for them."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.run([loader(self.arch)] + list(args), env=self.env(extra_env),
                                  cwd=cwd, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  timeout=timeout)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(proc.args, proc.returncode, out.read(), err.read())

    def _hive(self, name):
        with open(os.path.join(self.path, name), encoding="utf-8", errors="surrogateescape",
                  newline="") as f:
            return f.read()

    def windows_version_name(self, version):
        """Wine's name (winecfg -v) of the Windows version `version` in this prefix. Windows XP
        had an x64 edition of its own, 5.2.3790, and a 64-bit prefix knows XP by that
        edition's name alone."""
        return version + self.arch if version == "winxp" and self.arch == "64" else version

    def set_windows_version(self, version):
        name = self.windows_version_name(version)
        # winecfg keeps the version it had when it does not know the name, and the tests would
        # quietly run on another Windows than they say.
        if self.wine(["winecfg", "-v", name]).returncode != 0:
            raise RuntimeError("winecfg refused the Windows version %r in this %s-bit prefix"
                               % (name, self.arch))

    def program_files(self, arch="32"):
        """The Program Files folder (host path) a package for 32- or 64-bit Windows installs
        into, as the prefix's registry names it: a 64-bit Windows gives 32-bit programs a
        folder of their own, the value "ProgramFilesDir (x86)"; a 32-bit one has only the
        folder of "ProgramFilesDir"."""
        if int(arch) > int(self.arch):
            raise ValueError("a %s-bit prefix installs no %s-bit package" % (self.arch, arch))
        values = _reg_strings(self._hive("system.reg").split("\n"),
                              r"[Software\\Microsoft\\Windows\\CurrentVersion]")
        own = "ProgramFilesDir (x86)" if arch == "32" else None
        return self.unix_path(values.get(own) or values["ProgramFilesDir"])

    def system_folder(self, arch=None):
        """The system folder (host path) that 32- or 64-bit code (default: the prefix's own)
        loads system DLLs from: the folder of the Windows folder whose kernel32.dll is built
        for that architecture. A 64-bit Windows keeps the 32-bit ones apart from its own."""
        arch = arch or self.arch
        windows = self.drive_c("windows")
        for name in sorted(os.listdir(windows)):
            kernel32 = os.path.join(windows, name, "kernel32.dll")
            if os.path.isfile(kernel32) and exe_arch(kernel32) == arch:
                return os.path.join(windows, name)
        raise RuntimeError("this %s-bit prefix cannot run %s-bit code" % (self.arch, arch))

    def reg_view(self, arch):
        """The reg.exe arguments that read the registry as 32- or 64-bit programs see it: a
        64-bit Windows keeps a view for each, a 32-bit one has a single view, named by none."""
        return ["/reg:" + arch] if self.arch == "64" else []

    def set_user_values(self, key, values):
        """Gives HKEY_CURRENT_USER\\`key` the string values `values` ({name: text}) by writing
        them into the prefix's user.reg while no Wine process runs in it.

        An import with regedit raced Wine's locale set-up: every process that starts under a
        locale the region settings (Control Panel\\International) were not made for writes
        that locale's values over them, and the first processes of a prefix start together.
        So the settings are first made for the prefix's locale (a program runs under it),
        every process ends and the registry is saved; the values then go straight into the
        file, and every later program finds settings made for its locale and keeps them."""
        region = r"[Control Panel\\International]"
        locale_name = self.locale.split(".")[0].replace("_", "-")  # ru_RU.UTF-8: ru-RU
        self.wait()
        made_for = _reg_strings(self._hive("user.reg").split("\n"), region).get("LocaleName")
        if made_for != locale_name:
            self.wine(["reg", "query", r"HKCU\Control Panel\International", "/v", "Locale"])
            self.wait()
        lines = self._hive("user.reg").split("\n")
        if _reg_strings(lines, region).get("LocaleName") != locale_name:
            raise RuntimeError("Wine did not make the region settings for %s" % self.locale)
        header = "[%s]" % _reg_escape(key)
        if not _reg_section(lines, header):
            lines[-1:-1] = [header, ""]
        first, end = _reg_section(lines, header)
        body = [line for line in lines[first:end]
                if not any(line.startswith('"%s"=' % _reg_escape(name)) for name in values)]
        body += ['"%s"="%s"' % (_reg_escape(name), _reg_escape(text))
                 for name, text in values.items()]
        lines[first:end] = body
        with open(os.path.join(self.path, "user.reg"), "w", encoding="utf-8",
                  errors="surrogateescape", newline="") as f:
            f.write("\n".join(lines))

    def user_values(self, key):
        """{name: text} of the string values of HKEY_CURRENT_USER\\`key` as programs in the
        prefix see them, through regedit's export (reg.exe prints in the console code page,
        where a sign such as the hryvnia's is lost)."""
        path = os.path.join(self.root, "export.reg")
        self.wine(["regedit", "/E", path, "HKEY_CURRENT_USER\\" + key])
        with open(path, "rb") as f:
            lines = f.read().decode("utf-16").splitlines()
        os.remove(path)
        return _reg_strings(lines, "[HKEY_CURRENT_USER\\%s]" % key)

    def windows_path(self, unix_path):
        """The Windows path of a file inside this prefix's drive C."""
        drive = self.drive_c()
        rel = os.path.relpath(unix_path, drive)
        if rel.startswith(".."):
            raise ValueError("%s is not on drive C of the prefix" % unix_path)
        return "C:\\" + rel.replace("/", "\\") if rel != "." else "C:\\"

    def unix_path(self, windows_path):
        """The host path of a path on this prefix's drive C."""
        drive, _, rest = windows_path.partition(":\\")
        if drive.upper() != "C":
            raise ValueError("%s is not on drive C" % windows_path)
        return self.drive_c(*[part for part in rest.split("\\") if part])

    def run(self, exe_unix_path, command_line, cwd=None, timeout=120, extra_env=None,
            trace_boxes=True):
        """Starts the program with exactly `command_line` (program path included) and returns
        its full exit code, its standard output bytes and the message boxes it showed."""
        runexact = build_file("runexact.exe")
        result_file = os.path.join(self.root, "exit-code.txt")
        env = self.env(extra_env)
        env["SETUP_EXACT_CMDLINE"] = command_line
        env["SETUP_EXACT_RESULT"] = result_file
        if trace_boxes:
            env["WINEDEBUG"] = "-all,+relay"
        for attempt in range(1 + _START_RETRIES):
            if os.path.exists(result_file):
                os.remove(result_file)
            started = time.monotonic()
            # Files, not pipes: the prefix's service processes that wine starts inherit the
            # standard handles and keep a pipe open for seconds after the program has ended.
            with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
                status = _run_to_end([loader(self.arch), runexact], timeout, env=env,
                                     cwd=cwd or os.path.dirname(exe_unix_path),
                                     stdout=out, stderr=err)
                out.seek(0)
                stdout = out.read()
                err.seek(0)
                stderr_bytes = err.read()
            elapsed = time.monotonic() - started
            written = os.path.exists(result_file)
            if attempt == _START_RETRIES or not _wine_gave_up(written, status, stdout,
                                                              stderr_bytes):
                break
            restarts.append(command_line)
            sys.stderr.write("wine ended with status %d after %.2fs before runexact ran; "
                             "starting it again\n" % (status, elapsed))
            time.sleep(0.5)
        code = None
        if written:
            with open(result_file) as f:
                text = f.read().strip()
            code = int(text) if text else None
        if code is None:
            raise RuntimeError("runexact did not report an exit code (status %d, %.1fs): %s"
                               % (status, elapsed, stderr_bytes[-2000:]))
        stderr = stderr_bytes.decode("utf-8", errors="replace")
        return Result(code=code, stdout=stdout, stderr=stderr, boxes=parse_boxes(stderr))


# A 64-bit relay trace writes each text's pointer before it: 14000400c L"text".
# A long text is cut by the trace, which then writes "..." after the closing quote.
_BOX = re.compile(r'Call user32\.MessageBoxW\(([0-9a-fA-F]+),(?:[0-9a-fA-F]+ )?(L"(?:[^"\\]|\\.)*"(?:\.\.\.)?|[0-9a-fA-F]+),'
                  r'(?:[0-9a-fA-F]+ )?(L"(?:[^"\\]|\\.)*"(?:\.\.\.)?|[0-9a-fA-F]+),([0-9a-fA-F]+)\)')


def _unescape(literal):
    if not literal.startswith('L"'):
        return None  # a null pointer
    if literal.endswith('"...'):
        return _unescape(literal[:-3]) + "..."
    body = literal[2:-1]
    out, i = [], 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            n = body[i + 1]
            if n == "n":
                out.append("\n"); i += 2; continue
            if n == "r":
                out.append("\r"); i += 2; continue
            if n == "t":
                out.append("\t"); i += 2; continue
            m = re.match(r"[0-9a-fA-F]{4}", body[i + 1:i + 5])
            if m:
                out.append(chr(int(m.group(0), 16))); i += 5; continue
            out.append(n); i += 2; continue
        out.append(c); i += 1
    return "".join(out)


def parse_boxes(stderr):
    boxes = []
    for m in _BOX.finditer(stderr):
        boxes.append(Box(text=_unescape(m.group(2)) or "", caption=_unescape(m.group(3)),
                         style=int(m.group(4), 16), cut=m.group(2).endswith('"...')))
    return boxes


def quote(path):
    return '"%s"' % path
