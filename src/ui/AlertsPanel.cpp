#include "ui/AlertsPanel.h"

#include "app/MessageBoxes.h"
#include "itineraries/modMain.h"
#include "notify/AlertEntries.h"
#include "notify/SecretStore.h"
#include "notify/SessionAlerter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace zelvane {

AlertsPanel::AlertsPanel(PanelHost& host, QWidget* parent) : Panel("PictureAlerts", host, parent)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(20, 12, 20, 12);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(7);
    const auto entry = [&](const char* name, const char* label, int row, int column, int span) {
        auto* e = named(new QLineEdit(this), name);
        auto* l = caption(QString::fromUtf8(label), this);
        l->setBuddy(e);
        grid->addWidget(l, row, column);
        grid->addWidget(e, row, column + 1, 1, span);
        return e;
    };
    txtSmtpHost_ = entry("txtSmtpHost", "Mail &server :", 0, 0, 1);
    txtSmtpHost_->setPlaceholderText(QStringLiteral("smtp.example.com"));
    txtSmtpPort_ = entry("txtSmtpPort", "P&ort :", 0, 2, 1);
    txtSmtpPort_->setMaximumWidth(64);
    cbSmtpSecurity_ = named(new QComboBox(this), "cbSmtpSecurity");
    cbSmtpSecurity_->addItems({QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("TLS")});
    auto* securityCaption = caption(QStringLiteral("Se&curity :"), this);
    securityCaption->setBuddy(cbSmtpSecurity_);
    grid->addWidget(securityCaption, 1, 0);
    grid->addWidget(cbSmtpSecurity_, 1, 1);
    txtSmtpUser_ = entry("txtSmtpUser", "&User :", 2, 0, 3);
    txtSmtpPassword_ = entry("txtSmtpPassword", "&Password :", 3, 0, 3);
    txtSmtpPassword_->setEchoMode(QLineEdit::Password);
    lblPasswordPlace_ = named(new QLabel(this), "lblPasswordPlace");
    lblPasswordPlace_->setForegroundRole(QPalette::PlaceholderText);
    lblPasswordPlace_->setWordWrap(true);
    grid->addWidget(lblPasswordPlace_, 4, 1, 1, 3);
    txtSmtpFrom_ = entry("txtSmtpFrom", "&From :", 5, 0, 3);
    txtSmtpFrom_->setPlaceholderText(QStringLiteral("the e-mail address of the member details"));
    txtPushUrl_ = entry("txtPushUrl", "Pus&h address :", 6, 0, 3);
    txtPushUrl_->setPlaceholderText(QStringLiteral("https://ntfy.sh/your-topic"));
    chkNotifyDesktop_ = named(new QCheckBox(QStringLiteral("Show &desktop notifications"), this),
                              "chkNotifyDesktop");
    grid->addWidget(chkNotifyDesktop_, 7, 1, 1, 3);
    chkAnnounceChangesOnly_ = named(new QCheckBox(QStringLiteral("&Announce only flights that became available"), this),
                                    "chkAnnounceChangesOnly");
    chkAnnounceChangesOnly_->setToolTip(QStringLiteral(
        "Pop-ups, desktop notifications and the push tell only of flights that had no seats at their last check"));
    grid->addWidget(chkAnnounceChangesOnly_, 8, 1, 1, 3);
    lblTestOutcome_ = named(new QLabel(this), "lblTestOutcome");
    lblTestOutcome_->setWordWrap(true);
    lblTestOutcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(lblTestOutcome_, 9, 0, 1, 4);
    grid->setColumnStretch(1, 1);

    ImageSaveAlerts_ = listButton("ImageSaveAlerts", 16, host.theme(), this);
    ImageSaveAlerts_->setFixedSize(128, 30);
    resetOnMove_ = {ImageSaveAlerts_};
    connect(ImageSaveAlerts_, &ImageButton::activated, this, [this] { save(); });
    cmdTestAlert_ = named(new QPushButton(QStringLiteral("Send &Test Alert"), this), "cmdTestAlert");
    connect(cmdTestAlert_, &QPushButton::clicked, this, [this] { sendTestAlert(); });
    auto* side = new QVBoxLayout;
    side->setSpacing(9);
    side->addWidget(ImageSaveAlerts_);
    side->addWidget(cmdTestAlert_);
    side->addStretch(1);
    grid->addLayout(side, 0, 4, 8, 1);
    setTabOrder(txtSmtpHost_, txtSmtpPort_);
    setTabOrder(txtSmtpPort_, cbSmtpSecurity_);
    setTabOrder(cbSmtpSecurity_, txtSmtpUser_);
}

