#!/usr/bin/env python3
"""Makes the message catalogue of every program from its English sources and
the translations, and checks the translations.

English sources (the base and the fallback of every text):
  res/strings.table    the string table (id, name, text)
  res/dialogs.rc       the two dialog templates
  res/messages.table   the app's and the Linux program's other texts
  res/cli_messages.table  the command-line program's messages and help
Translations: translations/<language>.po, one gettext file per language; the
context (msgctxt) of an entry is the text's key, its msgid the English text.

Writes into OUTPUT/res/:
  strings.h        IDS_<name> and TEXT_<name> (English), for code and resources
  string_table.h   the English string table as data
  languages.rc     per language a LANGUAGE block: string table, both dialogs
  language_codes.rc  per language only the block's language code (string 140)
  languages.h      the languages: code, Windows language id, direction
  app_texts.h      the app's texts (string table, dialogs, messages) per language
  cli_texts.h      the command-line program's texts per language
and, with --pot, the translators' template translations/ondavox.pot.

Fails (exit 1, each fault as FILE:LINE: message) on a missing or stale
translation, printf conversions or placeholders that differ from the English,
a text over the bytes of the buffer it is copied into, or a malformed source.
"""

import argparse
import os
import re
import sys

MAKER_PLACEHOLDER = "@ONDAVOX_MAKER_ADDRESS@"
# A printf conversion: flags, width, precision, length, conversion.
CONVERSION = re.compile(r"%(?:%|[-+ #0]*(?:\*|\d+)?(?:\.(?:\*|\d+))?(?:hh|h|ll|l|z|j|t|L)?[diouxXeEfgGcsp])")
STRING_TABLE_CAPACITY = 100
LANGUAGE_CODE_ID = 140
PSEUDO_CODE = "qps_ploc"
# Keys whose text no user sees: kept English in every language.
UNTRANSLATED = {"IDS_WINDOW_CLASS", "IDD_MAIN_DIALOG.IDC_VERSION_LABEL"}

faults = []


def fault(where, message):
    faults.append(f"{where}: {message}")


class Entry:
    def __init__(self, key, text, where, capacity=None, domain="app", string_id=None):
        self.key = key
        self.text = text
        self.where = where
        self.capacity = capacity
        self.domain = domain
        self.string_id = string_id


# ---- English sources --------------------------------------------------------

C_ESCAPES = {"n": "\n", "t": "\t", "\\": "\\", '"': '"', "'": "'", "r": "\r", "a": "\a", "0": "\0"}


def c_unescape(body, where):
    out = []
    index = 0
    while index < len(body):
        char = body[index]
        if char == "\\":
            index += 1
            if index >= len(body) or body[index] not in C_ESCAPES:
                fault(where, "unknown escape in a text")
                return body
            out.append(C_ESCAPES[body[index]])
        else:
            out.append(char)
        index += 1
    return "".join(out)


LITERAL = re.compile(r'"((?:[^"\\]|\\.)*)"')


