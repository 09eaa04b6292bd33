#!/usr/bin/env python3
"""Writes the shipped standards families (data/Standards/ISO and data/Standards/UNC) from the
standard values below, so that every row of a table follows one rule and the source of each
column is written once. Run from the repository root: python3 standards/tools/make_tables.py
"""

import math
import os

ROOT = os.path.join(os.path.dirname(__file__), "..", "..", "data", "Standards")
INCH = 25.4

# ---- Metric values (mm) ------------------------------------------------------------------------
# size: coarse pitch (ISO 261/262), tap drill (ISO 2306, 6H), clearance fine/medium/coarse
# (ISO 273 H12/H13/H14), counterbore diameter for ISO 4762 heads (DIN 974-1 row 1) and its
# allowance z, countersink diameter for ISO 10642 heads (DIN 74 Form F; None where not settled).
METRIC = [
    # size    D     P     tap    fine   med    coarse  cbore z    csink
    ("M1.6", 1.6, 0.35, 1.25, 1.7, 1.8, 2.0, 3.5, 0.4, None),
    ("M2", 2.0, 0.4, 1.6, 2.2, 2.4, 2.6, 4.4, 0.4, None),
    ("M2.5", 2.5, 0.45, 2.05, 2.7, 2.9, 3.1, 5.5, 0.4, None),
    ("M3", 3.0, 0.5, 2.5, 3.2, 3.4, 3.6, 6.5, 0.4, 6.94),
    ("M4", 4.0, 0.7, 3.3, 4.3, 4.5, 4.8, 8.0, 0.4, 9.18),
    ("M5", 5.0, 0.8, 4.2, 5.3, 5.5, 5.8, 10.0, 0.4, 11.47),
    ("M6", 6.0, 1.0, 5.0, 6.4, 6.6, 7.0, 11.0, 0.4, 13.71),
    ("M8", 8.0, 1.25, 6.8, 8.4, 9.0, 10.0, 15.0, 0.6, 18.25),
    ("M10", 10.0, 1.5, 8.5, 10.5, 11.0, 12.0, 18.0, 0.6, 22.73),
    ("M12", 12.0, 1.75, 10.2, 13.0, 13.5, 14.5, 20.0, 0.6, 27.21),
    ("M14", 14.0, 2.0, 12.0, 15.0, 15.5, 16.5, 24.0, 0.6, None),
    ("M16", 16.0, 2.0, 14.0, 17.0, 17.5, 18.5, 26.0, 0.6, None),
    ("M20", 20.0, 2.5, 17.5, 21.0, 22.0, 24.0, 33.0, 0.6, 40.71),
    ("M24", 24.0, 3.0, 21.0, 25.0, 26.0, 28.0, 40.0, 0.8, None),
    ("M30", 30.0, 3.5, 26.5, 31.0, 33.0, 35.0, 50.0, 1.0, None),
]

# Fine pitches of ISO 261 for the sizes above (M30x1 left out: one source only).
FINE = {
    "M1.6": [0.2], "M2": [0.25], "M2.5": [0.35], "M3": [0.35], "M4": [0.5], "M5": [0.5],
    "M6": [0.75], "M8": [1.0, 0.75], "M10": [1.25, 1.0, 0.75], "M12": [1.5, 1.25, 1.0],
    "M14": [1.5, 1.25, 1.0], "M16": [1.5, 1.0], "M20": [2.0, 1.5, 1.0], "M24": [2.0, 1.5, 1.0],
    "M30": [3.0, 2.0, 1.5],
}

# Blind-hole overshoot beyond the thread, DIN 76-1 e1 (normal), by pitch.
E1 = [(0.2, 1.3), (0.25, 1.5), (0.3, 1.8), (0.35, 2.1), (0.4, 2.3), (0.45, 2.6), (0.5, 2.8),
      (0.6, 3.4), (0.7, 3.8), (0.75, 4.0), (0.8, 4.2), (1.0, 5.1), (1.25, 6.2), (1.5, 7.3),
      (1.75, 8.3), (2.0, 9.3), (2.5, 11.2), (3.0, 13.1), (3.5, 15.2), (4.0, 16.8)]

