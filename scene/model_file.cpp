// Model file writer and reader. Every key maps through one of the tables below; the reader
// checks every value against its table entry and refuses the whole file on the first problem.
#include "scene/model_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <set>
#include <unordered_set>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "runtime/error.h"
#include "runtime/text_file.h"
#include "runtime/workers.h"
#include "scene/config_files.h"
#include "scene/json_writer.h"

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
  void (*write)(const Variant& v, JsonWriter& w);
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
     [](const Variant& v, JsonWriter& w) { w.Int(v.I16()); }},
    {rt::VarType::Int32, "i32",
     [](const json& j, Variant& out) {
       int64_t v = 0;
       if (!IntegerIn(j, INT32_MIN, INT32_MAX, v)) return false;
       out = Variant(static_cast<int32_t>(v));
       return true;
     },
     [](const Variant& v, JsonWriter& w) { w.Int(v.I32()); }},
    {rt::VarType::Double, "f64",
     [](const json& j, Variant& out) {
       if (!j.is_number()) return false;
       double d = j.get<double>();
       if (!std::isfinite(d)) return false;
       out = Variant(d);
       return true;
     },
     [](const Variant& v, JsonWriter& w) { w.Double(v.F64()); }},
    {rt::VarType::Bool, "bool",
     [](const json& j, Variant& out) {
       if (!j.is_boolean()) return false;
       out = Variant(j.get<bool>());
       return true;
     },
     [](const Variant& v, JsonWriter& w) { w.Bool(v.Bool()); }},
    {rt::VarType::Text, "text",
     [](const json& j, Variant& out) {
       if (!j.is_string()) return false;
       out = Variant(j.get<std::string>());
       return true;
     },
     [](const Variant& v, JsonWriter& w) { w.String(v.Text()); }},
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
  // An axis: any length but zero, stored as the unit vector it means.
  Vec3 Direction(const json& j, const std::string& where) const {
    Vec3 v = Triple(j, where);
    // Scaled by the largest component first, so that neither 1e-300 nor 1e300 over- or underflows.
    const double big = std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
    if (big == 0) Fail(where, "a direction cannot be the zero vector");
    const double x = v.x / big, y = v.y / big, z = v.z / big;
    const double length = std::sqrt(x * x + y * y + z * z);
    // A unit vector stays exactly as stored, so that a model reads back to the same text.
    if (std::fabs(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z) - 1) > 1e-12)
      v = {x / length, y / length, z / length};
    return v;
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

// A variable as stored: {"t": "i16"|"i32"|"f64"|"bool"|"text", "v": value}, or
// {"t": "empty"}.
void WriteVariant(JsonWriter& w, const Variant& v) {
  w.BeginObject();
  if (v.IsEmpty()) {
    w.Key("t").String("empty");
  } else {
    const VarCodec* codec = CodecOf(v.Type());
    w.Key("t").String(codec->tag);
    codec->write(v, w.Key("v"));
  }
  w.EndObject();
}

void WriteVec3(JsonWriter& w, const Vec3& v) {
  w.BeginArray();
  w.Double(v.x);
  w.Double(v.y);
  w.Double(v.z);
  w.EndArray();
}

void WriteVars(JsonWriter& w, const Component& c) {
  w.BeginObject();
  for (const auto& [index, v] : c.Vars()) WriteVariant(w.Key(std::to_string(index)), v);
  for (const auto& [key, v] : c.GroupVars())
    WriteVariant(w.Key(std::to_string(key.first) + ":" + std::to_string(key.second)), v);
  w.EndObject();
}

