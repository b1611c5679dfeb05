#pragma once

#include <QString>
#include <optional>

namespace zelvane {

class Settings;

// What the Alerts panel holds when the user saves.
struct AlertEntries {
    QString smtpHost, smtpPort, smtpUser, smtpPassword, smtpFrom, pushUrl;
    int smtpSecurity = 1;
    bool notifyDesktop = true;
    bool announceChangesOnly = false;
};
AlertEntries alertEntriesFrom(const Settings& settings); // the password stays empty

// The first entry that cannot be saved: its control and what to tell the user.
struct EntryProblem {
    const char* control;
    QString message;
};
// `passwordKept`: a password is stored already (typing none keeps it).
std::optional<EntryProblem> checkAlertEntries(const AlertEntries& entries, bool passwordKept);
// Takes checked entries into the settings (the password is stored apart).
void applyAlertEntries(Settings& settings, const AlertEntries& entries);

} // namespace zelvane
