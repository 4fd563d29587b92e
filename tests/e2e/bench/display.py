"""The virtual X display every Windows program of the bench draws on.

Prints the display name. Starts Xvfb once per machine and reuses it afterwards."""
import os
import subprocess
import sys
import time

DISPLAY_NUMBER = int(os.environ.get("KYR_DISPLAY_NUMBER", "77"))


def ensure_display():
    name = ":%d" % DISPLAY_NUMBER
    lock = "/tmp/.X%d-lock" % DISPLAY_NUMBER
    sock = "/tmp/.X11-unix/X%d" % DISPLAY_NUMBER
    if os.path.exists(lock) and os.path.exists(sock):
        try:
            pid = int(open(lock).read().strip())
            os.kill(pid, 0)
            return name
        except (ValueError, OSError):
            pass
    for stale in (lock, sock):
        try:
            os.remove(stale)
        except OSError:
            pass
    log = open("/tmp/kyr-xvfb-%d.log" % DISPLAY_NUMBER, "ab")
    subprocess.Popen(["Xvfb", name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                     stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    for _ in range(200):
        if os.path.exists(sock):
            return name
        time.sleep(0.05)
    raise RuntimeError("Xvfb did not start on " + name)


if __name__ == "__main__":
    print(ensure_display())
    sys.exit(0)
