#!/usr/bin/python3
"""Opens the built page in Debian's chromium, served over HTTP with its Content Security Policy (serve.py), and checks
it as a user, a keyboard user and a screen reader meet it: the controls as the page opens, every combination by clicks,
what a later click leaves standing, the refusal box, the keyboard's path and Ctrl+C, the narrow layout, dark and forced
colours, the page with JavaScript off or its script or calculator blocked, offline after one visit, shared links, no
violation of the policy, and axe-core's rules in each of these states.

The cases are the Linux window's (tests/e2e/check.py), the Windows window's sweep (tests/windows/e2e.py) and the
core's worked results (tests/workedresults.h). With --screenshots DIR the page is photographed on the way.
"""

import argparse
import importlib.util
import re
import shutil
import sys
import tempfile
import time
import urllib.request
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import serve

TESTS = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(TESTS / "e2e"))
import check  # noqa: E402
from check import CALCULATE, SELECT_RATE, SELECT_STAMP, fail, poll  # noqa: E402

_spec = importlib.util.spec_from_file_location("windows_e2e", TESTS / "windows/e2e.py")
windows = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(windows)

AXE = Path(__file__).resolve().parent / "node_modules/axe-core/axe.min.js"
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync"]
WIDE, NARROW, ZOOMED = (1024, 720), (360, 740), (320, 640)  # CSS pixels; 320 is a 1280 pixel window at 400%
ROLES = {check.PANEL: "group", check.RADIO: "radio", check.BUTTON: "button", check.LABEL: None}
OK, ESCAPE = "OK", "Escape"  # the refusal box's button, and the key that closes it too
WORKED = {rate: results for rate, *results in
          re.findall(r"\{ *(\d+), *(-?\d+), *(-?\d+), *(-?\d+) *\}", (TESTS / "workedresults.h").read_text())}

# The keyboard's path on the page: the desktop's keys, except that Tab goes through the groups in reading order (the
# desktop's Shift+Tab back to the baud group is a Tab forward, and its detour through the module group is not taken).
KEYBOARD_RUN = [("Tab" if key == "shift+Tab" else key, name) for key, name in check.KEYBOARD_RUN
                if (key, name) != ("Tab", "BS2")] + [("Return", None)]
KEYS = {"Down": Keys.DOWN, "Up": Keys.UP, "Tab": Keys.TAB, "Return": Keys.RETURN}

# What a later click leaves standing, as on the desktop: the clicks from a fresh page (OK closes the refusal box), then
# the result shown, the options checked, and those greyed. No click clears a later group or the result.
# fmt: off
BS2_9600_8N_INVERTED = ["BS2", "9600", "8 bit, no parity", "Inverted"]
BS2_115200_8N_TRUE = ["BS2", "115200", "8 bit, no parity", "True"]
STALE_STATE = [
    # clicks                                                         result   checked                greyed
    (BS2_9600_8N_INVERTED + [CALCULATE, "BS2p"],                     "16468", ["BS2p", "9600", "Inverted"], []),
    (BS2_9600_8N_INVERTED + [CALCULATE, "BS2p", CALCULATE],          "16624", ["BS2p"],              []),
    (BS2_115200_8N_TRUE + [CALCULATE, "BS1"],                        "-12",   ["BS1", "115200"],     ["115200"]),
    (BS2_115200_8N_TRUE + [CALCULATE, "BS1", CALCULATE, OK],         "-12",   [SELECT_RATE, "True"], ["115200"]),
    (BS2_115200_8N_TRUE + ["BS1", CALCULATE, OK, CALCULATE, OK, "BS2", CALCULATE],
                                                                     "-12",   [SELECT_RATE, "BS2"],  []),
    (BS2_9600_8N_INVERTED + [SELECT_RATE, CALCULATE],                "16468", [SELECT_RATE],         []),
    (["BS2", "BS1", "2400", "7 bit, even parity", "True", CALCULATE], "T2400", ["2400"],              ["4800", "9600"]),
    ([SELECT_STAMP, "BS1", "BS2e", "BS2sx", "BS2pe", "BS2px"],        "0",     ["BS2px", SELECT_RATE], ["True"]),
]
# Links to the page: the fragment, then the result and the module checked. An unknown part or one the cascade does not
# allow there ends the replay, with no box, no error and nothing of the address written into the page.
SHARED_LINKS = [
    ("module=BS2&baud=9600&parity=8N&polarity=inverted",  "16468", "BS2"),
    ("module=BS1&baud=2400&parity=7E&polarity=true",      "T2400", "BS1"),
    ("module=BS1&baud=9600&parity=8N&polarity=inverted",  "0",     "BS1"),
    ("module=BS2&baud=9600&parity=8N",                    "0",     "BS2"),
    ("module=<img src=x id=injected>&baud=9600",          "0",     SELECT_STAMP),
    ("baud=9600&module=BS2&parity=8N&polarity=inverted",  "0",     SELECT_STAMP),
    ("module=BS2&baud=9600&parity=8N&polarity=inverted&x=" + "%FF" * 3000, "0", "BS2"),
    ("%E0%A4%A&&&==",                                     "0",     SELECT_STAMP),
]
# fmt: on
MIN_TEXT_PX, MIN_TARGET_PX, MIN_CONTRAST = 16, 44, 4.5
# A file the server refuses, and what the line at the foot of the page then says: the script's own words, or the page's
# where the script never runs.
BLOCKED = [("tevrolin.wasm", "could not load its calculator"), ("tevrolin.js", "has not loaded")]

