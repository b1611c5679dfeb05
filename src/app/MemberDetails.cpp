#include "app/MemberDetails.h"

#include "app/MessageBoxes.h"
#include "app/Settings.h"

#include <cmath>

namespace zelvane {

MemberEntries memberEntriesFrom(const Member& m, MailPolicy mail)
{
    MemberEntries e;
    e.memberNumber = m.number == 0 ? QString() : QString::number(std::round(m.number), 'f', 0);
    e.surname = m.surname.trimmed();
    // The PIN as the login sends it, zeros and all, once any detail is stored.
    e.pin = m.missing() ? QString() : m.pinText().trimmed();
    e.email = m.email.trimmed();
    e.mailIndex = int(mail);
    return e;
}

MemberSave saveMemberDetails(SettingsGroup<Member>& member, SettingsGroup<MailPolicy>& mail,
                             const MemberEntries& e, MessageBoxes& boxes)
{
    // The number and PIN boxes count as filled even when they hold blanks only.
    if (e.memberNumber.isEmpty() || e.surname.trimmed().isEmpty() || e.pin.isEmpty()
        || e.email.trimmed().isEmpty() || e.intervalIndex < 0) {
        boxes.show(kFillAllInformation, kProductTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        return MemberSave::Missing;
    }
    // Nothing is taken until the PIN is known good.
    if (!Member::pinNumber(e.pin)) {
        boxes.show(Member::pinIsDigitsOnly(e.pin) ? kPinTooLong : kPinNotDigits, kPinInvalidTitle,
                   MsgIcon::Exclamation, MsgButtons::Ok);
        return MemberSave::PinInvalid;
    }
    member.change([&e](Member& m) {
        bool isNumber = false;
        const double number = e.memberNumber.trimmed().toDouble(&isNumber);
        if (isNumber && std::isfinite(number))
            m.number = number; // blanks only keep the stored number
        m.surname = e.surname.trimmed();
        m.setPinText(e.pin);
        m.email = e.email.trimmed();
    });
    // Nothing chosen (a stored value this copy does not offer): kept as it was.
    if (e.mailIndex >= 0)
        mail.set(MailPolicy(e.mailIndex));
    return MemberSave::Saved;
}

QString storedDetailProblem(const Member& m)
{
    if (m.missing())
        return {};
    if (m.number < 0 || m.number != std::floor(m.number))
        return QStringLiteral("the stored frequent flyer number is not a whole number");
    // The PIN itself is not repeated: it is a secret.
    if (!Member::pinNumber(m.pinText()))
        return QStringLiteral("the stored PIN is not digits only");
    return {};
}

QString storedDetailWarning(const QString& problem)
{
    return QStringLiteral("Not checked: ") + problem + QStringLiteral(". Please enter it again and save.");
}

QString lastLoginText(const QDateTime& lastLogin)
{
    if (lastLogin == zeroDate() || !lastLogin.isValid())
        return {};
    return lastLogin.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

} // namespace zelvane
