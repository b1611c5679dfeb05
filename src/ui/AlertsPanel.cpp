#include "ui/AlertsPanel.h"

#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "notify/AlertSender.h"
#include "notify/SessionAlerter.h"
#include "notify/AlertEntries.h"
#include "notify/SecretStore.h"
#include "notify/SessionAlerter.h"
#include "ui/NoteLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvane {

AlertsPanel::AlertsPanel(SettingsGroup<AlertChannels>& channels, SessionAlerter& alerts, MessageBoxes& boxes, const Theme& theme,
                         QWidget* parent)
    : Panel("alertsPanel", theme, parent), channels_(channels), alerts_(alerts), boxes_(boxes)
{
    setMaximumSize(kPanelLeastSize); // a form: in a larger window it keeps its place
    // The buttons beside the first two rows, the user and the password on one
    // row, and the rows below across the whole width: every line fits the
    // panel at any scale, long reasons and waiting alerts included.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(20, 6, 20, 6);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(5);
    const auto entry = [&](const char* name, const char* label, int row, int column, int span) {
        auto* e = named(new QLineEdit(this), name);
        auto* l = caption(QString::fromUtf8(label), this);
        l->setBuddy(e);
        grid->addWidget(l, row, column);
        grid->addWidget(e, row, column + 1, 1, span);
        return e;
    };
    smtpHostEdit_ = entry("smtpHostEdit", "Mail &server :", 0, 0, 1);
    smtpHostEdit_->setPlaceholderText(QStringLiteral("smtp.example.com"));
    smtpPortEdit_ = entry("smtpPortEdit", "P&ort :", 0, 2, 1);
    smtpPortEdit_->setMaximumWidth(64);
    smtpSecurityChoice_ = named(new QComboBox(this), "smtpSecurityChoice");
    smtpSecurityChoice_->addItems({QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("TLS")});
    auto* securityCaption = caption(QStringLiteral("Se&curity :"), this);
    securityCaption->setBuddy(smtpSecurityChoice_);
    grid->addWidget(securityCaption, 1, 0);
    grid->addWidget(smtpSecurityChoice_, 1, 1);
    smtpUserEdit_ = entry("smtpUserEdit", "&User :", 2, 0, 1);
    smtpPasswordEdit_ = entry("smtpPasswordEdit", "&Password :", 2, 2, 2);
    smtpPasswordEdit_->setEchoMode(QLineEdit::Password);
    // The notes wrap, and their rows take the height the text needs.
    passwordPlace_ = named(new QLabel(this), "passwordPlaceLabel");
    passwordPlace_->setWordWrap(true);
    passwordPlace_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    passwordPlace_->setForegroundRole(QPalette::PlaceholderText);
    grid->addWidget(passwordPlace_, 3, 1, 1, 4);
    smtpFromEdit_ = entry("smtpFromEdit", "&From :", 4, 0, 4);
    smtpFromEdit_->setPlaceholderText(QStringLiteral("the e-mail address of the member details"));
    pushUrlEdit_ = entry("pushAddressEdit", "Pus&h address :", 5, 0, 4);
    pushUrlEdit_->setPlaceholderText(QStringLiteral("https://ntfy.sh/your-topic"));
    notifyDesktopCheck_ = named(new QCheckBox(QStringLiteral("Show &desktop notifications"), this),
                              "desktopNotesCheck");
    announceChangesOnlyCheck_ = named(new QCheckBox(QStringLiteral("&Announce only flights that became available"), this),
                                    "changesOnlyCheck");
    announceChangesOnlyCheck_->setToolTip(QStringLiteral(
        "Pop-ups, desktop notifications and the push tell only of flights that had no seats at their last check"));
    auto* checks = new QHBoxLayout;
    checks->setSpacing(18);
    checks->addWidget(notifyDesktopCheck_);
    checks->addWidget(announceChangesOnlyCheck_);
    checks->addStretch(1);
    grid->addLayout(checks, 6, 0, 1, 5);
    // Three lines hold every channel failing with its reason, two while what
    // waits is listed below with its own; a longer line ends in "…" and is
    // shown whole in its tooltip.
    testOutcome_ = named(new NoteLabel(3, this), "testOutcomeLabel");
    testOutcome_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    testOutcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(testOutcome_, 7, 0, 1, 5);
    addWaitingList(grid, 8);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(9, 1);

    saveAlertsButton_ = listButton("saveAlertsButton", 16, theme, this);
    saveAlertsButton_->setFixedSize(128, 30);
    resetOnMove_ = {saveAlertsButton_};
    connect(saveAlertsButton_, &ImageButton::activated, this, [this] { save(); });
    testAlertButton_ = named(new QPushButton(QStringLiteral("Send &Test Alert"), this), "testAlertButton");
    connect(testAlertButton_, &QPushButton::clicked, this, [this] { sendTestAlert(); });
    sendNowButton_ = named(new QPushButton(QStringLiteral("Send &Now"), this), "sendNowButton");
    sendNowButton_->setToolTip(QStringLiteral("Try every alert that waits at once"));
    connect(sendNowButton_, &QPushButton::clicked, this, [this] { alerts_.post().sendWaiting(); });
    auto* side = new QVBoxLayout;
    side->setSpacing(6);
    side->addWidget(saveAlertsButton_);
    side->addWidget(testAlertButton_);
    side->addStretch(1);
    grid->addLayout(side, 0, 4, 2, 1);
    grid->addWidget(sendNowButton_, 8, 4, Qt::AlignTop);
    connect(&alerts_.post(), &AlertSender::waitingChanged, this, &AlertsPanel::showWaiting);
    showWaiting();
    setTabOrder(smtpHostEdit_, smtpPortEdit_);
    setTabOrder(smtpPortEdit_, smtpSecurityChoice_);
    setTabOrder(smtpSecurityChoice_, smtpUserEdit_);
}