# Each text on the page that a user reads, its colour and the background it stands on, and whether it is greyed.
COLOURS_JS = """
const rgb = (c) => c.match(/[\\d.]+/g).map(Number);
const backdrop = (e) => { for (; e; e = e.parentElement) { const c = rgb(getComputedStyle(e).backgroundColor);
    if (c.length < 4 || c[3] > 0) return c.slice(0, 3); } return [255, 255, 255]; };
const texts = [...document.querySelectorAll('#Form1 legend, #Form1 label, #Form1 button, #Form1 output, #Form1 p,'
    + ' #MessageBox[open] :is(h2, p, button)')];
return texts.map((e) => [e.textContent.trim(), rgb(getComputedStyle(e).color).slice(0, 3), backdrop(e),
    e.matches('label:has(:disabled), [aria-disabled=true], :disabled')]);
"""
# The controls: each element, its id and text, its group, and the middle of what takes a click.
CONTROLS_JS = """
return [...document.querySelectorAll('#Form1 :is(fieldset, input, button, output, p)')].map((e) => {
    const r = e.getBoundingClientRect();
    return [e, e.id, e.textContent, e.name || null, r.x + r.width / 2, r.y + r.height / 2]; });
"""
STATE_JS = """
const form = document.getElementById('Form1');
return [Object.fromEntries([...form.querySelectorAll('input, button')].map((e) => [e.id, [e.checked, e.disabled]])),
    form.querySelector('output').textContent.trim(), document.getElementById('MessageBox').open];
"""
OK_JS = """const r = document.querySelector('#MessageBox button').getBoundingClientRect();
return [r.x + r.width / 2, r.y + r.height / 2];"""
LAYOUT_JS = """
const root = document.documentElement, seen = (e) => e.getBoundingClientRect().height > 0;
const controls = [...document.querySelectorAll('#Form1 .c, #Form1 legend')].filter(seen);
return {scroll: root.scrollWidth - root.clientWidth, width: root.clientWidth,
    controls: controls.map((e) => { const r = e.getBoundingClientRect();
        return [e.textContent.trim(), e.localName, r.left, r.right, r.height, parseFloat(getComputedStyle(e).fontSize)];
    })};
"""


