#!/usr/bin/python3
# The chat window (rinu FOLDER) from start to quit, as a person uses it: keys and clicks in an
# X server of the test's own (Xvfb, no window manager), what the windows show read through the
# accessibility bus, then the exit status, stderr (no sanitizer report) and the folder's files
# byte for byte (the log's time stamps aside). Every wait has a deadline; a failure prints the
# windows and the program's stderr and keeps the journey's folder.
# Usage: window_journeys.py RINU SOURCE_DIR [JOURNEY...]
import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WAIT = float(os.environ.get("RINU_E2E_WAIT", "30"))  # seconds any one wait may take
DATA = ("memory.dat", "boke.dat", "no.dat", "help.html")
STAMP = re.compile(rb"[A-Z][a-z]{2} [A-Z][a-z]{2} \d\d \d\d:\d\d:\d\d \d{4}(?=\r\n)")
RULE = "-" * 51
INI = "YourName:Taro\r\nRinuName:Mio\r\n2\r\n"
pyatspi = None  # imported once the test's display and session bus exist


class Failed(Exception):
    pass


def until(what, probe, wait=WAIT):
    """What `probe` gives once it is true. A probe that fails (a window going while it is read)
    is asked again until the deadline."""
    deadline, error = time.monotonic() + wait, ""
    while True:
        try:
            got = probe()
            if got:
                return got
        except Failed:
            raise
        except Exception as e:
            error = f" (last: {e!r})"
        if time.monotonic() > deadline:
            raise Failed(f"gave up after {wait:.0f} s waiting for {what}{error}")
        time.sleep(0.05)


def check(what, got, want):
    if got != want:
        raise Failed(f"{what}:\n  got  {got!r}\n  want {want!r}")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def stored(*records):
    """Lines of a data file as written: every byte +3, CR LF."""
    return b"".join(bytes((b + 3) % 256 for b in r.encode("cp932")) + b"\r\n" for r in records)


def records(data):
    """The lines of a data file as the persona reads them (comments of memory.dat as they are)."""
    lines = data.split(b"\r\n")[:-1]
    return [(l if l.startswith(b"//") else bytes((b - 3) % 256 for b in l)).decode("cp932")
            for l in lines]


def replies(data, line, name):
    """What a turn may answer `line` with from memory.dat: the records whose keyword it holds."""
    found = [r.split("%+%", 1) for r in records(data) if "%+%" in r and not r.startswith("//")]
    return {reply.replace("NAME", name, 1) for kw, reply in found if kw.lower() in line.lower()}


def start_entry(nick, greeting):
    return f"{RULE}\nここからはじめる\t@\n\n\n{nick}>{greeting}\n"


def end_entry(nick):
    return f"{nick}>ばいばーい\n\nここまで\t\t@\n\n{RULE}\n\n\n"


def check_log(folder, want):
    """log.txt is `want` with CR LF line ends, each "@" a time stamp."""
    got = STAMP.sub(b"@", read(os.path.join(folder, "log.txt")))
    check(f"{folder}/log.txt (time stamps as @)", got.decode("cp932"), want.replace("\n", "\r\n"))


def die_with_parent():
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def xdo(*args):
    return subprocess.run(("xdotool",) + args, capture_output=True, text=True, timeout=WAIT).stdout


