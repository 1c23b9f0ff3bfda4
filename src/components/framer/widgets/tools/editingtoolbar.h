#pragma once

#include "core/tools.h"

#include <quillary/zoom.h>

#include <QColor>
#include <QHash>
#include <QToolBar>

class QComboBox;
class QFontComboBox;
class QToolButton;

namespace framer {

// The tools above the document, as standard tool buttons and combo boxes a screen reader
// names. It shows the states it is given and says what the user chose; it runs nothing itself.
class EditingToolBar : public QToolBar
{
    Q_OBJECT

public:
    explicit EditingToolBar(QWidget *parent = nullptr);

    // The action of a tool: its button's, or the one that shows and hides its box.
    QAction *action(Tool tool) const { return m_actions.value(tool); }
    // The review tools' row, for the control to put under this one; it shows and hides with
    // this bar.
    QToolBar *reviewBar() const { return m_reviewBar; }
    void setVisible(bool visible) override;
    void showState(Tool tool, const ToolState &state);
    void showZoom(const quillary::Zoom &zoom);
    // A mark at the start of the bar while documents show read-only.
    void showReadOnly(bool on);

signals:
    // A tool without a value: undo, bold, cut, find, ...
    void toolTriggered(framer::Tool tool);
    void fontChosen(const QString &family);
    void sizeChosen(double points);
    void colourChosen(const QColor &colour);
    void tableChosen(int rows, int columns);
    void zoomChosen(const quillary::Zoom &zoom);

private:
    // Adds the tool's button to bar (this one when null).
    QAction *addTool(Tool tool, QToolBar *bar = nullptr);
    void showReviewBar();
    void addFontBoxes();
    void addReviewGroup();
    void addColourButton();
    void addTableButton();
    void addZoomBox();
    void chooseColour(const QColor &colour);
    void name(QWidget *widget, Tool tool);

    QHash<Tool, QAction *> m_actions;
    QFontComboBox *m_font;
    QComboBox *m_size;
    QComboBox *m_zoom;
    QColor m_colour = Qt::red;
    quillary::Zoom m_shownZoom;
    QAction *m_readOnlyMark = nullptr;
    QToolBar *m_reviewBar = nullptr;
};

} // namespace framer
