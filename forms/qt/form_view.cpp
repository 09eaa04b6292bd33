// The Qt view of a headless form: one widget per control, input forwarded to the form, widgets
// redrawn from the form's change notifications.
#include "forms/qt/form_view.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "forms/keys.h"
#include "forms/qt/pictures.h"

namespace cavix::qtview {

using forms::ControlKind;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A caret in code points (the form's unit) from one in UTF-16 units (Qt's), and back.
int CodePoints(const QString& text, int utf16) {
  return static_cast<int>(QStringView(text).left(utf16).toUcs4().size());
}
int Utf16Units(const std::string& utf8, int codePoints) {
  return static_cast<int>(
      QString::fromStdString(utf8.substr(0, forms::CharOffset(utf8, codePoints))).size());
}

bool IsTextKind(ControlKind k) { return k == ControlKind::TextBox || k == ControlKind::ComboBox; }

QLineEdit* EditOf(QWidget* w) {
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e;
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->lineEdit();
  return nullptr;
}

}  // namespace

FormView::FormView(forms::Form& form, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      form_(form),
      looks_(LooksOf(form.Name())) {
  setObjectName(Q(form.Name()));
  const int dpi = logicalDpiX();
  scale_ = (dpi > 0 ? dpi / 96.0 : 1.0) / kTwipsPerPixel;
  QFont f = font();
  f.setPointSizeF(kFormFontPoints);
  setFont(f);
  setWindowTitle(Q(form.Caption()));
  setFixedSize(ToPixels(form.ClientWidth()), ToPixels(form.ClientHeight()));
  Place();
  Build();
  SyncAll();
  form_.AddObserver(this);
  SyncFocus();
}

FormView::~FormView() {
  // QWidget's destructor closes the window, which moves the focus; an editable combo box losing
  // it reports "activated". By then this view is no longer a FormView, so nothing may answer.
  for (QObject* child : findChildren<QObject*>()) child->blockSignals(true);
  form_.RemoveObserver(this);
}

int FormView::ToPixels(int twips) const { return static_cast<int>(std::lround(twips * scale_)); }

QWidget* FormView::WidgetOf(const forms::Control& control) const {
  const auto it = widgets_.find(&control);
  return it == widgets_.end() ? nullptr : it->second;
}

QWidget* FormView::WidgetOf(std::string_view name, int index) const {
  const forms::Control* c = form_.Find(name, index);
  return c ? WidgetOf(*c) : nullptr;
}

forms::Control* FormView::ControlOf(const QWidget* widget) const {
  for (const QObject* o = widget; o && o != this; o = o->parent()) {
    const auto it = controls_.find(o);
    if (it != controls_.end()) return it->second;
  }
  return nullptr;
}

QRect FormView::ClientRect(const forms::Control& control) const {
  QRect r(ToPixels(control.Left()), ToPixels(control.Top()), ToPixels(control.Width()),
          ToPixels(control.Height()));
  for (const forms::Control* c = control.Container(); c; c = c->Container())
    r.translate(ToPixels(c->Left()), ToPixels(c->Top()));
  return r;
}

// ---- Building ----

void FormView::Build() {
  for (const auto& owned : form_.Controls()) {
    forms::Control& c = *owned;
    QWidget* parent = this;
    if (c.Container()) parent = WidgetOf(*c.Container());
    if (!parent) continue;
    QWidget* w = Create(c, parent);
    if (!w) continue;
    w->setObjectName(Q(c.FullName()));
    widgets_[&c] = w;
    Watch(w, c);
  }
  // Labels stay behind the other controls, whatever order they were added in.
  for (const auto& [c, w] : widgets_)
    if (c->Kind() == ControlKind::Label) w->lower();
  const std::vector<forms::Control*> order = form_.TabOrder();
  for (size_t i = 1; i < order.size(); ++i) {
    QWidget* a = WidgetOf(*order[i - 1]);
    QWidget* b = WidgetOf(*order[i]);
    if (a && b && a->window() == b->window()) setTabOrder(a, b);
  }
}

// One case per kind of control: a widget's set-up and the wiring of its signals read together, so
// the switch stays whole although it runs past a hundred lines.
QWidget* FormView::Create(forms::Control& c, QWidget* parent) {
  switch (c.Kind()) {
    case ControlKind::Label: {
      auto* l = new QLabel(parent);
      l->setTextFormat(Qt::PlainText);
      l->setWordWrap(true);
      l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return l;
    }
    case ControlKind::Frame: {
      auto* g = new QGroupBox(parent);
      g->setFocusPolicy(Qt::NoFocus);
      return g;
    }
    case ControlKind::TextBox: {
      auto* e = new QLineEdit(parent);
      // Text reaches the box only through its key press event or a replace the form sees.
      e->setContextMenuPolicy(Qt::NoContextMenu);
      e->setAcceptDrops(false);
      return e;
    }
    case ControlKind::CheckBox: {
      auto* b = new QCheckBox(parent);
      connect(b, &QCheckBox::clicked, this, [this, &c] {
        if (syncing_) return;
        Forward([&] { return form_.UserClick(c); });
        Sync(c);
      });
      return b;
    }
    case ControlKind::OptionButton: {
      auto& opt = static_cast<forms::OptionButton&>(c);
      QAbstractButton* b = nullptr;
      if (opt.PictureStyle()) {
        auto* t = new QToolButton(parent);
        t->setToolButtonStyle(Qt::ToolButtonIconOnly);
        t->setCheckable(true);
        b = t;
      } else {
        b = new QRadioButton(parent);
      }
      b->setAutoExclusive(false);
      const forms::Control* key = c.Container();
      QButtonGroup*& group = groups_[key];
      if (!group) {
        group = new QButtonGroup(this);
        group->setExclusive(true);
      }
      group->addButton(b);
      connect(b, &QAbstractButton::clicked, this, [this, &c, group] {
        if (syncing_) return;
        Forward([&] { return form_.UserClick(c); });
        for (QAbstractButton* other : group->buttons())
          if (forms::Control* oc = ControlOf(other)) Sync(*oc);
      });
      return b;
    }
    case ControlKind::CommandButton: {
      auto* b = new QPushButton(parent);
      b->setAutoDefault(false);
      connect(b, &QPushButton::clicked, this, [this, &c] {
        if (syncing_) return;
        Forward([&] { return form_.UserClick(c); });
      });
      return b;
    }
    case ControlKind::ComboBox:
    case ControlKind::DropDownList: {
      auto* box = new QComboBox(parent);
      if (c.Kind() == ControlKind::ComboBox) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
        box->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
        box->lineEdit()->setAcceptDrops(false);
      }
      auto& list = static_cast<forms::ComboBox&>(c);
      connect(box, &QComboBox::activated, this, [this, &list](int index) {
        // An editable combo box also reports "activated" when its text matches an entry as the
        // focus leaves it; only a pick in the box that has the focus is the user's.
        if (syncing_ || form_.ActiveControl() != &list) {
          Sync(list);
          return;
        }
        Forward([&] { return form_.UserSelect(list, index); });
        Sync(list);
      });
      return box;
    }
    case ControlKind::TabStrip: {
      auto* bar = new QTabBar(parent);
      bar->setExpanding(false);
      bar->setUsesScrollButtons(false);
      bar->setDrawBase(false);
      connect(bar, &QTabBar::currentChanged, this, [this, &c](int index) {
        if (syncing_ || index < 0) return;
        auto& strip = static_cast<forms::TabStrip&>(c);
        if (index != strip.Tab()) Forward([&] { return form_.UserClick(c, index); });
        Sync(c);
        SyncFocus();
      });
      return bar;
    }
    case ControlKind::ImageList:
      return nullptr;
  }
  return nullptr;
}