class Rinu:
    """One run of the program on a folder, driven and read as a person sees it."""

    def __init__(self, binary, folder, work):
        self.err = os.path.join(work, f"stderr-{time.monotonic_ns()}.txt")
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"))
        with open(self.err, "wb") as err:
            # No preexec_fn once the accessibility bus's threads may run; a program left over
            # ends with the test's X server.
            self.proc = subprocess.Popen([binary, folder], stdout=err, stderr=err, env=env)

    # What the windows show, through the accessibility bus.
    def app(self):
        if self.proc.poll() is not None:
            raise Failed(f"the program ended early, exit status {self.proc.returncode}")
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.proc.pid:
                    return app
            except Exception:
                pass
        return None

    def shown(self, caption, role="dialog"):
        app = self.app()
        for i in range(app.childCount if app else 0):
            w = app.getChildAtIndex(i)
            try:
                if w.getRoleName() == role and (caption is None or w.name == caption) and \
                        w.getState().contains(pyatspi.STATE_SHOWING):
                    return w
            except Exception:
                pass
        return None

    def window(self, caption, role="dialog"):
        return until(f"window {caption!r} ({role})", lambda: self.shown(caption, role))

    def box(self):
        """The text of the message box that is open."""
        return labels(self.window(None, "alert"))[0]

    def xid(self, caption):
        pattern = "^" + re.escape(caption) + "$"
        found = until(f"X window {caption!r}", lambda: xdo(
            "search", "--all", "--onlyvisible", "--pid", str(self.proc.pid), "--name", pattern
        ).split())
        return found[0]

    # Keys and clicks.
    def keys(self, caption, *keys):
        xdo("windowfocus", "--sync", self.xid(caption))
        xdo("key", "--delay", "40", *keys)

    def type(self, caption, text):
        xdo("windowfocus", "--sync", self.xid(caption))
        xdo("type", "--delay", "15", "--", text)

    def menu(self, top, item):
        """Chooses `item` in the chat window's menu that alt+`top` opens, once it is open."""
        self.keys("Rinu++", f"alt+{top}")
        bar = find(self.window("Rinu++"), "menu bar")[0]
        until(f"the menu of alt+{top}", lambda: any(
            bar.getChildAtIndex(i).getChildAtIndex(0).getState().contains(pyatspi.STATE_SHOWING)
            for i in range(bar.childCount)))
        xdo("key", item)

    def click(self, caption, button, role="dialog"):
        (b,) = [b for b in find(self.window(caption, role), "push button") if b.name == button]
        e = b.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        xdo("mousemove", "--sync", str(e.x + e.width // 2), str(e.y + e.height // 2), "click", "1")

    def close_box(self, caption):
        """What a window manager sends when the close box is clicked: WM_DELETE_WINDOW."""
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = (ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int)
        x.XSendEvent.argtypes = (ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                 ctypes.c_void_p)
        x.XCloseDisplay.argtypes = (ctypes.c_void_p,)

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                        ("pad", ctypes.c_long * 24)]

        d, win = x.XOpenDisplay(None), int(self.xid(caption))
        ev = ClientMessage(type=33, window=win, format=32,
                           message_type=x.XInternAtom(d, b"WM_PROTOCOLS", 0))
        ev.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(d, win, 0, 0, ctypes.byref(ev))
        x.XCloseDisplay(d)

    # The chat window.
    def transcript(self):
        return texts(self.window("Rinu++"))[0]

    def say(self, line, nick="Mio", user="Taro"):
        """Sends a line; returns the reply once the transcript shows it."""
        before = self.transcript()
        self.type("Rinu++", line)
        until(f"{line!r} in the input", lambda: texts(self.window("Rinu++"))[1] == line)
        self.keys("Rinu++", "Return")

        def grown():
            t = self.transcript()
            return t if t != before and t.endswith("\n" + before) else None

        now = until(f"the reply to {line!r}", grown)
        head = now[: -len(before) - 1].split("\n")
        check(f"the transcript's new lines after {line!r}", (len(head), head[1]),
              (2, f"{user}>{line}"))
        check("the reply's speaker", head[0][: len(nick) + 1], nick + ">")
        check("the input after send", texts(self.window("Rinu++"))[1], "")
        return head[0][len(nick) + 1:]

    def ended(self, status):
        try:
            self.proc.wait(WAIT)
        except subprocess.TimeoutExpired:
            raise Failed(f"still running {WAIT:.0f} s after it should have ended")
        err = read(self.err).decode("utf-8", "replace")
        for report in ("Sanitizer", "runtime error:"):
            if report in err:
                raise Failed(f"a sanitizer report on stderr:\n{err}")
        code = self.proc.returncode
        check("exit status", code if code >= 0 else f"killed by signal {-code}", status)

    def dump(self):
        """What was on screen, and the program's stderr."""
        out = [f"--- windows of rinu (pid {self.proc.pid}) through the accessibility bus"]

        def walk(a, depth):
            try:
                line = f"{'  ' * depth}{a.getRoleName()} {a.name!r}"
                if a.getRoleName() == "text":
                    line += f" = {text_of(a)!r}"
                out.append(line)
                for i in range(min(a.childCount, 30)):
                    if a.getRoleName() not in ("menu bar", "scroll bar"):
                        walk(a.getChildAtIndex(i), depth + 1)
            except Exception as e:
                out.append(f"{'  ' * depth}({e})")

        if self.proc.poll() is None:
            app = self.app()
            if app:
                walk(app, 0)
            shot = self.err.replace("stderr-", "screen-")[:-4] + ".png"
            if shutil.which("import") and not subprocess.call(
                    ["import", "-window", "root", shot], timeout=WAIT):
                out.append(f"--- the screen: {shot}")
            self.proc.kill()
            self.proc.wait()
        out.append(f"--- stderr (exit status {self.proc.returncode})")
        out.append(read(self.err).decode("utf-8", "replace"))
        return "\n".join(out)


def find(acc, role):
    found = [acc] if acc.getRoleName() == role else []
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None and acc.getRoleName() != "menu bar":
            found += find(child, role)
    return found


def text_of(acc):
    try:
        return acc.queryText().getText(0, -1)
    except NotImplementedError:
        return acc.name


def texts(window):
    """The window's edit fields in the order of its template."""
    return [text_of(t) for t in find(window, "text")]


def unnamed(window):
    """The window's controls a screen reader would find without a name."""
    roles = ("text", "table", "list", "check box", "radio button", "push button", "panel")
    return [a.getRoleName() for role in roles for a in find(window, role)
            if not a.name and (role != "panel" or a.childCount)]


def labels(window):
    return [l.name for l in find(window, "label")]


def rows(window):
    """The rows of the window's list, each [line, keyword, reply]."""
    table = find(window, "table")[0].queryTable()
    return [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)]
            for r in range(table.nRows)]