# ---- Unified inch values (inch designations, values converted to mm) ---------------------------
# number/fraction size: major diameter (mm), clearance close/normal/loose (ASME B18.2.8, mm;
# None where not defined).
UTS_SIZES = [
    ("No. 4", 2.845, 3.05, 3.26, 3.66),
    ("No. 5", 3.175, 3.57, 3.97, 4.37),
    ("No. 6", 3.505, 3.91, 4.31, 4.70),
    ("No. 8", 4.166, 4.57, 4.98, 5.41),
    ("No. 10", 4.826, 5.22, 5.61, 6.05),
    ("1/4", 6.350, 6.75, 7.14, 7.54),
    ("5/16", 7.938, 8.33, 8.73, 9.13),
    ("3/8", 9.525, 9.92, 10.32, 10.72),
    ("7/16", 11.113, 11.51, 11.91, 12.30),
    ("1/2", 12.700, 13.49, 14.29, 15.48),
]
# thread designation (ASME B1.1), size, threads per inch, tap drill (mm, about 75 % thread).
UNC = [
    ("4-40", "No. 4", 40, 2.26), ("5-40", "No. 5", 40, 2.58), ("6-32", "No. 6", 32, 2.71),
    ("8-32", "No. 8", 32, 3.45), ("10-24", "No. 10", 24, 3.80), ("12-24", "No. 12", 24, 4.50),
    ("1/4-20", "1/4", 20, 5.11), ("5/16-18", "5/16", 18, 6.53), ("3/8-16", "3/8", 16, 7.94),
    ("7/16-14", "7/16", 14, 9.35), ("1/2-13", "1/2", 13, 10.72),
]
# (#5-44 and #12-28 left out: their tap drills have one source only.)
UNF = [
    ("4-48", "No. 4", 48, 2.37), ("6-40", "No. 6", 40, 2.87), ("8-36", "No. 8", 36, 3.45),
    ("10-32", "No. 10", 32, 4.04), ("1/4-28", "1/4", 28, 5.41), ("5/16-24", "5/16", 24, 6.91),
    ("3/8-24", "3/8", 24, 8.43), ("7/16-20", "7/16", 20, 9.92), ("1/2-20", "1/2", 20, 11.51),
]
MAJOR = {"No. 12": 5.486}
MAJOR.update({s[0]: s[1] for s in UTS_SIZES})
NORMAL_CLEARANCE = {s[0]: s[3] for s in UTS_SIZES}

# Counterbore for ASME B18.3 socket head cap screws (inch): diameter (normal fit) and depth = head
# height = D; sizes where two charts agree.
UTS_CBORE = {"No. 10": 0.375, "1/4": 0.4375, "5/16": 0.53125, "3/8": 0.625, "1/2": 0.8125}
UTS_CBORE_DEPTH = {"No. 10": 0.190, "1/4": 0.250, "5/16": 0.3125, "3/8": 0.375, "1/2": 0.500}
# 82 degree flat heads (ASME B18.6.3): countersink diameter = head diameter, theoretical sharp max.
UTS_CSINK = {"No. 4": 0.225, "No. 6": 0.279, "No. 8": 0.332, "No. 10": 0.385, "1/4": 0.507,
             "5/16": 0.635, "3/8": 0.762}


def num(x):
    """Shortest "." text of a value rounded to 4 decimals: 6.0 -> 6, 0.50 -> 0.5."""
    text = "%.4f" % round(x + 0.0, 4)
    text = text.rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def e1(pitch):
    """DIN 76-1 e1 for a pitch, interpolated between the tabulated pitches (inch pitches)."""
    for (p0, v0), (p1, v1) in zip(E1, E1[1:]):
        if p0 <= pitch <= p1:
            return v0 + (v1 - v0) * (pitch - p0) / (p1 - p0)
    raise ValueError(pitch)


def minor(d, p):
    """Basic minor diameter of the internal thread, D1 = D - 1.082532 P (ISO 724, ASME B1.1)."""
    return d - 1.0825318 * p


def lengths(d):
    """Typical lengths: 1, 1.5, 2 and 3 times the diameter, to 0.5 mm below 5 mm, else to 1 mm."""
    step = 0.5 if d < 5 else 1.0
    out = []
    for k in (1.0, 1.5, 2.0, 3.0):
        v = math.floor(k * d / step + 0.5) * step
        if v not in out:
            out.append(v)
    return out


