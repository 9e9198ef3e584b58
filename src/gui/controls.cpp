#include "gui/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QHBoxLayout>

#include <QValidator>

#include <optional>

#include "base/utf8.h"

namespace zarvo::gui {

QString Q(const std::string& s) {
  if (IsValidUtf8(s)) return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
  const std::u16string text = BytesToUtf16(s);
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::string S(const QString& s) {
  return Utf16ToBytes(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())));
}

RadioGroup::RadioGroup(const QString& name, const QString& caption, const QStringList& items,
                       Qt::Orientation orientation, QWidget* parent)
    : QGroupBox(caption, parent) {
  setObjectName(name);
  QBoxLayout* box = orientation == Qt::Vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(this))
                                                : static_cast<QBoxLayout*>(new QHBoxLayout(this));
  box->setContentsMargins(8, 4, 8, 4);
  box->setSpacing(orientation == Qt::Vertical ? 2 : 12);
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setObjectName(name + "_" + QString::number(i));
    group_.addButton(b, i);
    box->addWidget(b);
  }
  if (orientation == Qt::Horizontal) box->addStretch(1);
  connect(&group_, &QButtonGroup::idToggled, this, [this](int id, bool on) {
    if (on) Q_EMIT itemChanged(id);
  });
}

void RadioGroup::setItemIndex(int index) {
  if (QAbstractButton* b = group_.button(index)) b->setChecked(true);
}

void RadioGroup::setItemText(int index, const QString& text) {
  if (QAbstractButton* b = group_.button(index)) b->setText(text);
}

QPushButton* NamedButton(const QString& name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  return b;
}

QLabel* NamedLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

QGroupBox* NamedGroup(const QString& name, const QString& caption, QWidget* parent) {
  auto* g = new QGroupBox(caption, parent);
  g->setObjectName(name);
  return g;
}

namespace {

class KeyFilter : public QObject {
 public:
  KeyFilter(QLineEdit* edit, std::function<std::optional<char>(char)> filter)
      : QObject(edit), filter_(std::move(filter)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Backspace) return false;
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
      return false;  // keys that type nothing: navigation, shortcuts
    const char16_t c = text[0].unicode();
    std::optional<char> out = c < 0x80 ? filter_(static_cast<char>(c)) : std::nullopt;
    if (out && *out != static_cast<char>(c)) {
      static_cast<QLineEdit*>(watched)->insert(QString(QChar(*out)));
      return true;
    }
    return !out;  // a dropped key goes nowhere
  }

 private:
  std::function<std::optional<char>(char)> filter_;
};

}  // namespace

void InstallKeyFilter(QLineEdit* edit, std::function<std::optional<char>(char)> filter) {
  edit->installEventFilter(new KeyFilter(edit, std::move(filter)));
}

namespace {

// Refuses an edit that makes the text longer than the limit, unless the text was longer
// already (set from the settings file): deleting from such a text still works.
class TypingLimit : public QValidator {
 public:
  TypingLimit(QLineEdit* edit, int limit) : QValidator(edit), limit_(limit), before_(edit->text().size()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { before_ = t.size(); });
  }
  State validate(QString& input, int&) const override {
    return input.size() > limit_ && input.size() > before_ ? Invalid : Acceptable;
  }

 private:
  int limit_;
  qsizetype before_;
};

}  // namespace

void LimitTyping(QLineEdit* edit, int limit) { edit->setValidator(new TypingLimit(edit, limit)); }

