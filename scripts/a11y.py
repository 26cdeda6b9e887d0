#!/usr/bin/python3
# The running kestrel-tool as a screen reader meets it, through the AT-SPI accessibility bus (Debian's python3
# with python3-pyatspi; the tool started with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on the same session bus).
#
#   a11y.py names                      every control of every window: role, name, the label it is labelled by;
#                                      a control a screen reader cannot name is flagged (exit status 1)
#   a11y.py wait TITLE                 waits until a window of that title is there
#   a11y.py press NAME [--in TITLE]    presses the button (or menu item) of that name
#   a11y.py tab NAME                   selects the page tab of that name
#   a11y.py point ROLE --in TITLE      the middle of the first control of that role in that window, on the
#                                      screen ("x y"), to click it
import argparse
import sys
import time

import pyatspi

APP = "Kestrel Tool"
# What a user operates or reads as a value: each must have a name, its own or its caption's.
CONTROLS = {
    "push button", "toggle button", "check box", "radio button", "text", "password text", "combo box",
    "spin button", "slider", "progress bar", "table", "tree table", "list", "page tab", "image", "menu item",
    "check menu item", "radio menu item",
}
# Boxes that Qt names after the group box around them when they have no caption of their own.
BOXES = {"text", "password text", "combo box", "spin button", "check box", "radio button"}


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == APP:
            return app
    return None


def windows():
    app = application()
    if app is None:
        return []
    return [app.getChildAtIndex(i) for i in range(app.childCount)]


def walk(node, path=()):
    yield node, path
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, path + (node,))


def labelled_by(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                target = relation.getTarget(i)
                if target is not None and target.getRoleName() == "label":
                    return target.name
    return None


def names(_args):
    flagged = 0
    counted = 0
    for window in windows():
        if not window.getState().contains(pyatspi.STATE_SHOWING):
            continue
        print(f"== {window.getRoleName()} '{window.name}'")
        for node, path in walk(window):
            role = node.getRoleName()
            if role not in CONTROLS and role != "label":
                continue
            # A list's drop-down is part of the list.
            if role == "list" and path and path[-1].getRoleName() == "combo box":
                continue
            name = node.name or ""
            caption = labelled_by(node)
            groups = [p.name for p in path if p.getRoleName() == "panel" and p.name]
            flag = ""
            if role == "label":
                flag = "empty label" if not name else ""
            else:
                counted += 1
                if not name and not caption:
                    flag = "NO NAME"
                elif role in BOXES and not caption and groups and name == groups[-1]:
                    flag = "GROUP'S NAME"
                if flag:
                    flagged += 1
            shown = "" if node.getState().contains(pyatspi.STATE_SHOWING) else " (not shown)"
            by = f"  labelled by '{caption}'" if caption else ""
            marker = f"[{flag}] " if flag else ""
            print(f"  {marker}{role:14} '{name}'{by}{shown}")
    print(f"{counted} controls, {flagged} without a name of their own")
    return 1 if flagged else 0


def find(name, roles, title=None):
    """The first control of that name (any, when None) and role, one that is shown rather than one that is not."""
    hidden = None
    for window in windows():
        if title and window.name != title:
            continue
        for node, _ in walk(window):
            if (name is None or node.name == name) and node.getRoleName() in roles:
                if node.getState().contains(pyatspi.STATE_SHOWING):
                    return node
                hidden = hidden or node
    return hidden


def wait(args):
    deadline = time.time() + args.seconds
    while time.time() < deadline:
        if any(w.name == args.title for w in windows()):
            return 0
        time.sleep(0.25)
    print(f"a11y: no window '{args.title}'", file=sys.stderr)
    return 1


def act(name, roles, title):
    for _ in range(40):
        try:
            node = find(name, roles, title)
            if node is not None:
                node.queryAction().doAction(0)
                return 0
        except Exception:  # a window changing under the walk: look again
            pass
        time.sleep(0.25)
    print(f"a11y: no {'/'.join(sorted(roles))} '{name}'", file=sys.stderr)
    return 1


def point(args):
    node = find(None, {args.role}, args.title)
    if node is None:
        print(f"a11y: no {args.role} in '{args.title}'", file=sys.stderr)
        return 1
    x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    print(x + w // 2, y + h // 2)
    return 0


def main():
    parser = argparse.ArgumentParser(description="kestrel-tool through the accessibility bus")
    commands = parser.add_subparsers(dest="command", required=True)
    commands.add_parser("names").set_defaults(run=names)
    p = commands.add_parser("wait")
    p.add_argument("title")
    p.add_argument("--seconds", type=float, default=15)
    p.set_defaults(run=wait)
    p = commands.add_parser("press")
    p.add_argument("name")
    p.add_argument("--in", dest="title")
    p.set_defaults(run=lambda a: act(a.name, {"push button", "menu item"}, a.title))
    p = commands.add_parser("tab")
    p.add_argument("name")
    p.set_defaults(run=lambda a: act(a.name, {"page tab"}, None))
    p = commands.add_parser("point")
    p.add_argument("role")
    p.add_argument("--in", dest="title", required=True)
    p.set_defaults(run=point)
    args = parser.parse_args()
    sys.exit(args.run(args))


if __name__ == "__main__":
    main()
