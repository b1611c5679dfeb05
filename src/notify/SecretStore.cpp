#include "notify/SecretStore.h"

#include "app/Settings.h"

#include <QCoroSignal>
#include <QPointer>
#include <memory>
#include <qt6keychain/keychain.h>

namespace zelvane {

namespace {

// A removal that tidies up is not worth holding a mail or the panel for.
constexpr std::chrono::milliseconds kOlderCopyRemovalWait{10000};

// Runs a started job to its end or the limit. A job past the limit is left
// to finish on its own and then deletes itself.
QCoro::Task<SecretChange> finish(QKeychain::Job* job, std::chrono::milliseconds limit)
{
    QPointer<QKeychain::Job> guard(job);
    job->setAutoDelete(true);
    job->start();
    const auto done = co_await qCoro(job, &QKeychain::Job::finished, limit);
    if (!done || !guard)
        co_return SecretChange{false, true,
                               QStringLiteral("still busy after %1 s")
                                   .arg(std::chrono::duration_cast<std::chrono::seconds>(limit).count())};
    if (job->error() == QKeychain::NoError)
        co_return SecretChange{true, false, {}};
    co_return SecretChange{false, false,
                           job->errorString().isEmpty() ? QStringLiteral("the secret store refused")
                                                        : job->errorString()};
}

} // namespace

QCoro::Task<SecretRead> readSecret(QString key, std::chrono::milliseconds limit)
{
    auto* job = new QKeychain::ReadPasswordJob(kSecretService);
    job->setKey(key);
    // Read inside the finished signal, before the job deletes itself; shared,
    // because a job past the limit may still finish after we are gone.
    struct Found {
        QString secret;
        bool notFound = false;
    };
    auto found = std::make_shared<Found>();
    QObject::connect(job, &QKeychain::Job::finished, job, [job, found] {
        found->secret = job->textData();
        found->notFound = job->error() == QKeychain::EntryNotFound;
    });
    const SecretChange outcome = co_await finish(job, limit);
    if (outcome.done || found->notFound)
        co_return SecretRead{true, found->notFound ? QString() : found->secret, {}};
    co_return SecretRead{false, {}, outcome.error};
}

QCoro::Task<SecretChange> writeSecret(QString key, QString secret, std::chrono::milliseconds limit)
{
    auto* job = new QKeychain::WritePasswordJob(kSecretService);
    job->setKey(key);
    job->setTextData(secret);
    co_return co_await finish(job, limit);
}

QCoro::Task<SecretChange> removeSecret(QString key, std::chrono::milliseconds limit)
{
    auto* job = new QKeychain::DeletePasswordJob(kSecretService);
    job->setKey(key);
    auto notFound = std::make_shared<bool>(false);
    QObject::connect(job, &QKeychain::Job::finished, job,
                     [job, notFound] { *notFound = job->error() == QKeychain::EntryNotFound; });
    const SecretChange outcome = co_await finish(job, limit);
    co_return *notFound ? SecretChange{true, false, {}} : outcome;
}

QCoro::Task<SmtpPassword> smtpPassword(AlertChannels channels, std::chrono::milliseconds limit)
{
    if (channels.smtpUser.trimmed().isEmpty())
        co_return SmtpPassword{};
    const QString kept = channels.smtpPassword;
    if (!kept.isEmpty()) {
        co_await removeOlderStoreCopy(channels);
        co_return SmtpPassword{kept, {}};
    }
    const SecretRead read = co_await readSecret(kSmtpPasswordSecret, limit);
    if (read.answered && !read.secret.isEmpty())
        co_return SmtpPassword{read.secret, {}};
    if (read.answered)
        co_return SmtpPassword{{}, QStringLiteral("no password for the mail server is stored; "
                                                  "enter it in the Alerts panel")};
    co_return SmtpPassword{{}, QStringLiteral("no password for the mail server: the secret store "
                                              "did not answer (%1) and the settings file keeps none")
                                   .arg(read.error)};
}

QCoro::Task<PasswordPlace> storeSmtpPassword(SettingsGroup<AlertChannels>& channels, QString password,
                                             std::chrono::milliseconds limit)
{
    // Saved at once, before the store is asked.
    channels.change([](AlertChannels& c) { c.smtpPassword.clear(); });
    const SecretChange stored = co_await writeSecret(kSmtpPasswordSecret, password, limit);
    if (stored.done)
        co_return PasswordPlace::Store;
    if (stored.pending)
        co_return PasswordPlace::Nowhere;
    channels.change([&password](AlertChannels& c) { c.smtpPassword = password; });
    co_return PasswordPlace::File;
}

QCoro::Task<> removeOlderStoreCopy(AlertChannels channels)
{
    if (channels.smtpPassword.isEmpty())
        co_return;
    co_await removeSecret(kSmtpPasswordSecret, kOlderCopyRemovalWait);
}

} // namespace zelvane
