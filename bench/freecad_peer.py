#!/usr/bin/env python3
"""Cavix against FreeCAD's PartDesign Hole on the same holes, side by side on one machine.

ISO 4762 M6 counterbores (11 x 6.4 over a 6.6 bore 10 deep, 118 degree point) in a block 20 mm
thick, on a 15 mm pitch (apart) or a 10 x 6 mm pitch (overlapping). Each size is run in turns
(FreeCAD, Cavix STEP, Cavix STL, again ...) and the medians compared:

  FreeCAD: recompute of the Hole feature + isValid + STEP export (and, for STL, the mesh written
           at Cavix's deflection), timed inside FreeCAD; for the overlapping layout also one plain
           Open CASCADE boolean of the same tools (Part's cut), what FreeCAD's kernel alone takes.
  Cavix:   the whole `cavix export` command, process start included, with --jobs as given.

FreeCAD then reads Cavix's STEP back: it must be valid, one solid, of FreeCAD's own volume.

  python3 bench/freecad_peer.py --cavix build/app/cavix [--sizes 100,400,1600] [--runs 3]
                                [--layouts apart,overlapping] [--jobs 0]

Needs `freecadcmd` (Debian: freecad); says so and exits 0 without it. The Cavix build's registry
and settings are found next to the binary (build/share/cavix) unless CAVIX_REGISTRY is set.
"""

import argparse
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

BLOCK_Z = 20.0
PITCH = {"apart": (15.0, 15.0), "overlapping": (10.0, 6.0)}
DEFLECTION = 3.3 * (1 - math.cos(math.pi / 32))  # Cavix's: 32 chords on the smallest circle

DIALOG = """click TabNorme(0)
click OptHoleType(1)
check ToggleFiletto 0
check TogglePassante 0
select Normativa ISO 4762 / DIN 974-1 medium
select Misura 6
text Lunghezza 10
check TogglePunta 0
select AngoloPunta 118
click OKButton
"""

# Runs inside freecadcmd: builds the part with PartDesign's Hole, times it, prints RESULT lines.
FREECAD = r'''
import math, time, FreeCAD, Part, PartDesign, Mesh, MeshPart
n, cols, px, py, z = {n}, {cols}, {px}, {py}, {z}
rows = (n + cols - 1) // cols
doc = FreeCAD.newDocument("peer")
body = doc.addObject("PartDesign::Body", "Body")
box = doc.addObject("PartDesign::AdditiveBox", "Box")
box.Length, box.Width, box.Height = px * cols, py * rows, z
body.addObject(box)
doc.recompute()
sketch = doc.addObject("Sketcher::SketchObject", "Centres")
sketch.Support = (box, ["Face6"])
sketch.MapMode = "FlatFace"
body.addObject(sketch)
doc.recompute()
centres = [(px / 2 + px * (i % cols), py / 2 + py * (i // cols)) for i in range(n)]
sketch.addGeometry([Part.Circle(FreeCAD.Vector(x, y, 0), FreeCAD.Vector(0, 0, 1), 1)
                    for x, y in centres], False)
doc.recompute()
hole = doc.addObject("PartDesign::Hole", "Hole")
hole.Profile = sketch
body.addObject(hole)
hole.ThreadType = 0
hole.Diameter = 6.6
hole.DepthType = 0
hole.Depth = 16.4              # to the end of the bore, counterbore included
hole.HoleCutType = 1
hole.HoleCutDiameter = 11
hole.HoleCutDepth = 6.4
hole.DrillPoint = 1
hole.DrillPointAngle = 118
hole.DrillForDepth = 0
hole.Tapered = 0
t0 = time.perf_counter()
doc.recompute()
t1 = time.perf_counter()
shape = hole.Shape
valid = shape.isValid()
t2 = time.perf_counter()
shape.exportStep("{out}.step")
t3 = time.perf_counter()
mesh = MeshPart.meshFromShape(Shape=shape, LinearDeflection={deflection}, AngularDeflection=0.5)
mesh.write("{out}.stl")
t4 = time.perf_counter()
print("RESULT recompute", t1 - t0)
print("RESULT isvalid", t2 - t1)
print("RESULT step", t3 - t0)
print("RESULT stl", (t1 - t0) + (t4 - t3))
print("RESULT valid", int(valid))
print("RESULT volume", shape.Volume)
print("RESULT solids", len(shape.Solids))
if {plain}:
    # The same tools cut out of the block in one Open CASCADE boolean, as Part does it.
    r, l, lc, rc = 3.3, 10.0, 6.4, 5.5
    h = r / math.tan(math.radians(59))
    pts = [(0, 0), (rc, 0), (rc, -lc), (r, -lc), (r, -(l + lc)), (0, -(l + lc + h)), (0, 0)]
    profile = Part.Face(Part.makePolygon([FreeCAD.Vector(x, 0, y) for x, y in pts]))
    tool = profile.revolve(FreeCAD.Vector(0, 0, 0), FreeCAD.Vector(0, 0, 1), 360)
    tools = []
    for x, y in centres:
        t = tool.copy()
        t.translate(FreeCAD.Vector(x, y, z))
        tools.append(t)
    block = Part.makeBox(px * cols, py * rows, z)
    t5 = time.perf_counter()
    cut = block.cut(tools)
    ok = cut.isValid()
    t6 = time.perf_counter()
    print("RESULT plain", t6 - t5)
    print("RESULT plainvalid", int(ok))
    print("RESULT plainvolume", cut.Volume)
'''

