// `cavix drop --gui` and `cavix edit --gui` in-process, off screen: a user drives the window the
// command opens with the mouse and the keyboard, and the model file ends as the same steps played
// with --script leave it; Cancel on an edit leaves the file as it was.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMoveEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli.h"
#include "forms/qt/form_view.h"
#include "forms/qt/window_driver.h"
#include "tests/support/box_answerer.h"
#include "tests/support/install.h"
#include "tests/support/test_files.h"

namespace cavix::testing {
namespace {

using qtview::FormView;

class GuiCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteInstall(dir_.path);
    // The command reads the user's folders from the environment: this test's own.
    ::setenv("XDG_CONFIG_HOME", (dir_.path / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir_.path / "data").c_str(), 1);
    std::filesystem::create_directories(Prefs().parent_path());
  }

  // Runs `cavix args…` with the test install; `user` gets the first window the command opens.
  int Cavix(std::vector<std::string> args, const std::function<void(FormView&)>& user = {}) {
    args.insert(args.end(),
                {"--registry", dir_.File("cavix.reg"), "--settings", dir_.File("settings.ini")});
    bool served = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (served || !user) return;
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* view = dynamic_cast<FormView*>(w);
        if (!view || !view->isVisible()) continue;
        served = true;
        timer.stop();
        user(*view);
        return;
      }
    });
    timer.start(10);
    std::ostringstream out, err;
    const int rc = app::Run(args, out, err,
                            [](const auto& call) { return qtview::RunInWindows(call); });
    out_ = out.str();
    err_ = err.str();
    EXPECT_EQ(served, static_cast<bool>(user)) << err_;
    return rc;
  }

  std::string Show(const std::string& model) {
    EXPECT_EQ(Cavix({"show", model, "--json"}), 0) << err_;
    return out_;
  }

  std::string Script(const std::string& text) {
    return dir_.Write("steps" + std::to_string(++scripts_) + ".txt", text);
  }
  std::filesystem::path Prefs() const { return UserPrefs(dir_.path); }
  void ForgetPreferences() { std::filesystem::remove(Prefs()); }
  void WritePrefs(const std::string& text) { std::ofstream(Prefs(), std::ios::binary) << text; }

  static void Click(FormView& view, const char* name, int index = -1) {
    QWidget* w = view.WidgetOf(name, index);
    ASSERT_NE(w, nullptr) << name;
    QTest::mouseClick(w, Qt::LeftButton);
  }

  test::TempDir dir_{"cavix-qt-"};
  std::string out_, err_;
  int scripts_ = 0;
};

// Selects entry `text` of a drop-down list as a user does: a click, then the arrow keys.
void PickWithKeys(FormView& view, const char* control, const std::string& text) {
  auto* box = qobject_cast<QComboBox*>(view.WidgetOf(control));
  ASSERT_NE(box, nullptr);
  QTest::mouseClick(box, Qt::LeftButton);
  box->hidePopup();
  auto& list = view.Model().Get<forms::ComboBox>(control);
  const int target = box->findText(QString::fromStdString(text));
  ASSERT_GE(target, 0) << text;
  for (int guard = 0; list.ListIndex() != target && guard < 100; ++guard)
    QTest::keyClick(box, list.ListIndex() < target ? Qt::Key_Down : Qt::Key_Up);
  EXPECT_EQ(list.SelectedText(), text);
}

// Replaces the text of a field as a user does: a click, Home, Shift+End, then typing.
void TypeOver(FormView& view, const char* control, const char* keys) {
  auto* edit = qobject_cast<QLineEdit*>(view.WidgetOf(control));
  ASSERT_NE(edit, nullptr);
  QTest::mouseClick(edit, Qt::LeftButton);
  QTest::keyClick(edit, Qt::Key_Home);
  QTest::keyClick(edit, Qt::Key_End, Qt::ShiftModifier);
  QTest::keyClicks(edit, keys);
}

