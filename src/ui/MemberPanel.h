#pragma once

#include "ui/Panel.h"

class QComboBox;
class QLineEdit;

namespace zelvane {

class MessageBoxes;
class Settings;

// The member details panel (PictureMember): the frequent-flyer login, the
// e-mail address, how often to check and when to mail, the login test
// buttons, and the hidden unit and count of the check interval.
class MemberPanel final : public Panel {
    Q_OBJECT
public:
    MemberPanel(Settings& settings, MessageBoxes& boxes, const Theme& theme, QWidget* parent);

    // The entries and the interval controls from the settings.
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

    Settings& settings_;
    MessageBoxes& boxes_;
    ImageButton *saveButton_, *unlockButton_;
    QLineEdit *memberNoEdit_, *surnameEdit_, *pinEdit_, *emailEdit_, *intervalCountEdit_;
    QComboBox *intervalChoice_, *mailChoice_, *intervalUnitChoice_;
};

} // namespace zelvane
