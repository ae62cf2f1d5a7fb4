#!/usr/bin/python3
# Reads the running editor window as a screen reader does, over the AT-SPI bus: every control has
# a name, the toolbar's items are found by name and do what a click does, popovers are on the bus.
import subprocess, sys, time
import os
import pyatspi

sys.path.insert(0, os.path.dirname(__file__))

from accessibility_lib import find_app, walk, controls, by_name, press, showing

def check_preview(app):
    # The preview window: its three buttons by name; Edit opens the editor on the same picture.
    for name in ("Save…", "Copy to Clipboard", "Edit"):
        if not showing(by_name(app, name)):
            sys.exit("the preview's %r button is not showing" % name)
    press(by_name(app, "Edit"))
    end = time.time() + 5
    while time.time() < end:
        if [w for w in app if w is not None and w.name.startswith("Edit Screenshot")]:
            print("accessibility: the preview's buttons are on the bus and Edit opens the editor")
            return
        time.sleep(0.2)
    sys.exit("pressing Edit in the preview opened no editor window")

def windows_named(app, name):
    return [w for w in app if w is not None and w.name == name and showing(w)]

if sys.argv[1:] == ["preview-copy"]:
    # Copy says so on its button, then the preview goes; the picture is on the clipboard.
    app = find_app("pictavo")
    press(by_name(app, "Copy to Clipboard"))
    by_name(app, "Copied!", timeout=1.2)
    if not windows_named(app, "Screenshot"):
        sys.exit("the preview closed before saying it copied")
    end = time.time() + 4
    while time.time() < end and windows_named(app, "Screenshot"):
        time.sleep(0.2)
    if windows_named(app, "Screenshot"):
        sys.exit("the preview stayed open after Copy")
    targets = subprocess.run(["xclip", "-selection", "clipboard", "-t", "TARGETS", "-o"],
                             capture_output=True, text=True).stdout
    if "image/png" not in targets:
        sys.exit("the preview's Copy left no picture on the clipboard: %r" % targets)
    print("accessibility: the preview's Copy says Copied!, then closes, the picture on the clipboard")
    sys.exit(0)

if sys.argv[1:2] == ["save"]:
    # The first save asks where; Ctrl+S then writes the same two files without a dialog, and
    # Ctrl+Shift+S asks again.
    import os
    folder = sys.argv[2]
    picture, project = os.path.join(folder, "shot.png"), os.path.join(folder, "shot.pictproj")
    app = find_app("pictavo")

    def edit():
        press(by_name(app, "Rotate Image"))
        time.sleep(0.4)
        press(by_name(app, "90° Left"))
        time.sleep(0.4)
        subprocess.run(["xdotool", "key", "Escape"], check=True)
        time.sleep(0.3)

    def dialog_button(name):
        for n in walk(windows_named(app, "Save")[0]):
            if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == name:
                return n
        sys.exit("the save dialog has no %r button" % name)

    def wait_for(check, what, timeout=5):
        end = time.time() + timeout
        while time.time() < end:
            if check():
                return
            time.sleep(0.2)
        sys.exit(what)

    edit()
    press(by_name(app, "Save…"))
    wait_for(lambda: windows_named(app, "Save"), "the first save opened no dialog")
    press(dialog_button("Save"))
    wait_for(lambda: os.path.exists(picture) and os.path.exists(project), "the first save wrote no pair")
    before = (open(picture, "rb").read(), open(project, "rb").read())
    edit()
    press(by_name(app, "Save…"))
    wait_for(lambda: (open(picture, "rb").read(), open(project, "rb").read()) != before,
             "Save on a saved document did not rewrite its files")
    if windows_named(app, "Save"):
        sys.exit("Save on a saved document opened the dialog again")
    if sorted(os.listdir(folder)) != ["shot.pictproj", "shot.png"]:
        sys.exit("saving in place left other files: %s" % sorted(os.listdir(folder)))
    # Keys go to the focused window: without a window manager, focus the editor first.
    editor = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Edit Screenshot"],
                            capture_output=True, text=True).stdout.split()
    if not editor:
        sys.exit("the editor window is not on the display")
    subprocess.run(["xdotool", "windowfocus", "--sync", editor[0], "key", "ctrl+shift+s"], check=True)
    wait_for(lambda: windows_named(app, "Save"), "Ctrl+Shift+S opened no dialog")
    press(dialog_button("Cancel"))
    print("accessibility: the first save asks, Save then rewrites the same pair, Ctrl+Shift+S asks again")
    sys.exit(0)

if sys.argv[1:] == ["preview"]:
    check_preview(find_app("pictavo"))
    sys.exit(0)
if sys.argv[1:] == ["launcher"]:
    # Without a tray: the launcher's commands, each found by its name.
    app = find_app("pictavo")
    names = ("Capture Selection", "Capture Window", "Capture Full Screen", "Recent Captures",
             "Capture Last Region Again", "Open Image in Editor…", "Recent", "Open Save Folder",
             "Change Save Folder…", "Preferences", "Quit Pictavo")
    for name in names:
        node = by_name(app, name)
        if node.getRole() != pyatspi.ROLE_PUSH_BUTTON or not showing(node):
            sys.exit("the launcher's %r is no showing button" % name)
        if not node.description:
            sys.exit("the launcher's %r has no help text" % name)
    print("accessibility: the launcher's %d commands are on the bus by name, with their help" % len(names))
    sys.exit(0)
