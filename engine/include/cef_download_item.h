#ifndef ENGINE_INCLUDE_CEF_DOWNLOAD_ITEM_H_
#define ENGINE_INCLUDE_CEF_DOWNLOAD_ITEM_H_

#include "include/cef_base.h"

// One download as the download handler sees it. A download that is neither in progress nor
// complete has ended without its file: cancelled, or interrupted by an error.
class CefDownloadItem : public virtual CefBaseRefCounted {
public:
    virtual bool IsInProgress() = 0;
    virtual bool IsComplete() = 0;
    virtual bool IsCanceled() = 0;
    // Where the file is (once complete) or will be; empty before the handler has chosen.
    virtual CefString GetFullPath() = 0;
    // Whether the user clicked or typed in the browser's page since the page's previous download
    // began (or ever, for its first): a download without it is one the page started by itself.
    virtual bool HasUserGesture() = 0;
    // Bytes written so far, and the whole size when the server told it (else -1).
    virtual int64 GetReceivedBytes() = 0;
    virtual int64 GetTotalBytes() = 0;
};

#endif  // ENGINE_INCLUDE_CEF_DOWNLOAD_ITEM_H_
