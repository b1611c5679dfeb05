#include "ui/PaintedIcon.h"

#include <QIconEngine>
#include <QList>
#include <QPainter>
#include <QPixmap>

namespace zelvane {

namespace {

class PaintedIcon final : public QIconEngine {
public:
    PaintedIcon(PaintedDraw draw, bool kept) : draw_(std::move(draw)), kept_(kept) {}
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        if (kept_) {
            const qreal scale = p->device() ? p->device()->devicePixelRatio() : 1.0;
            p->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
            return;
        }
        draw(p, rect);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override
    {
        const QSize pixels = (QSizeF(size) * scale).toSize();
        if (kept_) {
            for (const QPixmap& pm : std::as_const(renders_))
                if (pm.size() == pixels && qFuzzyCompare(pm.devicePixelRatio(), scale))
                    return pm;
        }
        QPixmap pm(pixels);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        draw(&p, QRect(QPoint(0, 0), size));
        p.end();
        // Small ones only: the large renders a window manager asks for come once.
        if (kept_ && pixels.width() <= kKeptEdge && pixels.height() <= kKeptEdge)
            renders_.append(pm);
        return pm;
    }
    QIconEngine* clone() const override { return new PaintedIcon(draw_, kept_); }

private:
    void draw(QPainter* p, const QRect& rect) const
    {
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        p->setRenderHint(QPainter::TextAntialiasing);
        draw_(*p, rect);
        p->restore();
    }

    static constexpr int kKeptEdge = 64;
    PaintedDraw draw_;
    bool kept_;
    QList<QPixmap> renders_;
};

} // namespace

QIcon paintedIcon(PaintedDraw draw, bool kept)
{
    return QIcon(new PaintedIcon(std::move(draw), kept));
}

} // namespace zelvane
