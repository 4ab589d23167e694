#!/usr/bin/env python3
"""run.sh's supervisor: builds Morvane, sets up its Wine folder, starts it and closes it, with every
Ctrl+C and TERM counted and acted on at any moment.

run.sh starts it (with the options it was given) in a session of its own, so that no signal of the
terminal reaches it or anything it starts; run.sh counts every Ctrl+C and TERM it gets and writes
their history ("ITI...", one letter each) as a line on the channel descriptor (--signals FD). Those,
signals sent to this process itself, the ends of its children (each in a session of its own, seen
through a process descriptor) and the lines typed in answer to Morvane's questions all arrive in one
event loop (Events), so none waits behind another and none is lost.

Before Morvane runs, any signal stops the start: the step under way ends (TERM to its session, KILL
after 5 s or at the next signal), a Wine folder whose set-up was under way is removed, one line says
so, and the status is 130 (Ctrl+C) or 143 (TERM). A command of the start that fails ends it with one
line naming it. Once Morvane runs, the first signal closes it as its close box does (MorvaneClose.exe
takes each step of that close and says what Morvane asks), the second closes it without saving, the
third stops it at once (source/app/closeRequest.cpp).
"""
import fcntl
import os
import selectors
import shlex
import shutil
import signal
import stat
import subprocess
import sys
import time

SRC_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIGNAL_NAMES = {"I": "Ctrl+C", "T": "TERM"}
STOP_STATUS = {"I": 130, "T": 143}
STEP_GRACE_S = 5.0     # how long a stopped command may take to end after TERM
STOPPING_LIMIT_S = 10  # how long MorvaneClose --stopping may take to say what is lost
CLOSER_END_S = 15      # how long the close step under way may take to end once Morvane has ended
SERVER_END_S = 60      # how long the Wine server may take to end (it writes the settings as it does)
WHERE_BUILD = "during the build"
WHERE_SETUP = "while Wine set up its folder"
WHERE_BEFORE = "before Morvane was started"
USAGE = "run.sh: unknown option '%s' (see ./run.sh --help)"


def say(line="", err=False):
    stream = sys.stderr if err else sys.stdout
    try:
        stream.write(line + "\n")
        stream.flush()
    except OSError:
        pass  # (the terminal has gone: the run goes on to its end all the same)


class Child:
    """A program started in a session of its own; `done` once it has ended, with its shell-style status."""

    def __init__(self, argv, **popen):
        self.argv = argv
        self.process = subprocess.Popen(argv, start_new_session=True, **popen)
        self.pid = self.process.pid
        self.status = None
        try:
            self.pidfd = os.pidfd_open(self.pid)
        except (AttributeError, OSError):
            self.pidfd = None  # (an old kernel: Events looks every tenth of a second instead)

    @property
    def done(self):
        if self.status is None and self.process.poll() is not None:
            code = self.process.returncode
            self.status = code if code >= 0 else 128 - code
            if self.pidfd is not None:
                os.close(self.pidfd)
                self.pidfd = None
        return self.status is not None

    def signal_group(self, sig):
        """Sends `sig` to the child's session (its process group); nothing when it has ended."""
        if self.done:
            return
        try:
            os.killpg(self.pid, sig)
        except ProcessLookupError:
            pass


