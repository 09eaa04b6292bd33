// Model file writer and reader. Every key maps through one of the tables below; the reader
// checks every value against its table entry and refuses the whole file on the first problem.
#include "scene/model_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>

#include "runtime/error.h"
#include "runtime/text_file.h"
#include "scene/config_files.h"

namespace cavix::scene {

using json = nlohmann::ordered_json;

namespace {

// ---- variables: type tag <-> Variant ----

bool IntegerIn(const json& j, int64_t lo, int64_t hi, int64_t& out) {
  if (j.is_number_unsigned()) {
    uint64_t u = j.get<uint64_t>();
    if (u > static_cast<uint64_t>(hi)) return false;
    out = static_cast<int64_t>(u);
    return out >= lo;
  }
  if (!j.is_number_integer()) return false;
  out = j.get<int64_t>();
  return out >= lo && out <= hi;
}

struct VarCodec {
  rt::VarType type;
  const char* tag;
  bool (*read)(const json& j, Variant& out);  // false when the value does not fit the tag
  json (*write)(const Variant& v);
};

const VarCodec kVarCodecs[] = {
    // type              tag     reader                                   writer
    {rt::VarType::Int16, "i16",
     [](const json& j, Variant& out) {
       int64_t v = 0;
       if (!IntegerIn(j, INT16_MIN, INT16_MAX, v)) return false;
       out = Variant(static_cast<int16_t>(v));
       return true;
     },
     [](const Variant& v) { return json(v.I16()); }},
    {rt::VarType::Int32, "i32",
     [](const json& j, Variant& out) {
       int64_t v = 0;
       if (!IntegerIn(j, INT32_MIN, INT32_MAX, v)) return false;
       out = Variant(static_cast<int32_t>(v));
       return true;
     },
     [](const Variant& v) { return json(v.I32()); }},
    {rt::VarType::Double, "f64",
     [](const json& j, Variant& out) {
       if (!j.is_number()) return false;
       double d = j.get<double>();
       if (!std::isfinite(d)) return false;
       out = Variant(d);
       return true;
     },
     [](const Variant& v) { return json(v.F64()); }},
    {rt::VarType::Bool, "bool",
     [](const json& j, Variant& out) {
       if (!j.is_boolean()) return false;
       out = Variant(j.get<bool>());
       return true;
     },
     [](const Variant& v) { return json(v.Bool()); }},
    {rt::VarType::Text, "text",
     [](const json& j, Variant& out) {
       if (!j.is_string()) return false;
       out = Variant(j.get<std::string>());
       return true;
     },
     [](const Variant& v) { return json(v.Text()); }},
};

const VarCodec* CodecOf(rt::VarType t) {
  for (const auto& c : kVarCodecs)
    if (c.type == t) return &c;
  return nullptr;
}

const VarCodec* CodecOf(std::string_view tag) {
  for (const auto& c : kVarCodecs)
    if (tag == c.tag) return &c;
  return nullptr;
}

// Integer text in its one canonical form ("7", "-2"; not "07", "+7", " 7").
template <class Int>
bool CanonicalInt(std::string_view s, Int& out) {
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size() && std::to_string(out) == s;
}

// ---- reading context ----

// The part whose shapes are being read: shapes are created on it so that their parent is right.
struct PartContext {
  Scene* scene = nullptr;
  cavix::scene::Part* part = nullptr;
  std::set<int32_t>* shapeIds = nullptr;
};

class Reader {
 public:
  explicit Reader(std::string file) : file_(std::move(file)) {}

  mutable PartContext context;

  [[noreturn]] void Fail(const std::string& where, const std::string& problem) const {
    rt::Raise(kInvalidFileFormat,
              "model file \"" + file_ + "\": " + (where.empty() ? "" : where + ": ") + problem,
              "ModelFile");
  }