void WritePoints(JsonWriter& w, const std::vector<Point2>& points) {
  w.BeginArray();
  for (const Point2& p : points) {
    w.BeginArray();
    w.Double(p.x);
    w.Double(p.y);
    w.EndArray();
  }
  w.EndArray();
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

void WriteFinish(JsonWriter& w, const FinishData& f) {
  w.BeginObject();
  if (f.textureFile) w.Key("TextureFile").String(*f.textureFile);
  for (const auto& field : kFinishVarFields)
    if (!(f.*field.member).IsEmpty()) WriteVariant(w.Key(field.key), f.*field.member);
  if (f.upDirection) WriteVec3(w.Key("UpDirection"), *f.upDirection);
  if (f.point) {
    WriteVec3(w.Key("Point"), *f.point);
    w.Key("Request").BeginArray();
    for (int16_t flag : f.request) w.Int(flag);
    w.EndArray();
  }
  w.EndObject();
}

void WriteItems(JsonWriter& w, const ComponentList& list, bool hoistFirst);

// The profile's chains, and its other components (chains only when they carry variables),
// as members of the object being written.
void WriteProfile(JsonWriter& w, const Profile& profile) {
  bool chainVars = false;
  w.Key("profile").BeginArray();
  if (const ComponentList* list = profile.Store().Find(host::comp::kChain))
    for (const auto& c : list->Items()) {
      WritePoints(w, c->Points());
      chainVars = chainVars || !c->Vars().empty() || !c->GroupVars().empty();
    }
  w.EndArray();
  auto listed = [&](const ComponentList* list) {
    return list->Type() != host::comp::kChain || chainVars;
  };
  const auto& lists = profile.Store().Lists();
  if (std::none_of(lists.begin(), lists.end(), listed)) return;
  w.Key("profileComponents").BeginObject();
  for (const ComponentList* list : lists) {
    if (!listed(list)) continue;
    w.Key(std::to_string(list->Type()));
    if (list->Type() != host::comp::kChain) {
      WriteItems(w, *list, false);
      continue;
    }
    w.BeginArray();  // the points are in "profile" already
    for (const auto& c : list->Items()) {
      w.BeginObject();
      WriteVars(w.Key("vars"), *c);
      w.EndObject();
    }
    w.EndArray();
  }
  w.EndObject();
}

void WriteShapeList(JsonWriter& w, const std::vector<Shape*>& shapes);

// What a component carries beyond its variables, as members of the object being written: the
// component's own object, or, for the first revolved feature, surface holder and shape list,
// the owner's object.
void WriteExtras(JsonWriter& w, const Component& c) {
  switch (c.Type()) {
    case host::comp::kChain:
      WritePoints(w.Key("points"), c.Points());
      break;
    case host::comp::kRevolve:
      WriteProfile(w, *c.ProfileIfAny());
      break;
    case host::comp::kSurface:
      if (c.Finish()) WriteFinish(w.Key("finish"), c.Finish()->Data());
      break;
    case host::comp::kPartShapes:
      WriteShapeList(w.Key("shapes"), const_cast<Component&>(c).Shapes().Items());
      break;
    default:
      break;
  }
}

bool Hoisted(int32_t type) {
  return type == host::comp::kRevolve || type == host::comp::kSurface ||
         type == host::comp::kPartShapes;
}

void WriteItems(JsonWriter& w, const ComponentList& list, bool hoistFirst) {
  w.BeginArray();
  for (size_t i = 0; i < list.Items().size(); ++i) {
    const Component& c = *list.Items()[i];
    w.BeginObject();
    WriteVars(w.Key("vars"), c);
    if (!(hoistFirst && i == 0 && Hoisted(c.Type()))) WriteExtras(w, c);
    w.EndObject();
  }
  w.EndArray();
}

void WriteStore(JsonWriter& w, const ComponentStore& store, bool hoistFirst) {
  w.BeginObject();
  for (const ComponentList* list : store.Lists())
    WriteItems(w.Key(std::to_string(list->Type())), *list, hoistFirst);
  w.EndObject();
}

// ---- the shape's keys ----

struct ShapeField {
  const char* key;
  bool required;
  void (*save)(const Shape& s, JsonWriter& w);
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
    {"id", true, [](const Shape& s, JsonWriter& w) { w.Key("id").Int(s.Id()); }, nullptr},
    {"name", true, [](const Shape& s, JsonWriter& w) { w.Key("name").String(s.Name()); }, nullptr},
    {"parent", true,
     [](const Shape& s, JsonWriter& w) {
       if (s.ParentPart())
         w.Key("parent").Int(s.ParentPart()->Id());
       else
         w.Key("parent").Null();
     },
     nullptr},
    {"normal", true, [](const Shape& s, JsonWriter& w) { WriteVec3(w.Key("normal"), s.Normal()); },
     [](const Reader& r, const json& v, Shape& s, const std::string& w) {
       s.SetNormal(r.Direction(v, w));
     }},
    {"position", true,
     [](const Shape& s, JsonWriter& w) { WriteVec3(w.Key("position"), s.Position()); },
     [](const Reader& r, const json& v, Shape& s, const std::string& w) {
       s.SetPosition(r.Triple(v, w));
     }},
    {"binding", false,
     [](const Shape& s, JsonWriter& w) {
       if (!s.BindingTag().empty()) w.Key("binding").String(s.BindingTag());
     },
     nullptr},  // derived from component 43; checked after the components are read
    {"components", true,
     [](const Shape& s, JsonWriter& w) { WriteStore(w.Key("components"), s.Store(), true); },
     [](const Reader& r, const json& v, Shape& s, const std::string& w) {
       LoadStore(r, v, s.Store(), w, true);
     }},
    {"profile", false,
     [](const Shape& s, JsonWriter& w) {
       if (const Component* c = s.Store().First(host::comp::kRevolve))
         WriteProfile(w, *c->ProfileIfAny());
     },
     nullptr},  // read together with "profileComponents"
    {"profileComponents", false, [](const Shape&, JsonWriter&) {}, nullptr},
    {"finish", false,
     [](const Shape& s, JsonWriter& w) {
       const Component* c = s.Store().First(host::comp::kSurface);
       if (c && c->Finish()) WriteFinish(w.Key("finish"), c->Finish()->Data());
     },
     [](const Reader& r, const json& v, Shape& s, const std::string& w) {
       Component& c = FirstOrFail(r, s, host::comp::kSurface, w, "a finish");
       LoadFinish(r, v, c.EnsureFinish().Data(), w);
     }},
    // The solid of a part made from a STEP file, kept as the kernel wrote it.
    {"solid", false,
     [](const Shape& s, JsonWriter& w) {
       if (s.Solid().empty()) return;
       w.Key("solid").BeginObject();
       w.Key("format").String(kSolidFormat);
       w.Key("text").String(s.Solid());
       w.EndObject();
     },
     [](const Reader& r, const json& v, Shape& s, const std::string& w) {
       r.Object(v, w);
       r.Keys(v, w, {"format", "text"}, {"format", "text"});
       if (r.Text(v["format"], At(w, "format")) != kSolidFormat)
         r.Fail(At(w, "format"), std::string("a solid is stored as \"") + kSolidFormat + "\"");
       std::string text = r.Text(v["text"], At(w, "text"));
       if (text.empty()) r.Fail(At(w, "text"), "an empty solid is left out, not written");
       s.SetSolid(std::move(text));
     }},
};

void WriteShape(JsonWriter& w, const Shape& shape) {
  w.BeginObject();
  for (const auto& f : kShapeFields) f.save(shape, w);
  w.EndObject();
}

void WriteShapeList(JsonWriter& w, const std::vector<Shape*>& shapes) {
  w.BeginArray();
  for (const Shape* s : shapes) WriteShape(w, *s);
  w.EndArray();
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

void LoadShapes(const Reader& r, const json& j, Component& list, const std::string& where,
                int jobs = 1);

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

// The hole logic reads a hole's parameters without asking their type; a hand-edited file is
// checked here, so that it is refused naming the value instead of failing later with a bare
// "Type mismatch" or "Overflow".
void CheckHoleData(const Reader& r, const Shape& s, const std::string& where) {
  const Component* c = s.Store().First(host::comp::kHoleData);
  if (!c) return;
  const std::string w =
      where + ".components[\"" + std::to_string(host::comp::kHoleData) + "\"][0].vars";
  auto at = [&](int32_t group, int16_t slot) {
    return w + "[\"" + std::to_string(group) + ":" + std::to_string(slot) + "\"]";
  };
  for (const auto& [key, v] : c->GroupVars()) {
    if (key.first == 1 && !v.IsNumeric())
      r.Fail(at(key.first, key.second), "a hole's number must be stored as a number");
    if (key.first == 2 && v.Type() != rt::VarType::Text)
      r.Fail(at(key.first, key.second), "a hole's text must be stored as a text");
  }
  // Read as 16-bit integers: the hole type, standards tab, thread and through flags.
  for (int16_t slot : {1, 5, 6, 7}) {
    const Variant& v = c->Value(1, slot);
    if (!v.IsEmpty() && std::fabs(rt::CDbl(v)) > INT16_MAX)
      r.Fail(at(1, slot), "expected a 16-bit integer");
  }
  const Variant& type = c->Value(1, 1);
  const double t = type.IsEmpty() ? 0 : rt::CDbl(type);
  if (t != 1 && t != 2 && t != 3 && t != 4)
    r.Fail(at(1, 1),
           "the hole type is 1 (plain), 2 (counterbore), 3 (countersink) or 4 "
           "(counterdrill), not " +
               (type.IsEmpty() ? std::string("left out") : rt::CStr(type)));
}

// A part's first shape is its block: the extents the holes measure the part by.
void CheckBlock(const Reader& r, const Part& part, const std::string& where) {
  const std::vector<Shape*> shapes = part.ShapeItems();
  if (shapes.empty())
    r.Fail(where, "a part needs its block: a first shape whose component 1 holds the extents");
  const std::string w = At(where, "shapes") + "[0].components[\"1\"][0].vars";
  const Component* size = shapes.front()->Store().First(host::comp::kShapeSize);
  for (int32_t i = 1; i <= 3; ++i) {
    const std::string wi = w + "[\"" + std::to_string(i) + "\"]";
    const Variant& v = size ? size->Value(i) : Variant();
    if (v.IsEmpty()) r.Fail(wi, "a part needs its block, and its block needs this extent");
    if (v.Type() == rt::VarType::Bool || !v.IsNumeric())
      r.Fail(wi, "a block extent must be a number");
    const double e = rt::CDbl(v);
    if (const std::string problem = BlockExtentsProblem({e, e, e}, part.OwnerPage().LengthUnits());
        !problem.empty())
      r.Fail(wi, problem);
  }
}

// Creates the shape named by `j` (its id and name) through `make`, then reads its other keys.
template <class Make>
Shape& MakeShape(const Reader& r, const json& j, const std::string& where, Make make) {
  r.Object(j, where);
  if (!j.contains("id")) r.Fail(where, "missing \"id\"");
  if (!j.contains("name")) r.Fail(where, "missing \"name\"");
  int32_t id = r.Int(j["id"], At(where, "id"));
  if (id < 1) r.Fail(At(where, "id"), "a shape id is a positive integer");
  return make(id, r.Text(j["name"], At(where, "name")));
}

template <class Make>
Shape& LoadShape(const Reader& r, const json& j, const std::string& where, Make make) {
  Shape& s = MakeShape(r, j, where, make);
  LoadShapeFields(r, j, s, where);
  CheckHoleData(r, s, where);
  return s;
}

// Lists shorter than this are read on one thread: sharing them out would cost more than it saves.
constexpr size_t kShapesOnWorkers = 256;

// Whether a shape of the list holds a shape list of its own (component 23 beyond the hoisted
// one). Reading one creates shapes on the part, so such a list is read on one thread.
bool HoldsShapeLists(const json& shapes) {
  const std::string key = std::to_string(host::comp::kPartShapes);
  for (const json& shape : shapes) {
    if (!shape.is_object()) continue;
    const auto components = shape.find("components");
    if (components != shape.end() && components->is_object() && components->contains(key))
      return true;
  }
  return false;
}

void LoadShapes(const Reader& r, const json& j, Component& list, const std::string& where,
                int jobs) {
  r.Array(j, where);
  if (!r.context.part) r.Fail(where, "shapes outside a part");
  // Makes shape i from its id and name on the part and on the list being read.
  auto make = [&](size_t i, const std::string& w) {
    return [&, i](int32_t id, std::string name) -> Shape& {
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
    };
  };
  if (jobs <= 1 || j.size() < kShapesOnWorkers || HoldsShapeLists(j)) {
    for (size_t i = 0; i < j.size(); ++i) {
      const std::string w = At(where, i);
      LoadShape(r, j[i], w, make(i, w));
    }
    return;
  }
  // The shapes are made in order on this thread (ids, names and parents, which the part and the
  // scene keep), and the rest of each, which touches that shape alone, is read on the workers.
  // One thread reading in order would stop at the first fault: a fault in making shape c comes
  // after every fault in reading the shapes before it, and those are raised first.
  std::vector<Shape*> made;
  made.reserve(j.size());
  std::exception_ptr makeFault;
  for (size_t i = 0; i < j.size(); ++i) {
    const std::string w = At(where, i);
    try {
      made.push_back(&MakeShape(r, j[i], w, make(i, w)));
    } catch (const rt::Error&) {
      makeFault = std::current_exception();
      break;
    }
  }
  rt::RunOnWorkers(jobs, made.size(), [&](size_t i) {
    const std::string w = At(where, i);
    LoadShapeFields(r, j[i], *made[i], w);
    CheckHoleData(r, *made[i], w);
  });
  if (makeFault) std::rethrow_exception(makeFault);
}

// Deeper than any model (a shape inside a part nests about twenty levels): text nested deeper is
// refused before a tree is built, since building, copying and freeing a tree recurse once per
// level and a hundred thousand levels would overflow the stack.
constexpr int kMaxNesting = 64;

// The text's largest array, with where each of its elements lies: in a model of thousands of
// holes the shape list is nearly the whole text, and its shapes can be parsed side by side.
struct BigArray {
  size_t open = 0, close = 0;  // the bytes of its brackets
  size_t ordinal = 0;          // how many arrays open before it: the parser meets them in order
  std::vector<std::pair<size_t, size_t>> items;  // each element's bytes, from and to
};

// Calls `visit(i)` for each byte i of `text` that is one of " \\ , [ ] { } and not below the
// index the previous call returned. A model's text is mostly indentation, numbers and names, so
// sixteen bytes at a time are looked through for these.
template <class Visit>
void ForEachStructural(std::string_view text, Visit&& visit) {
  const char* p = text.data();
  const size_t n = text.size();
  size_t i = 0, next = 0;
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'),
                comma = _mm_set1_epi8(','), lower = _mm_set1_epi8(0x20),
                openBrace = _mm_set1_epi8('{'), closeBrace = _mm_set1_epi8('}');
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    // '[' and ']' are '{' and '}' with bit 5 cleared; no other byte turns into either.
    const __m128i folded = _mm_or_si128(v, lower);
    const __m128i hits = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
        _mm_or_si128(_mm_cmpeq_epi8(v, comma),
                     _mm_or_si128(_mm_cmpeq_epi8(folded, openBrace),
                                  _mm_cmpeq_epi8(folded, closeBrace))));
    for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hits)); bits != 0;
         bits &= bits - 1)
      if (const size_t at = i + static_cast<size_t>(__builtin_ctz(bits)); at >= next)
        next = visit(at);
  }
