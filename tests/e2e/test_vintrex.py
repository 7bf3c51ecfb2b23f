"""Vintrex as a user meets it: its real window on a private display, read through AT-SPI and
driven by AT-SPI actions, real clicks and real keys, on folders made here.
Usage: test_vintrex.py PATH_TO_VINTREX VERSION"""
import configparser, fnmatch, os, random, re, signal, socket, subprocess, sys, unittest
from desktop import Desktop, wait

VERSION_FILE = re.compile(r"^(.+\.(?:prt|asm|drw|sec|bom|txt))\.(\d+)$")

def make_folder(path, names):
    os.makedirs(path, exist_ok=True)
    for name in names:
        open(os.path.join(path, name), "w").close()
    return path

def generated_models(seed):
    """Two models of each type in one to four versions, and files that are no versions."""
    rng, names = random.Random(seed), ["readme.txt", "notes.prt", "shaft.prt.bak", "plan.pdf.2"]
    for i, kind in enumerate(["prt", "asm", "drw", "sec", "bom", "txt"] * 2):
        names += ["m%d.%s.%d" % (i, kind, v) for v in rng.sample(range(1, 40), rng.randint(1, 4))]
    return names

def latest_only(names):
    """What a purge leaves: each model's highest version and every other file."""
    by_number = sorted(filter(VERSION_FILE.match, names), key=lambda n: int(n.rsplit(".", 1)[1]))
    latest = {VERSION_FILE.match(n)[1]: n for n in by_number}
    return sorted({n for n in names if not VERSION_FILE.match(n)} | set(latest.values()))

def shown(names, pattern="*.*"):
    """What the file list shows: letters match without regard to case."""
    return [n for n in names if fnmatch.fnmatchcase(n.lower(), pattern.lower())]

def counters(names, pattern="*.*"):
    shown_names = shown(names, pattern)
    return ["Files = %d" % len(shown_names),
            "Pro Eng Files = %d" % len(list(filter(VERSION_FILE.match, shown_names)))]

def visible(accessible):
    """(role, name) of an accessible on screen; false when hidden, or gone meanwhile."""
    try:
        state = accessible.getState()
        return (state.contains(pyatspi.STATE_SHOWING) and not state.contains(pyatspi.STATE_DEFUNCT)
                and (accessible.getRoleName(), accessible.name))
    except GLib.GError:
        return None

def find_all(root, role, name=None):
    try:
        children = list(filter(None, root))
    except GLib.GError:
        return
    for child in children:
        if seen := visible(child):
            if seen[0] == role and name in (None, seen[1]):
                yield child
            yield from find_all(child, role, name)

def press(accessible):
    action = accessible.queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))