void FormView::Watch(QWidget* w, forms::Control& c) {
  controls_[w] = &c;
  w->installEventFilter(this);
  if (!c.IsFocusable()) w->setFocusPolicy(Qt::NoFocus);
  if (QLineEdit* edit = EditOf(w)) {
    if (edit != w) {
      controls_[edit] = &c;
      edit->installEventFilter(this);
    }
    // Edits the key press event does not see (Delete, a shortcut paste or cut, undo) reach the
    // form as a replaced text, the caret where the edit field left it.
    connect(edit, &QLineEdit::textEdited, this, [this, &c, edit](const QString& text) {
      if (syncing_) return;
      auto& box = static_cast<forms::TextBox&>(c);
      const int caret = CodePoints(text, edit->cursorPosition());
      Forward([&] {
        if (!form_.UserReplaceText(box, text.toStdString())) return false;
        box.SetSelection(caret, 0);
        return true;
      });
      Sync(c);
    });
  }
}

// ---- Redrawing from the form ----

void FormView::SyncAll() {
  for (const auto& owned : form_.Controls()) Sync(*owned);
}

QString FormView::CaptionText(const forms::Control& c) const {
  const auto it = looks_.find(c.FullName());
  if (it != looks_.end() && it->second.symbolFont) return Q(SymbolFontText(c.Caption()));
  return Q(c.Caption());
}

