#include "ui/frmmain.h"

#include "app/MemberDetails.h"
#include "app/MessageBoxes.h"
#include "app/ShowWebPage.h"
#include "app/Clock.h"
#include "app/TextFile.h"
#include "itineraries/modMain.h"
#include "engine/AwardQuery.h"
#include "engine/CityUpdate.h"
#include "browser/HttpBrowser.h"
#include "engine/Scheduler.h"
#include "engine/Waits.h"
#include "net/Addresses.h"
#include "net/VersionCheck.h"
#include "notify/ResultsPrint.h"
#include "notify/SessionMailer.h"
#include "ui/ImageButton.h"
#include "ui/QtMessageBoxes.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace zelvane {

namespace {

// The window's geometry, in logical pixels.
constexpr int kWidth = 660;
constexpr int kHeight = 452;
constexpr int kHeader = 46;
constexpr int kTabTop = 56;
constexpr int kTabHeight = 30;
constexpr QRect kPanel(16, 96, 628, 292);
constexpr int kLegendTop = 394;
constexpr int kStatusTop = 420;

BackgroundLayout windowLayout()
{
    return {QSize(kWidth, kHeight), kHeader, kPanel, kStatusTop};
}

ImageButton::Picture listPicture(int index, const Theme& t)
{
    return {imageList1(index, t), QString::number(index)};
}

ImageButton::Picture holder(const QString& name, const Theme& t)
{
    return {holderPicture(name, t), name};
}

QIcon noticeIcon(bool over)
{
    // The alert button: a bright disc with an exclamation mark, drawn at twice
    // its size so that it stays sharp at 200 %.
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(over ? QColor(0xff, 0xe0, 0x66) : QColor(0xfc, 0xc4, 0x19));
    p.drawEllipse(QRectF(3, 3, 42, 42));
    p.setBrush(QColor(0x3d, 0x2c, 0x00));
    p.drawRoundedRect(QRectF(21, 10, 6, 19), 3, 3);
    p.drawEllipse(QRectF(20.5, 32, 7, 7));
    return QIcon(pm);
}

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

template <typename W>
W* named(W* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

frmmain::frmmain(modMain& state, QWidget* parent, MessageBoxes* boxes)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      state_(state),
      ownBoxes_(boxes ? nullptr : std::make_unique<QtMessageBoxes>()),
      boxes_(boxes ? *boxes : *ownBoxes_),
      theme_(currentTheme()),
      editing_(state.itineraries, table_, boxes_)
{
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(kProductTitle);
    setWindowIcon(imageList2(kIconBlinkA));
    setFixedSize(kWidth, kHeight);
    setMouseTracking(true);
    setPalette(paletteFor(theme_));
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);

    endProgram = [this] { EndProgram(state_); };
    openPage = [](const QString& address) {
        QString page = address;
        ShowWebPage(page);
    };

    WebBrowser1_ = std::make_unique<HttpBrowser>();
    WebBrowser3_ = std::make_unique<HttpBrowser>();
    waits_ = std::make_unique<RealWaits>(state_.clock, timeScale());
    mailer_ = std::make_unique<SessionMailer>(results_, state_.settings, *this, boxes_);
    engine_ = std::make_unique<CheckEngine>(state_, results_, table_,
                                            CheckEngine::Browsers{*WebBrowser1_, *WebBrowser3_},
                                            *waits_, *this, *mailer_, this);
    mailer_->startJustSent = [this] { engine_->TMRJustSent.start(); };
    results_.setIconProvider([](int picture) { return imageList2(picture); });

    buildHeader();
    buildMemberPanel();
    buildItineraryPanel();
    buildResultPanel();
    buildStatusRow();
    Form_Load();
}

frmmain::~frmmain() = default;

void frmmain::buildHeader()
{
    const Theme& t = theme_;
    const auto tab = [&](const char* name, int pressed, int i, int width, const char* tip) {
        auto* b = new ImageButton(QLatin1String(name), listPicture(pressed, t), listPicture(pressed + 1, t),
                                  listPicture(pressed + 2, t), ImageButton::Trigger::Click, this);
        b->setGeometry(QRect(tabLeft(i), QSize(width, kTabHeight)));
        if (tip)
            b->setToolTip(QString::fromUtf8(tip));
        return b;
    };
    ImageMyD_ = tab("ImageMyD", 1, 0, 128, "Add/Modify Qantas Login Details");
    ImageItin_ = tab("ImageItin", 4, 1, 128, "Add/Modify Itinerary Details");
    ImageResult_ = tab("ImageResult", 13, 2, 128, "View Your Results Here");
    connect(ImageMyD_, &ImageButton::activated, this, &frmmain::ImageMyD_Click);
    connect(ImageItin_, &ImageButton::activated, this, &frmmain::ImageItin_Click);
    connect(ImageResult_, &ImageButton::activated, this, &frmmain::ImageResult_Click);

    Image5_ = new ImageButton(QStringLiteral("Image5"), holder(QStringLiteral("imgCNDown"), t),
                              holder(QStringLiteral("imgCNOff"), t), holder(QStringLiteral("imgCNOver"), t),
                              ImageButton::Trigger::Release, this);
    Image5_->setGeometry(kWidth - 16 - 168, kTabTop, 168, kTabHeight);
    Image5_->setToolTip(QStringLiteral("Initiate Process Now"));
    connect(Image5_, &ImageButton::activated, this, &frmmain::cmdCheckItinerary_Click);

    // The command button does what Image5 does; the skin shows Image5 in its place.
    cmdCheckItinerary_ = named(new QPushButton(QStringLiteral("Check Itinerary Now"), this), "cmdCheckItinerary");
    cmdCheckItinerary_->setGeometry(Image5_->geometry());
    cmdCheckItinerary_->hide();
    connect(cmdCheckItinerary_, &QPushButton::clicked, this, &frmmain::cmdCheckItinerary_Click);

    const int round = 28, top = (kHeader - round) / 2;
    ImageClose_ = new ImageButton(QStringLiteral("ImageClose"), listPicture(22, t), listPicture(23, t),
                                  listPicture(24, t), ImageButton::Trigger::Click, this);
    ImageClose_->setGeometry(kWidth - 12 - round, top, round, round);
    ImageClose_->setAccessibleName(QStringLiteral("Exit"));
    connect(ImageClose_, &ImageButton::activated, this, [this] { endProgram(); });
    ImageMin_ = new ImageButton(QStringLiteral("ImageMin"), listPicture(25, t), listPicture(26, t),
                                listPicture(27, t), ImageButton::Trigger::Click, this);
    ImageMin_->setGeometry(kWidth - 12 - 2 * round - 4, top, round, round);
    connect(ImageMin_, &ImageButton::activated, this, &QWidget::hide);
    imgabout_ = new ImageButton(QStringLiteral("imgabout"), holder(QStringLiteral("imgHelpDown"), t),
                                holder(QStringLiteral("imgHelpOff"), t), holder(QStringLiteral("imgHelpOver"), t),
                                ImageButton::Trigger::Release, this);
    imgabout_->setGeometry(kWidth - 12 - 3 * round - 8, top, round, round);
    connect(imgabout_, &ImageButton::activated, this, [this] {
        if (showAbout)
            showAbout();
    });

    const ImageButton::Picture notice{noticeIcon(false), QStringLiteral("imgInfo")};
    imgInfo_ = new ImageButton(QStringLiteral("imgInfo"), notice, notice,
                               {noticeIcon(true), QStringLiteral("imgInfo")}, ImageButton::Trigger::Click, this);
    imgInfo_->setGeometry(kWidth - 12 - 4 * round - 20, top + 2, 24, 24);
    imgInfo_->setToolTip(QStringLiteral("There Is An Alert: Click To Read!"));
    imgInfo_->hide();
    connect(imgInfo_, &ImageButton::activated, this, [this] { ShowNotice(state_, boxes_); });

    lblNewVer_ = named(new QLabel(kNewVersionCaption, this), "lblNewVer");
    lblNewVer_->setGeometry(256, 0, imgInfo_->x() - 10 - 256, kHeader);
    lblNewVer_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblNewVer_->setCursor(Qt::PointingHandCursor);
    lblNewVer_->setStyleSheet(QStringLiteral("color: #ffd43b; text-decoration: underline; font-weight: 600; font-size: 12px;"));
    lblNewVer_->installEventFilter(this);
    lblNewVer_->hide();
}

QPoint frmmain::tabLeft(int i) const
{
    return {16 + i * 134, kTabTop};
}

QWidget* frmmain::makePanel(const char* name)
{
    // The panels take turns in one place; each is a surface of its own for
    // the pointer (see eventFilter).
    QWidget* panel = named(new QWidget(this), name);
    panel->setGeometry(kPanel.adjusted(1, 1, -1, -1));
    panel->setMouseTracking(true);
    panel->installEventFilter(this);
    return panel;
}

void frmmain::buildMemberPanel()
{
    const Theme& t = theme_;
    PictureMember_ = makePanel("PictureMember");
    auto* grid = new QGridLayout(PictureMember_);
    grid->setContentsMargins(20, 16, 20, 16);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(9);

    const auto entry = [&](const char* name, int row, const char* label) {
        auto* e = named(new QLineEdit(PictureMember_), name);
        grid->addWidget(caption(QString::fromUtf8(label), PictureMember_), row, 0);
        grid->addWidget(e, row, 1);
        return e;
    };
    txtMemNo_ = entry("txtMemNo", 0, "Freq Flyer No. :");
    txtMemLName_ = entry("txtMemLName", 1, "Last Name :");
    txtPIN_ = entry("txtPIN", 2, "PIN :");
    txtPIN_->setEchoMode(QLineEdit::Password);
    txtEmail_ = entry("txtEmail", 3, "Email Address :");
    Combo1_ = named(new QComboBox(PictureMember_), "Combo1");
    Combo1_->addItems(intervalChoices());
    Combo1_->setCurrentIndex(-1);
    grid->addWidget(caption(QStringLiteral("Check Availability Every.."), PictureMember_), 4, 0);
    grid->addWidget(Combo1_, 4, 1);
    Combo2_ = named(new QComboBox(PictureMember_), "Combo2");
    Combo2_->addItems({QStringLiteral("Send regardless of results"),
                       QStringLiteral("Send only if at least one itinerary is available"),
                       QStringLiteral("Never send!")});
    Combo2_->setCurrentIndex(-1);
    grid->addWidget(caption(QStringLiteral("Email Frequency:"), PictureMember_), 5, 0);
    grid->addWidget(Combo2_, 5, 1, 1, 3); // its entries are long
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(2, 14);

    ImageSave_ = new ImageButton(QStringLiteral("ImageSave"), listPicture(16, t), listPicture(17, t),
                                 listPicture(18, t), ImageButton::Trigger::Click, PictureMember_);
    ImageClear_ = new ImageButton(QStringLiteral("ImageClear"), holder(QStringLiteral("imgChDown"), t),
                                  holder(QStringLiteral("imgChOff"), t), holder(QStringLiteral("imgChOver"), t),
                                  ImageButton::Trigger::Click, PictureMember_);
    connect(ImageSave_, &ImageButton::activated, this, &frmmain::ImageSave_Click);
    connect(ImageClear_, &ImageButton::activated, this, [this] { lockMemberEntries(false); });
    auto* side = new QVBoxLayout;
    side->setSpacing(9);
    for (ImageButton* b : {ImageSave_, ImageClear_}) {
        b->setFixedSize(128, 30);
        side->addWidget(b);
    }
    side->addStretch(1);
    auto* loginTest = new QLabel(QStringLiteral("Login test"), PictureMember_);
    loginTest->setForegroundRole(QPalette::PlaceholderText);
    side->addWidget(loginTest);
    auto* cndTest = named(new QPushButton(QStringLiteral("Test"), PictureMember_), "cndTest");
    auto* cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), PictureMember_), "cmdCancel");
    auto* testPopup = named(new QPushButton(QStringLiteral("test popup"), PictureMember_), "cmdTestPopup");
    connect(cndTest, &QPushButton::clicked, this, [this] { engine_->cndTest_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { engine_->cmdCancel_Click(); });
    connect(testPopup, &QPushButton::clicked, this, [this] { engine_->raisePopup(); });
    auto* pair = new QHBoxLayout;
    pair->addWidget(cndTest);
    pair->addWidget(cmdCancel);
    side->addLayout(pair);
    side->addWidget(testPopup);
    grid->addLayout(side, 0, 3, 5, 1);

    connect(Combo1_, &QComboBox::currentIndexChanged, this, &frmmain::Combo1_Choice);

    // Kept off the window: the unit and count of the interval.
    Combo3_ = named(new QComboBox(this), "Combo3");
    Combo3_->addItems({QStringLiteral("Minutes"), QStringLiteral("Hours"), QStringLiteral("Days")});
    Combo3_->setCurrentIndex(-1);
    Combo3_->hide();
    connect(Combo3_, &QComboBox::currentIndexChanged, this,
            [this](int i) { Combo3_Change(state_.settings, i); });
    txtTIme_ = named(new QLineEdit(this), "txtTIme");
    txtTIme_->hide();
    connect(txtTIme_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (const auto entry = txtTIme_Change(state_.settings, text, Combo1_->currentText()))
            Combo1_->setCurrentIndex(*entry);
    });
}

