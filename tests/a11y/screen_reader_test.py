#!/usr/bin/python3
"""Driftway as a screen reader meets it: on a private session bus with the
accessibility bus and registry running and org.a11y.Status IsEnabled set (as
a screen reader sets it), reads the menu bar, opens the Favorites menu and
its submenus three levels down through AT-SPI actions while listening to
the program's events, and reads the favourites tree. Needs a display,
at-spi2-core and python3-gi with Atspi.
Usage: screen_reader_test.py DRIFTWAY_BINARY"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

if "DRIFTWAY_A11Y_PRIVATE_BUS" not in os.environ:
    # Run again inside a session bus of our own, so nothing else hears us.
    os.environ["DRIFTWAY_A11Y_PRIVATE_BUS"] = "1"
    sys.exit(subprocess.call(["dbus-run-session", "--", sys.executable, *sys.argv]))

import gi  # noqa: E402

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

events = []
running = None  # the Driftway process, once started


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def pump(seconds):
    """Lets the event listener run, as a screen reader's loop does."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        GLib.MainContext.default().iteration(False)
        time.sleep(0.005)


def on_event(event):
    # A screen reader asks about what it hears of at once.
    events.append(event.type)
    try:
        event.source.get_name()
        event.source.get_state_set()
        if event.source.get_parent():
            event.source.get_parent().get_child_count()
    except GLib.Error:
        pass


def wait_for(what, find, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        if running and running.poll() is not None:
            fail(f"Driftway ended ({running.returncode}) while waiting for {what}")
        time.sleep(0.2)
    fail(f"no {what} within {seconds} s")


def children(node):
    return [node.get_child_at_index(i) for i in range(node.get_child_count())]


def descendants(node, depth=12):
    out = []
    for child in children(node):
        if child is None:
            continue
        out.append(child)
        if depth > 0:
            out.extend(descendants(child, depth - 1))
    return out


def find(node, role, name=None):
    for d in descendants(node):
        if d.get_role() == role and (name is None or d.get_name() == name):
            return d
    return None


def open_submenu(menu, name):
    """Clicks the submenu called name inside menu, as a screen reader does,
    as soon as it is there, and returns it once its items are."""
    sub = wait_for(f"submenu {name}", lambda: next(
        (c for c in children(menu) if c.get_name() == name and c.get_role() == Atspi.Role.MENU), None))
    sub.do_action(0)
    wait_for(f"items of {name}", lambda: sub.get_child_count() > 0)
    return sub


def main():
    global running
    driftway = sys.argv[1]
    work = Path(tempfile.mkdtemp(prefix="driftway-a11y-"))
    process = None
    try:
        favourites = work / "Favorites"
        # Folders first in each menu: GTK selects the first item of a submenu
        # the click opens, which is what used to abort the program.
        (favourites / "News" / "Deep" / "Deeper").mkdir(parents=True)
        shortcut = "[InternetShortcut]\r\nURL=http://127.0.0.1:9/{}\r\n"
        (favourites / "Alpha.url").write_text(shortcut.format("alpha"))
        (favourites / "News" / "Daily.url").write_text(shortcut.format("daily"))
        (favourites / "News" / "Deep" / "Bottom.url").write_text(shortcut.format("bottom"))
        (favourites / "News" / "Deep" / "Deeper" / "Last.url").write_text(shortcut.format("last"))
        bus = ["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus", "--method"]
        subprocess.run(bus + ["org.freedesktop.DBus.Properties.Set", "org.a11y.Status", "IsEnabled", "<true>"],
                       check=True, stdout=subprocess.DEVNULL)
        # Named outright, so that neither side follows an address another
        # program left on the shared display.
        address = subprocess.run(bus + ["org.a11y.Bus.GetAddress"], check=True, stdout=subprocess.PIPE, text=True)
        os.environ["AT_SPI_BUS_ADDRESS"] = address.stdout.strip()[2:-3]
        env = dict(os.environ, DRIFTWAY_FAVORITES=str(favourites), HOME=str(work),
                   XDG_CONFIG_HOME=str(work / "config"), XDG_DATA_HOME=str(work / "data"),
                   XDG_CACHE_HOME=str(work / "cache"))
        for name in ("NO_AT_BRIDGE", "GTK_A11Y", "GTK_MODULES", "WEBKIT_A11Y_BUS_ADDRESS"):
            env.pop(name, None)
        listener = Atspi.EventListener.new(on_event)
        for kind in ("object:", "focus:", "window:", "object:children-changed", "object:state-changed:focused",
                     "object:state-changed:selected", "object:selection-changed"):
            listener.register(kind)
        process = running = subprocess.Popen([driftway], env=env)

        desktop = Atspi.get_desktop(0)
        app = wait_for("Driftway on the accessibility bus", lambda: next(
            (a for a in children(desktop) if a is not None and a.get_name() == "Driftway"), None))
        bar = wait_for("menu bar", lambda: find(app, Atspi.Role.MENU_BAR))
        titles = [c.get_name() for c in children(bar)]
        expected = ["File", "Edit", "View", "Favorites", "Tools", "Online", "Help"]
        if [t for t in titles if t] != expected:
            fail(f"menu bar reads {titles}")

        menu = next(c for c in children(bar) if c.get_name() == "Favorites")
        menu.do_action(0)
        wait_for("Favorites menu items", lambda: "Alpha" in [c.get_name() for c in children(menu)])
        news = open_submenu(menu, "News")
        deep = open_submenu(news, "Deep")
        deeper = open_submenu(deep, "Deeper")
        pump(2)  # what the toolkit does when idle after opening them
        for sub, names in ((news, ["Deep", "Daily"]), (deep, ["Deeper", "Bottom"]), (deeper, ["Last"])):
            if process.poll() is None and [c.get_name() for c in children(sub)] != names:
                fail(f"{sub.get_name()} reads {[c.get_name() for c in children(sub)]}")
        if process.poll() is not None:
            fail(f"Driftway ended ({process.returncode}) while its submenus opened")

        tree = wait_for("favourites tree", lambda: find(app, Atspi.Role.TREE_TABLE))
        names = {d.get_name() for d in descendants(tree, 2)}
        if not {"News", "Alpha"} <= names:
            fail(f"the favourites tree reads {sorted(n for n in names if n)}")
        print("screen reader test ok")
    finally:
        if process and process.poll() is None:
            process.terminate()
            process.wait(10)
        shutil.rmtree(work, ignore_errors=True)


main()
