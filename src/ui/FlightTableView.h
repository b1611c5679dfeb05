#pragma once

#include <QTableView>

namespace zelvane {

// The flight table of the results panel: one row per flight, the three
// cabin columns drawn as a seat mark (a tick for seats, a dash for none)
// rather than the site's "Yes" and "No". Says so when there is no table.
class FlightTableView final : public QTableView {
    Q_OBJECT
public:
    explicit FlightTableView(QWidget* parent = nullptr);

    // Shown in place of the rows when the model has none.
    void setEmptyText(const QString& text);
    // The height that shows `rows` flights under the headings.
    int heightForRows(int rows) const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString emptyText_;
};

// The seat mark of a cabin cell: drawn, so it is sharp at any scale, in
// colours that read on the palette's light or dark base.
void drawSeatMark(QPainter& p, const QRectF& cell, bool seats, const QString& text, const QPalette& palette,
                  bool selected);

} // namespace zelvane
