#include "MainWindow.h"

#include "NavigationStyles.h"
#include "Notifier.h"
#include "persistence/SettingsStore.h"
#include "persistence/WidgetState.h"
#include "timedtasks/Clock.h"
#include "timedtasks/ShutdownWarningWindow.h"
#include "ui_MainWindow.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardItemModel>
#include <QTimer>

#include <array>
#include <functional>

namespace {

std::array<QPushButton *, 6> NavigationButtons(Ui::MainWindow *ui)
{
    return {ui->pushButton1,
            ui->pushButton2,
            ui->pushButton3,
            ui->pushButton4,
            ui->EndWorkReminder_pushButton,
            ui->RestReminder_pushButton};
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , Ui(new ::Ui::MainWindow)
    , ListItemModel(nullptr)
    , IsDragging(false)
    , DragOffset(0, 0)
    , ApplicationTimer(nullptr)
    , LastRestHour(0)
    , IsLaunching(false)
    , TrayIcon(nullptr)
    , TrayMenu(nullptr)
    , QuitAction(nullptr)
    , SignInStartAction(nullptr)
{
    // Set before the form's widgets exist: set after, it makes Qt carry the
    // style sheets through every widget of all six pages once more.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    Ui->setupUi(this);

    // Stored values are the edits' displayed text, read back as decimal
    // numbers and with fixed date and time formats. The locale's default
    // formats do not read back (C and en_US never, and no locale for the
    // time), and the native digits of locales such as Arabic or Persian read
    // back only while that same locale is set; a saved date, time or count
    // would be lost. These edits show numbers only, in the formats and digits
    // they are read with under every locale.
    for (QDateTimeEdit *dateEdit : {Ui->Date_QDateEdit, Ui->Date_EndWorkReminder_QDateEdit})
        dateEdit->setDisplayFormat(QLatin1String(WidgetState::StoredDateFormat));
    for (QDateTimeEdit *timeEdit : {Ui->Time_QTimeEdit, Ui->Time_EndWorkReminder_QTimeEdit}) {
        timeEdit->setDisplayFormat(QLatin1String(WidgetState::StoredTimeFormat));
        // A new format starts on the hour; the arrows and the wheel are meant
        // to move the minutes.
        timeEdit->setCurrentSection(QDateTimeEdit::MinuteSection);
    }
    for (QAbstractSpinBox *edit : std::initializer_list<QAbstractSpinBox *> {
             Ui->Date_QDateEdit, Ui->Date_EndWorkReminder_QDateEdit, Ui->Time_QTimeEdit,
             Ui->Time_EndWorkReminder_QTimeEdit, Ui->WeiXinNumber_QSpinBox})
        edit->setLocale(QLocale::c());

    ApplicationDirPath = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    ListItemModel = new QStandardItemModel;

    InitTitleBar();
    Ui->scrollArea->setStyleSheet(QString::fromLatin1(ScrollAreaStyle));

    SettingsStore::SetAsideIfDamaged(Clock::Now());
    RestoreWidgetState(this);

    ApplicationTimer = new QTimer(this);
    connect(ApplicationTimer, &QTimer::timeout, this, &MainWindow::ApplicationTimerFunction);
    ApplicationTimer->start(1000);

    InitWeChatPage();
    InitImageToIconPage();
    InitRoundedImagePage();
    InitShutdownPage();
    InitEndWorkReminderPage();
    InitRestReminderPage();

    InitTray();

    // Scaled up, the window may be larger than the screen (1608x1080 at 150 %
    // on a 1920x1080 screen with a taskbar); placed anywhere else, its title
    // bar, the only handle of a frameless window, could be out of reach.
    const QRect available = screen()->availableGeometry();
    if (width() > available.width() || height() > available.height())
        move(available.topLeft());
}

MainWindow::~MainWindow()
{
    delete WarningWindow;
    delete Ui;
    delete ListItemModel;
}

void MainWindow::InitTitleBar()
{
    const QPixmap logo = QIcon(QStringLiteral(":/new/prefix1/Image/logo_image.ico"))
                             .pixmap(QSize(30, 30), QIcon::Normal, QIcon::Off);
    Ui->Logo_label->setPixmap(logo);
    Ui->Logo_label->setAlignment(Qt::AlignCenter);

    const auto maximizeOrRestore = [this] {
        const Qt::WindowStates state = windowState();
        if (state == Qt::WindowNoState)
            showMaximized();
        else if (state & Qt::WindowMaximized)
            showNormal();
    };
    const struct
    {
        QPushButton *button;
        const char *iconFile;
        std::function<void()> action;
    } titleButtons[] = {
        {Ui->Minimize_pushButton, "Image/Minimize.ico", [this] { showMinimized(); }},
        {Ui->Maximize_pushButton, "Image/Maximize.ico", maximizeOrRestore},
        {Ui->Close_pushButton, "Image/Close.ico",
         [this] {
             SaveWidgetState(this);
             close();
         }},
    };
    for (const auto &entry : titleButtons) {
        entry.button->setIcon(QIcon(ApplicationDirPath + QLatin1String(entry.iconFile)));
        entry.button->setIconSize(QSize(30, 30));
        connect(entry.button, &QPushButton::pressed, entry.button, entry.action, Qt::DirectConnection);
    }
}

void MainWindow::ConnectNavigationButton(int pageIndex)
{
    QPushButton *button = NavigationButtons(Ui).at(static_cast<size_t>(pageIndex));
    connect(button, &QPushButton::clicked, Ui->stackedWidget,
            [this, pageIndex](bool) { SwitchPage(pageIndex); });
}

// The program's push buttons act as soon as the mouse button goes down on
// them; releasing it elsewhere does not cancel.
void MainWindow::ConnectPressed(QPushButton *button, void (MainWindow::*action)())
{
    connect(
        button, &QPushButton::pressed, button, [this, action] { (this->*action)(); }, Qt::DirectConnection);
}

void MainWindow::SwitchPage(int index)
{
    Ui->stackedWidget->setCurrentIndex(index);
    const auto buttons = NavigationButtons(Ui);
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        buttons[static_cast<size_t>(i)]->setStyleSheet(
            QString::fromLatin1(i == index ? NavButtonSelectedStyle : NavButtonUnselectedStyle));
    }
}

void MainWindow::SaveWidgetState(QObject *Root)
{
    WidgetState::SaveWidgetState(Root);
}

void MainWindow::RestoreWidgetState(QObject *Root)
{
    WidgetState::RestoreWidgetState(Root, ListItemModel);
}

void MainWindow::SetNotifier(std::unique_ptr<Notifier> notifier)
{
    Balloons = std::move(notifier);
}

Notifier *MainWindow::BalloonNotifier() const
{
    return Balloons.get();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    return QMainWindow::eventFilter(watched, event);
}

// Presses that no child accepts travel up to the window, so labels, frames
// and the bars all work as drag handles without a dedicated drag area.
void MainWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        IsDragging = true;
        DragOffset = event->pos();
    }
    QMainWindow::mousePressEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        IsDragging = false;
    QMainWindow::mouseReleaseEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (IsDragging)
        move(event->globalPos() - DragOffset);
    QMainWindow::mouseMoveEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent *) { }

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    QMainWindow::paintEvent(event);
    // Queued, so it runs once this first drawing has reached the screen.
    if (!FirstPaintDone) {
        FirstPaintDone = true;
        QTimer::singleShot(0, this, &MainWindow::ShowTrayIcon);
    }
}
