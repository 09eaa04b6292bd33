// The record a hole leaves on its shape: slots, value types and order, reading it back for the
// editor and for drawings, reuse of the components on a second create.
#include "hole_fixture.h"

namespace {

using namespace holetest;
using cavix::rt::VarType;

// The stores made into the hole data component, in order, as "group:slot=type:value".
std::vector<std::string> DataStores(const fake::Log& log) {
  std::vector<std::string> out;
  for (const auto& line : log)
    if (line.rfind("c34.v", 0) == 0) out.push_back(line.substr(5));
  return out;
}

TEST_F(HoleTest, RecordOfEveryClassThreadedAndNot) {
  struct Row {
    int16_t type;
    bool thread;
    std::vector<std::string> recessStores;
  };
  const Row rows[] = {
      {1, false, {}},
      {1, true, {}},
      {2, false, {"1:16=f64:18", "1:17=f64:11"}},
      {2, true, {"1:16=f64:18", "1:17=f64:11"}},
      {3, false, {"1:16=f64:18", "1:18=f64:90"}},
      {3, true, {"1:16=f64:18", "1:18=f64:90"}},
      {4, false, {"1:16=f64:18", "1:17=f64:11", "1:18=f64:90"}},
      {4, true, {"1:16=f64:18", "1:17=f64:11", "1:18=f64:90"}},
  };
  const char* names[] = {"", "HoleSimple", "HoleCBore", "HoleCSink", "HoleCDrill"};
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "type " << r.type << " thread " << r.thread);
    fake::World fresh;
    cavix::Globals().CurrentPage = &fresh.page;
    cavix::Globals().HoleType = r.type;
    Spec s{.type = r.type,
           .thread = r.thread,
           .D = 10,
           .L = 25,
           .LT = 20,
           .P = 1.5,
           .A = 118,
           .T = 0.4,
           .Dr = 18,
           .Lc = 11,
           .Ar = 90};
    Make(s)->Create(fresh.hole);

    std::vector<std::string> expected = {
        "2:0=text:Zentrox", std::string("2:1=text:") + names[r.type], "2:2=text:",
        "1:0=i16:0",        "1:1=i16:" + std::to_string(r.type),      "1:2=i32:0",
        "1:5=i16:1"};
    if (r.thread) {
      for (auto s2 : {"1:6=i16:1", "1:11=f64:20", "1:12=f64:1.5", "1:9=f64:25"})
        expected.push_back(s2);
    } else {
      for (auto s2 : {"1:6=i16:0", "1:11=f64:25", "1:12=f64:0.40000000000000002"})
        expected.push_back(s2);
    }
    for (auto s2 : {"1:7=i16:0", "1:8=f64:118", "1:10=f64:10", "2:13=text:ISO 262",
                    r.thread ? "2:14=text:M10" : "2:14=text:10", "2:15=text:Simple.tab"})
      expected.push_back(s2);
    expected.insert(expected.end(), r.recessStores.begin(), r.recessStores.end());
    EXPECT_EQ(DataStores(fresh.log), expected);
    // Binding of the shape to the class.
    EXPECT_EQ(fresh.hole.holder.Get(25).First().Value(3), Variant(int32_t{5}));
    EXPECT_EQ(fresh.hole.holder.Get(25).First().Value(4), Variant(int32_t{5}));
    EXPECT_EQ(fresh.hole.holder.Get(43).First().Value(1),
              Variant("tag:Cavix." + std::string(names[r.type]) + ":0"));
  }
}

TEST_F(HoleTest, StoredParamsOfAThreadedHole) {
  auto& st = cavix::Globals().Stored;
  Create({.type = 1, .thread = true, .D = 10, .L = 25, .LT = 20, .P = 1.5});
  holes::HoleSimple().GetPartData(w.hole);
  EXPECT_EQ(st.holeType, 1);
  EXPECT_EQ(st.standardsTab, 1);
  EXPECT_EQ(st.threadFlag, 1);
  EXPECT_EQ(st.throughFlag, 0);
  EXPECT_EQ(st.length, 20);
  EXPECT_EQ(st.pitch, 1.5);
  EXPECT_EQ(st.lengthAfterThread, 5);
  EXPECT_EQ(st.standard, "ISO 262");
  EXPECT_EQ(st.sizeCode, "M10");

  Create({.type = 1, .thread = true, .D = 10, .L = 18, .LT = 20, .P = 1.5});
  holes::HoleSimple().GetPartData(w.hole);
  EXPECT_EQ(st.lengthAfterThread, -1);
}

TEST_F(HoleTest, UnthreadedRecreateKeepsOldDrilledLength) {
  Create({.type = 1, .thread = true, .D = 10, .L = 25, .LT = 20, .P = 1.5});
  Create({.type = 1, .thread = false, .D = 10, .L = 22, .T = 0.5});
  EXPECT_EQ(Slot(1, 6), Variant(int16_t{0}));
  EXPECT_EQ(Slot(1, 9), Variant(25.0));
  EXPECT_EQ(Slot(1, 11), Variant(22.0));
  EXPECT_EQ(Slot(1, 12), Variant(0.5));
  holes::HoleSimple().GetPartData(w.hole);
  EXPECT_EQ(cavix::Globals().Stored.lengthAfterThread, 3);
  // A fresh unthreaded hole never wrote slot 9: 0 - length is negative.
  fake::World other;
  cavix::Globals().CurrentPage = &other.page;
  Make({.type = 2, .L = 12, .Dr = 11, .Lc = 6.5})->Create(other.hole);
  holes::HoleCBore().GetPartData(other.hole);
  EXPECT_EQ(cavix::Globals().Stored.lengthAfterThread, -1);
  EXPECT_EQ(cavix::Globals().Stored.recessDiameter, 11);
  EXPECT_EQ(cavix::Globals().Stored.counterboreDepth, 6.5);
  EXPECT_FALSE(other.hole.HoleData().grouped.count({1, 18}));
}

