#pragma once

#include <QCoroTask>
#include <QString>
#include <chrono>
#include <optional>

namespace zelvane {

class Settings;

// The desktop's secret store (through QtKeychain), which keeps the mail
// server's password out of plain files where it answers. A store that is
// locked or missing may never answer: every call has a deadline.
struct SecretRead {
    bool answered = false; // the store answered, with the secret or with "none"
    QString secret;
    QString error;         // why it did not answer
};
QCoro::Task<SecretRead> readSecret(QString key, std::chrono::milliseconds deadline);
// Nothing when stored; otherwise why not.
QCoro::Task<std::optional<QString>> writeSecret(QString key, QString secret,
                                                std::chrono::milliseconds deadline);

inline const QString kSecretService = QStringLiteral("Zelvane");
inline const QString kSmtpPasswordSecret = QStringLiteral("SmtpPassword");
inline constexpr std::chrono::milliseconds kSecretDeadline{10000};

// The password for the mail server: from the store, else from the settings
// file where it was kept because no store answered. `problem` says plainly
// why there is none when a user name needs one.
struct SmtpPassword {
    QString password;
    QString problem;
};
QCoro::Task<SmtpPassword> smtpPassword(const Settings& settings,
                                       std::chrono::milliseconds deadline = kSecretDeadline);

// Stores a password typed in the alerts panel: in the store when it answers
// (and then none is left in the settings), otherwise in the settings file,
// which only its owner can read. True when the store took it.
QCoro::Task<bool> storeSmtpPassword(Settings& settings, QString password,
                                    std::chrono::milliseconds deadline = kSecretDeadline);

} // namespace zelvane