AlertEntries AlertsPanel::entries() const
{
    AlertEntries e;
    e.smtpHost = txtSmtpHost_->text();
    e.smtpPort = txtSmtpPort_->text();
    e.smtpSecurity = cbSmtpSecurity_->currentIndex();
    e.smtpUser = txtSmtpUser_->text();
    e.smtpPassword = txtSmtpPassword_->text();
    e.smtpFrom = txtSmtpFrom_->text();
    e.pushUrl = txtPushUrl_->text();
    e.notifyDesktop = chkNotifyDesktop_->isChecked();
    e.announceChangesOnly = chkAnnounceChangesOnly_->isChecked();
    return e;
}

QCoro::Task<> AlertsPanel::load()
{
    const clsSettings& settings = host_.state().settings;
    const AlertEntries e = alertEntriesFrom(settings);
    txtSmtpHost_->setText(e.smtpHost);
    txtSmtpPort_->setText(e.smtpPort);
    cbSmtpSecurity_->setCurrentIndex(e.smtpSecurity);
    txtSmtpUser_->setText(e.smtpUser);
    txtSmtpPassword_->clear();
    txtSmtpFrom_->setText(e.smtpFrom);
    txtPushUrl_->setText(e.pushUrl);
    chkNotifyDesktop_->setChecked(e.notifyDesktop);
    chkAnnounceChangesOnly_->setChecked(e.announceChangesOnly);
    passwordKept_ = !settings.m_strSmtpPassword.isEmpty();
    showPasswordPlace(passwordKept_ ? kPasswordInFile : QString());
    if (passwordKept_ || settings.m_strSmtpUser.trimmed().isEmpty())
        co_return;
    // Looked up without holding the window: a locked store may take a while.
    QPointer<AlertsPanel> self(this);
    const SecretRead read = co_await readSecret(kSmtpPasswordSecret, kSecretDeadline);
    if (self && read.answered && !read.secret.isEmpty()) {
        passwordKept_ = true;
        showPasswordPlace(kPasswordInStore);
    }
}

void AlertsPanel::showPasswordPlace(const QString& text)
{
    lblPasswordPlace_->setText(text);
    lblPasswordPlace_->setVisible(!text.isEmpty());
    txtSmtpPassword_->setPlaceholderText(passwordKept_ ? QStringLiteral("kept; type to change")
                                                       : QString());
}

void AlertsPanel::setBusy(bool busy)
{
    busy_ = busy;
    ImageSaveAlerts_->setEnabled(!busy);
    cmdTestAlert_->setEnabled(!busy);
}

QCoro::Task<bool> AlertsPanel::save()
{
    if (busy_)
        co_return false;
    const AlertEntries e = entries();
    if (const auto problem = checkAlertEntries(e, passwordKept_)) {
        host_.boxes().show(problem->message, kProductTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        if (auto* w = findChild<QWidget*>(QLatin1String(problem->control)))
            w->setFocus();
        co_return false;
    }
    QPointer<AlertsPanel> self(this);
    clsSettings& settings = host_.state().settings;
    setBusy(true);
    applyAlertEntries(settings, e);
    if (!e.smtpPassword.isEmpty()) {
        const bool inStore = co_await storeSmtpPassword(settings, e.smtpPassword);
        if (!self)
            co_return false;
        passwordKept_ = true;
        txtSmtpPassword_->clear();
        showPasswordPlace(inStore ? kPasswordInStore : kPasswordInFile);
    }
    settings.SaveSettings();
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
    lblTestOutcome_->setText(QStringLiteral("Sending a test alert…"));
    const QList<ChannelOutcome> outcomes = co_await host_.alerts().sendTestAlert();
    if (!self)
        co_return;
    lblTestOutcome_->setText(outcomeLine(outcomes));
    setBusy(false);
}

} // namespace zelvane