void AlertsPanel::addWaitingList(QGridLayout* grid, int row)
{
    // Two lines of what waits; each line's tooltip has it whole.
    waitingCaption_ = caption(QString(), this);
    waitingCaption_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    waiting_ = named(new QListWidget(this), "waitingList");
    waiting_->setFrameShape(QFrame::NoFrame);
    waiting_->setFocusPolicy(Qt::NoFocus);
    waiting_->setSelectionMode(QAbstractItemView::NoSelection);
    waiting_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    waiting_->setTextElideMode(Qt::ElideRight);
    waiting_->setFixedHeight(2 * waiting_->fontMetrics().height() + 6);
    waiting_->viewport()->setAutoFillBackground(false);
    grid->addWidget(waitingCaption_, row, 0);
    grid->addWidget(waiting_, row, 1, 1, 3);
}

void AlertsPanel::showWaiting()
{
    const Outbox& outbox = alerts_.post().outbox();
    waiting_->clear();
    // The newest first: that is what the user just missed.
    const QList<OutboxEntry> entries = outbox.waiting();
    for (auto e = entries.crbegin(); e != entries.crend(); ++e) {
        const QString line =
            e->describe() + (e->lastReason.isEmpty() ? QString() : QStringLiteral(": ") + e->lastReason);
        auto* item = new QListWidgetItem(line, waiting_);
        item->setToolTip(line);
    }
    waitingCaption_->setText(outbox.count() == 1 ? QStringLiteral("1 waiting :")
                                                 : QStringLiteral("%1 waiting :").arg(outbox.count()));
    for (QWidget* w : {static_cast<QWidget*>(waitingCaption_), static_cast<QWidget*>(waiting_),
                       static_cast<QWidget*>(sendNowButton_)})
        w->setVisible(outbox.count() > 0);
    testOutcome_->setMaxLines(outbox.count() > 0 ? 2 : 3);
}

AlertEntries AlertsPanel::entries() const
{
    AlertEntries e;
    e.smtpHost = smtpHostEdit_->text();
    e.smtpPort = smtpPortEdit_->text();
    e.smtpSecurity = SmtpSecurity(smtpSecurityChoice_->currentIndex());
    e.smtpUser = smtpUserEdit_->text();
    e.smtpPassword = smtpPasswordEdit_->text();
    e.smtpFrom = smtpFromEdit_->text();
    e.pushUrl = pushUrlEdit_->text();
    e.notifyDesktop = notifyDesktopCheck_->isChecked();
    e.announceChangesOnly = announceChangesOnlyCheck_->isChecked();
    return e;
}