# Runs inside freecadcmd: reads Cavix's STEP back.
READBACK = r'''
import Part
s = Part.read("{path}")
print("RESULT valid", int(s.isValid()))
print("RESULT solids", len(s.Solids))
print("RESULT volume", s.Volume)
'''


def run(cmd, env=None):
    """Runs a command; returns (wall seconds, peak RSS in MiB, stdout)."""
    import time
    start = time.perf_counter()
    # Standard error goes to a file: `cavix drop` warns of every hole, and a second pipe read only
    # after the first would fill and stall both processes.
    with tempfile.TemporaryFile() as errors:
        proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=errors, env=env)
        out = proc.stdout.read()
        _, status, usage = os.wait4(proc.pid, 0)
        errors.seek(0)
        err = errors.read()
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit("failed: %s\n%s" % (" ".join(cmd), err.decode(errors="replace")[-2000:]))
    return wall, usage.ru_maxrss / 1024.0, out.decode(errors="replace")


def results(text):
    out = {}
    for line in text.splitlines():
        if line.startswith("RESULT "):
            _, key, value = line.split(" ", 2)
            out[key] = float(value)
    return out


def freecad(script, work, name):
    path = os.path.join(work, name + ".py")
    with open(path, "w") as f:
        f.write(script)
    _, rss, out = run(["freecadcmd", "-c", "exec(open(%r).read())" % path])
    r = results(out)
    r["rss"] = rss
    return r


