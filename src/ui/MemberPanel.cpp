#include "ui/MemberPanel.h"

#include "app/MemberDetails.h"
#include "engine/Scheduler.h"
#include "app/Settings.h"
#include "notify/ResultsMail.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvane {

MemberPanel::MemberPanel(Settings& settings, MessageBoxes& boxes, const Theme& theme, QWidget* parent)
    : Panel("PictureMember", theme, parent), settings_(settings), boxes_(boxes)
{
    setMaximumSize(kPanelLeastSize); // a form: in a larger window it keeps its place
    const Theme& t = theme;
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
    memberNoEdit_ = entry("txtMemNo", 0, "Freq Flyer No. :");
    surnameEdit_ = entry("txtMemLName", 1, "Last Name :");
    pinEdit_ = entry("txtPIN", 2, "PIN :");
    pinEdit_->setEchoMode(QLineEdit::Password);
    emailEdit_ = entry("txtEmail", 3, "Email Address :");
    intervalChoice_ = named(new QComboBox(this), "Combo1");
    intervalChoice_->addItems(intervalChoices());
    intervalChoice_->setCurrentIndex(-1);
    grid->addWidget(caption(QStringLiteral("Check Availability Every.."), this), 4, 0);
    grid->addWidget(intervalChoice_, 4, 1);
    mailChoice_ = named(new QComboBox(this), "Combo2");
    mailChoice_->addItems(mailSendChoices());
    mailChoice_->setCurrentIndex(-1);
    grid->addWidget(caption(QStringLiteral("Email Frequency:"), this), 5, 0);
    grid->addWidget(mailChoice_, 5, 1, 1, 3); // its entries are long
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(2, 14);

    saveButton_ = listButton("ImageSave", 16, t, this);
    unlockButton_ = holderButton("ImageClear", "imgChDown", "imgChOff", "imgChOver", ImageButton::Trigger::Click, t, this);
    resetOnMove_ = {saveButton_, unlockButton_};
    connect(saveButton_, &ImageButton::activated, this, &MemberPanel::storeMemberDetails);
    connect(unlockButton_, &ImageButton::activated, this, [this] {
        lockEntries(false);
        focusFirstEmpty();
    });
    auto* side = new QVBoxLayout;
    side->setSpacing(9);
    for (ImageButton* b : {saveButton_, unlockButton_}) {
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
    connect(cndTest, &QPushButton::clicked, this, &MemberPanel::loginTestAsked);
    connect(cmdCancel, &QPushButton::clicked, this, &MemberPanel::loginTestCancelled);
    connect(testPopup, &QPushButton::clicked, this, &MemberPanel::testPopupAsked);
    auto* pair = new QHBoxLayout;
    pair->addWidget(cndTest);
    pair->addWidget(cmdCancel);
    side->addLayout(pair);
    side->addWidget(testPopup);
    grid->addLayout(side, 0, 3, 5, 1);

    connect(intervalChoice_, &QComboBox::currentIndexChanged, this, &MemberPanel::chooseInterval);

    // Kept off the window: the unit and count of the interval.
    intervalUnitChoice_ = named(new QComboBox(this), "Combo3");
    intervalUnitChoice_->addItems({QStringLiteral("Minutes"), QStringLiteral("Hours"), QStringLiteral("Days")});
    intervalUnitChoice_->setCurrentIndex(-1);
    intervalUnitChoice_->hide();
    connect(intervalUnitChoice_, &QComboBox::currentIndexChanged, this,
            [this](int i) { setIntervalUnit(settings_, i); });
    intervalCountEdit_ = named(new QLineEdit(this), "txtTIme");
    intervalCountEdit_->hide();
    connect(intervalCountEdit_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (const auto entry = setIntervalCount(settings_, text, intervalChoice_->currentText()))
            intervalChoice_->setCurrentIndex(*entry);
    });
}

void MemberPanel::load()
{
    Settings& settings = settings_;
    const MemberEntries e = memberEntriesFrom(settings);
    memberNoEdit_->setText(e.memNo);
    surnameEdit_->setText(e.lastName);
    pinEdit_->setText(e.pin);
    emailEdit_->setText(e.email);
    mailChoice_->setCurrentIndex(e.combo2Index >= 0 && e.combo2Index < mailChoice_->count() ? e.combo2Index : -1);
    const IntervalControls c = loadIntervalControls(settings);
    intervalUnitChoice_->setCurrentIndex(c.combo3Index >= 0 && c.combo3Index < intervalUnitChoice_->count() ? c.combo3Index : -1);
    if (c.combo1Index >= 0)
        intervalChoice_->setCurrentIndex(c.combo1Index); // runs the interval choice, as a user's would
    else if (!c.txtTIme.isEmpty())
        intervalCountEdit_->setText(c.txtTIme);
}

void MemberPanel::lockEntries(bool locked)
{
    for (QWidget* w : std::initializer_list<QWidget*>{memberNoEdit_, surnameEdit_, pinEdit_, emailEdit_, intervalChoice_, mailChoice_})
        w->setEnabled(!locked);
}

void MemberPanel::showEvent(QShowEvent* e)
{
    Panel::showEvent(e);
    focusFirstEmpty();
}

void MemberPanel::focusFirstEmpty()
{
    if (!memberNoEdit_->isEnabled())
        return;
    for (QLineEdit* e : {memberNoEdit_, surnameEdit_, pinEdit_, emailEdit_})
        if (e->text().trimmed().isEmpty())
            return e->setFocus();
    if (intervalChoice_->currentIndex() < 0)
        intervalChoice_->setFocus();
}

void MemberPanel::storeMemberDetails()
{
    const MemberEntries entries{memberNoEdit_->text(),      surnameEdit_->text(),     pinEdit_->text(),
                                emailEdit_->text(),      intervalChoice_->currentIndex(), mailChoice_->currentIndex()};
    const MemberSave saved = saveMemberDetails(settings_, entries, boxes_);
    if (saved == MemberSave::Missing)
        memberNoEdit_->setFocus();
    if (saved != MemberSave::Saved)
        return;
    lockEntries(true);
    emit detailsSaved();
}

void MemberPanel::chooseInterval(int index)
{
    if (index < 0)
        return;
    settings_.intervalChoice = 1;
    intervalCountEdit_->setText(intervalChoice_->itemText(index).left(2));
    storeMemberDetails();
}

} // namespace zelvane