void frmmain::buildItineraryPanel()
{
    const Theme& t = theme_;
    PictureItinerary_ = makePanel("PictureItinerary");
    auto* grid = new QGridLayout(PictureItinerary_);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(9);

    cbOrigin_ = named(new QComboBox(PictureItinerary_), "cbOrigin");
    cbDestation_ = named(new QComboBox(PictureItinerary_), "cbDestation");
    for (QComboBox* c : {cbOrigin_, cbDestation_}) {
        c->setMaxVisibleItems(20);
        c->setMinimumContentsLength(12);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    }
    grid->addWidget(caption(QStringLiteral("Origin :"), PictureItinerary_), 0, 0);
    grid->addWidget(cbOrigin_, 0, 1);
    grid->addWidget(caption(QStringLiteral("Destination :"), PictureItinerary_), 0, 2);
    grid->addWidget(cbDestation_, 0, 3, 1, 2);

    DTPicker1_ = named(new QDateEdit(PictureItinerary_), "DTPicker1");
    DTPicker1_->setCalendarPopup(true);
    DTPicker1_->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    DTPicker1_->installEventFilter(this);
    connect(DTPicker1_, &QDateEdit::dateChanged, this, [this] { datePicked_ = true; });
    cbTime_ = named(new QComboBox(PictureItinerary_), "cbTime");
    auto* dateCaption = caption(QStringLiteral("Date && Time :"), PictureItinerary_);
    dateCaption->setBuddy(DTPicker1_);
    grid->addWidget(dateCaption, 1, 0);
    auto* when = new QHBoxLayout;
    when->addWidget(DTPicker1_, 3);
    when->addWidget(cbTime_, 2);
    grid->addLayout(when, 1, 1);

    ImageSaveQuery_ = new ImageButton(QStringLiteral("ImageSaveQuery"), listPicture(16, t), listPicture(17, t),
                                      listPicture(18, t), ImageButton::Trigger::Click, PictureItinerary_);
    Imagedelete_ = new ImageButton(QStringLiteral("Imagedelete"), listPicture(19, t), listPicture(20, t),
                                   listPicture(21, t), ImageButton::Trigger::Click, PictureItinerary_);
    Image6_ = new ImageButton(QStringLiteral("Image6"), holder(QStringLiteral("imgCADown"), t),
                              holder(QStringLiteral("imgCAoff"), t), holder(QStringLiteral("imgCAover"), t),
                              ImageButton::Trigger::Release, PictureItinerary_);
    ImageSaveQuery_->setToolTip(QStringLiteral("Add this itinerary"));
    connect(ImageSaveQuery_, &ImageButton::activated, this, &frmmain::ImageSaveQuery_Click);
    connect(Imagedelete_, &ImageButton::activated, this, &frmmain::Imagedelete_Click);
    connect(Image6_, &ImageButton::activated, this, &frmmain::Image6_Release);
    auto* commands = new QHBoxLayout;
    commands->setSpacing(8);
    commands->addWidget(ImageSaveQuery_);
    commands->addWidget(Imagedelete_);
    commands->addWidget(Image6_);
    ImageSaveQuery_->setFixedSize(84, 28);
    Imagedelete_->setFixedSize(90, 28);
    Image6_->setFixedSize(110, 28);
    grid->addLayout(commands, 1, 2, 1, 3, Qt::AlignRight);

    ListView1_ = named(new QTreeWidget(PictureItinerary_), "ListView1");
    ListView1_->setHeaderLabels({QStringLiteral("Origin"), QStringLiteral("Destination"), QStringLiteral("Date"),
                                 QStringLiteral("Time"), QStringLiteral("OriCode"), QStringLiteral("DesCode")});
    ListView1_->setRootIsDecorated(false);
    ListView1_->setAlternatingRowColors(true);
    ListView1_->setUniformRowHeights(true);
    ListView1_->hideColumn(4);
    ListView1_->hideColumn(5);
    ListView1_->setColumnWidth(0, 180);
    ListView1_->setColumnWidth(1, 180);
    ListView1_->setColumnWidth(2, 110);
    grid->addWidget(ListView1_, 2, 0, 1, 5);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
}