def persona(work, name, ini=INI):
    """A working folder as a first start gets it, with set.ini when one is given."""
    folder = os.path.join(work, name)
    os.mkdir(folder)
    for f in DATA:
        shutil.copy(os.path.join(SOURCE, "data", f), folder)
    if ini:
        with open(os.path.join(folder, "set.ini"), "wb") as f:
            f.write(ini.encode("cp932"))
    return folder


# The journeys. Each gets a fresh folder `work` and a way to start the program.
JOURNEYS = {}


def journey(fn):
    JOURNEYS[fn.__name__] = fn
    return fn


@journey
def first_start(start, work):
    """No set.ini: the setup dialog, a chat, teaching by a line, the taught reply, Esc."""
    folder = persona(work, "rinu", ini=None)
    memory = read(os.path.join(folder, "memory.dat"))
    rinu = start(folder)
    setup = rinu.window("Rinu Setup")
    check("unnamed controls of the setup", unnamed(setup), [])
    rinu.keys("Rinu Setup", "alt+y")
    rinu.type("Rinu Setup", "Taro")
    rinu.keys("Rinu Setup", "alt+h")
    rinu.type("Rinu Setup", "Mio")
    rinu.keys("Rinu Setup", "alt+t")
    until("the names typed and TEXT chosen", lambda: texts(setup) == ["Taro", "Mio"] and [
        b.name for b in find(setup, "check box") if b.getState().contains(pyatspi.STATE_CHECKED)
    ] == ["TEXT形式でLOGを書く(T)"])
    rinu.keys("Rinu Setup", "Return")
    chat = rinu.window("Rinu++")
    check("unnamed controls of the chat window", unnamed(chat), [])
    check("the chat window's fields", texts(chat), ["Mio>Taro君こんにちは。", "", "Taro", "Mio"])
    hello = rinu.say("hello")
    if hello not in replies(memory, "hello", "Taro"):
        raise Failed(f"{hello!r} is no reply of memory.dat to 'hello'")
    # The teaching word drops the pair the coin may have kept for "hello".
    check("the reply to teaching", rinu.say("ringo===akai kudamono"),
          "覚えたよ～ん,教えてくれてありがとう♪")
    check("the taught reply", rinu.say("ringo"), "akai kudamono")
    nothing = rinu.say("")
    no = [l.replace("NAME", "Taro", 1) for l in records(read(os.path.join(folder, "no.dat")))]
    no.append("何か話し掛けてよ！")
    if nothing not in no:
        raise Failed(f"{nothing!r} is no line of no.dat")
    check("the transcript", rinu.transcript(), "\n".join([
        f"Mio>{nothing}", "Taro>", "Mio>akai kudamono", "Taro>ringo",
        "Mio>覚えたよ～ん,教えてくれてありがとう♪", "Taro>ringo===akai kudamono",
        f"Mio>{hello}", "Taro>hello", "Mio>Taro君こんにちは。"]))
    rinu.keys("Rinu++", "Escape")
    rinu.ended(0)
    check("set.ini", read(os.path.join(folder, "set.ini")), INI.encode())
    check("memory.dat", read(os.path.join(folder, "memory.dat")),
          memory + stored("ringo%+%akai kudamono"))
    check_log(folder, start_entry("Mio", "Taro君こんにちは。") +
              f"Taro>hello\nMio>{hello}\n言葉を覚えさせました！\n"
              "Taro>ringo===akai kudamono\nMio>覚えたよ～ん,教えてくれてありがとう♪\n"
              f"Taro>ringo\nMio>akai kudamono\nTaro>\nMio>{nothing}\n" + end_entry("Mio"))


