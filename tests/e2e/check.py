#!/usr/bin/python3
"""Clicks the running Tevrolin window with the real X pointer and reads it back over AT-SPI, as a user with a screen
reader meets it.

Started by tests/e2e/run on a private X server, where the program is already starting. The click positions come from
this file's own twips, not from the program, so that they check the layout too. With --scale N (the program's
QT_SCALE_FACTOR) only the geometry is checked: the window's size, and that clicks at the scaled positions still land.
With --keyboard the calculation is made with the real keyboard alone; with --orca-log FILE as well, the screen
reader's debug log is read for what it said. With --actions every choice is made by its AT-SPI action alone, as voice
control makes it.
"""

import argparse
import json
import math
import re
import subprocess
import sys
import time
from collections import namedtuple
from fractions import Fraction

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

import pyatspi  # noqa: E402

TWIPS_PER_PIXEL = 15
CLIENT_TWIPS = (13770, 8175)  # the window's client area
WAIT_SECONDS = 10
TITLE = "Tevrolin"
# A radio button reacts to clicks on its indicator and its text only; the indicator begins at the button's left edge.
INDICATOR_INSET = 6  # pixels, before scaling

PANEL, RADIO, BUTTON, LABEL = (pyatspi.ROLE_PANEL, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_PUSH_BUTTON,
                               pyatspi.ROLE_LABEL)
WINDOW = TITLE  # controls that stand on the window itself have it as their accessible parent

SELECT_STAMP = "   Select a Stamp module"
SELECT_RATE = "   Please select a Baud rate"
SELECT_PARITY = "   Select data bits and parity"
SELECT_POLARITY = "   Select polarity bit"
CALCULATE = "Calculate Baud Mode "
NOTICE = "Tevrolin 1.00  -  Baud Mode calculator"

# What a screen reader finds when the window opens: each control by its caption, which is also its accessible name.
# The prompt options keep their three leading blanks and Calculate its trailing one.
# fmt: off
INITIAL_STATE = [
    # name                 role    parent    enabled checked
    ("Module",             PANEL,  WINDOW,   True,   False),
    ("Baud",               PANEL,  WINDOW,   True,   False),
    ("Parity",             PANEL,  WINDOW,   True,   False),
    ("Polarity",           PANEL,  WINDOW,   True,   False),
    (SELECT_POLARITY,      RADIO,  WINDOW,   False,  True),
    ("Inverted",           RADIO,  WINDOW,   False,  False),
    ("True",               RADIO,  WINDOW,   False,  False),
    (CALCULATE,            BUTTON, WINDOW,   False,  False),
    (" 0",                 LABEL,  WINDOW,   False,  False),
    (NOTICE,               LABEL,  WINDOW,   True,   False),
    (SELECT_STAMP,         RADIO,  "Module", True,   True),
    ("BS1",                RADIO,  "Module", True,   False),
    ("BS2",                RADIO,  "Module", True,   False),
    ("BS2e",               RADIO,  "Module", True,   False),
    ("BS2sx",              RADIO,  "Module", True,   False),
    ("BS2p",               RADIO,  "Module", True,   False),
    ("BS2pe",              RADIO,  "Module", True,   False),
    ("BS2px",              RADIO,  "Module", True,   False),
    (SELECT_RATE,          RADIO,  "Baud",   False,  True),
    ("300",                RADIO,  "Baud",   False,  False),
    ("600",                RADIO,  "Baud",   False,  False),
    ("1200",               RADIO,  "Baud",   False,  False),
    ("2400",               RADIO,  "Baud",   False,  False),
    ("4800",               RADIO,  "Baud",   False,  False),
    ("9600",               RADIO,  "Baud",   False,  False),
    ("19200",              RADIO,  "Baud",   False,  False),
    ("38400",              RADIO,  "Baud",   False,  False),
    ("56000",              RADIO,  "Baud",   False,  False),
    ("57600",              RADIO,  "Baud",   False,  False),
    ("115200",             RADIO,  "Baud",   False,  False),
    (SELECT_PARITY,        RADIO,  "Parity", False,  True),
    ("8 bit, no parity",   RADIO,  "Parity", False,  False),
    ("7 bit, even parity", RADIO,  "Parity", False,  False),
]

# Where the clicked controls stand once the window has loaded, in twips: the container's origin plus the control's
# rectangle within it.
CONTAINER_ORIGIN = {WINDOW: (0, 0), "Module": (250, 50), "Baud": (3600, 50), "Parity": (6950, 50)}
CLICK_TARGETS = {
    # name               container  left   top   width height
    "BS1":               ("Module", 450,   930,  1215, 495),
    "BS2":               ("Module", 450,   1380, 1215, 495),
    "2400":              ("Baud",   590,   2280, 1215, 495),
    "9600":              ("Baud",   590,   3180, 1215, 495),
    "115200":            ("Baud",   590,   5430, 1215, 495),
    "8 bit, no parity":  ("Parity", 590,   960,  1935, 495),
    "Inverted":          (WINDOW,   10900, 960,  1215, 495),
    "True":              (WINDOW,   10900, 1380, 1215, 495),
    CALCULATE:           (WINDOW,   1440,  6950, 3345, 495),
}
# fmt: on

