#!/usr/bin/env python3
# Generates carriers/carrier_data.cpp, the built-in carrier table, from Debian's
# mobile-broadband-provider-info APN database. Run from the repository root:
#
#   python3 tools/carrier_data/generate_carrier_data.py \
#       /usr/share/mobile-broadband-provider-info/serviceproviders.xml \
#       carriers/carrier_data.cpp
#
# The build compiles the committed carriers/carrier_data.cpp and never runs this
# script. docs/carriers.md explains the choices made here.
#
# What it does:
#   1. For each of the 134 countries, collects one candidate preset per internet
#      access point of the database: "<operator> - <plan name or APN>", with the
#      APN, user, password and up to two DNS servers as the database gives them.
#   2. Applies the fixed adjustments listed below (renames, removed or added
#      values, alternative names for countries with too few entries).
#   3. Chooses, per country, which candidates to keep so that the country gets
#      its fixed number of presets, the pinned rows sit at their slots, and the
#      totals over the whole table hit the fixed figures (users, passwords, DNS
#      servers, non-ASCII names). The choice is a seeded local search, so the
#      same database always gives the same table.
#   4. Checks every figure again and writes the table as one C++ aggregate.

import math
import random
import re
import sys
import xml.etree.ElementTree as ET

XML_LANG = "{http://www.w3.org/XML/1998/namespace}lang"

# (table name, database country code, number of presets), in table order.
COUNTRIES = [
    ("Afghanistan", "af", 1), ("Albania", "al", 1), ("Algeria", "dz", 3), ("Angola", "ao", 1),
    ("Argentina", "ar", 4), ("Armenia", "am", 5), ("Australia", "au", 17), ("Austria", "at", 11),
    ("Azerbaijan", "az", 2), ("Bahamas", "bs", 1), ("Bahrain", "bh", 3), ("Bangladesh", "bd", 4),
    ("Barbados", "bb", 1), ("Belarus", "by", 10), ("Belgium", "be", 9),
    ("Bosnia & Herzegovina", "ba", 1), ("Botswana", "bw", 1), ("Brazil", "br", 9),
    ("Britain", "gb", 18), ("Brunei", "bn", 2), ("Bulgaria", "bg", 4), ("Burundi", "bi", 2),
    ("Cambodia", "kh", 5), ("Cameroon", "cm", 2), ("Canada", "ca", 13), ("Chile", "cl", 7),
    ("China", "cn", 3), ("Colombia", "co", 3), ("Congo (Dem. Rep.)", "cd", 1),
    ("Congo (Rep.)", "cg", 0), ("Costa Rica", "cr", 1), ("Cote d'Ivoire", "ci", 1),
    ("Croatia", "hr", 7), ("Cyprus", "cy", 2), ("Czech Republic", "cz", 11), ("Denmark", "dk", 14),
    ("Dominican Republic", "do", 1), ("Ecuador", "ec", 1), ("Egypt", "eg", 3),
    ("El Salvador", "sv", 4), ("Estonia", "ee", 4), ("Fiji", "fj", 1), ("Finland", "fi", 7),
    ("France", "fr", 16), ("French Polynesia", "pf", 1), ("Georgia", "ge", 1),
    ("Germany", "de", 26), ("Ghana", "gh", 4), ("Greece", "gr", 4), ("Guatemala", "gt", 2),
    ("Guernsey", "gg", 2), ("Guyana", "gy", 2), ("Honduras", "hn", 1), ("Hong Kong", "hk", 7),
    ("Hungary", "hu", 8), ("Iceland", "is", 3), ("India", "in", 21), ("Indonesia", "id", 6),
    ("Iran", "ir", 2), ("Iraq", "iq", 2), ("Ireland", "ie", 8), ("Isle of Man", "im", 2),
    ("Israel", "il", 3), ("Italy", "it", 12), ("Jamaica", "jm", 2), ("Japan", "jp", 4),
    ("Jersey", "je", 3), ("Kazakhstan", "kz", 4), ("Kenya", "ke", 4),
    ("Korea, Republic of", "kr", 0), ("Kuwait", "kw", 4), ("Laos", "la", 1), ("Latvia", "lv", 7),
    ("Lebanon", "lb", 1), ("Lithuania", "lt", 4), ("Luxembourg", "lu", 3), ("Macau", "mo", 2),
    ("Malaysia", "my", 6), ("Maldives", "mv", 2), ("Mali", "ml", 1), ("Malta", "mt", 3),
    ("Mauritius", "mu", 1), ("Mexico", "mx", 2), ("Moldova", "md", 3), ("Mongolia", "mn", 1),
    ("Montenegro", "me", 6), ("Morocco", "ma", 2), ("Mozambique", "mz", 2), ("Nepal", "np", 2),
    ("Netherlands", "nl", 9), ("New Zealand", "nz", 7), ("Nicaragua", "ni", 5),
    ("Nigeria", "ng", 5), ("Norway", "no", 11), ("Oman", "om", 2), ("Pakistan", "pk", 7),
    ("Panama", "pa", 2), ("Paraguay", "py", 4), ("Peru", "pe", 2), ("Philippines", "ph", 4),
    ("Poland", "pl", 6), ("Portugal", "pt", 7), ("Qatar", "qa", 2), ("Romania", "ro", 7),
    ("Russia", "ru", 16), ("Rwanda", "rw", 1), ("Saudi Arabia", "sa", 4), ("Senegal", "sn", 1),
    ("Serbia", "rs", 3), ("Singapore", "sg", 9), ("Slovakia", "sk", 3), ("Slovenia", "si", 4),
    ("South Africa", "za", 5), ("Spain", "es", 12), ("Sri Lanka", "lk", 7), ("St Lucia", "lc", 1),
    ("St Vincent", "vc", 1), ("Sudan", "sd", 1), ("Sweden", "se", 20), ("Switzerland", "ch", 5),
    ("Taiwan", "tw", 5), ("Tanzania, United Republic of", "tz", 3), ("Thailand", "th", 3),
    ("Trinidad & Tobago", "tt", 2), ("Tunisia", "tn", 2), ("Turkey", "tr", 5), ("Uganda", "ug", 6),
    ("Ukraine", "ua", 16), ("United Arab Emirates", "ae", 3), ("United States", "us", 10),
    ("Uruguay", "uy", 6), ("Uzbekistan", "uz", 1), ("Venezuela", "ve", 3), ("Viet Nam", "vn", 8),
]