def book_rows(data):
    """The memory book's rows for memory.dat: [line, keyword, reply] of each record, newest
    first."""
    out = []
    for n, r in enumerate(records(data), 1):
        if not r.startswith("//"):
            kw, sep, reply = r.partition("%+%")
            out.append([str(n), kw, reply if sep else r])
    return out[::-1]


@journey
def memory_book(start, work):
    """The book searched, a record edited, one deleted and brought back by Ctrl+Z, the book left
    open and the chat ended by Esc; then the book opened again, closed, and 終了 clicked."""
    folder = persona(work, "rinu")
    path = os.path.join(folder, "memory.dat")
    memory = read(path)
    lines = memory.split(b"\r\n")
    rinu = start(folder)
    rinu.window("Rinu++")
    hello = rinu.say("hello")  # a pair kept for it would wait for a line that never comes
    rinu.menu("m", "b")
    book = rinu.window("メモリー帳")
    check("unnamed controls of the memory book", unnamed(book), [])
    every = book_rows(memory)
    count = f"{len(every)} 件 / {len(every)} 件"
    until("every record listed", lambda: labels(book)[1] == count and rows(book) == every)
    (game,) = [r for r in every if r[1] == "game"]
    (bye,) = [r for r in every if r[1] == "bye"]
    rinu.keys("メモリー帳", "ctrl+f")
    rinu.type("メモリー帳", "game")
    until("the search for 'game'", lambda: rows(book) == [game])
    rinu.keys("メモリー帳", "Return")  # Enter in the search with one row shown edits it
    edit = rinu.window("記録の編集")
    check("unnamed controls of the record's edit", unnamed(edit), [])
    check("the record in the edit dialog", texts(edit), game[1:])
    rinu.keys("記録の編集", "alt+h")
    rinu.type("記録の編集", "Game! asobou")
    until("the new reply typed", lambda: texts(edit) == ["game", "Game! asobou"])
    rinu.keys("記録の編集", "Return")
    lines[int(game[0]) - 1] = stored("game%+%Game! asobou")[:-2]
    edited = b"\r\n".join(lines)
    until("the edit in memory.dat", lambda: read(path) == edited)
    until("the edited record listed", lambda: rows(book) == [[game[0], "game", "Game! asobou"]])
    rinu.keys("メモリー帳", "ctrl+f", "ctrl+a")
    rinu.type("メモリー帳", "bye")
    until("the search for 'bye'", lambda: rows(book) == [bye])
    rinu.keys("メモリー帳", "Tab", "Delete")  # the list, its one row
    until("the question before deleting",
          lambda: rinu.box() == "選んだ 1 件の記録を削除します。よろしいですか？")
    rinu.click(None, "OK", role="alert")
    deleted = b"\r\n".join(lines[: int(bye[0]) - 1] + lines[int(bye[0]):])
    until("the record gone from memory.dat", lambda: read(path) == deleted)
    until("the list without it", lambda: rows(book) == [] and labels(book)[1] ==
          f"0 件 / {len(every) - 1} 件")
    rinu.keys("メモリー帳", "ctrl+z")
    until("the record back in memory.dat", lambda: read(path) == edited)
    until("the list with it", lambda: rows(book) == [bye] and labels(book)[1] ==
          f"1 件 / {len(every)} 件")
    rinu.keys("Rinu++", "Escape")  # the book is still open
    rinu.ended(0)
    check("memory.dat", read(path), edited)
    log = start_entry("Mio", "Taro君こんにちは。") + f"Taro>hello\nMio>{hello}\n" + end_entry("Mio")
    check_log(folder, log)

    rinu = start(folder)
    rinu.window("Rinu++")
    rinu.menu("m", "b")
    book = rinu.window("メモリー帳")
    until("the edited record listed after a restart",
          lambda: labels(book)[1] == count and [game[0], "game", "Game! asobou"] in rows(book))
    rinu.click("メモリー帳", "閉じる(C)")
    until("the book closed", lambda: not rinu.shown("メモリー帳"))
    rinu.click("Rinu++", "終了(E)")
    rinu.ended(0)
    check("memory.dat", read(path), edited)
    check_log(folder, log + start_entry("Mio", "Taro君こんにちは。") + end_entry("Mio"))