void frmmain::buildResultPanel()
{
    PictureResult_ = makePanel("PictureResult");
    auto* box = new QVBoxLayout(PictureResult_);
    box->setContentsMargins(14, 30, 14, 12);
    box->setSpacing(8);
    ListViewQuery_ = named(new QTreeView(PictureResult_), "ListViewQuery");
    ListViewQuery_->setModel(&results_);
    ListViewQuery_->setRootIsDecorated(false);
    ListViewQuery_->setAlternatingRowColors(true);
    ListViewQuery_->setUniformRowHeights(true);
    ListViewQuery_->setIconSize(QSize(16, 16));
    ListViewQuery_->setColumnHidden(4, true);
    ListViewQuery_->setColumnHidden(5, true);
    ListViewQuery_->setColumnWidth(0, 190);
    ListViewQuery_->setColumnWidth(1, 170);
    ListViewQuery_->setColumnWidth(2, 110);
    connect(&results_, &QAbstractItemModel::modelReset, this, [this] {
        ListViewQuery_->setColumnHidden(4, true);
        ListViewQuery_->setColumnHidden(5, true);
    });
    connect(ListViewQuery_, &QTreeView::clicked, this, [this](const QModelIndex& i) {
        RichTextBox1_->setPlainText(ResultsViewModel::rowClickText(table_, i.row() + 1));
    });
    box->addWidget(ListViewQuery_, 3);

    auto* details = new QHBoxLayout;
    RichTextBox1_ = named(new QTextEdit(PictureResult_), "RichTextBox1");
    RichTextBox1_->setAcceptRichText(false);
    RichTextBox1_->setLineWrapMode(QTextEdit::NoWrap);
    RichTextBox1_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    RichTextBox1_->setPlaceholderText(QStringLiteral("Flight details of the itinerary you click"));
    details->addWidget(RichTextBox1_, 1);
    auto* print = named(new QPushButton(QStringLiteral("Print"), PictureResult_), "Command2");
    print->setMinimumWidth(84);
    connect(print, &QPushButton::clicked, this, &frmmain::Command2_Click);
    details->addWidget(print, 0, Qt::AlignBottom);
    box->addLayout(details, 2);
}

