#!/usr/bin/python3
# Keys and pointer events for a headless GNOME Shell, through mutter's
# org.gnome.Mutter.RemoteDesktop on the session bus (no portal, so no dialog asks first).
#   usage: gnome-input.py key KEYSYM_HEX...   e.g. key ff1b (Escape), ff61 (Print)
#          gnome-input.py move DX DY
#          gnome-input.py click DX DY         (relative move, then a left click)
import sys, time
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
def call(path, iface, method, args=None, rtype=None):
    return bus.call_sync("org.gnome.Mutter.RemoteDesktop", path, iface, method, args,
                         GLib.VariantType(rtype) if rtype else None, 0, 5000, None)
sp = call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop", "CreateSession",
          None, "(o)").unpack()[0]
S = "org.gnome.Mutter.RemoteDesktop.Session"
call(sp, S, "Start")
try:
    if sys.argv[1] == "key":
        for k in sys.argv[2:]:
            call(sp, S, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (int(k, 16), True)))
            time.sleep(0.05)
            call(sp, S, "NotifyKeyboardKeysym", GLib.Variant("(ub)", (int(k, 16), False)))
            time.sleep(0.1)
    elif sys.argv[1] in ("move", "click"):
        call(sp, S, "NotifyPointerMotionRelative", GLib.Variant("(dd)", (float(sys.argv[2]), float(sys.argv[3]))))
        if sys.argv[1] == "click":
            time.sleep(0.2)
            for state in (True, False):
                call(sp, S, "NotifyPointerButton", GLib.Variant("(ib)", (0x110, state)))  # BTN_LEFT
                time.sleep(0.05)
    else:
        sys.exit("gnome-input: unknown action %s" % sys.argv[1])
    time.sleep(0.2)
finally:
    call(sp, S, "Stop")
print("gnome-input: %s ok" % " ".join(sys.argv[1:]))