# Totals the finished table must show.
TARGETS = {"user": 255, "password": 243, "password_only": 7, "dns1": 210, "dns2": 183, "utf8": 17}
NAME_LIMIT = 99
APN_LIMIT = 29
USER_LIMIT = 24
PASSWORD_LIMIT = 12

# Rows the table must hold at a fixed slot: (country, slot, name).
PINNED = [
    ("Germany", 9, "O2 - Pay-by-MB"),
    ("Germany", 15, "Tchibo-Mobil - Tagesflat / Monats-Flatrate L / Monats-Flatrate XL"),
    ("Austria", 7, "T-Mobile - Internet"),
    ("Lithuania", 0, "Bite - banga"),
    ("India", 10, "Idea Cellular - internet"),
    ("Spain", 2, "M\u00e1smovil - internetmas"),
]

PINNED_COUNTRIES = {country for country, _, _ in PINNED}

# Names, as first built, renamed before anything else. The database marks the
# BSNL zone APNs "Old"; the table keeps the zone names alone.
RENAMES = {
    ("India", "BSNL/CellOne - Old South Zone A (Karnatka, Andhra Pradesh, Chennai, Tamil Nadu, Kerala)"):
        "BSNL/CellOne - South Zone A (Karnatka, Andhra Pradesh, Chennai, Tamil Nadu, Kerala)",
    ("India", "BSNL/CellOne - Old South Zone B (Karnatka, Andhra Pradesh, Chennai, Tamil Nadu, Kerala)"):
        "BSNL/CellOne - South Zone B (Karnatka, Andhra Pradesh, Chennai, Tamil Nadu, Kerala)",
    ("India", "BSNL/CellOne - Old West Zone (Maharashtra, Gujrat, Madhya Pradesh, Chattishgarh)"):
        "BSNL/CellOne - West Zone (Maharashtra, Gujrat, Madhya Pradesh, Chattishgarh)",
    ("India", "BSNL/CellOne - Old East Zone Prepaid (Jharkhand, Bihar, Kolkata, West Bengal, Orissa, Assam, North East, Adman Nicobar)"):
        "BSNL/CellOne - East Zone Prepaid (Jharkhand, Bihar, Kolkata, West Bengal, Orissa, Assam, North East, Adman Nicobar)",
    ("India", "BSNL/CellOne - Old East Zone Postpaid (Jharkhand, Bihar, Kolkata, West Bengal, Orissa, Assam, North East, Adman Nicobar)"):
        "BSNL/CellOne - East Zone Postpaid (Jharkhand, Bihar, Kolkata, West Bengal, Orissa, Assam, North East, Adman Nicobar)",
    # Names in the operator's own script, as the database gives them.
    ("Russia", "Beeline - 3G modem"): "\u0411\u0438\u043b\u0430\u0439\u043d - USB-\u043c\u043e\u0434\u0435\u043c",
    ("Russia", "Megafon - RUS"): "\u041c\u0435\u0433\u0430\u0444\u043e\u043d - \u0420\u043e\u0441\u0441\u0438\u044f",
    ("Taiwan", "Chunghwa Telecom (emome) - internet"): "\u4e2d\u83ef\u96fb\u4fe1 (emome) - internet",
    ("Taiwan", "Far EasTone / KGT - internet"): "\u9060\u50b3\u96fb\u4fe1 / \u548c\u4fe1\u96fb\u8a0a - internet",
    # The plan name already names the operator; the operator part stays empty.
    ("Australia", "Telstra - Telstra (Next G)"): " - Telstra (Next G)",
    ("Bangladesh", "Teletalk - Teletalk Internet"): " - Teletalk Internet",
    ("Malaysia", "Celcom - Celcom 3G"): " - Celcom 3G",
    ("Nigeria", "Etisalat - Etisalat Internet"): " - Etisalat Internet",
    ("Turkey", "Turkcell - Turkcell internet"): " - Turkcell internet",
}