def cavix_model(cavix, env, work, n, layout):
    px, py = PITCH[layout]
    cols = math.ceil(math.sqrt(n)) if layout == "apart" else 10 * math.ceil(math.sqrt(n / 100))
    rows = (n + cols - 1) // cols
    model = os.path.join(work, "%s-%d.json" % (layout, n))
    script = os.path.join(work, "m6.txt")
    with open(script, "w") as f:
        f.write(DIALOG)
    run([cavix, "new", model, "--force", "--block", "%g,%g,%g" % (px * cols, py * rows, BLOCK_Z)],
        env)
    run([cavix, "drop", model, "--at", "%g,%g,%g" % (px * cols / 2, py * rows / 2, BLOCK_Z),
         "--grid", "%d,%d,%g,%g" % (cols, rows, px, py), "--script", script], env)
    return model, cols, px, py


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--cavix", required=True)
    ap.add_argument("--sizes", default="100,400,1600")
    ap.add_argument("--layouts", default="apart,overlapping")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--jobs", default="0", help="cavix --jobs (0: every core)")
    a = ap.parse_args()
    if not shutil.which("freecadcmd"):
        print("freecadcmd is not installed (Debian: apt-get install freecad): nothing to compare")
        return 0
    cavix = os.path.abspath(a.cavix)
    env = dict(os.environ)
    share = os.path.join(os.path.dirname(os.path.dirname(cavix)), "share", "cavix")
    if "CAVIX_REGISTRY" not in env and os.path.exists(os.path.join(share, "cavix.reg")):
        env["CAVIX_REGISTRY"] = os.path.join(share, "cavix.reg")
        env["CAVIX_SETTINGS"] = os.path.join(share, "settings.ini")
    jobs = [] if a.jobs == "0" else ["--jobs", a.jobs]
    rows = []
    with tempfile.TemporaryDirectory(prefix="cavix-peer-") as work:
        for layout in a.layouts.split(","):
            for n in (int(s) for s in a.sizes.split(",")):
                model, cols, px, py = cavix_model(cavix, env, work, n, layout)
                script = FREECAD.format(n=n, cols=cols, px=px, py=py, z=BLOCK_Z,
                                        out=os.path.join(work, "fc"), deflection=DEFLECTION,
                                        plain=layout == "overlapping")
                fc, step, stl, rss = [], [], [], []
                for _ in range(a.runs):
                    fc.append(freecad(script, work, "peer"))
                    w, m, _ = run([cavix, "export", model, os.path.join(work, "c.step")] + jobs,
                                  env)
                    step.append(w)
                    rss.append(m)
                    w, _, _ = run([cavix, "export", model, os.path.join(work, "c.stl")] + jobs,
                                  env)
                    stl.append(w)
                back = freecad(READBACK.format(path=os.path.join(work, "c.step")), work, "back")
                med = lambda key: statistics.median(r[key] for r in fc)
                row = dict(layout=layout, n=n, fc_step=med("step"), fc_stl=med("stl"),
                           cx_step=statistics.median(step), cx_stl=statistics.median(stl),
                           fc_rss=statistics.median(r["rss"] for r in fc),
                           cx_rss=statistics.median(rss), fc_valid=fc[0]["valid"],
                           # PartDesign's own solid is not valid where the holes overlap: the
                           # plain boolean's volume is the one to compare with there.
                           fc_volume=fc[0].get("plainvolume", fc[0]["volume"]), back=back,
                           plain=med("plain") if "plain" in fc[0] else None)
                rows.append(row)
                print("%-11s %5d  FreeCAD STEP %7.3f s  Cavix %7.3f s  %5.1fx | STL %7.3f / %7.3f"
                      " s  %5.1fx | FreeCAD valid %d; Cavix read back: valid %d, %d solid(s),"
                      " volume / FreeCAD's %.12f%s" % (
                          layout, n, row["fc_step"], row["cx_step"],
                          row["fc_step"] / row["cx_step"], row["fc_stl"], row["cx_stl"],
                          row["fc_stl"] / row["cx_stl"], row["fc_valid"], back["valid"],
                          back["solids"], back["volume"] / row["fc_volume"],
                          "" if row["plain"] is None else
                          "; one OCC boolean %.3f s, %.1fx Cavix" % (
                              row["plain"], row["plain"] / row["cx_step"])), flush=True)
    print("\n| layout | holes | FreeCAD STEP s | Cavix STEP s | ratio | FreeCAD STL s | Cavix STL s"
          " | ratio | peak RSS FreeCAD / Cavix STEP MiB | Cavix read back by FreeCAD |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for r in rows:
        b = r["back"]
        print("| %s | %d | %.3f | %.3f | %.1fx | %.3f | %.3f | %.1fx | %.0f / %.0f | %s, %d solid,"
              " volume ratio %.10f |" % (
                  r["layout"], r["n"], r["fc_step"], r["cx_step"], r["fc_step"] / r["cx_step"],
                  r["fc_stl"], r["cx_stl"], r["fc_stl"] / r["cx_stl"], r["fc_rss"], r["cx_rss"],
                  "valid" if b["valid"] else "INVALID", b["solids"],
                  b["volume"] / r["fc_volume"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
