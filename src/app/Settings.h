#pragma once

#include "app/SettingsArea.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QSize>
#include <QString>
#include <optional>

namespace zelvane {

class Clock;

// The date-time that stands for "never": the zero of the date arithmetic the
// stored texts come from.
inline QDateTime zeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }

// The member's frequent-flyer login and the address the results go to.
struct Member {
    double number = 0;
    QString surname;
    qint16 pin = 0;
    // The PIN as the user typed it: leading zeros belong to a PIN and must
    // reach the login unchanged. pin keeps its number for the range and
    // "not entered" rules.
    QString typedPin;
    QString email;

    bool operator==(const Member&) const = default;
    // The PIN digits to store and send: as typed when they still stand for
    // pin, otherwise the plain number.
    QString pinText() const;
    // Takes a typed PIN, or what pinText() gave: the number into pin, the
    // digits into typedPin. False (nothing changed) when it is neither.
    bool setPinText(const QString& typed);
    // Missing only when number, surname and PIN all are. The PIN is judged by
    // its digits, not its number: "0000" is a PIN, the stored "0" of a store
    // that never had one is not.
    bool missing() const;

    // A PIN as typed is ASCII digits only, nothing around them, and its number
    // fits pin; anything else ("1234.6", " 1234", "+12", full-width digits)
    // is no PIN rather than a rounded or trimmed one the site would refuse.
    static std::optional<qint16> pinNumber(const QString& typed);
    // ASCII digits only, nothing around them; whether the number fits is pinNumber's.
    static bool pinIsDigitsOnly(const QString& typed);
};

// How often the program checks, and when it last did.
struct Schedule {
    int everyHours = 0;                     // 12, 24, 36 or 48; 0 while none is chosen
    QDateTime lastSessionTime = zeroDate(); // the session that last gave up on its login
    QDateTime lastLoginTime = zeroDate();   // the last check that went through the list
    bool operator==(const Schedule&) const = default;
};

// When the results e-mail goes. Older copies send nothing for a value they do
// not know, so mail only on a change was added last; a stored value this
// program does not know either sends none, and saves as it was.
enum class MailPolicy : qint16 { Always = 0, IfAvailable = 1, Never = 2, OnChange = 3 };

enum class SmtpSecurity { None = 0, StartTls = 1, Tls = 2 };

// Where alerts go besides the pop-ups.
struct AlertChannels {
    QString smtpHost; // empty: no mail server of the user's own
    int smtpPort = 587;
    SmtpSecurity smtpSecurity = SmtpSecurity::StartTls;
    QString smtpUser;
    QString smtpFrom; // empty: the member's own address
    // Only where no secret store answers; empty otherwise, and then not written.
    QString smtpPassword;
    QString siteUrl; // the product site, for its e-mail endpoints
    bool notifyDesktop = true;
    QString pushUrl;
    // The pop-up, the desktop notes and the push tell only of flights that
    // became available since they were last told of.
    bool announceChangesOnly = false;
    bool operator==(const AlertChannels&) const = default;
};

// The main window as the user left it: its size when not maximised (none
// until the user changes it) and whether it was maximised.
struct WindowPlacement {
    QSize size;
    bool maximised = false;
    bool operator==(const WindowPlacement&) const = default;
};

// The checks in a row for which the airline's site could not be used (no
// answer, an HTTP error, another host's page), kept across restarts and runs
// of the headless check.
struct SiteTroubleStreak {
    QDateTime since; // the first of them; invalid while the site works
    int checks = 0;
    bool told = false; // the user has heard of this streak
    QString reason;    // why the last of them failed, in words
    bool operator==(const SiteTroubleStreak&) const = default;
};

// The checks in a row in which a result page could not be read, kept like
// the streak above: the airline may have changed its pages.
struct UnreadablePagesStreak {
    QDateTime since; // the first of them; invalid while pages are read
    int checks = 0;
    bool told = false;
    QString keptPage; // where the last page that could not be read is kept
    bool operator==(const UnreadablePagesStreak&) const = default;
};

// What the user has been told of what keeps going wrong, so each is told once.
struct Told {
    bool loginFailure = false; // the login has failed since the last good one
    SiteTroubleStreak siteTrouble;
    UnreadablePagesStreak unreadablePages;
    bool operator==(const Told&) const = default;
};