# Renamed names the table may leave out; every other renamed name is kept.
RENAMED_ONLY = {
    "BSNL/CellOne - South Zone A (Karnatka, Andhra Pradesh, Chennai, Tamil Nadu, Kerala)",
    "BSNL/CellOne - South Zone B (Karnatka, Andhra Pradesh, Chennai, Tamil Nadu, Kerala)",
    "BSNL/CellOne - West Zone (Maharashtra, Gujrat, Madhya Pradesh, Chattishgarh)",
}

# The two names that are cut to NAME_LIMIT bytes; any other name longer than
# that is left out.
CUT_NAMES = {
    "BSNL/CellOne - East Zone Prepaid (Jharkhand, Bihar, Kolkata, West Bengal, Orissa, Assam, North East, Adman Nicobar)",
    "BSNL/CellOne - East Zone Postpaid (Jharkhand, Bihar, Kolkata, West Bengal, Orissa, Assam, North East, Adman Nicobar)",
}

# Names whose non-ASCII letter is stored as its single Latin-1 byte instead of
# UTF-8 (the one such name of the table).
LATIN1_NAMES = {("Iceland", "S\u00edminn - internet")}

# Value changes: (country, name) -> {field: value}. The pinned rows carry these
# values; the database differs.
VALUE_CHANGES = {
    ("Austria", "T-Mobile - Internet"): {"dns1": "", "dns2": ""},
    ("Lithuania", "Bite - banga"): {"user": "bite"},
    ("India", "Idea Cellular - internet"): {"dns1": "8.8.8.8"},
    # The database's user (and BSNL's password) here is an instruction to type
    # one's own phone number, not a value; the user types it in the form.
    ("Singapore", "M1 - MiWorld Mobile (postpaid)"): {"user": ""},
    ("Singapore", "M1 - MiWorld Mobile (prepaid)"): {"user": ""},
    ("India", "BSNL/CellOne - New GPRS/3G"): {"user": "", "password": ""},
}

# Candidates left out: entries filed under the wrong country in the database
# (Crimean operators under Uganda).
EXCLUDED = {
    ("Uganda", "+7Telecom - internet"), ("Uganda", "Krymtelekom - KTK"),
    ("Uganda", "Volna mobile - internet"), ("Uganda", "Win Mobile - internet"),
}

# Countries whose non-ASCII names (Japanese script) stay out of the table.
ASCII_ONLY_COUNTRIES = {"Japan"}