if sys.argv[1:2] == ["language"]:
    # The user's language, read from LANG: the launcher's and the editor toolbar's texts in it, and
    # not the other language's.
    texts = {"de": ("Bereich aufnehmen", "Pfeil"), "en": ("Capture Selection", "Arrow")}
    wanted = texts[sys.argv[2]]
    other = texts["en" if sys.argv[2] == "de" else "de"]
    app = find_app("pictavo")
    for name in wanted:
        if not showing(by_name(app, name, timeout=15)):
            sys.exit("%r is not showing" % name)
    shown = [n.name for n in walk(app) if n.name in other and showing(n)]
    if shown:
        sys.exit("%s texts shown in a %s session: %s" % ("/".join(other), sys.argv[2], shown))
    print("accessibility: the launcher and the toolbar speak %s" % sys.argv[2])
    sys.exit(0)
if sys.argv[1:] == ["quit"]:
    # Two editors with unsaved edits: quitting asks with the count, and Cancel keeps both.
    app = find_app("pictavo")
    end = time.time() + 10
    editors = []
    while time.time() < end and len(editors) < 2:
        editors = [w for w in app if w is not None and w.name.startswith("Edit Screenshot")]
        time.sleep(0.2)
    if len(editors) != 2:
        sys.exit("expected two editor windows, found %d" % len(editors))
    for editor in editors:
        press(by_name(editor, "Rotate Image"))
        time.sleep(0.4)
        press(by_name(app, "90° Left"))
        time.sleep(0.4)
    press(by_name(app, "Quit Pictavo"))
    text = "You have unsaved edits in 2 editor windows"
    end = time.time() + 5
    box = None
    while time.time() < end and box is None:
        for n in walk(app):
            if n.name == text or (n.getRole() == pyatspi.ROLE_LABEL and n.name == text):
                box = n
        time.sleep(0.2)
    if box is None:
        sys.exit("no quit question naming the two unsaved editors")
    press(by_name(app, "Cancel"))
    time.sleep(1)
    left = [w for w in app if w is not None and w.name.startswith("Edit Screenshot")]
    if len(left) != 2:
        sys.exit("Cancel did not keep both editors (%d left)" % len(left))
    print("accessibility: quitting with two unsaved editors asks with the count; Cancel keeps both")
    sys.exit(0)

app = find_app("pictavo")
buttons = controls(app)
unnamed = [n.getRoleName() for n in buttons if not n.name]
if unnamed:
    sys.exit("%d controls without a name: %s" % (len(unnamed), unnamed))
if len(buttons) < 15:
    sys.exit("only %d controls on the bus" % len(buttons))

rect = by_name(app, "Rectangle")
press(rect)
time.sleep(0.5)
if not rect.getState().contains(pyatspi.STATE_CHECKED):
    sys.exit("pressing Rectangle on the bus did not choose it")
if not by_name(app, "Fill").getState().contains(pyatspi.STATE_SHOWING):
    sys.exit("the rectangle's fill choice did not appear")

press(by_name(app, "Color"))
blue = by_name(app, "blue")
press(blue)
time.sleep(0.3)


# The stamp picker: its entries are on the bus by their titles, and choosing one picks the icon.
press(by_name(app, "Icon stamp"))
time.sleep(0.3)
press(by_name(app, "Icon"))
entry = by_name(app, "Door Contact")
entries = [n for n in walk(entry.parent) if n.getRole() == pyatspi.ROLE_LIST_ITEM and n.name]
if len(entries) < 62:
    sys.exit("the stamp picker shows %d named entries, not 62 and their headings" % len(entries))
press(entry)
time.sleep(0.5)
# The badge's own settings leave with the number circle. (The bus keeps reporting a closed
# popover's children as showing, so the closing itself is checked in the widget tests.)
if [n for n in walk(app) if n.name == "Next number" and showing(n)]:
    sys.exit("choosing Door Contact on the bus did not change the icon")

# Typing in the picker searches it and leaves the editor's tool alone (its letters are no tool keys
# there); Return places the stamp found: the number circle brings its badge settings back.
press(by_name(app, "Icon"))
time.sleep(0.6)
subprocess.run(["xdotool", "type", "--delay", "60", "card"], check=True)
time.sleep(0.5)
if not by_name(app, "Icon stamp").getState().contains(pyatspi.STATE_CHECKED):
    sys.exit("typing in the stamp picker changed the editor's tool")
if not showing(by_name(app, "Access Reader")):
    sys.exit("typing 'card' in the stamp picker does not show Access Reader")
subprocess.run(["xdotool", "key", "ctrl+a", "BackSpace"], check=True)
subprocess.run(["xdotool", "type", "--delay", "60", "number"], check=True)
time.sleep(0.3)
subprocess.run(["xdotool", "key", "Return"], check=True)
end = time.time() + 5
while time.time() < end and not [n for n in walk(app) if n.name == "Next number" and showing(n)]:
    time.sleep(0.2)
if not [n for n in walk(app) if n.name == "Next number" and showing(n)]:
    sys.exit("Return in the stamp picker did not place the number circle found by typing")

# The canvas and rotate popovers show their fields and buttons by name while open.
for popover, inside in (("Expand Canvas", ("Top", "Bottom", "Expand")), ("Rotate Image", ("90° Left", "Straighten"))):
    press(by_name(app, popover))
    for name in inside:
        node = by_name(app, name)
        if not showing(node):
            sys.exit("%r of the %s popover is not showing" % (name, popover))
    named = controls(app)
    if [n for n in named if not n.name]:
        sys.exit("a control of the %s popover has no name" % popover)
    time.sleep(0.2)

print("accessibility: %d named controls; tools, the colour popover, the stamp picker and the canvas "
      "popovers work on the bus" % len(buttons))
