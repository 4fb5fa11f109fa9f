#include "src/context_menu_params_impl.h"

#include <QUrl>
#include <QWebEngineContextMenuRequest>

namespace {

CefString fromQString(const QString &text) {
    return CefString(text.toStdU16String());
}

MediaType mediaTypeOf(QWebEngineContextMenuRequest::MediaType type) {
    switch (type) {
        case QWebEngineContextMenuRequest::MediaTypeImage:
        case QWebEngineContextMenuRequest::MediaTypeCanvas:
            return CM_MEDIATYPE_IMAGE;
        case QWebEngineContextMenuRequest::MediaTypeVideo:
            return CM_MEDIATYPE_VIDEO;
        case QWebEngineContextMenuRequest::MediaTypeAudio:
            return CM_MEDIATYPE_AUDIO;
        case QWebEngineContextMenuRequest::MediaTypeFile:
            return CM_MEDIATYPE_FILE;
        case QWebEngineContextMenuRequest::MediaTypePlugin:
            return CM_MEDIATYPE_PLUGIN;
        case QWebEngineContextMenuRequest::MediaTypeNone:
            break;
    }
    return CM_MEDIATYPE_NONE;
}

}  // namespace

ContextMenuParamsImpl::ContextMenuParamsImpl(const QWebEngineContextMenuRequest &request,
                                             const QUrl &page_url)
    : x_(request.position().x()),
      y_(request.position().y()),
      link_url_(fromQString(request.linkUrl().toString())),
      source_url_(fromQString(request.mediaUrl().toString())),
      page_url_(fromQString(page_url.toString())),
      media_type_(mediaTypeOf(request.mediaType())),
      selection_text_(fromQString(request.selectedText())),
      misspelled_word_(fromQString(request.misspelledWord())),
      editable_(request.isContentEditable()),
      edit_flags_(static_cast<int>(request.editFlags())) {
    int flags = CM_TYPEFLAG_PAGE;
    if (!request.linkUrl().isEmpty()) {
        flags |= CM_TYPEFLAG_LINK;
    }
    if (media_type_ != CM_MEDIATYPE_NONE) {
        flags |= CM_TYPEFLAG_MEDIA;
    }
    if (!request.selectedText().isEmpty()) {
        flags |= CM_TYPEFLAG_SELECTION;
    }
    if (editable_) {
        flags |= CM_TYPEFLAG_EDITABLE;
    }
    type_flags_ = static_cast<TypeFlags>(flags);
}