bool ApplyToControl(QWidget* root, const ControlAssignment& a) {
  QWidget* w = root->findChild<QWidget*>(Q(a.control));
  if (w == nullptr) return false;
  const std::string* text = std::get_if<std::string>(&a.value);
  const int64_t* num = std::get_if<int64_t>(&a.value);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    if (text == nullptr) return false;
    if (edit->text() != Q(*text)) {
      // The file's text is kept whole: what limits typing does not cut it.
      const QValidator* typing = edit->validator();
      edit->setValidator(nullptr);
      edit->setText(Q(*text));
      edit->setValidator(typing);
    }
    return true;
  }
  if (auto* check = qobject_cast<QCheckBox*>(w)) {
    if (num == nullptr) return false;
    check->setChecked(*num != 0);
    return true;
  }
  if (auto* radio = qobject_cast<RadioGroup*>(w)) {
    if (num == nullptr) return false;
    radio->setItemIndex(static_cast<int>(*num));
    return true;
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    if (num != nullptr) {
      if (*num < 0 || *num >= combo->count()) return false;
      combo->setCurrentIndex(static_cast<int>(*num));
      return true;
    }
    if (combo->currentText() != Q(*text)) combo->setCurrentText(Q(*text));
    return true;
  }
  return false;
}

namespace {

template <typename W>
W* Find(QWidget* root, const std::string& name) {
  return root->findChild<W*>(Q(name));
}

std::string Text(QWidget* root, const std::string& name) {
  if (auto* e = Find<QLineEdit>(root, name)) return S(e->text());
  if (auto* c = Find<QComboBox>(root, name)) return S(c->currentText());
  return {};
}

bool Checked(QWidget* root, const std::string& name) {
  auto* c = Find<QCheckBox>(root, name);
  return c != nullptr && c->isChecked();
}

int Item(QWidget* root, const std::string& name) {
  if (auto* r = Find<RadioGroup>(root, name)) return r->itemIndex();
  if (auto* c = Find<QComboBox>(root, name)) return c->currentIndex();
  return -1;
}

}  // namespace

ControlValues ReadControls(QWidget* root) {
  ControlValues v;
  v.confirmCheck = Checked(root, "Confirm_check");
  v.resetCheck = Checked(root, "Reset_Check");
  for (int d = 0; d < 4; ++d) {
    const std::string n = std::to_string(d + 1);
    PanelControls& p = v.panels[static_cast<size_t>(d)];
    p.check = Checked(root, "Win_check_" + n);
    p.icType = Item(root, "Win_Type_" + n);
    p.dataSet = Item(root, "Win_set_" + n);
    p.source = Text(root, "Win_Source_" + n);
    p.sum = Text(root, "Win_sum_" + n);
    p.startAddr = Text(root, "Win_addr_" + n);
  }
  v.workFileBat = Text(root, "work_file_bat");
  v.batFileName = Text(root, "BatFileName");
  v.sendtoOption = Item(root, "Sendto_option");
  v.sendtoPath = Item(root, "Sendto_path");
  v.watchFileOption = Item(root, "WatchFile_option");
  v.watchFileSource = Item(root, "WatchFile_source");
  v.deviceFile = Text(root, "DeviceFile");
  v.langSel = Text(root, "Lang_Sel");
  v.setSignal = Item(root, "SetSignal");
  v.resetOption = Item(root, "Reset_Option");
  v.delayTime = Text(root, "DelayTime");
  v.messageSwitch = Checked(root, "Message_Switch");
  return v;
}

QStringList FileDialogFilters(const QStringList& filters) {
  QStringList out;
  for (const QString& f : filters) {
    const qsizetype open = f.lastIndexOf('(');
    const qsizetype close = f.lastIndexOf(')');
    QString patterns = open >= 0 && close > open ? f.mid(open + 1, close - open - 1).trimmed() : QString("*");
    QStringList each = patterns.split(' ', Qt::SkipEmptyParts);
    for (QString& p : each)
      if (p == "*.*") p = "*";
    out << f.trimmed() + " (" + each.join(' ') + ")";
  }
  return out;
}

void NameTabPage(QTabWidget* tabs, int index) {
  if (QWidget* page = tabs->widget(index)) page->setAccessibleName(QString(tabs->tabText(index)).remove('&').trimmed());
}

bool OwnEnabled(const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }

}  // namespace zarvo::gui