void frmmain::buildStatusRow()
{
    // The legend and the hint share the row under the panels.
    const struct {
        const char* image;
        int picture;
        const char* label;
        const char* text;
    } legend[] = {{"Image2", kIconAvailable, "Label10", "Flight Available"},
                  {"Image3", kIconNotAvailable, "Label13", "Flight Not Available"},
                  {"Image4", kIconNotChecked, "Label18", "Not Checked Yet"}};
    int x = 20;
    for (const auto& l : legend) {
        auto* image = named(new QLabel(this), l.image);
        image->setPixmap(imageList2(l.picture).pixmap(QSize(16, 16), qGuiApp->devicePixelRatio()));
        image->setGeometry(x, kLegendTop + 2, 16, 16);
        auto* text = named(new QLabel(QString::fromUtf8(l.text), this), l.label);
        text->adjustSize();
        text->setGeometry(x + 21, kLegendTop, text->width() + 4, 20);
        x += 21 + text->width() + 20;
        legend_ << image << text;
    }
    // The hint sits above the list it speaks of.
    Label4_ = named(new QLabel(QStringLiteral("Please Click on the List and See Results Below  "), this), "Label4");
    Label4_->setGeometry(kPanel.x() + 16, kPanel.y() + 6, kPanel.width() - 32, 22);
    Label4_->setForegroundRole(QPalette::PlaceholderText);
    for (QWidget* w : legend_)
        w->hide();
    Label4_->hide();

    lblStatus_ = named(new QLabel(status::kWaitingItineraries, this), "lblStatus");
    lblStatus_->setGeometry(18, kStatusTop, 430, kHeight - kStatusTop);
    QFont f = lblStatus_->font();
    f.setBold(true);
    lblStatus_->setFont(f);
    // Throttle figures of the engine: logins sent, minutes into the window.
    Label25_ = named(new QLabel(this), "Label25");
    Label25_->setGeometry(452, kStatusTop, 22, kHeight - kStatusTop);
    Label25_->setToolTip(QStringLiteral("Logins sent in the last five minutes"));
    Label24_ = named(new QLabel(this), "Label24");
    Label24_->setGeometry(476, kStatusTop, 22, kHeight - kStatusTop);
    Label24_->setToolTip(QStringLiteral("Minutes since the first of those logins"));
    lblLastLoginTime_ = named(new QLabel(this), "lblLastLoginTime");
    lblLastLoginTime_->setGeometry(500, kStatusTop, kWidth - 18 - 500, kHeight - kStatusTop);
    lblLastLoginTime_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblLastLoginTime_->setToolTip(QStringLiteral("Last completed check"));
    for (QLabel* l : {Label24_, Label25_, lblLastLoginTime_})
        l->setForegroundRole(QPalette::PlaceholderText);
}

