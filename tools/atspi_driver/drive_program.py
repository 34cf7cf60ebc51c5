#!/usr/bin/python3
"""Drives the Linux program from another process, the way a screen reader
does: through its accessible objects on the accessibility bus (AT-SPI).

It speaks the line protocol of the Windows command server
(tools/program_driver/drive_program.cpp), so the end-to-end tests send the
same commands to either program: one command per line on standard input, one
answer per line on standard output, "ok[ value]" or "fail[ detail]"; a line
feed in a text travels as "\\n", a backslash as "\\\\".

Controls are named by the numbers of res/control_ids.h and found by where
they stand, as a user of a screen reader finds them in any language: the
main dialog as the window with the progress bar and the Debug dialog as the
one without, a group by its place among the dialog's groups, a field by its
place among the controls a label names in its group and its label through
that naming, a button by its place in the row of buttons, the Info area as
the dialog's first text and the version as its last. Texts travel as UTF-8
whatever the locale.

Commands beyond the Windows server's: "poll <ms>" sets how often the waits
look (a benchmark looks every millisecond); "signal <NAME>" sends the
program the signal SIG<NAME> (TERM, HUP, INT), as the session does at its
end. "caption", "debug-caption <ms>" and "debug-button" read the dialogs'
titles and the Debug dialog's button; "direction <id>" answers "ltr" or
"rtl": for 0 the main dialog's, by the corner its version stands in, for a
field where its text starts (an empty field is measured with a probe
character set and taken out again, so its text reads back as before).
Started with "--watch SECONDS"
it prints one line per change of what the running program's dialog shows
(the format of ondavox_watch.exe); with "--click ID" it presses a button.

Run it with Debian's /usr/bin/python3 (python3-pyatspi), inside a session
bus (dbus-run-session) on an X display; the program it starts inherits the
environment and is told to always expose itself to assistive tools.
"""

import os
import re
import signal
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
import pyatspi  # noqa: E402
from gi.repository import Atspi  # noqa: E402

PROGRAM = "ondavox-utility"
POLL_SECONDS = 0.05

# The dialog's groups, in the order the dialog makes them.
GROUP_PLACES = {"IDC_GSM_GROUP": 0, "IDC_ADVANCED_GROUP": 1, "IDC_WIFI_GROUP": 2, "IDC_RADIO_GROUP": 3}
# The form's controls: their group and their place among the controls a
# label names there (a screen reader announces each with its label).
FIELD_PLACES = {
    "IDC_GSM_PIN": (0, 0),
    "IDC_COUNTRY_LIST": (0, 1),
    "IDC_PROVIDER_LIST": (0, 2),
    "IDC_ROAMING_CHECK": (0, 3),
    "IDC_APN": (1, 0),
    "IDC_GSM_USER": (1, 1),
    "IDC_GSM_PASSWORD": (1, 2),
    "IDC_DNS1": (1, 3),
    "IDC_DNS2": (1, 4),
    "IDC_GATEWAY": (1, 5),
    "IDC_WIFI_SSID": (2, 0),
    "IDC_WIFI_PASSWORD": (2, 1),
    "IDC_RADIO_PROFILE_LIST": (3, 0),
}
# Each label and the control it names.
LABEL_OF = {
    "IDC_PIN_LABEL": "IDC_GSM_PIN",
    "IDC_COUNTRY_LABEL": "IDC_COUNTRY_LIST",
    "IDC_PROVIDER_LABEL": "IDC_PROVIDER_LIST",
    "IDC_ROAMING_LABEL": "IDC_ROAMING_CHECK",
    "IDC_APN_LABEL": "IDC_APN",
    "IDC_USER_LABEL": "IDC_GSM_USER",
    "IDC_PASSWORD_LABEL": "IDC_GSM_PASSWORD",
    "IDC_DNS1_LABEL": "IDC_DNS1",
    "IDC_DNS2_LABEL": "IDC_DNS2",
    "IDC_GATEWAY_LABEL": "IDC_GATEWAY",
    "IDC_WIFI_SSID_LABEL": "IDC_WIFI_SSID",
    "IDC_WIFI_PASSWORD_LABEL": "IDC_WIFI_PASSWORD",
    "IDC_RADIO_PROFILE_LABEL": "IDC_RADIO_PROFILE_LIST",
}
# The row of buttons, left to right as the dialog makes them.
BUTTON_PLACES = {"IDC_TASK_BUTTON": 0, "IDC_FIRST_BUTTON": 1, "IDC_SECOND_BUTTON": 2}
# What an empty field is measured with for its direction: a digit, which
# every field takes.
DIRECTION_PROBE = "0"


