#pragma once

#include "pageobject.h"

#include "browser.h"

#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace browser {

// The embedded web browser on Chromium. When a page finishes loading (also when the load failed
// and the browser shows its own error page) it takes one snapshot of the rendered text and the
// link addresses, then raises DocumentComplete; Document answers from that snapshot.
class WebEngineBrowser : public QWidget, public platform::Browser
{
    Q_OBJECT
public:
    explicit WebEngineBrowser(QWidget *parent = nullptr);
    ~WebEngineBrowser() override;

    QWidget *widget() override { return this; }
    void setDocumentCompleteHandler(DocumentCompleteHandler handler) override;

    automation::Variant invoke(automation::DispId id, automation::InvokeKind kind,
                               const std::vector<automation::Variant> &args) override;
    automation::DispId idOfName(std::string_view name) override;

    // Chromium starts when the window is first on screen, so it never delays the first paint.
    // Created earlier on demand.
    QWebEngineView *view();

signals:
    // Emitted after the handler ran, for observers such as tests and benchmarks.
    void documentCompleted(const QString &url);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool windowExposed() const;
    void startChromium();
    void onLoadFinished(bool ok);
    void completeDocument(std::shared_ptr<const PageSnapshot> page, const QString &url);

    QWebEngineView *m_view = nullptr;
    QUrl m_pendingUrl;
    bool m_waitingForExpose = false;
    DocumentCompleteHandler m_handler;
    std::shared_ptr<const PageSnapshot> m_page;
    quint64 m_loadSerial = 0;
};

} // namespace browser
