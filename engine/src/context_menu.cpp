#include "src/context_menu.h"

#include <QMenu>
#include <QWebEngineContextMenuRequest>

namespace {

struct Label {
    int command_id;
    const char *english;
    const char *chinese;
};

const Label kLabels[] = {
    {MENU_ID_BACK, "&Back", "返回(&B)"},
    {MENU_ID_FORWARD, "&Forward", "前进(&F)"},
    {MENU_ID_PRINT, "&Print...", "打印(&P)..."},
    {MENU_ID_VIEW_SOURCE, "View s&ource", "查看网页源代码(&O)"},
    {MENU_ID_UNDO, "&Undo", "撤消(&U)"},
    {MENU_ID_REDO, "&Redo", "重做(&R)"},
    {MENU_ID_CUT, "Cu&t", "剪切(&T)"},
    {MENU_ID_COPY, "&Copy", "复制(&C)"},
    {MENU_ID_PASTE, "&Paste", "粘贴(&P)"},
    {MENU_ID_DELETE, "&Delete", "删除(&D)"},
    {MENU_ID_SELECT_ALL, "Select &all", "全选(&A)"},
};

CefString labelOf(int command_id, bool chinese) {
    for (const Label &label : kLabels) {
        if (label.command_id == command_id) {
            return CefString(chinese ? label.chinese : label.english);
        }
    }
    return CefString();
}

}  // namespace

void fillDefaultContextMenu(CefMenuModel &model, TypeFlags type_flags, int edit_flags,
                            bool can_go_back, bool can_go_forward, const QString &language) {
    const bool chinese = language.startsWith(QLatin1String("zh"), Qt::CaseInsensitive);
    auto add = [&](int command_id, bool enabled) {
        model.AddItem(command_id, labelOf(command_id, chinese));
        model.SetEnabled(command_id, enabled);
    };
    if (type_flags & CM_TYPEFLAG_EDITABLE) {
        add(MENU_ID_UNDO, edit_flags & QWebEngineContextMenuRequest::CanUndo);
        add(MENU_ID_REDO, edit_flags & QWebEngineContextMenuRequest::CanRedo);
        model.AddSeparator();
        add(MENU_ID_CUT, edit_flags & QWebEngineContextMenuRequest::CanCut);
        add(MENU_ID_COPY, edit_flags & QWebEngineContextMenuRequest::CanCopy);
        add(MENU_ID_PASTE, edit_flags & QWebEngineContextMenuRequest::CanPaste);
        add(MENU_ID_DELETE, edit_flags & QWebEngineContextMenuRequest::CanDelete);
        model.AddSeparator();
        add(MENU_ID_SELECT_ALL, edit_flags & QWebEngineContextMenuRequest::CanSelectAll);
    } else if (type_flags & CM_TYPEFLAG_SELECTION) {
        add(MENU_ID_COPY, true);
    } else if (type_flags & (CM_TYPEFLAG_PAGE | CM_TYPEFLAG_FRAME)) {
        add(MENU_ID_BACK, can_go_back);
        add(MENU_ID_FORWARD, can_go_forward);
        model.AddSeparator();
        add(MENU_ID_PRINT, true);
        add(MENU_ID_VIEW_SOURCE, true);
    }
}

QMenu *createContextMenu(CefMenuModel &model, QWidget *parent) {
    if (model.GetCount() <= 0) {
        return nullptr;
    }
    QMenu *menu = new QMenu(parent);
    for (int index = 0; index < model.GetCount(); ++index) {
        if (model.GetTypeAt(index) == MENUITEMTYPE_SEPARATOR) {
            menu->addSeparator();
            continue;
        }
        const int command_id = model.GetCommandIdAt(index);
        QAction *action =
            menu->addAction(QString::fromStdU16String(model.GetLabelAt(index).ToString16()));
        action->setData(command_id);
        action->setEnabled(model.IsEnabled(command_id));
    }
    return menu;
}
