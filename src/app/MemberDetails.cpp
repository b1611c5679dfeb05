#include "app/MemberDetails.h"

#include "app/MessageBoxes.h"
#include "app/clsSettings.h"

#include <cmath>

namespace zelvane {

MemberEntries memberEntriesFrom(const clsSettings& s)
{
    MemberEntries e;
    e.memNo = s.m_dMemberNo == 0 ? QString() : QString::number(std::round(s.m_dMemberNo), 'f', 0);
    e.lastName = s.m_strLastName.trimmed();
    e.pin = s.m_nPin == 0 ? QString() : s.pinText().trimmed();
    e.email = s.m_strMail.trimmed();
    e.combo2Index = s.m_nMailSendType;
    return e;
}

MemberSave saveMemberDetails(clsSettings& s, const MemberEntries& e, MessageBoxes& boxes)
{
    // The number and PIN boxes count as filled even when they hold blanks only.
    if (e.memNo.isEmpty() || e.lastName.trimmed().isEmpty() || e.pin.isEmpty()
        || e.email.trimmed().isEmpty() || e.combo1Index < 0) {
        boxes.show(kFillAllInformation, kProductTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        return MemberSave::Missing;
    }
    // Nothing is taken until the PIN is known good.
    if (!clsSettings::pinNumber(e.pin)) {
        boxes.show(kPinTooLong, kPinInvalidTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        return MemberSave::PinInvalid;
    }
    bool isNumber = false;
    const double number = e.memNo.trimmed().toDouble(&isNumber);
    if (isNumber && std::isfinite(number))
        s.m_dMemberNo = number; // blanks only keep the stored number
    s.m_strLastName = e.lastName.trimmed();
    s.setPinText(e.pin);
    s.m_strMail = e.email.trimmed();
    s.m_nMailSendType = qint16(e.combo2Index);
    s.SaveSettings();
    s.LoadSettings();
    return MemberSave::Saved;
}

QString lastLoginText(const QDateTime& lastLogin)
{
    if (lastLogin == clsSettings::zeroDate() || !lastLogin.isValid())
        return {};
    return lastLogin.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

} // namespace zelvane
