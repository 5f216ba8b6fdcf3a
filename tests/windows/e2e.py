#!/usr/bin/python3
"""Runs tevrolin.exe under Wine on a private X server and checks it from outside, as a user and an assistive tool meet
it: real keys and the real pointer through the X server, the window read back by the probe (another Windows process)
and from the screen.

The cases are the Linux window's own (tests/e2e/check.py: the controls as the window opens, the keyboard's path, where
the pointer clicks, the refusal box) and the core's worked results (tests/workedresults.h). With --dpi 144 only the
geometry is checked: the window's size, and that clicks at the scaled positions land. With --msi the program is
installed from the package first, the installed copy is run, and the package is removed. With --screenshots DIR the
window is photographed on the way. With --captions every caption is measured on the screen instead, at 96, 144 and 192
dpi, each with visual styles, without them and in a black high-contrast scheme.
"""

import argparse
import math
import os
import re
import struct
import subprocess
import sys
import tempfile
from collections import Counter
from fractions import Fraction
from pathlib import Path

TESTS = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(TESTS / "e2e"))
import check  # noqa: E402
from check import CALCULATE, SELECT_RATE, SELECT_STAMP, TITLE, fail, poll, press  # noqa: E402

KINDS = {check.PANEL: "frame", check.RADIO: "option", check.BUTTON: "button", check.LABEL: "label"}
# Each module's column of the worked results; a BS1 has none.
DIVIDEND_COLUMN = {"BS1": None, "BS2": 0, "BS2e": 0, "BS2sx": 1, "BS2p": 1, "BS2pe": 0, "BS2px": 2}
PARITIES, POLARITIES = {"8 bit, no parity": 0, "7 bit, even parity": 8192}, {"Inverted": 16384, "True": 0}
LIVE_REGION_CHANGED = "8019"  # the WinEvent that tells screen readers to speak a live region
# How Wine's oleacc reports an annotation of UI Automation's LiveSetting (its GUID) as Polite (1) on a control's client
# object (OBJID_CLIENT, CHILDID_SELF), which it does not take.
LIVE_SETTING = (r"AccPropServices_SetHwndProp \(\w+ 4294967292 0 \{c12bcd8e-2a8e-4950-8ae7-3625111d58eb\} \w+ "
                r"\{VT_I4: 1\}\)")
BAUD_MODE_ARGUMENTS = ["--module", "BS2", "--baud", "9600", "--parity", "8N", "--polarity", "inverted"]
UNAVAILABLE = 0x1  # oleacc's state bit for a greyed control
# The window's own icons, big for Alt+Tab and the taskbar and small for the title bar, at each DPI; what Wine hands on
# to X task switchers.
ICONS = {96: [(32, 32), (16, 16)], 144: [(48, 48), (24, 24)]}
# The arrows beside a BS1's greyed rates, from the baud group's prompt: Left and Right pass over them, wrapping.
ARROWS_PAST_GREYED = [("Left", "2400"), ("Right", SELECT_RATE), ("Right", "300"), ("Left", SELECT_RATE)]
# The system's colours: Wine's own, and a black high-contrast scheme.
SCHEMES = {96: {"ButtonFace": "245 245 245", "ButtonText": "0 0 0", "WindowText": "0 0 0", "GrayText": "166 166 166"},
           144: {"ButtonFace": "0 0 0", "ButtonText": "255 255 255", "WindowText": "255 255 255", "GrayText": "0 255 0"}}


# Tahoma's size in points for the captions that are not drawn at 8.25; the frames' own captions, in the system's font,
# are not measured.
CAPTION_POINTS = {SELECT_STAMP: 9.75, SELECT_RATE: 9.75, check.SELECT_PARITY: 9.75, check.SELECT_POLARITY: 9.75,
                  CALCULATE: 15.75, " 0": 15.75}
FRAMES = [caption for caption, role, *_ in check.INITIAL_STATE if role == check.PANEL]
# The looks the captions are measured in: visual styles, the colours, and the end of their pictures' names. High
# contrast turns the styles off.
LOOKS = {"visual styles": (1, SCHEMES[96], ""), "classic": (0, SCHEMES[96], "-classic"),
         "high contrast": (0, SCHEMES[144], "-contrast")}
# Where the load step leaves a control elsewhere than the table creates it: a side in twips.
LOAD_STEP = {SELECT_STAMP: ("width", 3630), "BS2px": ("left", 450)}


