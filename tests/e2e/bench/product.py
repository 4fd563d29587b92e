"""The product's names, texts and places as a user and the scenarios meet them, once."""

INSTALLER = "C:\\media\\KYRPOS730_Installer.exe"
PROGRESS = "KYR POS 730 Installation Progress"
PORT_DIALOG = "Select Port Type"
CAPTION = "KYR POS 730 installer"
UNINSTALLER_CAPTION = "KYR POS 730 uninstaller"
PORT_RADIO = {"COM1": 1006, "COM2": 1007, "COM3": 1008, "COM4": 1009, "LPT1": 1010, "LPT2": 1011, "USB": 1012}

PRODUCT = "C:\\windows\\KYR-730"
PRODUCT_UNINSTALLER = PRODUCT + "\\KYRPOS730_Uninstaller.exe"
UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KYRPOS_730"
SETTINGS = "HKLM\\SOFTWARE\\KYR_POS_PRINTER"
DRIVER = "KYR POS 730"
PROCESSORS_9X = "C:\\windows\\system32\\spool\\prtprocs\\win40"
NT_DRIVERS = "C:\\windows\\system32\\spool\\drivers\\w32x86"

RESTART_QUESTION = ("Restart the computer can take effect.\nPlease restart the computer."
                    "\n\n[Yes] I want to restart my computer now.\n[No] I will restart my computer later.")
USB_DONE = "Installation is completed.\nPlease turn-off printer and turn-on printer."
# After a box of uninstall entry values that could not be written: not completed.
USB_SWITCH_ONLY = "Please turn-off printer and turn-on printer."
USB_NOTICE_9X = ("Restart the computer can take effect.\nPlease finish the program in process before it "
                 "restarts the computer.\nAfter restarted, turn-on printer!!")
RESTART_NOTICE_9X = ("Restart the computer can take effect.\nPlease finish the program in process "
                     "before it restarts the computer.")
NOT_INSTALLED = "KYR POS 730 Driver is not exist.\nUnistall aleady completed."
RUN_IN_PROGRESS = ("KYR POS 730 is being installed or removed by another program.\n"
                   "Please wait until it has finished, then try again.")

NT_STEPS = ["Check drivers...\r\n", "Add printer...\r\n", "Install language monitor...\r\n",
            "Install print processor...\r\n", "Copy files...\r\n", "Install printer driver...\r\n"]
NT_LINES = NT_STEPS + ["Install printer...\r\n", "Delete installed files...\r\n", "Completed!"]
W9X_LINES = ["Check driver...\r\n", "Add printer...\r\n", "Install language monitor...\r\n",
             "Install print processor...\r\n", "Copy files...\r\n", "Install printer driver...\r\n",
             "Install printer...\r\n", "Completed!"]
REMOVAL_LINES = [("Checking OS...", 30), ("Delete printers...", 60), ("Delete printer driver...", 90),
                 ("Uninstall completed!", 100)]
PARTIAL_REMOVAL_LINES = [("Checking OS...", 30), ("Delete printers...", 60), ("Uninstall completed!", 100)]

NINE_X = ("win95", "win98", "winme")


def is_9x(version):
    return version in NINE_X


def nt_install_lines(printer=True):
    """(text, bar) of a new NT installation: 11 per step, "Completed!" at 100."""
    steps = list(NT_STEPS) + (["Install printer...\r\n"] if printer else []) + ["Delete installed files...\r\n"]
    return [(text, 11 * (i + 1)) for i, text in enumerate(steps)] + [("Completed!", 100)]


W9X_INSTALL_LINES = [(text, 11 * (i + 1)) for i, text in enumerate(W9X_LINES[:-1])] + [("Completed!", 100)]
W9X_USB_INSTALL_LINES = [s for s in W9X_INSTALL_LINES if s[0] != "Install printer...\r\n"]


def new_installation_lines(version):
    """(text, bar) of a new LPT1 installation on that Windows."""
    return W9X_INSTALL_LINES if is_9x(version) else nt_install_lines()
