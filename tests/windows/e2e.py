#!/usr/bin/python3
"""Runs tevrolin.exe under Wine on a private X server and checks it from outside, as a user and an assistive tool meet
it: real keys and the real pointer through the X server, the window read back by the probe (another Windows process)
and from the screen.

The cases are the Linux window's own (tests/e2e/check.py): the controls as the window opens, the keyboard's path, where
the pointer clicks, the refusal box. With --dpi 144 only the geometry is checked: the window's size, and that clicks at
the scaled positions land. With --msi the program is installed from the package first, and what opens is the installed
copy; then the package is removed. With --screenshots DIR the window is photographed on the way, as the README shows it.
"""

import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
from fractions import Fraction
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import check  # noqa: E402
from check import CALCULATE, SELECT_RATE, SELECT_STAMP, TITLE, fail, poll, press  # noqa: E402

KINDS = {check.PANEL: "frame", check.RADIO: "option", check.BUTTON: "button", check.LABEL: "label"}


class Probe:
    """The probe program under Wine: one command a line, one line of JSON back."""

    def __init__(self, wine_run, exe):
        self.process = subprocess.Popen([wine_run, exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        return json.loads(self.process.stdout.readline())

    def state(self):
        return self.ask("state")


def screenshot(path, state, box=False):
    """The window with its title bar, and the box over it."""
    _, x, y, width, height = check.window_geometry(TITLE)
    if box:
        bx, by, bw, bh = state["box"]["rect"]
        x, y, width, height = min(x, bx), min(y, by), max(x + width, bx + bw) - min(x, bx), max(y + height, by + bh) - min(y, by)
    subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "+repage", path], check=True)


def check_initial_state(state):
    problems = []
    for caption, role, parent, enabled, checked in check.INITIAL_STATE:
        got = state["controls"].get(caption)
        wanted = {"kind": KINDS[role], "parent": parent, "enabled": enabled, "checked": checked}
        if got is None or {key: got[key] for key in wanted} != wanted:
            problems.append(f"{caption!r}: {got}, expected {wanted}")
    if len(state["controls"]) != len(check.INITIAL_STATE):
        problems.append(f"{len(state['controls'])} controls: {sorted(state['controls'])}")
    if state["focus"] != SELECT_STAMP:
        problems.append(f"the focus is on {state['focus']!r}, expected {SELECT_STAMP!r}")
    if problems:
        fail("the window does not open as expected:\n    " + "\n    ".join(problems))
    print(f"ok: all {len(check.INITIAL_STATE)} controls by caption, kind, container, enabled and checked state; the "
          f"focus on {SELECT_STAMP!r}")


def result(state):
    return next(c for c, v in state["controls"].items() if v["kind"] == "label" and c != check.NOTICE)


def wait_focus(probe, target, checked=False):
    return poll(f"the focus on {target!r}" + (" and checked" if checked else ""),
                lambda: (s := probe.state())["focus"] == target and (not checked or s["controls"][target]["checked"])
                and s)


def calculate_by_keyboard(probe):
    """The README's 15 keys, then Ctrl+C; the chords of Ctrl, Alt and Shift with the arrows and Return do nothing."""
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{TITLE}$", "windowfocus", "--sync"],
                   check=True, capture_output=True, timeout=check.WAIT_SECONDS)
    for key, target in check.KEYBOARD_RUN:
        press(key)
        wait_focus(probe, target, checked=key in ("Up", "Down"))
    before = probe.state()
    for chord in ("ctrl+Up", "alt+Down", "shift+Down", "ctrl+Return", "shift+KP_Enter"):
        press(chord)
    press("Return")
    poll("the result '16468'", lambda: result(probe.state()) == "16468")
    after = probe.state()
    if after["focus"] != before["focus"] or any(after["controls"][c]["checked"] != v["checked"]
                                                for c, v in before["controls"].items() if c in after["controls"]):
        fail("a chord with Ctrl, Alt or Shift moved the focus or a selection")
    press("ctrl+c")
    poll("'16468' on the clipboard", lambda: probe.state()["clipboard"] == "16468")
    print(f"ok: {len(check.KEYBOARD_RUN) + 1} keys from start to '16468', chords that do nothing; Ctrl+C copies it")