class Vintrex:
    """One run of the program, opening `folder` as the saved start-up folder."""
    def __init__(self, folder):
        with open(desktop.path("config", "Pro.ini"), "w") as ini:
            # An older version's key, which the next close must remove with its section.
            ini.write("[Startup]\nDrive=/\nDir=%s\nLegacy=1\n" % folder)
        self.process = desktop.spawn([PROGRAM], env={"QT_QPA_PLATFORM": "xcb",
                                                     "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        ours = lambda app: app and app.childCount and app.get_process_id() == self.process.pid
        self.app = wait(lambda: next(filter(ours, pyatspi.Registry.getDesktop(0)), None),
                        "the program on the accessibility bus")
        self.main = self.control("frame", "Vintrex")

    def control(self, role, name=None, root=None):
        return wait(lambda: next(find_all(root or self.app, role, name), None),
                    "%s %r" % (role, name))

    def labels(self, root=None):
        return [a.name for a in find_all(root or self.main, "label") if a.name]

    def wait_counters(self, expected):
        seen = lambda: [t for t in self.labels() if re.fullmatch(r"(Pro Eng )?Files = \d+", t)]
        wait(lambda: seen() == expected, lambda: "counters %s, seeing %s" % (expected, seen()))

    def click(self, accessible, double=False):
        x, y, width, height = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        desktop.run("xdotool", "mousemove", x + min(width // 2, 10), y + height // 2, "click",
                    *(["--repeat", 2, "--delay", 80] if double else []), 1)

    def answer(self, text, button):
        """Checks what the message box says before answering it."""
        box = self.control("alert", "Vintrex")
        if " ".join(self.labels(box)) != text:
            raise AssertionError("message %r, expected %r" % (" ".join(self.labels(box)), text))
        press(self.control("push button", button, box))
        wait(lambda: not visible(box), "the message box to close")

class VintrexTest(unittest.TestCase):
    def start(self, names, folder=None):
        self.folder = make_folder(folder or desktop.path("home", self._testMethodName), names)
        self.vx = Vintrex(self.folder)
        self.addCleanup(desktop.stop, self.vx.process)
        self.vx.wait_counters(counters(names))
        return self.vx

    def assertFolder(self, names):
        self.assertEqual(sorted(os.listdir(self.folder)), sorted(names))
        self.vx.wait_counters(counters(names))

    def test_saved_folder_type_filter_and_settings_on_close(self):
        # Upper-case names are listed by any pattern, but only a lower-case type is a version.
        names = generated_models(1) + ["BIG.PRT.3", "Notes.TXT", "m0.Prt.7"]
        inner = make_folder(desktop.path("home", self._testMethodName, "inner"),
                            ["gear.asm.1", "gear.asm.2", "a.txt"])
        vx = self.start(names)
        pattern = vx.control("text", "Filter criteria")
        listed = lambda: sorted(i.name for i in vx.control("list", "Files"))
        for typed, after_prt in (("*.PRT.*", "*.prt.*"), ("*.TXT", "*.prt.*")):
            vx.click(pattern)
            desktop.run("xdotool", "key", "ctrl+a", "type", typed)
            vx.wait_counters(counters(names, typed))
            self.assertEqual(listed(), sorted(shown(names, typed)))
            press(vx.control("push button", "prt"))
            # The exact text decides: *.PRT.* is not the button's pattern.
            wait(lambda: pattern.queryText().getText(0, -1) == after_prt, "pattern " + after_prt)
            vx.wait_counters(counters(names, after_prt))
        self.assertEqual(listed(), sorted(shown(names, "*.prt.*")))
        press(vx.control("push button", "prt"))
        vx.wait_counters(counters(names))
        vx.click(vx.control("table cell", "inner", vx.control("tree", "Folders")), double=True)
        vx.wait_counters(counters(os.listdir(inner)))
        desktop.close_window(vx.process.pid, "Vintrex")
        self.assertEqual(vx.process.wait(10), 0)
        ini = configparser.ConfigParser()
        ini.optionxform = str
        ini.read(desktop.path("config", "Pro.ini"))
        self.assertEqual(dict(ini["Startup"]), {"Drive": "/", "Dir": inner})

    def test_confirmed_purge_answered_in_its_dialog(self):
        names = generated_models(2)
        # A folder path of 200 characters: the boxes show it shortened, a screen reader whole.
        folder = desktop.path("home", self._testMethodName)
        folder = os.path.join(folder, *["x" * 49] * ((198 - len(folder)) // 50))
        folder += "/" + "y" * (199 - len(folder))
        vx = self.start(names, folder)
        self.assertEqual(len(self.folder), 200)
        old = sorted(set(names) - set(latest_only(names)))
        press(vx.control("push button", "Purge"))
        vx.answer("Do you want to purge old versions of Pro Eng files in %s ?" % self.folder, "Yes")
        vx.answer("Are you sure you want to purge files ?", "Yes")
        self.assertIn("Number of files to purge = %d" % len(old), vx.labels())
        self.assertEqual(sorted(i.name for i in vx.control("list", "Files to purge")),
                         [os.path.join(self.folder, n) for n in old])
        dialog = vx.control("dialog", "Vintrex")
        # Named after its box; the text, the whole path in it, is the description.
        box = vx.control("label", "File to Delete", vx.control("panel", "File to Delete", dialog))
        asked = re.match(r"Delete %s/(.*) \?\n" % re.escape(self.folder), box.description)
        self.assertTrue(asked and asked[1] in old, box.description)
        press(vx.control("push button", "Yes to All", dialog))
        vx.answer("%d Pro Eng Files Deleted!" % len(old), "OK")
        self.assertFalse(visible(dialog))
        self.assertFolder(latest_only(names))

    def test_about_dialog(self):
        vx = self.start([])
        press(vx.control("menu item", "About"))
        about = vx.control("dialog", "About Vintrex")
        self.assertIn("Version " + VERSION, vx.labels(about))
        press(vx.control("push button", "OK", about))
        wait(lambda: not visible(about), "the About dialog to close")

    def test_no_display_to_reach(self):
        """One line and exit status 1, not Qt's abort, also for a closed ssh session's display."""
        def unused(n):
            try:
                socket.create_connection(("localhost", 6000 + n), timeout=2).close()
            except OSError:
                return not os.path.exists("/tmp/.X11-unix/X%d" % n)
        n = next(filter(unused, range(70, 100)))
        for display in (None, ":%d" % n, "localhost:%d.0" % n):
            with self.subTest(DISPLAY=display):
                env = {k: v for k, v in desktop.env.items() if k != "DISPLAY"}
                env.update({"DISPLAY": display} if display else {})
                run = subprocess.run([PROGRAM], env=env, stdin=subprocess.DEVNULL,
                                     capture_output=True, text=True, timeout=20)
                why = "not reachable" if display else "not set"
                self.assertEqual((run.returncode, run.stderr), (1, (
                    "vintrex: no display to open the window on (DISPLAY is %s); "
                    "start it from a desktop session\n" % why)))

if __name__ == "__main__":
    PROGRAM, VERSION = sys.argv[1:3]
    # A step that hangs ends the run as Ctrl+C would, through the clean-up below.
    for sig in (signal.SIGALRM, signal.SIGTERM):
        signal.signal(sig, signal.default_int_handler)
    signal.alarm(110)
    desktop, passed = Desktop(), False
    try:
        desktop.start()
        import pyatspi
        from gi.repository import GLib
        # warnings=False keeps Python's filters: pyatspi calls deprecated Atspi functions.
        passed = unittest.main(argv=sys.argv[:1], verbosity=2, exit=False,
                               warnings=False).result.wasSuccessful()
    finally:
        if not passed:
            desktop.log.seek(0)
            print("Output of the program and the services:\n" + desktop.log.read())
        desktop.close()
    sys.exit(not passed)
