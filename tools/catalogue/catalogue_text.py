#!/usr/bin/env python3
"""Prints texts of the message catalogue in one language, one a line, with
line ends written as \\n: for scripts that look for what the program shows.

  catalogue_text.py LANGUAGE KEY...   (LANGUAGE: en, de, ar ...; KEY:
                                       IDS_YES, IDD_MAIN_DIALOG.CAPTION ...)

The English text where the language lacks one or is not in translations/."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_catalogue  # noqa: E402


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    top = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    language = sys.argv[1]
    english = {}
    for entry in (make_catalogue.read_string_table(os.path.join(top, "res/strings.table"))
                  + make_catalogue.read_dialogs(os.path.join(top, "res/dialogs.rc"))[1]
                  + make_catalogue.read_message_table(os.path.join(top, "res/messages.table"), "app")):
        english[entry.key] = entry.text
    po = os.path.join(top, "translations", language + ".po")
    translated = make_catalogue.read_po(po).texts if language != "en" and os.path.exists(po) else {}
    for key in sys.argv[2:]:
        text = translated[key][1] if key in translated and translated[key][1] else english.get(key, "")
        print(text.replace("\n", "\\n"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
