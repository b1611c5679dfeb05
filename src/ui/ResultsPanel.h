#pragma once

#include "ui/Panel.h"

class QTextEdit;
class QTreeView;

namespace zelvane {

// The results panel (PictureResult): the results view, the flight details of
// the row clicked, and "Print".
class ResultsPanel final : public Panel {
    Q_OBJECT
public:
    ResultsPanel(PanelHost& host, QWidget* parent);

private:
    void Command2_Click();

    QTreeView* ListViewQuery_;
    QTextEdit* RichTextBox1_;
};

} // namespace zelvane
