#ifndef ENGINE_INCLUDE_CEF_MENU_MODEL_H_
#define ENGINE_INCLUDE_CEF_MENU_MODEL_H_

#include "include/cef_base.h"
#include "include/cef_unused_interfaces.h"

// An ordered list of menu items, each a command id with a label, or a separator.
class CefMenuModel : public virtual CefBaseRefCounted {
public:
    static CefRefPtr<CefMenuModel> CreateMenuModel(CefRefPtr<CefMenuModelDelegate> delegate);

    virtual int GetCount() = 0;
    virtual bool AddSeparator() = 0;
    virtual bool AddItem(int command_id, const CefString &label) = 0;
    virtual bool InsertSeparatorAt(int index) = 0;
    virtual bool InsertItemAt(int index, int command_id, const CefString &label) = 0;
    // Removes the first item with command_id; false when there is none.
    virtual bool Remove(int command_id) = 0;
    // Removes the item at index; false when index is out of range.
    virtual bool RemoveAt(int index) = 0;
    virtual int GetIndexOf(int command_id) = 0;
    // The command id at index, or -1 when index is out of range or names a separator.
    virtual int GetCommandIdAt(int index) = 0;
    virtual CefString GetLabel(int command_id) = 0;
    virtual CefString GetLabelAt(int index) = 0;
    virtual MenuItemType GetType(int command_id) = 0;
    virtual MenuItemType GetTypeAt(int index) = 0;
    virtual bool IsEnabled(int command_id) = 0;
    virtual bool SetEnabled(int command_id, bool enabled) = 0;
};

#endif  // ENGINE_INCLUDE_CEF_MENU_MODEL_H_