def write_table(family, name, headings, columns, rows):
    """rows: (key, d, [values after L]) -> one row per typical length."""
    widths = [max(len(c), 8) for c in columns]
    lines = ["@ " + h for h in headings]
    lines.append("@ " + " | ".join(c.ljust(w) for c, w in zip(columns, widths)).rstrip())
    for key, d, rest in rows:
        for length in lengths(d):
            cells = [key, num(d), num(length)] + [num(v) for v in rest]
            # A size key is never the first character of a line ("#" would make it a comment).
            lines.append("  " + " | ".join(c.ljust(w) for c, w in zip(cells, widths)).rstrip())
    path = os.path.join(ROOT, family, "Tab", name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="", encoding="utf-8") as f:
        f.write("\r\n".join(lines) + "\r\n")


def write_ini(family, title, sections):
    lines = ["; Cavix standards family: " + title,
             "; One section per hole type and thread state: [type thread]. Each entry names a",
             "; table file of the Tab folder in quotes, then the standard as the dialog lists it.",
             ""]
    kinds = {1: "plain", 2: "counterbore", 3: "countersink", 4: "counterdrill"}
    for (hole, thread), entries in sections:
        lines.append("[%d %d] %s, %s" % (hole, thread, kinds[hole],
                                         "threaded" if thread else "not threaded"))
        for tab, label in entries:
            lines.append('"%s" "%s"' % (tab, label))
    lines.append("[END]")
    with open(os.path.join(ROOT, family, "Cavix.ini"), "w", newline="", encoding="utf-8") as f:
        f.write("\r\n".join(lines) + "\r\n")


# Column sets, by hole type and thread state (the dialog reads them by position).
COLS_PLAIN = ["Size", "D", "L", "HToll"]
COLS_CSINK = ["Size", "D", "L", "Dsink", "HToll"]
COLS_CBORE = ["Size", "D", "L", "Dbore", "Depth", "HToll"]
THREAD_TAIL = ["AfterThr", "Pitch", "TapDrill", "D1"]
L_NOTE = "L: typical lengths, 1, 1.5, 2 and 3 x D (for threads: the thread length)."
THREAD_NOTE = ("AfterThr: blind-hole overshoot DIN 76-1 e1; Pitch: thread pitch; TapDrill: "
               "tap drill; D1: basic minor diameter.")


def plain_key(key):
    """Unthreaded sizes are listed without the metric prefix: the dialog puts "M" in front of a
    size when the thread is switched on and drops it when it is switched off."""
    return key[1:] if key.startswith("M") else key


def thread_tail(d, p, tap):
    return [e1(p), p, tap, minor(d, p)]


