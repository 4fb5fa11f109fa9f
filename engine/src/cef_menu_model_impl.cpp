#include "src/cef_menu_model_impl.h"

CefRefPtr<CefMenuModel> CefMenuModel::CreateMenuModel(CefRefPtr<CefMenuModelDelegate>) {
    return new CefMenuModelImpl;
}

bool CefMenuModelImpl::ValidIndex(int index) const {
    return index >= 0 && index < static_cast<int>(items_.size());
}

bool CefMenuModelImpl::Insert(int index, const Item &item) {
    if (index < 0 || index > static_cast<int>(items_.size())) {
        return false;
    }
    items_.insert(items_.begin() + index, item);
    return true;
}

bool CefMenuModelImpl::AddSeparator() {
    return InsertSeparatorAt(GetCount());
}

bool CefMenuModelImpl::AddItem(int command_id, const CefString &label) {
    return InsertItemAt(GetCount(), command_id, label);
}

bool CefMenuModelImpl::InsertSeparatorAt(int index) {
    return Insert(index, {MENUITEMTYPE_SEPARATOR, kSeparatorId, CefString(), true});
}

bool CefMenuModelImpl::InsertItemAt(int index, int command_id, const CefString &label) {
    if (command_id == kSeparatorId) {
        return false;
    }
    return Insert(index, {MENUITEMTYPE_COMMAND, command_id, label, true});
}

bool CefMenuModelImpl::Remove(int command_id) {
    return RemoveAt(GetIndexOf(command_id));
}

bool CefMenuModelImpl::RemoveAt(int index) {
    if (!ValidIndex(index)) {
        return false;
    }
    items_.erase(items_.begin() + index);
    return true;
}

int CefMenuModelImpl::GetIndexOf(int command_id) {
    if (command_id == kSeparatorId) {
        return -1;
    }
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].command_id == command_id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CefMenuModelImpl::GetCommandIdAt(int index) {
    return ValidIndex(index) ? items_[index].command_id : kSeparatorId;
}

CefString CefMenuModelImpl::GetLabelAt(int index) {
    return ValidIndex(index) ? items_[index].label : CefString();
}

MenuItemType CefMenuModelImpl::GetTypeAt(int index) {
    return ValidIndex(index) ? items_[index].type : MENUITEMTYPE_NONE;
}

bool CefMenuModelImpl::IsEnabled(int command_id) {
    const int index = GetIndexOf(command_id);
    return ValidIndex(index) && items_[index].enabled;
}

bool CefMenuModelImpl::SetEnabled(int command_id, bool enabled) {
    const int index = GetIndexOf(command_id);
    if (!ValidIndex(index)) {
        return false;
    }
    items_[index].enabled = enabled;
    return true;
}