def control_names():
    """Number -> name of every control, from res/control_ids.h."""
    header = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res", "control_ids.h")
    names = {}
    with open(header, encoding="utf-8") as source:
        for line in source:
            match = re.match(r"#define (IDC_\w+) \(?(-?\d+)\)?", line)
            # The Debug dialog's text shares a number with the APN field.
            if match and match.group(1) != "IDC_DEBUG_TEXT":
                names.setdefault(int(match.group(2)), match.group(1))
    return names


def escape(text):
    return text.replace("\r", "").replace("\\", "\\\\").replace("\n", "\\n")


def unescape(text):
    out = []
    i = 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            i += 1
            out.append("\n" if text[i] == "n" else text[i])
        else:
            out.append(text[i])
        i += 1
    return "".join(out)


def has_state(node, state):
    try:
        return node.getState().contains(state)
    except Exception:
        return False


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def related(node, relation_type):
    """The objects node has a relation of that type to."""
    targets = []
    try:
        for relation in node.getRelationSet():
            if relation.getRelationType() == relation_type:
                targets += [relation.getTarget(i) for i in range(relation.getNTargets())]
    except Exception:
        pass
    return targets


def role_children(node, role):
    return [c for c in children(node) if c.getRoleName() == role]


def is_main_dialog(window):
    """The main dialog is the one with the progress bar."""
    return bool(role_children(window, "progress bar"))


def extents(node):
    return node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)


CONTROL_NAMES = control_names()
CONTROL_NUMBERS = {name: number for number, name in CONTROL_NAMES.items()}


class Program:
    def __init__(self):
        self.process = None

    # --- finding things -------------------------------------------------
    def application(self):
        """The program this driver started, or, when it started none, the
        first program of that name on the bus."""
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is None:
                    continue
                if self.process is not None:
                    ours = app.get_process_id() == self.process.pid
                else:
                    ours = app.name == PROGRAM
                if ours:
                    # Every look asks the program afresh: texts change under us.
                    app.set_cache_mask(Atspi.Cache.NONE)
                    return app
            except Exception:
                continue
        return None

    def dialog(self, main):
        """The main dialog (main true) or the Debug dialog, when shown."""
        app = self.application()
        for window in children(app) if app is not None else []:
            try:
                if window.getRoleName() == "dialog" and has_state(window, pyatspi.STATE_SHOWING) and \
                        is_main_dialog(window) == main:
                    return window
            except Exception:
                continue
        return None

    def main_dialog(self):
        return self.dialog(True)

    def debug_dialog(self):
        return self.dialog(False)

    def control(self, dialog, number):
        """The accessible object of control number, or None."""
        name = CONTROL_NAMES.get(number)
        if dialog is None or name is None:
            return None
        if name in BUTTON_PLACES:
            buttons = role_children(dialog, "push button")
            place = BUTTON_PLACES[name]
            return buttons[place] if place < len(buttons) else None
        if name == "IDC_PROGRESS_BAR":
            bars = role_children(dialog, "progress bar")
            return bars[0] if bars else None
        if name in ("IDC_INFO_AREA", "IDC_VERSION_LABEL"):
            labels = role_children(dialog, "label")
            if not labels:
                return None
            return labels[0] if name == "IDC_INFO_AREA" else labels[-1]
        groups = role_children(dialog, "panel")
        if name in GROUP_PLACES:
            place = GROUP_PLACES[name]
            return groups[place] if place < len(groups) else None
        if name == "IDC_APN_NOTE":
            # The label of the advanced group that names no control.
            group = groups[1] if len(groups) > 1 else None
            notes = [c for c in role_children(group, "label") if not related(c, pyatspi.RELATION_LABEL_FOR)] \
                if group is not None else []
            return notes[0] if notes else None
        if name in LABEL_OF:
            field = self.control(dialog, CONTROL_NUMBERS[LABEL_OF[name]])
            labels = related(field, pyatspi.RELATION_LABELLED_BY) if field is not None else []
            return labels[0] if labels else None
        if name not in FIELD_PLACES:
            return None
        group_place, place = FIELD_PLACES[name]
        if group_place >= len(groups):
            return None
        named = [c for c in children(groups[group_place])
                 if c.getRoleName() != "label" and related(c, pyatspi.RELATION_LABELLED_BY)]
        return named[place] if place < len(named) else None

    @staticmethod
    def text_of(node):
        if node.getRoleName() == "text":
            return node.queryText().getText(0, -1)
        # Labels, buttons and the check box read as their names; a list's
        # name is its selected entry.
        return node.name

    def look(self, number):
        """(present, shown, text) of control number in the main dialog."""
        node = self.control(self.main_dialog(), number)
        if node is None:
            return (False, False, "")
        try:
            return (True, has_state(node, pyatspi.STATE_SHOWING), self.text_of(node))
        except Exception:
            return (False, False, "")

    # --- keys -----------------------------------------------------------
    def focus(self, node):
        """Puts the keyboard on node, as a user's click on it would."""
        try:
            node.queryComponent().grabFocus()
        except Exception:
            pass

    def keyboard_dialog(self):
        """The window keys go to: the Debug dialog while it is open."""
        return self.debug_dialog() or self.main_dialog()

    def direction(self, number):
        """ "ltr" or "rtl": the main dialog's (number 0) by the corner its
        version stands in, a field's by where its text starts; None for
        anything else."""
        dialog = self.main_dialog()
        if dialog is None:
            return None
        if number == 0:
            version = self.control(dialog, CONTROL_NUMBERS["IDC_VERSION_LABEL"])
            if version is None:
                return None
            box, label = extents(dialog), extents(version)
            return "rtl" if label.x + label.width / 2 < box.x + box.width / 2 else "ltr"
        node = self.control(dialog, number)
        if node is None or node.getRoleName() != "text":
            return None
        text = node.queryText()
        if text.characterCount > 0:
            return text_direction(node, text)
        # An empty field shows no text to measure: a probe character, taken
        # out again at once.
        editable = node.queryEditableText()
        editable.setTextContents(DIRECTION_PROBE)
        try:
            return text_direction(node, node.queryText())
        finally:
            editable.setTextContents("")