class Events:
    """The one place the supervisor waits: signals (the channel and its own), children's ends, typed lines."""

    def __init__(self, channel_fd):
        self.signals = ""  # every Ctrl+C (I) and TERM (T) so far, in order
        self.lines = []    # lines typed on the input, not yet taken
        self.input_ended = False
        self.reading = False  # whether typed input is wanted now
        self._selector = selectors.DefaultSelector()
        self._wake, wake_w = os.pipe2(os.O_NONBLOCK | os.O_CLOEXEC)
        signal.set_wakeup_fd(wake_w, warn_on_full_buffer=False)
        for sig in (signal.SIGINT, signal.SIGTERM):
            signal.signal(sig, lambda *_: None)  # (counted from the wakeup descriptor)
        self._selector.register(self._wake, selectors.EVENT_READ, "wake")
        self._channel = channel_fd
        self._channel_seen = 0
        self._channel_text = b""
        if channel_fd is not None:
            os.set_blocking(channel_fd, False)
            self._selector.register(channel_fd, selectors.EVENT_READ, "channel")
        self._input_text = b""
        self._input_registered = False
        self._children = {}

    def poll(self, timeout, fds=()):
        """Waits until something happens or `timeout` seconds pass (None: no limit), and takes it in.
        Returns those of `fds` that can be read."""
        self._set_input()
        for child in list(self._children):
            if child.done:
                del self._children[child]
        watched = []
        for fd in fds:
            self._selector.register(fd, selectors.EVENT_READ, "fd")
            watched.append(fd)
        for child in self._children:
            if child.pidfd is not None:
                self._selector.register(child.pidfd, selectors.EVENT_READ, "child")
        if any(child.pidfd is None for child in self._children):
            timeout = 0.1 if timeout is None else min(timeout, 0.1)
        ready = []
        try:
            for key, _ in self._selector.select(timeout):
                if key.data == "wake":
                    self._take_wake()
                elif key.data == "channel":
                    self._take_channel()
                elif key.data == "input":
                    self._take_input()
                elif key.data == "fd":
                    ready.append(key.fd)
        finally:
            for child in self._children:
                if child.pidfd is not None:
                    self._selector.unregister(child.pidfd)
            for fd in watched:
                self._selector.unregister(fd)
        return ready

    def watch(self, *children):
        """Children whose end wakes poll()."""
        for child in children:
            if child is not None and not child.done:
                self._children[child] = True

    def _take_wake(self):
        try:
            data = os.read(self._wake, 512)
        except BlockingIOError:
            return
        for number in data:
            if number == signal.SIGINT:
                self.signals += "I"
            elif number == signal.SIGTERM:
                self.signals += "T"

    def _take_channel(self):
        try:
            data = os.read(self._channel, 4096)
        except BlockingIOError:
            return
        if not data:
            # run.sh has gone (killed outright): taken as one TERM, so that Morvane closes as its close
            # box does instead of running on unsupervised.
            self._selector.unregister(self._channel)
            os.close(self._channel)
            self._channel = None
            self.signals += "T"
            return
        self._channel_text += data
        *lines, self._channel_text = self._channel_text.split(b"\n")
        for line in lines:
            # Each line is run.sh's whole history so far; a line may repeat one that came before.
            history = line.decode("ascii", "replace").strip()
            if len(history) > self._channel_seen:
                self.signals += "".join(c if c in SIGNAL_NAMES else "T" for c in history[self._channel_seen:])
                self._channel_seen = len(history)

    def _set_input(self):
        want = self.reading and not self.input_ended
        if want and not self._input_registered:
            self._selector.register(0, selectors.EVENT_READ, "input")
        elif not want and self._input_registered:
            self._selector.unregister(0)
        self._input_registered = want
        self._split_input()

    def _take_input(self):
        try:
            data = os.read(0, 4096)
        except OSError:
            data = b""
        if not data:
            self.input_ended = True
            self._selector.unregister(0)
            self._input_registered = False
        self._input_text += data
        self._split_input()

    def _split_input(self):
        if not self.reading:
            return  # (a line typed before a question waits for it)
        while b"\n" in self._input_text:
            line, self._input_text = self._input_text.split(b"\n", 1)
            self.lines.append(line.decode("utf-8", "replace"))


class StartStopped(Exception):
    """A signal came before Morvane ran."""


class StartFailed(Exception):
    """A command of the start failed; the message says which."""


