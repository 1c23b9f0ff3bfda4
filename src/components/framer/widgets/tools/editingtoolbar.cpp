#include "widgets/tools/editingtoolbar.h"

#include "core/zoomrules.h"
#include "widgets/tools/toolicons.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>

namespace framer {

namespace {

const QStringList FontSizes{"5",  "5.5", "6.5", "7.5", "8",  "9",  "10", "10.5", "11", "12", "14",
                            "16", "18",  "20",  "22",  "24", "26", "28", "36",   "42", "48", "72"};

struct NamedColour
{
    const char *name;
    QRgb rgb;
};

const NamedColour Colours[] = {
    {"黑色", 0x000000}, {"深红", 0xc00000}, {"红色", 0xff0000}, {"橙色", 0xffc000},
    {"黄色", 0xffff00}, {"浅绿", 0x92d050}, {"绿色", 0x00b050}, {"浅蓝", 0x00b0f0},
    {"蓝色", 0x0070c0}, {"深蓝", 0x002060}, {"紫色", 0x7030a0}, {"灰色", 0x808080},
};

const QList<QPair<int, int>> TableSizes{{2, 2}, {2, 3}, {3, 3}, {3, 4},
                                        {4, 4}, {5, 4}, {5, 5}, {8, 6}};

// What the user picks from a box's list, or types there and enters (the box itself reports
// only text that is in its list).
template <class Handle> void onChosen(QComboBox *box, QObject *context, Handle handle)
{
    QObject::connect(box, &QComboBox::textActivated, context, handle);
    QObject::connect(box->lineEdit(), &QLineEdit::returnPressed, context, [box, handle] {
        if (box->findText(box->currentText()) < 0)
            handle(box->currentText());
    });
}

QIcon swatch(const QColor &colour)
{
    QPixmap picture(16, 16);
    picture.fill(colour);
    return QIcon(picture);
}

} // namespace

EditingToolBar::EditingToolBar(QWidget *parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("editingToolBar"));
    setAccessibleName(QStringLiteral("编辑工具栏"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(16, 16));
    setToolButtonStyle(Qt::ToolButtonIconOnly);

    auto *readOnly = new QLabel(QStringLiteral("只读"), this);
    readOnly->setAccessibleName(QStringLiteral("只读"));
    readOnly->setToolTip(QStringLiteral("文档以只读方式显示，不能修改"));
    readOnly->setStyleSheet(QStringLiteral("background: #e8e8e8; color: #333; padding: 2px 6px;"));
    m_readOnlyMark = addWidget(readOnly);
    m_readOnlyMark->setVisible(false);
    addTool(Tool::Undo);
    addTool(Tool::Redo);
    addSeparator();
    addTool(Tool::Cut);
    addTool(Tool::Copy);
    addTool(Tool::Paste);
    addSeparator();
    addFontBoxes();
    addTool(Tool::Bold);
    addTool(Tool::Italic);
    addTool(Tool::Underline);
    addColourButton();
    addSeparator();
    addTool(Tool::AlignLeft);
    addTool(Tool::AlignCenter);
    addTool(Tool::AlignRight);
    addTool(Tool::Bullets);
    addTool(Tool::Numbering);
    addTableButton();
    addSeparator();
    addZoomBox();
    addTool(Tool::Find);
    addSeparator();
    addTool(Tool::Print);
    addTool(Tool::PrintPreview);
    addReviewGroup();
}

void EditingToolBar::addReviewGroup()
{
    // A row of its own under the editing tools: beside them it would go behind the bar's
    // overflow button in all but the widest windows.
    m_reviewBar = new QToolBar(parentWidget());
    m_reviewBar->setObjectName(QStringLiteral("reviewToolBar"));
    m_reviewBar->setAccessibleName(QStringLiteral("审阅工具栏"));
    m_reviewBar->setMovable(false);
    m_reviewBar->setFloatable(false);
    // Review tools have no common pictures: they show their names.
    m_reviewBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_reviewBar->hide();
    for (const ToolInfo &info : toolTable())
        if (isReviewTool(info.tool))
            addTool(info.tool, m_reviewBar);
}

void EditingToolBar::setVisible(bool visible)
{
    QToolBar::setVisible(visible);
    showReviewBar();
}

void EditingToolBar::showReviewBar()
{
    // Shown with the editing tools, while the document has review tools.
    if (!m_reviewBar)
        return;
    const bool any = std::any_of(m_reviewBar->actions().cbegin(), m_reviewBar->actions().cend(),
                                 [](const QAction *action) { return action->isVisible(); });
    m_reviewBar->setVisible(!isHidden() && any);
}

void EditingToolBar::showReadOnly(bool on)
{
    m_readOnlyMark->setVisible(on);
}

void EditingToolBar::name(QWidget *widget, Tool tool)
{
    const ToolInfo &info = toolInfo(tool);
    widget->setAccessibleName(info.name);
    widget->setToolTip(toolTipText(info));
}

QAction *EditingToolBar::addTool(Tool tool, QToolBar *bar)
{
    if (!bar)
        bar = this;
    const ToolInfo &info = toolInfo(tool);
    QAction *action = bar->addAction(toolIcon(tool), info.name);
    action->setToolTip(toolTipText(info));
    action->setCheckable(info.toggles);
    action->setEnabled(false);
    m_actions.insert(tool, action);
    connect(action, &QAction::triggered, this, [this, action, tool](bool checked) {
        // Checked follows the document: a press asks for the change, the document's report
        // shows it.
        if (action->isCheckable()) {
            const QSignalBlocker blocker(action);
            action->setChecked(!checked);
        }
        emit toolTriggered(tool);
    });
    if (QWidget *button = bar->widgetForAction(action))
        name(button, tool);
    return action;
}

void EditingToolBar::addFontBoxes()
{
    m_font = new QFontComboBox(this);
    m_font->setEditable(true);
    m_font->setInsertPolicy(QComboBox::NoInsert);
    m_font->setMinimumContentsLength(10);
    m_font->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    name(m_font, Tool::FontName);
    onChosen(m_font, this, [this](const QString &family) { emit fontChosen(family); });
    m_actions.insert(Tool::FontName, addWidget(m_font));

    m_size = new QComboBox(this);
    m_size->setEditable(true);
    m_size->setInsertPolicy(QComboBox::NoInsert);
    m_size->addItems(FontSizes);
    m_size->setMinimumContentsLength(4);
    m_size->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_size->setValidator(new QDoubleValidator(1, 999, 1, m_size));
    name(m_size, Tool::FontSize);
    onChosen(m_size, this, [this](const QString &text) {
        bool ok = false;
        const double points = text.toDouble(&ok);
        if (ok && points > 0)
            emit sizeChosen(points);
    });
    m_actions.insert(Tool::FontSize, addWidget(m_size));
    for (QWidget *box : {static_cast<QWidget *>(m_font), static_cast<QWidget *>(m_size)})
        box->setEnabled(false);
}

void EditingToolBar::addColourButton()
{
    QAction *apply = addTool(Tool::FontColor);
    apply->setIcon(toolIcon(Tool::FontColor, m_colour));
    disconnect(apply, &QAction::triggered, this, nullptr);
    connect(apply, &QAction::triggered, this, [this] { emit colourChosen(m_colour); });
    auto *menu = new QMenu(this);
    menu->setAccessibleName(QStringLiteral("字体颜色列表"));
    for (const NamedColour &colour : Colours) {
        QAction *item = menu->addAction(swatch(QColor(colour.rgb)), QString::fromUtf8(colour.name));
        connect(item, &QAction::triggered, this,
                [this, rgb = colour.rgb] { chooseColour(QColor(rgb)); });
    }
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("其他颜色…")), &QAction::triggered, this, [this] {
        const QColor colour = QColorDialog::getColor(m_colour, this, QStringLiteral("字体颜色"));
        if (colour.isValid())
            chooseColour(colour);
    });
    if (auto *button = qobject_cast<QToolButton *>(widgetForAction(apply))) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

