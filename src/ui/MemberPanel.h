#pragma once

#include "app/Settings.h"
#include "ui/Panel.h"

class QComboBox;
class QLineEdit;

namespace zelvane {

class MessageBoxes;

// The member details panel: the frequent-flyer login, the
// e-mail address, how often to check and when to mail, and the login test
// buttons.
class MemberPanel final : public Panel {
    Q_OBJECT
public:
    MemberPanel(SettingsGroup<Member>& member, SettingsGroup<MailPolicy>& mailPolicy,
                SettingsGroup<Schedule>& schedule, MessageBoxes& boxes, const Theme& theme, QWidget* parent);

    // The entries from the settings.
    void load();
    // Stored details are locked against slips until the user unlocks them.
    void lockEntries(bool locked);

signals:
    void detailsSaved();
    // "Test", "Cancel" and "test popup".
    void loginTestAsked();
    void loginTestCancelled();
    void testPopupAsked();

protected:
    void showEvent(QShowEvent* e) override;

private:
    // The keyboard starts where typing is needed: the first empty entry.
    void focusFirstEmpty();
    void storeMemberDetails();
    void chooseInterval(int index);

    SettingsGroup<Member>& member_;
    SettingsGroup<MailPolicy>& mailPolicy_;
    SettingsGroup<Schedule>& schedule_;
    MessageBoxes& boxes_;
    ImageButton *saveButton_, *unlockButton_;
    QLineEdit *memberNoEdit_, *surnameEdit_, *pinEdit_, *emailEdit_;
    QComboBox *intervalChoice_, *mailChoice_;
};

} // namespace zelvane
