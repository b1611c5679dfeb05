#include "ui/TrayBlink.h"

namespace zelvane {

TrayBlink::TrayBlink(QObject* parent) : QObject(parent)
{
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, [this] {
        picture_ = picture_ == kBlinkPictureA ? kBlinkPictureB : kBlinkPictureA;
        emit pictureChanged(picture_);
    });
}

void TrayBlink::start()
{
    timer_.start();
}

void TrayBlink::stop()
{
    timer_.stop();
    picture_ = kBlinkPictureA;
    emit pictureChanged(picture_);
}

} // namespace zelvane
