#include "app/qt_translation_adapter.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeView>
#include <functional>
#include <optional>

namespace lintrove::app {
namespace {

using PropertyType = TranslatableObject::PropertyType;

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

// A design text on a Qt object: how to read it and how to set it.
struct TextAccess {
  std::function<QString()> get;
  std::function<void(const QString&)> set;
};

template <typename T>
TextAccess Access(T* object, QString (T::*get)() const, void (T::*set)(const QString&)) {
  return {[object, get] { return (object->*get)(); },
          [object, set](const QString& text) { (object->*set)(text); }};
}

// The tab widget whose page the widget is: a page's caption is its tab's text.
QTabWidget* TabsShowing(QWidget& page) {
  QWidget* stack = page.parentWidget();
  auto* tabs = stack != nullptr ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
  return tabs != nullptr && tabs->indexOf(&page) >= 0 ? tabs : nullptr;
}

std::optional<TextAccess> CaptionOf(QObject& object, bool is_window) {
  if (auto* page = qobject_cast<QWidget*>(&object)) {
    if (QTabWidget* tabs = TabsShowing(*page)) {
      return TextAccess{
          [tabs, page] { return tabs->tabText(tabs->indexOf(page)); },
          [tabs, page](const QString& text) { tabs->setTabText(tabs->indexOf(page), text); }};
    }
  }
  if (auto* widget = qobject_cast<QWidget*>(&object);
      widget &&
      (is_window || qobject_cast<QDockWidget*>(widget) || qobject_cast<QToolBar*>(widget))) {
    return Access(widget, &QWidget::windowTitle, &QWidget::setWindowTitle);
  }
  if (auto* label = qobject_cast<QLabel*>(&object)) {
    return Access(label, &QLabel::text, &QLabel::setText);
  }
  if (auto* button = qobject_cast<QAbstractButton*>(&object)) {
    return Access(button, &QAbstractButton::text, &QAbstractButton::setText);
  }
  if (auto* group = qobject_cast<QGroupBox*>(&object)) {
    return Access(group, &QGroupBox::title, &QGroupBox::setTitle);
  }
  if (auto* menu = qobject_cast<QMenu*>(&object)) {
    return Access(menu, &QMenu::title, &QMenu::setTitle);
  }
  if (auto* action = qobject_cast<QAction*>(&object)) {
    return Access(action, &QAction::text, &QAction::setText);
  }
  return std::nullopt;
}

std::optional<TextAccess> HintOf(QObject& object) {
  if (auto* action = qobject_cast<QAction*>(&object)) {
    // The status bar shows the hint of the action under the mouse as well.
    return TextAccess{[action] { return action->toolTip(); },
                      [action](const QString& text) {
                        action->setToolTip(text);
                        action->setStatusTip(text);
                      }};
  }
  if (auto* widget = qobject_cast<QWidget*>(&object)) {
    return Access(widget, &QWidget::toolTip, &QWidget::setToolTip);
  }
  return std::nullopt;
}

// Not a property of the design, but a text a screen reader speaks: a language file translates
// a name set apart from any text.
std::optional<TextAccess> AccessibleNameOf(QObject& object) {
  if (auto* widget = qobject_cast<QWidget*>(&object)) {
    return Access(widget, &QWidget::accessibleName, &QWidget::setAccessibleName);
  }
  return std::nullopt;
}

std::optional<TextAccess> TextOf(QObject& object) {
  if (auto* edit = qobject_cast<QLineEdit*>(&object)) {
    return Access(edit, &QLineEdit::text, &QLineEdit::setText);
  }
  if (auto* edit = qobject_cast<QTextEdit*>(&object)) {
    return Access(edit, &QTextEdit::toPlainText, &QTextEdit::setPlainText);
  }
  if (auto* edit = qobject_cast<QPlainTextEdit*>(&object)) {
    return Access(edit, &QPlainTextEdit::toPlainText, &QPlainTextEdit::setPlainText);
  }
  return std::nullopt;
}

// String lists and collections hold no properties of their own; their lines and items are
// reached by index.
class IndexedObject : public TranslatableObject {
 public:
  std::vector<Property> Properties() const override { return {}; }
  void SetText(std::string_view, std::string) override {}
  TranslatableObject* GetObject(std::string_view) override { return nullptr; }
};

class ComboItems final : public IndexedObject {
 public:
  explicit ComboItems(QComboBox& combo) : combo_(combo) {}
  std::optional<int> LineCount() const override { return combo_.count(); }
  void SetLine(int index, std::string value) override {
    combo_.setItemText(index, ToQString(value));
  }