#endif
  for (; i < n; ++i)
    if (p[i] != 0 && std::strchr("\"\\,[]{}", p[i]) && i >= next) next = visit(i);
}

// Refuses text nested too deep, and finds its largest array.
BigArray ScanStructure(std::string_view text, const Reader& r) {
  struct Open {
    bool array;
    size_t at, ordinal, commas;  // commas: where this value's own start in `commas`
  };
  std::vector<Open> stack;
  std::vector<size_t> commas;
  size_t arrays = 0;
  BigArray big;
  bool inText = false;
  ForEachStructural(text, [&](size_t i) -> size_t {
    const char c = text[i];
    if (inText) {
      if (c == '\\') return i + 2;  // the escaped byte is not looked at
      if (c == '"') inText = false;
    } else if (c == '"') {
      inText = true;
    } else if (c == '[' || c == '{') {
      if (stack.size() >= kMaxNesting)
        r.Fail("", "values nested more than " + std::to_string(kMaxNesting) +
                       " levels deep (at byte " + std::to_string(i + 1) + ")");
      stack.push_back({c == '[', i, c == '[' ? arrays++ : 0, commas.size()});
    } else if (c == ',' && !stack.empty() && stack.back().array) {
      commas.push_back(i);
    } else if ((c == ']' || c == '}') && !stack.empty()) {
      const Open o = stack.back();
      stack.pop_back();
      if (o.array && c == ']' && i - o.at > big.close - big.open && commas.size() > o.commas) {
        big.open = o.at;
        big.close = i;
        big.ordinal = o.ordinal;
        big.items.clear();
        size_t from = o.at + 1;
        for (size_t k = o.commas; k < commas.size(); ++k) {
          big.items.emplace_back(from, commas[k]);
          from = commas[k] + 1;
        }
        big.items.emplace_back(from, i);
      }
      commas.resize(o.commas);
    }
    return i + 1;
  });
  return big;
}

