#include "ui/WindowFrame.h"

#include "app/Settings.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace zelvane {

namespace {

constexpr int kEdge = 5; // the band along the edges that resizes

// The edges of a window of `size` that a press at `at` takes hold of.
Qt::Edges edgesAt(QPoint at, QSize size)
{
    if (at.x() >= size.width() - WindowFrame::kGrip && at.y() >= size.height() - WindowFrame::kGrip)
        return Qt::RightEdge | Qt::BottomEdge;
    Qt::Edges edges;
    if (at.x() < kEdge)
        edges |= Qt::LeftEdge;
    if (at.x() >= size.width() - kEdge)
        edges |= Qt::RightEdge;
    if (at.y() < kEdge)
        edges |= Qt::TopEdge;
    if (at.y() >= size.height() - kEdge)
        edges |= Qt::BottomEdge;
    return edges;
}

Qt::CursorShape resizeCursor(Qt::Edges edges)
{
    const bool across = edges & (Qt::LeftEdge | Qt::RightEdge), along = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (across && along) {
        const bool falling = edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return across ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

} // namespace

WindowFrame::WindowFrame(QWidget& window, SettingsGroup<WindowPlacement>& placement, QSize leastSize,
                         int headerHeight)
    : QObject(&window), window_(window), kept_(placement), placement_(*placement), leastSize_(leastSize),
      headerHeight_(headerHeight)
{
    resting_.setSingleShot(true);
    resting_.setInterval(500);
    connect(&resting_, &QTimer::timeout, this, &WindowFrame::keepPlacement);
    window_.setMinimumSize(leastSize_);
    window_.setMouseTracking(true);
    window_.installEventFilter(this);
}

void WindowFrame::restore()
{
    placement_ = *kept_;
    const QScreen* where = window_.screen();
    if (placement_.size.isValid()) {
        // A size left on a larger screen still fits this one.
        QSize size = placement_.size;
        if (where)
            size = size.boundedTo(where->availableGeometry().size());
        window_.resize(size.expandedTo(leastSize_));
    } else if (where && window_.size() == leastSize_) {
        // Never sized by the user: larger than the least, where the screen
        // has the room, so the results read whole.
        opened_ = kFirstSize.boundedTo(where->availableGeometry().size() * 0.9).expandedTo(leastSize_);
        window_.resize(opened_);
    }
    if (placement_.maximised)
        window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
}

void WindowFrame::toggleMaximized()
{
    if (window_.isMaximized())
        window_.showNormal();
    else
        window_.showMaximized();
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != &window_)
        return false;
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        pressed(m->position().toPoint(), m->button());
        return true;
    }
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(e);
        moved(m->position().toPoint(), m->buttons() != Qt::NoButton);
        return false; // the window still sees it
    }
    case QEvent::MouseButtonRelease: dragFrom_.reset(); return true;
    case QEvent::MouseButtonDblClick: {
        dragFrom_.reset();
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::LeftButton && m->position().y() < headerHeight_)
            toggleMaximized();
        return true;
    }
    case QEvent::Resize: noteSize(); return false;
    case QEvent::Hide: keepPlacement(); return false;
    case QEvent::WindowStateChange:
        window_.unsetCursor();
        noteState();
        return false;
    default: return false;
    }
}

void WindowFrame::pressed(QPoint at, Qt::MouseButton button)
{
    const Qt::Edges edges = window_.isMaximized() ? Qt::Edges() : edgesAt(at, window_.size());
    if (edges && button == Qt::LeftButton && window_.windowHandle()) {
        window_.windowHandle()->startSystemResize(edges);
        return;
    }
    // The background is the title bar. The move waits for the pointer to
    // go somewhere, so that a double click on the header is still one.
    dragFrom_ = at;
}

void WindowFrame::moved(QPoint at, bool buttonHeld)
{
    if (!buttonHeld) {
        dragFrom_.reset();
        const Qt::Edges edges = window_.isMaximized() ? Qt::Edges() : edgesAt(at, window_.size());
        if (edges)
            window_.setCursor(resizeCursor(edges));
        else
            window_.unsetCursor();
    } else if (dragFrom_ && (at - *dragFrom_).manhattanLength() >= QApplication::startDragDistance()) {
        dragFrom_.reset();
        if (window_.windowHandle())
            window_.windowHandle()->startSystemMove();
    }
}

void WindowFrame::noteSize()
{
    // The size to come back to. One that fills the work area is the window
    // manager maximising the window before it says so; the first size is
    // no choice of the user's, and is left unwritten.
    const QScreen* where = window_.screen();
    const QSize size = window_.size();
    if (!(window_.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        && !(where && size == where->availableGeometry().size())
        && (placement_.size.isValid() || (size != leastSize_ && size != opened_))) {
        placement_.size = size;
        resting_.start();
    }
}

void WindowFrame::keepPlacement()
{
    resting_.stop();
    kept_.set(placement_);
}

void WindowFrame::noteState()
{
    // Hidden to the tray or minimised, the window keeps the state it comes back in.
    if (window_.isMinimized() || !window_.isVisible())
        return;
    // Never resized, the window comes back at the size it opened at.
    if (!placement_.size.isValid())
        placement_.size = opened_.isValid() ? opened_ : leastSize_;
    placement_.maximised = window_.isMaximized();
    keepPlacement();
}

} // namespace zelvane
