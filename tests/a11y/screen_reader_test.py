#!/usr/bin/python3
"""Driftway as a screen reader meets it: on a private session bus with the
accessibility bus and registry running and org.a11y.Status IsEnabled set (as
a screen reader sets it), reads the menu bar, opens the Favorites menu and
its submenus two levels down through AT-SPI actions, and reads the
favourites tree. Needs a display, at-spi2-core and python3-gi with Atspi.
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
from gi.repository import Atspi  # noqa: E402


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def wait_for(what, find, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
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
    and returns it once its items are there."""
    sub = wait_for(f"submenu {name}", lambda: next(
        (c for c in children(menu) if c.get_name() == name and c.get_role() == Atspi.Role.MENU), None))
    sub.do_action(0)
    wait_for(f"items of {name}", lambda: sub.get_child_count() > 0)
    return sub


def main():
    driftway = sys.argv[1]
    work = Path(tempfile.mkdtemp(prefix="driftway-a11y-"))
    process = None
    try:
        favourites = work / "Favorites"
        (favourites / "News" / "Deep").mkdir(parents=True)
        shortcut = "[InternetShortcut]\r\nURL=http://127.0.0.1:9/{}\r\n"
        (favourites / "Alpha.url").write_text(shortcut.format("alpha"))
        (favourites / "News" / "Daily.url").write_text(shortcut.format("daily"))
        (favourites / "News" / "Deep" / "Bottom.url").write_text(shortcut.format("bottom"))
        subprocess.run(["gdbus", "call", "--session", "--dest", "org.a11y.Bus", "--object-path", "/org/a11y/bus",
                        "--method", "org.freedesktop.DBus.Properties.Set", "org.a11y.Status", "IsEnabled",
                        "<true>"], check=True, stdout=subprocess.DEVNULL)
        env = dict(os.environ, DRIFTWAY_FAVORITES=str(favourites), HOME=str(work),
                   XDG_CONFIG_HOME=str(work / "config"), XDG_DATA_HOME=str(work / "data"),
                   XDG_CACHE_HOME=str(work / "cache"))
        for name in ("NO_AT_BRIDGE", "GTK_A11Y", "GTK_MODULES", "WEBKIT_A11Y_BUS_ADDRESS"):
            env.pop(name, None)
        process = subprocess.Popen([driftway], env=env)

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
        if "Daily" not in [c.get_name() for c in children(news)]:
            fail(f"News reads {[c.get_name() for c in children(news)]}")
        if [c.get_name() for c in children(deep)] != ["Bottom"]:
            fail(f"Deep reads {[c.get_name() for c in children(deep)]}")
        time.sleep(1)  # whatever the toolkit does when idle after opening them
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