def duet_log(lines, me, other, first):
    """A persona's log entries of a duet whose lines (speaker, line) are given oldest first;
    `first`: the partner opened with a line of the user's."""
    out = start_entry(me, f"{other}君こんにちは。")
    for i, (speaker, line) in enumerate(lines):
        if speaker == me and (i > 0 or not first):
            out += f"{other}>{lines[i - 1][1] if i else ''}\n{me}>{line}\n"
    return out + end_entry(me)


def check_duet_memory(folder, before, me, other, duets):
    """memory.dat holds what it held and then only pairs the duets made: a line `me` said, then
    the line it was answered with."""
    data = read(os.path.join(folder, "memory.dat"))
    check(f"{folder}/memory.dat as it began", data[: len(before)], before)
    pairs = {(l[i][1], l[i + 1][1]) for l in duets for i in range(len(l) - 1) if l[i][0] == me}
    for r in records(data[len(before):]):
        kw, _, line = r.partition("%+%")
        if (kw.replace("NAME", other, 1), line) not in pairs:
            raise Failed(f"{folder}/memory.dat gained {r!r}, no pair of the duets")


def said(transcript, nicks=("Mio", "Ren")):
    out = []
    for l in reversed(transcript.split("\n")):
        (nick,) = [n for n in nicks if l.startswith(n + ">")]
        out.append((nick, l[len(nick) + 1:]))
    return out


