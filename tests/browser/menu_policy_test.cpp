// What the page may open, what its context menu offers, and what choosing an item does.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "browser/simple_handler.h"
#include "tests/browser/engine_doubles.h"
#include "tests/browser/fake_page_window.h"

namespace {

constexpr int kDevTools = 26700;
constexpr int kSeparator = -1;

struct Item {
    int id;
    std::u16string label;
    bool operator==(const Item &other) const { return id == other.id && label == other.label; }
};

CefRefPtr<CefMenuModel> menuOf(const std::vector<int> &ids) {
    CefRefPtr<CefMenuModel> model = CefMenuModel::CreateMenuModel(nullptr);
    for (const int id : ids) {
        if (id == kSeparator) {
            model->AddSeparator();
        } else {
            model->AddItem(id, "item " + std::to_string(id));
        }
    }
    return model;
}

std::vector<Item> itemsOf(CefRefPtr<CefMenuModel> model) {
    std::vector<Item> items;
    for (int i = 0; i < model->GetCount(); ++i) {
        items.push_back({model->GetCommandIdAt(i), model->GetLabelAt(i).ToString16()});
    }
    return items;
}

std::vector<int> idsOf(CefRefPtr<CefMenuModel> model) {
    std::vector<int> ids;
    for (const Item &item : itemsOf(model)) {
        ids.push_back(item.id);
    }
    return ids;
}

class PagePolicyTest : public ::testing::Test {
protected:
    std::vector<Item> edited(int typeFlags, const std::vector<int> &ids) {
        CefRefPtr<CefMenuModel> model = menuOf(ids);
        handler->OnBeforeContextMenu(browser, browser->mainFrame, new FixedMenuParams(typeFlags),
                                     model);
        return itemsOf(model);
    }

    bool choose(int commandId) {
        return handler->OnContextMenuCommand(browser, browser->mainFrame,
                                             new FixedMenuParams(CM_TYPEFLAG_PAGE), commandId,
                                             EVENTFLAG_NONE);
    }

