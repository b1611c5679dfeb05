#pragma once

#include "engine/CheckEngine.h"
#include "engine/CityUpdate.h"
#include "engine/SessionParts.h"
#include "engine/StatusLine.h"
#include "results/ResultsViewModel.h"
#include "ui/Panel.h"
#include "ui/Skin.h"

#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QScrollArea;

namespace zelvane {

class AlertsPanel;
class CheckRig;
class Dialogs;
class HttpBrowser;
class ItineraryPanel;
class MemberPanel;
class MessageBoxes;
class ResultsPanel;
class WatchHolds;
class SessionAlerter;
class WindowFrame;
struct ProductNews;

// What the main window asks of the program it belongs to: the tray program
// answers it. A window without one ends only itself and has no tray.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    // Settings saved, the one-copy lock let go, the process ended.
    virtual void endProgram() = 0;
    virtual void openPage(const QString& address) = 0;
    // Whether the program's icon is in a tray now: without one, hiding the
    // window would lose it, so "–" minimises and closing ends the program.
    virtual bool trayShown() const = 0;
    virtual void openAbout() = 0;
    virtual QCoro::Task<> checkVersion() = 0;
};

// The main window: a skinned, frameless card whose panels take turns in one
// place (member details, itineraries, results, alerts), a row of image
// buttons and the status line; it shows the check sessions of `rig` as they
// go. It is resized by its edges and its bottom right corner, maximised by
// its button or a double click on the header, and opens again at the size it
// was left at.
class MainWindow : public QWidget, public StatusLine, private CityUpdateSteps {
    Q_OBJECT
public:
    // Without `boxes` the window asks with real message boxes, and without
    // `dialogs` with real dialogs.
    MainWindow(Settings& settings, SessionParts parts, CheckRig& rig, ProductNews& news, QWidget* parent = nullptr,
               MessageBoxes* boxes = nullptr, Dialogs* dialogs = nullptr);
    ~MainWindow() override;

    CheckEngine& engine();
    SessionAlerter& alerts();
    const ResultsViewModel& results() const { return results_; }

    // The controls are made, and the window loaded, the first time it is shown
    // or anything asks for them: a window made only for a scheduled check
    // keeps what the check reports and shows it when it is opened.
    void ensureBuilt();
    bool built() const { return built_; }
    void setVisible(bool visible) override;

    // The panel switches.
    void showMemberPanel();
    void showItineraryPanel();
    void showResultsPanel();
    // Pause, resume and snooze of the watches, wherever asked.
    WatchHolds& watchHolds();
    // First run: only the member details panel can be reached.
    void openAtMemberDetails();
    // Entries locked and panels chosen by whether member details are stored.
    void lockMemberDetails();
    // The window became the program's active window.
    void onActivate();

    // The status line.
    void setStatus(const StatusMessage& message) override;
    QString status() const override;
    // The window's icon follows the tray's while it blinks.
    void showPicture(int picture);
    // The new-version notice, once the version check found one.
    void showNewVersion();

    void fillCityChoices();
    // The city list update, reached from the about window.
    QCoro::Task<> updateCities();

    // The program the window belongs to; null: the window alone.
    void setHost(MainWindowHost* host) { host_ = host; }

signals:
    // "test popup" on the member details.
    void testPopupAsked();
    void windowActivated();
    // The status line took a new text.
    void statusChanged(const QString& text);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void memberDetailsSaved();
    // The status line asks for the member details until they are saved.
    void askForMemberDetails();
    // "Test": the login with the stored details, or the request for them.
    QCoro::Task<> testLogin();
    void showThrottle(int loginsSent, int minutes);
    void showLastLogin(const QDateTime& when);
    void sessionEnded(SessionOutcome outcome);

    // The city list update's steps around the site.
    void reloadLists() override;
    QCoro::Task<> checkVersion() override;

    // What the host does, or the window alone does without one.
    void endProgram();
    void openPage(const QString& address);
    bool trayShown() const;

    void minimize();
    void showStatusText();
    void buildHeader();
    void buildPanels();
    void buildStatusRow();
    void onLoad();
    void showPanel(Panel* panel);
    // Where the panel and the controls go at the window's present size.
    QRect panelRect() const;
    BackgroundLayout backgroundLayout() const;
    void placeControls();
    // The maximise button and the shape follow the window's state.
    void showWindowState();
    void refreshSkin();
    QPoint tabLeft(int i) const;

    QCoro::Task<> checkNow();
    void offerNewVersion();
    QCoro::Task<> fetchNotice();

    Settings& settings_; // each panel is handed its groups
    SessionParts parts_;
    CheckRig& rig_;
    ProductNews& news_;
    MainWindowHost* host_ = nullptr;
    std::unique_ptr<MessageBoxes> ownBoxes_;
    MessageBoxes& boxes_;
    std::unique_ptr<Dialogs> ownDialogs_;
    Dialogs& dialogs_;
    Theme theme_;
    int picture_ = kBlinkPictureA; // the window's icon, one of the blink's two

    ResultsViewModel results_;
    std::unique_ptr<HttpBrowser> pageBrowser_; // the city update's own
    bool updatingCities_ = false;

    bool built_ = false;
    bool resultsAsked_ = false; // a check ended before the controls were made
    // Nothing sent yet is a figure too: 0.
    QString loginsSentText_ = QStringLiteral("0"), throttleMinutesText_ = QStringLiteral("0");

    MemberPanel* member_ = nullptr;
    ItineraryPanel* itinerary_ = nullptr;
    QScrollArea* itineraryScroll_ = nullptr;
    ResultsPanel* resultsPanel_ = nullptr;
    AlertsPanel* alertsPanel_ = nullptr;
    // The panels in the order of their tabs; tab i shows panels_[i].
    QList<Panel*> panels_;
    QList<ImageButton*> tabs_;
    Panel* current_ = nullptr;

    ImageButton *checkNowButton_ = nullptr, *minimizeButton_ = nullptr, *maximizeButton_ = nullptr,
                *closeButton_ = nullptr, *aboutButton_ = nullptr, *noticeButton_ = nullptr;
    WindowFrame* frame_ = nullptr; // moves, sizes and maximises the frameless window
    StatusMessage status_{StatusMessage::Kind::Said};
    QString statusText_; // its words in whole; the label may show them shortened
    QLabel *statusLabel_ = nullptr, *lastLoginLabel_ = nullptr, *newVersionLabel_ = nullptr, *resultsHint_ = nullptr,
           *throttleMinutesLabel_ = nullptr, *loginsSentLabel_ = nullptr;
    QLabel *throttleMinutesCaption_ = nullptr, *loginsSentCaption_ = nullptr;
    QList<QWidget*> legend_;
    QPushButton* checkNowKey_ = nullptr;
};

} // namespace zelvane
