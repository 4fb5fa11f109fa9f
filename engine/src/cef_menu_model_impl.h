// A plain menu model: the items of one menu level, each a command with a label or a separator.
#ifndef ENGINE_SRC_CEF_MENU_MODEL_IMPL_H_
#define ENGINE_SRC_CEF_MENU_MODEL_IMPL_H_

#include <vector>

#include "include/cef_menu_model.h"

class CefMenuModelImpl : public CefMenuModel {
public:
    CefMenuModelImpl() = default;

    int GetCount() override { return static_cast<int>(items_.size()); }
    bool AddSeparator() override;
    bool AddItem(int command_id, const CefString &label) override;
    bool InsertSeparatorAt(int index) override;
    bool InsertItemAt(int index, int command_id, const CefString &label) override;
    bool Remove(int command_id) override;
    bool RemoveAt(int index) override;
    int GetIndexOf(int command_id) override;
    int GetCommandIdAt(int index) override;
    CefString GetLabel(int command_id) override { return GetLabelAt(GetIndexOf(command_id)); }
    CefString GetLabelAt(int index) override;
    MenuItemType GetType(int command_id) override { return GetTypeAt(GetIndexOf(command_id)); }
    MenuItemType GetTypeAt(int index) override;
    bool IsEnabled(int command_id) override;
    bool SetEnabled(int command_id, bool enabled) override;

private:
    // Separators carry this id, so no command lookup ever finds one.
    static constexpr int kSeparatorId = -1;

    struct Item {
        MenuItemType type;
        int command_id;
        CefString label;
        bool enabled;
    };

    bool ValidIndex(int index) const;
    bool Insert(int index, const Item &item);

    std::vector<Item> items_;

    IMPLEMENT_REFCOUNTING(CefMenuModelImpl);
};

#endif  // ENGINE_SRC_CEF_MENU_MODEL_IMPL_H_