class Probe:
    """The probe program under Wine: a command a line, its answer's lines up to "end"."""

    def __init__(self, wine_run, exe):
        self.process = subprocess.Popen([wine_run, exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        return [line.rstrip("\n").split("\t") for line in iter(self.process.stdout.readline, "end\n")]

    def state(self):
        """The window as a dict, or None while there is none."""
        state, flag = None, "true".__eq__
        for kind, *fields in self.ask("state"):
            if kind == "window":
                state = dict(client=[int(v) for v in fields[:4]], dpi=int(fields[4]), enabled=flag(fields[5]),
                             focus=fields[6], controls={}, box=None)
            elif kind == "control":
                state["controls"][fields[0]] = dict(kind=fields[1], parent=fields[2], enabled=flag(fields[3]),
                                                    checked=flag(fields[4]))
            else:
                title, text, buttons, icon, rect = fields
                state["box"] = dict(title=title, text=text.replace("\\r", "\r").replace("\\n", "\n"),
                                    buttons=buttons.split(",")[:-1], icon=icon and [int(v) for v in icon.split(",")],
                                    rect=[int(v) for v in rect.split(",")])
        return state

    def events(self):
        """What a screen reader has been told since the last call: (event, name, object, child) in order."""
        return [tuple(fields) for _, *fields in self.ask("events")]

    def spoken(self):
        """What screen readers were told to speak since the last call: each live region's name as they read it."""
        return [name for event, name, *_ in self.events() if event == LIVE_REGION_CHANGED]


def screenshot(path):
    """The window with its title bar, and the box over it if one is open."""
    _, x, y, width, height = check.window_geometry(TITLE)
    subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage", path], check=True)


def result(state):
    return next(c for c, v in state["controls"].items() if v["kind"] == "label" and c != check.NOTICE)


def check_initial_state(state):
    problems = [f"{caption!r}: {state['controls'].get(caption)}, expected {KINDS[role]} in {parent!r}, "
                f"{'enabled' if enabled else 'disabled'}, {'checked' if checked else 'clear'}"
                for caption, role, parent, enabled, checked in check.INITIAL_STATE
                if state["controls"].get(caption) != dict(kind=KINDS[role], parent=parent, enabled=enabled,
                                                          checked=checked)]
    if len(state["controls"]) != len(check.INITIAL_STATE) or state["focus"] != SELECT_STAMP:
        problems.append(f"{sorted(state['controls'])}, the focus on {state['focus']!r}")
    if problems:
        fail("the window does not open as expected:\n    " + "\n    ".join(problems))
    print(f"ok: all {len(check.INITIAL_STATE)} controls as the window opens, the focus on {SELECT_STAMP!r}")


def check_accessible(probe):
    """Each control as a screen reader gets it from oleacc: its caption as its name, unavailable while greyed. Wine
    answers these two; the role and the checked state are its generic client's."""
    found = {caption: (name, int(state) & UNAVAILABLE != 0)
             for _, caption, name, role, state in probe.ask("accessible")}
    wrong = [f"{caption!r}: {found.get(caption)}" for caption, _, _, enabled, _ in check.INITIAL_STATE
             if found.get(caption) != (caption, not enabled)]
    if wrong:
        fail("through oleacc, expected each caption as the name and greyed ones unavailable:\n    "
             + "\n    ".join(wrong))
    print(f"ok: through oleacc all {len(check.INITIAL_STATE)} controls carry their captions, the greyed unavailable")


def check_icons(dpi):
    poll(f"the window's icons to be {ICONS[dpi]}", lambda: check.icon_sizes(TITLE) == ICONS[dpi])
    print(f"ok: the window's icons at {dpi} dpi are {' and '.join(str(w) for w, _ in ICONS[dpi])} pixels")


def check_default_button(probe, state, drawn=True):
    """Calculate is the window's default button as the dialog manager reports it, and drawn as one: the visual styles
    frame it in their accent colour, a plain button in grey."""
    default = probe.ask("placement")[1]
    if default != ["default", CALCULATE, str(1)]:  # BS_DEFPUSHBUTTON
        fail(f"DM_GETDEFID and Calculate's style give {default}, expected {CALCULATE!r} and BS_DEFPUSHBUTTON")
    if not drawn:
        return
    _, left, top, _, height = check.CLICK_TARGETS[CALCULATE]
    r, g, b = check.pixel(state["client"][0] + check.to_pixels(left, 1),
                          state["client"][1] + check.to_pixels(top + height // 2, 1))
    if b - r < 100:
        fail(f"Calculate's frame is drawn in {(r, g, b)}, not in the accent of a default button")
    print("ok: Calculate is the default button, reported so and drawn with its accent")


def wait_focus(probe, target, checked=False):
    return poll(f"the focus on {target!r}" + (" and checked" if checked else ""),
                lambda: (s := probe.state())["focus"] == target and (not checked or s["controls"][target]["checked"])
                and s)


def calculate_by_keyboard(probe):
    """The README's 15 keys, then Ctrl+C; the chords of Ctrl, Alt and Shift with the arrows and Return do nothing."""
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{TITLE}$", "windowfocus", "--sync"],
                   check=True, capture_output=True, timeout=check.WAIT_SECONDS)
    probe.ask("copy before")
    press("ctrl+c")  # before the first result: nothing to copy
    for key, target in check.KEYBOARD_RUN:
        press(key)
        wait_focus(probe, target, checked=key in ("Up", "Down"))
        if probe.ask("clipboard") != [["before"]]:
            fail(f"Ctrl+C before the first result changed the clipboard to {probe.ask('clipboard')}")
    for chord in ("ctrl+Up", "alt+Down", "shift+Down", "ctrl+Return", "shift+KP_Enter"):
        press(chord)
    press("Up")  # once it has moved to the prompt, the chords before it have been handled
    if result(wait_focus(probe, check.SELECT_POLARITY, checked=True)) != " 0":
        fail("a chord with Ctrl or Shift pressed Calculate")
    press("Down")
    check_default_button(probe, wait_focus(probe, "Inverted", checked=True))
    probe.events()
    press("Return")
    poll("the result '16468'", lambda: result(probe.state()) == "16468")
    press("Return")  # the same result again
    press("ctrl+c")
    poll("'16468' on the clipboard", lambda: probe.ask("clipboard") == [["16468"]])
    if (spoken := probe.spoken()) != ["16468"] * 2:
        fail(f"two Returns made screen readers hear {spoken} of the result label, expected '16468' twice")
    print(f"ok: {len(check.KEYBOARD_RUN) + 1} keys from start to '16468', chords that do nothing, Ctrl+C before it "
          "too; the result spoken as a live region, the same again too; Ctrl+C copies it")


def check_refusal(probe, layout, screenshots):
    """From the polarity group back to BS1, which greys out the chosen 9600: Shift+Tab enters the baud group at its
    first enabled option, Space selects it, and Calculate refuses the stored rate. The box, modal over the window; a
    click behind it changes nothing; Return closes it and the focus is back where it was."""
    for key, target in (("Tab", "9600"), ("Tab", "BS2"), ("Up", "BS1"), ("shift+Tab", SELECT_RATE),
                        ("space", SELECT_RATE), ("Tab", "BS1")):
        press(key)
        wait_focus(probe, target, checked=key in ("Up", "space"))
    probe.events()
    press("Return")

    def shown_over_the_window():
        state = probe.state()
        box, controls = state["box"], state["controls"]
        wanted = dict(title=check.REFUSAL_TITLE, text="\r\n".join(check.REFUSAL_LINES), buttons=["OK"])
        if not box or {key: box[key] for key in wanted} != wanted or not box["icon"]:
            fail(f"the box is {box}, expected {wanted} with an icon")
        if state["enabled"] or not controls[SELECT_RATE]["checked"] or controls["9600"]["checked"]:
            fail(f"behind the box the window should be disabled, on {SELECT_RATE!r}, with 9600 cleared")
        # Centred on the window as a whole, title bar and border included, rounded down; on its monitor's work area.
        (_, window, work), (bx, by, bw, bh) = probe.ask("placement")[0], box["rect"]
        (wx, wy, ww, wh), (ax, ay, aw, ah) = ([int(v) for v in r.split(",")] for r in (window, work))
        centred = [max(ax, min(wx + (ww - bw) // 2, ax + aw - bw)), max(ay, min(wy + (wh - bh) // 2, ay + ah - bh))]
        if [bx, by] != centred:
            fail(f"the box stands at {bx},{by}, expected {centred[0]},{centred[1]}: centred on the window at {window}")
        return state

    state = poll("the refusal box over the disabled window", shown_over_the_window)
    icon = check.screen_pixels(*state["box"]["icon"])
    if not any(r > 200 and g > 160 and b < 100 for row in icon for r, g, b in zip(row[0::3], row[1::3], row[2::3])):
        fail("the box's icon shows no yellow: not the exclamation-mark warning")
    if screenshots:
        screenshot(f"{screenshots}/tevrolin-windows-refusal.png")
    layout.click("BS2")
    press("Return")
    state = wait_focus(probe, "BS1")
    if state["box"] or not state["controls"]["BS1"]["checked"] or state["controls"]["BS2"]["checked"]:
        fail("the click on BS2 behind the box changed the selection, or the box stayed")
    # The box is read as it opens; the label, which keeps the last result, is not announced as if it answered. A
    # click sent now is handled once the refusal's handler has returned, after every event it raised.
    probe.ask("send BS1")
    if spoken := probe.spoken():
        fail(f"the refusal made screen readers hear {spoken} of the result label, expected nothing")
    print("ok: Shift+Tab to a greyed choice's group, Space; the refusal box, modal and centred on the window, nothing "
          "spoken of the label; the focus back")


def check_arrows_past_greyed(probe):
    """With a BS1 the fast rates are greyed: Left and Right pass over them to the next enabled option, wrapping."""
    press("shift+Tab")
    wait_focus(probe, SELECT_RATE, checked=True)
    for key, target in ARROWS_PAST_GREYED:
        press(key)
        wait_focus(probe, target, checked=True)
    print(f"ok: Left and Right wrap past a BS1's greyed rates: {', '.join(t.strip() for _, t in ARROWS_PAST_GREYED)}")


def sweep(probe):
    """Every module, rate, parity and polarity, each as a user reaches it: a BS2 first so that every rate can be
    chosen, the rate, parity and polarity, then the module, so that a BS1 meets the fast rates it refuses."""
    worked = re.findall(r"\{ *(\d+), *(-?\d+), *(-?\d+), *(-?\d+) *\}", (TESTS / "workedresults.h").read_text())
    wrong, count, shown = [], 0, []
    probe.events()
    for model, column in DIVIDEND_COLUMN.items():
        for rate, *results in worked:
            for parity, polarity in ((p, q) for p in PARITIES for q in POLARITIES):
                for name in ("BS2", rate, parity, polarity, model):
                    probe.ask(f"send {name}")
                if column is not None:
                    expected = str(int(results[column]) + PARITIES[parity] + POLARITIES[polarity])
                else:
                    expected = f"{'N' if POLARITIES[polarity] else 'T'}{rate}" if int(rate) <= 2400 else "refused"
                got = result(probe.state()) if probe.ask(f"send {CALCULATE}") == [["done"]] else "refused"
                shown += [got] if got != "refused" else []
                if got == "refused":
                    # The rate falls back to the prompt, alone checked in its group: the greyed rate is cleared.
                    rates = poll("the box", lambda: (s := probe.state())["box"] and s["controls"])
                    baud = [c for c, v in rates.items() if v["parent"] == "Baud" and v["checked"]]
                    if baud != [SELECT_RATE] or rates[rate]["enabled"]:
                        wrong.append(f"{model} {rate}: refused with {baud} checked in the greyed baud group")
                    probe.ask("send OK")
                if got != expected:
                    wrong.append(f"{model} {rate} {parity} {polarity}: {got}, expected {expected}")
                count += 1
    if count != 7 * 11 * 2 * 2 or wrong:
        fail(f"of {count} combinations these differ from the worked results: {wrong}")
    # Screen readers read the label when the event reaches them, which may be after the next result: only the count
    # is certain here.
    if len(spoken := probe.spoken()) != len(shown):
        fail(f"screen readers were told of {len(spoken)} results, expected each of the {len(shown)} shown once")
    print(f"ok: all {count} combinations by clicks give the worked results, each spoken once, or the refusal for a BS1 "
          "above 2400, with the rate cleared back to the prompt")


def calculate_by_pointer(probe, layout):
    check.run("xdotool", "mousemove", "0", "0")  # --sync waits for ever on a pointer already in place
    for name in ("BS2", "9600", "8 bit, no parity", "Inverted", CALCULATE):
        layout.click(name)
        poll(f"{name!r} checked", lambda: name == CALCULATE or probe.state()["controls"][name]["checked"])
    poll("the result '16468'", lambda: result(probe.state()) == "16468")
    print("ok: BS2, 9600, 8 bit no parity, Inverted, Calculate by the real pointer -> '16468'")


def check_runtime_error(wine_run, program, probe):
    """A run-time error in the real program: the result label closed from outside, as any program can close another's
    control with WM_CLOSE, so that Calculate cannot enable it. The error's box, then status 1."""
    process = subprocess.Popen([wine_run, program])
    try:
        poll("the window again", probe.state)
        probe.ask("destroy  0")
        poll("the result label gone", lambda: " 0" not in probe.state()["controls"])
        for name in ("BS2", "9600", "8 bit, no parity", "Inverted", CALCULATE):
            probe.ask(f"send {name}")
        box = poll("the error's box", lambda: probe.state()["box"])
        if box["title"] != TITLE or not box["text"].startswith("Run-time error: ") or box["buttons"] != ["OK"]:
            fail(f"the run-time error's box is {box}")
        probe.ask("send OK")
        if process.wait(timeout=check.WAIT_SECONDS) != 1:
            fail(f"after the run-time error the program ended with status {process.returncode}, expected 1")
    finally:
        process.kill()
    print(f"ok: a control closed from outside: {box['text'].splitlines()[0]!r} in a box, then status 1")


class Installation:
    """The package installed in the prefix, as a user finds it: the program and its console companion under Program
    Files, the Start menu's shortcut to the program (Wine puts a machine-wide package's into the user's Start menu,
    Windows into that of all users), and one entry under Apps with the version and the icon, also after an upgrade
    from an older package."""

    def __init__(self, wine_run, msi, program, older=None):
        self.wine_run, self.msi, self.drive = wine_run, msi, Path(os.environ["WINEPREFIX"]) / "drive_c"
        if older:
            self.msiexec("/i", older)
            if [re.findall(r"DisplayVersion    REG_SZ    (\S+)", entry) for entry in self.entries()] != [["0.9.0.0"]]:
                fail(f"the older package made the entries {self.entries()} under Apps")
        self.msiexec("/i")
        apps, icon = self.registered()
        folder = self.drive / "Program Files/Tevrolin"
        if (self.files()[:2] != [folder / "tevrolin.exe", folder / "tevrolin.com"] or len(self.files()) != 3
                or self.files()[0].read_bytes() != Path(program).read_bytes()
                or self.files()[1].read_bytes() != Path(program).with_suffix(".com").read_bytes()
                or "DisplayVersion    REG_SZ    1.0.0.0" not in apps or not icon
                or not (self.drive / icon.group(1).replace("\\", "/")).is_file()):
            fail(f"the package installed {self.files()}, an entry under Apps {apps!r} and the icon {icon}")
        if len(self.entries()) != 1:
            fail(f"after the upgrade there are {len(self.entries())} entries under Apps: {self.entries()}")
        print("ok: installed under Program Files with its console companion, with a Start menu shortcut and an entry "
              f"under Apps with its icon{', the older package replaced' if older else ''}")
        target = self.shortcut_target()
        if target != r"C:\Program Files\Tevrolin\tevrolin.exe":
            fail(f"the Start menu's shortcut leads to {target!r}")
        print(f"ok: the Start menu's shortcut leads to {target}")
        self.program = r"C:\Program Files\Tevrolin\tevrolin.exe"
        self.console = r"C:\Program Files\Tevrolin\tevrolin.com"

    def msiexec(self, action, package=None):
        subprocess.run([self.wine_run, "msiexec", action, package or self.msi, "/qn"], check=True,
                       stdout=subprocess.DEVNULL)

    def files(self):
        return [*self.drive.glob("Program Files/Tevrolin/tevrolin.exe"),
                *self.drive.glob("Program Files/Tevrolin/tevrolin.com"),
                *self.drive.glob("ProgramData/Microsoft/Windows/Start Menu/Programs/Tevrolin.lnk"),
                *self.drive.glob("users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tevrolin.lnk")]

    def entries(self):
        """Every entry under Apps that names the program."""
        key = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
        listed = subprocess.run([self.wine_run, "reg", "query", key, "/s"], capture_output=True, text=True,
                                timeout=60).stdout
        return [block for block in listed.split("\n\n") if f"DisplayName    REG_SZ    {TITLE}" in block]

    def shortcut_target(self):
        """The path the shortcut's link information names, as Explorer follows it (the LocalBasePath of a .lnk)."""
        link = next((path for path in self.files() if path.suffix == ".lnk"), None)
        data = link.read_bytes() if link else b""
        if len(data) < 0x4C or data[:4] != b"\x4c\0\0\0":
            return None
        flags, = struct.unpack_from("<I", data, 0x14)
        at = 0x4C
        if flags & 0x1:  # HasLinkTargetIDList
            at += 2 + struct.unpack_from("<H", data, at)[0]
        if not flags & 0x2:  # HasLinkInfo
            return None
        base, = struct.unpack_from("<I", data, at + 0x10)
        return data[at + base:data.index(b"\0", at + base)].decode("latin-1")

    def registered(self):
        """The program's entry under Apps, and the icon of its package."""
        def block(key, name):
            listed = subprocess.run([self.wine_run, "reg", "query", key, "/s"], capture_output=True, text=True,
                                    timeout=60).stdout
            return next((b for b in listed.split("\n\n") if f"{name}    REG_SZ    {TITLE}" in b), "")

        return (block(r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall", "DisplayName"),
                re.search(r"ProductIcon    REG_SZ    C:\\(.*)",
                          block(r"HKLM\Software\Classes\Installer\Products", "ProductName")))

    def remove(self):
        self.msiexec("/x")
        if self.files() or any(self.registered()):
            fail(f"after removal there remain {self.files()} and {self.registered()}")
        print("ok: removing the package takes the program, the shortcut and the entry under Apps away")


def table_layout():
    """Each control of the table (core/controltable.h) by caption: its container's caption, or None for the window,
    and its rectangle in twips as the load step leaves it."""
    rows = re.findall(r'\{ *(\w+), +\w+, +(\w+), +("[^"]*"|kNotice), +\{ *(\d+), +(\d+), +(\d+), +(\d+) *\}',
                      (TESTS.parent / "core/controltable.h").read_text())
    captions = {name: check.NOTICE if caption == "kNotice" else caption[1:-1] for name, _, caption, *_ in rows}
    layout = {}
    for name, container, _, *twips in rows:
        rect = dict(zip(("left", "top", "width", "height"), map(int, twips)))
        side, value = LOAD_STEP.get(captions[name], (None, None))
        rect.update({side: value} if side else {})
        layout[captions[name]] = (captions.get(container), rect)
    if len(layout) != len(check.INITIAL_STATE):
        fail(f"read {len(layout)} controls from the table, expected {len(check.INITIAL_STATE)}")
    return layout


def ink_columns(picture, left, width, rows):
    """The columns of the picture's rectangle where anything but its most common colour, the background, is drawn."""
    rows = [picture[y][3 * left:3 * (left + width)] for y in rows]
    [(background, _)] = Counter(row[x:x + 3] for row in rows for x in range(0, len(row), 3)).most_common(1)
    return [left + x for x in range(width) if any(row[3 * x:3 * x + 3] != background for row in rows)]


def check_captions(probe, layout, scale, when):
    """Every caption as the screen shows it, but the frames': its ink as wide as Tahoma's at the table's size (so
    neither another font nor a letter cut off), ending short of its control's edge and of its frame's line by a
    column; each control where the table puts it, but an option whose caption needs more room: wider, just enough."""
    state = probe.state()
    origin, (client_width, client_height) = state["client"][:2], state["client"][2:]
    picture = check.screen_pixels(*origin, client_width, client_height)
    on_screen = {caption: [int(v) for v in rect] for _, caption, *rect in probe.ask("rects")}
    px = lambda twips: check.to_pixels(twips, scale)  # noqa: E731
    problems, grown = [], []
    for caption, role, *_ in check.INITIAL_STATE:
        container, rect = layout[caption]
        if caption in FRAMES:
            continue
        # The frame it stands in: its container, or for the polarity options the frame under them.
        frame = layout[container][1] if container else next(
            (r for c, (_, r) in layout.items() if c in FRAMES and r["left"] <= rect["left"] < r["left"] + r["width"]
             and r["top"] <= rect["top"] < r["top"] + r["height"]), None)
        shift = layout[container][1] if container else dict(left=0, top=0)
        table = [px(shift["left"]) + px(rect["left"]), px(shift["top"]) + px(rect["top"]), px(rect["width"]),
                 px(rect["height"])]
        got = [on_screen[caption][0] - origin[0], on_screen[caption][1] - origin[1], *on_screen[caption][2:]]
        edge = min(got[0] + got[2], client_width if frame is None else px(frame["left"]) + px(frame["width"]) - px(30))
        inset = px(60) if role == check.BUTTON else 0  # the button's border
        rows = range(got[1] + inset, got[1] + got[3] - inset)
        columns = ink_columns(picture, got[0] + inset, min(got[2], edge - got[0]) - 2 * inset, rows)
        if role == check.RADIO:  # without the indicator's columns, which end at the first blank one
            columns = columns[next((i for i in range(1, len(columns)) if columns[i] > columns[i - 1] + 1), 0):]
        width = columns[-1] - columns[0] + 1 if columns else 0
        # Wine draws some greyed text unsmoothed, in two colours and the background: against Tahoma drawn so too.
        smoothing = "smooth" if len({picture[y][3 * x:3 * x + 3] for x in columns for y in rows}) > 3 else "plain"
        pixels = math.floor(Fraction(str(CAPTION_POINTS.get(caption, 8.25))) * 96 * scale / 72 + Fraction(1, 2))
        [[reference]] = probe.ask(f"ink {pixels} {smoothing} {caption}")
        if not 0 <= width - int(reference) <= 1:  # greyed text is embossed: its highlight one pixel to the right
            problems.append(f"{caption!r} is {width} pixels of ink, Tahoma {smoothing} at {pixels} pixels {reference}")
        if columns and columns[-1] > edge - 2:
            problems.append(f"{caption!r} is inked up to column {columns[-1]}, its control or frame ends at {edge}")
        if got[:2] + got[3:] != table[:2] + table[3:] or got[2] < table[2]:
            problems.append(f"{caption!r} stands at {got}, the table at {table}")
        elif got[2] > table[2]:
            grown.append(f"{caption.strip()!r} by {got[2] - table[2]}")
            if role != check.RADIO or not columns or columns[-1] < got[0] + got[2] - 3:
                problems.append(f"{caption!r} grown up to column {got[0] + got[2]}, its ink ends at {columns[-1:]}")
    if problems:
        fail(f"{when}:\n    " + "\n    ".join(problems))
    print(f"ok: {when}, every caption whole and in its font; grown: {', '.join(grown) or 'none'}")


def check_captions_in_every_look(wine_run, program, probe_program, dpi, screenshots):
    """The window in each look, once as it opens and once with every group unlocked, its focus taken by another
    program's window so that no focus rectangle stands around a caption."""
    layout, scale = table_layout(), Fraction(dpi, 96)
    for look, (styles, colours, picture) in LOOKS.items():
        for key, value, kind, data in ((r"HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager",
                                        "ThemeActive", "REG_SZ", styles),
                                       *((r"HKCU\Control Panel\Colors", name, "REG_SZ", colour)
                                         for name, colour in colours.items())):
            subprocess.run([wine_run, "reg", "add", key, "/v", value, "/t", kind, "/d", str(data), "/f"], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = subprocess.Popen([wine_run, program])
        probe = Probe(wine_run, probe_program)
        try:
            state = poll("the window", probe.state)
            point = [check.to_pixels(t * 15, scale) + o for t, o in zip(check.BACKGROUND_SAMPLE, state["client"])]
            if " ".join(map(str, check.pixel(*point))) != colours["ButtonFace"]:
                fail(f"with {look} the window's background is {check.pixel(*point)}, not {colours['ButtonFace']}")
            if screenshots:
                screenshot(f"{screenshots}/tevrolin-windows-{dpi}dpi{picture}.png")
            for stage, clicks in (("as it opens", []), ("unlocked", ["BS2", "9600", "8 bit, no parity", "True"])):
                for name in clicks:
                    probe.ask(f"send {name}")
                probe.ask("unfocus")
                poll("the focus away from the window", lambda: probe.state()["focus"] == "")
                check_captions(probe, layout, scale, f"with {look} at {dpi} dpi, {stage}")
            probe.ask("close")
            window.wait(timeout=check.WAIT_SECONDS)
        finally:
            probe.process.kill()
            window.kill()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("wine_run")
    parser.add_argument("program")
    parser.add_argument("probe")
    parser.add_argument("--dpi", type=int, default=96)
    parser.add_argument("--msi", help="install the program from this package, run the installed copy, remove it")
    parser.add_argument("--older", help="with --msi: install this older package first, which --msi must replace")
    parser.add_argument("--screenshots", help="a folder for pictures of the window")
    parser.add_argument("--captions", action="store_true", help="measure every caption on the screen in every look")
    args = parser.parse_args()
    scale = Fraction(args.dpi, 96)

    with open(f"{tempfile.mkdtemp(prefix='tevrolin-wine-')}/display", "w+") as display:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(display.fileno()), "-screen", "0",
                                 "2048x1536x24" if args.captions else "1600x1200x24", "-dpi",
                                 str(args.dpi), "-nolisten", "tcp"], pass_fds=[display.fileno()],
                                stderr=subprocess.DEVNULL)
        number = poll("the X server", lambda: open(display.name).read().strip())
    os.environ.update(DISPLAY=f":{number}", WINE_HELD="1", WINE_TIMEOUT="300")
    wine_run = args.wine_run
    subprocess.run([wine_run], check=True)  # the prefix, once
    subprocess.run(["timeout", "30", "wineserver", "--kill"], stderr=subprocess.DEVNULL)
    subprocess.run(["timeout", "30", "wineserver", "--persistent"], check=True)
    processes = [xvfb]
    try:
        # The screen's DPI; and windows that Wine places itself, since no window manager would answer it (it waits
        # 2 s for each window it hides). Wine's own services start with the first program and keep its output open:
        # none of theirs is read.
        # At 144 dpi also a black high-contrast scheme, which the window must follow; as on Windows, it turns the
        # visual styles off.
        for key, value, kind, data in ((r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", args.dpi),
                                       (r"HKCC\Software\Fonts", "LogPixels", "REG_DWORD", args.dpi),
                                       (r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N"),
                                       (r"HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager",
                                        "ThemeActive", "REG_SZ", int(args.dpi == 96)),
                                       *((r"HKCU\Control Panel\Colors", name, "REG_SZ", colour) for name, colour
                                         in SCHEMES.get(args.dpi, {}).items())):
            subprocess.run([wine_run, "reg", "add", key, "/v", value, "/t", kind, "/d", str(data), "/f"], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if args.captions:
            return check_captions_in_every_look(wine_run, args.program, args.probe, args.dpi, args.screenshots)
        installation = Installation(wine_run, args.msi, args.program, args.older) if args.msi else None
        # Wine's oleacc names the annotations it is asked for and does not keep, among its own messages.
        oleacc = tempfile.TemporaryFile("w+")
        environment = dict(os.environ, WINEDEBUG="-all,fixme+oleacc")
        if installation:
            # The installed console companion as cmd runs it: an answer on the console; then, with nothing, the window,
            # which it starts and leaves, returning at once.
            answer = subprocess.run([wine_run, installation.console, *BAUD_MODE_ARGUMENTS], capture_output=True,
                                    timeout=60)
            if (answer.returncode, answer.stdout) != (0, b"16468\r\n"):
                fail(f"the installed tevrolin.com answered {answer.stdout!r} with status {answer.returncode}")
            print("ok: the installed tevrolin.com answers 16468 on the console")
            processes.append(subprocess.Popen([wine_run, installation.console], env=environment, stderr=oleacc))
            try:
                status = processes[1].wait(timeout=30)
            except subprocess.TimeoutExpired:
                fail("tevrolin.com without arguments did not return while the window was open")
            if status != 0:
                fail(f"tevrolin.com without arguments ended with status {status}")
            print("ok: tevrolin.com without arguments started the window and returned at once with status 0")
        else:
            processes.append(subprocess.Popen([wine_run, args.program], env=environment, stderr=oleacc))
        probe = Probe(wine_run, args.probe)
        processes.append(probe.process)

        size = [check.to_pixels(t, scale) for t in check.CLIENT_TWIPS]
        state = poll("the window", probe.state)
        if state["client"][2:] != size or state["dpi"] != args.dpi:
            fail(f"the client area is {state['client'][2:]} at {state['dpi']} dpi, expected {size} at {args.dpi}")
        print(f"ok: window {TITLE!r} at {args.dpi} dpi, client area {size[0]}x{size[1]}")
        point = [origin + check.to_pixels(t * 15, scale) for origin, t in zip(state["client"], check.BACKGROUND_SAMPLE)]
        colour = " ".join(map(str, check.pixel(*point)))
        if colour != SCHEMES[args.dpi]["ButtonFace"]:
            fail(f"the window's background is {colour}, not the scheme's {SCHEMES[args.dpi]['ButtonFace']}")
        if args.screenshots:
            screenshot(f"{args.screenshots}/tevrolin-windows-{args.dpi}dpi.png")
        layout = check.Layout(state["client"][:2], scale)
        check_icons(args.dpi)
        if args.dpi == 96 and not installation:
            check_initial_state(state)
            check_default_button(probe, state, drawn=False)  # greyed
            check_accessible(probe)
            calculate_by_keyboard(probe)
            check_refusal(probe, layout, args.screenshots)
            check_arrows_past_greyed(probe)
            sweep(probe)
        calculate_by_pointer(probe, layout)
        probe.ask("close")
        if processes[1].wait(timeout=check.WAIT_SECONDS) != 0:
            fail(f"closed, the program ended with status {processes[1].returncode}")
        print("ok: closing the window ends the program with status 0")
        oleacc.seek(0)
        if not re.search(LIVE_SETTING, oleacc.read()):
            fail("the program did not ask oleacc to make the result label a polite live region")
        print("ok: the program asked oleacc for the result label's LiveSetting, Polite, which Wine does not keep")
        if args.dpi == 96 and not installation:
            check_runtime_error(wine_run, args.program, probe)
        if installation:
            installation.remove()
    finally:
        subprocess.run(["timeout", "30", "wineserver", "--kill"], stderr=subprocess.DEVNULL)
        for process in reversed(processes):
            process.kill()


if __name__ == "__main__":
    sys.stdout.reconfigure(line_buffering=True)
    try:
        main()
    except check.CheckFailed as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(1)
    print("e2e under Wine: all checks passed")
