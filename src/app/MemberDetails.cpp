#include "app/MemberDetails.h"

#include "app/MessageBoxes.h"
#include "app/Settings.h"

#include <cmath>

namespace zelvane {

MemberEntries memberEntriesFrom(const Settings& s)
{
    MemberEntries e;
    e.memNo = s.memberNo == 0 ? QString() : QString::number(std::round(s.memberNo), 'f', 0);
    e.lastName = s.surname.trimmed();
    // The PIN as the login sends it, zeros and all, once any detail is stored.
    e.pin = s.memberDetailsMissing() ? QString() : s.pinText().trimmed();
    e.email = s.email.trimmed();
    e.combo2Index = s.mailSendType;
    return e;
}

MemberSave saveMemberDetails(Settings& s, const MemberEntries& e, MessageBoxes& boxes)
{
    // The number and PIN boxes count as filled even when they hold blanks only.
    if (e.memNo.isEmpty() || e.lastName.trimmed().isEmpty() || e.pin.isEmpty()
        || e.email.trimmed().isEmpty() || e.combo1Index < 0) {
        boxes.show(kFillAllInformation, kProductTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        return MemberSave::Missing;
    }
    // Nothing is taken until the PIN is known good.
    if (!Settings::pinNumber(e.pin)) {
        boxes.show(Settings::pinIsDigitsOnly(e.pin) ? kPinTooLong : kPinNotDigits, kPinInvalidTitle,
                   MsgIcon::Exclamation, MsgButtons::Ok);
        return MemberSave::PinInvalid;
    }
    bool isNumber = false;
    const double number = e.memNo.trimmed().toDouble(&isNumber);
    if (isNumber && std::isfinite(number))
        s.memberNo = number; // blanks only keep the stored number
    s.surname = e.lastName.trimmed();
    s.setPinText(e.pin);
    s.email = e.email.trimmed();
    s.mailSendType = qint16(e.combo2Index);
    s.save();
    s.load();
    return MemberSave::Saved;
}

QString lastLoginText(const QDateTime& lastLogin)
{
    if (lastLogin == Settings::zeroDate() || !lastLogin.isValid())
        return {};
    return lastLogin.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

} // namespace zelvane
