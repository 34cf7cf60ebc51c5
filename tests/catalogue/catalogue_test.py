#!/usr/bin/env python3
"""The message catalogue's generator (tools/catalogue/make_catalogue.py) on a
small tree of its own: it refuses each kind of faulty translation with the
file and line, and makes the language blocks and texts from a sound one."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
GENERATOR = os.path.join(TOP, "tools", "catalogue", "make_catalogue.py")

STRINGS = """\
103 WINDOW_TITLE "Ondavox Utility"
105 DONE "done"
139 VISIT_MAKER "Please visit @ONDAVOX_MAKER_ADDRESS@ for update!"
"""

DIALOGS = """\
IDD_MAIN_DIALOG DIALOGEX 0, 0, 242, 356
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION
CAPTION "Brelvan Ondavox Utility"
FONT 8, "MS Shell Dlg"
BEGIN
    LTEXT           "Country:", IDC_COUNTRY_LABEL, 12, 36, 30, 8
    EDITTEXT        IDC_APN, 84, 114, 144, 14, ES_AUTOHSCROLL
END
"""

MESSAGES = """\
HINT 64
    "could not be read: %s. Unplug it."
COUNT
    "%d of %u"
"""

HEADER = """\
msgid ""
msgstr ""
"Content-Type: text/plain; charset=UTF-8\\n"
"Language: de\\n"
"X-Language-Name: Deutsch\\n"
"X-Windows-Language: 0x07 0x00\\n"
"X-Text-Direction: {direction}\\n"

