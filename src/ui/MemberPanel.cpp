#include "ui/MemberPanel.h"

#include "app/MemberDetails.h"
#include "engine/Scheduler.h"
#include "notify/ResultsMail.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace zelvane {

MemberPanel::MemberPanel(SettingsGroup<Member>& member, SettingsGroup<MailPolicy>& mailPolicy,
                         SettingsGroup<Schedule>& schedule, MessageBoxes& boxes, const Theme& theme, QWidget* parent)
    : Panel("memberPanel", theme, parent), member_(member), mailPolicy_(mailPolicy), schedule_(schedule),
      boxes_(boxes)
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
    memberNoEdit_ = entry("memberNumberEdit", 0, "Frequent Flyer No.:");
    surnameEdit_ = entry("surnameEdit", 1, "Last Name:");
    pinEdit_ = entry("pinEdit", 2, "PIN:");
    pinEdit_->setEchoMode(QLineEdit::Password);
    emailEdit_ = entry("emailEdit", 3, "E-mail Address:");
    intervalChoice_ = named(new QComboBox(this), "intervalChoice");
    intervalChoice_->addItems(intervalChoices());
    intervalChoice_->setCurrentIndex(-1);
    grid->addWidget(caption(QStringLiteral("Check Every:"), this), 4, 0);
    grid->addWidget(intervalChoice_, 4, 1);
    mailChoice_ = named(new QComboBox(this), "mailChoice");
    mailChoice_->addItems(mailSendChoices());
    mailChoice_->setCurrentIndex(-1);
    grid->addWidget(caption(QStringLiteral("E-mail Frequency:"), this), 5, 0);
    grid->addWidget(mailChoice_, 5, 1, 1, 3); // its entries are long
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(2, 14);

    saveButton_ = listButton("saveDetailsButton", 16, t, this);
    unlockButton_ = faceButton("changeDetailsButton", ButtonFace::Change, ImageButton::Trigger::Click, t, this);
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
    auto* loginTestButton = named(new QPushButton(QStringLiteral("Test"), this), "loginTestButton");
    auto* cancelButton = named(new QPushButton(QStringLiteral("Cancel"), this), "cancelButton");
    auto* testPopup = named(new QPushButton(QStringLiteral("Test Pop-up"), this), "testPopupButton");
    connect(loginTestButton, &QPushButton::clicked, this, &MemberPanel::loginTestAsked);
    connect(cancelButton, &QPushButton::clicked, this, &MemberPanel::loginTestCancelled);
    connect(testPopup, &QPushButton::clicked, this, &MemberPanel::testPopupAsked);
    auto* pair = new QHBoxLayout;
    pair->addWidget(loginTestButton);
    pair->addWidget(cancelButton);
    side->addLayout(pair);
    side->addWidget(testPopup);
    grid->addLayout(side, 0, 3, 5, 1);

    connect(intervalChoice_, &QComboBox::currentIndexChanged, this, &MemberPanel::chooseInterval);
}

void MemberPanel::load()
{
    const MemberEntries e = memberEntriesFrom(*member_, *mailPolicy_);
    memberNoEdit_->setText(e.memberNumber);
    surnameEdit_->setText(e.surname);
    pinEdit_->setText(e.pin);
    emailEdit_->setText(e.email);
    mailChoice_->setCurrentIndex(e.mailIndex >= 0 && e.mailIndex < mailChoice_->count() ? e.mailIndex : -1);
    // Shown, not chosen: loading stores nothing.
    const QSignalBlocker quiet(intervalChoice_);
    intervalChoice_->setCurrentIndex(intervalIndexOf(schedule_->everyHours));
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
    const MemberEntries entries{memberNoEdit_->text(), surnameEdit_->text(), pinEdit_->text(),
                                emailEdit_->text(), intervalChoice_->currentIndex(), mailChoice_->currentIndex()};
    const MemberSave saved = saveMemberDetails(member_, mailPolicy_, entries, boxes_);
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
    // Only the interval: the details being typed are judged when saved.
    schedule_.change([index](Schedule& s) { s.everyHours = intervalHoursAt(index); });
}

} // namespace zelvane