# The whole calculation by keyboard: each key, then the control that has the focus. The arrows select as they move.
KEYBOARD_RUN = [
    ("Down", "BS1"),
    ("Down", "BS2"),
    ("shift+Tab", SELECT_RATE),  # back from the module group to the baud group
    *[("Up", rate) for rate in ("115200", "57600", "56000", "38400", "19200", "9600")],
    ("Tab", "BS2"),
    ("Tab", SELECT_PARITY),
    ("Down", "8 bit, no parity"),
    ("Tab", SELECT_POLARITY),  # Calculate is still disabled, so Tab goes round to the polarity group
    ("Down", "Inverted"),  # then Return presses Calculate from here
]

# Every option by its AT-SPI action, group by group, the wanted one last; then Calculate. The group's prompt must leave
# the control named beside it locked, and the group's first choice must unlock it.
ACTION_RUN = [
    ([SELECT_STAMP, "BS1", "BS2e", "BS2sx", "BS2p", "BS2pe", "BS2px", "BS2"], "300"),
    ([SELECT_RATE, "300", "600", "1200", "2400", "4800", "19200", "38400", "56000", "57600", "115200", "9600"],
     "8 bit, no parity"),
    ([SELECT_PARITY, "7 bit, even parity", "8 bit, no parity"], "Inverted"),
    ([SELECT_POLARITY, "True", "Inverted"], CALCULATE),
]

# The window's background under each desktop setting of scripts/desktop-env: the colour scheme's, not Qt's own grey.
# fmt: off
WINDOW_BACKGROUND = {
    "plain":            (239, 239, 239),
    "kde-dark":         (49,  54,  59),
    "kde-contrast":     (0,   0,   0),
    "gnome-dark":       (50,  50,  50),
    "gnome-style-dark": (53,  53,  53),
}
# fmt: on
BACKGROUND_SAMPLE = (5, 530)  # pixels into the client area, below the frames and left of Calculate
# Strips that must show more than the background under every scheme, as (x, y, width) in pixels into the client area:
# the baud frame's left line, and the disabled "Inverted" option's circle and caption.
# fmt: off
VISIBLE_STRIPS = {
    "the baud frame's line":          (236, 200, 10),
    "the disabled option 'Inverted'": (727, 80,  40),
}
# fmt: on

ICON_SIZES = (16, 32, 48, 64, 128, 256)

# weston's screen, one window at the top left of the X server, and the frame Qt 6.4 draws around its Wayland windows.
WESTON_SCREEN = (1280, 768)
WESTON_BACKGROUND = (0x20, 0x40, 0x60)  # tests/e2e/run's weston.ini
TITLE_BAR_MARGINS = (3, 30, 3, 3)  # left, top, right, bottom
MAXIMIZE_BUTTON = (-40, 15)  # from the frame's top right corner
REFUSAL_TITLE = "Text Editor"
REFUSAL_LINES = ["Baud rate is not valid with a BS1", "Please select a value between 300 and 2400"]


class CheckFailed(Exception):
    pass


def fail(message):
    raise CheckFailed(message)


def poll(what, probe, seconds=WAIT_SECONDS):
    """Returns the first true value of probe(), asked until it gives one or the time is up. The program answers X
    and AT-SPI in its own time, so every effect is waited for rather than slept on."""
    deadline = time.monotonic() + seconds
    last_error = None
    while True:
        try:
            value = probe()
            if value:
                return value
        except (GLib.Error, subprocess.CalledProcessError, CheckFailed) as error:
            last_error = error
        if time.monotonic() > deadline:
            fail(f"timed out after {seconds} s waiting for {what}" + (f"; last: {last_error}" if last_error else ""))
        time.sleep(0.05)


def to_pixels(twips, scale):
    """Twips to device pixels, rounded to the nearest, halves up."""
    return math.floor(Fraction(twips) * scale / TWIPS_PER_PIXEL + Fraction(1, 2))


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True, timeout=WAIT_SECONDS).stdout