@journey
def duet(start, work):
    """A duet with another folder run to its end, a second one stopped midway by 停止, then the
    duet window and the chat window closed by their close boxes."""
    mine = persona(work, "rinu")
    partner = persona(work, "ren", "YourName:Ken\r\nRinuName:Ren\r\n2\r\n")
    before = [read(os.path.join(f, "memory.dat")) for f in (mine, partner)]
    rinu = start(mine)
    rinu.window("Rinu++")
    rinu.menu("m", "w")
    D = "ふたりで会話させる"
    duet = rinu.window(D)
    check("unnamed controls of the duet window", unnamed(duet), [])
    check("the duet window's fields", texts(duet), ["", "20", "800", "", ""])
    ends = lambda: [read(os.path.join(f, "log.txt")).count("ここまで".encode("cp932"))
                    for f in (mine, partner) if os.path.exists(os.path.join(f, "log.txt"))]

    def run(exchanges, pause, first):
        rinu.keys(D, "alt+p", "ctrl+a")
        rinu.type(D, partner)
        for key, value in (("alt+n", exchanges), ("alt+m", pause), ("alt+f", first)):
            rinu.keys(D, key, "ctrl+a", "BackSpace")
            if value:
                rinu.type(D, value)
        until("the duet's fields filled",
              lambda: texts(duet)[:4] == [partner, exchanges, pause, first])
        rinu.keys(D, "Return")

    run("3", "0", "hello")
    until("both logs ending the duet", lambda: ends() == [1, 1])
    first = said(texts(duet)[4])
    check("who said what", [s for s, _ in first], ["Ren", "Mio", "Ren", "Mio"])
    check("the partner's first line", first[0][1], "hello")
    run("1000", "300", "")
    until("three lines said", lambda: texts(duet)[4].count("\n") >= 2)
    rinu.click(D, "停止(T)")
    until("both logs ending the stopped duet", lambda: ends() == [2, 2])
    second = said(texts(duet)[4])
    if len(second) >= 1000 or [s for s, _ in second[:2]] != ["Mio", "Ren"]:
        raise Failed(f"the stopped duet said {second!r}")
    rinu.close_box(D)
    until("the duet window closed", lambda: not rinu.shown(D))
    rinu.close_box("Rinu++")
    rinu.ended(0)
    check_log(mine, start_entry("Mio", "Taro君こんにちは。") + duet_log(first, "Mio", "Ren", True) +
              duet_log(second, "Mio", "Ren", False) + end_entry("Mio"))
    check_log(partner, duet_log(first, "Ren", "Mio", True) + duet_log(second, "Ren", "Mio", False))
    check_duet_memory(mine, before[0], "Mio", "Ren", (first, second))
    check_duet_memory(partner, before[1], "Ren", "Mio", (first, second))


@journey
def settings_then_exit(start, work):
    """The settings dialog: a new name applied, then Cancel; a line, and "exit" typed."""
    folder = persona(work, "rinu")
    memory = read(os.path.join(folder, "memory.dat"))
    rinu = start(folder)
    rinu.window("Rinu++")
    rinu.menu("v", "s")
    S = "情報設定"
    settings = rinu.window(S)
    check("unnamed controls of the settings", unnamed(settings), [])
    check("the settings shown", texts(settings), ["Taro", "Mio"])
    rinu.keys(S, "alt+y")
    rinu.type(S, "Jiro")
    until("the new name typed", lambda: texts(settings) == ["Jiro", "Mio"])
    rinu.click(S, "適用(T)")
    jiro = b"YourName:Jiro\r\nRinuName:Mio\r\n2\r\n"
    until("set.ini applied", lambda: read(os.path.join(folder, "set.ini")) == jiro)
    rinu.click(S, "ｷｬﾝｾﾙ(K)")
    until("the settings closed", lambda: not rinu.shown(S))
    # Cancel leaves the name fields alone; the conversation goes on with what Apply wrote.
    check("the names shown", texts(rinu.window("Rinu++"))[2:], ["Taro", "Mio"])
    hello = rinu.say("hello", user="Jiro")
    if hello not in replies(memory, "hello", "Jiro"):
        raise Failed(f"{hello!r} is no reply of memory.dat to 'hello'")
    rinu.type("Rinu++", "exit")
    rinu.keys("Rinu++", "Return")
    rinu.ended(0)
    check("set.ini", read(os.path.join(folder, "set.ini")), jiro)
    check("memory.dat", read(os.path.join(folder, "memory.dat")), memory)
    check_log(folder, start_entry("Mio", "Taro君こんにちは。") + f"Jiro>hello\nMio>{hello}\n" +
              end_entry("Mio"))


