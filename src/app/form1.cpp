#include "form1.h"

#include "commands.h"
#include "listbuilder.h"
#include "listopen.h"

#include "appicons.h"
#include "browser.h"
#include "hostsite.h"
#include "listbox.h"
#include "twips.h"

#include "automation/automationerror.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>

// The main window's life: its construction, the window's own events, the application shell's
// handlers and the server document list.
using automation::Variant;
using platform::rectFromTwips;

namespace {

const QString WaitingEntry = QStringLiteral(" 请稍等，正在加载服务器上文档列表......");

} // namespace

Form1::Form1(Form1Parts parts)
    : m_parts(std::move(parts)), m_errors(*m_parts.messages),
      m_quillarySite(
          std::make_shared<platform::HostSite>(m_parts.quillaryWidget, m_parts.quillaryControl)),
      m_browserSite(std::make_shared<platform::HostSite>(m_parts.browser->widget())),
      m_quillary(m_quillarySite), m_context{m_quillary, state, *m_parts.messages,
                                            m_parts.serverBase}
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillary控件本地打开远程Word、Excel、PPT和WPS示例"));
    setWindowIcon(platform::iconA());

    buildControls();
    buildMenus();
    // The client area is 17220 x 8205 twips below the menu bar.
    const QSize client = rectFromTwips(0, 0, 17220, 8205).size();
    resize(client.width(), client.height() + menuBar()->sizeHint().height());

    m_parts.browser->setDocumentCompleteHandler([this](const Variant &pDisp, const Variant &url) {
        m_errors.run([&] { WebBrowser1_DocumentComplete(pDisp, url); });
    });
    m_errors.run([this] { Form_Load(); });
}

Form1::~Form1() = default;

void Form1::handle(void (Form1::*handler)())
{
    m_errors.run([this, handler] { (this->*handler)(); });
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    resizeControlToOuterSize();
}

// The window manager adds its frame after the first resize; the move that comes with the frame
// changes the outer size, so the control is sized again then.
void Form1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (frameGeometry().size() != m_sizedForOuter)
        resizeControlToOuterSize();
}

void Form1::resizeControlToOuterSize()
{
    m_sizedForOuter = frameGeometry().size();
    handle(&Form1::Form_Resize);
}

// Enter that no focused control uses itself reaches the window and runs the default button.
void Form1::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && Command11->isEnabled() && Command11->isVisible()) {
        event->accept();
        handle(&Form1::Command11_Click);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void Form1::replaceListEntries(const QStringList &entries)
{
    List1->clear();
    List1->addItems(entries);
}

// ---- Application shell

void Form1::Form_Load()
{
    state.isopened = false;
    List1->addItem(WaitingEntry);
    m_parts.browser->Navigate2(m_parts.serverBase +
                               QStringLiteral("/quillary/webdocumentlist.asp"));
}

void Form1::Form_Resize()
{
    const QSizeF outer = platform::outerSizeInTwips(this);
    if (const auto width = platform::sizeLessMargin(static_cast<float>(outer.width()), 4100.0f))
        m_quillary.setWidth(*width);
    if (const auto height = platform::sizeLessMargin(static_cast<float>(outer.height()), 900.0f))
        m_quillary.setHeight(*height);
}

void Form1::msgtip()
{
    doccontrol::msgtip(*m_parts.messages);
}

void Form1::mnuExit_Click()
{
    m_parts.terminate();
}

// ---- Server document list

void Form1::WebBrowser1_DocumentComplete(const Variant &, const Variant &)
{
    // The page text is read before the list is cleared, so an unreadable page keeps the list.
    const auto page = m_parts.browser->Document();
    const auto body = automation::objectProperty(*page, "body");
    const std::string text =
        automation::invokeByName(*body, "innertext", automation::InvokeKind::PropertyGet)
            .toString();
    replaceListEntries({});

    doclist::DocumentListBuilder builder(text);
    QStringList entries;
    // Entries found before a failing read still reach the list.
    const auto fill = qScopeGuard([&] {
        if (!entries.isEmpty())
            replaceListEntries(entries);
    });
    const auto links = automation::objectProperty(*page, "links");
    const std::int32_t count =
        automation::invokeByName(*links, "length", automation::InvokeKind::PropertyGet).toInt();
    for (std::int32_t i = 0; i < count; ++i) {
        const auto link = automation::objectProperty(*page, "links", {Variant::i4(i)});
        const std::string address =
            automation::invokeByName(*link, "href", automation::InvokeKind::PropertyGet).toString();
        if (auto entry = builder.offer(address))
            entries << QString::fromStdString(*entry);
    }
}

void Form1::List1_Click()
{
    doclist::openListEntry(m_context, List1->text());
}
