// The model file: a scene saved and reopened holds every variable with its type and value, every
// chain, finish, binding and catalog entry; a file that is not a model is refused by name.
#include "scene/model_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "runtime/error.h"
#include "tests/support/raised.h"
#include "tests/support/test_files.h"

namespace cavix::scene {
namespace {

namespace fs = std::filesystem;

using cavix::test::Slurp;

// The run-time error LoadModel raises on `file`; number 0 when it loads.
rt::Error LoadError(const std::string& file) {
  return cavix::test::Raised([&] { LoadModel(file); });
}

// A scene that uses every kind of thing the model file stores.
std::unique_ptr<Scene> RichScene() {
  auto scene = Scene::NewModel({100, 60, 20}, Units::Millimetre, 3);
  Shape& hole = scene->AddDroppedShape({0.6, 0.8, 0}, {12.5, -3, 0});
  hole.SetName("Hole  8.5 x 1.25");
  Component& data = hole.Components(34).AddComponent();
  data.SetValue(1, 0, Variant(int16_t{INT16_MIN}));
  data.SetValue(1, 1, Variant(int16_t{2}));  // the hole type, which the loader checks
  data.SetValue(1, 5, Variant(int16_t{INT16_MAX}));
  data.SetValue(1, 2, Variant(int32_t{INT32_MIN}));
  data.SetValue(1, 3, Variant(int32_t{INT32_MAX}));
  data.SetValue(1, 8, Variant(0.1));
  data.SetValue(1, 9, Variant(1.0 / 3.0));
  data.SetValue(1, 10, Variant(5e-324));
  data.SetValue(1, 11, Variant(std::numeric_limits<double>::max()));
  data.SetValue(1, 12, Variant(-0.0));
  data.SetValue(1, 13, Variant(23.004));
  data.SetValue(2, 13, Variant("ISO \"262\" \\ Ø 8,5 – ünï \t\n\r\b\f\x1f\x7f"));
  data.SetValue(2, 2, Variant(""));
  data.SetValue(-4, Variant(true));
  data.SetValue(5, Variant(false));
  Component& events = hole.Components(25).AddComponent();
  events.SetValue(3, Variant(int32_t{5}));
  hole.Components(43).AddComponent().SetValue(1, Variant("{88D03352-D7EE-11D4-85A2-00E08110F9CF}"));

  host::IProfile& profile = hole.Components(15).Item(1).Profile();
  host::IComponent& chain = profile.Components(3).Add();
  chain.SetStartPoint(Variant(0.0), Variant(0.0));
  chain.AddLineTo(Variant(4.25), Variant(0.0));
  chain.AddLineTo(Variant(4.25), Variant(-20.0));
  chain.AddLineTo(Variant(0.0), Variant(-22.453835706));
  chain.AddLineTo(Variant(0.0), Variant(0.0));
  host::IComponent& second = profile.Components(3).Add();
  second.SetStartPoint(Variant(1.5), Variant(-1.0));
  profile.Components(4).Item(1).SetValue(1, Variant(8.5));
  profile.Components(4).Item(1).SetValue(3, Variant(int32_t{1}));

  double x = 2.125, y = 2.125, z = -10;
  host::ISurfaceFinish& f = hole.Components(27).Add().SurfaceFinish(x, y, z, 1, 1, 0);
  f.SetTextureFile("/opt/cavix\\Images\\3iaoftt.jpg");
  f.SetProjectionType(1, Variant(int32_t{3}));
  f.SetVerticalRatio(1, Variant(int16_t{1}));
  f.SetHorizontalRatio(1, Variant(int16_t{1}));
  f.SetProjectionWidth(1, Variant(3.14159265358979 * 8.5));
  f.SetProjectionHeight(1, Variant(9.375));
  f.SetFlip(1, Variant(true));
  double nx = 0.6, ny = 0.8, nz = 0;
  f.SetUpDirection(1, nx, ny, nz);

  // Second revolved feature and surface holder: their extras live in their own objects.
  hole.Components(15).Add().Profile().Components(3).Add().SetStartPoint(Variant(7.0), Variant(7.0));
  double a = 1, b = 2, c = 3;
  hole.Components(27).Add().SurfaceFinish(a, b, c, 0, 0, 1).SetTextureFile("second.jpg");

  CatalogEntry& entry = scene->App().Catalogs().Item(1).Entries().Add(hole);
  entry.SetLabel("Fori");
  // A part made from a STEP file keeps the kernel's text of its solid on its first shape.
  scene->FindShape("Block")->SetSolid(
      "DBRep_DrawableShape\n\nCASCADE Topology V1\r\n\t\"x\" 1e-07\n");
  return scene;
}

// Saved and reopened, the scene writes the same text (so every variable kept its type and
// value), in the documented form, reuses its components and saves the same bytes again.
TEST(ModelFile, SavedAndReopenedSceneIsTheSameInTheDocumentedForm) {
  const test::TempDir dir("cavix_model_");
  auto scene = RichScene();
  std::string file = dir.File("m.json");
  SaveModel(*scene, file);
  auto back = LoadModel(file);
  EXPECT_EQ(ModelText(*back), ModelText(*scene));
  EXPECT_EQ(ModelText(*back), Slurp(file));

  Shape& hole = *back->FindShape("Hole  8.5 x 1.25");
  EXPECT_EQ(&hole.Parent(), &back->MainPart());
  EXPECT_EQ(hole.Components(34).Item(1).Value(1, 0), Variant(int16_t{INT16_MIN}));
  EXPECT_TRUE(std::signbit(hole.Components(34).Item(1).Value(1, 12).F64()));
  EXPECT_EQ(hole.Store().First(27)->Finish()->Data().verticalRatio.Type(), rt::VarType::Int16);
  EXPECT_EQ(back->App().Catalogs().Item(1).Entries().All().size(), 1u);
  for (int type : {1, 14, 25, 34, 43}) EXPECT_EQ(hole.Components(type).Count(), 1) << type;
  EXPECT_EQ(hole.Components(15).Count(), 2);
  SaveModel(*back, file);
  EXPECT_EQ(Slurp(file), ModelText(*scene));
  // New shapes continue after the stored ids.
  EXPECT_EQ(back->AddDroppedShape().Id(), 3);

  auto j = ShapeToJson(hole);
  EXPECT_EQ(j["components"]["34"][0]["vars"]["1:0"],
            (nlohmann::ordered_json{{"t", "i16"}, {"v", -32768}}));
  EXPECT_EQ(j["components"]["25"][0]["vars"]["3"],
            (nlohmann::ordered_json{{"t", "i32"}, {"v", 5}}));
  EXPECT_EQ(j["profile"][0][2], (nlohmann::ordered_json{4.25, -20.0}));
  EXPECT_EQ(j["finish"]["TextureFile"], "/opt/cavix\\Images\\3iaoftt.jpg");
  EXPECT_EQ(j["binding"], "{88D03352-D7EE-11D4-85A2-00E08110F9CF}");
  EXPECT_EQ(j["components"]["15"][1]["profile"][0][0], (nlohmann::ordered_json{7.0, 7.0}));
  EXPECT_EQ(ShapeToJson(*back->FindShape("Block"))["solid"]["format"], "brep");

  // The text is the document indented by two, exactly as nlohmann's dump writes it (the model
  // writer streams it with its own writer), with anything that is not UTF-8 in a name replaced
  // rather than written as broken text.
  hole.SetName("Hole \xC3 \x01 end");
  const std::string text = ModelText(*back);
  EXPECT_EQ(text, ModelToJson(*back).dump(2, ' ', false,
                                          nlohmann::ordered_json::error_handler_t::replace) +
                      "\n");
  EXPECT_NE(text.find("Hole \xEF\xBF\xBD \\u0001 end"), std::string::npos);
}

// A valid model text to spoil in one place.
std::string Good() { return ModelToJson(*Scene::NewModel()).dump(); }

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  size_t p = s.find(from);
  EXPECT_NE(p, std::string::npos) << from;
  return s.replace(p, from.size(), to);
}

std::string WithHole(const std::string& vars) {
  auto scene = Scene::NewModel();
  scene->AddDroppedShape().Components(34).AddComponent().SetValue(1, 6, Variant(int16_t{1}));
  return Replace(ModelToJson(*scene).dump(), R"("1:6":{"t":"i16","v":1})", vars);
}

TEST(ModelFile, BadFilesAreRefusedByNameAndProblem) {
  std::string good = Good();
  // A key repeated in an object of many, found however many keys lie between.
  std::string many = R"("1:6": {"t": "i16", "v": 1})";
  for (int k = 100; k < 140; ++k) many += ", \"1:" + std::to_string(k) + R"(": {"t": "i16", "v": 1})";
  many += R"(, "1:100": {"t": "i16", "v": 2})";
  const struct {
    const char* name;
    std::string text;
    const char* problem;  // expected in the message
  } cases[] = {
      {"empty", "", "not JSON or cut short"},
      {"array", "[1, 2]", "not a Cavix model"},
      {"other format", Replace(good, "cavix-model", "something"), "not a Cavix model"},
      {"newer version", Replace(good, "\"version\":1", "\"version\": 2"), "version 2 is not known"},
      {"i16 out of range", WithHole(R"("1:6": {"t": "i16", "v": 70000})"),
       "70000 is not a valid \"i16\""},
      {"f64 holding text", WithHole(R"("1:6": {"t": "f64", "v": "2.5"})"),
       "is not a valid \"f64\""},
      {"unknown type", WithHole(R"("1:6": {"t": "i64", "v": 1})"), "unknown type \"i64\""},
      {"value missing", WithHole(R"("1:6": {"t": "i16"})"), "missing \"v\""},
      {"bad key", WithHole(R"("1:x": {"t": "i16", "v": 1})"), "\"N\" or \"GROUP:SLOT\""},
      {"slot beyond 16 bits", WithHole(R"("1:40000": {"t": "i16", "v": 1})"), "16-bit"},
      {"repeated key", WithHole(R"("1:6": {"t": "i16", "v": 1}, "1:6": {"t": "i16", "v": 2})"),
       "appears twice"},
      {"repeated key among many", WithHole(many), "appears twice"},
      {"unknown shape key",
       Replace(good, "\"name\":\"Block\"", "\"name\": \"Block\", \"colour\": 3"),
       "unknown key \"colour\""},
      {"wrong parent", Replace(good, "\"parent\":1", "\"parent\": 7"), "parent"},
      {"bad normal", Replace(good, "\"normal\":[", "\"normal\": [1, "), "three numbers"},
      {"binding without handler",
       Replace(good, "\"name\":\"Block\"", "\"name\": \"Block\", \"binding\": \"{X}\""),
       "differs from the class tag"},
      {"finish without holder",
       Replace(good, "\"name\":\"Block\"", "\"name\": \"Block\", \"finish\": {}"),
       "without a component 27"},
      {"units", Replace(good, "\"units\":\"mm\"", "\"units\": \"cm\""), "\"mm\" or \"inch\""},
      {"solid in another format",
       Replace(good, "\"name\":\"Block\"",
               R"("name": "Block", "solid": {"format": "step", "text": "ISO-10303-21;"})"),
       "stored as \"brep\""},
      // Refused before a tree is built: building it would overflow the stack.
      {"deep nesting",
       "{\"format\":" + std::string(100000, '[') + std::string(100000, ']') + ",\"x\":1}",
       "nested more than 64 levels"},
      // What the command line refuses, the loader refuses too, naming the value.
      {"zero normal", Replace(good, "\"normal\":[0.0,0.0,1.0]", "\"normal\":[0,0,0]"),
       "shapes[0].normal: a direction cannot be the zero vector"},
      {"precision 16", Replace(good, "{\"t\":\"i32\",\"v\":2}", "{\"t\":\"i32\",\"v\":16}"),
       "application.DialogPrecision: the precision is a whole number of decimals, 0 to 15"},
      {"block extent 1e308",
       Replace(good, "{\"t\":\"f64\",\"v\":60.0}", "{\"t\":\"f64\",\"v\":1e308}"),
       "shapes[0].components[\"1\"][0].vars[\"2\"]: a block extent must be from 0.001 to 100000 "
       "mm, not 1e+308"},
      {"part without its block", Replace(good, "\"components\":{\"1\":", "\"components\":{\"2\":"),
       "a part needs its block"},
      {"hole type 9", WithHole(R"("1:1": {"t": "i16", "v": 9})"),
       "components[\"34\"][0].vars[\"1:1\"]: the hole type is 1 (plain)"},
      {"hole number as text",
       WithHole(R"("1:1": {"t": "i16", "v": 1}, "1:8": {"t": "text", "v": "118"})"),
       "vars[\"1:8\"]: a hole's number must be stored as a number"},
  };
  const test::TempDir dir("cavix_model_");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = dir.Write("bad.json", c.text);
    const rt::Error e = LoadError(file);
    EXPECT_EQ(e.Number(), 321);
    EXPECT_NE(e.Description().find(file), std::string::npos) << e.Description();
    EXPECT_NE(e.Description().find(c.problem), std::string::npos) << e.Description();
    EXPECT_EQ(Slurp(file), c.text);
  }

  // A normal of any length but zero means its direction: it loads as the unit vector.
  auto scene =
      ModelFromText(Replace(good, "\"normal\":[0.0,0.0,1.0]", "\"normal\":[0,3,-4]"), "m.json");
  EXPECT_EQ(scene->FindShape("#1")->Normal(), (Vec3{0, 0.6, -0.8}));
}