def check_refusal(probe, layout, screenshots):
    """From the polarity group back to BS1, which greys out the chosen 9600: Shift+Tab enters the baud group at its
    first enabled option, Space selects it, and Calculate refuses the stored rate. The box, modal over the window; a
    click behind it changes nothing; Return closes it and the focus is back where it was."""
    for key, target in (("Tab", "9600"), ("Tab", "BS2"), ("Up", "BS1"), ("shift+Tab", SELECT_RATE),
                        ("space", SELECT_RATE), ("Tab", "BS1")):
        press(key)
        wait_focus(probe, target, checked=key in ("Up", "space"))
    press("Return")
    wanted = {"title": check.REFUSAL_TITLE, "texts": ["\r\n".join(check.REFUSAL_LINES)], "buttons": ["OK"]}

    def shown_over_the_window():
        state = probe.state()
        box, controls = state["box"], state["controls"]
        if not box or {key: box[key] for key in wanted} != wanted or not box["icon"]:
            fail(f"the box is {box}, expected {wanted} with an icon")
        if state["enabled"] or not controls[SELECT_RATE]["checked"] or controls["9600"]["checked"]:
            fail(f"behind the box the window should be disabled, on {SELECT_RATE!r}, with 9600 cleared")
        (bx, by, bw, bh), (cx, cy, cw, ch) = box["rect"], state["client"]
        if not (cx < bx + bw // 2 < cx + cw and cy < by + bh // 2 < cy + ch):
            fail(f"the box at {box['rect']} does not stand over the window at {state['client']}")
        return state

    state = poll("the refusal box over the disabled window", shown_over_the_window)
    x, y, width, height = state["box"]["icon"]
    icon = check.screen_pixels(x, y, width, height)
    if not any(r > 200 and g > 160 and b < 100 for row in icon for r, g, b in zip(row[0::3], row[1::3], row[2::3])):
        fail("the box's icon shows no yellow: not the exclamation-mark warning")
    if screenshots:
        screenshot(f"{screenshots}/tevrolin-windows-refusal.png", state, box=True)
    layout.click("BS2")
    press("Return")
    state = wait_focus(probe, "BS1")
    if state["box"] or not state["controls"]["BS1"]["checked"] or state["controls"]["BS2"]["checked"]:
        fail("the click on BS2 behind the box changed the selection, or the box stayed")
    print(f"ok: after BS1 greys out 9600, Shift+Tab lands on {SELECT_RATE!r} and Space selects it; the box "
          f"{check.REFUSAL_TITLE!r} with the two lines, a warning icon and one button 'OK', over the "
          "disabled window; a click behind it changes nothing; Return closes it and the focus is back on 'BS1'")


def calculate_by_pointer(probe, layout):
    check.run("xdotool", "mousemove", "0", "0")  # --sync waits for ever on a pointer already in place
    for name in ("BS2", "9600", "8 bit, no parity", "Inverted", CALCULATE):
        layout.click(name)
        if name != CALCULATE:
            poll(f"{name!r} checked", lambda: probe.state()["controls"][name]["checked"])
    poll("the result '16468'", lambda: result(probe.state()) == "16468")
    print("ok: BS2, 9600, 8 bit no parity, Inverted, Calculate by the real pointer -> '16468'")


class Installation:
    """The package installed in the prefix, as a user finds it: the program under Program Files, the Start menu's
    shortcut, and the entry under Apps with the version and the icon."""

    APPS = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"  # the entries of Apps, with their versions
    PRODUCTS = r"HKLM\Software\Classes\Installer\Products"  # ... and the icons of installed packages

    def __init__(self, wine_run, msi, program):
        self.wine_run, self.msi = wine_run, msi
        self.drive = Path(os.environ["WINEPREFIX"]) / "drive_c"
        self.msiexec("/i")
        icon = re.search(r"ProductIcon    REG_SZ    C:\\(.*)", self.registered(self.PRODUCTS, "ProductName"))
        if (self.program_file().read_bytes() != Path(program).read_bytes() or not self.shortcuts()
                or "DisplayVersion    REG_SZ    1.0.0.0" not in self.registered(self.APPS, "DisplayName")
                or not icon or not (self.drive / icon.group(1).replace("\\", "/")).is_file()):
            fail(f"the package installed {self.present()}, an entry under Apps "
                 f"{self.registered(self.APPS, 'DisplayName')!r} and the icon {icon}")
        print("ok: the package installs the program under Program Files, a Start menu shortcut and an entry under Apps "
              "with its version and icon")
        self.program = r"C:\Program Files\Tevrolin\tevrolin.exe"

    def msiexec(self, action):
        subprocess.run([self.wine_run, "msiexec", action, self.msi, "/qn"], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def program_file(self):
        return self.drive / "Program Files/Tevrolin/tevrolin.exe"

    def shortcuts(self):
        # Wine puts a machine-wide package's shortcut into the user's Start menu, Windows into that of all users.
        return [*self.drive.glob("ProgramData/Microsoft/Windows/Start Menu/Programs/Tevrolin.lnk"),
                *self.drive.glob("users/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tevrolin.lnk")]

    def present(self):
        return [str(file) for file in [self.program_file(), *self.shortcuts()] if file.exists()]

    def registered(self, key, name):
        listed = subprocess.run([self.wine_run, "reg", "query", key, "/s"], capture_output=True, text=True,
                                timeout=60).stdout
        return next((block for block in listed.split("\n\n") if f"{name}    REG_SZ    {TITLE}" in block), "")

    def remove(self):
        self.msiexec("/x")
        left = [*self.present(), self.registered(self.APPS, "DisplayName"), self.registered(self.PRODUCTS, "ProductName")]
        if any(left):
            fail(f"after removal there remain {left}")
        print("ok: removing the package takes the program, the shortcut and the entry under Apps away")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("wine_run")
    parser.add_argument("program")
    parser.add_argument("probe")
    parser.add_argument("--dpi", type=int, default=96)
    parser.add_argument("--msi", help="install the program from this package, run the installed copy, remove it")
    parser.add_argument("--screenshots", help="a folder for pictures of the window")
    args = parser.parse_args()
    scale = Fraction(args.dpi, 96)

    work = tempfile.mkdtemp(prefix="tevrolin-wine-")
    with open(f"{work}/display", "w+") as display:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(display.fileno()), "-screen", "0", "1600x1200x24", "-dpi",
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
        # 2 s for each window it hides).
        for key, value, kind, data in ((r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", args.dpi),
                                       (r"HKCC\Software\Fonts", "LogPixels", "REG_DWORD", args.dpi),
                                       (r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N")):
            # Wine's own services start with the first program and keep its output open: none of theirs is read.
            subprocess.run([wine_run, "reg", "add", key, "/v", value, "/t", kind, "/d", str(data), "/f"], check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        installation = Installation(wine_run, args.msi, args.program) if args.msi else None
        processes.append(subprocess.Popen([wine_run, installation.program if installation else args.program]))
        probe = Probe(wine_run, args.probe)
        processes.append(probe.process)

        size = [check.to_pixels(t, scale) for t in check.CLIENT_TWIPS]
        state = poll("the window", lambda: probe.state())
        if state["client"][2:] != size or state["dpi"] != args.dpi:
            fail(f"the client area is {state['client'][2:]} at {state['dpi']} dpi, expected {size} at {args.dpi}")
        print(f"ok: window {TITLE!r} at {args.dpi} dpi, client area {size[0]}x{size[1]}")
        if args.screenshots:
            screenshot(f"{args.screenshots}/tevrolin-windows-{args.dpi}dpi.png", state)
        layout = check.Layout(state["client"][:2], scale)
        if args.dpi == 96 and not installation:
            check_initial_state(state)
            calculate_by_keyboard(probe)
            check_refusal(probe, layout, args.screenshots)
            sweep = probe.ask("sweep")
            if sweep["combinations"] != 7 * 11 * 2 * 2 or sweep["wrong"]:
                fail(f"of {sweep['combinations']} combinations these differ from the worked results: {sweep['wrong']}")
            print(f"ok: all {sweep['combinations']} combinations of module, rate, parity and polarity by clicks give "
                  "the worked results, or the refusal for a BS1 above 2400")
        calculate_by_pointer(probe, layout)
        probe.ask("close")
        if processes[1].wait(timeout=check.WAIT_SECONDS) != 0:
            fail(f"closed, the program ended with status {processes[1].returncode}")
        print("ok: closing the window ends the program with status 0")
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
