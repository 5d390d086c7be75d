#!/usr/bin/python3
# The built program (folder: argv[1]) as a screen reader finds it: its tree read
# over AT-SPI, QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1, and walked with the keyboard.
import atexit, os, pathlib, shutil, subprocess, sys, tempfile, time

program, work = None, pathlib.Path(tempfile.mkdtemp())
atexit.register(lambda: program and program.kill() or shutil.rmtree(work, ignore_errors=True))

def fail(message):
    sys.exit("FAIL: " + message)

try:
    import pyatspi
    from gi.repository import GLib
    assert shutil.which("ffmpeg") and shutil.which("xdotool")
except (ImportError, AssertionError):  # as TARNWICK_SKIP does
    os.environ.get("TARNWICK_REQUIRE_ALL") == "1" and fail("needs python3-pyatspi, ffmpeg, xdotool")
    sys.exit(77)

def until(check, what):
    end = time.monotonic() + 20
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False): pass  # events heard
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

states = lambda role, state: {o.name: o.getState().contains(state) for o in objects(role)}
key = lambda *keys: subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)

def focused():
    # Qt calls a list's current row focused whether the list has the focus or
    # not, and the movie's own pane (a filler) is no control.
    inner = sorted((o for o in objects() if o.getState().contains(pyatspi.STATE_FOCUSED)
                    and o.getRoleName() != "filler"), key=lambda o: o.getRoleName() == "list item")
    return inner and (inner[0].parent if inner[0].getRoleName() == "list item" else inner[0]).name

def check_page(page, disabled):
    controls = ("button", "box", "list", "item", "tab", "text")
    unnamed = [o.getRoleName() for o in objects() if o.getRoleName().endswith(controls) and not o.name]
    combos = [o.name for o in objects("combo box") if ": " not in o.name]
    enabled = [name for name in disabled if states("push button", pyatspi.STATE_ENABLED).get(name, 1)]
    if unnamed or combos or enabled or objects("frame"):
        fail(f"{page}: unnamed {unnamed}, unlabelled {combos}, enabled {enabled}, frames")

(videos := work / "Videos").mkdir()
(work / "tarnwick").mkdir()
(work / "tarnwick" / "tarnwick.conf").write_text("[General]\nOnFailure=note\nJobs=2\n")
(videos / "notes.avi").write_text("not a video\n")
# Seconds to make, half a minute to convert: the batch is on when Escape comes.
subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=480x360:rate=25",
                "-t", "2", "-c:v", "mpeg4", "-q:v", "31", work / "short.avi"], check=True)
subprocess.run(["ffmpeg", "-v", "error", "-stream_loop", "199", "-i", work / "short.avi",
                "-c", "copy", videos / "long.avi"], check=True)
work.chmod(0o700)
program = subprocess.Popen(
    [pathlib.Path(sys.argv[1]) / "tarnwick", videos / "notes.avi", videos / "long.avi"],
    env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
             TMPDIR=str(work), XDG_RUNTIME_DIR=str(work), XDG_CONFIG_HOME=str(work)))
app = until(lambda: next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "tarnwick"),
                         None), "the program on the accessibility bus")
subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Tarnwick$", "windowfocus",
                "--sync"], check=True, timeout=20)
spoken = []  # what a screen reader speaks unasked: a notification as it shows
pyatspi.Registry.registerEventListener(
    lambda e: e.detail1 and e.source.getRoleName() == "notification" and spoken.append(e.source.name),
    "object:state-changed:showing")

rows = lambda: sorted(o.name for o in objects("list item"))
until(lambda: rows() == ["long.avi, in Videos", "notes.avi, in Videos"], lambda: f"rows {rows()}")
check_page("convert page", ["Stop", "After this file", "Browse…"])

# Tab from the start reaches the list after Options and goes on to Add
# files; Shift+Tab comes back through the list to Options.
walk = []
while "Files to convert" not in walk and len(walk) < 12:
    key("Tab")
    walk.append(until(focused, "a focused control"))
walk[-2:] == ["Options", "Files to convert"] or fail(f"Tab never reaches the list after Options: {walk}")
for keys, name in (("Tab", "Add files…"), ("shift+Tab", "Files to convert"), ("shift+Tab", "Options")):
    key(keys)
    until(lambda: focused() == name, f"{keys} on to {name}")

for page in ("Video settings", "Audio settings", "Convert"):
    actions = next(o for o in objects("page tab") if o.name == page).queryAction()
    actions.doAction([actions.getName(i) for i in range(actions.nActions)].index("Press"))
    until(lambda: states("page tab", pyatspi.STATE_SELECTED).get(page), f"{page} marked current")
    check_page(page, [])

# A batch: its status spoken, the file's progress with a value, the rows with
# their states, what would disturb it disabled; Escape stops it.
until(lambda: objects("list"), "the list back")
key("ctrl+Return")
until(lambda: any(s.startswith("Converting ") for s in spoken), lambda: f"spoken: {spoken}")
bar = until(lambda: [o for o in objects("progress bar") if o.name == "File progress"], "a file bar")
until(lambda: bar[0].queryValue().currentValue > 0, "the file's progress above 0")
until(lambda: "notes.avi, in Videos, failed: " in " ".join(rows()), lambda: f"failed, {rows()}")
check_page("convert page during a batch", ["Add files…", "Remove", "Convert"])
key("Escape")
until(lambda: not states("push button", pyatspi.STATE_ENABLED)["Stop"]
      and "long.avi, in Videos, converted" not in rows(), lambda: f"stopped by Escape: {rows()}")
