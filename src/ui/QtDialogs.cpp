#include "ui/QtDialogs.h"

#include "itineraries/Itinerary.h"
#include "ui/DateField.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QVBoxLayout>

namespace zelvane {

QWidget* dialogParent()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<MainWindow*>(w) && w->isVisible())
            return w;
    return nullptr;
}

std::optional<QDate> QtDialogs::chooseSnoozeEnd(const QDate& suggested, const QDate& first)
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("snoozeDateDialog"));
    dialog.setWindowTitle(QStringLiteral("Snooze until"));
    auto* box = new QVBoxLayout(&dialog);
    box->addWidget(new QLabel(QStringLiteral("No alerts of this trip up to and including:"), &dialog));
    auto* field = new DateField(&dialog);
    field->setObjectName(QStringLiteral("snoozeDateField"));
    field->setOffered(first, latestDeparture(first));
    field->setDate(suggested);
    box->addWidget(field);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    box->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || !field->date().isValid() || field->date() < first)
        return std::nullopt;
    return field->date();
}

QString QtDialogs::chooseExportFile(const QString& suggested)
{
    return QFileDialog::getSaveFileName(dialogParent(), QStringLiteral("Export history"), suggested,
                                        QStringLiteral("CSV files (*.csv);;All files (*)"));
}

void QtDialogs::openWebPage(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

} // namespace zelvane
