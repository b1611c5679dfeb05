#include "ui/QtMessageBoxes.h"

#include <QMessageBox>
#include <cstdio>

namespace zelvane {

MsgAnswer QtMessageBoxes::show(const QString& text, const QString& title, MsgIcon icon,
                               MsgButtons buttons)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

} // namespace zelvane