// Builds the document as the library's own parser does, refusing objects that repeat a key (the
// last one would silently win). Each object's members are gathered first and moved into it at
// once: the ordered map keeps them in a vector of pairs whose keys are const, and growing it one
// member at a time copies every subtree it already holds (most of loading a large model).
class StrictBuilder {
 public:
  explicit StrictBuilder(json& root) : root_(root) {}
  const std::string& Duplicate() const { return duplicate_; }
  // The array the parser meets `ordinal`-th (counting from 0) gets `items` as its elements, in
  // place of what the text holds there.
  void Splice(size_t ordinal, std::vector<json> items) {
    spliceAt_ = ordinal;
    splice_ = std::move(items);
  }

  bool null() { return Put(json(nullptr)); }
  bool boolean(bool v) { return Put(json(v)); }
  bool number_integer(json::number_integer_t v) { return Put(json(v)); }
  bool number_unsigned(json::number_unsigned_t v) { return Put(json(v)); }
  bool number_float(json::number_float_t v, const json::string_t&) { return Put(json(v)); }
  bool string(json::string_t& v) { return Put(json(std::move(v))); }
  bool binary(json::binary_t& v) { return Put(json::binary(std::move(v))); }
  bool start_object(std::size_t) {
    stack_.emplace_back();
    stack_.back().object = true;
    return true;
  }
  bool key(json::string_t& k) {
    Frame& f = stack_.back();
    if (duplicate_.empty() && Seen(f, k)) duplicate_ = k;
    f.key = std::move(k);
    return true;
  }
  bool end_object() {
    Frame f = std::move(stack_.back());
    stack_.pop_back();
    json object(json::value_t::object);
    auto& members = object.get_ref<json::object_t&>();
    members.reserve(f.members.size());
    for (auto& [k, v] : f.members) members.emplace_back(std::move(k), std::move(v));
    return Put(std::move(object));
  }
  bool start_array(std::size_t) {
    stack_.emplace_back();
    stack_.back().ordinal = arrays_++;
    return true;
  }
  bool end_array() {
    Frame f = std::move(stack_.back());
    stack_.pop_back();
    json array(json::value_t::array);
    array.get_ref<json::array_t&>() = f.ordinal == spliceAt_ ? std::move(splice_) : std::move(f.items);
    return Put(std::move(array));
  }
  template <class Exception>
  bool parse_error(std::size_t, const std::string&, const Exception& e) {
    throw e;
  }

