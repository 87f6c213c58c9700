"""Reads and drives a program through AT-SPI, as a screen reader does.

    atspi.py APP dump                      prints the program's accessibility tree
    atspi.py APP wait ROLE NAME SECONDS    waits until a showing object of that role and name exists
    atspi.py APP press ROLE NAME           runs the "Press" action of that object
    atspi.py APP set ROLE NAME VALUE       sets the value of that object (a slider)

ROLE is an AT-SPI role name ("push button", "label", "slider"). Exits 1 with a message when the
program, the object or the action cannot be found in time.
"""
import sys
import time

import pyatspi


def fail(message):
    print(f"atspi.py: {message}", file=sys.stderr)
    sys.exit(1)


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def walk(node, depth=0):
    yield node, depth
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def describe(node):
    text = f"{node.getRoleName()}: {node.name!r}"
    if node.description:
        text += f" ({node.description})"
    try:
        value = node.queryValue()
        text += f" value {value.currentValue:g} in [{value.minimumValue:g}, {value.maximumValue:g}]"
    except NotImplementedError:
        pass
    states = node.getState()
    if states.contains(pyatspi.STATE_FOCUSED):
        text += " focused"
    if not states.contains(pyatspi.STATE_SHOWING):
        text += " hidden"
    return text


def find(app, role, name):
    for node, _ in walk(app):
        if node.getRoleName() == role and node.name == name and node.getState().contains(pyatspi.STATE_SHOWING):
            return node
    return None


def wait_for(app_name, role, name, seconds):
    deadline = time.monotonic() + seconds
    while True:
        app = application(app_name)
        node = find(app, role, name) if app else None
        if node is not None:
            return node
        if time.monotonic() > deadline:
            where = "the program is not on the accessibility bus" if app is None else "not in its tree"
            fail(f"no showing {role} named {name!r} within {seconds} s: {where}")
        time.sleep(0.2)


def press(node):
    actions = node.queryAction()
    for i in range(actions.nActions):
        if actions.getName(i) == "Press":
            if not actions.doAction(i):
                fail(f"the Press action of {describe(node)} failed")
            return
    fail(f"{describe(node)} has no Press action")


def main(args):
    if len(args) < 2:
        fail(__doc__)
    app_name, command = args[0], args[1]
    if command == "dump":
        app = application(app_name) or fail(f"no application {app_name!r} on the accessibility bus")
        for node, depth in walk(app):
            print("  " * depth + describe(node))
    elif command == "wait" and len(args) == 5:
        print(describe(wait_for(app_name, args[2], args[3], float(args[4]))))
    elif command == "press" and len(args) == 4:
        press(wait_for(app_name, args[2], args[3], 5))
    elif command == "set" and len(args) == 5:
        wait_for(app_name, args[2], args[3], 5).queryValue().currentValue = float(args[4])
    else:
        fail(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
