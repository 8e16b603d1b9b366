#!/usr/bin/env python3
"""The window as a screen reader meets it: starts the real quorvane on a temporary folder under Xvfb with its own
session and accessibility buses, walks the accessible tree over AT-SPI and checks what a screen reader user needs.

Usage: atspi_walk.py QUORVANE_EXECUTABLE. Exits 0 when every check holds, 1 when one fails, and 77 (skipped)
when no X server, session bus or accessibility bus can be had here."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import warnings

SKIPPED = 77
INNER = "QUORVANE_ATSPI_INNER"


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(SKIPPED)


def outer():
    # A private X server and session bus, so that nothing of the desktop around (if any) is touched. Xvfb picks
    # a free display itself (-displayfd), so that runs side by side never race for one.
    for tool in ("Xvfb", "dbus-run-session", "xdotool"):
        if shutil.which(tool) is None:
            skip(tool + " is not installed")
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten",
                               "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as reader:
        display = reader.readline().strip()
    try:
        if not display:
            skip("Xvfb did not start")
        env = dict(os.environ, DISPLAY=":" + display, **{INNER: "1"})
        for variable in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY"):
            env.pop(variable, None)
        command = ["dbus-run-session", "--", sys.executable, os.path.abspath(sys.argv[0])] + sys.argv[1:]
        sys.exit(subprocess.run(command, env=env).returncode)
    finally:
        server.terminate()
        server.wait()


class Failures:
    def __init__(self):
        self.lines = []

    def check(self, condition, message):
        if not condition:
            self.lines.append(message)
        return condition


def wait_for(what, condition, timeout=8.0):
    """Polls `condition` (with the event queue pumped in between) until it gives something true."""
    deadline = time.monotonic() + timeout
    while True:
        pump()
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise TimeoutError("timed out waiting for " + what)
        time.sleep(0.05)


def pump():
    from gi.repository import GLib
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def role(node):
    return node.get_role_name()


def name(node):
    return node.get_name() or ""


def states(node):
    from gi.repository import Atspi
    state_set = node.get_state_set()
    return {state for state in (Atspi.StateType.SHOWING, Atspi.StateType.FOCUSABLE, Atspi.StateType.CHECKED,
                                Atspi.StateType.ENABLED) if state_set.contains(state)}


def walk(node, depth=0):
    """Every node under `node` that is showing, with its parent."""
    from gi.repository import Atspi
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is None or Atspi.StateType.SHOWING not in states(child):
            continue
        yield child, node
        if depth < 40:
            yield from walk(child, depth + 1)


def find(window, wanted_role, wanted_name=None):
    return [node for node, _ in walk(window)
            if role(node) == wanted_role and (wanted_name is None or name(node) == wanted_name)]


def frame_of(desktop, pid):
    """The main window of the application with process `pid` on the accessibility bus, if it is there yet."""
    for index in range(desktop.get_child_count()):
        application = desktop.get_child_at_index(index)
        if application is not None and application.get_process_id() == pid:
            for w in range(application.get_child_count()):
                frame = application.get_child_at_index(w)
                if frame is not None and role(frame) == "frame":
                    return frame
    return None


def press(node, *actions):
    """Does the first of `actions` (default: press) that `node` offers."""
    # (get_action_name is the only way to the name in these bindings, although marked deprecated.)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        names = [node.get_action_name(index).lower() for index in range(node.get_n_actions())]
    for action in actions or ("press",):
        if action in names:
            node.do_action(names.index(action))
            return
    raise AssertionError("%s \"%s\" offers none of %s (only %s)" % (role(node), name(node), actions, names))


def choose_strategy(window, title, events):
    """Chooses a strategy the way a screen reader user does: opens the strategy button's menu, moves down it
    with the arrow key, hearing each item as it gets the focus, and presses Return on the wanted one."""
    button = wait_for("the strategy button", lambda: [b for b in find(window, "push button")
                                                        if name(b).startswith("Strategy: ")])[0]
    if name(button) == "Strategy: " + title:
        return
    # The menu runs its own event loop until it closes, and the reply to ShowMenu waits for that; meanwhile the
    # window answers from the menu's loop.
    from gi.repository import Atspi, GLib
    Atspi.set_timeout(300, -1)
    events.clear()
    try:
        press(button, "showmenu", "press")
    except GLib.Error:
        pass
    finally:
        Atspi.set_timeout(-1, -1)
    wait_for("the strategy menu to show", lambda: ("popup menu", "showing") in events)
    heard = []
    for _ in range(20):
        events.clear()
        subprocess.run(["xdotool", "key", "Down"], check=True)
        item = wait_for("a menu item to get the focus", lambda: [n for r, n in events if r == "menu item"])
        heard.append(item[-1])
        if item[-1] == title:
            subprocess.run(["xdotool", "key", "Return"], check=True)
            wait_for("the strategy " + title, lambda: name(button) == "Strategy: " + title)
            return
    raise AssertionError("the strategy menu never reached %s (heard %s)" % (title, heard))


def check_names(window, failures, context):
    from gi.repository import Atspi
    for node, parent in walk(window):
        if Atspi.StateType.FOCUSABLE in states(node):
            failures.check(name(node).strip(), "%s: a focusable %s in the %s \"%s\" has no name"
                           % (context, role(node), role(parent), name(parent)))


def check_segments(window, failures, group_name, expected):
    """The segments are radio buttons, one of them checked, in a group with the name."""
    from gi.repository import Atspi
    groups = wait_for("the group " + group_name, lambda: [node for node, _ in walk(window)
                                                          if name(node) == group_name and node.get_child_count()])
    failures.check(len(groups) == 1 and role(groups[0]) in ("panel", "grouping"),
                   "not one group named \"%s\" but %s" % (group_name, [role(group) for group in groups]))
    segments = [groups[0].get_child_at_index(i) for i in range(groups[0].get_child_count())]
    failures.check([role(s) for s in segments] == ["radio button"] * len(expected),
                   "the segments of \"%s\" are %s, not radio buttons" % (group_name, [role(s) for s in segments]))
    failures.check([name(s) for s in segments] == expected,
                   "the segments of \"%s\" are named %s" % (group_name, [name(s) for s in segments]))
    failures.check(sum(Atspi.StateType.CHECKED in states(s) for s in segments) == 1,
                   "not exactly one segment of \"%s\" is checked" % group_name)


def labels_of(node):
    """The names of the showing labels `node` is labelled by."""
    from gi.repository import Atspi
    return [name(relation.get_target(i)) for relation in node.get_relation_set()
            if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY
            for i in range(relation.get_n_targets())
            if Atspi.StateType.SHOWING in states(relation.get_target(i))]


def check_labelled(failures, nodes, what):
    failures.check(nodes, "no %s is shown" % what)
    for node in nodes:
        failures.check(name(node) and labels_of(node) == [name(node)],
                       "the %s \"%s\" is not named by a visible label (labelled by %s)"
                       % (what, name(node), labels_of(node)))


def selected_choice(combo):
    """The selected item of the combo box's list of choices, or None."""
    from gi.repository import Atspi
    choices = combo.get_child_at_index(0) if combo.get_child_count() == 1 else None
    for index in range(choices.get_child_count() if choices is not None else 0):
        item = choices.get_child_at_index(index)
        if item.get_state_set().contains(Atspi.StateType.SELECTED):
            return name(item)
    return None


