#pragma once

#include "ui/Panel.h"

class QComboBox;
class QLineEdit;

namespace zelvane {

// The member details panel (PictureMember): the frequent-flyer login, the
// e-mail address, how often to check and when to mail, the login test
// buttons, and the hidden unit and count of the check interval.
class MemberPanel final : public Panel {
    Q_OBJECT
public:
    MemberPanel(PanelHost& host, QWidget* parent);

    // The entries and the interval controls from the settings.
    void load();
    // Stored details are locked against slips until the user unlocks them.
    void lockEntries(bool locked);

protected:
    void showEvent(QShowEvent* e) override;

private:
    // The keyboard starts where typing is needed: the first empty entry.
    void focusFirstEmpty();
    void ImageSave_Click();
    void Combo1_Choice(int index);

    ImageButton *ImageSave_, *ImageClear_;
    QLineEdit *txtMemNo_, *txtMemLName_, *txtPIN_, *txtEmail_, *txtTIme_;
    QComboBox *Combo1_, *Combo2_, *Combo3_;
};

} // namespace zelvane
