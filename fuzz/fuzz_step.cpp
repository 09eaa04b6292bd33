// Fuzz target: a STEP file (fuzzed) read as `cavix new --from` reads a part. It is read or refused
// with error 321; a solid read lies within a block's bounds, and its BRep text, as the model file
// keeps it, reads back as a solid.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "part_solid/part_solid.h"
#include "runtime/error.h"
#include "scene/config_files.h"

using namespace cavix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = (fuzz::ScratchDir() / "part.step").string();
  fuzz::WriteBytes(path, data, size);
  partsolid::ImportedSolid solid;
  try {
    solid = partsolid::ReadStepSolid(path);
  } catch (const rt::Error& e) {
    if (e.Number() != scene::kInvalidFileFormat) __builtin_trap();  // refused, in words
    return 0;
  }
  const std::string problem = scene::BlockExtentsProblem(
      {solid.extents[0], solid.extents[1], solid.extents[2]}, scene::Units::Millimetre);
  if (!problem.empty()) __builtin_trap();
  try {
    partsolid::ShapeFromBrep(solid.brep, "fuzz");
  } catch (const rt::Error&) {
    __builtin_trap();  // what the model file keeps must read back
  }
  return 0;
}
