#pragma once

#include "ui/ImageButton.h"

#include <QList>
#include <QWidget>

class QLabel;

namespace zelvane {

class CheckEngine;
class MessageBoxes;
class ResultTable;
class ResultsViewModel;
class SessionAlerter;
struct Theme;

// What a panel may ask of the main window that holds it. Panels never reach
// each other: whatever one panel's command changes in another goes through
// the window.
class PanelHost {
public:
    virtual MessageBoxes& boxes() = 0;
    virtual CheckEngine& engine() = 0;
    virtual ResultTable& resultTable() = 0;
    virtual ResultsViewModel& resultsModel() = 0;
    virtual SessionAlerter& alerts() = 0;
    virtual const Theme& theme() const = 0;
    virtual void setStatus(const QString& text) = 0;
    // The results view rebuilt from the watch list and the result table.
    virtual void refreshResults() = 0;
    // The member details were stored: the window opens its other panels.
    virtual void memberDetailsSaved() = 0;

protected:
    ~PanelHost() = default;
};

// A panel's size in the main window at its least size. The forms were laid
// out for it and keep it in a larger window, where the lists take the room.
inline constexpr QSize kPanelLeastSize(626, 290);

// One of the panels that take turns in the middle of the main window. It is
// a surface of its own for the pointer: a press on it never moves the window,
// and moving over it puts its own image buttons back to their normal picture.
class Panel : public QWidget {
    Q_OBJECT
public:
    Panel(const char* name, PanelHost& host, QWidget* parent);

protected:
    bool event(QEvent* e) override;

    PanelHost& host_;
    QList<ImageButton*> resetOnMove_;
};

// Builders shared by the main window and its panels.
template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
QLabel* caption(const QString& text, QWidget* parent);
// A button of the picture list: `pressed`, the normal one after it, then the hover one.
ImageButton* listButton(const char* name, int pressed, const Theme& theme, QWidget* parent);
// A picture that holds its own name ("imgCNOff").
ImageButton::Picture holderFace(const char* holder, const Theme& theme);
// Rings `target` in the highlight colour while it has the keyboard focus, just
// outside its frame: a list's own focus mark is one dotted cell, if any.
void ringWhenFocused(QWidget* target);
// A button whose pictures hold their own names.
ImageButton* holderButton(const char* name, const char* pressed, const char* normal, const char* hover,
                          ImageButton::Trigger trigger, const Theme& theme, QWidget* parent);

} // namespace zelvane
