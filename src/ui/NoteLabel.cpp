#include "ui/NoteLabel.h"

#include <QEvent>
#include <QTextLayout>
#include <algorithm>

namespace zelvane {

NoteLabel::NoteLabel(int maxLines, QWidget* parent) : QLabel(parent), maxLines_(maxLines)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
}

void NoteLabel::setNote(const QString& text)
{
    note_ = text;
    fit();
}

void NoteLabel::setMaxLines(int lines)
{
    maxLines_ = lines;
    fit();
}

void NoteLabel::resizeEvent(QResizeEvent* e)
{
    QLabel::resizeEvent(e);
    fit();
}

void NoteLabel::changeEvent(QEvent* e)
{
    QLabel::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        fit();
}

void NoteLabel::fit()
{
    const int width = contentsRect().width() - 2 * margin() - std::max(0, indent());
    QString shown = note_;
    if (width > 0 && !note_.isEmpty()) {
        QTextLayout layout(note_, font());
        QTextOption wrap;
        wrap.setWrapMode(QTextOption::WordWrap); // as the label breaks its lines
        layout.setTextOption(wrap);
        QList<int> starts;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            starts << line.textStart();
        }
        layout.endLayout();
        if (starts.size() > maxLines_) {
            const qsizetype cut = starts[maxLines_ - 1];
            shown = note_.left(cut).trimmed() + QLatin1Char('\n')
                    + fontMetrics().elidedText(note_.mid(cut).trimmed(), Qt::ElideRight, width);
        }
    }
    setToolTip(shown == note_ ? QString() : note_);
    if (text() != shown)
        setText(shown);
}

} // namespace zelvane