def text_direction(node, text):
    """Whether a field's text stands at its left edge or at its right."""
    box = extents(node)
    first = text.getCharacterExtents(0, pyatspi.DESKTOP_COORDS)
    last = text.getCharacterExtents(text.characterCount - 1, pyatspi.DESKTOP_COORDS)
    left = min(first[0], last[0]) - box.x
    right = box.x + box.width - max(first[0] + first[2], last[0] + last[2])
    return "ltr" if left <= right else "rtl"


# X keysyms: a printable ASCII character is its own code.
KEYSYMS = {"Escape": 0xFF1B}
# Modifier masks of the X keyboard state.
MODIFIERS = {"Shift": 1 << 0, "Control": 1 << 2, "Alt": 1 << 3}


def keysym(key):
    return KEYSYMS[key] if key in KEYSYMS else ord(key)


def press(key):
    Atspi.generate_keyboard_event(keysym(key), None, Atspi.KeySynthType.SYM)


def chord(modifiers, key):
    """The key with the modifiers held down."""
    mask = 0
    for modifier in modifiers:
        mask |= MODIFIERS[modifier]
    Atspi.generate_keyboard_event(mask, None, Atspi.KeySynthType.LOCKMODIFIERS)
    try:
        press(key)
    finally:
        Atspi.generate_keyboard_event(mask, None, Atspi.KeySynthType.UNLOCKMODIFIERS)


def type_text(text):
    """Types text key by key; a control character is typed as Ctrl and its
    letter, as a keyboard makes it."""
    for character in text:
        code = ord(character)
        if code < 32:
            chord(["Control"], chr(code + 96))
        else:
            Atspi.generate_keyboard_event(0, character, Atspi.KeySynthType.STRING)


def settle():
    """Gives the program the time to take in what was sent to it."""
    time.sleep(0.2)


# --- the command loop ---------------------------------------------------------

def set_poll(ms):
    global POLL_SECONDS
    POLL_SECONDS = max(ms, 1) / 1000.0


def wait_until(timeout_ms, check):
    """Polls check() until it answers True or the time is up; the last answer."""
    end = time.monotonic() + timeout_ms / 1000.0
    while True:
        outcome = check()
        if outcome or time.monotonic() >= end:
            return outcome
        time.sleep(POLL_SECONDS)