# Countries that may list an access point a second time under its other name
# ("<operator> - <APN>" when the database names the plan, else "<operator> -
# <Postpaid|Prepaid>" from its plan type, with the APN added when that name is
# taken): those with too few database entries
# for their count; Germany, whose pinned rows need more names after
# "Tchibo-Mobil" than the database has; and Croatia, because the database has
# one access point with a user and no password too few for the table's 19.
ALTERNATIVE_NAME_COUNTRIES = {"Belarus", "Brazil", "Croatia", "Czech Republic", "Germany",
                              "Nicaragua", "Singapore",
                              "Pakistan", "Sweden"}

IPV4 = re.compile(r"^(25[0-5]|2[0-4]\d|1\d\d|[1-9]?\d)(\.(25[0-5]|2[0-4]\d|1\d\d|[1-9]?\d)){3}$")


def default_name(element):
    for name in element.findall("name"):
        if name.get(XML_LANG) is None and name.text:
            return name.text.strip()
    return None


def is_plain(text):
    return '"' not in text and all(ord(c) >= 0x20 and ord(c) != 0x7F for c in text)


class Preset:
    def __init__(self, country, name, apn, user, password, dns, alternative=False):
        self.country = country
        self.name = name
        self.apn = apn
        self.user = user
        self.password = password
        self.dns1 = dns[0] if dns else ""
        self.dns2 = dns[1] if len(dns) > 1 else ""
        self.alternative = alternative
        self.features = None

    def name_bytes(self):
        if (self.country, self.name) in LATIN1_NAMES:
            return self.name.encode("latin-1")
        return cut(self.name.encode("utf-8"))

    def usable(self):
        return (0 < len(self.apn) <= APN_LIMIT and len(self.user) <= USER_LIMIT
                and len(self.password) <= PASSWORD_LIMIT
                and all(is_plain(v) for v in (self.name, self.apn, self.user, self.password))
                and self.apn == self.apn.strip() and self.user == self.user.strip()
                and all(IPV4.match(d) for d in (self.dns1, self.dns2) if d))


def cut(data):
    """Cuts a UTF-8 name to NAME_LIMIT bytes without splitting a character."""
    if len(data) <= NAME_LIMIT:
        return data
    end = NAME_LIMIT
    while end > 0 and (data[end] & 0xC0) == 0x80:
        end -= 1
    return data[:end]


def collect(root):
    by_code = {c.get("code"): c for c in root.findall("country")}
    table = {}
    for country, code, _ in COUNTRIES:
        candidates = []
        seen = set()
        for provider in by_code[code].findall("provider"):
            operator = default_name(provider)
            if operator is None:
                continue
            for apn in provider.findall("gsm/apn"):
                usages = [u.get("type") for u in apn.findall("usage")]
                if "mms" in usages or "wap" in usages:
                    continue
                value = apn.get("value") or ""
                plan = default_name(apn)
                name = operator + " - " + (plan or value)
                if (country, name) in EXCLUDED:
                    continue
                if country in ASCII_ONLY_COUNTRIES and not name.isascii():
                    continue
                name = RENAMES.get((country, name), name)
                dns = [d.text.strip() for d in apn.findall("dns") if d.text][:2]
                # The APN is kept as given: one with stray blanks is not usable.
                preset = Preset(country, name, value, (apn.findtext("username") or "").strip(),
                                (apn.findtext("password") or "").strip(), dns)
                for field, new_value in VALUE_CHANGES.get((country, name), {}).items():
                    setattr(preset, field, new_value)
                too_long = len(preset.name.encode("utf-8")) > NAME_LIMIT
                if preset.name in seen or not preset.usable() or (too_long and name not in CUT_NAMES):
                    continue
                seen.add(preset.name)
                candidates.append(preset)
                if country in ALTERNATIVE_NAME_COUNTRIES:
                    plan_types = [p.get("type") for p in apn.findall("plan")]
                    if plan:
                        other = operator + " - " + value
                    elif plan_types:
                        other = operator + " - " + plan_types[0].capitalize()
                    else:
                        continue
                    if other in seen and plan_types:
                        other = f"{operator} - {plan_types[0].capitalize()} ({value})"
                    if other in seen:
                        continue
                    twin = Preset(country, other, preset.apn, preset.user, preset.password,
                                  [d for d in (preset.dns1, preset.dns2) if d], alternative=True)
                    if twin.usable():
                        seen.add(other)
                        candidates.append(twin)
        table[country] = candidates
    return table