void FormView::ApplyFont(const forms::Control& c, QWidget* w) {
  const auto it = looks_.find(c.FullName());
  if (it == looks_.end()) return;
  QFont f = font();
  if (!it->second.family.empty()) f.setFamily(Q(it->second.family));
  if (it->second.points > 0) f.setPointSizeF(it->second.points);
  w->setFont(f);
}

void FormView::Sync(const forms::Control& c) {
  QWidget* w = WidgetOf(c);
  if (!w) return;
  ++syncing_;
  struct Done {
    int& n;
    ~Done() { --n; }
  } done{syncing_};

  w->setGeometry(ToPixels(c.Left()), ToPixels(c.Top()), ToPixels(c.Width()), ToPixels(c.Height()));
  w->setEnabled(c.Enabled());
  w->setHidden(!c.Visible());
  ApplyFont(c, w);

  switch (c.Kind()) {
    case ControlKind::Label:
      static_cast<QLabel*>(w)->setText(CaptionText(c));
      break;
    case ControlKind::Frame:
      static_cast<QGroupBox*>(w)->setTitle(CaptionText(c));
      break;
    case ControlKind::TextBox:
    case ControlKind::ComboBox:
    case ControlKind::DropDownList: {
      if (c.Kind() != ControlKind::TextBox) {
        auto& list = static_cast<const forms::ComboBox&>(c);
        auto* box = static_cast<QComboBox*>(w);
        bool same = box->count() == list.ListCount();
        for (int i = 0; same && i < list.ListCount(); ++i)
          same = box->itemText(i) == Q(list.List(i));
        if (!same) {
          box->clear();
          for (const forms::ListEntry& e : list.Entries()) box->addItem(Q(e.text));
        }
        if (box->currentIndex() != list.ListIndex()) box->setCurrentIndex(list.ListIndex());
      }
      if (QLineEdit* edit = EditOf(w)) {
        auto& tb = static_cast<const forms::TextBox&>(c);
        const QString text = Q(tb.Text());
        if (edit->text() != text) {
          edit->setText(text);
          const int start = Utf16Units(tb.Text(), tb.SelStart());
          const int length = Utf16Units(tb.Text(), tb.SelStart() + tb.SelLength()) - start;
          if (length > 0)
            edit->setSelection(start, length);
          else
            edit->setCursorPosition(start);
        }
      }
      break;
    }
    case ControlKind::CheckBox: {
      auto* b = static_cast<QCheckBox*>(w);
      const int v = static_cast<const forms::CheckBox&>(c).Value();
      b->setText(CaptionText(c));
      b->setTristate(v == 2);
      b->setCheckState(v == 0 ? Qt::Unchecked : v == 1 ? Qt::Checked : Qt::PartiallyChecked);
      break;
    }
    case ControlKind::OptionButton: {
      auto& opt = static_cast<const forms::OptionButton&>(c);
      auto* b = static_cast<QAbstractButton*>(w);
      if (!opt.PictureStyle()) b->setText(CaptionText(c));
      QButtonGroup* group = b->group();
      if (group) group->setExclusive(false);
      b->setChecked(opt.Value());
      if (group) group->setExclusive(true);
      SyncPicture(c, w);
      break;
    }
    case ControlKind::CommandButton: {
      auto* b = static_cast<QPushButton*>(w);
      b->setText(CaptionText(c));
      b->setDefault(static_cast<const forms::CommandButton&>(c).IsDefault());
      SyncPicture(c, w);
      break;
    }
    case ControlKind::TabStrip: {
      auto& strip = static_cast<const forms::TabStrip&>(c);
      auto* bar = static_cast<QTabBar*>(w);
      while (bar->count() < strip.Tabs()) bar->addTab(QString());
      while (bar->count() > strip.Tabs()) bar->removeTab(bar->count() - 1);
      for (int i = 0; i < strip.Tabs(); ++i) bar->setTabText(i, Q(strip.TabCaption(i)));
      bar->setCurrentIndex(strip.Tab());
      break;
    }
    case ControlKind::ImageList:
      break;
  }
}