void frmmain::Form_Load()
{
    // Each step stands on its own: one that finds nothing to do leaves the next to run.
    refreshSkin();
    lblLastLoginTime_->setText(lastLoginText(state_.settings.m_dLastLoginTime));
    SetMemberLock();
    const MemberEntries e = memberEntriesFrom(state_.settings);
    txtMemNo_->setText(e.memNo);
    txtMemLName_->setText(e.lastName);
    txtPIN_->setText(e.pin);
    txtEmail_->setText(e.email);
    Combo2_->setCurrentIndex(e.combo2Index >= 0 && e.combo2Index < Combo2_->count() ? e.combo2Index : -1);
    loadIntervalAndItineraryControls();
    FillListViewQuery();
    ImageItin_Click();
    if (showNewVersionLabel(state_)) {
        lblNewVer_->show();
        Label4_->hide();
    }
    fetchNotice();
}

void frmmain::loadIntervalAndItineraryControls()
{
    const IntervalControls c = loadIntervalControls(state_.settings);
    Combo3_->setCurrentIndex(c.combo3Index >= 0 && c.combo3Index < Combo3_->count() ? c.combo3Index : -1);
    if (c.combo1Index >= 0)
        Combo1_->setCurrentIndex(c.combo1Index); // runs the interval choice, as a user's would
    else if (!c.txtTIme.isEmpty())
        txtTIme_->setText(c.txtTIme);
    FillCityCombo();
    cbOrigin_->setCurrentIndex(cbOrigin_->count() > 0 ? 0 : -1);
    cbDestation_->setCurrentIndex(-1);
    FillList();
    const QDate today = state_.clock.now().date();
    DTPicker1_->setDateRange(earliestDeparture(today), latestDeparture(today));
    cbTime_->clear();
    cbTime_->addItems(timeOfDayChoices());
    cbTime_->setCurrentIndex(0);
    datePicked_ = false;
}