def features(preset):
    if preset.features is None:
        preset.features = compute_features(preset)
    return preset.features


def compute_features(preset):
    data = preset.name_bytes()
    return {
        "user": int(bool(preset.user)),
        "password": int(bool(preset.password)),
        "password_only": int(bool(preset.password) and not preset.user),
        "dns1": int(bool(preset.dns1)),
        "dns2": int(bool(preset.dns2)),
        "utf8": int(any(b >= 0x80 for b in data) and (preset.country, preset.name) not in LATIN1_NAMES),
    }


def sort_key(preset):
    return preset.name_bytes()


def country_valid(country, chosen):
    if country not in PINNED_COUNTRIES:
        return True
    names = [p.name for p in sorted(chosen, key=sort_key)]
    for pinned_country, slot, name in PINNED:
        if pinned_country == country and (slot >= len(names) or names[slot] != name):
            return False
    return True


def required(country):
    """Names the country must keep: its pinned rows and the special names."""
    names = {n for c, _, n in PINNED if c == country}
    names |= {n for (c, _), n in RENAMES.items() if c == country and n not in RENAMED_ONLY}
    names |= {n for c, n in LATIN1_NAMES if c == country}
    names |= {n for n in CUT_NAMES if country == "India"}
    return names


def start(country, count, pool):
    """A first choice that keeps the required names and puts the pinned rows at
    their slots: between two pinned rows it takes exactly as many names as the
    slots between them, preferring database names to alternative ones."""
    keep = required(country)
    pins = sorted((slot, name) for c, slot, name in PINNED if c == country)
    ordered = sorted(pool, key=sort_key)
    position = {p.name: i for i, p in enumerate(ordered)}
    bounds = [(-1, -1)] + [(position[n], s) for s, n in pins] + [(len(ordered), count)]
    chosen = []
    for (low, low_slot), (high, high_slot) in zip(bounds, bounds[1:]):
        segment = ordered[low + 1:high]
        wanted = high_slot - low_slot - 1
        segment.sort(key=lambda p: (p.name not in keep, p.alternative))
        if len(segment) < wanted:
            sys.exit(f"{country}: too few names before slot {high_slot}")
        chosen += segment[:wanted]
        if high < len(ordered):
            chosen.append(ordered[high])
    if not keep <= {p.name for p in chosen} or not country_valid(country, chosen):
        sys.exit(f"{country}: no valid first choice")
    return chosen


def choose(table):
    for seed in range(1, 21):
        selection = anneal(table, seed)
        if selection is not None:
            return selection
    sys.exit("figures not reached")


def anneal(table, seed):
    rng = random.Random(seed)
    selection = {}
    for country, _, count in COUNTRIES:
        pool = table[country]
        if len(pool) < count:
            sys.exit(f"{country}: only {len(pool)} candidates for {count} presets")
        selection[country] = start(country, count, pool)

    def totals():
        return totals_of(selection)

    def totals_of(rows):
        t = dict.fromkeys(TARGETS, 0)
        for chosen in rows.values():
            for p in chosen:
                for k, v in features(p).items():
                    t[k] += v
        return t

    def cost(t):
        alternatives = sum(p.alternative for chosen in selection.values() for p in chosen)
        return sum(abs(t[k] - TARGETS[k]) for k in TARGETS) * 1000 + alternatives * 10

    # Simulated annealing over swaps inside one country; the cost is the
    # distance to the figures, then the number of alternative names used.
    swappable = [c for c, _, n in COUNTRIES if 0 < n < len(table[c])]
    current = totals()
    current_cost = cost(current)
    best_cost, best_selection = current_cost, dict(selection)
    steps = 600000
    polish = 300000  # a last stretch that accepts no worse choice
    for step in range(steps + polish):
        if step == steps:
            selection, current, current_cost = dict(best_selection), totals_of(best_selection), best_cost
        temperature = 150.0 * (1.0 - step / steps) + 0.5 if step < steps else 0.0
        country = rng.choice(swappable)
        chosen = selection[country]
        out_index = rng.randrange(len(chosen))
        if chosen[out_index].name in required(country):
            continue
        outside = [p for p in table[country] if p not in chosen]
        incoming = rng.choice(outside)
        trial = chosen[:out_index] + [incoming] + chosen[out_index + 1:]
        if not country_valid(country, trial):
            continue
        old, new = features(chosen[out_index]), features(incoming)
        changed = {k: current[k] - old[k] + new[k] for k in TARGETS}
        selection[country] = trial
        trial_cost = cost(changed)
        accept = trial_cost <= current_cost or (
            temperature > 0 and rng.random() < math.exp((current_cost - trial_cost) / temperature))
        if accept:
            current, current_cost = changed, trial_cost
            if trial_cost < best_cost:
                best_cost, best_selection = trial_cost, dict(selection)
        else:
            selection[country] = chosen
    selection = best_selection
    reached = totals()
    if reached != TARGETS:
        print(f"seed {seed}: figures not reached: {reached}", file=sys.stderr)
        return None
    for country in selection:
        selection[country] = sorted(selection[country], key=sort_key)
    return selection