TEST_F(GuiCommands, AUsersSessionInTheWindowLeavesWhatTheSameScriptLeaves) {
  const std::string byHand = dir_.File("hand.json"), scripted = dir_.File("script.json");
  for (const std::string& model : {byHand, scripted}) ASSERT_EQ(Cavix({"new", model}), 0) << err_;
  ForgetPreferences();
  // Keyed picks, both separators typed, a refused value that holds the focus against OK and
  // Cancel, Enter for OK.
  std::vector<std::string> messages;
  auto byMouseAndKeys = [&](FormView& view) {
    BoxAnswerer boxes;
    Click(view, "OptHoleType", 1);
    PickWithKeys(view, "Normativa", "ISO 4762 / DIN 974-1 fine");
    PickWithKeys(view, "Misura", "10");
    TypeOver(view, "DiamIncasso", "17,5.5");  // the first separator is the region's
    TypeOver(view, "ProfIncasso", "0");
    const forms::Control& depth = view.Model().Get("ProfIncasso");
    for (const char* button : {"OKButton", "CancelButton"}) {
      Click(view, button);
      EXPECT_TRUE(view.Model().IsShown()) << button;
      EXPECT_EQ(view.ControlOf(view.focusWidget()), &depth) << button;
    }
    TypeOver(view, "ProfIncasso", "10,8");
    QTest::keyClick(view.focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(view.Model().IsShown());
    messages = boxes.texts;
  };
  ASSERT_EQ(Cavix({"drop", byHand, "--at", "50,30,20", "--gui"}, byMouseAndKeys), 0) << err_;
  EXPECT_EQ(messages, std::vector<std::string>(2, "This value must be greater than zero"));
  ForgetPreferences();
  ASSERT_EQ(Cavix({"drop", scripted, "--at", "50,30,20", "--script",
                   Script("click OptHoleType(1)\nselect Normativa ISO 4762 / DIN 974-1 fine\n"
                          "select Misura 10\ntext DiamIncasso \"\"\nkeys DiamIncasso 17,5.5\n"
                          "text ProfIncasso \"\"\nkeys ProfIncasso 10,8{ENTER}\n")}),
            0)
      << err_;
  EXPECT_EQ(Show(byHand), Show(scripted));
  EXPECT_NE(Show(byHand).find("17.55"), std::string::npos);  // the recess diameter as typed

  // Cancel on an edit leaves the file alone; OK rebuilds the hole (#2, after the block) as the
  // script does.
  const std::string before = test::Slurp(byHand);
  for (const char* button : {"CancelButton", "OKButton"}) {
    EXPECT_EQ(Cavix({"edit", byHand, "#2", "--gui"},
                    [button](FormView& view) {
                      Click(view, "TogglePassante");
                      Click(view, button);
                    }),
              0)
        << err_;
    EXPECT_EQ(test::Slurp(byHand) == before, std::string(button) == "CancelButton") << button;
  }
  ASSERT_EQ(Cavix({"edit", scripted, "#2", "--script",
                   Script("click TogglePassante\nclick OKButton\n")}),
            0)
      << err_;
  EXPECT_EQ(Show(byHand), Show(scripted));
}

// The window opens where the user last left it, even partly off screen; a kept position where
// its title bar cannot be grabbed (a monitor since unplugged, a hand-edited preferences file)
// opens it centred. Moves that are not the user's leave the kept position as it was.
TEST_F(GuiCommands, TheWindowReopensWhereTheUserLeftIt) {
  const std::string model = dir_.File("m.json");
  ASSERT_EQ(Cavix({"new", model}), 0) << err_;
  ForgetPreferences();
  QPoint reopened;
  auto look = [&](FormView& view) {
    reopened = view.pos();
    Click(view, "CancelButton");
  };
  auto moveTo = [&](std::function<QPoint(const FormView&)> where) {
    QPoint moved;
    EXPECT_EQ(Cavix({"drop", model, "--gui"},
                    [&](FormView& view) {
                      view.move(where(view));
                      QTest::qWait(50);
                      moved = view.pos();  // where the window system let it go
                      Click(view, "OKButton");
                    }),
              0)
        << err_;
    return moved;
  };
  // The placement lines (1 and 2) of the preferences, and what follows them.
  auto placement = [&] {
    const std::string prefs = test::Slurp(Prefs().string());
    const size_t second = prefs.find("\r\n", prefs.find("\r\n") + 2);
    EXPECT_NE(second, std::string::npos);
    return std::pair(prefs.substr(0, second), prefs.substr(second));
  };

  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  // Moved half off the left edge: it reopens there.
  const QPoint moved = moveTo([](const FormView& v) { return QPoint(-v.width() / 2, 100); });
  ASSERT_EQ(Cavix({"drop", model, "--gui"}, look), 0) << err_;
  EXPECT_EQ(reopened, moved);
  EXPECT_LT(reopened.x(), 0);
  // Dragged almost out of sight: it stays where it was let go, and reopens centred.
  const QPoint hidden = moveTo([](const FormView& v) { return QPoint(10 - v.width(), 100); });
  EXPECT_LT(hidden.x(), 0);
  ASSERT_EQ(Cavix({"drop", model, "--gui"}, look), 0) << err_;
  EXPECT_TRUE(screen.contains(reopened)) << reopened.x() << "," << reopened.y();

  // Twips that are no whole number of pixels survive a move event that is not the user's; a
  // position far off screen opens centred.
  WritePrefs(" 1234 \r\n 1234 " + placement().second);
  ASSERT_EQ(Cavix({"drop", model, "--gui"},
                  [](FormView& view) {
                    QMoveEvent same(view.pos(), view.pos());
                    QApplication::sendEvent(&view, &same);
                    Click(view, "OKButton");
                  }),
            0)
      << err_;
  EXPECT_EQ(placement().first, " 1234 \r\n 1234 ");
  WritePrefs("9999999\r\n-9999999" + placement().second);
  ASSERT_EQ(Cavix({"drop", model, "--gui"}, look), 0) << err_;
  EXPECT_TRUE(screen.contains(reopened)) << reopened.x() << "," << reopened.y();
}

}  // namespace
}  // namespace cavix::testing
