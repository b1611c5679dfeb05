#include "ui/ItineraryPanel.h"

#include "app/Clock.h"
#include "app/TextFile.h"
#include "engine/AwardQuery.h"
#include "itineraries/modMain.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QTreeWidget>

namespace zelvane {

ItineraryPanel::ItineraryPanel(PanelHost& host, QWidget* parent)
    : Panel("PictureItinerary", host, parent),
      editing_(host.state().itineraries, host.resultTable(), host.boxes())
{
    const Theme& t = host.theme();
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(9);

    cbOrigin_ = named(new QComboBox(this), "cbOrigin");
    cbDestation_ = named(new QComboBox(this), "cbDestation");
    for (QComboBox* c : {cbOrigin_, cbDestation_}) {
        c->setMaxVisibleItems(20);
        c->setMinimumContentsLength(12);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    grid->addWidget(caption(QStringLiteral("Origin :"), this), 0, 0);
    grid->addWidget(cbOrigin_, 0, 1);
    grid->addWidget(caption(QStringLiteral("Destination :"), this), 0, 2);
    grid->addWidget(cbDestation_, 0, 3, 1, 2);

    DTPicker1_ = named(new QDateEdit(this), "DTPicker1");
    DTPicker1_->setCalendarPopup(true);
    DTPicker1_->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    DTPicker1_->installEventFilter(this);
    connect(DTPicker1_, &QDateEdit::dateChanged, this, [this] { datePicked_ = true; });
    cbTime_ = named(new QComboBox(this), "cbTime");
    auto* dateCaption = caption(QStringLiteral("Date && Time :"), this);
    dateCaption->setBuddy(DTPicker1_);
    grid->addWidget(dateCaption, 1, 0);
    auto* when = new QHBoxLayout;
    when->addWidget(DTPicker1_, 3);
    when->addWidget(cbTime_, 2);
    grid->addLayout(when, 1, 1);
    cbCabin_ = named(new QComboBox(this), "cbCabin");
    cbCabin_->addItems(cabinNames());
    cbCabin_->setToolTip(QStringLiteral("Count the flight as available only with seats in this cabin"));
    auto* cabinCaption = caption(QStringLiteral("&Cabin :"), this);
    cabinCaption->setBuddy(cbCabin_);
    grid->addWidget(cabinCaption, 1, 2);
    grid->addWidget(cbCabin_, 1, 3, 1, 2);

    ImageSaveQuery_ = listButton("ImageSaveQuery", 16, t, this);
    Imagedelete_ = listButton("Imagedelete", 19, t, this);
    Image6_ = holderButton("Image6", "imgCADown", "imgCAoff", "imgCAover", ImageButton::Trigger::Release, t, this);
    resetOnMove_ = {ImageSaveQuery_, Imagedelete_, Image6_};
    ImageSaveQuery_->setToolTip(QStringLiteral("Add this itinerary"));
    connect(ImageSaveQuery_, &ImageButton::activated, this, &ItineraryPanel::ImageSaveQuery_Click);
    connect(Imagedelete_, &ImageButton::activated, this, &ItineraryPanel::Imagedelete_Click);
    connect(Image6_, &ImageButton::activated, this, &ItineraryPanel::Image6_Release);
    auto* commands = new QHBoxLayout;
    commands->setSpacing(8);
    commands->addWidget(ImageSaveQuery_);
    commands->addWidget(Imagedelete_);
    commands->addWidget(Image6_);
    ImageSaveQuery_->setFixedSize(84, 28);
    Imagedelete_->setFixedSize(90, 28);
    Image6_->setFixedSize(110, 28);
    grid->addLayout(commands, 2, 0, 1, 5, Qt::AlignRight);

    ListView1_ = named(new QTreeWidget(this), "ListView1");
    ListView1_->setHeaderLabels({QStringLiteral("Origin"), QStringLiteral("Destination"), QStringLiteral("Date"),
                                 QStringLiteral("Time"), QStringLiteral("OriCode"), QStringLiteral("DesCode"),
                                 QStringLiteral("Cabin")});
    ListView1_->setRootIsDecorated(false);
    ListView1_->setAlternatingRowColors(true);
    ListView1_->setUniformRowHeights(true);
    ListView1_->hideColumn(4);
    ListView1_->hideColumn(5);
    ListView1_->setColumnWidth(0, 146);
    ListView1_->setColumnWidth(1, 146);
    ListView1_->setColumnWidth(2, 94);
    ListView1_->setColumnWidth(3, 94);
    grid->addWidget(ListView1_, 3, 0, 1, 5);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void ItineraryPanel::load()
{
    FillCityCombo();
    chooseFirstCities();
    FillList();
    const QDate today = host_.state().clock.now().date();
    DTPicker1_->setDateRange(earliestDeparture(today), latestDeparture(today));
    cbTime_->clear();
    cbTime_->addItems(timeOfDayChoices());
    cbTime_->setCurrentIndex(0);
    cbCabin_->setCurrentIndex(int(Cabin::Any));
    datePicked_ = false;
}

void ItineraryPanel::reloadLists()
{
    FillList();
    FillCityCombo();
    chooseFirstCities();
}

void ItineraryPanel::chooseFirstCities()
{
    cbOrigin_->setCurrentIndex(cbOrigin_->count() > 0 ? 0 : -1);
    cbDestation_->setCurrentIndex(-1);
}

void ItineraryPanel::FillCityCombo()
{
    cityRevision_ = host_.state().cities.revision();
    cbOrigin_->clear();
    cbDestation_->clear();
    if (const auto lines = readTextLines(host_.state().cities.cityFilePath())) {
        cbOrigin_->addItems(*lines);
        cbDestation_->addItems(*lines);
    }
}

void ItineraryPanel::FillList()
{
    ListView1_->clear();
    QList<QTreeWidgetItem*> items;
    for (const QString& line : host_.state().itineraries.lines()) {
        const ItineraryCells cells = itineraryCells(line);
        items << new QTreeWidgetItem(QStringList(cells.begin(), cells.end()) << cabinName(cabinOfLine(line)));
    }
    ListView1_->addTopLevelItems(items);
}

void ItineraryPanel::refreshCitiesIfRewritten()
{
    if (cityRevision_ == host_.state().cities.revision())
        return;
    const QString origin = cbOrigin_->currentText(), destination = cbDestation_->currentText();
    const int originAt = cbOrigin_->currentIndex(), destinationAt = cbDestation_->currentIndex();
    FillCityCombo();
    cbOrigin_->setCurrentIndex(originAt < 0 ? -1 : cbOrigin_->findText(origin));
    cbDestation_->setCurrentIndex(destinationAt < 0 ? -1 : cbDestation_->findText(destination));
}

void ItineraryPanel::showEvent(QShowEvent* e)
{
    Panel::showEvent(e);
    refreshCitiesIfRewritten();
}

void ItineraryPanel::ImageSaveQuery_Click()
{
    modMain& state = host_.state();
    refreshCitiesIfRewritten();
    ItineraryChoice choice;
    choice.origin = cbOrigin_->currentText();
    choice.originIndex = cbOrigin_->currentIndex();
    choice.destination = cbDestation_->currentText();
    choice.destinationIndex = cbDestation_->currentIndex();
    choice.date = chosenDate(datePicked_, DTPicker1_->date(), state.clock.now().date());
    choice.timeText = cbTime_->currentText();
    choice.cabin = Cabin(std::max(0, cbCabin_->currentIndex()));
    const auto outcome = editing_.add(choice, state.cities, ListView1_->topLevelItemCount());
    if (outcome == ItineraryEditing::Add::Full || outcome == ItineraryEditing::Add::NoCities)
        return;
    afterEdit(true);
    host_.setStatus(ItineraryEditing::statusAfterAdd(outcome, state.idle));
}

int ItineraryPanel::selectedItinerary() const
{
    QTreeWidgetItem* item = ListView1_->currentItem();
    return item && item->isSelected() ? ListView1_->indexOfTopLevelItem(item) + 1 : 0;
}

void ItineraryPanel::afterEdit(bool redraw)
{
    if (!redraw)
        return;
    FillList();
    // While a session runs the results view keeps the rows it is working through.
    if (host_.state().idle)
        host_.FillListViewQuery();
}

void ItineraryPanel::Imagedelete_Click()
{
    afterEdit(editing_.deleteOne(selectedItinerary(), host_.state().idle) != ItineraryEditing::Delete::Refused);
}

void ItineraryPanel::Image6_Release()
{
    afterEdit(editing_.deleteAll(selectedItinerary(), host_.state().idle) != ItineraryEditing::Delete::Refused);
}

bool ItineraryPanel::eventFilter(QObject* watched, QEvent* e)
{
    // A click on the picker counts as a choice even when the date stays.
    if (watched == DTPicker1_ && e->type() == QEvent::MouseButtonPress)
        datePicked_ = true;
    return Panel::eventFilter(watched, e);
}

} // namespace zelvane
