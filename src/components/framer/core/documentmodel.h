#pragma once

#include "enginemessages.h"

#include <QObject>
#include <QSize>

namespace framer {

// What is known of the document the control shows: its kind, its parts and the one in view,
// its size and page size in twips, whether it is protected or shown read-only. The session
// writes it as documents open, close and come back; the view, the tools, the sheet and slide
// widgets and the public control read it and follow its signals.
class DocumentModel : public QObject
{
    Q_OBJECT

public:
    explicit DocumentModel(QObject *parent = nullptr) : QObject(parent) {}

    // A document is shown; false while none is, or while one is being brought back.
    bool hasDocument() const { return m_shown; }
    const engineprotocol::reply::DocumentInfo &info() const { return m_info; }
    engineprotocol::DocumentKind kind() const { return m_info.kind; }
    int parts() const { return m_info.parts; }
    int part() const { return m_info.part; }
    // Of the whole document for text, of the part in view otherwise.
    QSize size() const { return QSize(int(m_info.width), int(m_info.height)); }
    // The first page's; empty until the engine told it.
    QSize pageSize() const { return m_pageSize; }
    bool isProtected() const { return m_info.isProtected; }
    bool isReadOnly() const { return m_readOnly; }

    void show(const engineprotocol::reply::DocumentInfo &info);
    // No document: what was known of it goes, protection with it.
    void clear();
    // The document went with its engine and is being brought back: nothing shows, but what is
    // known of it (its part, its protection) stays for that.
    void markLost();

    void setPart(int part);
    void setSize(qint64 width, qint64 height);
    void setPageSize(QSize twips);
    void setProtected(bool on);
    void setReadOnly(bool on);

signals:
    // A document is shown, or none is.
    void documentChanged();
    void partChanged(int part);
    void sizeChanged(QSize twips);
    void pageSizeChanged(QSize twips);
    void protectionChanged(bool on);
    void readOnlyChanged(bool on);

private:
    engineprotocol::reply::DocumentInfo m_info;
    QSize m_pageSize;
    bool m_shown = false;
    bool m_readOnly = false;
};

} // namespace framer
