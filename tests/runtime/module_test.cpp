// The program's modules: found by name, refused in words when one lacks a function it must define
// or is not where an install puts it.
#include "runtime/module.h"

#include <gtest/gtest.h>

namespace cavix::rt {
namespace {

TEST(Module, FoundByNameRefusedWhenIncompleteNamedWhenMissing) {
  // The C library's maths stand in for a module: on the program's search path, defining cos.
  const Module libm = LoadModule("libm.so.6", "../lib/cavix", {"cos"});
  ASSERT_NE(libm.handle, nullptr) << libm.why;
  EXPECT_EQ(libm.Get<double (*)(double)>("cos")(0.0), 1.0);

  const Module lacking = LoadModule("libm.so.6", "../lib/cavix", {"cos", "cavix_run"});
  EXPECT_EQ(lacking.handle, nullptr);
  EXPECT_NE(lacking.why.find("libm.so.6\" is not the module it is named after (it lacks cavix_run)"),
            std::string::npos)
      << lacking.why;

  const Module missing = LoadModule("cavix-none.so", "../lib/cavix", {});
  EXPECT_EQ(missing.handle, nullptr);
  EXPECT_NE(missing.why.find("lib/cavix/cavix-none.so\" is not installed"), std::string::npos)
      << missing.why;
}

}  // namespace
}  // namespace cavix::rt
