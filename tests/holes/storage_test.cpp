// The record a hole leaves on its shape: slots, value types and order, reading it back for the
// editor and for drawings, reuse of the components on a second create.
#include <sstream>
#include <tuple>

#include "scene_fixture.h"

namespace {

using namespace holetest;

// The hole record on the shape, as "group:slot=type:value" by group and slot.
std::vector<std::string> Stored(scene::Shape& s) {
  std::vector<std::string> out;
  for (const auto& [key, v] : s.Components(34).At(1).GroupVars()) {
    using T = cavix::rt::VarType;
    std::ostringstream o;
    o.precision(17);
    o << key.first << ":" << key.second << "=" << cavix::rt::TypeName(v.Type()) << ":";
    if (v.Type() == T::Int16) o << v.I16();
    if (v.Type() == T::Int32) o << v.I32();
    if (v.Type() == T::Double) o << v.F64();
    if (v.Type() == T::Text) o << v.Text();
    out.push_back(o.str());
  }
  return out;
}

TEST_F(HoleTest, RecordOfEveryClassThreadedAndNot) {
  const char* names[] = {"", "HoleSimple", "HoleCBore", "HoleCSink", "HoleCDrill"};
  for (int16_t type = 1; type <= 4; ++type)
    for (bool thread : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "type " << type << " thread " << thread);
      // type, thread, through, D, L, LT, P, A, T, Dr, Lc, Ar
      scene::Shape& s = Drop({type, thread, false, 10, 25, 20, 1.5, 118, 0.4, 18, 11, 90});

      std::vector<std::string> expected = {"1:0=i16:0", "1:1=i16:" + std::to_string(type),
                                           "1:2=i32:0", "1:5=i16:1",
                                           thread ? "1:6=i16:1" : "1:6=i16:0", "1:7=i16:0",
                                           "1:8=f64:118"};
      if (thread)
        expected.insert(expected.end(), {"1:9=f64:25", "1:10=f64:10", "1:11=f64:20", "1:12=f64:1.5"});
      else
        expected.insert(expected.end(),
                        {"1:10=f64:10", "1:11=f64:25", "1:12=f64:0.40000000000000002"});
      if (type > 1) expected.push_back("1:16=f64:18");
      if (type == 2 || type == 4) expected.push_back("1:17=f64:11");
      if (type > 2) expected.push_back("1:18=f64:90");
      expected.insert(expected.end(),
                      {"2:0=text:Zentrox", std::string("2:1=text:") + names[type], "2:2=text:",
                       "2:13=text:ISO 262", thread ? "2:14=text:M10" : "2:14=text:10",
                       "2:15=text:Simple.tab"});
      EXPECT_EQ(Stored(s), expected);
      // Binding of the shape to the class.
      EXPECT_EQ(s.Components(25).At(1).Value(3), Variant(int32_t{5}));
      EXPECT_EQ(s.BindingTag(),
                model->FindClassByProgId("Cavix." + std::string(names[type]))->classId);
    }
}

// What the editor is handed: the stored parameters, and the length left after the thread from
// the drilled length in slot 9 (kept when an unthreaded hole is made over a threaded one).
TEST_F(HoleTest, StoredParamsAndLengthAfterThread) {
  const holes::HoleKind& simple = holes::kHoleKinds[0];
  EXPECT_FALSE(holes::StoredRecord(hole, simple));  // no record yet
  Create({.type = 1, .thread = true, .L = 25, .LT = 20, .P = 1.5});
  holes::HoleRecord st = *holes::StoredRecord(hole, simple);
  EXPECT_EQ(std::tie(st.holeType, st.standardsTab, st.threadFlag, st.throughFlag),
            std::make_tuple(1, 1, 1, 0));
  EXPECT_EQ(std::make_tuple(st.threadOrBoreLength, st.pitchOrAllowance, st.LengthAfterThread()),
            std::make_tuple(20, 1.5, 5));
  EXPECT_EQ(st.standard + " " + st.sizeCode, "ISO 262 M10");
  // (A stored drilled length short of the thread gives -1: the editor then shows the table's,
  // in tests/dialog/flows_test.cpp.)

  // Made again unthreaded over it: slot 9 keeps the threaded drilled length.
  Create({.type = 1, .thread = true, .L = 25, .LT = 20, .P = 1.5});
  Create({.type = 1, .L = 22, .T = 0.5});
  st = *holes::StoredRecord(hole, simple);
  EXPECT_EQ(std::make_tuple(st.threadFlag, st.drilledLength, st.threadOrBoreLength,
                            st.pitchOrAllowance, st.LengthAfterThread()),
            std::make_tuple(0, 25, 22, 0.5, 3));
  // A fresh unthreaded hole never wrote slot 9: 0 - length is negative. Slots the counterdrill
  // wrote before a counterbore keep their values; the components are reused.
  scene::Shape& other = Drop({.type = 4, .D = 6.6, .Dr = 11, .Lc = 4, .Ar = 90});
  SceneTest::Create(other, Spec({.type = 2, .L = 12, .Dr = 11, .Lc = 6.5}));
  st = *holes::StoredRecord(other, holes::kHoleKinds[1]);
  EXPECT_EQ(std::make_tuple(st.LengthAfterThread(), st.recessDiameter, st.counterboreDepth),
            std::make_tuple(-1, 11, 6.5));
  EXPECT_EQ(Record(other).Value(1, 18), Variant(90.0));
  EXPECT_EQ(Record(other).Value(2, 1), Variant("HoleCBore"));
  for (int type : {25, 34, 43}) EXPECT_EQ(other.Components(type).Count(), 1) << type;
}

// Without a record nothing is loaded for drawings and nothing is written (what the loader reads
// from a record is checked through `cavix threads` in cli_test.cpp).
TEST_F(HoleTest, NoRecordNothingLoaded) {
  EXPECT_FALSE(holes::MakeHole(holes::kHoleKinds[2])->Initialize(hole));
  EXPECT_EQ(hole.Components(34).Count(), 0);
}

}  // namespace
