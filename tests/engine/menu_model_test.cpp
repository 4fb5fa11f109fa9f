#include <gtest/gtest.h>

#include "include/cef_menu_model.h"

namespace {

CefRefPtr<CefMenuModel> standardMenu() {
    CefRefPtr<CefMenuModel> model = CefMenuModel::CreateMenuModel(nullptr);
    model->AddItem(MENU_ID_BACK, "后退");
    model->AddItem(MENU_ID_FORWARD, "前进");
    model->AddSeparator();
    model->AddItem(MENU_ID_PRINT, "打印");
    return model;
}

TEST(MenuModel, ItemsKeepTheirOrderIdsLabelsAndTypes) {
    CefRefPtr<CefMenuModel> model = standardMenu();
    ASSERT_EQ(model->GetCount(), 4);
    EXPECT_EQ(model->GetCommandIdAt(0), MENU_ID_BACK);
    EXPECT_EQ(model->GetCommandIdAt(2), -1);
    EXPECT_EQ(model->GetTypeAt(2), MENUITEMTYPE_SEPARATOR);
    EXPECT_EQ(model->GetType(MENU_ID_PRINT), MENUITEMTYPE_COMMAND);
    EXPECT_EQ(model->GetLabel(MENU_ID_FORWARD).ToString(), "前进");
    EXPECT_EQ(model->GetLabelAt(3).ToString(), "打印");
    EXPECT_EQ(model->GetIndexOf(MENU_ID_PRINT), 3);
    EXPECT_TRUE(model->IsEnabled(MENU_ID_BACK));
}

TEST(MenuModel, InsertsRemovesAndDisablesByIdAndIndex) {
    CefRefPtr<CefMenuModel> model = standardMenu();
    EXPECT_TRUE(model->InsertItemAt(0, MENU_ID_USER_FIRST, "开发者工具"));
    EXPECT_TRUE(model->InsertSeparatorAt(1));
    EXPECT_TRUE(model->InsertItemAt(model->GetCount(), MENU_ID_RELOAD, "刷新"));
    EXPECT_EQ(model->GetIndexOf(MENU_ID_RELOAD), 6);
    EXPECT_EQ(model->GetTypeAt(1), MENUITEMTYPE_SEPARATOR);

    EXPECT_TRUE(model->Remove(MENU_ID_FORWARD));
    EXPECT_EQ(model->GetIndexOf(MENU_ID_FORWARD), -1);
    EXPECT_TRUE(model->RemoveAt(1));
    EXPECT_EQ(model->GetCommandIdAt(1), MENU_ID_BACK);

    EXPECT_TRUE(model->SetEnabled(MENU_ID_PRINT, false));
    EXPECT_FALSE(model->IsEnabled(MENU_ID_PRINT));
}

TEST(MenuModel, OutOfRangeAndMissingItemsAreRefused) {
    CefRefPtr<CefMenuModel> model = standardMenu();
    EXPECT_FALSE(model->InsertItemAt(-1, MENU_ID_COPY, "复制"));
    EXPECT_FALSE(model->InsertItemAt(5, MENU_ID_COPY, "复制"));
    EXPECT_FALSE(model->InsertSeparatorAt(9));
    EXPECT_FALSE(model->RemoveAt(4));
    EXPECT_FALSE(model->RemoveAt(-1));
    EXPECT_FALSE(model->Remove(MENU_ID_COPY));
    // A separator is no command: its id finds nothing and cannot be given to an item.
    EXPECT_FALSE(model->Remove(-1));
    EXPECT_FALSE(model->AddItem(-1, "x"));
    EXPECT_EQ(model->GetCommandIdAt(17), -1);
    EXPECT_TRUE(model->GetLabelAt(-3).empty());
    EXPECT_TRUE(model->GetLabel(MENU_ID_COPY).empty());
    EXPECT_EQ(model->GetType(MENU_ID_COPY), MENUITEMTYPE_NONE);
    EXPECT_FALSE(model->IsEnabled(MENU_ID_COPY));
    EXPECT_FALSE(model->SetEnabled(MENU_ID_COPY, true));
    EXPECT_EQ(model->GetCount(), 4);
}

}  // namespace
