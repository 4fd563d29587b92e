"""Virtual X displays for the bench.

Each scenario gets a display of its own, so that screenshots and the pixels of message-box
icons are never covered by another scenario's windows when scenarios run in parallel."""
import os
import subprocess
import sys


class VirtualDisplay:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise RuntimeError("Xvfb did not report a display")
        self.name = ":" + number.decode().strip()

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()


_shared = None


def ensure_display():
    """A display for programs that need one but no screenshots (Windows unit tests)."""
    global _shared
    if os.environ.get("DISPLAY"):
        return os.environ["DISPLAY"]
    _shared = VirtualDisplay()
    return _shared.name


if __name__ == "__main__":
    # Used by scripts/test: a display that outlives this process; prints "name pid".
    d = VirtualDisplay()
    print(d.name, d.process.pid)
    sys.stdout.flush()
    os._exit(0)
