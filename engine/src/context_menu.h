// The engine's own context menu: the default items for what was clicked, and the menu widget
// that shows a model.
#ifndef ENGINE_SRC_CONTEXT_MENU_H_
#define ENGINE_SRC_CONTEXT_MENU_H_

#include <QString>

#include "include/cef_menu_model.h"

class QMenu;
class QWidget;

// Appends the default items: the editing commands for an editable field, Copy for a text
// selection, otherwise back, forward, print and view source. edit_flags are
// QWebEngineContextMenuRequest::EditFlags; labels follow language ("zh-CN", "en-US", ...).
void fillDefaultContextMenu(CefMenuModel &model, TypeFlags type_flags, int edit_flags,
                            bool can_go_back, bool can_go_forward, const QString &language);

// A popup menu with the model's items, each action carrying its command id as data; nullptr for
// an empty model.
QMenu *createContextMenu(CefMenuModel &model, QWidget *parent);

#endif  // ENGINE_SRC_CONTEXT_MENU_H_