// A model whose shape list is large enough to be parsed and read on several workers reads as the
// same scene, and a fault anywhere in it (inside a far shape, in a name the split must not be
// fooled by, around the list, the first of two in different shapes) gives the message one worker
// gives. Brackets inside names, after an escaped quote or past a name ending in a backslash, are
// text: deeper than values may nest, they are not refused.
TEST(ModelFile, ALargeModelReadsTheSameOnManyWorkers) {
  auto scene = Scene::NewModel();
  const std::string brackets(70, '[');
  for (int i = 0; i < 4000; ++i) {
    Shape& hole = scene->AddDroppedShape({0, 0, -1}, {i * 0.5, 3, 20});
    hole.SetName(i == 10        ? "tricky \"], [{\" name"
                 : i == 20      ? "one \" quote " + brackets
                 : i % 300 == 7 ? "back\\" + std::to_string(i) + "\\"
                 : i % 300 == 8 ? brackets + "\\"
                                : "Hole " + std::to_string(i));
    hole.Components(34).AddComponent().SetValue(1, 1, Variant(int16_t{2}));
  }
  const std::string text = ModelText(*scene);
  ASSERT_GT(text.size(), size_t{1} << 20);
  EXPECT_EQ(ModelText(*ModelFromText(text, "m.json", 4)), text);
  const size_t far = text.find("\"Hole 3500\"");
  const struct {
    const char* name;
    std::string text;
  } faults[] = {
      {"repeated key", Replace(text, "\"Hole 3500\"", "\"Hole 3500\", \"id\": 9")},
      {"cut inside a shape", text.substr(0, far) + text.substr(far + 40)},
      {"bad value", Replace(text, "\"Hole 3999\"", "3999")},
      // Shapes are made in order and read side by side: the first fault in reading order wins.
      {"read fault before a make fault",
       Replace(Replace(text, "\"Hole 3000\"", "\"Hole 3000\", \"extra\": 1"), "\"Hole 3500\"",
               "3500")},
      {"make fault before a read fault",
       Replace(Replace(text, "\"Hole 3000\"", "\"Hole 3000\", \"extra\": 1"), "\"Hole 1000\"",
               "1000")},
      {"after the list", Replace(text, "\"catalogs\"", "\"catalogs\", \"catalogs\"")},
      {"cut short", text.substr(0, text.size() - 20)},
  };
  for (const auto& f : faults) {
    SCOPED_TRACE(f.name);
    const rt::Error one = test::Raised([&] { ModelFromText(f.text, "m.json", 1); });
    EXPECT_EQ(one.Number(), 321);
    EXPECT_EQ(test::Raised([&] { ModelFromText(f.text, "m.json", 4); }).Description(),
              one.Description());
  }
}

TEST(ModelFile, MissingOrUnreadableFilesGiveFileErrors) {
  const test::TempDir dir("cavix_model_");
  const rt::Error missing = LoadError(dir.File("none.json"));
  EXPECT_EQ(missing.Number(), 53);
  EXPECT_NE(missing.Description().find("none.json"), std::string::npos);
  EXPECT_EQ(LoadError(dir.path.string()).Number(), 75);
  // A save into a folder that does not exist fails and leaves nothing behind.
  EXPECT_THROW(SaveModel(*Scene::NewModel(), dir.File("no/such/m.json")), rt::Error);
  EXPECT_FALSE(fs::exists(dir.File("no")));
  // What no reader would take is not written: the file stays as it was.
  const std::string kept = dir.File("kept.json");
  SaveModel(*Scene::NewModel(), kept);
  const std::string before = test::Slurp(kept);
  const rt::Error big =
      test::Raised([&] { SaveModelText(std::string(kMaxModelBytes + 1, ' '), kept); });
  EXPECT_EQ(big.Number(), 75);
  EXPECT_NE(big.Description().find("more than the 1024 MB a model file may hold"),
            std::string::npos);
  EXPECT_EQ(test::Slurp(kept), before);
}

}  // namespace
}  // namespace cavix::scene