QCoro::Task<> frmmain::fetchNotice()
{
    QPointer<frmmain> self(this);
    modMain& state = state_;
    // Awaited on the event loop: the window is usable while the site answers.
    co_await FetchNotice(state, noticeAddress());
    if (self && showNoticeButton(state))
        self->imgInfo_->show();
}

void frmmain::FillCityCombo()
{
    cbOrigin_->clear();
    cbDestation_->clear();
    if (const auto lines = readTextLines(state_.cities.cityFilePath())) {
        cbOrigin_->addItems(*lines);
        cbDestation_->addItems(*lines);
    }
}

void frmmain::FillList()
{
    ListView1_->clear();
    QList<QTreeWidgetItem*> items;
    for (const QString& line : state_.itineraries.lines()) {
        const ItineraryCells cells = itineraryCells(line);
        items << new QTreeWidgetItem(QStringList(cells.begin(), cells.end()));
    }
    ListView1_->addTopLevelItems(items);
}

void frmmain::FillListViewQuery()
{
    results_.FillListViewQuery(state_.itineraries, table_);
}

QCoro::Task<> frmmain::CallUpdates()
{
    // Its own browser, so an update never disturbs a session's page.
    if (!WebBrowser2_)
        WebBrowser2_ = std::make_unique<HttpBrowser>();
    CityUpdateSteps steps;
    steps.reloadLists = [this] {
        FillList();
        FillCityCombo();
        cbOrigin_->setCurrentIndex(cbOrigin_->count() > 0 ? 0 : -1);
        cbDestation_->setCurrentIndex(-1);
    };
    steps.refillResults = [this] { FillListViewQuery(); };
    steps.versionCheck = versionCheck;
    co_await zelvane::CallUpdates(*WebBrowser2_, engine_->loginUrl(), state_.cities, *this, *waits_,
                                  std::move(steps));
}

void frmmain::SetMemberLock()
{
    const bool missing = state_.settings.memberDetailsMissing();
    lockMemberEntries(!missing);
    if (missing)
        showPanel(Panel::Itinerary);
}

void frmmain::lockMemberEntries(bool locked)
{
    for (QWidget* w : std::initializer_list<QWidget*>{txtMemNo_, txtMemLName_, txtPIN_, txtEmail_, Combo1_, Combo2_})
        w->setEnabled(!locked);
}