void FormView::SyncPicture(const forms::Control& c, QWidget* w) {
  auto* b = qobject_cast<QAbstractButton*>(w);
  if (!b) return;
  const forms::ImageList* list = c.PictureList();
  const int number = list ? c.Picture() : 0;
  const std::string source = number > 0 ? list->Item(number).source : std::string();
  if (b->property("cavixPicture").toInt() == number &&
      b->property("cavixPictureSource").toString() == Q(source))
    return;
  b->setProperty("cavixPicture", number);
  b->setProperty("cavixPictureSource", Q(source));
  if (number == 0) {
    b->setIcon(QIcon());
    return;
  }
  // The picture fills the button inside its border.
  const int border = std::max(3, ToPixels(90));
  const QSize logical(std::max(1, ToPixels(c.Width()) - 2 * border),
                      std::max(1, ToPixels(c.Height()) - 2 * border));
  const qreal dpr = b->devicePixelRatioF();
  QImage image = LoadPicture(source, logical * dpr);
  QPixmap pm = QPixmap::fromImage(image);
  pm.setDevicePixelRatio(dpr);
  b->setIconSize(logical);
  b->setIcon(QIcon(pm));
}

void FormView::SyncFocus() {
  const forms::Control* active = form_.ActiveControl();
  if (!active) return;
  QWidget* w = WidgetOf(*active);
  if (!w || !w->isEnabled()) return;
  if (ControlOf(focusWidget()) == active &&
      (!isActiveWindow() || w->hasFocus() || (EditOf(w) && EditOf(w)->hasFocus())))
    return;
  focusing_ = true;
  w->setFocus(Qt::OtherFocusReason);
  focusing_ = false;
}

void FormView::FormChanged(const forms::Form&, const forms::Control* control, forms::Change what) {
  if (!control) {
    switch (what) {
      case forms::Change::Caption:
        setWindowTitle(Q(form_.Caption()));
        break;
      case forms::Change::Geometry:
        setFixedSize(ToPixels(form_.ClientWidth()), ToPixels(form_.ClientHeight()));
        if (!positioning_) Place();
        break;
      case forms::Change::Unloaded:
        if (!unloaded_) {
          unloaded_ = true;
          hide();
          if (onUnloaded_) onUnloaded_();
        }
        break;
      default:
        break;
    }
    return;
  }
  switch (what) {
    case forms::Change::Focus:
      SyncFocus();
      break;
    case forms::Change::Redraw:
      if (QWidget* w = WidgetOf(*control)) w->update();
      break;
    default:
      Sync(*control);
      break;
  }
}

