#!/usr/bin/python3
# The real program as a screen reader finds it: started on the test's X
# server and private session bus with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1,
# its tree read over AT-SPI and walked with the keyboard alone.
# Arguments: the program folder (build) and the source folder.
import os, shutil, subprocess, sys, tempfile, time

program = None
work = tempfile.mkdtemp()


def fail(message):
    print("FAIL: " + message, flush=True)
    if program:
        program.kill()
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1)


try:
    import pyatspi
    from gi.repository import GLib
    if not shutil.which("ffmpeg") or not shutil.which("xdotool"):
        raise ImportError
except ImportError:
    # As TARNWICK_SKIP: where everything must run, a skip fails.
    if os.environ.get("TARNWICK_REQUIRE_ALL") == "1":
        fail("needs python3-pyatspi, ffmpeg and xdotool; TARNWICK_REQUIRE_ALL=1 forbids skipping")
    print("SKIP: needs python3-pyatspi, ffmpeg and xdotool")
    shutil.rmtree(work)
    sys.exit(77)

INTERACTIVE = {"push button", "toggle button", "check box", "radio button", "combo box",
               "list", "list item", "page tab", "text", "spin button", "slider"}


def until(check, what, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        found = check()
        if found:
            return found
        time.sleep(0.1)
    fail(f"after {seconds} s, still not: {what}")


def shown(acc, depth=0):
    states = acc.getState()
    if depth > 1 and not states.contains(pyatspi.STATE_SHOWING):
        return []
    found = [acc]
    for i in range(acc.childCount):
        if child := acc.getChildAtIndex(i):
            found += shown(child, depth + 1)
    return found


def objects(role=None):
    return [o for o in shown(app) if role is None or o.getRoleName() == role]


def named(role, name):
    return next((o for o in objects(role) if o.name == name), None)


def enabled(acc):
    return acc.getState().contains(pyatspi.STATE_ENABLED)


def press(acc):
    actions = acc.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if "Press" not in names:
        fail(f"{acc.name} cannot be pressed: {names}")
    actions.doAction(names.index("Press"))


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


def check_names(page):
    unnamed = [o.getRoleName() for o in objects() if o.getRoleName() in INTERACTIVE and not o.name]
    if unnamed:
        fail(f"{page}: interactive elements without a name: {unnamed}")
    frames = [o.name for o in objects("frame")]
    if frames:
        fail(f"{page}: stray frames {frames}")


def focused():
    # Qt calls a list's current row focused whether the list has the focus
    # or not: a control that has it comes first, and the movie's own pane
    # (a filler) is no control.
    inner = [o for o in objects() if o.getState().contains(pyatspi.STATE_FOCUSED)
             and o.getRoleName() != "filler"]
    inner.sort(key=lambda o: o.getRoleName() == "list item")
    return inner[0] if inner else None


build, source = sys.argv[1], sys.argv[2]
folder = os.path.join(work, "program")
shutil.copytree(os.path.join(build, "movie"), os.path.join(folder, "movie"))
shutil.copy(os.path.join(build, "tarnwick"), folder)
for name in ("main.qml", "Formats.ini", "help.html"):
    shutil.copy(os.path.join(source, "res", name), folder)
videos = os.path.join(work, "Videos")
os.makedirs(os.path.join(work, "config", "tarnwick"))
os.makedirs(videos)
with open(os.path.join(work, "config", "tarnwick", "tarnwick.conf"), "w") as conf:
    conf.write("[General]\nOnFailure=note\nJobs=2\n")
with open(os.path.join(videos, "notes.avi"), "w") as notes:
    notes.write("not a video\n")
subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=96x72:rate=5",
                "-t", "600", "-c:v", "mpeg4", os.path.join(videos, "long.avi")], check=True)
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
           TMPDIR=work, XDG_RUNTIME_DIR=work, XDG_CONFIG_HOME=os.path.join(work, "config"))
os.chmod(work, 0o700)
program = subprocess.Popen([os.path.join(folder, "tarnwick"), os.path.join(videos, "notes.avi"),
                            os.path.join(videos, "long.avi")], env=env)

app = until(lambda: next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "tarnwick"),
                         None), "the program on the accessibility bus")
window = until(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tarnwick$"],
                                      capture_output=True, text=True).stdout.split(), "its window")[0]
subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
# What a screen reader speaks unasked: notifications as they show.
spoken = []
pyatspi.Registry.registerEventListener(
    lambda e: e.detail1 and e.source.getRoleName() == "notification" and spoken.append(e.source.name),
    "object:state-changed:showing")

# The convert page: every control named, the idle batch buttons disabled,
# each file read as a sentence.
rows = lambda: sorted(o.name for o in objects("list item"))
until(lambda: rows() == ["long.avi, in Videos", "notes.avi, in Videos"],
      f"the list's rows read as sentences (read: {rows()})")
check_names("convert page")
for name in ("Stop", "After this file", "Browse…"):
    if not named("push button", name) or enabled(named("push button", name)):
        fail(f"{name} is not reported as a disabled button")

# Tab from the start reaches the list after Options and before Add files;
# Shift+Tab goes back.
walk = []
for _ in range(12):
    key("Tab")
    now = until(focused, "a focused element after Tab")
    walk.append(now.name if now.getRoleName() != "list item" else now.parent.name)
    if walk[-1] == "Files to convert":
        break
if walk[-2:] != ["Options", "Files to convert"]:
    fail(f"Tab does not reach the list after Options: {walk}")
key("Tab")
until(lambda: (focused() or app).name == "Add files…", "Tab from the list on Add files…")
key("shift+Tab", "shift+Tab")
until(lambda: (focused() or app).name == "Options", "Shift+Tab from the list on Options")

# The settings pages: combo boxes named by their label, the page marked.
for page in ("Video settings", "Audio settings"):
    press(named("page tab", page))
    until(lambda: named("page tab", page).getState().contains(pyatspi.STATE_SELECTED),
          f"{page} marked as the current page")
    check_names(page)
    combos = [o.name for o in objects("combo box")]
    if not combos or any(": " not in name for name in combos):
        fail(f"{page}: combo boxes not named by their label: {combos}")
press(named("page tab", "Convert"))

# A batch: the file's progress has a value, the list the states, the
# controls that would disturb it are disabled; Escape stops it.
until(lambda: named("list", "Files to convert"), "the list back on the convert page")
key("ctrl+Return")
until(lambda: any(s.startswith("Converting ") for s in spoken), f"the status announced: {spoken}")
bar = until(lambda: named("progress bar", "File progress"), "a progress bar named File progress")
until(lambda: bar.queryValue().currentValue > 0, "the file's progress above 0")
until(lambda: "notes.avi, in Videos, failed: " in " ".join(rows()), f"a failed row: {rows()}")
for name in ("Add files…", "Remove", "Convert"):
    if enabled(named("push button", name)):
        fail(f"{name} is reported enabled during a batch")
check_names("convert page during a batch")
key("Escape")
until(lambda: not enabled(named("push button", "Stop")), "Escape to stop the batch")
program.terminate()
program.wait(10)
shutil.rmtree(work, ignore_errors=True)
print("PASS")