void frmmain::showPanel(Panel panel)
{
    current_ = panel;
    PictureMember_->setVisible(panel == Panel::Member);
    PictureItinerary_->setVisible(panel == Panel::Itinerary);
    PictureResult_->setVisible(panel == Panel::Result);
    Label4_->setVisible(panel == Panel::Result);
    for (QWidget* w : legend_)
        w->setVisible(panel == Panel::Result);
    cmdCheckItinerary_->setEnabled(true);
    if (panel != Panel::Result && showNewVersionLabel(state_)) {
        lblNewVer_->show();
        Label4_->hide();
    }
    update(); // the tab marker follows the panel
}

void frmmain::ImageMyD_Click()
{
    showPanel(Panel::Member);
}

void frmmain::ImageItin_Click()
{
    showPanel(Panel::Itinerary);
}

void frmmain::ImageResult_Click()
{
    showPanel(Panel::Result);
}

void frmmain::openAtMemberDetails()
{
    showPanel(Panel::Member);
    ImageItin_->setEnabled(false);
    ImageResult_->setEnabled(false);
    setStatus(kFillAllRequired);
}

void frmmain::Form_Activate()
{
    lblLastLoginTime_->setText(lastLoginText(state_.settings.m_dLastLoginTime));
    engine_->stopBlink();
    UpdaIcon(kIconBlinkA);
    emit windowActivated();
}

void frmmain::ImageSave_Click()
{
    const MemberEntries entries{txtMemNo_->text(),      txtMemLName_->text(),     txtPIN_->text(),
                                txtEmail_->text(),      Combo1_->currentIndex(), Combo2_->currentIndex()};
    const MemberSave saved = saveMemberDetails(state_.settings, entries, boxes_);
    if (saved == MemberSave::Missing)
        txtMemNo_->setFocus();
    if (saved != MemberSave::Saved)
        return;
    lockMemberEntries(true);
    SetMemberLock();
    showPanel(Panel::Member);
    ImageItin_->setEnabled(true);
    ImageResult_->setEnabled(true);
}

void frmmain::Combo1_Choice(int index)
{
    if (index < 0)
        return;
    state_.settings.m_nCBTimeIndex = 1;
    txtTIme_->setText(Combo1_->itemText(index).left(2));
    ImageSave_Click();
}

void frmmain::ImageSaveQuery_Click()
{
    ItineraryChoice choice;
    choice.origin = cbOrigin_->currentText();
    choice.originIndex = cbOrigin_->currentIndex();
    choice.destination = cbDestation_->currentText();
    choice.destinationIndex = cbDestation_->currentIndex();
    choice.date = chosenDate(datePicked_, DTPicker1_->date(), state_.clock.now().date());
    choice.timeText = cbTime_->currentText();
    const auto outcome = editing_.add(choice, state_.cities, ListView1_->topLevelItemCount());
    if (outcome == ItineraryEditing::Add::Full || outcome == ItineraryEditing::Add::NoCities)
        return;
    FillList();
    if (state_.idle)
        FillListViewQuery();
    setStatus(ItineraryEditing::statusAfterAdd(outcome, state_.idle));
}

int frmmain::selectedItinerary() const
{
    QTreeWidgetItem* item = ListView1_->currentItem();
    return item && item->isSelected() ? ListView1_->indexOfTopLevelItem(item) + 1 : 0;
}

void frmmain::afterEdit(bool redraw)
{
    if (!redraw)
        return;
    FillList();
    if (state_.idle)
        FillListViewQuery();
}

void frmmain::Imagedelete_Click()
{
    afterEdit(editing_.deleteOne(selectedItinerary(), state_.idle) != ItineraryEditing::Delete::Refused);
}

void frmmain::Image6_Release()
{
    afterEdit(editing_.deleteAll(selectedItinerary(), state_.idle) != ItineraryEditing::Delete::Refused);
}

void frmmain::cmdCheckItinerary_Click()
{
    // Runs on; the engine refuses a second session while one is going.
    engine_->cmdCheckItinerary_Click();
}