def make_iso():
    fam = "ISO"
    series = {"fine": 4, "medium": 5, "coarse": 6}
    for name, idx in series.items():
        write_table(fam, "iso273_%s.tab" % name,
                    ["ISO 273 clearance holes, %s series, for metric screws (mm)." % name,
                     "D: nominal screw diameter; the hole is drilled at D + HToll.", L_NOTE],
                    COLS_PLAIN, [(plain_key(m[0]), m[1], [m[idx] - m[1]]) for m in METRIC])
    write_table(fam, "iso2306_tapdrill.tab",
                ["Tap drill holes for ISO 262 coarse threads, ISO 2306 6H (mm).",
                 "D: the tap drill diameter.", L_NOTE],
                COLS_PLAIN, [(plain_key(m[0]), m[3], [0]) for m in METRIC])
    write_table(fam, "iso262.tab",
                ["Tapped holes, ISO 261/262 coarse pitch, 6H (mm).",
                 "D: nominal (major) diameter; the hole is drilled at D - Pitch.", L_NOTE,
                 THREAD_NOTE],
                ["Size", "D", "L"] + THREAD_TAIL,
                [(m[0], m[1], thread_tail(m[1], m[2], m[3])) for m in METRIC])
    fine_rows = []
    for m in METRIC:
        for p in FINE[m[0]]:
            fine_rows.append(("%sx%s" % (m[0], num(p)), m[1], thread_tail(m[1], p, m[1] - p)))
    write_table(fam, "iso261_fine.tab",
                ["Tapped holes, ISO 261 fine pitches (mm). TapDrill = D - Pitch.",
                 "D: nominal (major) diameter; the hole is drilled at D - Pitch.", L_NOTE,
                 THREAD_NOTE],
                ["Size", "D", "L"] + THREAD_TAIL, fine_rows)

    for clearance, idx in (("medium", 5), ("fine", 4)):
        cb_rows = [(plain_key(m[0]), m[1], [m[7], m[1] + m[8], m[idx] - m[1]])
                   for m in METRIC]
        write_table(fam, "iso4762_cbore_%s.tab" % clearance,
                    ["Counterbores for ISO 4762 socket head cap screws, DIN 974-1 row 1 (mm).",
                     "Depth = head height k (= D) + z (DIN 974-1); HToll: ISO 273 %s "
                     "clearance minus D." % clearance, L_NOTE],
                    COLS_CBORE, cb_rows)
    write_table(fam, "iso4762_cbore_thread.tab",
                ["Tapped holes ISO 262 under a DIN 974-1 counterbore for ISO 4762 heads (mm).",
                 "Depth = k + z; HToll: ISO 273 medium clearance minus D (plain holes only).",
                 L_NOTE, THREAD_NOTE],
                COLS_CBORE + THREAD_TAIL,
                [(m[0], m[1], [m[7], m[1] + m[8], m[5] - m[1]] + thread_tail(m[1], m[2], m[3]))
                 for m in METRIC])

    cs = [m for m in METRIC if m[9] is not None]
    write_table(fam, "iso10642_csink.tab",
                ["90 degree countersinks for ISO 10642 countersunk screws, DIN 74 Form F (mm).",
                 "HToll: ISO 273 medium clearance minus D. M14 and M16 are left out until their",
                 "Form F diameters are confirmed; M24 and up have 60 degree heads.", L_NOTE],
                COLS_CSINK, [(plain_key(m[0]), m[1], [m[9], m[5] - m[1]]) for m in cs])
    write_table(fam, "iso10642_csink_thread.tab",
                ["Tapped holes ISO 262 under a DIN 74 Form F countersink (ISO 10642 heads, mm).",
                 "HToll: ISO 273 medium clearance minus D (plain holes only).", L_NOTE,
                 THREAD_NOTE],
                COLS_CSINK + THREAD_TAIL,
                [(m[0], m[1], [m[9], m[5] - m[1]] + thread_tail(m[1], m[2], m[3])) for m in cs])

    write_ini(fam, "ISO metric", [
        ((1, 0), [("iso273_medium.tab", "ISO 273 medium"), ("iso273_fine.tab", "ISO 273 fine"),
                  ("iso273_coarse.tab", "ISO 273 coarse"),
                  ("iso2306_tapdrill.tab", "ISO 2306 tap drill")]),
        ((1, 1), [("iso262.tab", "ISO 262 coarse"), ("iso261_fine.tab", "ISO 261 fine")]),
        ((2, 0), [("iso4762_cbore_medium.tab", "ISO 4762 / DIN 974-1 medium"),
                  ("iso4762_cbore_fine.tab", "ISO 4762 / DIN 974-1 fine")]),
        ((2, 1), [("iso4762_cbore_thread.tab", "ISO 262 / DIN 974-1")]),
        ((3, 0), [("iso10642_csink.tab", "ISO 10642 / DIN 74-F")]),
        ((3, 1), [("iso10642_csink_thread.tab", "ISO 262 / DIN 74-F")]),
        ((4, 0), [("iso4762_cbore_medium.tab", "ISO 4762 / DIN 974-1 medium"),
                  ("iso4762_cbore_fine.tab", "ISO 4762 / DIN 974-1 fine")]),
        ((4, 1), [("iso4762_cbore_thread.tab", "ISO 262 / DIN 974-1")]),
    ])


