#include "widgets/sheets/cellediting.h"

#include "core/documentmodel.h"
#include "core/engineclient.h"
#include "widgets/sheets/formulabar.h"
#include "widgets/view/documentview.h"


using namespace engineprotocol;

namespace framer {

CellEditing::CellEditing(EngineClient *engine, DocumentView *view, FormulaBar *bar)
    : QObject(bar), m_engine(engine), m_view(view), m_bar(bar)
{
    m_bar->hide();
    connect(view, &DocumentView::documentChanged, this, &CellEditing::onDocumentChanged);
    connect(engine, &EngineClient::eventReceived, this, &CellEditing::onEngineEvent);
    connect(bar, &FormulaBar::goToRequested, this,
            [this](const QString &address) { send(request::GoToCell{address}); });
    connect(bar, &FormulaBar::contentEntered, this,
            [this](const QString &text) { send(request::EnterCellText{text}); });
    connect(bar, &FormulaBar::editingLeft, view, [view] { view->setFocus(Qt::OtherFocusReason); });
}

void CellEditing::onDocumentChanged()
{
    // The cell's first report may come before the view has the sheet, so a sheet keeps what
    // the bar shows.
    const bool sheet = m_view->hasDocument() && m_view->model().kind() == DocumentKind::Spreadsheet;
    if (!sheet)
        m_bar->clear();
    m_bar->setVisible(sheet);
}

void CellEditing::onEngineEvent(const Event &event)
{
    if (const auto *address = std::get_if<event::CellAddress>(&event))
        m_bar->showAddress(address->address);
    else if (const auto *formula = std::get_if<event::CellFormula>(&event))
        m_bar->showContent(formula->text);
}

void CellEditing::send(const Request &request)
{
    FormulaBar *bar = m_bar;
    m_engine->ask<Reply>(
        request, bar, [](Reply &) {},
        [bar](const EngineClient::Failure &failure) {
            bar->revert();
            // The engine's refusals are written for the user; anything else means it went.
            bar->showProblem(failure.cause == EngineClient::Failure::Cause::Refused
                                 ? failure.message
                                 : QStringLiteral("文档引擎已停止，单元格没有改变"));
        });
}

} // namespace framer
