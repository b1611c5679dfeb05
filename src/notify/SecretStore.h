#pragma once

#include "app/Settings.h"

#include <QCoroTask>
#include <QString>
#include <chrono>
#include <optional>

namespace zelvane {


// A request to the store may be waiting on the user: a locked store asks for
// its password first, a new one for a password to lock it with, and the
// request ends only when they answer. A store that is not there, or refuses,
// answers at once. So a request is waited for while it is pending, up to
// this limit, past which the store is taken as not answering.
inline constexpr std::chrono::milliseconds kSecretStoreLimit{std::chrono::minutes(5)};

// The desktop's secret store (through QtKeychain), which keeps the mail
// server's password out of plain files where it answers.
struct SecretRead {
    bool answered = false; // the store answered, with the secret or with "none"
    QString secret;
    QString error;         // why it did not answer
};
QCoro::Task<SecretRead> readSecret(QString key, std::chrono::milliseconds limit);

// What a write or a removal came to.
struct SecretChange {
    bool done = false;
    bool pending = false; // the limit passed with the store still at it: it may yet be done
    QString error;        // why not, when not done
};
QCoro::Task<SecretChange> writeSecret(QString key, QString secret, std::chrono::milliseconds limit);
// Done also when there was nothing to remove.
QCoro::Task<SecretChange> removeSecret(QString key, std::chrono::milliseconds limit);

inline const QString kSecretService = QStringLiteral("Zelvane");
inline const QString kSmtpPasswordSecret = QStringLiteral("SmtpPassword");

// The mail server's password has one home: the store, or the settings file
// where it was saved because no store answered. A password in the file is
// therefore newer than any copy the store still has.

// The password for the mail server: the file's, else the store's. `problem`
// says plainly why there is none when a user name needs one.
struct SmtpPassword {
    QString password;
    QString problem;
};
QCoro::Task<SmtpPassword> smtpPassword(AlertChannels channels,
                                       std::chrono::milliseconds limit = kSecretStoreLimit);

// Where a password typed in the alerts panel went.
enum class PasswordPlace {
    Store,
    File,    // no store answered, or it refused
    Nowhere, // the store was still at it at the limit: it may take it yet
};
// Stores a typed password. Whatever the file kept is older and leaves it
// first (the settings are saved then), so a store that takes the new one late
// never has an older one beside it that would win. Until the store answers
// nothing goes to the file.
QCoro::Task<PasswordPlace> storeSmtpPassword(SettingsGroup<AlertChannels>& channels, QString password,
                                             std::chrono::milliseconds limit = kSecretStoreLimit);

// Removes the store's copy when the settings file keeps the password: that
// copy is older and would be taken for it. Waited for a short while only;
// a removal the store is still at goes on by itself.
QCoro::Task<> removeOlderStoreCopy(AlertChannels channels);

} // namespace zelvane
