#include "ShutdownWarningWindow.h"

#include "timedtasks/Countdown.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QPushButton *Button(const QString &name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

ShutdownWarningWindow::ShutdownWarningWindow(QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("ShutdownWarning_QWidget"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_StyledBackground);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Varno软件"));
    setStyleSheet(QStringLiteral(
        "#ShutdownWarning_QWidget { background-color: rgb(65,66,67); border: 1px solid rgb(90,90,90); }"
        "QLabel { color: white; font-size: 12pt; }"
        "QPushButton { background-color: rgb(55,55,55); color: white; border-radius: 10px; padding: 6px 12px;"
        " border: none; font-size: 11pt; }"
        "QPushButton:hover, QPushButton:pressed { background-color: rgb(33,124,255); }"
        "#CloseWarning_QPushButton { background: transparent; padding: 0px 6px; }"));

    Text = new QLabel(this);
    Text->setObjectName(QStringLiteral("ShutdownWarning_QLabel"));
    QPushButton *close = Button(QStringLiteral("CloseWarning_QPushButton"), QStringLiteral("×"), this);
    QPushButton *cancel = Button(QStringLiteral("CancelOnce_QPushButton"), tr("取消本次"), this);
    QPushButton *postpone = Button(QStringLiteral("Postpone_QPushButton"), tr("推迟10分钟"), this);

    auto *top = new QHBoxLayout;
    top->addWidget(Text, 1);
    top->addWidget(close, 0, Qt::AlignTop);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(postpone);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, [this] {
        hide();
        emit CancelRequested();
    });
    connect(postpone, &QPushButton::clicked, this, [this] {
        hide();
        emit PostponeRequested();
    });
    connect(close, &QPushButton::clicked, this, [this] {
        hide();
        emit Dismissed();
    });
}

void ShutdownWarningWindow::ShowSecondsLeft(qint64 seconds, PowerAction action)
{
    Text->setText(Countdown::WarningWindowText(seconds, action));
    if (isVisible())
        return;
    adjustSize();
    PlaceInCorner();
    show();
    raise();
}

// Where the tray and its balloons are on most desktops: the lower right of
// the screen's free area.
void ShutdownWarningWindow::PlaceInCorner()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const int margin = 16;
    move(free.right() - width() - margin, free.bottom() - height() - margin);
}
