// The command table: name, arguments, summary, options, argument counts, function.
#include "app/commands.h"

namespace cavix::app {

namespace {
const CommandOption kStrictOption{"--strict", nullptr,
                                  "refuse the change when the design check finds an error in it"};
}  // namespace

const std::vector<Command>& Commands() {
  // clang-format off
  static const std::vector<Command> table = {
      // name   arguments   summary
      //   options                                                     min/max arguments, function
      {"new", "MODEL", "create a model: one part whose first shape is a block",
       {{"--block", "X,Y,Z", "block extents in the page units (default 100,60,20)"},
        {"--from", "PART.step", "make the part from the solid of a STEP file instead of a block"},
        {"--units", "mm|inch", "page length unit (default mm)"},
        {"--precision", "P", "host dialog precision, decimals 0 to 15 (default 2)"},
        {"--force", nullptr, "replace an existing model file"}},
       1, 1, CmdNew},
      {"show", "MODEL [SHAPE]", "print the shapes of a model, or one shape (name or #ID)",
       {kJsonOption},
       1, 2, CmdShow},
      {"drop", "MODEL", "drop a hole from the catalog onto the part, at one place or many, and play a dialog script on it",
       {{"--normal", "NX,NY,NZ", "axis of the hole, into the part (default 0,0,-1)"},
        {"--at", "X,Y,Z", "where the hole is dropped, on a face of the part (default 0,0,0: a block's corner, from which the default axis 0,0,-1 misses the block); repeat for more holes", true},
        {"--at-file", "CSV", "holes from a file: a header line, then x,y,z[,nx,ny,nz] a line"},
        {"--grid", "NX,NY,DX,DY", "NX x NY holes DX, DY apart on the drop face, centred on --at"},
        {"--circle", "N,R[,A]", "N holes on a circle of radius R about --at, the first at A degrees"},
        {"--script", "FILE", "the dialog script to play"},
        {"--gui", nullptr, "show the dialog window instead of playing a script"},
        kStrictOption},
       1, 1, CmdDrop},
      {"edit", "MODEL [SHAPE]", "double-click a hole (name or #ID) and play a dialog script on it",
       {{"--all-like", "SHAPE", "edit that hole and every hole that stores the same parameters"},
        {"--script", "FILE", "the dialog script to play"},
        {"--gui", nullptr, "show the dialog window instead of playing a script"},
        kStrictOption},
       1, 2, CmdEdit},
      {"assign-event", "MODEL SHAPE", "make a shape the catalog item \"Fori\" that drops holes",
       {},
       2, 2, CmdAssignEvent},
      {"move", "MODEL SHAPE", "move a hole (name or #ID) to another place on the part and regenerate it there",
       {{"--at", "X,Y,Z", "where the hole goes, in the page units"},
        {"--normal", "NX,NY,NZ", "its axis, into the part (default: the axis it has)"}},
       2, 2, CmdMove},
      {"delete", "MODEL SHAPE", "take a hole or a dropped shape (name or #ID) out of the model", {}, 2, 2, CmdDelete},
      {"check", "MODEL", "the design check: holes that miss the part or break out of it, threads longer than their material, holes that cut into each other, and what a shop would warn of; exit status 1 on an error",
       {kJsonOption}, 1, 1, CmdCheck},
      {"regen", "MODEL [SHAPE]", "regenerate the hole shapes (all, or one by name or #ID)", {}, 1, 2, CmdRegen},
      {"resize", "MODEL", "change the block's extents, then regenerate every hole",
       {{"--block", "X,Y,Z", "new block extents in the page units"}}, 1, 1, CmdResize},
      {"threads", "MODEL SHAPE", "what a drawing view is told about a hole's thread", {kJsonOption}, 2, 2,
       CmdThreads},
      {"check-tables", "[DIR]",
       "check a standards family (default: every family of the registry and your own) for "
       "table lines the queries would refuse or misread", {}, 0, 1, CmdCheckTables},
      {"paths", "", "list every folder and file Cavix reads and writes, and which exist", {kJsonOption}, 0, 0, CmdPaths},
      {"holes", "MODEL", "the hole table: size, lengths, thread, recess, end, position and axis of every hole", {{"--csv", nullptr, "print RFC 4180 CSV instead of a text table"}}, 1, 1, CmdHoles},
      {"demo", "[DIR]", "make a demo part with one hole of each kind, its exports and hole table in DIR (default ./cavix-demo)", {}, 0, 1, CmdDemo},
#if defined(CAVIX_WITH_OCCT) && defined(CAVIX_WITH_QT)
      {"open", "MODEL", "the host window: the part in 3D; drag the catalog item onto a face to drill a hole, double-click a hole to edit it", {}, 1, 1, CmdOpen},
#endif
      {"export", "MODEL OUT", "write the part with its holes cut out (.step, .stp, .stl, .glb) or a section sheet of its holes (.svg)", {{"--allow-misses", nullptr, "write the part even when holes cut nothing or only hollow it inside"},
        {"--jobs", "N", "cut the part on N threads (else CAVIX_JOBS, else every core); the file is the same"},
        {"--pcurves", nullptr, "STEP: also write each edge's curve on its faces, as some readers want (slower, larger)"}}, 2, 2, CmdExport},
  };
  // clang-format on
  return table;
}

}  // namespace cavix::app
