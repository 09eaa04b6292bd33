// `cavix new` and `cavix show`: create a model file and print what it holds.
#include <sys/stat.h>

#include <ostream>
#include <stdexcept>

#include "app/commands.h"
#include "runtime/error.h"
#include "scene/model_file.h"

#ifdef CAVIX_WITH_OCCT
#include "part_solid/part_solid.h"
#endif

namespace cavix::app {

namespace {

constexpr int kFileAlreadyExists = 58;  // "File already exists"

std::string Triple(const scene::Vec3& v) {
  return "(" + Num(v.x) + ", " + Num(v.y) + ", " + Num(v.z) + ")";
}

std::string ValueText(const rt::Variant& v) {
  switch (v.Type()) {
    case rt::VarType::Int16:
      return std::to_string(v.I16());
    case rt::VarType::Int32:
      return std::to_string(v.I32());
    case rt::VarType::Double:
      return Num(v.F64());
    case rt::VarType::Bool:
      return v.Bool() ? "True" : "False";
    case rt::VarType::Text:
      return "\"" + Printable(v.Text()) + "\"";
    default:
      return "(empty)";
  }
}

std::string Typed(const rt::Variant& v) {
  return ValueText(v) + " (" + rt::TypeName(v.Type()) + ")";
}

// The programmatic identifier of the class bound to a shape, or "" when none or unknown.
std::string ClassOf(const scene::Scene& scene, const scene::Shape& s) {
  std::string tag = s.BindingTag();
  if (tag.empty()) return {};
  const host::ClassInfo* info = scene.FindClassByTag(tag);
  return info ? info->progId : std::string{};
}

nlohmann::ordered_json ShapeWithClass(const scene::Scene& scene, const scene::Shape& s) {
  nlohmann::ordered_json j = scene::ShapeToJson(s);
  std::string cls = ClassOf(scene, s);
  j["class"] = cls.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(cls);
  return j;
}

void PrintComponents(std::ostream& os, const scene::ComponentStore& store,
                     const std::string& indent) {
  for (const scene::ComponentList* list : store.Lists()) {
    for (int i = 0; i < list->Count(); ++i) {
      const scene::Component& c = *list->Items()[static_cast<size_t>(i)];
      os << indent << "component " << list->Type() << " item " << i + 1;
      if (c.Vars().empty() && c.GroupVars().empty() && c.Points().empty()) os << " (no variables)";
      os << "\n";
      for (const auto& [index, v] : c.Vars())
        os << indent << "  " << index << " = " << Typed(v) << "\n";
      for (const auto& [key, v] : c.GroupVars())
        os << indent << "  " << key.first << ":" << key.second << " = " << Typed(v) << "\n";
      if (!c.Points().empty()) {
        os << indent << "  points";
        for (const scene::Point2& p : c.Points()) os << " (" << Num(p.x) << ", " << Num(p.y) << ")";
        os << "\n";
      }
      if (const scene::Profile* profile = c.ProfileIfAny()) {
        os << indent << "  profile\n";
        PrintComponents(os, profile->Store(), indent + "    ");
      }
      if (const scene::SurfaceFinish* f = c.Finish()) {
        const scene::FinishData& d = f->Data();
        os << indent << "  finish\n";
        if (d.textureFile)
          os << indent << "    TextureFile = \"" << Printable(*d.textureFile) << "\"\n";
        const std::pair<const char*, const rt::Variant*> props[] = {
            {"ProjectionType", &d.projectionType},     {"VerticalRatio", &d.verticalRatio},
            {"HorizontalRatio", &d.horizontalRatio},   {"ProjectionWidth", &d.projectionWidth},
            {"ProjectionHeight", &d.projectionHeight}, {"Flip", &d.flip}};
        for (const auto& [name, v] : props)
          if (!v->IsEmpty()) os << indent << "    " << name << " = " << Typed(*v) << "\n";
        if (d.upDirection) os << indent << "    UpDirection = " << Triple(*d.upDirection) << "\n";
        if (d.point) os << indent << "    Point = " << Triple(*d.point) << "\n";
      }
    }
  }
}

// What a shape is, for a reader of `show`.
std::string WhatItIs(const scene::Scene& scene, const scene::Shape& s) {
  const std::string cls = ClassOf(scene, s);
  if (!cls.empty()) return cls;
  if (!s.BindingTag().empty()) return "bound to unknown class " + s.BindingTag();
  const scene::Part* part = s.ParentPart();
  if (part && !part->ShapeItems().empty() && part->ShapeItems().front() == &s)
    return "the part's block";
  // A catalog drop whose dialog was closed without OK or Cancel leaves its shape behind.
  if (s.Store().First(host::comp::kRevolve)) return "dropped, not a hole (its dialog was closed)";
  return {};
}

void PrintShapeLine(std::ostream& os, const scene::Scene& scene, const scene::Shape& s) {
  os << "  " << Printable(s.Describe());
  if (const std::string what = WhatItIs(scene, s); !what.empty()) os << "  " << what;
  const scene::Component* size = s.Store().First(host::comp::kShapeSize);
  if (size && !size->Value(1).IsEmpty())
    os << "  size " << ValueText(size->Value(1)) << " x " << ValueText(size->Value(2)) << " x "
       << ValueText(size->Value(3));
  os << "  normal " << Triple(s.Normal()) << " at " << Triple(s.Position()) << "\n";
}

void PrintShapeDetail(std::ostream& os, const scene::Scene& scene, const scene::Shape& s) {
  os << "shape " << Printable(s.Describe()) << "\n";
  if (const scene::Part* part = s.ParentPart())
    os << "  part     #" << part->Id() << " \"" << Printable(part->Name()) << "\"\n";
  os << "  normal   " << Triple(s.Normal()) << "\n";
  os << "  position " << Triple(s.Position()) << "\n";
  std::string tag = s.BindingTag();
  std::string cls = ClassOf(scene, s);
  os << "  class    "
     << (tag.empty() ? "none" : (cls.empty() ? "unknown" : cls) + " " + Printable(tag)) << "\n";
  PrintComponents(os, s.Store(), "  ");
}

}  // namespace

int CmdNew(Invocation& inv) {
  const std::string& path = inv.args[0];
  scene::Units units = scene::Units::Millimetre;
  if (auto v = inv.Value("--units")) {
    if (*v == "inch")
      units = scene::Units::Inch;
    else if (*v != "mm")
      throw UsageError("--units is mm or inch, not \"" + *v + "\"");
  }
  scene::Vec3 block{100, 60, 20};
  if (auto v = inv.Value("--block")) block = ParseBlock(*v, units);
  int precision = 2;
  if (auto v = inv.Value("--precision")) precision = ParseInt(*v, "--precision", 0, 15);

  const std::optional<std::string> from = inv.Value("--from");
  if (from && inv.Has("--block")) throw UsageError("--from and --block exclude each other");

  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (!inv.Has("--force") && exists)
    rt::Raise(kFileAlreadyExists, "\"" + path + "\" already exists (--force replaces it)",
              "cavix new");
  std::unique_ptr<scene::Scene> scene;
  if (from) {
#ifdef CAVIX_WITH_OCCT
    scene = partsolid::NewModelFromStep(*from, units, precision);
    const scene::Component& size =
        *scene->MainPart().ShapeItems().front()->Store().First(host::comp::kShapeSize);
    block = {rt::CDbl(size.Value(1)), rt::CDbl(size.Value(2)), rt::CDbl(size.Value(3))};
#else
    throw std::runtime_error("--from needs Open CASCADE, which this build of cavix lacks");
#endif
  } else {
    scene = scene::Scene::NewModel(block, units, precision);
  }
  if (exists) {
    // Replaced in turn with any command that is changing it.
    const rt::FileLock lock = scene::LockModel(path);
    scene::SaveModel(*scene, path);
  } else {
    scene::SaveModel(*scene, path, /*mustBeNew=*/!inv.Has("--force"));
  }
  inv.out << "created " << Printable(path) << ": "
          << (from ? "part from " + Printable(*from) + ", bounding box" : std::string("block"))
          << " " << Num(block.x) << " x " << Num(block.y) << " x " << Num(block.z) << " "
          << (units == scene::Units::Inch ? "inch" : "mm") << ", precision " << precision << "\n";
  return 0;
}

int CmdShow(Invocation& inv) {
  auto workspace = ReadModel(inv, inv.args[0]);
  scene::Scene* scene = &workspace->Model();
  bool json = inv.Has("--json");
  if (inv.args.size() == 2) {
    scene::Shape& s = scene->ResolveShape(inv.args[1]);
    if (json)
      inv.out << ShapeWithClass(*scene, s).dump(2, ' ', false,
                                                nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
    else
      PrintShapeDetail(inv.out, *scene, s);
    return 0;
  }
  if (json) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const scene::Shape* s : scene->AllShapes()) all.push_back(ShapeWithClass(*scene, *s));
    inv.out << all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    return 0;
  }
  const auto& pages = scene->App().Pages();
  inv.out << Printable(inv.args[0]) << ": " << pages.size()
          << (pages.size() == 1 ? " page" : " pages") << ", dialog precision "
          << ValueText(scene->App().Precision()) << "\n";
  for (const auto& page : pages) {
    inv.out << "page in " << (page->LengthUnits() == scene::Units::Inch ? "inch" : "mm") << "\n";
    for (const auto& part : page->Parts()) {
      auto shapes = part->ShapeItems();
      inv.out << "part #" << part->Id() << " \"" << Printable(part->Name())
              << "\": " << shapes.size() << (shapes.size() == 1 ? " shape" : " shapes") << "\n";
      for (const scene::Shape* s : shapes) PrintShapeLine(inv.out, *scene, *s);
    }
  }
  for (const auto& cat : scene->App().Catalogs().All()) {
    const auto& entries = cat->Entries().All();
    inv.out << "catalog \"" << Printable(cat->Name()) << "\": " << entries.size()
            << (entries.size() == 1 ? " entry" : " entries");
    for (const auto& e : entries) inv.out << " \"" << Printable(e->Label()) << "\"";
    inv.out << "\n";
  }
  return 0;
}

}  // namespace cavix::app
