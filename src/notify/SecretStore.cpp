#include "notify/SecretStore.h"

#include "app/Settings.h"

#include <QCoroSignal>
#include <QPointer>
#include <memory>
#include <qt6keychain/keychain.h>

namespace zelvane {

namespace {

// Runs a started job to its end or its deadline. A job past its deadline is
// left to finish on its own and then deletes itself.
QCoro::Task<std::optional<QString>> finish(QKeychain::Job* job, std::chrono::milliseconds deadline)
{
    QPointer<QKeychain::Job> guard(job);
    job->setAutoDelete(true);
    job->start();
    const auto done = co_await qCoro(job, &QKeychain::Job::finished, deadline);
    if (!done || !guard)
        co_return QStringLiteral("the secret store did not answer");
    if (job->error() == QKeychain::NoError)
        co_return std::nullopt;
    co_return job->errorString().isEmpty() ? QStringLiteral("the secret store refused")
                                           : job->errorString();
}

} // namespace

QCoro::Task<SecretRead> readSecret(QString key, std::chrono::milliseconds deadline)
{
    auto* job = new QKeychain::ReadPasswordJob(kSecretService);
    job->setKey(key);
    // Read inside the finished signal, before the job deletes itself; shared,
    // because a job past its deadline may still finish after we are gone.
    struct Found {
        QString secret;
        bool notFound = false;
    };
    auto found = std::make_shared<Found>();
    QObject::connect(job, &QKeychain::Job::finished, job, [job, found] {
        found->secret = job->textData();
        found->notFound = job->error() == QKeychain::EntryNotFound;
    });
    const std::optional<QString> error = co_await finish(job, deadline);
    if (!error || found->notFound)
        co_return SecretRead{true, found->notFound ? QString() : found->secret, {}};
    co_return SecretRead{false, {}, *error};
}

QCoro::Task<std::optional<QString>> writeSecret(QString key, QString secret,
                                                std::chrono::milliseconds deadline)
{
    auto* job = new QKeychain::WritePasswordJob(kSecretService);
    job->setKey(key);
    job->setTextData(secret);
    co_return co_await finish(job, deadline);
}

QCoro::Task<SmtpPassword> smtpPassword(const Settings& settings, std::chrono::milliseconds deadline)
{
    if (settings.smtpUser.trimmed().isEmpty())
        co_return SmtpPassword{};
    const QString kept = settings.smtpPassword;
    const SecretRead read = co_await readSecret(kSmtpPasswordSecret, deadline);
    if (read.answered && !read.secret.isEmpty())
        co_return SmtpPassword{read.secret, {}};
    if (!kept.isEmpty())
        co_return SmtpPassword{kept, {}};
    if (read.answered)
        co_return SmtpPassword{{}, QStringLiteral("no password for the mail server is stored; "
                                                  "enter it in the Alerts panel")};
    co_return SmtpPassword{{}, QStringLiteral("no password for the mail server: the secret store "
                                              "did not answer (%1) and the settings file keeps none")
                                   .arg(read.error)};
}

QCoro::Task<bool> storeSmtpPassword(Settings& settings, QString password,
                                    std::chrono::milliseconds deadline)
{
    const std::optional<QString> refused =
        co_await writeSecret(kSmtpPasswordSecret, password, deadline);
    settings.smtpPassword = refused ? password : QString();
    co_return !refused;
}

} // namespace zelvane
