# What the accessibility-bus tests share: finding the program, its windows and controls by name.
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
    # Showing controls first: a hidden one of the same name (a closed popover) may linger.
    end = time.time() + timeout
    while time.time() < end:
        try:
            found = [n for n in walk(app) if n.name == name]
            for n in found:
                if n.getState().contains(pyatspi.STATE_SHOWING):
                    return n
            if found and time.time() + 1 > end:
                return found[0]
        except Exception:
            pass  # the tree changed under the walk: read it again
        time.sleep(0.2)
    sys.exit("no control named %r" % name)

def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "Toggle", "click", "press", "toggle"):
            action.doAction(i)
            return
    action.doAction(0)

def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)