TEST_F(HoleTest, ComponentsReusedOnSecondCreate) {
  Create({.type = 4, .D = 6.6, .L = 20, .Dr = 11, .Lc = 4, .Ar = 90});
  Create({.type = 2, .thread = true, .D = 8, .L = 20, .LT = 15, .P = 1.25, .Dr = 14, .Lc = 8});
  for (int type : {25, 34, 43}) EXPECT_EQ(w.hole.holder.Get(type).Count(), 1) << type;
  // Slots the counterbore does not write keep the counterdrill's values.
  EXPECT_EQ(Slot(1, 18), Variant(90.0));
  EXPECT_EQ(Slot(2, 1), Variant("HoleCBore"));
}

TEST_F(HoleTest, MissingRecordLeavesEverythingAlone) {
  cavix::Globals().Stored.standard = "kept";
  auto h = Make({.type = 3, .thread = true, .D = 7, .P = 1, .Dr = 3, .Ar = 80});
  h->SetTransferFlags(12345);
  h->GetPartData(w.hole);
  EXPECT_EQ(cavix::Globals().Stored.standard, "kept");
  EXPECT_FALSE(h->Initialize(w.hole));
  EXPECT_EQ(h->TransferFlags(), 12345);
  EXPECT_EQ(h->Diametro(), 7);
  EXPECT_EQ(w.hole.holder.Get(34).Count(), 0);
}

TEST_F(HoleTest, ThreadLoaderPerClass) {
  // Unthreaded: true with zeroed thread data, except the counterbore.
  const bool unthreadedResult[] = {true, false, true, true};
  for (int16_t type = 1; type <= 4; ++type) {
    SCOPED_TRACE(type);
    fake::World fw;
    cavix::Globals().CurrentPage = &fw.page;
    Make({.type = type, .through = true, .D = 6.6, .L = 20, .T = 0.2, .Dr = 11, .Lc = 4, .Ar = 90})
        ->Create(fw.hole);
    auto reader = Make({.type = type, .D = 99, .LT = 99, .P = 99, .Dr = 99, .Lc = 99, .Ar = 99});
    reader->SetisThrough(true);
    reader->SetTransferFlags(-7);
    EXPECT_EQ(reader->Initialize(fw.hole), unthreadedResult[type - 1]);
    EXPECT_EQ(reader->TransferFlags(), 0);
    EXPECT_EQ(reader->Diametro(), 0);
    EXPECT_EQ(reader->LungFiletto(), 0);
    EXPECT_EQ(reader->passoFiletto(), 0);
    EXPECT_FALSE(reader->isThrough());
    EXPECT_EQ(reader->Lunghezza(), 20);  // never loaded
    // Which recess values the loader knows: the counterbore only its depth.
    double depth, diameter, sink, angle, unused1, unused2;
    bool fin;
    reader->GetHoleInformation(true, fin, unused1, depth, diameter, sink, angle, unused2);
    if (type == 2) {
      EXPECT_EQ(depth, 0);
      EXPECT_EQ(diameter, 99);
    }
    if (type == 3) {
      EXPECT_EQ(sink, 0);
    }
    if (type == 4) {
      EXPECT_EQ(depth + diameter + angle, 0);
    }
  }
}

TEST(HoleObjects, FreshObjectsAndPlainFields) {
  for (int16_t type = 1; type <= 4; ++type) {
    auto h = holes::MakeHole(type);
    EXPECT_EQ(h->Kind().type, type);
    EXPECT_EQ(h->Diametro() + h->Lunghezza() + h->LungFiletto() + h->passoFiletto() +
                  h->angPunta() + h->HToll(),
              0);
    EXPECT_FALSE(h->isThread() || h->isThrough());
    EXPECT_EQ(h->Normativa() + h->Codice() + h->FileData() + h->Callout(), "");
    EXPECT_EQ(h->TransferFlags(), 0);
    h->SetDiametro(6.6);
    h->SetLunghezza(-3);
    h->SetTransferFlags(INT32_MIN);
    EXPECT_EQ(h->Diametro(), 6.6);
    EXPECT_EQ(h->Lunghezza(), -3);
    EXPECT_EQ(h->TransferFlags(), INT32_MIN);
  }
  try {
    holes::MakeHole(5);
    FAIL();
  } catch (const cavix::rt::Error& e) {
    EXPECT_EQ(e.Number(), 5);
  }
  holes::HoleCDrill d;
  d.SetRecess(1, 2, 3);
  EXPECT_EQ(d.DiamIncasso() + d.LungIncasso() + d.AngoloIncasso(), 6);
  holes::HoleCSink s;
  s.SetRecess(1, 2, 3);
  EXPECT_EQ(s.DiamIncasso() + s.AngoloIncasso(), 4);
}

}  // namespace
