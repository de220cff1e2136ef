#!/usr/bin/python3
# rinu --tty FOLDER from start to quit in a pseudo-terminal, as a person uses it: what the
# terminal shows, what is typed, then the exit status, no sanitizer report and the folder's
# files byte for byte (the log's time stamps aside). Shares its checks with
# window_journeys.py. Usage: tty_journeys.py RINU SOURCE_DIR [JOURNEY...]
import os
import pty
import select
import sys

sys.dont_write_bytecode = True  # the source tree stays as it is
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import window_journeys as wj  # noqa: E402
from window_journeys import Failed, check, check_log, end_entry, read, start_entry, until  # noqa


class Terminal:
    """One run of rinu --tty in a pseudo-terminal of its own, without a display."""

    def __init__(self, binary, folder, work):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(LANG="C.UTF-8", TERM="xterm", XDG_CONFIG_HOME=os.path.join(work, "config"))
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            wj.die_with_parent()
            os.execve(binary, [binary, "--tty", folder], env)
        self.screen, self.seen, self.status = b"", 0, None

    def pump(self):
        while select.select([self.fd], [], [], 0.02)[0]:
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:  # the program has ended and closed the terminal
                chunk = b""
            if not chunk:
                return False
            self.screen += chunk
        return True

    def expect(self, text):
        """Waits for `text` to be shown after what was expected before; returns what came
        between the two."""
        want, since = text.encode(), self.seen

        def shown():
            self.pump()
            at = self.screen.find(want, since)
            return at >= 0 and at + 1

        at = until(f"{text!r} on the terminal", shown) - 1
        self.seen = at + len(want)
        return self.screen[since:at].decode("utf-8", "replace")

    def type(self, text):
        os.write(self.fd, text.encode())

    def ended(self, status):
        def exited():
            self.pump()
            pid, code = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = os.waitstatus_to_exitcode(code)
            return pid != 0

        until("the program's end", exited)
        while self.pump():
            pass
        os.close(self.fd)
        shown = self.screen.decode("utf-8", "replace")
        for report in ("Sanitizer", "runtime error:"):
            if report in shown:
                raise Failed(f"a sanitizer report on the terminal:\n{shown}")
        check("exit status", self.status if self.status >= 0 else f"signal {-self.status}", status)

    def dump(self):
        if self.status is None:
            os.kill(self.pid, 9)
            os.waitpid(self.pid, 0)
        shown = self.screen.decode("utf-8", "replace")
        return f"--- the terminal of rinu (pid {self.pid}):\n{shown}"


def terminal(start, work):
    """A first start in the terminal: the setup asked as lines, teaching, the taught reply, the
    menu, Ctrl-D; then a second start on the same folder, a line and "exit"."""
    folder = wj.persona(work, "rinu", ini=None)
    memory = read(os.path.join(folder, "memory.dat"))
    t = start(folder)
    t.expect("== Rinu Setup ==")
    t.expect("あなたの名前(Y): ")
    t.type("Taro\r")
    t.expect("Rinuのニックネーム(H): ")
    t.type("Mio\r")
    t.expect("  3 TEXT形式でLOGを書く(T)\r\n番号 [2]: ")
    t.type("3\r")
    t.expect("ボタン (Enter: OK(O)): ")
    t.type("\r")
    t.expect("Mio>Taro君こんにちは。\r\n「/」でメニュー一覧、「/番号」で実行、Ctrl-Dで終了\r\nTaro>")
    t.type("ringo===akai kudamono\r")
    t.expect("Mio>覚えたよ～ん,教えてくれてありがとう♪\r\nTaro>")
    t.type("ringo\r")
    t.expect("Mio>akai kudamono\r\nTaro>")
    t.type("/\r")
    t.expect("7 メモリー帳を開く\r\n8 ふたりで会話させる\r\n")
    t.type("/7\r")
    t.expect("メモリー帳はウィンドウでしか開けません。オプションなしの rinu で開いてください。\r\nTaro>")
    t.type("\x04")
    t.ended(0)
    ini = b"YourName:Taro\r\nRinuName:Mio\r\n2\r\n"
    check("set.ini", read(os.path.join(folder, "set.ini")), ini)
    taught = memory + wj.stored("ringo%+%akai kudamono")
    check("memory.dat", read(os.path.join(folder, "memory.dat")), taught)
    log = (start_entry("Mio", "Taro君こんにちは。") + "言葉を覚えさせました！\n"
           "Taro>ringo===akai kudamono\nMio>覚えたよ～ん,教えてくれてありがとう♪\n"
           "Taro>ringo\nMio>akai kudamono\n" + end_entry("Mio"))
    check_log(folder, log)

    t = start(folder)
    t.expect("Mio>Taro君こんにちは。\r\n")
    t.expect("Taro>")
    t.type("hello\r")
    t.expect("hello\r\nMio>")
    hello = t.expect("\r\nTaro>")
    if hello not in wj.replies(memory, "hello", "Taro"):
        raise Failed(f"{hello!r} is no reply of memory.dat to 'hello'")
    t.type("exit\r")
    t.ended(0)
    check("set.ini", read(os.path.join(folder, "set.ini")), ini)
    check("memory.dat", read(os.path.join(folder, "memory.dat")), taught)
    check_log(folder, log + start_entry("Mio", "Taro君こんにちは。") + f"Taro>hello\nMio>{hello}\n" +
              end_entry("Mio"))


def main():
    binary, wj.SOURCE = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    journeys = {"terminal": terminal}
    failed = wj.run_journeys(journeys, sys.argv[3:] or list(journeys),
                             lambda folder, work: Terminal(binary, folder, work))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
