#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "localization/translatable.h"

class QWidget;

namespace lintrove::app {

class QtComponent;

// A window is a top-level widget of kind window or dialog with an objectName: popups (menus),
// tool windows (floating docks and toolbars) and tool tips belong to a window, they are none.
bool IsTranslatableWindow(const QWidget& widget);

// One window of Qt's object tree as window translation sees it, for the time of one
// translation: its components are the named objects under it (widgets, actions, menus,
// toolbars, docks), but not the windows parented to it nor what lies under those, as they are
// translated on their own. Qt's own inner objects ("qt_…") are no components.
//
// Design properties by kind of Qt object:
//   Caption  the window title (of the window, a dock or a toolbar), else the text of a label,
//            button or action, the title of a group box or menu;
//   Hint     the tool tip, for an action its status tip as well;
//   Text     the text of a line edit, the plain text of a text edit;
//   Items    the items of a combo box, a string list;
//   Lines    the paragraphs of a text edit, a string list;
//   Columns  the header sections of a tree, table or header view, items with Caption and Text;
//   AccessibleName  the accessible name of a widget.
// An explicit accessible name equal to the text a record changes follows it.
class QtTranslatableWindow final : public TranslatableComponent {
 public:
  explicit QtTranslatableWindow(QWidget& window);
  ~QtTranslatableWindow() override;
  QtTranslatableWindow(const QtTranslatableWindow&) = delete;
  QtTranslatableWindow& operator=(const QtTranslatableWindow&) = delete;

  std::vector<Property> Properties() const override;
  void SetText(std::string_view property, std::string value) override;
  TranslatableObject* GetObject(std::string_view property) override;

  // TComponent … TForm, then T and the objectName: a language file's table for TForm applies
  // to every window before the window's own.
  std::vector<std::string> ClassChain() const override;
  std::string Name() const override;
  std::vector<TranslatableComponent*> Components() const override;

 private:
  std::unique_ptr<QtComponent> window_;
  std::vector<std::unique_ptr<QtComponent>> components_;
};

}  // namespace lintrove::app