class Supervisor:
    def __init__(self, args, channel_fd):
        self.args = args
        self.ev = Events(channel_fd)
        self.where = WHERE_BEFORE
        self.undo_prefix = False
        self.prefix = None
        self.run_dir = None
        self.server_up = False
        self.xvfb = None
        self.lock = None
        self.state_file = None
        # The close, once Morvane runs
        self.morvane = None
        self.closer = None
        self.closing = None  # asking, unasked (the second signal) or stopped (the third)
        self.stopped = False  # Morvane was stopped (killed): what was lost is said already
        self.view = []
        self.handled = 0

    # ---- the start's commands

    def check_stop(self):
        if self.ev.signals:
            raise StartStopped()

    def step(self, argv, what=None, quiet=False, hide_stdout=False, capture=False, may_fail=False):
        """Runs a command of the start in a session of its own and waits for it; a signal meanwhile ends
        it and the start. A status but 0 ends the start (StartFailed) unless `may_fail`. Returns the
        status, or (status, stdout) with `capture`."""
        self.check_stop()
        out = subprocess.PIPE if capture else subprocess.DEVNULL if (quiet or hide_stdout) else None
        child = Child(argv, stdin=subprocess.DEVNULL if quiet else None, stdout=out,
                      stderr=subprocess.DEVNULL if quiet else None)
        self.ev.watch(child)
        output = b""
        while not child.done:
            if self.ev.signals:
                self.end_step(child)
                raise StartStopped()
            ready = self.ev.poll(None, [child.process.stdout.fileno()] if capture and child.process.stdout else [])
            if ready:
                chunk = os.read(ready[0], 65536)
                output += chunk
                if not chunk:
                    child.process.stdout.close()
                    child.process.stdout = None
        if capture and child.process.stdout:
            output += child.process.stdout.read()
            child.process.stdout.close()
        if child.status != 0 and not may_fail:
            raise StartFailed("%s ended with status %d" % (what or shlex.join(argv), child.status))
        return (child.status, output.decode("utf-8", "replace")) if capture else child.status

    def wait_for(self, child, seconds, until_signal=False, fds=lambda: (), take=None):
        """Waits until `child` ends, `seconds` pass or (`until_signal`) another signal comes, taking in
        what arrives meanwhile (`take` is handed what of the descriptors `fds()` can be read); a child
        still running then is killed. Returns the child's status, None when it was killed."""
        seen = len(self.ev.signals)
        end = time.monotonic() + seconds
        while not child.done and time.monotonic() < end and not (until_signal and len(self.ev.signals) > seen):
            self.ev.watch(child)
            ready = self.ev.poll(end - time.monotonic(), fds())
            if take:
                take(ready)
        if child.done:
            return child.status
        child.signal_group(signal.SIGKILL)
        child.process.wait()
        return None

    def end_step(self, child):
        """Ends a command of the start: TERM to its session, KILL once it has had STEP_GRACE_S or at the
        next signal."""
        child.signal_group(signal.SIGTERM)
        self.wait_for(child, STEP_GRACE_S, until_signal=True)

    def quiet_wine(self, *args, may_fail=False):
        return self.step(["wine", *args], "the Wine command 'wine %s'" % " ".join(args), quiet=True,
                         may_fail=may_fail)

    def wait_quietly(self, argv, limit):
        """Runs a command to its end (at most `limit` seconds), signals or not: the ends of a run."""
        try:
            child = Child(argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except OSError:
            return None
        return self.wait_for(child, limit)

    def end_server(self):
        """The Wine server of the run's folder ends (it writes the settings to disk as it does), with
        every Windows program of the folder. True when one was running."""
        killed = self.wait_quietly(["wineserver", "-k"], SERVER_END_S) == 0
        self.wait_quietly(["wineserver", "-w"], SERVER_END_S)
        self.server_up = False
        return killed

    # ---- the start

    def start(self):
        args = self.args
        self.decide_machine()
        build_dir = os.path.join("build", self.build_name)
        if self.build_name == "win64":
            say("Morvane starts its 64-bit build under 64-bit Wine: %s." % self.note_32bit)
            arch = "x86_64"
        else:
            arch = "i686"
        self.check_stop()
        if args["build"]:
            self.where = WHERE_BUILD
            self.step(["scripts/deps.sh"], "the installation of what is missing (scripts/deps.sh)")
            os.environ.update(CCACHE_BASEDIR=SRC_DIR, CCACHE_NOHASHDIR="1")
            os.makedirs("build", exist_ok=True)
            self.step(["cmake", "-S", ".", "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                       "-DMINGW_ARCH=" + arch, "-DCMAKE_TOOLCHAIN_FILE=%s/cmake/toolchain-mingw64.cmake" % SRC_DIR],
                      "the build's configuration (cmake)", hide_stdout=True)
            self.step(["cmake", "--build", build_dir, "-j%d" % os.cpu_count(), "--target", "Morvane", "MorvaneClose"],
                      "the build (cmake --build)")
            self.where = WHERE_BEFORE
        self.check_stop()
        self.exe = os.path.join(build_dir, "source", "app", "Morvane.exe")
        self.closer_exe = os.path.join(build_dir, "source", "app", "MorvaneClose.exe")
        if not os.path.isfile(self.exe):
            raise StartFailed("the build did not make %s" % self.exe)
        if arch == "i686":
            status, out = self.step(["dpkg-query", "-W", "-f=${Status}", "wine32:i386"], capture=True, may_fail=True)
            if "install ok installed" not in out:
                say("Morvane is built (%s), but 32-bit Wine (wine32:i386) is not installed here: see the message" % self.exe)
                say("of scripts/deps.sh above.")
                return 1

        self.take_run_dir()
        self.choose_audio()
        self.choose_display()
        self.set_up_prefix()
        return self.run_morvane()

    def decide_machine(self):
        """Whether this machine runs 32-bit programs (scripts/machine-32bit.sh, decided by trying one)."""
        script = ('source scripts/machine-32bit.sh && morvane_32bit_decide && '
                  'printf "%s\\n%s\\n%s\\n" "$MORVANE_RUNS_32BIT" "$MORVANE_32BIT_NOTE" "$PATH"')
        _, out = self.step(["bash", "-c", script], "the 32-bit check (scripts/machine-32bit.sh)", capture=True)
        runs, note, path = (out.split("\n") + ["", "", ""])[:3]
        os.environ.update(MORVANE_RUNS_32BIT=runs, MORVANE_32BIT_NOTE=note, PATH=path)
        self.build_name = "win32" if runs == "1" else "win64"
        self.note_32bit = note

    def take_run_dir(self):
        """The run's folder (its Wine folder, settings and sound file), one run at a time."""
        self.run_dir = os.environ.get("MORVANE_RUN_DIR") or os.path.join(SRC_DIR, "build", "run")
        os.makedirs(self.run_dir, exist_ok=True)
        self.lock = open(os.path.join(self.run_dir, "run.lock"), "a")
        try:
            fcntl.flock(self.lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            try:
                with open(os.path.join(self.run_dir, "run.pid")) as f:
                    holder = f.read().strip() or "?"
            except OSError:
                holder = "?"
            self.lock.close()
            self.lock = None
            say("Morvane is already running from this folder (process %s)." % holder, err=True)
            say("Close it first, or press Ctrl+C in its terminal.", err=True)
            raise SystemExit(1)
        with open(os.path.join(self.run_dir, "run.pid"), "w") as f:
            f.write("%d\n" % self.args["run_pid"])
        self.prefix = os.path.join(self.run_dir, "wineprefix")
        os.environ.update(WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all",
                          WINEDLLOVERRIDES="mscoree,mshtml=")  # (no Mono or Gecko installer prompts)
        self.end_leftovers()
        self.state_file = os.path.join(self.run_dir, "run.state")
        self.write_state()

    def end_leftovers(self):
        """What a run that was killed outright left running (its supervisor could not end it) ends first:
        its virtual display, and its Wine server with its Morvane."""
        state = os.path.join(self.run_dir, "run.state")
        try:
            with open(state) as f:
                fields = dict(line.split(" ", 1) for line in f.read().split("\n") if " " in line)
        except OSError:
            return
        xvfb = fields.get("xvfb", "").strip()
        ended = []
        if xvfb.isdigit() and read_text("/proc/%s/comm" % xvfb).strip() == "Xvfb":
            try:
                os.kill(int(xvfb), signal.SIGTERM)
                ended.append("its virtual display")
            except OSError:
                pass
        if os.path.isdir(self.prefix) and self.end_server():
            ended.insert(0, "its Wine server and the Morvane it ran")
        os.unlink(state)
        if ended:
            say("An earlier run of this folder was stopped outright and left %s running: ended now." %
                " and ".join(ended))

    def write_state(self):
        with open(self.state_file, "w") as f:
            f.write("supervisor %d\n" % os.getpid())
            if self.xvfb is not None:
                f.write("xvfb %d\n" % self.xvfb.pid)

    def choose_audio(self):
        if self.args["audio_file"]:
            mode, note = "file", ""
        else:
            script = 'source scripts/run-audio.sh && morvane_audio_choice && printf "%s\\n" "$MORVANE_AUDIO_NOTE"'
            _, out = self.step(["bash", "-c", script], "the choice of the sound output (scripts/run-audio.sh)",
                               capture=True)
            mode, note = (out.split("\n") + ["", ""])[:2]
        self.check_stop()
        self.wine_audio = "pulse" if mode == "server" else "alsa"
        self.audio_mode = mode
        if mode != "file":
            os.environ.pop("ALSA_CONFIG_PATH", None)
            return
        audio_dir = os.path.join(self.run_dir, "audio")
        try:
            os.makedirs(audio_dir, exist_ok=True)
            writable = os.access(audio_dir, os.W_OK)
        except OSError:
            writable = False
        if not writable:
            say("run.sh: cannot write the audio folder %s; check its permissions." % audio_dir, err=True)
            raise SystemExit(1)
        os.environ["ALSA_CONFIG_PATH"] = os.path.join(SRC_DIR, "scripts", "asound-run.conf")
        os.environ["MORVANE_AUDIO_SINK"] = "|exec python3 '%s' %%r %%c %%f '%s'" % (
            os.path.join(SRC_DIR, "scripts", "audio-sink.py"), audio_dir)
        if note:
            say(note)
        say("No sound card or sound server here: Morvane's sound goes to %s/out-*.raw (the last 2 to 4 minutes)."
            % audio_dir)

    def choose_display(self):
        """Without a display, a virtual one (Xvfb) that the run ends; Morvane's questions are then typed
        here when this run has an input to type them into."""
        self.managed = "Y"
        if os.environ.get("DISPLAY"):
            return
        read_end, write_end = os.pipe()
        try:
            self.xvfb = Child(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten",
                               "tcp"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, pass_fds=(write_end,))
        finally:
            os.close(write_end)
        self.write_state()
        number = b""
        self.ev.watch(self.xvfb)
        try:
            while not number.endswith(b"\n"):
                self.check_stop()
                if self.xvfb.done:
                    raise StartFailed("the virtual display (Xvfb) ended with status %d" % self.xvfb.status)
                if self.ev.poll(None, [read_end]):
                    chunk = os.read(read_end, 64)
                    if not chunk:
                        self.xvfb.process.wait()
                        raise StartFailed("the virtual display (Xvfb) ended with status %d" % self.xvfb.process.returncode)
                    number += chunk
        finally:
            os.close(read_end)
        os.environ["DISPLAY"] = ":" + number.decode().strip()
        display = os.environ["DISPLAY"]
        say("No display here: Morvane runs on a virtual display (%s) that nothing shows." % display)
        say("  To see it, point a VNC server at it (for example: x11vnc -display %s); Ctrl+C here closes Morvane."
            % display)
        self.managed = "N"  # (no window manager on the virtual display)

    def set_up_prefix(self):
        """The Wine folder: made once, then its audio driver and window handling set for this run. A
        set-up stopped half way is undone, so the next start makes it anew."""
        prefix = self.prefix
        self.undo_prefix = not os.path.isdir(prefix)  # (a folder this start makes is undone until ready)
        os.makedirs(prefix, exist_ok=True)
        # A Wine server of the folder that runs already (one that lingers a few seconds after a Wine
        # command of the folder) keeps the desktop it made for another display, or none, where Morvane
        # could make no window and would end at once: it ends first, and the run starts its own.
        self.end_server()
        self.check_stop()
        self.server_up = True
        self.step(["wineserver", "-p"], "the Wine server (wineserver -p)", quiet=True, may_fail=True)
        if not os.path.isfile(os.path.join(prefix, ".morvane-ready")):
            say("First start: Wine is setting up its folder %s (10 to 40 seconds, once)." % prefix)
            self.where = WHERE_SETUP
            self.step(["wineboot", "-i"], "Wine's set-up of its folder (wineboot -i)", quiet=True)
            fonts = sorted(os.path.join("/usr/share/wine/fonts", f) for f in os.listdir("/usr/share/wine/fonts")
                           if f.endswith(".ttf")) if os.path.isdir("/usr/share/wine/fonts") else []
            if fonts:
                self.step(["cp", *fonts, os.path.join(prefix, "drive_c", "windows", "Fonts")],
                          "the copy of Wine's fonts into its folder")
            open(os.path.join(prefix, ".morvane-ready"), "w").close()
            self.where = WHERE_BEFORE
        self.undo_prefix = False
        # Drive Z: is the whole Unix file system; its "device" is /dev/null, so the file dialogs read no
        # volume label from the disk itself (a user may not read it, and Wine would say so after every
        # dialog).
        z_device = os.path.join(prefix, "dosdevices", "z::")
        if not os.path.lexists(z_device):
            os.makedirs(os.path.dirname(z_device), exist_ok=True)
            os.symlink("/dev/null", z_device)
        self.quiet_wine("reg", "add", r"HKCU\Software\Wine\Drivers", "/v", "Audio", "/d", self.wine_audio, "/f")
        self.quiet_wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", self.managed, "/f")
        settings = r"HKCU\Software\Veltrano\Morvane"
        if self.audio_mode == "file" and self.quiet_wine("reg", "query", settings, "/v", "AB AudioDevice",
                                                         may_fail=True) != 0:
            # Into the file, MultiMedia with 100 ms buffers keeps the pitch exact; a first start there
            # uses it.
            for value in (("/v", "AB AudioDevice", "/d", "MME Out: default"),
                          ("/v", "AB SampleRate", "/t", "REG_DWORD", "/d", "44100"),
                          ("/v", "AB Latency", "/t", "REG_DWORD", "/d", "100"),
                          ("/v", "AB OutputChannel 0", "/t", "REG_DWORD", "/d", "0"),
                          ("/v", "AB OutputChannel 1", "/t", "REG_DWORD", "/d", "1")):
                self.quiet_wine("reg", "add", settings, *value, "/f")
        if self.wine_audio == "alsa" and not os.path.exists("/dev/snd/seq"):
            say("No MIDI sequencer here (/dev/snd/seq): Morvane finds no MIDI ports, and ALSA says so in one line below.")

    # ---- Morvane, and its close

    def run_morvane(self):
        # Where Morvane's questions are answered: in its window, or typed here when nobody sees it.
        if self.managed == "N":
            self.view = ["--unseen", os.environ["DISPLAY"]]
            if is_terminal_or_pipe(0):
                self.view.append("--typed")
        self.check_stop()
        self.morvane = Child(["wine", self.exe], stdin=subprocess.DEVNULL)
        # From here on every signal is the close's (the launch's own moment included).
        self.where = None
        while not self.morvane.done:
            self.ev.watch(self.morvane, self.closer)
            self.take_closer_output(self.ev.poll(None, self.closer_fds()))
            if self.morvane.done:
                break
            if self.closer is not None and self.closer.done:
                code = self.closer.status
                self.take_closer_output(self.closer_fds(), final=True)
                self.closer = None
                self.on_step(code)
            while self.ev.lines and self.ev.reading:
                self.on_typed(self.ev.lines.pop(0))
            if self.ev.input_ended and self.ev.reading:
                self.ev.reading = False
                self.view = self.view[:2]  # no more input: nothing is typed
            while self.handled < len(self.ev.signals):
                self.handled += 1
                self.on_signal()
        status = self.morvane.status
        if self.closer is not None:  # the step under way ends with Morvane: what it said
            self.wait_for(self.closer, CLOSER_END_S, fds=self.closer_fds, take=self.take_closer_output)
            self.take_closer_output(self.closer_fds(), final=True)
            self.closer = None
        self.ev.reading = False
        # The Wine server writes the settings to disk as it ends. (A signal meanwhile waits for it.)
        self.end_server()
        if self.stopped:
            return 1
        if status == 0:
            if self.closing:
                say("Morvane has closed; its settings are saved.")
            else:
                say("Morvane was closed in its window; its settings are saved.")
            return 0
        # Ended by itself, not as a close ends (Wine could not start it, or it failed): never silently.
        say("Morvane has ended with status %d (a failure of Wine or of Morvane); its settings may not be saved."
            % status, err=True)
        return status if status < 126 else 1

    def start_closer(self, *args):
        """The next step of the close; what it says is shown as it says it."""
        self.closer = Child(["wine", self.closer_exe, *args], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
        self.closer_text = b""
        self.told = ""

    def closer_fds(self):
        if self.closer is None or self.closer.process.stdout is None:
            return []
        return [self.closer.process.stdout.fileno()]

    def take_closer_output(self, ready, final=False):
        """Shows the lines the close step wrote for the user (not those starting with #; the last
        "#told WINDOW" names the window it told the user of). `final`: the step has ended, all of what
        it wrote is taken."""
        pipe = self.closer.process.stdout if self.closer is not None else None
        if pipe is None or not (ready or final):
            return
        if final:
            os.set_blocking(pipe.fileno(), False)
        ended = False
        while True:
            try:
                chunk = os.read(pipe.fileno(), 65536)
            except BlockingIOError:
                break
            if not chunk:
                ended = True
                break
            self.closer_text += chunk
            if not final:
                break
        *lines, self.closer_text = self.closer_text.split(b"\n")
        if ended or final:
            lines.append(self.closer_text)
            self.closer_text = b""
            pipe.close()
            self.closer.process.stdout = None
        for line in lines:
            text = line.decode("utf-8", "replace").rstrip("\r")
            if text.startswith("#told "):
                self.told = text[len("#told "):]
            elif text and not text.startswith("#"):
                say(text)

    def end_closer(self):
        if self.closer is not None:
            self.closer.signal_group(signal.SIGTERM)
            if self.closer.process.stdout is not None:
                self.closer.process.stdout.close()
                self.closer.process.stdout = None
            self.closer = None

    def say_from(self, path):
        """The lines a program of the close wrote for the user (not those starting with #)."""
        for line in read_text(path).splitlines():
            if not line.startswith("#"):
                say(line)

    def start_reader(self):
        if "--typed" in self.view:
            self.ev.reading = True

    def end_reader(self):
        self.ev.reading = False

    def kill_morvane(self):
        self.stopped = True
        self.morvane.signal_group(signal.SIGTERM)

    def stop_morvane(self):
        """The step under way and the reader end; Morvane is stopped."""
        self.closing = "stopped"
        self.end_closer()
        self.end_reader()
        self.kill_morvane()

    def stop_at_once(self):
        """The third signal: Morvane is stopped at once, and a line says what is lost with it
        (MorvaneClose --stopping asks Morvane, STOPPING_LIMIT_S at most, less when a signal comes again)."""
        self.closing = "stopped"
        self.end_closer()
        self.end_reader()
        out = os.path.join(self.run_dir, "stop.out")
        with open(out, "w") as f:
            stopping = Child(["wine", self.closer_exe, "--stopping"], stdin=subprocess.DEVNULL, stdout=f,
                             stderr=subprocess.DEVNULL)
        self.wait_for(stopping, STOPPING_LIMIT_S, until_signal=True)
        lines = read_text(out).splitlines()
        say(lines[0] if lines and lines[0] else "Morvane is stopped at once: its settings are not saved.")
        self.kill_morvane()

    def on_signal(self):
        if self.closing is None:
            self.closing = "asking"
            say()
            say("Closing Morvane as its close box does...")
            self.start_closer(*self.view)
        elif self.closing == "asking":
            self.closing = "unasked"
            say()
            self.end_closer()
            self.end_reader()
            self.start_closer("--unasked")
        elif self.closing == "unasked":
            say()
            self.stop_at_once()
        # (stopped already: nothing more to do)

    def on_step(self, code):
        """A step of the close has ended with status `code`: what it said, then what comes next."""
        if code == 0:
            pass  # Morvane has ended
        elif code == 2:
            self.start_reader()
            self.start_closer("--answered", self.told, *self.view)
        elif code == 3:
            self.closing = None
            self.end_reader()
            say("The close was answered Cancel: Morvane keeps running. Ctrl+C asks again to close it.")
        elif code == 5:
            say("Morvane has saved its settings but has not ended for 40 seconds: it is stopped; its settings are saved.")
            self.stop_morvane()
        else:
            say("Morvane has neither closed nor asked anything for 40 seconds: it is stopped; its settings are not saved.")
            self.stop_morvane()

    def on_typed(self, line):
        """A line typed in answer to Morvane's question: pressed in it (MorvaneClose --answer)."""
        out = os.path.join(self.run_dir, "answer.out")
        with open(out, "w") as f:
            answer = Child(["wine", self.closer_exe, "--answer", line.strip()], stdin=subprocess.DEVNULL, stdout=f,
                           stderr=subprocess.DEVNULL)
        while not answer.done:
            self.ev.watch(answer)
            self.ev.poll(None)
        self.say_from(out)
        if self.closing != "asking":
            self.end_reader()

    # ---- the end, whatever way the run ends

    def undo_setup(self):
        """A Wine folder whose set-up was under way is removed: the next start makes it anew."""
        if self.undo_prefix:
            self.end_server()
            shutil.rmtree(self.prefix, ignore_errors=True)
            self.undo_prefix = False

    def stopped_start(self):
        """A start stopped by a signal before Morvane ran: nothing of it is left, and one line says so."""
        first = self.ev.signals[0]
        self.undo_setup()
        say()
        say("The start is stopped (%s %s): Morvane was not started." % (SIGNAL_NAMES[first], self.where))
        return STOP_STATUS[first]

    def finish(self):
        """No virtual display, close step, Wine server or run marker is left behind."""
        self.end_closer()
        if self.morvane is not None and not self.morvane.done:
            self.morvane.signal_group(signal.SIGTERM)
        if self.server_up:
            self.end_server()
        if self.xvfb is not None:
            self.xvfb.signal_group(signal.SIGTERM)
            self.wait_for(self.xvfb, 5)
        if self.run_dir and self.lock:
            for name in ("run.pid", "run.state"):
                try:
                    os.unlink(os.path.join(self.run_dir, name))
                except OSError:
                    pass


def read_text(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def is_terminal_or_pipe(fd):
    try:
        return os.isatty(fd) or stat.S_ISFIFO(os.fstat(fd).st_mode)
    except OSError:
        return False


def parse(argv):
    args = {"audio_file": False, "build": True, "channel": None, "run_pid": os.getppid()}
    rest = list(argv)
    while rest:
        arg = rest.pop(0)
        if arg == "--audio-file":
            args["audio_file"] = True
        elif arg == "--no-build":
            args["build"] = False
        elif arg == "--signals" and rest:  # (from run.sh: its channel descriptor)
            args["channel"] = int(rest.pop(0))
        elif arg == "--run-pid" and rest:  # (from run.sh: its process, the one a user signals)
            args["run_pid"] = int(rest.pop(0))
        else:
            say(USAGE % arg, err=True)
            raise SystemExit(2)
    return args


def main(argv):
    os.chdir(SRC_DIR)
    args = parse(argv)
    sup = Supervisor(args, args["channel"])
    try:
        try:
            return sup.start()
        except StartStopped:
            return sup.stopped_start()
        except StartFailed as failure:
            if sup.ev.signals:  # (a command that failed as the signal ended it: the signal's doing)
                return sup.stopped_start()
            sup.undo_setup()
            say("The start failed: %s; Morvane was not started." % failure, err=True)
            return 1
        except SystemExit as leave:
            return leave.code
        except Exception as error:  # a fault of this script: said, and nothing left behind
            say("run.sh stopped on a fault of its own (%s: %s); Morvane was %s." %
                (type(error).__name__, error, "stopped" if sup.morvane else "not started"), err=True)
            return 1
    finally:
        sup.finish()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
