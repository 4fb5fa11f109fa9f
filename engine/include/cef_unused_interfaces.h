// Interfaces the engine API names in its signatures but this program never implements or
// receives. They exist so the signatures stay those of the engine's public API.
#ifndef ENGINE_INCLUDE_CEF_UNUSED_INTERFACES_H_
#define ENGINE_INCLUDE_CEF_UNUSED_INTERFACES_H_

#include "include/cef_base.h"

#define ENGINE_OPAQUE_INTERFACE(Name) \
    class Name : public virtual CefBaseRefCounted {}

ENGINE_OPAQUE_INTERFACE(CefSchemeRegistrar);
ENGINE_OPAQUE_INTERFACE(CefResourceBundleHandler);
ENGINE_OPAQUE_INTERFACE(CefRenderProcessHandler);
ENGINE_OPAQUE_INTERFACE(CefPrintHandler);
ENGINE_OPAQUE_INTERFACE(CefListValue);
ENGINE_OPAQUE_INTERFACE(CefDictionaryValue);
ENGINE_OPAQUE_INTERFACE(CefRequestContext);
ENGINE_OPAQUE_INTERFACE(CefProcessMessage);
ENGINE_OPAQUE_INTERFACE(CefDialogHandler);
ENGINE_OPAQUE_INTERFACE(CefDragHandler);
ENGINE_OPAQUE_INTERFACE(CefFindHandler);
ENGINE_OPAQUE_INTERFACE(CefFocusHandler);
ENGINE_OPAQUE_INTERFACE(CefJSDialogHandler);
ENGINE_OPAQUE_INTERFACE(CefRenderHandler);
ENGINE_OPAQUE_INTERFACE(CefRunContextMenuCallback);
ENGINE_OPAQUE_INTERFACE(CefMenuModelDelegate);

#undef ENGINE_OPAQUE_INTERFACE

#endif  // ENGINE_INCLUDE_CEF_UNUSED_INTERFACES_H_