 private:
  QComboBox& combo_;
};

// The look of a line's new text: a line of one look keeps it (a bold heading, an address);
// the emphasis of some words cannot be laid onto the translated ones, so a line of mixed
// looks takes its paragraph's.
QTextCharFormat LineFormat(const QTextBlock& line) {
  QTextBlock::iterator fragment = line.begin();
  if (fragment.atEnd()) return line.charFormat();
  const QTextCharFormat first = fragment.fragment().charFormat();
  for (++fragment; !fragment.atEnd(); ++fragment) {
    if (fragment.fragment().charFormat() != first) return line.charFormat();
  }
  return first;
}

// The lines of a text edit are its paragraphs.
class DocumentLines final : public IndexedObject {
 public:
  explicit DocumentLines(QTextDocument& document) : document_(document) {}
  // An empty editor has no line, as an empty memo has none; Qt still counts one block.
  std::optional<int> LineCount() const override {
    return document_.isEmpty() ? 0 : document_.blockCount();
  }
  void SetLine(int index, std::string value) override {
    const QTextBlock line = document_.findBlockByNumber(index);
    QTextCursor cursor(line);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(ToQString(value), LineFormat(line));
  }

 private:
  QTextDocument& document_;
};

QTextDocument* DocumentOf(QObject& object) {
  if (auto* edit = qobject_cast<QTextEdit*>(&object)) return edit->document();
  if (auto* edit = qobject_cast<QPlainTextEdit*>(&object)) return edit->document();
  return nullptr;
}

// One header section. A model that keeps no header texts of its own (one that does not
// implement setHeaderData) keeps its texts: that is the model's choice, not the language
// file's fault.
class HeaderColumn final : public TranslatableObject {
 public:
  HeaderColumn(QHeaderView& header, int section) : header_(header), section_(section) {}
  std::vector<Property> Properties() const override {
    return {{"Caption", PropertyType::Text, true},
            {"Text", PropertyType::Text, true},
            {"Width", PropertyType::Other, true}};
  }
  void SetText(std::string_view, std::string value) override {
    header_.model()->setHeaderData(section_, header_.orientation(), ToQString(value));
  }
  TranslatableObject* GetObject(std::string_view) override { return nullptr; }

 private:
  QHeaderView& header_;
  int section_;
};

class HeaderColumns final : public IndexedObject {
 public:
  explicit HeaderColumns(QHeaderView& header) {
    for (int section = 0; section < header.count(); ++section) {
      columns_.push_back(std::make_unique<HeaderColumn>(header, section));
    }
  }
  std::optional<int> ItemCount() const override { return static_cast<int>(columns_.size()); }
  TranslatableObject* Item(int index) override {
    return columns_.at(static_cast<std::size_t>(index)).get();
  }

 private:
  std::vector<std::unique_ptr<HeaderColumn>> columns_;
};

QHeaderView* HeaderOf(QObject& object) {
  if (auto* header = qobject_cast<QHeaderView*>(&object)) return header;
  if (auto* tree = qobject_cast<QTreeView*>(&object)) return tree->header();
  if (auto* table = qobject_cast<QTableView*>(&object)) return table->horizontalHeader();
  return nullptr;
}

bool IsForm(const QWidget& widget) {
  const Qt::WindowType type = widget.windowType();
  return type == Qt::Window || type == Qt::Dialog || type == Qt::Sheet;
}

}  // namespace

// Any named object of a window, or the window itself.
class QtComponent final : public TranslatableComponent {
 public:
  QtComponent(QObject& object, bool is_window) : object_(object) {
    for (auto [name, access] :
         {std::pair{"Caption", CaptionOf(object, is_window)}, std::pair{"Hint", HintOf(object)},
          std::pair{"Text", TextOf(object)},
          std::pair{"AccessibleName", AccessibleNameOf(object)}}) {
      if (access) texts_.push_back({name, std::move(*access)});
    }
    if (auto* combo = qobject_cast<QComboBox*>(&object)) {
      objects_.push_back({"Items", std::make_unique<ComboItems>(*combo)});
    }
    if (QTextDocument* document = DocumentOf(object)) {
      objects_.push_back({"Lines", std::make_unique<DocumentLines>(*document)});
    }
    if (QHeaderView* header = HeaderOf(object)) {
      objects_.push_back({"Columns", std::make_unique<HeaderColumns>(*header)});
    }
  }

