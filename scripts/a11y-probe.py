#!/usr/bin/python3
"""Meets a running kestrel-tool over the accessibility bus, as a screen reader does.

  a11y-probe.py PID wait TITLE [SECONDS]       waits until the program PID shows a window named TITLE
  a11y-probe.py PID press NAME                 presses the button named NAME (its first action)
  a11y-probe.py PID press-probe NAME SECONDS [MS [SLOW]]
                                               presses NAME without waiting for the press's reply (the
                                               program may stall in what the press starts), then probes as
                                               "probe" does; the line also says when the worst round trip
                                               began, in seconds after the press: "…, worst at T s"
  a11y-probe.py PID texts                      prints each box and dialog the program shows (not its
                                               windows) as "TITLE: TEXT | TEXT …", the names it holds
  a11y-probe.py PID probe SECONDS [MS [SLOW]]  asks the main window for its name every MS ms (default 5) for
                                               SECONDS, listening to the program's accessibility events and
                                               reading the traffic log's newest row twice a second, as a
                                               screen reader user following the log does; prints
      "worst W p99 P median M ms (bus alone: worst … ms), N asks, C log cells read, E events (by kind)"
                                               and, with SLOW, each round trip longer than SLOW ms at once.

A round trip waits for the program's event loop: the bridge answers on the window's thread, so the longest
round trips are the longest stalls a person with a screen reader meets. The bus daemon is asked just before
each time: when it is slow too, the machine or the bus was busy, not the program. Needs Debian's
/usr/bin/python3 (python3-dbus, python3-gi) and a session bus with the accessibility bus (dbus-run-session).
"""

import sys
import time

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

ACCESSIBLE = "org.a11y.atspi.Accessible"
TABLE = "org.a11y.atspi.Table"
PROPERTIES = "org.freedesktop.DBus.Properties"
ROOT = "/org/a11y/atspi/accessible/root"
ROLE_TABLE = 55
ROLE_ALERT = 2
ROLE_DIALOG = 16
# A round trip may wait for a long stall; the bus's own 25 s would cut it short.
CALL_TIMEOUT_S = 600


def accessibility_bus():
    session = dbus.SessionBus()
    address = session.get_object("org.a11y.Bus", "/org/a11y/bus").GetAddress(dbus_interface="org.a11y.Bus")
    return dbus.bus.BusConnection(str(address))


def application(bus, pid):
    """The program's (bus name, root path) on the accessibility bus."""
    registry = bus.get_object("org.a11y.atspi.Registry", ROOT)
    daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
    for name, path in registry.GetChildren(dbus_interface=ACCESSIBLE):
        try:
            if int(daemon.GetConnectionUnixProcessID(name, dbus_interface="org.freedesktop.DBus")) == pid:
                return str(name), str(path)
        except dbus.DBusException:
            continue
    return None


def name_of(bus, name, path):
    target = bus.get_object(name, path, introspect=False)
    return str(target.Get(ACCESSIBLE, "Name", dbus_interface=PROPERTIES))


def children(bus, name, path):
    return [(str(n), str(p)) for n, p in bus.get_object(name, path, introspect=False).GetChildren(
        dbus_interface=ACCESSIBLE)]


def windows(bus, pid):
    app = application(bus, pid)
    if not app:
        return {}
    return {name_of(bus, *child): child for child in children(bus, *app)}


def role_of(bus, name, path):
    return int(bus.get_object(name, path, introspect=False).GetRole(dbus_interface=ACCESSIBLE))


def find(bus, start, wanted=None, role=None, depth=12):
    """The first object under `start` named `wanted` (or of the role `role`), breadth first."""
    level = [start]
    for _ in range(depth):
        following = []
        for node in level:
            for child in children(bus, *node):
                if (wanted is not None and name_of(bus, *child) == wanted) or (
                        role is not None and role_of(bus, *child) == role):
                    return child
                following.append(child)
        level = following
    return None