QCoro::Task<> AlertsPanel::load()
{
    const AlertChannels& channels = *channels_;
    const AlertEntries e = alertEntriesFrom(channels);
    smtpHostEdit_->setText(e.smtpHost);
    smtpPortEdit_->setText(e.smtpPort);
    smtpSecurityChoice_->setCurrentIndex(int(e.smtpSecurity));
    smtpUserEdit_->setText(e.smtpUser);
    smtpPasswordEdit_->clear();
    smtpFromEdit_->setText(e.smtpFrom);
    pushUrlEdit_->setText(e.pushUrl);
    notifyDesktopCheck_->setChecked(e.notifyDesktop);
    announceChangesOnlyCheck_->setChecked(e.announceChangesOnly);
    passwordKept_ = !channels.smtpPassword.isEmpty();
    showPasswordPlace(passwordKept_ ? kPasswordInFile : QString());
    if (passwordKept_) {
        co_await removeOlderStoreCopy(channels);
        co_return;
    }
    if (channels.smtpUser.trimmed().isEmpty())
        co_return;
    // Looked up without holding the window: a locked store asks the user first.
    QPointer<AlertsPanel> self(this);
    showPasswordPlace(kPasswordWaiting);
    const SecretRead read = co_await readSecret(kSmtpPasswordSecret, kSecretStoreLimit);
    if (!self)
        co_return;
    passwordKept_ = read.answered && !read.secret.isEmpty();
    showPasswordPlace(passwordKept_ ? kPasswordInStore : QString());
}

void AlertsPanel::showPasswordPlace(const QString& text)
{
    passwordPlace_->setText(text);
    passwordPlace_->setVisible(!text.isEmpty());
    smtpPasswordEdit_->setPlaceholderText(passwordKept_ ? QStringLiteral("kept; type to change")
                                                       : QString());
}

void AlertsPanel::setBusy(bool busy)
{
    busy_ = busy;
    saveAlertsButton_->setEnabled(!busy);
    testAlertButton_->setEnabled(!busy);
}

QCoro::Task<bool> AlertsPanel::save()
{
    if (busy_)
        co_return false;
    const AlertEntries e = entries();
    if (const auto problem = checkAlertEntries(e, passwordKept_)) {
        boxes_.show(problem->message, kProductTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        QWidget* const entryOf[] = {smtpHostEdit_, smtpPortEdit_, smtpSecurityChoice_, smtpFromEdit_, pushUrlEdit_};
        entryOf[int(problem->entry)]->setFocus();
        co_return false;
    }
    QPointer<AlertsPanel> self(this);
    setBusy(true);
    applyAlertEntries(channels_, e);
    if (!e.smtpPassword.isEmpty()) {
        showPasswordPlace(kPasswordWaiting);
        const PasswordPlace place = co_await storeSmtpPassword(channels_, e.smtpPassword);
        if (!self)
            co_return false;
        passwordKept_ = place != PasswordPlace::Nowhere;
        if (passwordKept_)
            smtpPasswordEdit_->clear();
        showPasswordPlace(place == PasswordPlace::Store  ? kPasswordInStore
                          : place == PasswordPlace::File ? kPasswordInFile
                                                         : kPasswordNotKept);
    } else {
        co_await removeOlderStoreCopy(*channels_);
        if (!self)
            co_return false;
    }
    setBusy(false);
    co_return true;
}

QCoro::Task<> AlertsPanel::sendTestAlert()
{
    QPointer<AlertsPanel> self(this);
    const bool saved = co_await save();
    if (!saved || !self)
        co_return;
    setBusy(true);
    testOutcome_->setNote(QStringLiteral("Sending a test alert..."));
    const QList<ChannelOutcome> outcomes = co_await alerts_.sendTestAlert();
    if (!self)
        co_return;
    testOutcome_->setNote(outcomeLine(outcomes));
    setBusy(false);
}

} // namespace zelvane