def inner(executable):
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi
    except (ImportError, ValueError) as error:
        skip("the AT-SPI bindings cannot be loaded: %s" % error)
    from gi.repository import Gio, GLib
    try:
        Gio.bus_get_sync(Gio.BusType.SESSION, None).call_sync(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None, GLib.VariantType("(s)"),
            Gio.DBusCallFlags.NONE, 10000, None)
    except GLib.Error as error:
        skip("the accessibility bus cannot be reached: %s" % error.message)
    if Atspi.init() not in (0, 1):
        skip("AT-SPI cannot be initialised")
    desktop = Atspi.get_desktop(0)

    failures = Failures()
    with tempfile.TemporaryDirectory(prefix="quorvane-atspi-") as temp:
        folder = os.path.join(temp, "photos")
        config = os.path.join(temp, "config")
        os.makedirs(folder)
        os.makedirs(os.path.join(config, "Quorvane"))
        for file_name in ("IMG_0001.jpg", "IMG_0002.jpg", "notes.txt"):
            with open(os.path.join(folder, file_name), "w", encoding="utf-8") as file:
                file.write(file_name)
        # The window reopens the folder it had last.
        with open(os.path.join(config, "Quorvane", "Quorvane.conf"), "w", encoding="utf-8") as settings:
            settings.write("[General]\nlastAccessedFolderBookmark=@ByteArray(%s)\n" % folder)
        env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_STATE_HOME=os.path.join(temp, "state"),
                   XDG_DATA_HOME=os.path.join(temp, "data"), QT_ACCESSIBILITY="1",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QUORVANE_UPDATE_BASE_URL="http://127.0.0.1:9", LANG="C.UTF-8",
                   LANGUAGE="", LC_ALL="")
        env.pop("QT_QPA_PLATFORM", None)
        process = subprocess.Popen([executable], env=env)
        name_changes = []
        listener = Atspi.EventListener.new(lambda event: name_changes.append((role(event.source), name(event.source))))
        listener.register("object:property-change:accessible-name")
        # What got the focus, by name, and what was shown, as "showing".
        events = []
        state_listener = Atspi.EventListener.new(lambda event: event.detail1 and events.append(
            (role(event.source), "showing" if event.type.endswith("showing") else name(event.source))))
        state_listener.register("object:state-changed:focused")
        state_listener.register("object:state-changed:showing")
        try:
            frame = wait_for("the window on the accessibility bus", lambda: frame_of(desktop, process.pid),
                             timeout=10)
            status = wait_for("the status line", lambda: find(frame, "status bar"))
            failures.check(len(status) == 1, "%d status bars, not one" % len(status))
            status = status[0]
            wait_for("the listing", lambda: name(status) == "Loaded 3 items")
            check_names(frame, failures, "at start")

            # An action the user takes changes the status line, and the change is announced.
            with open(os.path.join(folder, "IMG_0003.jpg"), "w", encoding="utf-8") as file:
                file.write("3")
            name_changes.clear()
            press(wait_for("the Refresh button", lambda: find(frame, "push button", "Refresh")
                           or find(frame, "push button", "Refresh File List"))[0])
            wait_for("the new count on the status line", lambda: name(status) == "Loaded 4 items")
            wait_for("the announcement of the new count",
                     lambda: ("status bar", "Loaded 4 items") in name_changes, timeout=3)

            choose_strategy(frame, "Prefix Sequence Number", events)
            check_segments(frame, failures, "Padding", ["1", "01", "001"])
            check_labelled(failures, find(frame, "text", "Separator"), "separator field")
            check_names(frame, failures, "with Prefix Sequence")

            choose_strategy(frame, "Format with Date", events)
            check_segments(frame, failures, "Date position", ["Before name", "After name"])
            combos = find(frame, "combo box")
            failures.check(len(combos) == 2, "%d combo boxes with the date strategy, not its source and format"
                           % len(combos))
            check_labelled(failures, combos, "combo box")
            # The current choice is read where a screen reader reads it: the selected item of the list of
            # choices; a choice made from the keyboard moves it.
            for combo, choice in zip(combos, ("Date Taken (EXIF)", "2026-09-30")):
                failures.check(selected_choice(combo) == choice, "the combo box \"%s\" tells its choice as %s, not %s"
                               % (name(combo), selected_choice(combo), choice))
            if combos:
                # Without a window manager, the window has the keyboard once it is given the input focus.
                windows = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(process.pid)],
                                         capture_output=True, text=True, check=True).stdout.split()
                subprocess.run(["xdotool", "windowfocus", "--sync", windows[-1]], check=True)
                combos[0].grab_focus()
                wait_for("the focus on the date source", lambda: ("combo box", "Date source") in events)
                subprocess.run(["xdotool", "key", "Down"], check=True)
                wait_for("the next date source", lambda: selected_choice(combos[0]) == "Date Created")
            check_names(frame, failures, "with Format with Date")
        except (TimeoutError, AssertionError) as error:
            failures.lines.append(str(error))
        finally:
            listener.deregister("object:property-change:accessible-name")
            state_listener.deregister("object:state-changed:focused")
            state_listener.deregister("object:state-changed:showing")
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
    for line in failures.lines:
        print("FAIL: " + line)
    if not failures.lines:
        print("PASS: padding and date position are radio groups, combo boxes are named by their labels and tell "
              "their choice, the status bar announces its changes, every focusable control has a name, the separator has a label")
    return 1 if failures.lines else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    if os.environ.get(INNER) != "1":
        outer()
    sys.exit(inner(sys.argv[1]))