// How the program starts with the desktop.
struct StartChoice {
    qint16 autoStart = 1;     // 1: written into the desktop's autostart list at every start
    QString programDirectory; // where the program was started from
    bool operator==(const StartChoice&) const = default;
    bool startsWithDesktop() const { return autoStart == 1; }
};

// Tells when a group of settings changed.
class SettingsChange : public QObject {
    Q_OBJECT
signals:
    void changed();
};

// One group of the settings. Each part of the program is given the groups it
// uses; a change is told by changed(), and the settings save it.
template <typename T>
class SettingsGroup final : public SettingsChange {
public:
    const T& get() const { return value_; }
    const T& operator*() const { return value_; }
    const T* operator->() const { return &value_; }
    void set(const T& value)
    {
        if (value == value_)
            return;
        value_ = value;
        emit changed();
    }
    // Edits a copy and sets it: group.change([](Member& m) { m.email = ...; }).
    template <typename Edit>
    void change(Edit edit)
    {
        T v = value_;
        edit(v);
        set(v);
    }

private:
    friend class Settings;
    T value_{};
};

// One field of a group, for a part that reads nothing else of it: whoever
// only needs the member's address is not handed the PIN with it.
template <typename T, typename F>
class SettingsField final {
public:
    SettingsField(const SettingsGroup<T>& group, F T::*field) : group_(group), field_(field) {}
    const F& operator*() const { return group_.get().*field_; }
    const F* operator->() const { return &**this; }

private:
    const SettingsGroup<T>& group_;
    F T::*field_;
};

// Outcome of a load or save.
struct SettingsStatus {
    QStringList unreadKeys; // load: values no form reads, kept in the file as they are
    QString writeError;     // save: why nothing was written; the file keeps what it had
    bool ok() const { return unreadKeys.isEmpty() && writeError.isEmpty(); }
    // What the user is told of it; empty when all went well.
    QString message() const;
};

// The user's settings: the groups above, read from the settings area one key
// at a time and written to it whole. A value that cannot be read loads as if
// it were missing and goes back as it was stored until a new value takes its
// place; the keys after it load all the same. Groups that change in one turn
// of the event loop are saved together, in one write, when it turns; whoever
// ends the program saves what still waits. The keys and their texts are those
// older copies read and write.
class Settings final : public QObject {
    Q_OBJECT
public:
    Settings(SettingsArea& area, const Clock& clock, QString programFolder);
    ~Settings() override;
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    SettingsGroup<Member> member;
    SettingsGroup<Schedule> schedule;
    SettingsGroup<MailPolicy> mailPolicy;
    SettingsGroup<AlertChannels> channels;
    SettingsGroup<WindowPlacement> window;
    SettingsGroup<Told> told;
    SettingsGroup<StartChoice> start;

    SettingsStatus load();
    // Every key, now, in one write.
    SettingsStatus save();
    // Saves a change that has not reached the file yet, if there is one.
    void saveWaiting();
    // What the last load could not read, or why the last save failed, until
    // a window takes it to tell; empty once taken.
    QString takeNotice();

signals:
    // A save failed; the text says so, for the user.
    void problem(const QString& text);

private:
    void saveSoon();
    SettingsTexts texts(QStringList& removed) const;
    void appendAlertTexts(SettingsTexts& out, QStringList& removed) const;
    void appendToldTexts(SettingsTexts& out) const;
    void loadAlertSettings();
    void loadTold();
    void loadWindowSize();

    SettingsArea& area_;
    const Clock& clock_;
    QString programFolder_;
    // The interval's units other than hours are no longer offered; what an
    // older file holds of them is written back as it was.
    qint16 storedMinutes_ = 0, storedHours_ = 0, storedDays_ = 0, storedUnit_ = 1;
    // A value that could not be read: its stored text, and the text of the
    // value it loaded as, which it stands for until that changes.
    struct Kept {
        QString stored, loadedAs;
    };
    QMap<QString, Kept> kept_;
    bool unsaved_ = false;  // a change has not reached the file
    bool saveSoon_ = false; // a save waits for the event loop
    QString loadNotice_, writeNotice_;
};

} // namespace zelvane