 private:
  struct Frame {
    bool object = false;
    size_t ordinal = 0;  // of an array
    std::string key;
    std::vector<std::pair<std::string, json>> members;
    std::vector<json> items;
    std::unordered_set<std::string> keys;  // once the object has many members
  };

  static bool Seen(Frame& f, const std::string& k) {
    constexpr size_t kScanned = 32;
    if (f.members.size() < kScanned) {
      for (const auto& m : f.members)
        if (m.first == k) return true;
      return false;
    }
    if (f.keys.empty())
      for (const auto& m : f.members) f.keys.insert(m.first);
    return !f.keys.insert(k).second;
  }

  bool Put(json&& v) {
    if (stack_.empty()) {
      root_ = std::move(v);
    } else if (Frame& f = stack_.back(); f.object) {
      f.members.emplace_back(std::move(f.key), std::move(v));
    } else {
      f.items.push_back(std::move(v));
    }
    return true;
  }

  json& root_;
  std::vector<Frame> stack_;
  std::string duplicate_;
  size_t arrays_ = 0;
  size_t spliceAt_ = SIZE_MAX;
  std::vector<json> splice_;
};

// Parses `text` with `builder`: false on any fault (not JSON, a repeated key).
bool ParseWith(std::string_view text, StrictBuilder& builder) {
  try {
    return json::sax_parse(text.begin(), text.end(), &builder) && builder.Duplicate().empty();
  } catch (const json::exception&) {
    return false;
  }
}