void frmmain::Command2_Click()
{
    RichTextBox1_->setPlainText(withPrintHeader(RichTextBox1_->toPlainText(), state_.clock.now().date()));
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    const PrintDestination where = choosePrintDestination(
        qEnvironmentVariable("ZELVANE_PRINT_PDF"), !printer.isNull(),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), state_.clock.now().date());
    if (where.printer) {
        QPrinter device(printer, QPrinter::HighResolution);
        RichTextBox1_->document()->print(&device);
        setStatus(device.printerState() == QPrinter::Error ? printFailed(where, QStringLiteral("printer error"))
                                                           : printedTo(where));
        return;
    }
    const QFileInfo target(where.pdfFile);
    if (!QDir().mkpath(target.absolutePath())) {
        setStatus(printFailed(where, QStringLiteral("no folder")));
        return;
    }
    // Written beside the target and moved over it only when whole.
    const QString part = target.absoluteFilePath() + QStringLiteral(".part");
    QPrinter device(QPrinter::HighResolution);
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(part);
    RichTextBox1_->document()->print(&device);
    const bool written = device.printerState() != QPrinter::Error && QFileInfo(part).size() > 0;
    if (written)
        QFile::remove(target.absoluteFilePath());
    if (!written || !QFile::rename(part, target.absoluteFilePath())) {
        QFile::remove(part);
        setStatus(printFailed(where, QStringLiteral("could not write the file")));
        return;
    }
    setStatus(printedTo(where));
}

void frmmain::lblNewVer_Click()
{
    OfferUpdate(state_, boxes_, openPage, endProgram);
}

void frmmain::setStatus(const QString& text)
{
    lblStatus_->setText(text);
}

QString frmmain::status() const
{
    return lblStatus_->text();
}

void frmmain::showOverKill(int count)
{
    Label25_->setText(QString::number(count));
}

void frmmain::showCheckNowCount(int minutes)
{
    Label24_->setText(QString::number(minutes));
}

void frmmain::showLastLoginTime(const QString& text)
{
    lblLastLoginTime_->setText(text);
}

void frmmain::raisePopup(int slot, const QString& announcement, int NoPopup)
{
    emit popupRequested(slot, announcement, NoPopup);
}

void frmmain::UpdaIcon(int picture)
{
    setWindowIcon(imageList2(picture));
    emit trayPictureChanged(picture);
}

void frmmain::showNewVersion()
{
    lblNewVer_->show();
    Label4_->hide();
}

void frmmain::refreshSkin()
{
    background_ = mainBackground(windowLayout(), devicePixelRatioF(), theme_);
    setMask(shapeFromPicture(background_));
}

bool frmmain::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::WindowActivate: Form_Activate(); break;
    case QEvent::ScreenChangeInternal: refreshSkin(); break;
    default: break;
    }
    return QWidget::event(e);
}

void frmmain::paintEvent(QPaintEvent*)
{
    if (!qFuzzyCompare(background_.devicePixelRatio(), devicePixelRatioF()))
        refreshSkin();
    QPainter p(this);
    p.drawImage(QPoint(0, 0), background_);
    // A bar under the tab of the panel in view.
    const int i = current_ == Panel::Member ? 0 : current_ == Panel::Itinerary ? 1 : 2;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(theme_.pressed);
    p.drawRoundedRect(QRectF(tabLeft(i).x() + 10, kTabTop + kTabHeight + 3, 108, 3), 1.5, 1.5);
}

void frmmain::mousePressEvent(QMouseEvent* e)
{
    // The background is the title bar.
    if (windowHandle())
        windowHandle()->startSystemMove();
    e->accept();
}

void frmmain::mouseMoveEvent(QMouseEvent*)
{
    for (ImageButton* b : {ImageMyD_, ImageItin_, ImageResult_, ImageMin_, ImageClose_, Image5_, imgabout_})
        b->resetPicture();
}

void frmmain::closeEvent(QCloseEvent* e)
{
    state_.settings.SaveSettings();
    state_.itineraries.SaveQueryList();
    QWidget::closeEvent(e);
}

bool frmmain::eventFilter(QObject* watched, QEvent* e)
{
    const bool panel = watched == PictureMember_ || watched == PictureItinerary_ || watched == PictureResult_;
    if (e->type() == QEvent::MouseMove && panel) {
        if (watched == PictureItinerary_)
            for (ImageButton* b : {ImageSaveQuery_, Imagedelete_, Image6_})
                b->resetPicture();
        else if (watched == PictureMember_)
            for (ImageButton* b : {ImageSave_, ImageClear_})
                b->resetPicture();
        return true; // the panel is its own surface, not the window background
    }
    if (e->type() == QEvent::MouseButtonPress) {
        if (watched == DTPicker1_)
            datePicked_ = true;
        else if (panel)
            return true; // a panel is not part of the title bar
    }
    if (e->type() == QEvent::MouseButtonRelease && watched == lblNewVer_) {
        lblNewVer_Click();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace zelvane
