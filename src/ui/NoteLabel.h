#pragma once

#include <QLabel>

namespace zelvane {

// A note that wraps onto at most a given number of lines, so that it always
// fits the room a panel keeps for it. A text longer than that ends its last
// line with "…" and is shown whole in the tooltip.
class NoteLabel final : public QLabel {
    Q_OBJECT
public:
    NoteLabel(int maxLines, QWidget* parent);

    void setNote(const QString& text);
    QString note() const { return note_; }
    void setMaxLines(int lines);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void fit();

    QString note_;
    int maxLines_;
};

} // namespace zelvane