// Arrays smaller than this are parsed with the rest: sharing them out would cost more than it
// saves.
constexpr size_t kPartedBytes = size_t{1} << 20;

// The document parsed in parts: the elements of its largest array side by side, then the rest
// with that array spliced in. None when any part is at fault: the whole text is parsed again to
// say where, as it would be read in one piece.
std::optional<json> ParseInParts(std::string_view text, const BigArray& big, int jobs) {
  std::vector<json> items(big.items.size());
  std::atomic<bool> fault{false};
  rt::RunOnWorkers(jobs, items.size(), [&](size_t i) {
    if (fault) return;
    StrictBuilder builder(items[i]);
    const auto [from, to] = big.items[i];
    if (!ParseWith(text.substr(from, to - from), builder)) fault = true;
  });
  if (fault) return std::nullopt;
  std::string rest;
  rest.reserve(text.size() - (big.close - big.open) + 1);
  rest.append(text.substr(0, big.open)).append("[]").append(text.substr(big.close + 1));
  json doc;
  StrictBuilder builder(doc);
  builder.Splice(big.ordinal, std::move(items));
  if (!ParseWith(rest, builder)) return std::nullopt;
  return doc;
}

// Parses JSON text, refusing objects that repeat a key; a large text's largest array on `jobs`
// workers.
json ParseStrict(std::string_view text, const Reader& r, int jobs) {
  const BigArray big = ScanStructure(text, r);
  if (jobs > 1 && big.close - big.open >= kPartedBytes)
    if (std::optional<json> doc = ParseInParts(text, big, jobs)) return std::move(*doc);
  json doc;
  StrictBuilder builder(doc);
  try {
    json::sax_parse(text.begin(), text.end(), &builder);
  } catch (const json::exception& e) {
    std::string what = e.what();
    size_t p = what.find("] ");
    if (p != std::string::npos) what = what.substr(p + 2);
    r.Fail("", "not JSON or cut short (" + what + ")");
  }
  if (!builder.Duplicate().empty())
    r.Fail("", "the key \"" + builder.Duplicate() + "\" appears twice in one object");
  return doc;
}

