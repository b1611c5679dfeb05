#include "ui/MemberPanel.h"

#include "app/MemberDetails.h"
#include "engine/CheckEngine.h"
#include "engine/Scheduler.h"
#include "itineraries/modMain.h"
#include "notify/ResultsMail.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvane {

MemberPanel::MemberPanel(PanelHost& host, QWidget* parent) : Panel("PictureMember", host, parent)
{
    const Theme& t = host.theme();
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(20, 16, 20, 16);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(9);

    const auto entry = [&](const char* name, int row, const char* label) {
        auto* e = named(new QLineEdit(this), name);
        grid->addWidget(caption(QString::fromUtf8(label), this), row, 0);
        grid->addWidget(e, row, 1);
        return e;
    };
    txtMemNo_ = entry("txtMemNo", 0, "Freq Flyer No. :");
    txtMemLName_ = entry("txtMemLName", 1, "Last Name :");
    txtPIN_ = entry("txtPIN", 2, "PIN :");
    txtPIN_->setEchoMode(QLineEdit::Password);
    txtEmail_ = entry("txtEmail", 3, "Email Address :");
    Combo1_ = named(new QComboBox(this), "Combo1");
    Combo1_->addItems(intervalChoices());
    Combo1_->setCurrentIndex(-1);
    grid->addWidget(caption(QStringLiteral("Check Availability Every.."), this), 4, 0);
    grid->addWidget(Combo1_, 4, 1);
    Combo2_ = named(new QComboBox(this), "Combo2");
    Combo2_->addItems(mailSendChoices());
    Combo2_->setCurrentIndex(-1);
    grid->addWidget(caption(QStringLiteral("Email Frequency:"), this), 5, 0);
    grid->addWidget(Combo2_, 5, 1, 1, 3); // its entries are long
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(2, 14);

    ImageSave_ = listButton("ImageSave", 16, t, this);
    ImageClear_ = holderButton("ImageClear", "imgChDown", "imgChOff", "imgChOver", ImageButton::Trigger::Click, t, this);
    resetOnMove_ = {ImageSave_, ImageClear_};
    connect(ImageSave_, &ImageButton::activated, this, &MemberPanel::ImageSave_Click);
    connect(ImageClear_, &ImageButton::activated, this, [this] {
        lockEntries(false);
        focusFirstEmpty();
    });
    auto* side = new QVBoxLayout;
    side->setSpacing(9);
    for (ImageButton* b : {ImageSave_, ImageClear_}) {
        b->setFixedSize(128, 30);
        side->addWidget(b);
    }
    side->addStretch(1);
    auto* loginTest = new QLabel(QStringLiteral("Login test"), this);
    loginTest->setForegroundRole(QPalette::PlaceholderText);
    side->addWidget(loginTest);
    auto* cndTest = named(new QPushButton(QStringLiteral("Test"), this), "cndTest");
    auto* cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");
    auto* testPopup = named(new QPushButton(QStringLiteral("test popup"), this), "cmdTestPopup");
    connect(cndTest, &QPushButton::clicked, this, [this] { host_.engine().cndTest_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { host_.engine().cmdCancel_Click(); });
    connect(testPopup, &QPushButton::clicked, this, [this] { host_.engine().raisePopup(); });
    auto* pair = new QHBoxLayout;
    pair->addWidget(cndTest);
    pair->addWidget(cmdCancel);
    side->addLayout(pair);
    side->addWidget(testPopup);
    grid->addLayout(side, 0, 3, 5, 1);

    connect(Combo1_, &QComboBox::currentIndexChanged, this, &MemberPanel::Combo1_Choice);

    // Kept off the window: the unit and count of the interval.
    Combo3_ = named(new QComboBox(this), "Combo3");
    Combo3_->addItems({QStringLiteral("Minutes"), QStringLiteral("Hours"), QStringLiteral("Days")});
    Combo3_->setCurrentIndex(-1);
    Combo3_->hide();
    connect(Combo3_, &QComboBox::currentIndexChanged, this,
            [this](int i) { Combo3_Change(host_.state().settings, i); });
    txtTIme_ = named(new QLineEdit(this), "txtTIme");
    txtTIme_->hide();
    connect(txtTIme_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (const auto entry = txtTIme_Change(host_.state().settings, text, Combo1_->currentText()))
            Combo1_->setCurrentIndex(*entry);
    });
}

void MemberPanel::load()
{
    clsSettings& settings = host_.state().settings;
    const MemberEntries e = memberEntriesFrom(settings);
    txtMemNo_->setText(e.memNo);
    txtMemLName_->setText(e.lastName);
    txtPIN_->setText(e.pin);
    txtEmail_->setText(e.email);
    Combo2_->setCurrentIndex(e.combo2Index >= 0 && e.combo2Index < Combo2_->count() ? e.combo2Index : -1);
    const IntervalControls c = loadIntervalControls(settings);
    Combo3_->setCurrentIndex(c.combo3Index >= 0 && c.combo3Index < Combo3_->count() ? c.combo3Index : -1);
    if (c.combo1Index >= 0)
        Combo1_->setCurrentIndex(c.combo1Index); // runs the interval choice, as a user's would
    else if (!c.txtTIme.isEmpty())
        txtTIme_->setText(c.txtTIme);
}

void MemberPanel::lockEntries(bool locked)
{
    for (QWidget* w : std::initializer_list<QWidget*>{txtMemNo_, txtMemLName_, txtPIN_, txtEmail_, Combo1_, Combo2_})
        w->setEnabled(!locked);
}

void MemberPanel::showEvent(QShowEvent* e)
{
    Panel::showEvent(e);
    focusFirstEmpty();
}

void MemberPanel::focusFirstEmpty()
{
    if (!txtMemNo_->isEnabled())
        return;
    for (QLineEdit* e : {txtMemNo_, txtMemLName_, txtPIN_, txtEmail_})
        if (e->text().trimmed().isEmpty())
            return e->setFocus();
    if (Combo1_->currentIndex() < 0)
        Combo1_->setFocus();
}

void MemberPanel::ImageSave_Click()
{
    const MemberEntries entries{txtMemNo_->text(),      txtMemLName_->text(),     txtPIN_->text(),
                                txtEmail_->text(),      Combo1_->currentIndex(), Combo2_->currentIndex()};
    const MemberSave saved = saveMemberDetails(host_.state().settings, entries, host_.boxes());
    if (saved == MemberSave::Missing)
        txtMemNo_->setFocus();
    if (saved != MemberSave::Saved)
        return;
    lockEntries(true);
    host_.memberDetailsSaved();
}

void MemberPanel::Combo1_Choice(int index)
{
    if (index < 0)
        return;
    host_.state().settings.m_nCBTimeIndex = 1;
    txtTIme_->setText(Combo1_->itemText(index).left(2));
    ImageSave_Click();
}

} // namespace zelvane