"""

# Key -> (English, a sound German text).
SOUND = {
    "IDS_WINDOW_TITLE": ("Ondavox Utility", "Ondavox Utility"),
    "IDS_DONE": ("done", "fertig"),
    "IDS_VISIT_MAKER": ("Please visit @ONDAVOX_MAKER_ADDRESS@ for update!",
                        "Updates finden Sie auf @ONDAVOX_MAKER_ADDRESS@."),
    "IDD_MAIN_DIALOG.CAPTION": ("Brelvan Ondavox Utility", "Brelvan Ondavox Utility"),
    "IDD_MAIN_DIALOG.IDC_COUNTRY_LABEL": ("Country:", "Land:"),
    "HINT": ("could not be read: %s. Unplug it.", "nicht lesbar: %s. Abziehen."),
    "COUNT": ("%d of %u", "%d von %u"),
}


def po_text(texts, direction="ltr", fuzzy=()):
    out = [HEADER.format(direction=direction)]
    for key, (english, text) in texts.items():
        if key in fuzzy:
            out.append("#, fuzzy\n")
        out.append(f'msgctxt "{key}"\nmsgid "{english}"\nmsgstr "{text}"\n\n')
    return "".join(out)


class Catalogue(unittest.TestCase):
    def setUp(self):
        self.top = tempfile.mkdtemp(prefix="ondavox-catalogue-")
        os.makedirs(os.path.join(self.top, "res"))
        os.makedirs(os.path.join(self.top, "translations"))
        for name, text in (("strings.table", STRINGS), ("dialogs.rc", DIALOGS), ("messages.table", MESSAGES)):
            with open(os.path.join(self.top, "res", name), "w", encoding="utf-8") as file:
                file.write(text)
        self.output = os.path.join(self.top, "generated")

    def tearDown(self):
        shutil.rmtree(self.top)

    def run_generator(self, po=None, name="de.po", *extra):
        if po is not None:
            with open(os.path.join(self.top, "translations", name), "w", encoding="utf-8") as file:
                file.write(po)
        return subprocess.run([sys.executable, GENERATOR, "--source", self.top, "--output", self.output, *extra],
                              capture_output=True, text=True)

    def generated(self, name):
        with open(os.path.join(self.output, "res", name), encoding="utf-8") as file:
            return file.read()

    def test_faulty_translations_stop_the_build_with_file_and_line(self):
        def changed(key, text):
            texts = dict(SOUND)
            texts[key] = (SOUND[key][0], text)
            return texts

        missing = dict(SOUND)
        del missing["IDS_DONE"]
        stale = dict(SOUND)
        stale["IDS_DONE"] = ("Done", "fertig")
        unknown = dict(SOUND)
        unknown["IDS_GONE"] = ("gone", "weg")
        cases = [
            ("missing text", po_text(missing), "de.po: IDS_DONE: missing"),
            ("a conversion left out", po_text(changed("HINT", "nicht lesbar. Abziehen.")), "format arguments"),
            ("a conversion added", po_text(changed("COUNT", "%d von %u (%s)")), "format arguments"),
            ("conversions in another order", po_text(changed("COUNT", "%u von %d")), "format arguments"),
            ("another conversion", po_text(changed("HINT", "nicht lesbar: %d.")), "format arguments"),
            ("placeholder left out", po_text(changed("IDS_VISIT_MAKER", "Updates im Netz.")), "format arguments"),
            ("string table text over 99 bytes", po_text(changed("IDS_DONE", "ж" * 50)), "100 bytes in UTF-8"),
            ("text over its own buffer", po_text(changed("HINT", "%s " + "x" * 61)), "64 bytes in UTF-8"),
            ("made from an older English text", po_text(stale), "older English text"),
            ("marked fuzzy", po_text(SOUND, fuzzy=("IDS_DONE",)), "fuzzy"),
            ("a key the sources lack", po_text(unknown), "IDS_GONE: no such text"),
            ("empty translation", po_text(changed("IDS_DONE", "")), "IDS_DONE: not translated"),
            ("quote in a string-table text", po_text(changed("IDS_DONE", 'fertig \\"ja\\"')), "no double quote"),
            ("bad direction header", po_text(SOUND, direction="sideways"), "X-Text-Direction"),
        ]
        for name, po, expected in cases:
            with self.subTest(name):
                result = self.run_generator(po)
                self.assertNotEqual(result.returncode, 0, result.stderr)
                self.assertIn(expected, result.stderr)
                fault = next(line for line in result.stderr.splitlines() if expected in line)
                self.assertRegex(fault, r"de\.po(:\d+)?: ")

    def test_ninety_nine_bytes_fit_the_string_table(self):
        texts = dict(SOUND)
        texts["IDS_DONE"] = ("done", "ж" * 49 + "x")
        result = self.run_generator(po_text(texts))
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_sound_translation_gives_a_language_block_and_the_texts(self):
        result = self.run_generator(po_text(SOUND), "de.po", "--maker-address", "www.example.test")
        self.assertEqual(result.returncode, 0, result.stderr)
        blocks = self.generated("languages.rc")
        german = blocks[blocks.index("LANGUAGE 0x07, 0x00"):]
        self.assertIn('IDS_VISIT_MAKER "Updates finden Sie auf www.example.test."', german)
        self.assertIn('LTEXT           "Land:", IDC_COUNTRY_LABEL, 12, 36, 30, 8', german)
        self.assertIn('IDS_LANGUAGE_CODE "de"', german)
        self.assertNotIn("WS_EX_LAYOUTRTL", blocks)
        # English first: the block every other language falls back to.
        self.assertLess(blocks.index("LANGUAGE 0x09, 0x01"), blocks.index("LANGUAGE 0x07, 0x00"))
        texts = self.generated("app_texts.h")
        self.assertIn('"nicht lesbar: %s. Abziehen."', texts)
        self.assertIn('"could not be read: %s. Unplug it."', texts)

    def test_right_to_left_language_mirrors_its_dialogs_only(self):
        result = self.run_generator(po_text(SOUND, direction="rtl"))
        self.assertEqual(result.returncode, 0, result.stderr)
        blocks = self.generated("languages.rc")
        english, german = blocks.split("LANGUAGE 0x07, 0x00")
        self.assertNotIn("WS_EX_LAYOUTRTL", english)
        self.assertIn("STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION\nEXSTYLE WS_EX_LAYOUTRTL", german)

    def test_pseudo_language_is_longer_accented_and_keeps_conversions_within_buffers(self):
        result = self.run_generator()
        self.assertEqual(result.returncode, 0, result.stderr)
        texts = self.generated("app_texts.h")
        pseudo = texts[texts.index("// qps_ploc"):].splitlines()[1:8]
        shown = [line.strip().rstrip(",").strip('"') for line in pseudo]
        self.assertEqual(shown[4], "[Çöûñţŕý: ·]")  # "Country:", 40 % longer
        self.assertEqual(shown[6], "[%d öf %u ·]")
        # The hint's buffer holds 63 bytes: the padding goes, the rest stays.
        self.assertEqual(shown[5], "[çöûľđ ñöţ bé ŕéåđ: %s. Ûñpľûĝ îţ.]")
        self.assertLessEqual(len(shown[5].encode()), 63)

    def test_template_must_be_current(self):
        self.assertEqual(self.run_generator(None, "de.po", "--pot").returncode, 0)
        self.assertEqual(self.run_generator(None, "de.po", "--check-pot").returncode, 0)
        with open(os.path.join(self.top, "res", "messages.table"), "a", encoding="utf-8") as file:
            file.write('NEW\n    "a new text"\n')
        result = self.run_generator(None, "de.po", "--check-pot")
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("ondavox.pot: not made from the current English sources", result.stderr)


class ProjectTranslations(unittest.TestCase):
    """The project's own translation files as translators' tools read them."""

    def test_every_translation_passes_gettexts_own_check(self):
        folder = os.path.join(TOP, "translations")
        files = sorted(name for name in os.listdir(folder) if name.endswith(".po"))
        self.assertTrue(files, "no translations")
        for name in files:
            with self.subTest(name):
                result = subprocess.run(["msgfmt", "--check", "-o", os.devnull, os.path.join(folder, name)],
                                        capture_output=True, text=True)
                self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    unittest.main()
