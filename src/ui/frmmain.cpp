#include "ui/frmmain.h"

#include "app/MessageBoxes.h"
#include "app/modMain.h"
#include "engine/HttpBrowser.h"
#include "engine/ResultTable.h"
#include "engine/Waits.h"
#include "net/Addresses.h"
#include "notify/ResultsViewModel.h"
#include "notify/SessionMailer.h"
#include "ui/QtMessageBoxes.h"
#include "ui/Skin.h"

#include <QEvent>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvane {

// The session parts a check needs, in the order they are made.
struct frmmain::Session {
    Session(modMain& state, frmmain& view)
        : waits(state.clock, timeScale()),
          mail(results, state.settings, view, boxes),
          engine(state, results, table, {browser, test}, waits, view, mail)
    {
        mail.startJustSent = [this] { engine.TMRJustSent.start(); };
    }
    ResultsViewModel results;
    ResultTable table;
    HttpBrowser browser, test;
    RealWaits waits;
    QtMessageBoxes boxes;
    SessionMailer mail;
    CheckEngine engine;
};

frmmain::frmmain(modMain& state, QWidget* parent)
    : QWidget(parent), session_(std::make_unique<Session>(state, *this)), state_(state)
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

frmmain::~frmmain() = default;

CheckEngine& frmmain::engine()
{
    return session_->engine;
}

void frmmain::ImageResult_Click()
{
    PictureMember_->setVisible(false);
    PictureItinerary_->setVisible(false);
    PictureResult_->setVisible(true);
}

void frmmain::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) {
        session_->engine.stopBlink();
        emit windowActivated();
    }
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
