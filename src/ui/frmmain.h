#pragma once

#include "engine/CheckEngine.h"

#include <QWidget>
#include <memory>

class QLabel;

namespace zelvane {

class modMain;

// The main window. For now it carries the status line and the three panels
// the start-up sequence switches between.
class frmmain : public QWidget, public SessionView {
    Q_OBJECT
public:
    explicit frmmain(modMain& state, QWidget* parent = nullptr);
    ~frmmain() override;

    CheckEngine& engine();
    void ImageResult_Click() override;
    void setStatus(const QString& text) override;
    QString status() const override;
    // Only the member details panel can be reached until details are saved.
    void openAtMemberDetails();

    void raisePopup(int slot, const QString& announcement, int NoPopup) override
    {
        emit popupRequested(slot, announcement, NoPopup);
    }
    void UpdaIcon(int picture) override { emit trayPictureChanged(picture); }

signals:
    void popupRequested(int slot, const QString& announcement, int NoPopup);
    void trayPictureChanged(int picture);
    void windowActivated();

protected:
    void changeEvent(QEvent* e) override;

private:
    struct Session;
    std::unique_ptr<Session> session_;
    modMain& state_;
    QLabel* lblStatus_;
    QWidget* PictureMember_;
    QWidget* PictureItinerary_;
    QWidget* PictureResult_;
    QWidget* ImageItin_;
    QWidget* ImageResult_;
};

} // namespace zelvane