  std::vector<Property> Properties() const override {
    // The name is read-only: a language file must not rename what the program looks up.
    std::vector<Property> properties{{"Name", PropertyType::Text, false}};
    for (const NamedText& text : texts_) {
      properties.push_back({std::string(text.name), PropertyType::Text, true});
    }
    for (const NamedObject& object : objects_) {
      properties.push_back({std::string(object.name), PropertyType::Object, true});
    }
    for (const char* other : {"Left", "Top", "Width", "Height", "Enabled", "Visible"}) {
      properties.push_back({other, PropertyType::Other, true});
    }
    return properties;
  }

  void SetText(std::string_view property, std::string value) override {
    for (const NamedText& text : texts_) {
      if (text.name != property) continue;
      const QString translated = ToQString(value);
      // An accessible name set to the text itself goes with it; one of its own stays.
      auto* widget = qobject_cast<QWidget*>(&object_);
      const bool name_follows = widget && !widget->accessibleName().isEmpty() &&
                                widget->accessibleName() == text.access.get();
      text.access.set(translated);
      if (name_follows) widget->setAccessibleName(translated);
      return;
    }
  }

  TranslatableObject* GetObject(std::string_view property) override {
    for (const NamedObject& object : objects_) {
      if (object.name == property) return object.value.get();
    }
    return nullptr;
  }

  // Only a window's class chain picks tables.
  std::vector<std::string> ClassChain() const override { return {"TComponent"}; }
  std::string Name() const override { return object_.objectName().toStdString(); }
  std::vector<TranslatableComponent*> Components() const override { return {}; }

 private:
  struct NamedText {
    std::string_view name;
    TextAccess access;
  };
  struct NamedObject {
    std::string_view name;
    std::unique_ptr<TranslatableObject> value;
  };

  QObject& object_;
  std::vector<NamedText> texts_;
  std::vector<NamedObject> objects_;
};

namespace {

void AddComponents(QObject& parent, std::vector<std::unique_ptr<QtComponent>>& components) {
  for (QObject* child : parent.children()) {
    if (auto* widget = qobject_cast<QWidget*>(child); widget && IsForm(*widget)) continue;
    const QString name = child->objectName();
    if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) {
      components.push_back(std::make_unique<QtComponent>(*child, false));
    }
    // Qt's inner objects (a scroll area's viewport) hold the window's own widgets.
    AddComponents(*child, components);
  }
}

}  // namespace

bool IsTranslatableWindow(const QWidget& widget) {
  return IsForm(widget) && !widget.objectName().isEmpty();
}

QtTranslatableWindow::QtTranslatableWindow(QWidget& window)
    : window_(std::make_unique<QtComponent>(window, true)) {
  AddComponents(window, components_);
}

QtTranslatableWindow::~QtTranslatableWindow() = default;

std::vector<TranslatableObject::Property> QtTranslatableWindow::Properties() const {
  return window_->Properties();
}

void QtTranslatableWindow::SetText(std::string_view property, std::string value) {
  window_->SetText(property, std::move(value));
}

TranslatableObject* QtTranslatableWindow::GetObject(std::string_view property) {
  return window_->GetObject(property);
}

std::vector<std::string> QtTranslatableWindow::ClassChain() const {
  return {"TComponent",  "TControl", "TWinControl", "TScrollingWinControl",
          "TCustomForm", "TForm",    "T" + Name()};
}

std::string QtTranslatableWindow::Name() const { return window_->Name(); }

std::vector<TranslatableComponent*> QtTranslatableWindow::Components() const {
  std::vector<TranslatableComponent*> components;
  components.reserve(components_.size());
  for (const auto& component : components_) components.push_back(component.get());
  return components;
}

}  // namespace lintrove::app
