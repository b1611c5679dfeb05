#pragma once

#include "app/Settings.h"

#include <QString>
#include <optional>

namespace zelvane {

// What the Alerts panel holds when the user saves.
struct AlertEntries {
    QString smtpHost, smtpPort, smtpUser, smtpPassword, smtpFrom, pushUrl;
    SmtpSecurity smtpSecurity = SmtpSecurity::StartTls;
    bool notifyDesktop = true;
    bool announceChangesOnly = false;
};
AlertEntries alertEntriesFrom(const AlertChannels& channels); // the password stays empty

// The first entry that cannot be saved: its control and what to tell the user.
// Which entry a problem is about, so the window can take the user there.
enum class AlertEntry { SmtpHost, SmtpPort, SmtpSecurity, SmtpFrom, PushAddress };
struct EntryProblem {
    AlertEntry entry;
    QString message;
};
// `passwordKept`: a password is stored already (typing none keeps it).
std::optional<EntryProblem> checkAlertEntries(const AlertEntries& entries, bool passwordKept);
// Takes checked entries into the settings (the password is stored apart).
void applyAlertEntries(SettingsGroup<AlertChannels>& channels, const AlertEntries& entries);

} // namespace zelvane