// ---- The user's input ----

bool FormView::Forward(const std::function<bool()>& action) {
  // A message box shown by a handler runs its own event loop; what reaches the window meanwhile
  // (the focus coming back as the box closes) is not the user's input.
  if (forwarding_) return false;
  forwarding_ = true;
  bool done = false;
  try {
    done = action();
  } catch (...) {
    forwarding_ = false;
    if (errorSink_) errorSink_(std::current_exception());
    return false;
  }
  forwarding_ = false;
  return done;
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
  const auto it = controls_.find(watched);
  if (it == controls_.end() || unloaded_) return QWidget::eventFilter(watched, event);
  forms::Control& c = *it->second;
  auto* w = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::KeyPress:
      return OnKey(c, w, static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      return OnMousePress(c, w, static_cast<QMouseEvent*>(event));
    case QEvent::FocusIn: {
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      // A click gives the focus before the press arrives; the press asks the form (above).
      if (reason == Qt::MouseFocusReason)
        QTimer::singleShot(0, this, [this] { SyncFocus(); });
      else if (reason != Qt::PopupFocusReason)
        OnFocusIn(c);
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

bool FormView::OnMousePress(forms::Control& c, QWidget* w, QMouseEvent* e) {
  // Only the left button acts on a control (a middle-button paste would pass the key filter by).
  if (e->button() != Qt::LeftButton) return c.IsFocusable();
  if (!c.IsFocusable()) return false;
  if (c.Kind() == ControlKind::TabStrip) {
    const int tab = static_cast<QTabBar*>(w)->tabAt(e->position().toPoint());
    if (tab >= 0) Forward([&] { return form_.UserClick(c, tab); });
    Sync(c);
    SyncFocus();
    return true;
  }
  if (form_.ActiveControl() != &c) {
    // Moving the focus validates the control that has it; a refusal keeps the focus there and
    // the press never reaches the control (Cancel included).
    const bool moved = Forward([&] { return form_.UserFocus(c); });
    SyncFocus();
    if (!moved) return true;
  }
  return false;
}

void FormView::OnFocusIn(forms::Control& c) {
  if (focusing_ || syncing_ || form_.ActiveControl() == &c) return;
  if (forwarding_) {
    QTimer::singleShot(0, this, [this] { SyncFocus(); });
    return;
  }
  // The focus came by a way the form did not see (a mnemonic, the window system): ask the form.
  if (form_.CanFocus(c)) Forward([&] { return form_.UserFocus(c); });
  QTimer::singleShot(0, this, [this] { SyncFocus(); });
}

bool FormView::OnKey(forms::Control& c, QWidget* w, QKeyEvent* e) {
  const int key = e->key();
  const Qt::KeyboardModifiers mods = e->modifiers();
  if (key == Qt::Key_Tab && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
    Forward([&] { return form_.UserTab(); });
    SyncFocus();
    return true;
  }
  if (key == Qt::Key_Backtab) {
    Forward([&] { return BackTab(); });
    SyncFocus();
    return true;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Forward([&] { return form_.UserKey(c, forms::key::kEnter); });
    SyncFocus();
    return true;
  }
  if (key == Qt::Key_Escape) {
    Forward([&] { return form_.UserKey(c, forms::key::kEscape); });
    SyncFocus();
    return true;
  }
  if (!IsTextKind(c.Kind())) return false;

  auto& box = static_cast<forms::TextBox&>(c);
  QLineEdit* edit = EditOf(w);
  if (!edit) return false;
  // The form edits at its own caret: give it the edit field's caret and selection first.
  const auto pushSelection = [&] {
    const QString text = edit->text();
    if (edit->hasSelectedText()) {
      const int s = edit->selectionStart();
      const int start = CodePoints(text, s);
      box.SetSelection(start,
                       CodePoints(text, s + static_cast<int>(edit->selectedText().size())) - start);
    } else {
      box.SetSelection(CodePoints(text, edit->cursorPosition()), 0);
    }
  };

  if (key == Qt::Key_Backspace) {
    pushSelection();
    Forward([&] { return form_.UserKey(c, forms::key::kBackspace); });
    Sync(c);
    return true;
  }
  if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && key >= Qt::Key_A &&
      key <= Qt::Key_Z) {
    // Ctrl+letter arrives as its control code; when the key press event keeps it, the edit
    // field carries out the shortcut (copy, paste, cut, undo, select all).
    const auto original = static_cast<int16_t>(key - Qt::Key_A + 1);
    int16_t code = original;
    const bool focused = Forward([&] {
      if (!form_.UserFocus(c)) return false;
      c.RaiseKeyPress(code);
      return true;
    });
    if (!focused || code == 0) return true;
    if (code == original) return false;
    pushSelection();
    Forward([&] {
      box.ApplyKey(code);
      return true;
    });
    Sync(c);
    return true;
  }
  const QString text = e->text();
  if (!text.isEmpty() && text.at(0).isPrint() &&
      !(mods & (Qt::ControlModifier | Qt::MetaModifier))) {
    pushSelection();
    for (char32_t ch : text.toUcs4()) {
      const int16_t code = forms::AnsiCodeOf(ch);
      if (!Forward([&] { return form_.UserKey(c, code); })) break;
    }
    Sync(c);
    return true;
  }
  // Caret moves, Delete, Home, End: the edit field handles them (Delete reaches the form as an
  // edited text).
  return false;
}

bool FormView::BackTab() {
  const std::vector<forms::Control*> order = form_.TabOrder();
  if (order.empty()) return false;
  size_t at = order.size();
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] == form_.ActiveControl()) at = i;
  for (size_t k = 1; k <= order.size(); ++k) {
    forms::Control* cand = order[(at + order.size() * 2 - k) % order.size()];
    if (cand == form_.ActiveControl()) return false;
    if (form_.CanFocus(*cand)) return form_.UserFocus(*cand);
  }
  return false;
}