void WriteModel(JsonWriter& w, const Scene& scene) {
  w.BeginObject();
  w.Key("format").String(kModelFormat);
  w.Key("version").Int(kModelVersion);
  w.Key("application").BeginObject();
  WriteVariant(w.Key("DialogPrecision"), scene.App().Precision());
  w.EndObject();
  w.Key("pages").BeginArray();
  for (const auto& page : scene.App().Pages()) {
    w.BeginObject();
    w.Key("units").String(page->LengthUnits() == Units::Inch ? "inch" : "mm");
    w.Key("parts").BeginArray();
    for (const auto& part : page->Parts()) {
      w.BeginObject();
      w.Key("id").Int(part->Id());
      w.Key("name").String(part->Name());
      WriteStore(w.Key("components"), part->Store(), true);
      if (const Component* c = part->Store().First(host::comp::kPartShapes)) WriteExtras(w, *c);
      w.EndObject();
    }
    w.EndArray();
    w.EndObject();
  }
  w.EndArray();
  w.Key("catalogs").BeginArray();
  for (const auto& cat : scene.App().Catalogs().All()) {
    w.BeginObject();
    w.Key("name").String(cat->Name());
    w.Key("entries").BeginArray();
    for (const auto& e : cat->Entries().All()) {
      w.BeginObject();
      w.Key("label").String(e->Label());
      WriteShape(w.Key("item"), e->Item());
      w.EndObject();
    }
    w.EndArray();
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
}

}  // namespace

