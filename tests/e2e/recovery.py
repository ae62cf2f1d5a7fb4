#!/usr/bin/python3
# The recovery journal seen from outside: edits made over the accessibility bus, the journal's files
# read as stored, the start's question answered by name.
import glob, json, os, struct, subprocess, sys, time
import pyatspi

sys.path.insert(0, os.path.dirname(__file__))
from accessibility_lib import find_app, walk, by_name, press, showing

def editors(app):
    return [w for w in app if w is not None and w.name.startswith("Edit Screenshot") and showing(w)]

def showing_named(app, name):
    try:
        return next((n for n in walk(app) if n.name == name and showing(n)), None)
    except Exception:
        return None  # the tree changed under the walk: asked again

def wait_for(check, what, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        value = check()
        if value:
            return value
        time.sleep(0.2)
    sys.exit(what)

mode = sys.argv[1]
if mode == "edit":
    app = find_app("pictavo")
    wait_for(lambda: len(editors(app)) == 2, "expected two editor windows")
    # The text goes into hall.png's editor, raised so that the click lands on its canvas; on the bus
    # it is the editor where the window system has it.
    window = subprocess.run(["xdotool", "search", "--sync", "--name", "hall.png"], check=True,
                            capture_output=True, text=True).stdout.split()[0]
    subprocess.run(["xdotool", "windowraise", window], check=True)
    geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], check=True,
                              capture_output=True, text=True).stdout
    where = dict(line.split("=") for line in geometry.split())
    def distance(w):
        box = w.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return abs(box.x - int(where["X"])) + abs(box.y - int(where["Y"]))
    second = min(editors(app), key=distance)
    first = [w for w in editors(app) if w != second][0]
    time.sleep(0.3)
    press(by_name(first, "Rotate Image"))
    # The popover's button once it shows: a loaded machine may take seconds to open it, and a
    # hidden one of the other editor must not be pressed instead.
    press(wait_for(lambda: showing_named(app, "90° Left"), "the Rotate Image popover did not open", 20))
    time.sleep(0.4)
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    # The turn brought the first editor to the front: the second is raised again for its click.
    time.sleep(0.3)
    subprocess.run(["xdotool", "windowraise", window], check=True)
    subprocess.run(["xdotool", "windowactivate", "--sync", window], check=False)
    time.sleep(0.5)
    # Text typed into the second and left in its field: not committed, still to be kept.
    press(by_name(second, "Text"))
    time.sleep(0.3)
    canvas = by_name(second, "Canvas")
    box = canvas.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x, y = box.x + box.width // 3, box.y + box.height // 3
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)
    # The field lives inside the canvas, which shows no children on the bus: given time instead.
    time.sleep(1.5)
    subprocess.run(["xdotool", "type", "--delay", "50", "Door 3"], check=True)
    print("recovery: two editors edited, one still typing")
elif mode in ("journal", "wait-journal"):
    folder, count, text = sys.argv[2], int(sys.argv[3]), sys.argv[4]
    writer = int(sys.argv[5]) if len(sys.argv) > 5 else None

    def problem():
        indexes = sorted(glob.glob(os.path.join(folder, "*.json")))
        if len(indexes) != count:
            titles = []
            for index in indexes:
                try:
                    with open(index) as f:
                        titles.append(json.load(f).get("title"))
                except (OSError, ValueError):
                    titles.append(None)
            return "the journal holds %d entries, not %d: %r" % (len(indexes), count, titles)
        if oct(os.stat(folder).st_mode & 0o777) != oct(0o700):
            return "the journal folder is not private"
        manifests, titles = [], []
        for index in indexes:
            try:
                with open(index) as f:
                    entry = json.load(f)
                with open(index[:-5] + ".pictproj", "rb") as f:
                    data = f.read()
            except (OSError, ValueError) as error:
                return "an entry does not read: %s" % error
            titles.append(entry["title"])
            # Only unsaved editors are written: entries rewritten by a process are its unsaved ones.
            if writer is not None and entry["pid"] != writer:
                return "an entry was last written by process %d, not %d" % (entry["pid"], writer)
            if data[:4] != b"PTVJ":
                return "an entry's project is no project"
            length = struct.unpack("<Q", data[8:16])[0]
            manifests.append(json.loads(data[16:16 + length]))
        if count == 2 and sorted(titles) != ["Edit Screenshot \u2014 gate.png", "Edit Screenshot \u2014 hall.png"]:
            return "the entries' titles are %r" % titles
        texts = [a.get("text") for m in manifests for a in m["annotations"]]
        if text and text not in texts:
            return "the typed text %r is not in the journal (%r)" % (text, texts)
        return None

    # Written within two seconds of the last edit; a loaded test machine is given more.
    end = time.time() + (30 if mode == "wait-journal" else 0)
    while problem() and time.time() < end:
        time.sleep(0.2)
    if problem():
        sys.exit(problem())
elif mode in ("restore", "discard"):
    count = int(sys.argv[2])
    app = find_app("pictavo")
    question = "Pictavo closed with unsaved edits in %d screenshots" % count
    wait_for(lambda: [n for n in walk(app) if n.name == question], "no question %r at the start" % question)
    press(by_name(app, "Restore" if mode == "restore" else "Discard"))
    if mode == "restore":
        restored = wait_for(lambda: len(editors(app)) == count and editors(app),
                            "Restore did not open %d editors" % count)
        print("recovery: the start offered %d screenshots and Restore opened them unsaved" % count)
    else:
        time.sleep(1)
        if editors(app):
            sys.exit("Discard opened editors")
