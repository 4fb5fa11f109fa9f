#include "src/dev_tools_window.h"

#include <QWebEnginePage>

DevToolsWindow::DevToolsWindow(QWebEngineProfile *profile, QWebEnginePage *inspected_page) {
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose, true);
    auto *page = new QWebEnginePage(profile, this);
    setPage(page);
    inspected_page->setDevToolsPage(page);
}