def describe(look):
    present, shown, text = look
    if not present:
        return "no control"
    return ("shown: " if shown else "hidden: ") + escape(text)


def meets(look, kind, expected):
    present, shown, text = look
    if not present:
        return False
    if kind == "visible":
        return shown
    if kind == "hidden":
        return not shown
    if kind == "text":
        return text == expected
    if kind == "contains":
        return expected in text
    return False


def split(line, count):
    """The first count words of line and the rest (after one blank)."""
    words = []
    rest = line
    for _ in range(count):
        rest = rest.lstrip(" ")
        word, _, rest = rest.partition(" ")
        words.append(word)
    return words, rest


def answer_to(program, line):
    (command,), rest = split(line, 1)
    if command == "start":
        path = rest.strip() or PROGRAM
        # The accessibility registry first: a program that starts before it
        # runs never shows up on the bus.
        pyatspi.Registry.getDesktop(0).childCount
        environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        try:
            program.process = subprocess.Popen([path], env=environment, stdin=subprocess.DEVNULL)
        except OSError as error:
            return "fail cannot start: %s" % error
        return "ok"
    if command == "poll":
        (ms,), _ = split(rest, 1)
        set_poll(int(ms or 50))
        return "ok"
    if command == "wait-dialog":
        (ms,), _ = split(rest, 1)
        return "ok" if wait_until(int(ms), lambda: program.main_dialog() is not None) else "fail no dialog"
    if command == "caption":
        dialog = program.main_dialog()
        return "ok " + escape(dialog.name) if dialog is not None else "fail no dialog"
    if command == "direction":
        (number,), _ = split(rest, 1)
        direction = program.direction(int(number or 0))
        return "ok " + direction if direction else "fail no direction"
    if command in ("text", "visible", "checked", "progress", "click", "set-text", "type", "paste"):
        (number,), value = split(rest, 1)
        return control_command(program, command, int(number), unescape(value))
    if command in ("wait", "stays"):
        (number, ms, kind), expected = split(rest, 3)
        if kind not in ("visible", "hidden", "text", "contains"):
            return "fail unknown condition"
        expected = unescape(expected)
        look = lambda: program.look(int(number))  # noqa: E731
        if command == "wait":
            met = wait_until(int(ms), lambda: meets(look(), kind, expected))
            return "ok" if met else "fail " + describe(look())
        end = time.monotonic() + int(ms) / 1000.0
        while time.monotonic() < end:
            seen = look()
            if not meets(seen, kind, expected):
                return "fail " + describe(seen)
            time.sleep(POLL_SECONDS)
        return "ok"
    if command in ("ctrl", "alt", "escape"):
        window = program.keyboard_dialog()
        if window is None:
            return "fail no dialog"
        program.focus(window)
        if command == "ctrl":
            chord(["Control"], rest.strip()[:1].lower() or "a")
        elif command == "alt":
            letter = rest.strip()[:1] or "A"
            chord(["Alt", "Shift"] if letter.isupper() else ["Alt"], letter.lower())
        else:
            press("Escape")
        settle()
        return "ok"
    if command in ("debug-text", "debug-caption"):
        (ms,), _ = split(rest, 1)
        if not wait_until(int(ms or 10000), lambda: program.debug_dialog() is not None):
            return "fail no Debug dialog"
        debug = program.debug_dialog()
        if command == "debug-caption":
            return "ok " + escape(debug.name)
        for node in role_children(debug, "text"):
            return "ok " + escape(node.queryText().getText(0, -1))
        return "fail no Debug text"
    if command in ("debug-ok", "debug-button"):
        (ms,), _ = split(rest, 1)
        debug = program.debug_dialog()
        buttons = role_children(debug, "push button") if debug else []
        if not buttons:
            return "fail no Debug dialog"
        if command == "debug-button":
            return "ok " + escape(buttons[0].name)
        buttons[0].queryAction().doAction(0)
        gone = wait_until(int(ms or 10000), lambda: program.debug_dialog() is None)
        return "ok" if gone else "fail still shown"
    if command == "wait-gone":
        (ms,), _ = split(rest, 1)
        return "ok" if wait_until(int(ms), lambda: program.main_dialog() is None) else "fail still shown"
    if command == "signal":
        if program.process is None:
            return "fail not started"
        number = getattr(signal, "SIG" + (rest.strip() or "TERM"), None)
        if not isinstance(number, signal.Signals):
            return "fail unknown signal"
        program.process.send_signal(number)
        return "ok"
    if command == "wait-exit":
        (ms,), _ = split(rest, 1)
        if program.process is None:
            return "fail not started"
        try:
            return "ok %d" % program.process.wait(timeout=int(ms) / 1000.0)
        except subprocess.TimeoutExpired:
            return "fail running"
    return "fail unknown command"


