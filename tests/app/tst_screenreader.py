#!/usr/bin/python3
# The real program as a screen reader finds it: on the test's X server and
# private session bus with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1, its tree read
# over AT-SPI and walked with the keyboard. Arguments: the program folder.
import os, shutil, subprocess, sys, tempfile, time

program, work = None, tempfile.mkdtemp()


def fail(message):
    print("FAIL: " + message, flush=True)
    program and program.kill()
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(1)


try:
    import pyatspi
    from gi.repository import GLib
    assert shutil.which("ffmpeg") and shutil.which("xdotool")
except (ImportError, AssertionError):
    # As TARNWICK_SKIP: where everything must run, a skip fails.
    if os.environ.get("TARNWICK_REQUIRE_ALL") == "1":
        fail("needs python3-pyatspi, ffmpeg and xdotool; TARNWICK_REQUIRE_ALL=1 forbids skipping")
    shutil.rmtree(work)
    sys.exit(77)


def until(check, what):
    end = time.monotonic() + 20
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        if found := check():
            return found
        time.sleep(0.1)
    fail("after 20 s, still not " + (what() if callable(what) else what))


def objects(role=None, acc=None, depth=0):
    acc = acc or app
    if depth > 1 and not acc.getState().contains(pyatspi.STATE_SHOWING):
        return []
    found = [acc] if role in (None, acc.getRoleName()) else []
    for child in filter(None, (acc.getChildAtIndex(i) for i in range(acc.childCount))):
        found += objects(role, child, depth + 1)
    return found


def named(role, name):
    return next((o for o in objects(role) if o.name == name), None)


def has(acc, state):
    return acc is not None and acc.getState().contains(state)


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


def focused():
    # Qt calls a list's current row focused whether the list has the focus or
    # not, and the movie's own pane (a filler) is no control.
    inner = [o for o in objects() if has(o, pyatspi.STATE_FOCUSED) and o.getRoleName() != "filler"]
    inner.sort(key=lambda o: o.getRoleName() == "list item")
    return inner and (inner[0].parent if inner[0].getRoleName() == "list item" else inner[0]).name


def check_page(page):
    interactive = {"push button", "check box", "radio button", "combo box", "list", "list item",
                   "page tab", "text"}
    unnamed = [o.getRoleName() for o in objects() if o.getRoleName() in interactive and not o.name]
    combos = [o.name for o in objects("combo box")]
    if unnamed or objects("frame") or any(": " not in name for name in combos):
        fail(f"{page}: unnamed {unnamed}, frames {objects('frame')}, combo boxes {combos}")


videos = os.path.join(work, "Videos")
os.makedirs(os.path.join(work, "tarnwick"))
os.makedirs(videos)
with open(os.path.join(work, "tarnwick", "tarnwick.conf"), "w") as conf:
    conf.write("[General]\nOnFailure=note\nJobs=2\n")
with open(os.path.join(videos, "notes.avi"), "w") as notes:
    notes.write("not a video\n")
# Seconds to make, half a minute or more to convert: the batch is still on
# when Escape comes.
short = os.path.join(work, "short.avi")
subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=480x360:rate=25",
                "-t", "2", "-c:v", "mpeg4", "-q:v", "31", short], check=True)
subprocess.run(["ffmpeg", "-v", "error", "-stream_loop", "199", "-i", short, "-c", "copy",
                os.path.join(videos, "long.avi")], check=True)
os.chmod(work, 0o700)
program = subprocess.Popen(
    [os.path.join(sys.argv[1], "tarnwick"), os.path.join(videos, "notes.avi"),
     os.path.join(videos, "long.avi")],
    env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
             TMPDIR=work, XDG_RUNTIME_DIR=work, XDG_CONFIG_HOME=work))
app = until(lambda: next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "tarnwick"),
                         None), "the program on the accessibility bus")
window = until(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tarnwick$"],
                                      capture_output=True, text=True).stdout.split(), "its window")
subprocess.run(["xdotool", "windowfocus", "--sync", window[0]], check=True)
# What a screen reader speaks unasked: a notification as it shows.
spoken = []
pyatspi.Registry.registerEventListener(
    lambda e: e.detail1 and e.source.getRoleName() == "notification" and spoken.append(e.source.name),
    "object:state-changed:showing")

# Each file read as one sentence; the idle batch buttons disabled.
rows = lambda: sorted(o.name for o in objects("list item"))
until(lambda: rows() == ["long.avi, in Videos", "notes.avi, in Videos"], lambda: f"rows {rows()}")
check_page("convert page")
for name in ("Stop", "After this file", "Browse…"):
    if not named("push button", name) or has(named("push button", name), pyatspi.STATE_ENABLED):
        fail(f"{name} is not reported as a disabled button")

# Tab from the start reaches the list after Options, and goes on to Add
# files; Shift+Tab comes back through the list to Options.
walk = []
while "Files to convert" not in walk and len(walk) < 12:
    key("Tab")
    walk.append(until(focused, "a focused control"))
if walk[-2:] != ["Options", "Files to convert"]:
    fail(f"Tab does not reach the list after Options: {walk}")
for keys, name in (("Tab", "Add files…"), ("shift+Tab", "Files to convert"), ("shift+Tab", "Options")):
    key(keys)
    until(lambda: focused() == name, f"{keys} on to {name}")

# The settings pages: the page marked, combo boxes named by their label.
for page in ("Video settings", "Audio settings", "Convert"):
    actions = named("page tab", page).queryAction()
    actions.doAction([actions.getName(i) for i in range(actions.nActions)].index("Press"))
    until(lambda: has(named("page tab", page), pyatspi.STATE_SELECTED), f"{page} marked current")
    check_page(page)

# A batch: the status spoken, the file's progress with a value, the rows
# with their states, what would disturb it disabled; Escape stops it.
until(lambda: named("list", "Files to convert"), "the list back")
key("ctrl+Return")
until(lambda: any(s.startswith("Converting ") for s in spoken), lambda: f"spoken: {spoken}")
bar = until(lambda: named("progress bar", "File progress"), "a progress bar named File progress")
until(lambda: bar.queryValue().currentValue > 0, "the file's progress above 0")
until(lambda: "notes.avi, in Videos, failed: " in " ".join(rows()), lambda: f"failed, {rows()}")
for name in ("Add files…", "Remove", "Convert"):
    if has(named("push button", name), pyatspi.STATE_ENABLED):
        fail(f"{name} is reported enabled during a batch")
check_page("convert page during a batch")
key("Escape")
until(lambda: not has(named("push button", "Stop"), pyatspi.STATE_ENABLED)
      and "long.avi, in Videos, converted" not in rows(), lambda: f"stopped by Escape: {rows()}")
program.terminate()
program.wait(10)
shutil.rmtree(work, ignore_errors=True)