def check(selection):
    """Every figure the table promises, checked once more on the final rows."""
    names = [c for c, _, _ in COUNTRIES]
    assert names == sorted(names, key=lambda n: n.encode()) and len(set(names)) == 134
    assert max(len(n) for n in names) == 28 and all(n.isascii() for n in names)
    presets = [p for c in names for p in selection[c]]
    assert len(presets) == 650
    for c, _, count in COUNTRIES:
        keys = [sort_key(p) for p in selection[c]]
        assert len(keys) == count and keys == sorted(keys) and len(set(keys)) == count
    lengths = sorted(len(p.name_bytes()) for p in presets)
    assert lengths[-2:] == [NAME_LIMIT, NAME_LIMIT] and lengths[-3] < NAME_LIMIT
    assert sum(p.name_bytes().startswith(b" - ") for p in presets) == 5
    assert all(b" - " in p.name_bytes() for p in presets)
    invalid = [p for p in presets if not valid_utf8(p.name_bytes())]
    assert len(invalid) == 1 and sum(b >= 0x80 for b in invalid[0].name_bytes()) == 1
    t = dict.fromkeys(TARGETS, 0)
    for p in presets:
        for k, v in features(p).items():
            t[k] += v
        assert not (p.dns2 and not p.dns1)
    assert t == TARGETS, t


def valid_utf8(data):
    try:
        data.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def literal(data):
    """A C++ string literal for raw bytes; escapes close the literal so that a
    following hex letter is never read as part of the escape."""
    out = ['"']
    for b in data:
        if b >= 0x80:
            out.append('\\x%02X" "' % b)
        elif b in (ord('"'), ord("\\")):
            out.append("\\" + chr(b))
        else:
            out.append(chr(b))
    out.append('"')
    text = "".join(out)
    return text.replace(' ""', "")


def emit(selection, path):
    lines = [
        "// The built-in carrier table: 134 countries and their access-point presets.",
        "// Generated by tools/carrier_data/generate_carrier_data.py from the",
        "// mobile-broadband-provider-info APN database; edit the generator, not this",
        "// file. tests/carriers checks every count and property of the table.",
        "",
        '#include "carriers/carrier_table.h"',
        "",
        "namespace carriers {",
        "",
        "const CountryEntry CarrierTable[COUNTRY_ROWS] = {",
    ]
    for country, _, _ in COUNTRIES:
        presets = selection[country]
        if not presets:
            lines.append(f"    {{{literal(country.encode())}, {{}}}},")
            continue
        lines.append(f"    {{{literal(country.encode())}, {{")
        for p in presets:
            fields = [literal(p.name_bytes()), "1"] + [
                literal(v.encode()) for v in (p.apn, p.user, p.password, p.dns1, p.dns2, "")]
            lines.append("        {" + ", ".join(fields) + "},")
        lines.append("    }},")
    lines += ["    {},  // closes the list of countries", "};", "", "}  // namespace carriers", ""]
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: generate_carrier_data.py SERVICEPROVIDERS_XML OUTPUT_CPP")
    root = ET.parse(sys.argv[1]).getroot()
    table = collect(root)
    selection = choose(table)
    check(selection)
    emit(selection, sys.argv[2])


if __name__ == "__main__":
    main()