bool FormView::focusNextPrevChild(bool next) {
  Forward([&] { return next ? form_.UserTab() : BackTab(); });
  SyncFocus();
  return true;
}

namespace {

// A window at `at` can be grabbed when enough of its title bar lies on some screen.
bool Reachable(const QPoint& at, int width) {
  const QRect titleBar(at, QSize(width, 24));
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect seen = titleBar.intersected(screen->availableGeometry());
    if (seen.width() >= std::min(48, width) && seen.height() >= 8) return true;
  }
  return false;
}

}  // namespace

bool FormView::KeptPosition(QPoint& at) const {
  const double x = form_.Left() * scale_, y = form_.Top() * scale_;
  if (!(std::abs(x) < 1e6 && std::abs(y) < 1e6)) return false;  // NaN fails too
  at = QPoint(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
  return true;
}

void FormView::Place() {
  QPoint at;
  if (!KeptPosition(at) || !Reachable(at, width())) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    at = screen->availableGeometry().center() - QPoint(width() / 2, height() / 2);
  }
  if (pos() == at) return;
  positioning_ = true;
  move(at);
  positioning_ = false;
}

void FormView::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (positioning_ || !isVisible()) return;
  // Only a real move is recorded: pixels back to twips would otherwise round the kept position.
  QPoint kept;
  if (KeptPosition(kept) && kept == pos()) return;
  // Where the user put the window stands, even partly off screen: the form's change
  // notification must not send it back through Place.
  positioning_ = true;
  form_.SetPosition(static_cast<float>(pos().x() / scale_),
                    static_cast<float>(pos().y() / scale_));
  positioning_ = false;
}

void FormView::closeEvent(QCloseEvent* event) {
  if (!unloaded_) Forward([&] { return form_.UserClose(); });
  if (unloaded_)
    event->accept();
  else
    event->ignore();
}

}  // namespace cavix::qtview