  const json& Object(const json& j, const std::string& where) const {
    if (!j.is_object()) Fail(where, "expected an object");
    return j;
  }
  const json& Array(const json& j, const std::string& where) const {
    if (!j.is_array()) Fail(where, "expected an array");
    return j;
  }
  // Refuses keys outside `allowed`, and missing `required` ones.
  void Keys(const json& obj, const std::string& where, std::initializer_list<const char*> allowed,
            std::initializer_list<const char*> required) const {
    for (const auto& [k, v] : obj.items()) {
      bool ok = false;
      for (const char* a : allowed) ok = ok || k == a;
      if (!ok) Fail(where, "unknown key \"" + k + "\"");
    }
    for (const char* r : required)
      if (!obj.contains(r)) Fail(where, std::string("missing \"") + r + "\"");
  }
  std::string Text(const json& j, const std::string& where) const {
    if (!j.is_string()) Fail(where, "expected a text");
    return j.get<std::string>();
  }
  int32_t Int(const json& j, const std::string& where) const {
    int64_t v = 0;
    if (!IntegerIn(j, INT32_MIN, INT32_MAX, v)) Fail(where, "expected a 32-bit integer");
    return static_cast<int32_t>(v);
  }
  double Number(const json& j, const std::string& where) const {
    if (!j.is_number() || !std::isfinite(j.get<double>())) Fail(where, "expected a number");
    return j.get<double>();
  }
  Vec3 Triple(const json& j, const std::string& where) const {
    Array(j, where);
    if (j.size() != 3) Fail(where, "expected three numbers");
    return {Number(j[0], where + "[0]"), Number(j[1], where + "[1]"), Number(j[2], where + "[2]")};
  }
  Variant Var(const json& j, const std::string& where, bool allowEmpty = false) const {
    Object(j, where);
    if (allowEmpty && j.contains("t") && j["t"] == "empty") {
      Keys(j, where, {"t"}, {"t"});
      return {};
    }
    Keys(j, where, {"t", "v"}, {"t", "v"});
    const VarCodec* codec = j["t"].is_string() ? CodecOf(j["t"].get<std::string>()) : nullptr;
    if (!codec)
      Fail(where, "unknown type " + j["t"].dump() + " (expected i16, i32, f64, bool or text)");
    Variant out;
    if (!codec->read(j["v"], out))
      Fail(where, "the value " + j["v"].dump() + " is not a valid \"" + codec->tag + "\"");
    return out;
  }

