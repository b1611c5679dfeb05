#pragma once

#include "app/Settings.h"
#include "ui/Panel.h"

#include <QCoro/QCoroTask>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zelvane {

class MessageBoxes;
class NoteLabel;
class SessionAlerter;


struct AlertEntries;

// The Alerts panel: the user's own mail server, the push address, the
// desktop-notification box, and "Send Test Alert". Entries are checked
// before anything is saved; the password goes to the secret store.
class AlertsPanel final : public Panel {
    Q_OBJECT
public:
    AlertsPanel(SettingsGroup<AlertChannels>& channels, SessionAlerter& alerts, MessageBoxes& boxes, const Theme& theme,
                QWidget* parent);

    // The entries from the settings; where the password is kept is looked up.
    QCoro::Task<> load();
    // Checks and saves; false (nothing saved) on bad input, after saying why.
    QCoro::Task<bool> save();
    // Saves, then sends a test through every channel that is set up.
    QCoro::Task<> sendTestAlert();

private:
    AlertEntries entries() const;
    void showPasswordPlace(const QString& text);
    void setBusy(bool busy);
    // What waits in the outbox, with a button to try it now.
    void showWaiting();
    void addWaitingList(QGridLayout* grid, int row);

    SettingsGroup<AlertChannels>& channels_;
    SessionAlerter& alerts_;
    MessageBoxes& boxes_;
    QLineEdit *smtpHostEdit_, *smtpPortEdit_, *smtpUserEdit_, *smtpPasswordEdit_, *smtpFromEdit_, *pushUrlEdit_;
    QComboBox* smtpSecurityChoice_;
    QCheckBox *notifyDesktopCheck_, *announceChangesOnlyCheck_;
    QLabel *passwordPlace_, *waitingCaption_;
    NoteLabel* testOutcome_;
    QListWidget* waiting_;
    ImageButton* saveAlertsButton_;
    QPushButton *testAlertButton_, *sendNowButton_;
    bool passwordKept_ = false;
    bool busy_ = false;
};

inline const QString kPasswordInStore = QStringLiteral("The password is kept in the desktop's secret store.");
inline const QString kPasswordInFile = QStringLiteral(
    "No secret store answered: the password is kept in the settings file, which only you can read.");
inline const QString kPasswordWaiting = QStringLiteral("Waiting for the secret store...");
inline const QString kPasswordNotKept = QStringLiteral(
    "The secret store did not answer in five minutes: the password was not saved. Save it again "
    "once the store answers.");

} // namespace zelvane