void EditingToolBar::chooseColour(const QColor &colour)
{
    m_colour = colour;
    m_actions.value(Tool::FontColor)->setIcon(toolIcon(Tool::FontColor, colour));
    emit colourChosen(colour);
}

void EditingToolBar::addTableButton()
{
    QAction *table = addTool(Tool::InsertTable);
    disconnect(table, &QAction::triggered, this, nullptr);
    auto *menu = new QMenu(this);
    menu->setAccessibleName(QStringLiteral("表格大小"));
    for (const auto &[rows, columns] : TableSizes) {
        QAction *item = menu->addAction(QStringLiteral("%1 行 × %2 列").arg(rows).arg(columns));
        connect(item, &QAction::triggered, this,
                [this, rows = rows, columns = columns] { emit tableChosen(rows, columns); });
    }
    if (auto *button = qobject_cast<QToolButton *>(widgetForAction(table))) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
    }
}

void EditingToolBar::addZoomBox()
{
    m_zoom = new QComboBox(this);
    m_zoom->setEditable(true);
    m_zoom->setInsertPolicy(QComboBox::NoInsert);
    m_zoom->addItems({zoomText(quillary::Zoom::fitWidth()), zoomText(quillary::Zoom::fitPage())});
    for (int percent : {50, 75, 100, 150, 200, 300, 400})
        m_zoom->addItem(zoomText(quillary::Zoom::at(percent)));
    m_zoom->setMinimumContentsLength(6);
    m_zoom->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_zoom->setEnabled(false);
    name(m_zoom, Tool::Zoom);
    onChosen(m_zoom, this, [this](const QString &text) {
        if (const auto zoom = zoomFromText(text))
            emit zoomChosen(*zoom);
        else
            showZoom(m_shownZoom);
    });
    m_actions.insert(Tool::Zoom, addWidget(m_zoom));
}

void EditingToolBar::showState(Tool tool, const ToolState &state)
{
    QAction *action = m_actions.value(tool);
    const bool shownBefore = action->isVisible();
    action->setVisible(state.visible);
    if (isReviewTool(tool) && shownBefore != state.visible)
        showReviewBar();
    action->setEnabled(state.enabled);
    if (action->isCheckable()) {
        const QSignalBlocker blocker(action);
        action->setChecked(state.checked);
    }
    QComboBox *box = tool == Tool::FontName   ? m_font
                     : tool == Tool::FontSize ? m_size
                     : tool == Tool::Zoom     ? m_zoom
                                              : nullptr;
    if (!box)
        return;
    box->setEnabled(state.enabled);
    // What the user is typing stays until chosen.
    if (tool != Tool::Zoom && !box->hasFocus()) {
        const QSignalBlocker blocker(box);
        box->setEditText(state.value);
    }
}

void EditingToolBar::showZoom(const quillary::Zoom &zoom)
{
    m_shownZoom = zoom;
    const QSignalBlocker blocker(m_zoom);
    m_zoom->setEditText(zoomText(zoom));
}

} // namespace framer
