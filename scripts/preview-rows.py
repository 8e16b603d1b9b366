#!/usr/bin/python3
"""Counts the preview rows a user sees with each strategy, at the default window size and at the minimum, and
takes a screenshot of each: starts the real quorvane under Xvfb on a folder of 40 files and reads the rows'
places over AT-SPI (the same set-up as tests/views/atspi_walk.py, whose helpers it uses).

Usage: scripts/preview-rows.py QUORVANE_EXECUTABLE SHOT_FOLDER
Prints one line per size and strategy: the window's size, the strategy, the rows wholly in sight, and whether
the preview list lies inside the window. Exits 1 when a strategy shows fewer than 8 rows at 1120x780 or fewer
than 4 at the minimum size."""

import importlib.util
import os
import re
import subprocess
import sys
import tempfile

_spec = importlib.util.spec_from_file_location(
    "atspi_walk", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "views", "atspi_walk.py"))
walk = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(walk)

STRATEGIES = ["Add Prefix", "Add Suffix", "Find and Replace", "Prefix Sequence Number", "Suffix Sequence Number",
              "Format with Date", "UPPERCASE", "lowercase", "Title Case", "Sentence case", "Insert Text",
              "Remove Characters"]


def extents(node):
    from gi.repository import Atspi
    box = node.get_extents(Atspi.CoordType.SCREEN)
    return box.x, box.y, box.x + box.width, box.y + box.height


def inside(inner_box, outer_box):
    return (inner_box[0] >= outer_box[0] and inner_box[1] >= outer_box[1] and inner_box[2] <= outer_box[2]
            and inner_box[3] <= outer_box[3])


def rows_in_sight(frame):
    preview = walk.wait_for("the preview", lambda: walk.find(frame, "list", "Rename preview"))[0]
    area = extents(preview)
    rows = [extents(preview.get_child_at_index(i)) for i in range(preview.get_child_count())]
    return sum(1 for row in rows if row[3] > row[1] and inside(row, area)), inside(area, extents(frame))


def window_id(pid):
    output = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(pid)], check=True,
                            capture_output=True, text=True).stdout.split()
    return output[-1]


def measure(executable, shots):
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
    Atspi.init()
    desktop = Atspi.get_desktop(0)
    failures = 0
    with tempfile.TemporaryDirectory(prefix="quorvane-rows-") as temp:
        folder = os.path.join(temp, "photos")
        config = os.path.join(temp, "config")
        os.makedirs(folder)
        os.makedirs(os.path.join(config, "Quorvane"))
        for index in range(40):
            open(os.path.join(folder, "IMG_%04d_holiday_at_the_sea.jpg" % index), "w", encoding="utf-8").close()
        with open(os.path.join(config, "Quorvane", "Quorvane.conf"), "w", encoding="utf-8") as settings:
            settings.write("[General]\nlastAccessedFolderBookmark=@ByteArray(%s)\n" % folder)
        env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_STATE_HOME=os.path.join(temp, "state"),
                   QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QUORVANE_UPDATE_BASE_URL="http://127.0.0.1:9", LANG="C.UTF-8", LANGUAGE="", LC_ALL="")
        process = subprocess.Popen([executable], env=env)
        events = []
        listener = Atspi.EventListener.new(lambda event: event.detail1 and events.append(
            (walk.role(event.source), "showing" if event.type.endswith("showing") else walk.name(event.source))))
        listener.register("object:state-changed:focused")
        listener.register("object:state-changed:showing")
        try:
            frame = walk.wait_for("the window", lambda: walk.frame_of(desktop, process.pid), timeout=15)
            status = walk.wait_for("the status line", lambda: walk.find(frame, "status bar"))[0]
            walk.wait_for("the listing", lambda: walk.name(status) == "Loaded 40 items")
            wid = window_id(process.pid)
            default = None
            for label, least in (("default", 8), ("minimum", 4)):
                if default:
                    # The minimum the window asks the window manager for (there is none here to hold it to it).
                    hints = subprocess.run(["xprop", "-id", wid, "WM_NORMAL_HINTS"], check=True, capture_output=True,
                                           text=True).stdout
                    least_size = re.search(r"minimum size: (\d+) by (\d+)", hints).groups()
                    subprocess.run(["xdotool", "windowsize", wid] + list(least_size), check=True)
                box = walk.wait_for("the size", lambda: extents(frame) != default and extents(frame))
                size = default = box
                size = (box[2] - box[0], box[3] - box[1])
                for strategy in STRATEGIES:
                    walk.choose_strategy(frame, strategy, events)
                    walk.wait_for("the preview rows", lambda: rows_in_sight(frame)[0] > 0)
                    rows, placed = rows_in_sight(frame)
                    shot = os.path.join(shots, "%s-%s.png" % (label, strategy.replace(" ", "_")))
                    subprocess.run(["import", "-window", "root", shot], check=True)
                    ok = rows >= least and placed
                    failures += not ok
                    print("%s %dx%d  %-24s %2d rows in sight%s%s" % (label, size[0], size[1], strategy, rows,
                                                                    "" if placed else ", list outside the window",
                                                                    "" if ok else "  FAIL"))
        finally:
            process.terminate()
            process.wait(timeout=10)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    os.makedirs(sys.argv[2], exist_ok=True)
    if os.environ.get(walk.INNER) != "1":
        walk.outer()
    sys.exit(measure(sys.argv[1], os.path.abspath(sys.argv[2])))