// ---- public ----

json ShapeToJson(const Shape& shape) {
  std::string text;
  JsonWriter w(text);
  WriteShape(w, shape);
  return json::parse(text);
}

// The tree is read back from the text so that there is one writer of the format.
json ModelToJson(const Scene& scene) { return json::parse(ModelText(scene)); }

std::string ModelText(const Scene& scene) {
  std::string text;
  JsonWriter w(text);
  WriteModel(w, scene);
  text += '\n';
  return text;
}

std::unique_ptr<Scene> ModelFromJson(const json& doc, const std::string& path, int jobs) {
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
  const Variant precision = r.Var(app["DialogPrecision"], "application.DialogPrecision");
  if ((precision.Type() != rt::VarType::Int16 && precision.Type() != rt::VarType::Int32) ||
      rt::CLng(precision) < 0 || rt::CLng(precision) > 15)
    r.Fail("application.DialogPrecision", "the precision is a whole number of decimals, 0 to 15");
  scene->App().SetDialogPrecision(precision);

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
        LoadShapes(r, part["shapes"], *list, At(w, "shapes"), jobs);
      }
      CheckBlock(r, p, w);
      r.context = {};
    }
  }

  if (doc.contains("catalogs")) {
    const json& cats = r.Array(doc["catalogs"], "catalogs");
    for (size_t ci = 0; ci < cats.size(); ++ci) {
      std::string wc = At("catalogs", ci);
      const json& cj = r.Object(cats[ci], wc);
      r.Keys(cj, wc, {"name", "entries"}, {"name", "entries"});
      Catalog& cat = scene->App().Catalogs().Open(r.Text(cj["name"], At(wc, "name")));
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
        cat.Entries().Add(std::move(item)).SetLabel(r.Text(ej["label"], At(we, "label")));
      }
    }
  }
  return scene;
}

std::unique_ptr<Scene> ModelFromText(std::string_view text, const std::string& path, int jobs) {
  Reader r(path);
  json doc = ParseStrict(text, r, jobs);
  std::unique_ptr<Scene> scene = ModelFromJson(doc, path, jobs);
  // The document's shape lists are most of it: freed side by side too. (Read as a model, the
  // document has the pages, parts and shape lists a model has.)
  if (jobs > 1)
    for (json& page : doc["pages"])
      for (json& part : page["parts"])
        if (part.contains("shapes")) {
          json::array_t& shapes = part["shapes"].get_ref<json::array_t&>();
          rt::RunOnWorkers(jobs, shapes.size(), [&](size_t i) { shapes[i] = json(); });
        }
  return scene;
}

std::unique_ptr<Scene> LoadModel(const std::string& path, int jobs) {
  std::string text;
  if (!rt::ReadWholeFile(path, kMaxModelBytes, "model file", text))
    rt::Raise(rt::err::kFileNotFound, "model file \"" + path + "\" does not exist", path);
  return ModelFromText(text, path, jobs);
}

rt::FileLock LockModel(const std::string& path) {
  return rt::FileLock(path, rt::DefaultLockWait(), "model file");
}

void SaveModel(const Scene& scene, const std::string& path, bool mustBeNew) {
  SaveModelText(ModelText(scene), path, mustBeNew);
}

void SaveModelText(const std::string& text, const std::string& path, bool mustBeNew) {
  if (text.size() > kMaxModelBytes)
    rt::Raise(rt::err::kPathFileAccess,
              "model file \"" + path + "\" would hold " + std::to_string(text.size() >> 20) +
                  " MB, more than the " + std::to_string(kMaxModelBytes >> 20) +
                  " MB a model file may hold; it is left as it was",
              path);
  rt::WriteFileAtomically(path, text, mustBeNew);
}

}  // namespace cavix::scene