def read_string_table(path):
    entries = []
    with open(path, encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            if re.match(r"^\s*(#|$)", line):
                continue
            match = re.match(r'^([0-9]+)\s+([A-Z][A-Z0-9_]*)\s+"([^"\\]*)"\s*$', line)
            where = f"{path}:{number}"
            if not match:
                fault(where, 'not <id> <NAME> "<text>" (no quote or backslash inside)')
                continue
            entries.append(Entry("IDS_" + match.group(2), match.group(3), where, STRING_TABLE_CAPACITY,
                                 string_id=int(match.group(1))))
    return entries


def read_message_table(path, domain):
    entries = []
    current = None
    with open(path, encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            where = f"{path}:{number}"
            if re.match(r"^\s*(#|$)", line):
                current = None
                continue
            head = re.match(r"^([A-Z][A-Z0-9_]*)(?:\s+([0-9]+))?\s*$", line)
            if head:
                current = Entry(head.group(1), None, where, int(head.group(2)) if head.group(2) else None, domain)
                entries.append(current)
                continue
            if current is None or not line[0].isspace():
                fault(where, "not a NAME [capacity] line or an indented string literal of one")
                continue
            rest = line.strip()
            parts = []
            while rest:
                literal = LITERAL.match(rest)
                if not literal:
                    fault(where, "not a string literal")
                    break
                parts.append(c_unescape(literal.group(1), where))
                rest = rest[literal.end():].strip()
            current.text = (current.text or "") + "".join(parts)
    for entry in entries:
        if entry.text is None:
            fault(entry.where, f"{entry.key} has no text")
            entry.text = ""
    return entries


# A control line of a template: its keyword, then a text in quotes (CONTROL,
# LTEXT, PUSHBUTTON ...) before the id.
DIALOG_HEAD = re.compile(r"^([A-Z_][A-Z0-9_]*)\s+DIALOGEX\b")
TEXT_CONTROL = re.compile(r'^(\s*[A-Z]+\s+)"((?:[^"]|"")*)"(\s*,\s*)([A-Z_][A-Z0-9_]*|-?[0-9]+)(.*)$')
CAPTION = re.compile(r'^(CAPTION\s+)"((?:[^"]|"")*)"(.*)$')


def read_dialogs(path):
    """The templates' lines, and an entry for each text in them."""
    entries = []
    lines = open(path, encoding="utf-8").read().split("\n")
    dialog = None
    for number, line in enumerate(lines, 1):
        where = f"{path}:{number}"
        head = DIALOG_HEAD.match(line)
        if head:
            dialog = head.group(1)
            continue
        caption = CAPTION.match(line)
        if caption and dialog:
            entries.append(Entry(f"{dialog}.CAPTION", caption.group(2).replace('""', '"'), where))
            continue
        control = TEXT_CONTROL.match(line)
        if control and dialog and control.group(2) != "":
            entries.append(Entry(f"{dialog}.{control.group(4)}", control.group(2).replace('""', '"'), where))
    return lines, entries


# ---- Translations -----------------------------------------------------------

def po_unquote(text, where):
    literal = re.fullmatch(r'"((?:[^"\\]|\\.)*)"', text.strip())
    if not literal:
        fault(where, "not a quoted string")
        return ""
    return c_unescape(literal.group(1), where)


class Translation:
    def __init__(self, code, path):
        self.code = code
        self.path = path
        self.headers = {}
        self.texts = {}  # key -> (English it was made from, text, where, fuzzy)


def read_po(path):
    code = os.path.splitext(os.path.basename(path))[0]
    translation = Translation(code, path)
    entries = []
    current = {}
    field = None
    flags = ""

    def finish():
        nonlocal current, flags
        if current:
            current["fuzzy"] = "fuzzy" in flags
            entries.append(current)
        current = {}
        flags = ""

    with open(path, encoding="utf-8") as source:
        for number, raw in enumerate(source, 1):
            line = raw.rstrip("\n")
            where = f"{path}:{number}"
            if line.startswith("#,"):
                if "msgid" in current:
                    finish()
                flags += line
                continue
            if line.startswith("#") or not line.strip():
                if "msgstr" in current and not line.strip():
                    finish()
                continue
            keyword = re.match(r"^(msgctxt|msgid|msgstr)\s+(.*)$", line)
            if keyword:
                if keyword.group(1) in ("msgctxt", "msgid") and "msgstr" in current:
                    finish()
                field = keyword.group(1)
                current[field] = po_unquote(keyword.group(2), where)
                current.setdefault("where", where)
                continue
            if line.startswith('"') and field:
                current[field] += po_unquote(line, where)
                continue
            fault(where, "not a line of a gettext catalogue")
    finish()
    for entry in entries:
        if "msgid" not in entry or "msgstr" not in entry:
            fault(entry.get("where", path), "an entry without msgid or msgstr")
            continue
        if entry["msgid"] == "" and "msgctxt" not in entry:
            for header in entry["msgstr"].split("\n"):
                name, _, value = header.partition(":")
                if name.strip():
                    translation.headers[name.strip()] = value.strip()
            continue
        if "msgctxt" not in entry:
            fault(entry["where"], "an entry without msgctxt (the text's key)")
            continue
        translation.texts[entry["msgctxt"]] = (entry["msgid"], entry["msgstr"], entry["where"], entry["fuzzy"])
    return translation


def language_of(translation):
    headers = translation.headers
    where = translation.path
    windows = headers.get("X-Windows-Language", "")
    match = re.fullmatch(r"(0x[0-9A-Fa-f]+)\s+(0x[0-9A-Fa-f]+)", windows)
    if not match:
        fault(where, 'header X-Windows-Language must be "0xPRIMARY 0xSUB" (the language block Windows picks)')
        match = re.fullmatch(r"(0)(0)", "00")
    direction = headers.get("X-Text-Direction", "ltr")
    if direction not in ("ltr", "rtl"):
        fault(where, "header X-Text-Direction must be ltr or rtl")
    name = headers.get("X-Language-Name", "")
    if not name:
        fault(where, "header X-Language-Name (the language's own name) is missing")
    return {
        "code": translation.code,
        "name": name,
        "primary": int(match.group(1), 16),
        "sub": int(match.group(2), 16),
        "rtl": direction == "rtl",
    }


def conversions(text):
    found = [c for c in CONVERSION.findall(text) if c != "%%"]
    return found + [MAKER_PLACEHOLDER] * text.count(MAKER_PLACEHOLDER)


def final_text(text, maker_address):
    return text.replace(MAKER_PLACEHOLDER, maker_address)


def check_text(entry, text, where, language, maker_address):
    if conversions(text) != conversions(entry.text):
        fault(where, f"{entry.key} ({language}): the format arguments {conversions(text)} differ from the "
                     f"English {conversions(entry.text)}")
    if entry.capacity is not None:
        size = len(final_text(text, maker_address).encode("utf-8"))
        if size > entry.capacity - 1:
            fault(where, f"{entry.key} ({language}): {size} bytes in UTF-8; its buffer holds {entry.capacity - 1}")
    if entry.key.startswith("IDS_") and ('"' in text or "\\" in text):
        fault(where, f"{entry.key} ({language}): a string-table text holds no double quote or backslash")
    if entry.key.startswith("IDD_") and "\n" in text:
        fault(where, f"{entry.key} ({language}): a dialog's text is one line")


# ---- The pseudo-language for the tests --------------------------------------

# Accents every font of the tests draws (Wine's Tahoma among them), so a
# box in the pseudo-language is a fault too.
ACCENTED = dict(zip("acdeghilnorstuyzACDEGHILNORSTUYZ",
                    "åçđéĝĥîľñöŕšţûýžÅÇĐÉĜĤÎĽÑÖŔŠŢÛÝŽ"))


def pseudo(entry, maker_address):
    """Each English text accented, 40 % longer and bracketed, within its buffer."""
    pieces = re.split(r"(%(?:%|[-+ #0]*(?:\*|\d+)?(?:\.(?:\*|\d+))?(?:hh|h|ll|l|z|j|t|L)?[diouxXeEfgGcsp])|"
                      + re.escape(MAKER_PLACEHOLDER) + r"|&&|&)", entry.text)
    accented = "".join(piece if index % 2 else "".join(ACCENTED.get(c, c) for c in piece)
                       for index, piece in enumerate(pieces) if piece is not None)
    padding = " " + "·" * max(1, (len(entry.text) * 4 + 9) // 10 - 3) if entry.text.strip() else ""
    for candidate in (f"[{accented}{padding}]", f"[{accented}]", f"[{entry.text}]", entry.text):
        if entry.capacity is None or len(final_text(candidate, maker_address).encode("utf-8")) <= entry.capacity - 1:
            return candidate
    return entry.text


# ---- Output -----------------------------------------------------------------

def c_literal(text):
    out = ['"']
    for char in text:
        if char == "\\":
            out.append("\\\\")
        elif char == '"':
            out.append('\\"')
        elif char == "\n":
            out.append("\\n")
        elif char == "\t":
            out.append("\\t")
        elif ord(char) < 0x20:
            out.append(f"\\{ord(char):03o}")
        else:
            out.append(char)
    out.append('"')
    return "".join(out)


def rc_literal(text):
    return '"' + text.replace('"', '""') + '"'


def write_if_changed(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    try:
        with open(path, encoding="utf-8") as existing:
            if existing.read() == content:
                return
    except OSError:
        pass
    with open(path, "w", encoding="utf-8", newline="\n") as target:
        target.write(content)


def identifier(key):
    """The key as a C++ name. A string-table key loses its IDS_ prefix for
    STRING_, since strings.h defines IDS_<name> as a macro."""
    if key.startswith("IDS_"):
        key = "STRING_" + key[4:]
    return re.sub(r"[^A-Za-z0-9]", "_", key)


NOTE = "Generated by tools/catalogue/make_catalogue.py from the English sources in res/ and translations/; edit those."


def texts_header(type_name, array_name, entries, languages, texts_of, maker_address):
    lines = [f"// {NOTE}", "#pragma once", "", '#include "res/languages.h"', "", "namespace res {", "",
             f"enum class {type_name} : unsigned short {{"]
    lines += [f"    {identifier(entry.key)}," for entry in entries]
    lines += ["};", "", f"inline constexpr int {array_name}_COUNT = {len(entries)};", ""]
    if not entries:
        return "\n".join(lines + ["}  // namespace res", ""])
    with_ids = [entry for entry in entries if entry.string_id is not None]
    if with_ids:
        lines += ["struct StringText {", "    int id;", f"    {type_name} text;", "};", "",
                  "// The string table's ids and their texts.",
                  f"inline constexpr StringText STRING_TEXTS[] = {{"]
        lines += [f"    {{{entry.string_id}, {type_name}::{identifier(entry.key)}}}," for entry in with_ids]
        lines += ["};", ""]
    lines += [
              f"// [language][text], in the order of LANGUAGES; every text is there.",
              f"inline constexpr const char* {array_name}[LANGUAGE_COUNT][{array_name}_COUNT] = {{"]
    for language in languages:
        lines.append(f"    {{  // {language['code']}")
        for entry in entries:
            lines.append(f"        {c_literal(final_text(texts_of(language, entry), maker_address))},")
        lines.append("    },")
    lines += ["};", "", "}  // namespace res", ""]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--source", required=True, help="the project's top folder")
    parser.add_argument("--output", help="the build's generated folder")
    parser.add_argument("--maker-address", default="www.ondavox.example")
    parser.add_argument("--pot", action="store_true", help="write translations/ondavox.pot")
    parser.add_argument("--translations", help="read the .po files from this folder instead of translations/")
    parser.add_argument("--check-pot", action="store_true", help="fail when translations/ondavox.pot is not current")
    arguments = parser.parse_args()
    top = arguments.source
    maker = arguments.maker_address

    strings = read_string_table(os.path.join(top, "res/strings.table"))
    template_lines, dialog_entries = read_dialogs(os.path.join(top, "res/dialogs.rc"))
    messages = read_message_table(os.path.join(top, "res/messages.table"), "app")
    cli_path = os.path.join(top, "res/cli_messages.table")
    cli_messages = read_message_table(cli_path, "cli") if os.path.exists(cli_path) else []
    entries = strings + dialog_entries + messages + cli_messages

    keys = {}
    for entry in entries:
        if entry.key in keys:
            fault(entry.where, f"{entry.key} given twice (also {keys[entry.key].where})")
        keys[entry.key] = entry
        final = final_text(entry.text, maker)
        if entry.capacity is not None and len(final.encode("utf-8")) > entry.capacity - 1:
            fault(entry.where, f"{entry.key}: {len(final.encode('utf-8'))} bytes; its buffer holds "
                               f"{entry.capacity - 1} (check the build settings it names, such as "
                               "ONDAVOX_MAKER_ADDRESS)")
    seen_ids = {}
    for entry in strings:
        if entry.string_id in seen_ids:
            fault(entry.where, f"string id {entry.string_id} given twice")
        seen_ids[entry.string_id] = entry

    translated = [entry for entry in entries if entry.key not in UNTRANSLATED]

    pot_path = os.path.join(top, "translations/ondavox.pot")
    pot = ['# The texts of the Ondavox utility, for translators: copy this file to',
           '# translations/<language>.po (for example pt_BR.po), fill in the headers',
           '# X-Language-Name, X-Windows-Language and X-Text-Direction as the other',
           '# files do, and translate every msgstr. The context of an entry is its key;',
           '# keep every %s, %d and @ONDAVOX_MAKER_ADDRESS@ of the English, in its order.',
           '# Made by tools/catalogue/make_catalogue.py --pot from res/; do not edit.',
           'msgid ""', 'msgstr ""', '"Project-Id-Version: Ondavox Utility\\n"', '"MIME-Version: 1.0\\n"',
           '"Content-Type: text/plain; charset=UTF-8\\n"', '"Content-Transfer-Encoding: 8bit\\n"',
           '"Language: \\n"', '"X-Language-Name: \\n"', '"X-Windows-Language: \\n"', '"X-Text-Direction: ltr\\n"', '']
    for entry in translated:
        comment = f"#. at most {entry.capacity - 1} bytes in UTF-8" if entry.capacity else None
        if comment:
            pot.append(comment)
        if MAKER_PLACEHOLDER in entry.text:
            pot.append("#. @ONDAVOX_MAKER_ADDRESS@ becomes the maker's web address")
        pot.append(f"#: {entry.where.replace(top.rstrip('/') + '/', '')}")
        if CONVERSION.search(entry.text):
            pot.append("#, c-format")
        pot.append(f"msgctxt {c_literal(entry.key)}")
        lines = entry.text.splitlines(keepends=True)
        if len(lines) > 1:
            # A text of several lines a line each, as gettext's tools write it.
            pot.append('msgid ""')
            pot += [c_literal(line) for line in lines]
        else:
            pot.append(f"msgid {c_literal(entry.text)}")
        pot.append('msgstr ""')
        pot.append("")
    pot_text = "\n".join(pot)
    if arguments.pot:
        write_if_changed(pot_path, pot_text)
    if arguments.check_pot:
        try:
            current = open(pot_path, encoding="utf-8").read()
        except OSError:
            current = None
        if current != pot_text:
            fault(pot_path, "not made from the current English sources: run "
                            "tools/catalogue/make_catalogue.py --source . --pot")

    english = {"code": "en", "name": "English", "primary": 0x09, "sub": 0x01, "rtl": False}
    languages = [english]
    translations = {}
    folder = arguments.translations or os.path.join(top, "translations")
    for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
        if not name.endswith(".po"):
            continue
        translation = read_po(os.path.join(folder, name))
        language = language_of(translation)
        languages.append(language)
        translations[language["code"]] = translation
        for key, (source_text, text, where, fuzzy) in translation.texts.items():
            entry = keys.get(key)
            if entry is None or key in UNTRANSLATED:
                fault(where, f"{key}: no such text in the English sources (remove the entry)")
                continue
            if source_text != entry.text:
                fault(where, f"{key}: translated from an older English text; the English is now "
                             f"{c_literal(entry.text)}")
                continue
            if fuzzy:
                fault(where, f"{key}: marked fuzzy; check the translation and remove the flag")
                continue
            if text == "":
                fault(where, f"{key}: not translated")
                continue
            check_text(entry, text, where, language["code"], maker)
        for entry in translated:
            if entry.key not in translation.texts:
                fault(translation.path, f"{entry.key}: missing (the English: {c_literal(entry.text)})")
    languages.append({"code": PSEUDO_CODE, "name": "Pseudo", "primary": 0x101, "sub": 0x01, "rtl": False,
                      "pseudo": True})

    def text_of(language, entry):
        if entry.key in UNTRANSLATED or language["code"] == "en":
            return entry.text
        if language.get("pseudo"):
            return pseudo(entry, maker)
        found = translations[language["code"]].texts.get(entry.key)
        return found[1] if found and found[1] else entry.text

    if faults:
        for line in faults:
            print(line, file=sys.stderr)
        print(f"make_catalogue: {len(faults)} fault(s) in the catalogue", file=sys.stderr)
        return 1
    if not arguments.output:
        return 0
    out = os.path.join(arguments.output, "res")

    # strings.h and string_table.h: the English string table, as before.
    defines = "".join(f"#define IDS_{e.key[4:]} {e.string_id}\n#define TEXT_{e.key[4:]} "
                      f"{c_literal(final_text(e.text, maker))}\n" for e in strings)
    write_if_changed(os.path.join(out, "strings.h"),
                     f"/* {NOTE}\n   The string table's ids and English texts, shared by the resource script and "
                     "the code. */\n#pragma once\n\n/* ONDAVOX_MAKER_ADDRESS, part of string 139, for code that "
                     "checks it. */\n#include \"ondavox_build_settings.h\"\n\n" + defines +
                     f"\n/* The catalogue's code of the block Windows picked (languages.h), in every block. */\n"
                     f"#define IDS_LANGUAGE_CODE {LANGUAGE_CODE_ID}\n")
    table = "".join(f"    {{IDS_{e.key[4:]}, TEXT_{e.key[4:]}}},\n" for e in strings)
    write_if_changed(os.path.join(out, "string_table.h"),
                     f"// {NOTE}\n// The English string table as data.\n#pragma once\n\n#include \"res/strings.h\"\n\n"
                     "namespace res {\n\nstruct StringResource {\n    int id;\n    const char* text;\n};\n\n"
                     f"constexpr StringResource STRING_TABLE[] = {{\n{table}}};\n\n}}  // namespace res\n")

    # languages.h
    rows = "".join(f"    {{{c_literal(l['code'])}, {c_literal(l['name'])}, 0x{l['primary']:02X}, 0x{l['sub']:02X}, "
                   f"{'true' if l['rtl'] else 'false'}}},\n" for l in languages)
    write_if_changed(os.path.join(out, "languages.h"),
                     f"// {NOTE}\n// The languages of the catalogue: English first (the fallback), the pseudo-"
                     "language of the tests last.\n#pragma once\n\nnamespace res {\n\nstruct Language {\n"
                     "    const char* code;  // as in the locale's name: de, pt_BR, zh_CN\n"
                     "    const char* name;  // in the language itself\n"
                     "    unsigned short windowsPrimary;  // the language block Windows picks\n"
                     "    unsigned short windowsSub;\n    bool rightToLeft;\n};\n\n"
                     f"inline constexpr int LANGUAGE_COUNT = {len(languages)};\n"
                     f"inline constexpr int PSEUDO_LANGUAGE = {len(languages) - 1};\n"
                     f"inline constexpr Language LANGUAGES[LANGUAGE_COUNT] = {{\n{rows}}};\n\n}}  // namespace res\n")

    app_entries = [e for e in entries if e.domain == "app"]
    cli_entries = [e for e in entries if e.domain == "cli"]
    write_if_changed(os.path.join(out, "app_texts.h"),
                     texts_header("AppText", "APP_TEXTS", app_entries, languages, text_of, maker))
    write_if_changed(os.path.join(out, "cli_texts.h"),
                     texts_header("CliText", "CLI_TEXTS", cli_entries, languages, text_of, maker))

    # languages.rc: per language the string table and both dialogs.
    rc = [f"/* {NOTE} */", "#pragma code_page(65001)", ""]
    for language in languages:
        rc.append(f"/* {language['code']} */")
        rc.append(f"LANGUAGE 0x{language['primary']:02X}, 0x{language['sub']:02X}")
        rc.append("")
        rc.append("STRINGTABLE")
        rc.append("BEGIN")
        for entry in strings:
            rc.append(f"    IDS_{entry.key[4:]} {rc_literal(final_text(text_of(language, entry), maker))}")
        rc.append(f"    IDS_LANGUAGE_CODE {rc_literal(language['code'])}")
        rc.append("END")
        rc.append("")
        dialog = None
        for line in template_lines:
            if line.startswith("//"):
                continue
            head = DIALOG_HEAD.match(line)
            if head:
                dialog = head.group(1)
                rc.append(line)
                continue
            caption = CAPTION.match(line)
            if caption and dialog:
                text = text_of(language, keys[f"{dialog}.CAPTION"])
                rc.append(f"{caption.group(1)}{rc_literal(text)}{caption.group(3)}")
                continue
            if line.startswith("STYLE") and language["rtl"]:
                rc.append(line)
                rc.append("EXSTYLE WS_EX_LAYOUTRTL")
                continue
            control = TEXT_CONTROL.match(line)
            if control and dialog and control.group(2) != "":
                text = text_of(language, keys[f"{dialog}.{control.group(4)}"])
                rc.append(f"{control.group(1)}{rc_literal(text)}{control.group(3)}{control.group(4)}{control.group(5)}")
                continue
            rc.append(line)
        rc.append("")
    write_if_changed(os.path.join(out, "languages.rc"), "\n".join(rc))

    # language_codes.rc: only the language-code string per block, for a
    # program that takes its texts from the catalogue but lets Windows'
    # resource loader choose the language (the command-line program).
    codes = [f"/* {NOTE} */", ""]
    for language in languages:
        codes += [f"LANGUAGE 0x{language['primary']:02X}, 0x{language['sub']:02X}", "STRINGTABLE", "BEGIN",
                  f"    {LANGUAGE_CODE_ID} {rc_literal(language['code'])}", "END", ""]
    write_if_changed(os.path.join(out, "language_codes.rc"), "\n".join(codes))
    return 0


if __name__ == "__main__":
    sys.exit(main())
