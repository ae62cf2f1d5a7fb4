#!/usr/bin/python3
# Reads the running editor window as a screen reader does, over the AT-SPI bus: every control has
# a name, the toolbar's items are found by name and do what a click does, popovers are on the bus.
import sys, time
import pyatspi

def find_app(name, timeout=15):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name and app.name.lower() == name:
                return app
        time.sleep(0.3)
    sys.exit("no application %r on the accessibility bus" % name)

def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for child in node:
        yield from walk(child, depth + 1)

def controls(app):
    roles = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX}
    return [n for n in walk(app) if n.getRole() in roles and n.getState().contains(pyatspi.STATE_SHOWING)]

def by_name(app, name, timeout=5):
    end = time.time() + timeout
    while time.time() < end:
        for n in walk(app):
            if n.name == name:
                return n
        time.sleep(0.2)
    sys.exit("no control named %r" % name)

def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "Toggle", "click", "press", "toggle"):
            action.doAction(i)
            return
    action.doAction(0)

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
print("accessibility: %d named controls; tools, the colour popover and its swatches work on the bus" % len(buttons))
