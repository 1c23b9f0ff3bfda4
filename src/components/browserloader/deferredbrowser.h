#pragma once

#include "browser.h"

#include <QString>
#include <QWidget>

class QLabel;

namespace browserloader {

// Stands in the browser's place until the window is first on screen, then loads the browser
// module and hands everything on to it: Chromium's libraries and start-up never delay the first
// paint. A navigation asked for before then is started once the browser is there.
class DeferredBrowser : public QWidget, public platform::Browser
{
    Q_OBJECT
public:
    explicit DeferredBrowser(QString modulePath, QWidget *parent = nullptr);

    QWidget *widget() override { return this; }
    void setDocumentCompleteHandler(DocumentCompleteHandler handler) override;

    automation::Variant invoke(automation::DispId id, automation::InvokeKind kind,
                               const std::vector<automation::Variant> &args) override;
    automation::DispId idOfName(std::string_view name) override;

    // The loaded browser; null until the window was shown, or when the module failed to load.
    platform::Browser *browser() const { return m_browser; }

signals:
    void browserLoaded();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadBrowser();

    QString m_modulePath;
    platform::Browser *m_browser = nullptr;
    QString m_loadError;
    DocumentCompleteHandler m_handler;
    std::vector<automation::Variant> m_pendingNavigation;
    bool m_waiting = false;
};

} // namespace browserloader