@journey
def file_failure(start, work):
    """boke.dat removed while the window is open: a line no record answers shows the error box,
    and OK ends the program with status 1, without a farewell."""
    folder = persona(work, "rinu")
    memory = read(os.path.join(folder, "memory.dat"))
    check("records answering 'zzz'", replies(memory, "zzz", "Taro"), set())
    rinu = start(folder)
    rinu.window("Rinu++")
    os.remove(os.path.join(folder, "boke.dat"))
    rinu.type("Rinu++", "zzz")
    until("'zzz' in the input", lambda: texts(rinu.window("Rinu++"))[1] == "zzz")
    rinu.keys("Rinu++", "Return")
    box = until("the error box", lambda: rinu.shown(None, "alert") and rinu.box())
    check("the error box", box, "ファイル名が間違っています\n同じディレクトリにファイルがないか\n"
          "またはバグの可能性があります。\n\nファイルが存在することを確認してもまだこの現象が"
          "起こる場合は\nwex@example.org\nまでメールで下のエラー番号とこのメッセージが起こる"
          "条件を\nお知らせください\n\nErr:0001\n")
    rinu.click(None, "OK", role="alert")
    rinu.ended(1)
    check("memory.dat", read(os.path.join(folder, "memory.dat")), memory)
    check_log(folder, start_entry("Mio", "Taro君こんにちは。"))


def run_journeys(journeys, chosen, start_program):
    """Runs each chosen journey in a fresh folder; prints its time, and on failure what the
    program showed. The number of journeys that failed."""
    failed = 0
    for name in chosen:
        work = tempfile.mkdtemp(prefix=f"rinu-{name}-")
        runs = []

        def start(folder):
            runs.append(start_program(folder, work))
            return runs[-1]

        began = time.monotonic()
        try:
            journeys[name](start, work)
            print(f"{name}: passed in {time.monotonic() - began:.1f} s", flush=True)
            shutil.rmtree(work)
        except Exception as e:
            failed += 1
            print(f"{name}: FAILED after {time.monotonic() - began:.1f} s: {e}", flush=True)
            for run in runs:
                print(run.dump(), flush=True)
            print(f"{name}: its folders are kept in {work}", flush=True)
    return failed


def ready(fd, what):
    """The line a helper writes to `fd` once it is ready."""
    got = b""
    while not got.endswith(b"\n"):
        if not select.select([fd], [], [], WAIT)[0]:
            raise Failed(f"{what} not ready after {WAIT:.0f} s")
        chunk = os.read(fd, 256)
        if not chunk:
            raise Failed(f"{what} did not start")
        got += chunk
    return got.decode().strip()


def main():
    global pyatspi, SOURCE
    binary, SOURCE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    chosen = sys.argv[3:] or list(JOURNEYS)
    missing = [p for p in ("Xvfb", "xdotool", "dbus-daemon") if not shutil.which(p)]
    try:
        import gi  # noqa: F401  (pyatspi's base, without starting anything)
        gi.require_version("Atspi", "2.0")
    except (ImportError, ValueError):
        missing.append("python3-pyatspi")
    if missing:
        print(f"skipped: the window journeys need {', '.join(missing)} (scripts/deps.sh)")
        sys.exit(77)
    top = tempfile.mkdtemp(prefix="rinu-display-")
    os.chmod(top, 0o700)
    for v in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS"):
        os.environ.pop(v, None)
    os.environ.update(XDG_RUNTIME_DIR=top, LANG=os.environ.get("RINU_E2E_LANG", "C.UTF-8"),
                      QT_QPA_PLATFORM="xcb",
                      QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    helpers = []
    try:
        with open(os.path.join(top, "helpers.txt"), "wb") as log:
            bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                   stdout=subprocess.PIPE, stderr=log, preexec_fn=die_with_parent)
            helpers.append(bus)
            os.environ["DBUS_SESSION_BUS_ADDRESS"] = ready(bus.stdout.fileno(), "dbus-daemon")
            r, w = os.pipe()
            helpers.append(subprocess.Popen(
                ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                stdout=log, stderr=log, pass_fds=(w,), preexec_fn=die_with_parent))
            os.close(w)
            os.environ["DISPLAY"] = ":" + ready(r, "Xvfb")
        import pyatspi as atspi  # starts the accessibility bus of the session
        pyatspi = atspi
        pyatspi.Registry.getDesktop(0).childCount
        failed = run_journeys(JOURNEYS, chosen, lambda folder, work: Rinu(binary, folder, work))
    finally:
        for p in reversed(helpers):
            p.terminate()
            p.wait()
        shutil.rmtree(top, ignore_errors=True)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
