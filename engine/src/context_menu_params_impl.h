// What was under the pointer for one context menu, copied from Qt WebEngine's request so that it
// outlives the request.
#ifndef ENGINE_SRC_CONTEXT_MENU_PARAMS_IMPL_H_
#define ENGINE_SRC_CONTEXT_MENU_PARAMS_IMPL_H_

#include "include/cef_context_menu_handler.h"

class QUrl;
class QWebEngineContextMenuRequest;

class ContextMenuParamsImpl : public CefContextMenuParams {
public:
    ContextMenuParamsImpl(const QWebEngineContextMenuRequest &request, const QUrl &page_url);

    int GetXCoord() override { return x_; }
    int GetYCoord() override { return y_; }
    TypeFlags GetTypeFlags() override { return type_flags_; }
    CefString GetLinkUrl() override { return link_url_; }
    CefString GetUnfilteredLinkUrl() override { return link_url_; }
    CefString GetSourceUrl() override { return source_url_; }
    bool HasImageContents() override { return media_type_ == CM_MEDIATYPE_IMAGE; }
    // Qt WebEngine does not tell the title attribute of the element.
    CefString GetTitleText() override { return CefString(); }
    CefString GetPageUrl() override { return page_url_; }
    // Empty: the menu always belongs to the main frame here.
    CefString GetFrameUrl() override { return CefString(); }
    MediaType GetMediaType() override { return media_type_; }
    CefString GetSelectionText() override { return selection_text_; }
    CefString GetMisspelledWord() override { return misspelled_word_; }
    bool IsEditable() override { return editable_; }

    // What the editing commands may do there (QWebEngineContextMenuRequest::EditFlags).
    int editFlags() const { return edit_flags_; }

private:
    int x_;
    int y_;
    TypeFlags type_flags_;
    CefString link_url_;
    CefString source_url_;
    CefString page_url_;
    MediaType media_type_;
    CefString selection_text_;
    CefString misspelled_word_;
    bool editable_;
    int edit_flags_;

    IMPLEMENT_REFCOUNTING(ContextMenuParamsImpl);
};

#endif  // ENGINE_SRC_CONTEXT_MENU_PARAMS_IMPL_H_