 private:
  std::string file_;
};

std::string At(const std::string& where, const std::string& key) { return where + "." + key; }
std::string At(const std::string& where, size_t i) { return where + "[" + std::to_string(i) + "]"; }

// ---- writing ----

json Vec3ToJson(const Vec3& v) { return json::array({v.x, v.y, v.z}); }

json VarsToJson(const Component& c) {
  json vars = json::object();
  for (const auto& [index, v] : c.Vars()) vars[std::to_string(index)] = VariantToJson(v);
  for (const auto& [key, v] : c.GroupVars())
    vars[std::to_string(key.first) + ":" + std::to_string(key.second)] = VariantToJson(v);
  return vars;
}

json PointsToJson(const std::vector<Point2>& points) {
  json out = json::array();
  for (const Point2& p : points) out.push_back(json::array({p.x, p.y}));
  return out;
}

// A finish property: its key and where it lives in FinishData.
struct FinishVarField {
  const char* key;
  Variant FinishData::*member;
};
const FinishVarField kFinishVarFields[] = {
    {"ProjectionType", &FinishData::projectionType},
    {"VerticalRatio", &FinishData::verticalRatio},
    {"HorizontalRatio", &FinishData::horizontalRatio},
    {"ProjectionWidth", &FinishData::projectionWidth},
    {"ProjectionHeight", &FinishData::projectionHeight},
    {"Flip", &FinishData::flip},
};

json FinishToJson(const FinishData& f) {
  json out = json::object();
  if (f.textureFile) out["TextureFile"] = *f.textureFile;
  for (const auto& field : kFinishVarFields)
    if (!(f.*field.member).IsEmpty()) out[field.key] = VariantToJson(f.*field.member);
  if (f.upDirection) out["UpDirection"] = Vec3ToJson(*f.upDirection);
  if (f.point) {
    out["Point"] = Vec3ToJson(*f.point);
    out["Request"] = json::array({f.request[0], f.request[1], f.request[2]});
  }
  return out;
}

json StoreToJson(const ComponentStore& store, bool hoistFirst);

// The profile's chains, and its other components (chains only when they carry variables).
void ProfileToJson(const Profile& profile, json& target) {
  json chains = json::array();
  json others = json::object();
  bool chainVars = false;
  if (const ComponentList* list = profile.Store().Find(host::comp::kChain))
    for (const auto& c : list->Items()) {
      chains.push_back(PointsToJson(c->Points()));
      chainVars = chainVars || !c->Vars().empty() || !c->GroupVars().empty();
    }
  for (const ComponentList* list : profile.Store().Lists()) {
    json items = json::array();
    if (list->Type() == host::comp::kChain) {
      if (!chainVars) continue;
      for (const auto& c : list->Items()) items.push_back(json{{"vars", VarsToJson(*c)}});
    } else {
      items = StoreToJson(profile.Store(), false)[std::to_string(list->Type())];
    }
    others[std::to_string(list->Type())] = items;
  }
  target["profile"] = chains;
  if (!others.empty()) target["profileComponents"] = others;
}

json ShapeListToJson(const std::vector<Shape*>& shapes);

// What a component carries beyond its variables goes to `target`: the component's own object,
// or, for the first revolved feature, surface holder and shape list, the owner's object.
void ExtrasToJson(const Component& c, json& target) {
  switch (c.Type()) {
    case host::comp::kChain:
      target["points"] = PointsToJson(c.Points());
      break;
    case host::comp::kRevolve:
      ProfileToJson(*c.ProfileIfAny(), target);
      break;
    case host::comp::kSurface:
      if (c.Finish()) target["finish"] = FinishToJson(c.Finish()->Data());
      break;
    case host::comp::kPartShapes:
      target["shapes"] = ShapeListToJson(const_cast<Component&>(c).Shapes().Items());
      break;
    default:
      break;
  }
}

bool Hoisted(int32_t type) {
  return type == host::comp::kRevolve || type == host::comp::kSurface ||
         type == host::comp::kPartShapes;
}

json StoreToJson(const ComponentStore& store, bool hoistFirst) {
  json out = json::object();
  for (const ComponentList* list : store.Lists()) {
    json items = json::array();
    for (size_t i = 0; i < list->Items().size(); ++i) {
      const Component& c = *list->Items()[i];
      json obj = json{{"vars", VarsToJson(c)}};
      if (!(hoistFirst && i == 0 && Hoisted(c.Type()))) ExtrasToJson(c, obj);
      items.push_back(std::move(obj));
    }
    out[std::to_string(list->Type())] = std::move(items);
  }
  return out;
}

// ---- the shape's keys ----

struct ShapeField {
  const char* key;
  bool required;
  void (*save)(const Shape& s, json& out);
  // Runs in table order, after the shape was created from "id" and "name".
  void (*load)(const Reader& r, const json& v, Shape& s, const std::string& where);
};

void LoadStore(const Reader& r, const json& j, ComponentStore& store, const std::string& where,
               bool hoistFirst);
void LoadProfile(const Reader& r, const json& chains, const json* others, Profile& profile,
                 const std::string& where);
void LoadFinish(const Reader& r, const json& j, FinishData& f, const std::string& where);

Component& FirstOrFail(const Reader& r, Shape& s, int32_t type, const std::string& where,
                       const char* what) {
  Component* c = s.Store().First(type);
  if (!c) r.Fail(where, std::string(what) + " without a component " + std::to_string(type));
  return *c;
}

const ShapeField kShapeFields[] = {
    // key          required  save / load
    {"id", true, [](const Shape& s, json& o) { o["id"] = s.Id(); }, nullptr},
    {"name", true, [](const Shape& s, json& o) { o["name"] = s.Name(); }, nullptr},
    {"parent", true,
     [](const Shape& s, json& o) {
       o["parent"] = s.ParentPart() ? json(s.ParentPart()->Id()) : json(nullptr);
     },
     nullptr},
    {"normal", true, [](const Shape& s, json& o) { o["normal"] = Vec3ToJson(s.Normal()); },
     [](const Reader& r, const json& v, Shape& s, const std::string& w) {
       s.SetNormal(r.Triple(v, w));
     }},
    {"position", true, [](const Shape& s, json& o) { o["position"] = Vec3ToJson(s.Position()); },
     [](const Reader& r, const json& v, Shape& s, const std::string& w) {
       s.SetPosition(r.Triple(v, w));
     }},
    {"binding", false,
     [](const Shape& s, json& o) {
       if (!s.BindingTag().empty()) o["binding"] = s.BindingTag();
     },
     nullptr},  // derived from component 43; checked after the components are read
    {"components", true,
     [](const Shape& s, json& o) { o["components"] = StoreToJson(s.Store(), true); },
     [](const Reader& r, const json& v, Shape& s, const std::string& w) {
       LoadStore(r, v, s.Store(), w, true);
     }},
    {"profile", false,
     [](const Shape& s, json& o) {
       if (const Component* c = s.Store().First(host::comp::kRevolve))
         ProfileToJson(*c->ProfileIfAny(), o);
     },
     nullptr},  // read together with "profileComponents"
    {"profileComponents", false, [](const Shape&, json&) {}, nullptr},
    {"finish", false,
     [](const Shape& s, json& o) {
       const Component* c = s.Store().First(host::comp::kSurface);
       if (c && c->Finish()) o["finish"] = FinishToJson(c->Finish()->Data());
     },
     [](const Reader& r, const json& v, Shape& s, const std::string& w) {
       Component& c = FirstOrFail(r, s, host::comp::kSurface, w, "a finish");
       LoadFinish(r, v, c.EnsureFinish().Data(), w);
     }},
};

json ShapeListToJson(const std::vector<Shape*>& shapes) {
  json out = json::array();
  for (const Shape* s : shapes) out.push_back(ShapeToJson(*s));
  return out;
}

// ---- reading ----

void LoadVars(const Reader& r, const json& j, Component& c, const std::string& where) {
  r.Object(j, where);
  for (const auto& [key, value] : j.items()) {
    std::string w = where + "[\"" + key + "\"]";
    size_t colon = key.find(':');
    if (colon == std::string::npos) {
      int32_t index = 0;
      if (!CanonicalInt(key, index)) r.Fail(w, "a variable key is \"N\" or \"GROUP:SLOT\"");
      c.SetValue(index, r.Var(value, w));
    } else {
      int32_t group = 0;
      int16_t slot = 0;
      if (!CanonicalInt(std::string_view(key).substr(0, colon), group) ||
          !CanonicalInt(std::string_view(key).substr(colon + 1), slot))
        r.Fail(w, "a variable key is \"N\" or \"GROUP:SLOT\" (slot a 16-bit integer)");
      c.SetValue(group, slot, r.Var(value, w));
    }
  }
}

std::vector<Point2> LoadPoints(const Reader& r, const json& j, const std::string& where) {
  r.Array(j, where);
  std::vector<Point2> points;
  for (size_t i = 0; i < j.size(); ++i) {
    std::string w = At(where, i);
    r.Array(j[i], w);
    if (j[i].size() != 2) r.Fail(w, "a point is [x, y]");
    points.push_back({r.Number(j[i][0], w + "[0]"), r.Number(j[i][1], w + "[1]")});
  }
  return points;
}

void LoadShapeFields(const Reader& r, const json& j, Shape& s, const std::string& where);

void LoadShapes(const Reader& r, const json& j, Component& list, const std::string& where);

void LoadExtras(const Reader& r, const json& obj, Component& c, const std::string& where,
                bool hoisted) {
  std::initializer_list<const char*> none = {"vars"};
  if (hoisted) {
    r.Keys(obj, where, none, {});
    return;
  }
  switch (c.Type()) {
    case host::comp::kChain:
      r.Keys(obj, where, {"vars", "points"}, {});
      if (obj.contains("points"))
        c.MutablePoints() = LoadPoints(r, obj["points"], At(where, "points"));
      break;
    case host::comp::kRevolve:
      r.Keys(obj, where, {"vars", "profile", "profileComponents"}, {});
      if (obj.contains("profile"))
        LoadProfile(r, obj["profile"],
                    obj.contains("profileComponents") ? &obj["profileComponents"] : nullptr,
                    c.Profile(), where);
      else if (obj.contains("profileComponents"))
        r.Fail(where, "\"profileComponents\" without \"profile\"");
      break;
    case host::comp::kSurface:
      r.Keys(obj, where, {"vars", "finish"}, {});
      if (obj.contains("finish"))
        LoadFinish(r, obj["finish"], c.EnsureFinish().Data(), At(where, "finish"));
      break;
    case host::comp::kPartShapes:
      r.Keys(obj, where, {"vars", "shapes"}, {});
      if (obj.contains("shapes")) LoadShapes(r, obj["shapes"], c, At(where, "shapes"));
      break;
    default:
      r.Keys(obj, where, none, {});
  }
}

void LoadStore(const Reader& r, const json& j, ComponentStore& store, const std::string& where,
               bool hoistFirst) {
  r.Object(j, where);
  for (const auto& [key, items] : j.items()) {
    std::string w = where + "[\"" + key + "\"]";
    int32_t type = 0;
    if (!CanonicalInt(key, type)) r.Fail(w, "a component type is an integer");
    r.Array(items, w);
    if (items.empty()) r.Fail(w, "an empty component list is left out, not written");
    ComponentList& list = store.Get(type);
    for (size_t i = 0; i < items.size(); ++i) {
      std::string wi = At(w, i);
      const json& obj = r.Object(items[i], wi);
      Component& c = list.AddComponent();
      if (obj.contains("vars")) LoadVars(r, obj["vars"], c, At(wi, "vars"));
      LoadExtras(r, obj, c, wi, hoistFirst && i == 0 && Hoisted(type));
    }
  }
}

void LoadProfile(const Reader& r, const json& chains, const json* others, Profile& profile,
                 const std::string& where) {
  std::string wc = At(where, "profile");
  r.Array(chains, wc);
  ComponentList& list = profile.Store().Get(host::comp::kChain);
  for (size_t i = 0; i < chains.size(); ++i)
    list.AddComponent().MutablePoints() = LoadPoints(r, chains[i], At(wc, i));
  if (!others) return;
  std::string wo = At(where, "profileComponents");
  r.Object(*others, wo);
  for (const auto& [key, items] : others->items()) {
    if (key != std::to_string(host::comp::kChain)) continue;
    std::string w = wo + "[\"" + key + "\"]";
    r.Array(items, w);
    if (items.size() != chains.size()) r.Fail(w, "one entry per chain of \"profile\" is needed");
    for (size_t i = 0; i < items.size(); ++i) {
      const json& obj = r.Object(items[i], At(w, i));
      r.Keys(obj, At(w, i), {"vars"}, {});
      if (obj.contains("vars"))
        LoadVars(r, obj["vars"], list.At(static_cast<int16_t>(i + 1)), At(At(w, i), "vars"));
    }
  }
  json rest = json::object();
  for (const auto& [key, items] : others->items())
    if (key != std::to_string(host::comp::kChain)) rest[key] = items;
  LoadStore(r, rest, profile.Store(), wo, false);
}

void LoadFinish(const Reader& r, const json& j, FinishData& f, const std::string& where) {
  r.Object(j, where);
  r.Keys(j, where,
         {"TextureFile", "ProjectionType", "VerticalRatio", "HorizontalRatio", "ProjectionWidth",
          "ProjectionHeight", "Flip", "UpDirection", "Point", "Request"},
         {});
  if (j.contains("TextureFile")) f.textureFile = r.Text(j["TextureFile"], At(where, "TextureFile"));
  for (const auto& field : kFinishVarFields)
    if (j.contains(field.key)) f.*field.member = r.Var(j[field.key], At(where, field.key));
  if (j.contains("UpDirection"))
    f.upDirection = r.Triple(j["UpDirection"], At(where, "UpDirection"));
  if (j.contains("Point") != j.contains("Request"))
    r.Fail(where, "\"Point\" and \"Request\" go together");
  if (j.contains("Point")) {
    f.point = r.Triple(j["Point"], At(where, "Point"));
    std::string w = At(where, "Request");
    const json& req = r.Array(j["Request"], w);
    if (req.size() != 3) r.Fail(w, "expected three 16-bit integers");
    for (size_t i = 0; i < 3; ++i) {
      int64_t v = 0;
      if (!IntegerIn(req[i], INT16_MIN, INT16_MAX, v))
        r.Fail(At(w, i), "expected a 16-bit integer");
      f.request[i] = static_cast<int16_t>(v);
    }
  }
}

void LoadShapeFields(const Reader& r, const json& j, Shape& s, const std::string& where) {
  std::vector<const char*> allowed, required;
  for (const auto& f : kShapeFields) {
    allowed.push_back(f.key);
    if (f.required) required.push_back(f.key);
  }
  for (const auto& [k, v] : j.items()) {
    bool ok = false;
    for (const char* a : allowed) ok = ok || k == a;
    if (!ok) r.Fail(where, "unknown key \"" + k + "\"");
  }
  for (const char* k : required)
    if (!j.contains(k)) r.Fail(where, std::string("missing \"") + k + "\"");
  for (const auto& f : kShapeFields)
    if (f.load && j.contains(f.key)) f.load(r, j[f.key], s, At(where, f.key));
  if (j.contains("profile")) {
    Component& c = FirstOrFail(r, s, host::comp::kRevolve, where, "a profile");
    LoadProfile(r, j["profile"],
                j.contains("profileComponents") ? &j["profileComponents"] : nullptr, c.Profile(),
                where);
  } else if (j.contains("profileComponents")) {
    r.Fail(where, "\"profileComponents\" without \"profile\"");
  }
  if (j.contains("binding")) {
    std::string tag = r.Text(j["binding"], At(where, "binding"));
    if (tag != s.BindingTag())
      r.Fail(At(where, "binding"), "\"" + tag + "\" differs from the class tag in component 43");
  }
}

// Creates the shape named by `j` (its id and name) through `make`, then reads its other keys.
template <class Make>
Shape& LoadShape(const Reader& r, const json& j, const std::string& where, Make make) {
  r.Object(j, where);
  if (!j.contains("id")) r.Fail(where, "missing \"id\"");
  if (!j.contains("name")) r.Fail(where, "missing \"name\"");
  int32_t id = r.Int(j["id"], At(where, "id"));
  if (id < 1) r.Fail(At(where, "id"), "a shape id is a positive integer");
  Shape& s = make(id, r.Text(j["name"], At(where, "name")));
  LoadShapeFields(r, j, s, where);
  return s;
}

void LoadShapes(const Reader& r, const json& j, Component& list, const std::string& where) {
  r.Array(j, where);
  if (!r.context.part) r.Fail(where, "shapes outside a part");
  for (size_t i = 0; i < j.size(); ++i) {
    std::string w = At(where, i);
    LoadShape(r, j[i], w, [&](int32_t id, std::string name) -> Shape& {
      if (!r.context.shapeIds->insert(id).second)
        r.Fail(At(w, "id"), "the id " + std::to_string(id) + " is used twice");
      const json& parent = j[i].contains("parent") ? j[i]["parent"] : json();
      if (!(parent.is_number_integer() && parent.get<int64_t>() == r.context.part->Id()))
        r.Fail(At(w, "parent"), "expected the id of the part that lists the shape, " +
                                    std::to_string(r.context.part->Id()));
      r.context.scene->NoteIds(id, 0);
      Shape& s = r.context.part->AddShape(id, std::move(name));
      // AddShape put it on the first shape list; move it to the one being read.
      Component* first = r.context.part->Store().First(host::comp::kPartShapes);
      if (first != &list) {
        first->Shapes().Remove(s);
        list.Shapes().Add(s);
      }
      return s;
    });
  }
}

// Parses JSON text, refusing objects that repeat a key (the last one would silently win).
json ParseStrict(std::string_view text, const Reader& r) {
  std::vector<std::set<std::string>> seen;
  std::string duplicate;
  auto callback = [&](int, json::parse_event_t event, json& parsed) {
    switch (event) {
      case json::parse_event_t::object_start:
        seen.emplace_back();
        break;
      case json::parse_event_t::object_end:
        if (!seen.empty()) seen.pop_back();
        break;
      case json::parse_event_t::key:
        if (!seen.empty() && !seen.back().insert(parsed.get<std::string>()).second &&
            duplicate.empty())
          duplicate = parsed.get<std::string>();
        break;
      default:
        break;
    }
    return true;
  };
  json doc;
  try {
    doc = json::parse(text.begin(), text.end(), callback);
  } catch (const json::exception& e) {
    std::string what = e.what();
    size_t p = what.find("] ");
    if (p != std::string::npos) what = what.substr(p + 2);
    r.Fail("", "not JSON or cut short (" + what + ")");
  }
  if (!duplicate.empty()) r.Fail("", "the key \"" + duplicate + "\" appears twice in one object");
  return doc;
}

}  // namespace

// ---- public ----

json VariantToJson(const Variant& v) {
  if (v.IsEmpty()) return json{{"t", "empty"}};
  const VarCodec* codec = CodecOf(v.Type());
  return json{{"t", codec->tag}, {"v", codec->write(v)}};
}

json ShapeToJson(const Shape& shape) {
  json out = json::object();
  for (const auto& f : kShapeFields) f.save(shape, out);
  return out;
}

json ModelToJson(const Scene& scene) {
  json doc = json::object();
  doc["format"] = kModelFormat;
  doc["version"] = kModelVersion;
  doc["application"] = json{{"DialogPrecision", VariantToJson(scene.App().Precision())}};
  json pages = json::array();
  for (const auto& page : scene.App().Pages()) {
    json p = json::object();
    p["units"] = page->LengthUnits() == Units::Inch ? "inch" : "mm";
    json parts = json::array();
    for (const auto& part : page->Parts()) {
      json pj = json::object();
      pj["id"] = part->Id();
      pj["name"] = part->Name();
      pj["components"] = StoreToJson(part->Store(), true);
      if (const Component* c = part->Store().First(host::comp::kPartShapes)) ExtrasToJson(*c, pj);
      parts.push_back(std::move(pj));
    }
    p["parts"] = std::move(parts);
    pages.push_back(std::move(p));
  }
  doc["pages"] = std::move(pages);
  json catalogs = json::array();
  for (const auto& cat : scene.App().Catalogs()) {
    json entries = json::array();
    for (const auto& e : cat->Entries())
      entries.push_back(json{{"label", e->Label()}, {"item", ShapeToJson(e->Item())}});
    catalogs.push_back(json{{"name", cat->Name()}, {"entries", std::move(entries)}});
  }
  doc["catalogs"] = std::move(catalogs);
  return doc;
}

std::string ModelText(const Scene& scene) {
  return ModelToJson(scene).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::unique_ptr<Scene> ModelFromJson(const json& doc, const std::string& path) {
  Reader r(path);
  if (!doc.is_object()) r.Fail("", "not a Cavix model (the file holds no JSON object)");
  if (!doc.contains("format") || doc["format"] != kModelFormat)
    r.Fail("", std::string("not a Cavix model (\"format\" must be \"") + kModelFormat + "\")");
  if (!doc.contains("version") || !doc["version"].is_number_integer())
    r.Fail("", "\"version\" must be an integer");
  if (doc["version"] != kModelVersion)
    r.Fail("", "version " + doc["version"].dump() + " is not known (this cavix reads version " +
                   std::to_string(kModelVersion) + ")");
  r.Keys(doc, "", {"format", "version", "application", "pages", "catalogs"},
         {"format", "version", "application", "pages"});

  auto scene = std::make_unique<Scene>();
  const json& app = r.Object(doc["application"], "application");
  r.Keys(app, "application", {"DialogPrecision"}, {"DialogPrecision"});
  scene->App().SetDialogPrecision(
      r.Var(app["DialogPrecision"], "application.DialogPrecision", true));

  std::set<int32_t> shapeIds, partIds;
  const json& pages = r.Array(doc["pages"], "pages");
  for (size_t pi = 0; pi < pages.size(); ++pi) {
    std::string wp = At("pages", pi);
    const json& pj = r.Object(pages[pi], wp);
    r.Keys(pj, wp, {"units", "parts"}, {"units", "parts"});
    std::string units = r.Text(pj["units"], At(wp, "units"));
    if (units != "mm" && units != "inch") r.Fail(At(wp, "units"), "expected \"mm\" or \"inch\"");
    Page& page = scene->App().AddPage(units == "inch" ? Units::Inch : Units::Millimetre);
    const json& parts = r.Array(pj["parts"], At(wp, "parts"));
    for (size_t i = 0; i < parts.size(); ++i) {
      std::string w = At(At(wp, "parts"), i);
      const json& part = r.Object(parts[i], w);
      r.Keys(part, w, {"id", "name", "components", "shapes"}, {"id", "name", "components"});
      int32_t id = r.Int(part["id"], At(w, "id"));
      if (id < 1 || !partIds.insert(id).second)
        r.Fail(At(w, "id"), "a part id is a positive integer used once");
      scene->NoteIds(0, id);
      Part& p = page.AddPart(id, r.Text(part["name"], At(w, "name")));
      // The loader builds the part's components itself, shape list included.
      p.Store().Get(host::comp::kPartShapes).Remove(p.Store().Get(host::comp::kPartShapes).At(1));
      r.context = {scene.get(), &p, &shapeIds};
      LoadStore(r, part["components"], p.Store(), At(w, "components"), true);
      if (part.contains("shapes")) {
        Component* list = p.Store().First(host::comp::kPartShapes);
        if (!list) r.Fail(w, "\"shapes\" without a component 23");
        LoadShapes(r, part["shapes"], *list, At(w, "shapes"));
      }
      r.context = {};
    }
  }

  if (doc.contains("catalogs")) {
    const json& cats = r.Array(doc["catalogs"], "catalogs");
    for (size_t ci = 0; ci < cats.size(); ++ci) {
      std::string wc = At("catalogs", ci);
      const json& cj = r.Object(cats[ci], wc);
      r.Keys(cj, wc, {"name", "entries"}, {"name", "entries"});
      Catalog& cat = scene->App().OpenCatalog(r.Text(cj["name"], At(wc, "name")));
      const json& entries = r.Array(cj["entries"], At(wc, "entries"));
      for (size_t ei = 0; ei < entries.size(); ++ei) {
        std::string we = At(At(wc, "entries"), ei);
        const json& ej = r.Object(entries[ei], we);
        r.Keys(ej, we, {"label", "item"}, {"label", "item"});
        std::unique_ptr<Shape> item;
        LoadShape(r, ej["item"], At(we, "item"), [&](int32_t id, std::string name) -> Shape& {
          if (!ej["item"].contains("parent") || !ej["item"]["parent"].is_null())
            r.Fail(At(At(we, "item"), "parent"), "a catalog item has no parent (null)");
          item = std::make_unique<Shape>(id, std::move(name), nullptr);
          return *item;
        });
        cat.AddEntry(std::move(item)).SetLabel(r.Text(ej["label"], At(we, "label")));
      }
    }
  }
  return scene;
}

std::unique_ptr<Scene> ModelFromText(std::string_view text, const std::string& path) {
  Reader r(path);
  json doc = ParseStrict(text, r);
  return ModelFromJson(doc, path);
}

std::unique_ptr<Scene> LoadModel(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      rt::Raise(rt::err::kFileNotFound, "model file \"" + path + "\" does not exist", "ModelFile");
    rt::Raise(rt::err::kPathFileAccess, "model file \"" + path + "\" cannot be read", "ModelFile");
  }
  if (S_ISDIR(st.st_mode))
    rt::Raise(rt::err::kPathFileAccess, "model file \"" + path + "\" is a folder", "ModelFile");
  std::ifstream in(path, std::ios::binary);
  if (!in)
    rt::Raise(rt::err::kPathFileAccess, "model file \"" + path + "\" cannot be read", "ModelFile");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad())
    rt::Raise(rt::err::kDeviceIo, "model file \"" + path + "\" cannot be read", "ModelFile");
  return ModelFromText(text, path);
}

void SaveModel(const Scene& scene, const std::string& path) {
  rt::WriteFileAtomically(path, ModelText(scene));
}

}  // namespace cavix::scene