def window_geometry(title):
    """The mapped top-level X window named title: its exact name, absolute origin and size, or None while there is
    none. Without a window manager the client area is the whole window."""
    result = subprocess.run(["xwininfo", "-name", title], capture_output=True, text=True, timeout=WAIT_SECONDS)
    if result.returncode != 0 or not re.search(r"Map State:\s+IsViewable", result.stdout):
        return None
    info = result.stdout
    name = re.search(r'Window id: \S+ "(.*)"', info)
    x, y, width, height = (int(re.search(rf"{key}:\s+(-?\d+)", info).group(1))
                           for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    return (name.group(1) if name else None, x, y, width, height)


def click_at(x, y):
    run("xdotool", "mousemove", "--sync", str(x), str(y), "click", "--delay", "0", "1")


class Layout:
    """Turns the twips of CLICK_TARGETS into screen positions on the window as it stands."""

    def __init__(self, origin, scale):
        self.origin, self.scale = origin, scale

    def point(self, name):
        container, left, top, width, height = CLICK_TARGETS[name]
        cx, cy = CONTAINER_ORIGIN[container]
        y = to_pixels(cy + top + Fraction(height, 2), self.scale)
        if name == CALCULATE:
            x = to_pixels(cx + left + Fraction(width, 2), self.scale)
        else:
            x = to_pixels(cx + left, self.scale) + INDICATOR_INSET * self.scale
        return self.origin[0] + x, self.origin[1] + y

    def click(self, name):
        click_at(*self.point(name))


def has_state(accessible, state):
    return accessible.getState().contains(state)


def is_enabled(accessible):
    # A screen reader announces "dimmed" when either is missing; Qt sets both or neither.
    return has_state(accessible, pyatspi.STATE_ENABLED) and has_state(accessible, pyatspi.STATE_SENSITIVE)


def is_checked(accessible):
    return has_state(accessible, pyatspi.STATE_CHECKED)


def children(accessible):
    # A child that goes away between the count and the read comes back as None.
    found = (accessible.getChildAtIndex(i) for i in range(accessible.childCount))
    return [child for child in found if child is not None]


def descendants(accessible):
    for child in children(accessible):
        yield child
        yield from descendants(child)


def text_of(accessible):
    """The Text interface's content, or None where the object has none (Qt 6.4 gives labels only a name)."""
    try:
        text = accessible.queryText()
    except NotImplementedError:
        return None
    return text.getText(0, -1)


def find_application():
    desktop = pyatspi.Registry.getDesktop(0)
    # Without this, libatspi keeps names and states from the first read, and every later read would be stale.
    desktop.set_cache_mask(Atspi.Cache.NONE)
    for app in children(desktop):
        if app.name == TITLE:
            app.set_cache_mask(Atspi.Cache.NONE)
            return app
    return None


def top_levels(app, role):
    return [child for child in children(app) if child.getRole() == role and has_state(child, pyatspi.STATE_SHOWING)]


def focused(window):
    found = [name for name, control in window.controls.items() if has_state(control, pyatspi.STATE_FOCUSED)]
    return found[0] if len(found) == 1 else None


def press(key):
    # To the window that has the X input focus, as a keyboard would.
    run("xdotool", "key", "--clearmodifiers", key)


class Window:
    """The main window as a screen reader sees it: its controls by accessible name."""

    def __init__(self, app):
        self.app = app
        windows = [child for child in children(app) if child.name == TITLE]
        if len(windows) != 1:
            fail(f"expected one accessible window named {TITLE!r}, found {len(windows)}")
        self.accessible = windows[0]
        self.controls = {}
        for control in descendants(self.accessible):
            if control.getRole() == pyatspi.ROLE_NOTIFICATION:
                continue  # it repeats the result for screen readers
            if control.name in self.controls:
                fail(f"two controls are both named {control.name!r}")
            self.controls[control.name] = control

    def __getitem__(self, name):
        try:
            return self.controls[name]
        except KeyError:
            fail(f"no control named {name!r}; found {sorted(self.controls)!r}")

    def checked(self, name):
        return is_checked(self[name])

    def result(self):
        """The result label as a screen reader reads it: by its name."""
        label = [c for c in children(self.accessible) if c.getRole() == LABEL and c.name != NOTICE]
        if len(label) != 1:
            fail(f"expected one result label, found {[c.name for c in label]!r}")
        return label[0]

    def dump(self):
        """Prints every window of the program, message boxes included, as a screen reader would walk it."""

        def walk(accessible, depth):
            states = sorted(pyatspi.stateToString(s) for s in accessible.getState().getStates())
            indent = "  " * (depth + 1)
            print(f"{indent}{accessible.getRoleName()} {accessible.name!r}: {' '.join(states)}", file=sys.stderr)
            for child in children(accessible):
                walk(child, depth + 1)

        for top_level in children(self.app):
            walk(top_level, 0)


def wait_for_window(scale):
    expected_size = tuple(to_pixels(t, scale) for t in CLIENT_TWIPS)
    geometry = poll(f"an X window named {TITLE!r}", lambda: window_geometry(TITLE))
    name, x, y, width, height = geometry
    if name != TITLE:
        fail(f"window title is {name!r}, expected {TITLE!r}")
    if (width, height) != expected_size:
        fail(f"client area is {width}x{height}, expected {expected_size[0]}x{expected_size[1]}")
    print(f"ok: window {TITLE!r}, client area {width}x{height} at {x},{y}")
    return (x, y)


def wait_for_accessible_window():
    app = poll("the program on the accessibility bus", find_application)

    def complete():
        window = Window(app)
        if len(window.controls) < len(INITIAL_STATE):
            fail(f"only {len(window.controls)} controls so far")
        return window

    return poll(f"all {len(INITIAL_STATE)} controls over AT-SPI", complete)


def wait_checked(window, name):
    poll(f"{name!r} to be checked", lambda: window.checked(name))


def wait_result(window, text):
    poll(f"the result label to read {text!r}", lambda: window.result().name == text)
    label = window.result()
    if not is_enabled(label):
        fail("the result label is still disabled after Calculate")
    if text_of(label) not in (None, text):
        fail(f"the result label's text is {text_of(label)!r} but its name is {text!r}")


def check_initial_state(window):
    problems = []
    for name, role, parent, enabled, checked in INITIAL_STATE:
        control = window[name]
        if control.getRole() != role:
            problems.append(f"{name!r}: role {control.getRoleName()!r}, expected {Atspi.role_get_name(role)!r}")
        if control.parent.name != parent:
            problems.append(f"{name!r}: inside {control.parent.name!r}, expected {parent!r}")
        if is_enabled(control) != enabled:
            problems.append(f"{name!r}: {'enabled' if is_enabled(control) else 'disabled'}, expected "
                            f"{'enabled' if enabled else 'disabled'}")
        if is_checked(control) != checked:
            problems.append(f"{name!r}: {'' if is_checked(control) else 'not '}checked, expected "
                            f"{'' if checked else 'not '}checked")
    unexpected = set(window.controls) - {row[0] for row in INITIAL_STATE}
    if unexpected:
        problems.append(f"unexpected controls: {sorted(unexpected)!r}")
    text = text_of(window.result())
    if text not in (None, " 0"):
        problems.append(f"the result label's text is {text!r}, expected ' 0'")
    if problems:
        fail("the window does not open as expected:\n    " + "\n    ".join(problems))
    print(f"ok: all {len(INITIAL_STATE)} controls by name, role, parent, enabled and checked state")


def calculate_bs2_9600_inverted(window, layout):
    for name in ("BS2", "9600", "8 bit, no parity", "Inverted"):
        layout.click(name)
        wait_checked(window, name)
    poll("Calculate to be enabled", lambda: is_enabled(window[CALCULATE]))
    layout.click(CALCULATE)
    wait_result(window, "16468")
    print("ok: BS2, 9600, 8 bit no parity, Inverted, Calculate -> '16468'")


class OrcaLog:
    """What the Orca screen reader said, read from its debug log as it grows."""

    def __init__(self, path):
        self.path = path

    def utterances(self):
        with open(self.path, encoding="utf-8", errors="replace") as file:
            return re.findall(r"SPEECH OUTPUT: '(.*?)' ?\{", file.read())

    def wait_for(self, text, since):
        """Waits until an utterance after the first `since` ones contains text, and returns it."""

        def said():
            return next((u for u in self.utterances()[since:] if text in u), None)

        return poll(f"Orca to say {text!r}", said)


def calculate_by_keyboard(window, orca=None, own_x_window=True):
    """BS2, 9600, 8 bit no parity, Inverted and Calculate with Tab, Shift+Tab, the arrows and Return; then Ctrl+C.
    With Orca listening, each key waits until Orca has spoken the control it leads to, as a user would listen.
    Without an X window of its own on this X server (inside a compositor), the keys go where the pointer is and the
    clipboard is not this X server's."""
    if own_x_window:
        run("xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{TITLE}$", "windowfocus", "--sync")
    if window.accessible.getRole() != pyatspi.ROLE_FRAME:
        fail(f"the window is a {window.accessible.getRoleName()!r}, expected a frame")
    poll(f"the focus on {SELECT_STAMP!r} when the window opens", lambda: focused(window) == SELECT_STAMP)
    if orca:
        orca.wait_for("Tevrolin frame.", 0)
    for key, target in KEYBOARD_RUN:
        since = len(orca.utterances()) if orca else 0
        press(key)
        poll(f"the focus on {target!r} after {key}", lambda: focused(window) == target)
        if key in ("Up", "Down"):
            wait_checked(window, target)
        if orca:
            orca.wait_for(target.strip(), since)
            if target == SELECT_POLARITY:
                orca.wait_for("Polarity.", since)  # the group it belongs to, though not inside its frame
    since = len(orca.utterances()) if orca else 0
    press("Return")
    wait_result(window, "16468")
    print(f"ok: {len(KEYBOARD_RUN) + 1} keys from start to '16468', no Space and no pointer; the window is a frame")
    if orca:
        spoken = orca.wait_for("16468", since)
        since = len(orca.utterances())
        press("Return")  # the same result again must be said again
        orca.wait_for("16468", since)
        print(f"ok: Orca said 'Tevrolin frame.', each control on its way, 'Polarity.' and after Return {spoken!r}, "
              "and again after a second Return")
    if own_x_window:
        press("ctrl+c")
        poll("'16468' on the clipboard", lambda: run("xclip", "-o", "-selection", "clipboard") == "16468")
        print("ok: Ctrl+C puts '16468' on the clipboard")


def own_action(control):
    """The index of the action that chooses the control, named as Qt names it: "Toggle" for an option, "Press" for a
    push button; None while the control offers none."""
    action = control.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    wanted = "Press" if control.getRole() == BUTTON else "Toggle"
    return names.index(wanted) if wanted in names else None


def choose_by_actions(window):
    """The whole calculation with no pointer and no key: every option and Calculate chosen by its own action. Each
    takes the focus and is checked, as after a click; a locked control offers no action."""
    run("xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{TITLE}$", "windowfocus", "--sync")
    for group, unlocks in ACTION_RUN:
        for name in group:
            index = own_action(window[name])
            if index is None:
                fail(f"{name!r} offers no action to choose it")
            window[name].queryAction().doAction(index)
            poll(f"{name!r} to take the focus and be checked", lambda: focused(window) == name and window.checked(name))
            locked = own_action(window[unlocks]) is None and not is_enabled(window[unlocks])
            if name == group[0] and not locked:
                fail(f"after the prompt {name!r}, {unlocks!r} is enabled or offers an action")
            if name != group[0]:
                poll(f"{name!r} to unlock {unlocks!r}", lambda: own_action(window[unlocks]) is not None)
    window[CALCULATE].queryAction().doAction(own_action(window[CALCULATE]))
    wait_result(window, "16468")
    print(f"ok: {sum(len(group) for group, _ in ACTION_RUN)} options and Calculate by their actions alone -> '16468'")


def find_alert(app):
    alerts = top_levels(app, pyatspi.ROLE_ALERT)
    return alerts[0] if len(alerts) == 1 else None


def check_bs1_refusal(window, layout):
    for name in ("115200", "True"):
        layout.click(name)
        wait_checked(window, name)
    layout.click(CALCULATE)
    wait_result(window, "-12")
    layout.click("BS1")
    wait_checked(window, "BS1")
    layout.click(CALCULATE)

    alert = poll(f"an alert titled {REFUSAL_TITLE!r}", lambda: find_alert(window.app))
    if alert.name != REFUSAL_TITLE:
        fail(f"the alert is titled {alert.name!r}, expected {REFUSAL_TITLE!r}")
    if poll(f"an X window titled {REFUSAL_TITLE!r}", lambda: window_geometry(REFUSAL_TITLE))[0] != REFUSAL_TITLE:
        fail(f"the message box's X window is not titled {REFUSAL_TITLE!r}")
    inside = list(descendants(alert))
    texts = [c for c in inside if c.getRole() == LABEL and c.name]
    if [t.name.splitlines() for t in texts] != [REFUSAL_LINES]:
        fail(f"the alert reads {[t.name for t in texts]!r}, expected the lines {REFUSAL_LINES!r}")
    buttons = [c for c in inside if c.getRole() == BUTTON]
    if [b.name for b in buttons] != ["OK"]:
        fail(f"the alert's buttons are {[b.name for b in buttons]!r}, expected exactly ['OK']")
    if not window.checked(SELECT_RATE) or window.checked("115200"):
        fail(f"behind the alert {SELECT_RATE!r} should be checked and '115200' not")
    print(f"ok: BS1 at 115200 is refused by an alert {REFUSAL_TITLE!r} with {REFUSAL_LINES!r} and one button 'OK'")

    # The box is modal: a click on the window behind it is dropped. The click on OK comes after it on the same X
    # connection, so once the box has gone the program has certainly handled the first click as well.
    layout.click("BS2")
    ok = buttons[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    click_at(ok.x + ok.width // 2, ok.y + ok.height // 2)
    poll("the alert to close", lambda: find_alert(window.app) is None)
    if not window.checked("BS1") or window.checked("BS2"):
        fail("a click on BS2 behind the modal box changed the selection")
    if window.result().name != "-12":
        fail(f"the result changed to {window.result().name!r} behind the modal box")
    print("ok: a click behind the modal box changes nothing; OK closes it")

    layout.click("BS2")
    wait_checked(window, "BS2")
    print("ok: the window takes clicks again once the box has closed")


def screen_pixels(x, y, width, height):
    """The X server's screen in that rectangle, as rows of (r, g, b) bytes, read as a screenshot tool reads it."""
    crop = f"{width}x{height}+{x}+{y}"
    ppm = subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", "-depth", "8", "ppm:-"], check=True,
                         capture_output=True, timeout=WAIT_SECONDS).stdout
    magic, size, depth, data = ppm.split(b"\n", 3)
    if (magic, tuple(map(int, size.split())), depth) != (b"P6", (width, height), b"255"):
        fail(f"unexpected screenshot header {magic!r} {size!r} {depth!r}")
    return [data[row * width * 3:(row + 1) * width * 3] for row in range(height)]


def pixel(x, y):
    return tuple(screen_pixels(x, y, 1, 1)[0])


def check_background(origin, desktop):
    expected = WINDOW_BACKGROUND[desktop]
    point = (origin[0] + BACKGROUND_SAMPLE[0], origin[1] + BACKGROUND_SAMPLE[1])
    try:
        poll(f"the window's background to be {expected}", lambda: pixel(*point) == expected)
    except CheckFailed:
        fail(f"under {desktop!r} the window's background is {pixel(*point)}, expected the scheme's {expected}")
    print(f"ok: under {desktop!r} the window's background is the scheme's {expected}")
    for what, (x, y, width) in VISIBLE_STRIPS.items():
        strip = screen_pixels(origin[0] + x, origin[1] + y, width, 1)[0]
        if all(tuple(strip[i:i + 3]) == expected for i in range(0, len(strip), 3)):
            fail(f"under {desktop!r} {what} cannot be seen: only background there")
    print(f"ok: under {desktop!r} {' and '.join(VISIBLE_STRIPS)} stand out from the background")


def check_following_color_scheme(origin):
    """Under GNOME's own style: the user switches to light and back to dark in the desktop's settings, and the open
    window follows each time. A preference in another type than the setting's uint32 is no preference: the desktop's
    own light palette."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    point = (origin[0] + BACKGROUND_SAMPLE[0], origin[1] + BACKGROUND_SAMPLE[1])
    light, dark = WINDOW_BACKGROUND["plain"], WINDOW_BACKGROUND["gnome-style-dark"]
    for scheme, expected in ((GLib.Variant("u", 2), light), (GLib.Variant("u", 1), dark), (GLib.Variant("i", 1), light)):
        bus.call_sync("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", "org.tevrolin.TestPortal",
                      "SetColorScheme", GLib.Variant("(v)", (scheme,)), None, Gio.DBusCallFlags.NONE, 5000, None)
        poll(f"the window's background to turn {expected} for colour scheme {scheme}", lambda: pixel(*point) == expected)
    print("ok: the open window follows the user's change to light and back to dark, and an int32 1 is no wish for dark")


def icon_sizes(title):
    """The sizes of the images in the X window's _NET_WM_ICON, which task bars and switchers read."""
    window_id = re.search(r"Window id: (\S+)", run("xwininfo", "-name", title)).group(1)
    words = run("xprop", "-len", "1000000", "-id", window_id, "32c", "_NET_WM_ICON").split("=", 1)[-1]
    values = [int(word) for word in words.replace(",", " ").split() if word.isdigit()]
    sizes, at = [], 0
    while at + 1 < len(values):
        sizes.append((values[at], values[at + 1]))
        at += 2 + values[at] * values[at + 1]
    return sizes


# What the window asks of a window manager, as X properties: a fixed size, and (Motif's functions and decorations)
# move, minimize and close with a title bar, but neither maximize nor resize handles.
HINTS = {
    "WM_NORMAL_HINTS": ["program specified minimum size: 918 by 545", "program specified maximum size: 918 by 545"],
    "_MOTIF_WM_HINTS": ["_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x2e, 0x3e, 0x0, 0x0"],
    "_NET_WM_WINDOW_TYPE": ["_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_NORMAL"],
}


def check_hints():
    window_id = re.search(r"Window id: (\S+)", run("xwininfo", "-name", TITLE)).group(1)
    for name, lines in HINTS.items():
        found = [line.strip() for line in run("xprop", "-id", window_id, name).splitlines()]
        if not set(lines) <= set(found):
            fail(f"the window's {name} is {found!r}, expected {lines!r}")
    print("ok: the window asks for a fixed size and a normal window's title bar with no maximize")


def check_icon():
    # The large images arrive after the first paint.
    expected = [(size, size) for size in ICON_SIZES]
    poll(f"the window icon's images to be {expected}", lambda: icon_sizes(TITLE) == expected)
    print(f"ok: the window icon carries images of {', '.join(map(str, ICON_SIZES))} pixels")


def weston_frame():
    """The program's frame on weston's screen as (left, top, width, height): the rows and columns where more than a
    pointer's worth of pixels differ from the background."""
    width, height = WESTON_SCREEN
    rows = screen_pixels(0, 0, width, height)
    background = bytes(WESTON_BACKGROUND)
    # Every fourth pixel: the pointer covers fewer than 25 of them in a row, the window several hundred.
    covered = [y for y, row in enumerate(rows) if sum(row[i:i + 3] != background for i in range(0, len(row), 12)) > 25]
    if not covered:
        return None
    top, bottom = covered[0], covered[-1]
    row = rows[(top + bottom) // 2]
    columns = [i // 3 for i in range(0, len(row), 3) if row[i:i + 3] != background]
    return columns[0], top, columns[-1] + 1 - columns[0], bottom + 1 - top


def check_under_weston():
    """Maximizes the window from Qt's own Wayland title bar, as a user would, then completes a calculation: a window
    that ignored the maximized size would be ended by weston with a protocol error."""
    client = tuple(to_pixels(t, 1) for t in CLIENT_TWIPS)
    left, top, right, bottom = TITLE_BAR_MARGINS
    framed = (client[0] + left + right, client[1] + top + bottom)

    def framed_window():
        frame = weston_frame()
        return frame if frame and frame[2:] == framed else None

    frame = poll("the program's window on weston", framed_window)
    print(f"ok: a {framed[0]}x{framed[1]} frame with Qt's title bar at {frame[0]},{frame[1]} on weston")

    # weston's X11 backend moves its pointer by the real pointer's steps; a sweep into the top left corner lines
    # the two up.
    for corner in ((WESTON_SCREEN[0] - 1, WESTON_SCREEN[1] - 1), (0, 0)):
        run("xdotool", "mousemove", "--sync", *map(str, corner))
    click_at(frame[0] + frame[2] + MAXIMIZE_BUTTON[0], frame[1] + MAXIMIZE_BUTTON[1])
    poll("the window to fill weston's screen", lambda: weston_frame() == (0, 0, *WESTON_SCREEN))
    beyond = pixel(WESTON_SCREEN[0] - 20, WESTON_SCREEN[1] - 20)
    if beyond != WINDOW_BACKGROUND["plain"]:
        fail(f"the maximized window shows {beyond} beyond its controls, expected its background")
    print("ok: maximized, the window fills weston's screen")

    window = wait_for_accessible_window()
    check_initial_state(window)
    calculate_bs2_9600_inverted(window, Layout((left, top), 1))



# A compositor nested in this X server as one window at its top left, read through its own interface: its windows from
# bottom to top, each as its title, the platform the program chose for it, whether the compositor draws its title bar,
# its client area on the screen, and whether it floats.
Shown = namedtuple("Shown", "title platform server_title_bar area floating")


def sway_windows(args):
    def walk(node, floating):
        if node.get("pid"):
            box, inner = node["rect"], node["window_rect"]
            yield Shown(node["name"], "wayland" if node["shell"] == "xdg_shell" else "xcb", node["border"] == "normal",
                        (box["x"] + inner["x"], box["y"] + inner["y"], inner["width"], inner["height"]), floating)
        for child in node["nodes"]:
            yield from walk(child, False)
        for child in node["floating_nodes"]:  # bottom to top
            yield from walk(child, True)

    return list(walk(json.loads(run("swaymsg", "-s", args.swaysock, "-t", "get_tree")), False))


def gnome_shell(script):
    """Runs JavaScript in GNOME Shell (--unsafe-mode), which answers with its value in JSON."""
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    done, result = bus.call_sync("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval",
                                 GLib.Variant("(s)", (script,)), None, Gio.DBusCallFlags.NONE, 5000, None).unpack()
    if not done:
        fail(f"GNOME Shell could not run {script!r}: {result}")
    return json.loads(result) if result else None


def gnome_windows(_args):
    # Out of the overview the shell starts in, with no notice for root: the desktop as after a login.
    return [Shown(title, "xcb" if x11 else "wayland", server_side, tuple(area), True) for title, x11, server_side, area
            in gnome_shell("Main.overview.hide(); Main.messageTray.bannerBlocked = true; "
                           "global.display.sort_windows_by_stacking(global.display.list_all_windows()).map(w => ["
                           "w.get_title(), w.get_client_type() == 1, w.decorated && !w.is_client_decorated(), "
                           "(a => [a.x, a.y, a.width, a.height])(w.frame_rect_to_client_rect(w.get_frame_rect()))])")]


# Where no platform was named, the program picks this one under each compositor, which draws its title bar.
# fmt: off
COMPOSITORS = {
    # name    platform   windows        forced to fullscreen
    "sway":   ("wayland", sway_windows,  lambda args: run("swaymsg", "-s", args.swaysock,
                                                          f"[title=^{TITLE}$] fullscreen enable")),
    "gnome":  ("xcb",     gnome_windows, lambda args: gnome_shell("global.display.list_all_windows().find(w => "
                                                                  f"w.get_title() == '{TITLE}').make_fullscreen()")),
}
# fmt: on


def check_under_compositor(args):
    """The window as the compositor shows it; a calculation by keyboard; the refusal box over the window and in front
    of it, also after a click on the window, which changes nothing; forced to fullscreen, a calculation again."""
    platform, windows, fullscreen = COMPOSITORS[args.compositor]
    expected = (platform, True, tuple(to_pixels(t, 1) for t in CLIENT_TWIPS), True)

    def shown(title):
        return next((w for w in windows(args) if w.title == title), None)

    def settled():  # the title bar comes once the program and the compositor have agreed on it
        window = shown(TITLE)
        if not window or (*window[1:3], window.area[2:], window.floating) != expected:
            fail(f"the window is {window}")
        return window

    main = poll(f"the window on {platform} under {args.compositor}'s title bar, floating at its size", settled)
    print(f"ok: on {args.compositor} the program runs on {platform}, under the compositor's title bar, floating at "
          f"{main.area[2]}x{main.area[3]}")

    window = wait_for_accessible_window()
    # The keys go to the compositor's window under the pointer, and there to the program.
    run("xdotool", "mousemove", str(main.area[0] + 10), str(main.area[1] + main.area[3] - 5))
    calculate_by_keyboard(window, own_x_window=False)
    for key in ("Tab", "Tab", "Up", "Return"):  # from the polarity group to BS1, still at 9600; Calculate
        press(key)
    poll(f"the refusal box {REFUSAL_TITLE!r}", lambda: find_alert(window.app))
    main = shown(TITLE)  # where the compositor has placed it by now
    layout = Layout(main.area[:2], 1)
    layout.click("BS2")

    def box_in_front():
        listed = windows(args)  # one listing: the box may be between a hide and a show
        titles = [w.title for w in listed]
        if REFUSAL_TITLE not in titles or TITLE not in titles or titles.index(REFUSAL_TITLE) < titles.index(TITLE):
            return False
        box = listed[titles.index(REFUSAL_TITLE)]
        x, y = box.area[0] + box.area[2] // 2, box.area[1] + box.area[3] // 2
        return main.area[0] < x < main.area[0] + main.area[2] and main.area[1] < y < main.area[1] + main.area[3]

    poll("the refusal box over the window and in front of it after a click on the window", box_in_front)
    press("Return")
    poll("Return to close the refusal box", lambda: find_alert(window.app) is None)
    if not window.checked("BS1") or window.checked("BS2"):
        fail("a click on BS2 behind the refusal box changed the selection")
    # As a user would see it: the window in front again, once the compositor has given it back the focus.
    poll("the window active again", lambda: window.accessible.getState().contains(pyatspi.STATE_ACTIVE))
    layout.click("2400")  # where a click does land
    wait_checked(window, "2400")
    print("ok: the refusal box stands over the window and in front of it, also after a click on the window, which "
          "changes nothing; Return closes it, and clicks land again")

    fullscreen(args)
    for key in ("Tab", "Tab", "Tab", "Return"):  # from the baud group to Calculate
        press(key)
    wait_result(window, "N2400")
    print("ok: forced to fullscreen, the window calculates 'N2400' by keyboard")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scale", type=int, default=1, help="the program's QT_SCALE_FACTOR; checks geometry only")
    parser.add_argument("--keyboard", action="store_true", help="calculate with the keyboard alone")
    parser.add_argument("--orca-log", help="Orca's debug log, to read what it said during the keyboard run")
    parser.add_argument("--actions", action="store_true", help="choose everything by AT-SPI actions alone")
    parser.add_argument("--desktop", default="plain", choices=WINDOW_BACKGROUND, help="the desktop setting")
    parser.add_argument("--weston", action="store_true", help="the program runs on weston inside the X server")
    parser.add_argument("--compositor", choices=COMPOSITORS, help="the program runs under this nested compositor")
    parser.add_argument("--swaysock", help="sway's IPC socket")
    args = parser.parse_args()
    scale = args.scale
    if args.weston:
        check_under_weston()
        return
    if args.compositor:
        check_under_compositor(args)
        return

    origin = wait_for_window(scale)
    if scale == 1:
        check_background(origin, args.desktop)
        check_hints()
        check_icon()
        if args.desktop == "gnome-style-dark":
            check_following_color_scheme(origin)
    window = None
    try:
        window = wait_for_accessible_window()
        layout = Layout(origin, scale)
        if scale == 1:
            check_initial_state(window)
        if args.keyboard:
            calculate_by_keyboard(window, OrcaLog(args.orca_log) if args.orca_log else None)
            return
        if args.actions:
            choose_by_actions(window)
            return
        calculate_bs2_9600_inverted(window, layout)
        if scale == 1:
            check_bs1_refusal(window, layout)
    except CheckFailed:
        if window is not None:
            print("The window over AT-SPI:", file=sys.stderr)
            try:
                window.dump()
            except GLib.Error as error:
                print(f"  (unreadable: {error})", file=sys.stderr)
        raise


if __name__ == "__main__":
    # One log: progress on stdout and failures on stderr, in the order they happened.
    sys.stdout.reconfigure(line_buffering=True)
    try:
        main()
    except CheckFailed as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(1)
    print("e2e: all checks passed")