    FakePageWindow window;
    CefRefPtr<SimpleHandler> handler = new SimpleHandler(&window);
    CefRefPtr<RecordingBrowser> browser = new RecordingBrowser(1);
};

TEST_F(PagePolicyTest, NewTabsAndWindowsOpenInPlaceOfThePage) {
    for (const auto disposition :
         {WOD_NEW_FOREGROUND_TAB, WOD_NEW_BACKGROUND_TAB, WOD_NEW_WINDOW}) {
        CefRefPtr<RecordingFrame> subFrame = new RecordingFrame;
        CefWindowInfo windowInfo;
        CefRefPtr<CefClient> client = handler.get();
        CefBrowserSettings settings;
        CefRefPtr<CefDictionaryValue> extraInfo;
        bool noJavascriptAccess = false;
        browser->mainFrame->loadedUrls.clear();

        EXPECT_TRUE(handler->OnBeforePopup(
            browser, subFrame.get(), "https://a.example/next", "_blank", disposition, true,
            CefPopupFeatures(), windowInfo, client, settings, extraInfo, &noJavascriptAccess))
            << disposition;
        // Even a sub-frame's request replaces the whole page.
        EXPECT_EQ(browser->mainFrame->loadedUrls,
                  std::vector<std::string>{"https://a.example/next"});
        EXPECT_TRUE(subFrame->loadedUrls.empty());
        EXPECT_EQ(client.get(), static_cast<CefClient *>(handler.get()));
        EXPECT_EQ(windowInfo.style, 0u);
        EXPECT_FALSE(noJavascriptAccess);
    }
}

TEST_F(PagePolicyTest, RealPopUpsAndOtherDispositionsAreLeftToTheEngine) {
    for (const auto disposition : {WOD_NEW_POPUP, WOD_UNKNOWN, WOD_CURRENT_TAB, WOD_SINGLETON_TAB,
                                   WOD_SAVE_TO_DISK, WOD_OFF_THE_RECORD, WOD_IGNORE_ACTION}) {
        CefWindowInfo windowInfo;
        CefRefPtr<CefClient> client = handler.get();
        CefBrowserSettings settings;
        CefRefPtr<CefDictionaryValue> extraInfo;
        bool noJavascriptAccess = false;
        EXPECT_FALSE(handler->OnBeforePopup(browser, browser->mainFrame, "https://a.example/pop",
                                            "", disposition, true, CefPopupFeatures(), windowInfo,
                                            client, settings, extraInfo, &noJavascriptAccess))
            << disposition;
        // The pop-up is created with this handler as its client, as proposed.
        EXPECT_EQ(client.get(), static_cast<CefClient *>(handler.get()));
    }
    EXPECT_TRUE(browser->mainFrame->loadedUrls.empty());
}

TEST_F(PagePolicyTest, PlainPageMenuKeepsOnlyTheDeveloperTools) {
    const std::vector<Item> onlyDevTools{{kDevTools, u"&开发者工具"}};
    const std::vector<int> pageMenu{MENU_ID_BACK, MENU_ID_FORWARD, kSeparator, MENU_ID_PRINT,
                                    MENU_ID_VIEW_SOURCE};
    EXPECT_EQ(edited(CM_TYPEFLAG_PAGE, pageMenu), onlyDevTools);
    EXPECT_EQ(edited(CM_TYPEFLAG_FRAME, pageMenu), onlyDevTools);
    EXPECT_EQ(edited(CM_TYPEFLAG_PAGE | CM_TYPEFLAG_LINK, pageMenu), onlyDevTools);
}

TEST_F(PagePolicyTest, OtherMenusLoseTheThirdItemOnly) {
    CefRefPtr<CefMenuModel> model =
        menuOf({MENU_ID_COPY, MENU_ID_SELECT_ALL, MENU_ID_CUT, MENU_ID_PASTE, kSeparator});
    handler->OnBeforeContextMenu(browser, browser->mainFrame,
                                 new FixedMenuParams(CM_TYPEFLAG_PAGE | CM_TYPEFLAG_EDITABLE),
                                 model);
    EXPECT_EQ(idsOf(model), (std::vector<int>{MENU_ID_COPY, MENU_ID_SELECT_ALL, MENU_ID_PASTE,
                                              kSeparator, kDevTools}));
    EXPECT_EQ(model->GetLabelAt(0).ToString(), "item 113");

    // Too short for the removal by index: only the named items go.
    EXPECT_EQ(edited(CM_TYPEFLAG_PAGE, {MENU_ID_COPY, MENU_ID_BACK}),
              (std::vector<Item>{{MENU_ID_COPY, u"item 113"}, {kDevTools, u"&开发者工具"}}));
}

TEST_F(PagePolicyTest, MenusWithoutPageOrFrameAndEmptyMenusStayAsBuilt) {
    const std::vector<int> menu{MENU_ID_UNDO, MENU_ID_REDO, kSeparator, MENU_ID_COPY};
    const std::vector<Item> untouched = itemsOf(menuOf(menu));
    EXPECT_EQ(edited(CM_TYPEFLAG_NONE, menu), untouched);
    EXPECT_EQ(
        edited(CM_TYPEFLAG_LINK | CM_TYPEFLAG_MEDIA | CM_TYPEFLAG_SELECTION | CM_TYPEFLAG_EDITABLE,
               menu),
        untouched);
    EXPECT_TRUE(edited(CM_TYPEFLAG_PAGE | CM_TYPEFLAG_FRAME, {}).empty());
}

TEST_F(PagePolicyTest, DeveloperToolsOpenInATopLevelWindowEachTime) {
    EXPECT_TRUE(choose(kDevTools));
    ASSERT_EQ(browser->host->devToolsCalls.size(), 1u);
    EXPECT_TRUE(choose(kDevTools));
    ASSERT_EQ(browser->host->devToolsCalls.size(), 2u);

    for (const auto &call : browser->host->devToolsCalls) {
        const CefWindowInfo &info = call.windowInfo;
        EXPECT_EQ(info.ex_style, 0u);
        EXPECT_EQ(info.window_name.ToString(), "DevTools");
        EXPECT_EQ(info.style, 0x16CF0000u);
        EXPECT_EQ(info.x, static_cast<int>(0x80000000));
        EXPECT_EQ(info.y, static_cast<int>(0x80000000));
        EXPECT_EQ(info.width, static_cast<int>(0x80000000));
        EXPECT_EQ(info.height, static_cast<int>(0x80000000));
        EXPECT_EQ(info.parent_window, 0u);
        EXPECT_EQ(info.menu, nullptr);
        EXPECT_EQ(info.windowless_rendering_enabled, 0);
        EXPECT_EQ(info.shared_texture_enabled, 0);
        EXPECT_EQ(info.external_begin_frame_enabled, 0);
        EXPECT_EQ(info.window, 0u);
        // No client: the tools' browser must not report to this handler.
        EXPECT_FALSE(call.clientGiven);
        EXPECT_EQ(call.settings.javascript, STATE_DEFAULT);
        EXPECT_EQ(call.settings.local_storage, STATE_DEFAULT);
        EXPECT_EQ(call.inspectAt.x, 0);
        EXPECT_EQ(call.inspectAt.y, 0);
    }
}

TEST_F(PagePolicyTest, OtherCommandsAreCarriedOutByTheEngine) {
    for (const int id : std::vector<int>{MENU_ID_COPY, MENU_ID_PASTE, MENU_ID_SELECT_ALL,
                                         MENU_ID_DELETE, MENU_ID_BACK, kDevTools + 1, 0}) {
        EXPECT_FALSE(choose(id)) << id;
    }
    EXPECT_TRUE(browser->host->devToolsCalls.empty());
    EXPECT_TRUE(browser->mainFrame->loadedUrls.empty());
}

}  // namespace
