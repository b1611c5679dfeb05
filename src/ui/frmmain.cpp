#include "ui/frmmain.h"

#include "app/MessageBoxes.h"
#include "app/modMain.h"
#include "ui/Skin.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvane {

frmmain::frmmain(modMain& state, QWidget* parent) : QWidget(parent), state_(state)
{
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(kProductTitle);
    setWindowIcon(applicationIcon());

    auto* buttons = new QHBoxLayout;
    auto* member = new QPushButton(tr("My Details"), this);
    member->setObjectName(QStringLiteral("ImageMember"));
    auto* itin = new QPushButton(tr("Itineraries"), this);
    itin->setObjectName(QStringLiteral("ImageItin"));
    auto* result = new QPushButton(tr("Results"), this);
    result->setObjectName(QStringLiteral("ImageResult"));
    buttons->addWidget(member);
    buttons->addWidget(itin);
    buttons->addWidget(result);
    ImageItin_ = itin;
    ImageResult_ = result;

    const auto panel = [this](const char* name) {
        auto* w = new QWidget(this);
        w->setObjectName(QString::fromLatin1(name));
        w->setMinimumSize(480, 240);
        return w;
    };
    PictureMember_ = panel("PictureMember");
    PictureItinerary_ = panel("PictureItinerary");
    PictureResult_ = panel("PictureResult");

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(PictureMember_);
    layout->addWidget(PictureItinerary_);
    layout->addWidget(PictureResult_);
    layout->addWidget(lblStatus_);
}

void frmmain::setStatus(const QString& text)
{
    lblStatus_->setText(text);
}

QString frmmain::status() const
{
    return lblStatus_->text();
}

void frmmain::openAtMemberDetails()
{
    PictureMember_->setVisible(true);
    PictureItinerary_->setVisible(false);
    PictureResult_->setVisible(false);
    ImageItin_->setEnabled(false);
    ImageResult_->setEnabled(false);
    setStatus(kFillAllRequired);
}

} // namespace zelvane