def wait_for_window(bus, pid, title, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if title in windows(bus, pid):
                return True
        except dbus.DBusException:
            pass
        time.sleep(0.2)
    return False


def press(bus, pid, button):
    for window in windows(bus, pid).values():
        found = find(bus, window, button)
        if found:
            bus.get_object(*found, introspect=False).DoAction(0, dbus_interface="org.a11y.atspi.Action")
            return True
    return False


def press_later(bus, pid, button):
    """Presses `button` and returns at once: the press's reply comes when the program's loop is free."""
    for window in windows(bus, pid).values():
        found = find(bus, window, button)
        if found:
            bus.get_object(*found, introspect=False).DoAction(
                0, dbus_interface="org.a11y.atspi.Action", reply_handler=lambda *_: None,
                error_handler=lambda *_: None)
            return True
    return False


def texts(bus, pid):
    """Each box and dialog shown, with the names of what it holds (a message box: its text and button). A
    box may bear the main window's title, so boxes are told by their role."""
    lines = []
    app = application(bus, pid)
    for window in children(bus, *app) if app else []:
        if role_of(bus, *window) not in (ROLE_ALERT, ROLE_DIALOG):
            continue
        names, level = [], [window]
        for _ in range(6):
            following = []
            for node in level:
                for child in children(bus, *node):
                    name = name_of(bus, *child).strip()
                    if name and name not in names:
                        names.append(name)
                    following.append(child)
            level = following
        if names:
            lines.append("%s: %s" % (name_of(bus, *window),
                                     " | ".join(n.replace("\n", " / ") for n in names)))
    return lines


def probe(bus, pid, seconds, interval_ms, slow_ms=0, press=None):
    # Listening is what makes the bridge send its events: it sends only those someone registered for.
    registry = bus.get_object("org.a11y.atspi.Registry", "/org/a11y/atspi/registry")
    for kind in ("object:", "window:", "focus:"):
        registry.RegisterEvent(kind, dbus.Array([], signature="s"), "",
                               dbus_interface="org.a11y.atspi.Registry")
    events = {}

    def heard(*args, member=None, path=None):
        events[member] = events.get(member, 0) + 1

    for kind in ("Object", "Window", "Focus"):
        bus.add_signal_receiver(heard, dbus_interface="org.a11y.atspi.Event." + kind, member_keyword="member",
                                path_keyword="path")
    window = next((w for title, w in windows(bus, pid).items() if title == "Kestrel Tool"), None)
    if not window:
        sys.exit("a11y-probe: no window named Kestrel Tool")
    target = bus.get_object(*window, introspect=False)
    # The bus daemon alone, asked just before the tool each time: when both are slow together the machine
    # or the bus was busy, not the tool.
    daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus", introspect=False)
    trips, alone, began = [], [], []
    loop = GLib.MainLoop()
    pressed_at = time.monotonic()
    if press is not None and not press_later(bus, pid, press):
        sys.exit("a11y-probe: no button " + press)
    end = time.monotonic() + seconds

    def timed(call):
        start = time.perf_counter()
        call()
        return (time.perf_counter() - start) * 1000

    def ask():
        alone.append(timed(lambda: daemon.GetId(dbus_interface="org.freedesktop.DBus")))
        began.append(time.monotonic() - pressed_at)
        trips.append(timed(lambda: target.Get(ACCESSIBLE, "Name", dbus_interface=PROPERTIES,
                                              timeout=CALL_TIMEOUT_S)))
        if slow_ms and trips[-1] > slow_ms:
            print("slow %.1f ms (bus alone %.1f ms)" % (trips[-1], alone[-1]), flush=True)
        if time.monotonic() >= end:
            loop.quit()
            return False
        return True

    # As a screen reader user following the traffic log: its newest row is read twice a second.
    log = windows(bus, pid).get("Журнал обмена")
    table = find(bus, log, role=ROLE_TABLE) if log else None
    cells_read = [0]

    def read_newest_row():
        if time.monotonic() >= end:
            return False
        grid = bus.get_object(*table, introspect=False)
        rows = int(grid.Get(TABLE, "NRows", dbus_interface=PROPERTIES))
        columns = int(grid.Get(TABLE, "NColumns", dbus_interface=PROPERTIES))
        for column in range(columns if rows else 0):
            cell = grid.GetAccessibleAt(rows - 1, column, dbus_interface=TABLE)
            name_of(bus, *cell)
            cells_read[0] += 1
        return True

    GLib.timeout_add(interval_ms, ask)
    if table:
        GLib.timeout_add(500, read_newest_row)
    loop.run()

    def figures(values):
        values = sorted(values)
        pick = lambda share: values[min(len(values) - 1, int(len(values) * share))]
        return "worst %.1f p99 %.1f median %.1f" % (values[-1], pick(0.99), pick(0.5))

    line = "%s ms (bus alone: %s ms), %d asks, %d log cells read, %d events (%s)" % (
        figures(trips), figures(alone), len(trips), cells_read[0], sum(events.values()),
        " ".join("%s %d" % kind for kind in sorted(events.items())))
    if press is not None:
        line += ", worst at %.1f s" % began[trips.index(max(trips))]
    print(line)


def main():
    if len(sys.argv) < 4 and sys.argv[2:3] != ["texts"]:
        sys.exit(__doc__)
    pid, command, argument = int(sys.argv[1]), sys.argv[2], (sys.argv[3:4] or [""])[0]
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = accessibility_bus()
    if command == "texts":
        for line in texts(bus, pid):
            print(line)
        return
    if command == "wait":
        seconds = float(sys.argv[4]) if len(sys.argv) > 4 else 20
        sys.exit(0 if wait_for_window(bus, pid, argument, seconds) else "a11y-probe: no window " + argument)
    if command == "press":
        sys.exit(0 if press(bus, pid, argument) else "a11y-probe: no button " + argument)
    if command == "probe":
        probe(bus, pid, float(argument), int(sys.argv[4]) if len(sys.argv) > 4 else 5,
              float(sys.argv[5]) if len(sys.argv) > 5 else 0)
        return
    if command == "press-probe" and len(sys.argv) > 4:
        probe(bus, pid, float(sys.argv[4]), int(sys.argv[5]) if len(sys.argv) > 5 else 5,
              float(sys.argv[6]) if len(sys.argv) > 6 else 0, press=argument)
        return
    sys.exit(__doc__)


if __name__ == "__main__":
    main()
