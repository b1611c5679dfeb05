#pragma once

#include <QWidget>

class QLabel;

namespace zelvane {

class modMain;

// The main window. For now it carries the status line and the three panels
// the start-up sequence switches between.
class frmmain : public QWidget {
    Q_OBJECT
public:
    explicit frmmain(modMain& state, QWidget* parent = nullptr);

    void setStatus(const QString& text);
    QString status() const;
    // Only the member details panel can be reached until details are saved.
    void openAtMemberDetails();

private:
    modMain& state_;
    QLabel* lblStatus_;
    QWidget* PictureMember_;
    QWidget* PictureItinerary_;
    QWidget* PictureResult_;
    QWidget* ImageItin_;
    QWidget* ImageResult_;
};

} // namespace zelvane