def luminance(rgb):
    def channel(c):
        c /= 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4

    r, g, b = (channel(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    light, dark = sorted((luminance(a), luminance(b)), reverse=True)
    return (light + 0.05) / (dark + 0.05)


def expected_result(model, rate, parity, polarity):
    """The Baud Mode for a choice, from the worked results; None where a BS1 refuses the rate."""
    column = windows.DIVIDEND_COLUMN[model]
    if column is None:
        return f"{'N' if windows.POLARITIES[polarity] else 'T'}{rate}" if int(rate) <= 2400 else None
    return str(int(WORKED[rate][column]) + windows.PARITIES[parity] + windows.POLARITIES[polarity])


class Page:
    """The page in one chromium, reached by the names a screen reader gives its controls."""

    def __init__(self, server, shots):
        self.server, self.shots, self.profile = server, shots, tempfile.mkdtemp(prefix="tevrolin-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in CHROMIUM_FLAGS + [f"--user-data-dir={self.profile}"]:
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.set_script_timeout(30)
        self.cdp = self.driver.execute_cdp_cmd
        self.axe = AXE.read_text()
        self.violations = []  # of the policy, from the console
        self.names = {}  # each control's name by its id
        self.viewport(*WIDE)

    def close(self):
        self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def viewport(self, width, height):
        self.cdp("Emulation.setDeviceMetricsOverride",
                 {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < WIDE[0]})

    def media(self, **features):
        self.cdp("Emulation.setEmulatedMedia", {"features": [{"name": k.replace("_", "-"), "value": v}
                                                              for k, v in features.items()]})

    def open(self, address="", host="127.0.0.1", ready=True):
        if address.startswith("#"):
            self.driver.get("about:blank")  # a load of its own, not a change of the fragment
        self.driver.get(self.server.url.replace("127.0.0.1", host) + address)
        if ready:
            poll("the page ready", lambda: self.driver.execute_script("return document.documentElement.dataset")
                 .get("ready") == "")
        found = self.driver.execute_script(CONTROLS_JS)
        if not self.names:
            # The result by its desktop caption, whatever it shows; the notice by its text; the rest by the names the
            # browser gives them.
            self.names = {id: {"output": "0", "p": text}.get(element.tag_name, element.accessible_name).strip()
                          for element, id, text, *_ in found}
        self.controls = {self.names[id]: element for element, id, *_ in found}
        self.places = {self.names[id]: (id, group, x, y) for _, id, _, group, x, y in found}
        self.console()

    def console(self):
        """Reads the console, keeping what breaks the policy."""
        entries = self.driver.get_log("browser")
        self.violations += [e["message"] for e in entries if "Content Security Policy" in e["message"]]
        return entries

    def __getitem__(self, name):
        return self.controls[name.strip()]

    def press_at(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.cdp("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})

    def click(self, name):
        """A click of the pointer at the middle of the control, as the browser delivers a user's."""
        if name == OK:
            self.press_at(*self.driver.execute_script(OK_JS))
        elif name == ESCAPE:
            ActionChains(self.driver).send_keys(Keys.ESCAPE).perform()
        else:
            self.press_at(*self.places[name.strip()][2:])

    def state(self):
        """The options' checked and disabled states by name, the result, and whether the box is up."""
        controls, result, box = self.driver.execute_script(STATE_JS)
        by_id = {id: name for name, (id, *_) in self.places.items()}
        return {by_id[id]: flags for id, flags in controls.items()}, result, box

    def result(self):
        return self.state()[1]

    def checked(self):
        return {name for name, (checked, _) in self.state()[0].items() if checked}

    def greyed(self):
        return {name for name, (_, disabled) in self.state()[0].items() if disabled}

    def box_open(self):
        return self.state()[2]

    def focused(self):
        return self.driver.switch_to.active_element.accessible_name.strip()

    def axe_violations(self, state):
        self.driver.execute_script(self.axe)
        found = self.driver.execute_async_script(
            "axe.run(document, {resultTypes: ['violations']}).then((r) => arguments[0](r.violations.map("
            "(v) => v.id + ' at ' + v.nodes.map((n) => n.target.join(' ')).join(', '))))")
        if found:
            fail(f"axe-core finds in {state}: {found}")

    def shot(self, name):
        if self.shots:
            self.driver.save_screenshot(str(self.shots / f"tevrolin-web{name}.png"))


def check_start(page):
    """The 33 controls as the page opens, each by its name with the spaces trimmed; the title; the focus."""
    page.open()
    if page.driver.title != check.TITLE:
        fail(f"the title is {page.driver.title!r}")
    wrong = []
    for name, role, parent, enabled, checked in check.INITIAL_STATE:
        element = page.controls.get(name.strip())
        if element is None:
            wrong.append(f"{name!r} missing")
            continue
        fieldset = element.find_elements(By.XPATH, "ancestor::fieldset/legend")
        state = (element.aria_role if ROLES[role] else None, fieldset[0].text if fieldset else check.WINDOW,
                 element.is_enabled() and element.get_attribute("aria-disabled") != "true", element.is_selected())
        # The polarity options stand on the desktop window, over their frame; on the page they are in its fieldset.
        want = (ROLES[role], "Polarity" if name in ("Inverted", "True", check.SELECT_POLARITY) else parent, enabled,
                checked)
        if state != want:
            wrong.append(f"{name!r}: {state}, expected {want}")
    if len(page.controls) != len(check.INITIAL_STATE) or wrong:
        fail(f"{len(page.controls)} controls as the page opens; these differ: {wrong}")
    if page["0"].accessible_name != "Baud Mode" or page["0"].aria_role != "status":
        fail(f"the result is a {page['0'].aria_role} named {page['0'].accessible_name!r}")
    if page.focused() != SELECT_STAMP.strip():
        fail(f"the page opens with the focus on {page.focused()!r}")
    page.axe_violations("the start state")
    print(f"ok: the {len(page.controls)} controls as the page opens, named, greyed and checked as on the desktop; the "
          "title; the focus on the module group's prompt")


def check_sweep(page):
    """Every module, rate, parity and polarity by clicks, each as a user reaches it: the rate, parity, polarity, then
    the module; for a BS1 a BS2 first, so that it meets the rates it refuses. An option already chosen is not clicked
    again, which would change nothing."""
    page.open()
    wrong, count, chosen, started = [], 0, {}, time.monotonic()
    for model in windows.DIVIDEND_COLUMN:
        for rate in WORKED:
            for parity, polarity in ((p, q) for p in windows.PARITIES for q in windows.POLARITIES):
                for name in ["BS2"] * (model == "BS1") + [rate, parity, polarity, model]:
                    group = page.places[name][1]
                    if chosen.get(group) != name:
                        page.click(name)
                        chosen[group] = name
                page.click(CALCULATE)
                expected = expected_result(model, rate, parity, polarity)
                options, got, box = page.state()
                if expected is None and box and options[SELECT_RATE.strip()][0]:
                    got = "refused"
                    page.click(OK)
                    chosen.pop(page.places[rate][1])
                if got != (expected or "refused"):
                    wrong.append(f"{model} {rate} {parity} {polarity}: {got}, expected {expected or 'refused'}")
                count += 1
    if count != 308 or wrong:
        fail(f"of {count} combinations these differ from the worked results: {wrong}")
    print(f"ok: all {count} combinations by clicks give the worked results, or the refusal for a BS1 above 2400 "
          f"({time.monotonic() - started:.0f} s)")


def run_clicks(page, clicks):
    for name in clicks:
        page.click(name)
        if name == CALCULATE:
            # The box opens after the handler has made its changes; the page is not answered until it closes.
            poll("the box or the result", lambda: page.box_open() or page.result() != "0")


def check_stale_state(page):
    """What later clicks leave standing: the result until the next Calculate, the later groups' choices."""
    wrong = []
    for clicks, result, checked, greyed in STALE_STATE:
        page.open()
        run_clicks(page, clicks)
        got = (page.result(), page.checked() >= {n.strip() for n in checked},
               page.greyed() >= {n.strip() for n in greyed}, page.box_open())
        if got != (result, True, True, False):
            wrong.append(f"{clicks}: result {got[0]}, checked {sorted(page.checked())}, greyed "
                         f"{sorted(page.greyed())}, box {got[3]}")
    if wrong:
        fail(f"after these clicks the page differs from the desktop: {wrong}")
    print(f"ok: {len(STALE_STATE)} sequences leave the result and the later groups standing as on the desktop")


def check_refusal(page):
    """BS1 with a fast rate: the modal box, named, with the two lines and OK; the page behind it inert; OK and Escape
    close it and the focus comes back to an enabled control."""
    page.open()
    run_clicks(page, BS2_9600_8N_INVERTED + [CALCULATE, "BS1"])
    for closer in (OK, ESCAPE):
        run_clicks(page, [CALCULATE])
        if not page.box_open():
            fail("a BS1 at 9600 opened no box")
        text = page.driver.find_element(By.ID, "MessageBoxText").text
        box = page.driver.find_element(By.ID, "MessageBox")
        buttons = [b.text for b in box.find_elements(By.TAG_NAME, "button")]
        if (box.accessible_name, text.splitlines(), buttons) != (check.REFUSAL_TITLE, check.REFUSAL_LINES, [OK]):
            fail(f"the box is named {box.accessible_name!r}, says {text!r}, with the buttons {buttons}")
        if page.focused() != OK:
            fail(f"with the box up the focus is on {page.focused()!r}")
        if closer == OK:
            page.shot("-refusal")
            page.axe_violations("the refusal box")
        page.click("BS2")  # on the box's backdrop
        if page["BS2"].is_selected():
            fail("a click behind the box reached the page")
        page.click(closer)
        poll(f"the box closed by {closer}", lambda: not page.box_open())
        if not page.driver.execute_script("const f = document.activeElement; "
                                          "return document.getElementById('Form1').contains(f) && !f.disabled"):
            fail(f"after {closer} the focus is on {page.focused()!r}")
        if page.result() != "16468" or SELECT_RATE.strip() not in page.checked():
            fail(f"after the refusal the result is {page.result()!r} with {sorted(page.checked())} checked")
    print("ok: the refusal box, named 'Text Editor', its two lines and OK, modal over an inert page; OK and Escape "
          "close it, the focus back on an enabled control, the result kept and the rate back to the prompt")


def clipboard(page):
    return page.driver.execute_async_script("navigator.clipboard.readText().then(arguments[0], "
                                            "(e) => arguments[0]('failed: ' + e))")


def check_keyboard(page):
    """The 14 keys from the page's opening to the result, each moving the focus as a screen reader hears; then
    Ctrl+C with nothing selected copies the result. Before it, Return with Calculate greyed and Ctrl+C with no result
    do nothing."""
    page.open()
    origin = page.server.url.rstrip("/")
    page.cdp("Browser.grantPermissions", {"origin": origin, "permissions": ["clipboardReadWrite",
                                                                           "clipboardSanitizedWrite"]})
    page.driver.execute_async_script("navigator.clipboard.writeText('before').then(arguments[0])")
    ActionChains(page.driver).send_keys(Keys.RETURN).key_down(Keys.CONTROL).send_keys("c").key_up(Keys.CONTROL) \
        .perform()
    if (page.state()[1:], page.focused(), clipboard(page)) != (("0", False), SELECT_STAMP.strip(), "before"):
        fail(f"Return and Ctrl+C before a result: {page.state()[1:]}, the focus on {page.focused()!r}, "
             f"the clipboard {clipboard(page)!r}")
    for key, name in KEYBOARD_RUN:
        ActionChains(page.driver).send_keys(KEYS[key]).perform()
        if name is not None and page.focused() != name.strip():
            fail(f"after {key} the focus is on {page.focused()!r}, expected {name.strip()!r}")
    poll("the result '16468'", lambda: page.result() == "16468")
    ActionChains(page.driver).key_down(Keys.CONTROL).send_keys("c").key_up(Keys.CONTROL).perform()
    if (copied := clipboard(page)) != "16468":
        fail(f"Ctrl+C copied {copied!r}")
    if not page.driver.current_url.endswith("#module=BS2&baud=9600&parity=8N&polarity=inverted"):
        fail(f"the address after the result is {page.driver.current_url}")
    # The same result again is a change a screen reader hears: the status gets new text, not the same node kept.
    page.driver.execute_script("window.heard = 0; new MutationObserver((m) => { window.heard += m.length; })"
                               ".observe(document.querySelector('output'), {childList: true, subtree: true})")
    ActionChains(page.driver).send_keys(Keys.RETURN).perform()
    poll("the same result announced again", lambda: page.driver.execute_script("return window.heard") > 0)
    page.shot("")
    page.axe_violations("the result")
    print(f"ok: Return and Ctrl+C before a result do nothing; {len(KEYBOARD_RUN)} keys to '16468', the focus where "
          "the desktop's keys leave it; Ctrl+C copies it; the address keeps the choice; Return again is heard again")


def check_layout(page):
    """At 360 and 320 CSS pixels (a phone; a 1280 pixel window at 400%): one column, no horizontal scrolling,
    text of 16 pixels or more, options and Calculate 44 pixels tall or more, every control within the width."""
    for width, height in (NARROW, ZOOMED):
        page.viewport(width, height)
        page.open()
        layout = page.driver.execute_script(LAYOUT_JS)
        wrong = [f"{n!r} {tag} {left:.0f}-{right:.0f} {tall:.0f} px tall, text {size} px"
                 for n, tag, left, right, tall, size in layout["controls"]
                 if left < 0 or right > layout["width"] or size < MIN_TEXT_PX
                 or tag in ("label", "button") and tall < MIN_TARGET_PX]
        if layout["scroll"] > 0 or len(layout["controls"]) < len(check.INITIAL_STATE) or wrong:
            fail(f"at {width} px: {layout['scroll']} px to scroll across, {len(layout['controls'])} controls shown, "
                 f"these too small or out of reach: {wrong}")
        if width == NARROW[0]:
            page.shot("-narrow")
            page.axe_violations("the narrow layout")
    page.viewport(*WIDE)
    print(f"ok: at {NARROW[0]} and {ZOOMED[0]} px every control in one column within the width, text of "
          f"{MIN_TEXT_PX} px or more, options and Calculate {MIN_TARGET_PX} px tall or more")


def check_colours(page):
    """Dark and forced colours: text at 4.5:1 or more on its background, greyed options too, and greyed unlike the
    rest."""
    for scheme, features in (("dark", {"prefers_color_scheme": "dark"}), ("forced", {"forced_colors": "active"})):
        page.media(**features)
        page.open()
        run_clicks(page, ["BS1", "2400"])  # the fast rates greyed, the parity group enabled
        if not page.driver.execute_script(f"return matchMedia('({next(iter(features)).replace('_', '-')}: "
                                          f"{next(iter(features.values()))})').matches"):
            fail(f"the browser does not take {features}")
        texts = page.driver.execute_script(COLOURS_JS)
        low = [f"{text!r} {contrast(fg, bg):.1f}:1" for text, fg, bg, _ in texts if contrast(fg, bg) < MIN_CONTRAST]
        normal = {tuple(fg) for *_, fg, _, greyed in texts if not greyed}
        unlike = [text for text, fg, _, greyed in texts if greyed and tuple(fg) in normal]
        if low or unlike:
            fail(f"in {scheme} colours, text below {MIN_CONTRAST}:1: {low}; greyed as the rest: {unlike}")
        page.shot(f"-{scheme}")
        page.axe_violations(f"{scheme} colours")
        page.media()
    print(f"ok: in dark and forced colours every text {MIN_CONTRAST}:1 or more on its background, greyed options too, "
          "in a colour of their own")


def check_no_script(page):
    """With JavaScript off the window is there, and one line says that calculating needs it."""
    page.cdp("Emulation.setScriptExecutionDisabled", {"value": True})
    try:
        page.open(ready=False)
        notice = page.driver.find_element(By.ID, "ScriptNotice")
        said = poll("the notice", lambda: notice.is_displayed() and notice.text)
        if len(page.controls) != len(check.INITIAL_STATE) or "needs JavaScript" not in said:
            fail(f"with JavaScript off {len(page.controls)} controls, and the notice {said!r}")
    finally:
        page.cdp("Emulation.setScriptExecutionDisabled", {"value": False})
    print(f"ok: with JavaScript off the {len(page.controls)} controls, and the notice {said!r}")


def check_blocked_and_offline(page):
    """On an origin of its own (localhost, whose service worker is another): the script or the calculator blocked,
    the page says so; then one visit, and with the server offline the page reloads from the service worker and
    calculates."""
    said = []
    for blocked, words in BLOCKED:
        page.server.refused = {blocked}
        try:
            page.open(host="localhost", ready=False)
            notice = page.driver.find_element(By.ID, "ScriptNotice")
            said.append(poll(f"the notice with {blocked} blocked",
                             lambda: notice.is_displayed() and words in notice.text and notice.text))
        finally:
            page.server.refused = set()
    page.console()  # the blocked file's error
    page.open(host="localhost")
    page.driver.execute_async_script("navigator.serviceWorker.ready.then(() => arguments[0]())")
    page.server.offline = True
    try:
        page.open(host="localhost")
        run_clicks(page, BS2_9600_8N_INVERTED + [CALCULATE])
        if page.result() != "16468":
            fail(f"offline the page shows {page.result()!r}")
    finally:
        page.server.offline = False
    print(f"ok: a blocked script or calculator is said ({said}); offline after one visit the page opens and calculates")


def check_links(page):
    """Shared links: the choice made again and calculated; a wrong or hostile one changes nothing and shows nothing."""
    wrong = []
    for fragment, result, module in SHARED_LINKS:
        page.open("#" + fragment)
        got = (page.result(), module.strip() in page.checked(), page.box_open(),
               page.driver.find_elements(By.ID, "injected"),
               page.driver.execute_script("return document.documentElement.hasAttribute('data-failed')"))
        if got != (result, True, False, [], False):
            wrong.append(f"#{fragment[:60]}: {got}")
    # A link opened over the page changes only its fragment: the page makes the choice then.
    page.open()
    page.driver.get(page.server.url + "#" + SHARED_LINKS[0][0])
    if poll("a result", page.result) != SHARED_LINKS[0][1]:
        wrong.append(f"#{SHARED_LINKS[0][0]} over the page: {page.result()}")
    if wrong:
        fail(f"these links open wrong: {wrong}")
    print(f"ok: {len(SHARED_LINKS)} links, the good ones calculated, also over the page, the others harmless")


def check_policy(page):
    """The header on every file, and no violation of it reported by the page on the way."""
    for file in ("", "tevrolin.js", "tevrolin.wasm", "sw.js"):
        with urllib.request.urlopen(page.server.url + file) as response:
            if response.headers["Content-Security-Policy"] != serve.CSP:
                fail(f"{file or 'the page'} comes with the policy {response.headers['Content-Security-Policy']!r}")
    page.console()
    if page.violations:
        fail(f"the page broke its Content Security Policy: {page.violations}")
    if errors := page.cdp("Page.getInstallabilityErrors", {})["installabilityErrors"]:
        fail(f"the page cannot be installed as an app: {errors}")
    print("ok: the Content Security Policy sent with every file, and nothing on the page broke it; it installs")


CHECKS = [check_start, check_keyboard, check_refusal, check_stale_state, check_links, check_layout, check_colours,
          check_no_script, check_blocked_and_offline, check_sweep, check_policy]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("site", nargs="?", default=serve.SITE)
    parser.add_argument("--screenshots", type=Path, help="where to put the page's pictures")
    parser.add_argument("--only", help="the checks to run, a regular expression of their names")
    args = parser.parse_args()
    if args.screenshots:
        args.screenshots.mkdir(parents=True, exist_ok=True)
    with serve.Server(args.site) as server:
        page = Page(server, args.screenshots)
        try:
            for run in CHECKS:
                if not args.only or re.search(args.only, run.__name__):
                    run(page)
        except check.CheckFailed as error:
            print(f"FAILED: {error}")
            return 1
        finally:
            page.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