def make_unc():
    fam = "UNC"
    for name, idx in (("close", 2), ("normal", 3), ("loose", 4)):
        write_table(fam, "asme_clearance_%s.tab" % name,
                    ["Clearance holes for inch screws, ASME B18.2.8 %s fit (mm)." % name,
                     "D: basic major diameter; the hole is drilled at D + HToll.", L_NOTE],
                    COLS_PLAIN, [(s[0], s[1], [s[idx] - s[1]]) for s in UTS_SIZES])

    def thread_rows(table, recess=None):
        rows = []
        for key, size, tpi, tap in table:
            d = MAJOR[size]
            p = INCH / tpi
            if recess is not None:
                if size not in recess:
                    continue
                rows.append((key, d, recess[size] + thread_tail(d, p, tap)))
            else:
                rows.append((key, d, thread_tail(d, p, tap)))
        return rows

    for name, table in (("unc", UNC), ("unf", UNF)):
        write_table(fam, "%s.tab" % name,
                    ["Tapped holes, Unified %s threads, ASME B1.1 (values in mm)." % name.upper(),
                     "D: basic major diameter; the hole is drilled at D - Pitch. TapDrill: about",
                     "75 % thread. AfterThr: DIN 76-1 e1 interpolated for the inch pitch.",
                     L_NOTE],
                    ["Size", "D", "L"] + THREAD_TAIL, thread_rows(table))

    cbore = {s: [UTS_CBORE[s] * INCH, UTS_CBORE_DEPTH[s] * INCH,
                 NORMAL_CLEARANCE[s] - MAJOR[s]] for s in UTS_CBORE}
    write_table(fam, "asme_b18_3_cbore.tab",
                ["Counterbores for ASME B18.3 socket head cap screws (values in mm).",
                 "Depth = head height (= D); HToll: ASME B18.2.8 normal clearance minus D.",
                 L_NOTE],
                COLS_CBORE, [(s, MAJOR[s], cbore[s]) for s in UTS_CBORE])
    write_table(fam, "asme_b18_3_cbore_thread.tab",
                ["Tapped holes UNC under an ASME B18.3 socket head counterbore (mm).",
                 "Depth = head height (= D); HToll: normal clearance minus D (plain holes only).",
                 L_NOTE, THREAD_NOTE],
                COLS_CBORE + THREAD_TAIL, thread_rows(UNC, cbore))

    csink = {s: [UTS_CSINK[s] * INCH, NORMAL_CLEARANCE[s] - MAJOR[s]] for s in UTS_CSINK}
    write_table(fam, "asme_b18_6_3_csink.tab",
                ["82 degree countersinks for ASME B18.6.3 flat head screws (values in mm).",
                 "Dsink: head diameter, theoretical sharp max; HToll: normal clearance minus D.",
                 L_NOTE],
                COLS_CSINK, [(s, MAJOR[s], csink[s]) for s in UTS_CSINK])
    write_table(fam, "asme_b18_6_3_csink_thread.tab",
                ["Tapped holes UNC under an 82 degree ASME B18.6.3 countersink (mm).",
                 "HToll: normal clearance minus D (plain holes only).", L_NOTE, THREAD_NOTE],
                COLS_CSINK + THREAD_TAIL, thread_rows(UNC, csink))

    write_ini(fam, "Unified inch (UNC/UNF), values in millimetres", [
        ((1, 0), [("asme_clearance_normal.tab", "ASME B18.2.8 normal"),
                  ("asme_clearance_close.tab", "ASME B18.2.8 close"),
                  ("asme_clearance_loose.tab", "ASME B18.2.8 loose")]),
        ((1, 1), [("unc.tab", "UNC"), ("unf.tab", "UNF")]),
        ((2, 0), [("asme_b18_3_cbore.tab", "ASME B18.3 socket head")]),
        ((2, 1), [("asme_b18_3_cbore_thread.tab", "UNC / ASME B18.3")]),
        ((3, 0), [("asme_b18_6_3_csink.tab", "ASME B18.6.3 82 deg")]),
        ((3, 1), [("asme_b18_6_3_csink_thread.tab", "UNC / ASME B18.6.3")]),
        ((4, 0), [("asme_b18_3_cbore.tab", "ASME B18.3 socket head")]),
        ((4, 1), [("asme_b18_3_cbore_thread.tab", "UNC / ASME B18.3")]),
    ])


if __name__ == "__main__":
    make_iso()
    make_unc()