def control_command(program, command, number, value):
    node = program.control(program.main_dialog(), number)
    if node is None:
        return "fail no control"
    if command == "text":
        return "ok " + escape(program.text_of(node))
    if command == "visible":
        return "ok 1" if has_state(node, pyatspi.STATE_SHOWING) else "ok 0"
    if command == "checked":
        return "ok 1" if has_state(node, pyatspi.STATE_CHECKED) else "ok 0"
    if command == "progress":
        # As a screen reader reads the bar: its value within its range; a
        # range of nothing is a bar that moves without a share.
        if not has_state(node, pyatspi.STATE_SHOWING):
            return "ok hidden"
        value = node.queryValue()
        low, high = value.minimumValue, value.maximumValue
        if high <= low:
            return "ok moving"
        return "ok %d" % int((value.currentValue - low) * 100 // (high - low))
    if command == "click":
        action = node.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        action.doAction(names.index("Press") if "Press" in names else 0)
        return "ok"
    if command == "set-text":
        # As another program sets it: no input filter sees it.
        node.queryEditableText().setTextContents(value)
        return "ok"
    program.focus(node)
    text = node.queryText()
    if command == "type":
        text.setCaretOffset(text.characterCount)
        type_text(value)
    else:
        # The clipboard gets the text from the field itself (copy), the field
        # its old text back, and then the user's paste key.
        editable = node.queryEditableText()
        old = text.getText(0, -1)
        editable.setTextContents(value)
        editable.copyText(0, len(value))
        editable.setTextContents(old)
        text.setCaretOffset(len(old))
        chord(["Control"], "v")
    settle()
    return "ok"


def snapshot(program):
    """What the user sees, in one line: the Info area's text or "form", then
    the labels of the buttons shown."""
    present, shown, text = program.look(CONTROL_NUMBERS["IDC_INFO_AREA"])
    if not present:
        return None
    view = "info: " + escape(text) if shown else "form"
    for name in ("IDC_FIRST_BUTTON", "IDC_SECOND_BUTTON", "IDC_TASK_BUTTON"):
        present, shown, text = program.look(CONTROL_NUMBERS[name])
        if shown:
            view += " [%s]" % text
    return view


def watch(program, seconds):
    """Prints one line each time what the dialog shows changes, then "closed"
    when it is gone (or "no dialog", "timeout")."""
    end = time.monotonic() + seconds
    if not wait_until(seconds * 1000, lambda: program.main_dialog() is not None):
        print("no dialog", flush=True)
        return 1
    last = None
    while time.monotonic() < end:
        if program.main_dialog() is None:
            print("closed", flush=True)
            return 0
        try:
            view = snapshot(program)
        except Exception:
            view = None
        if view is not None and view != last:
            print(view, flush=True)
            last = view
        time.sleep(POLL_SECONDS)
    print("timeout", flush=True)
    return 1


def main():
    # The texts are UTF-8 on both ends of the pipes, whatever the locale the
    # driver runs in (a language's locale may not even be installed).
    sys.stdin.reconfigure(encoding="utf-8", errors="replace")
    sys.stdout.reconfigure(encoding="utf-8")
    program = Program()
    # Watching a program started elsewhere, or pressing one of its buttons.
    if len(sys.argv) == 3 and sys.argv[1] == "--watch":
        return watch(program, int(sys.argv[2]))
    if len(sys.argv) == 3 and sys.argv[1] == "--click":
        return 0 if control_command(program, "click", int(sys.argv[2]), "") == "ok" else 1
    for line in sys.stdin:
        line = line.rstrip("\r\n")
        try:
            reply = answer_to(program, line)
        except Exception as error:  # an object that went away mid-look
            reply = "fail " + escape("%s: %s" % (type(error).__name__, error))
        print(reply, flush=True)
    if program.process is not None and program.process.poll() is None:
        program.process.terminate()
        program.process.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
