#include "app/HighDpi.h"
#include "kit/MainWindowProbe.h"

#include <QScreen>
#include <QStyleOptionButton>

// At every display scale the form's texts fit their widgets: the program
// asks Qt to scale, so the fixed sizes grow with the fonts. CTest runs this
// once per logical DPI, set as a desktop sets it (QT_FONT_DPI).
namespace {

// The room a widget has for its text, and the width the text takes; zero
// room for widgets without a text of their own.
QPair<int, int> RoomAndNeed(QWidget *widget)
{
    const QFontMetrics metrics = widget->fontMetrics();
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        if (label->text().isEmpty() || label->wordWrap())
            return {0, 0};
        return {label->contentsRect().width() - 2 * label->margin(),
                metrics.horizontalAdvance(label->text())};
    }
    auto *button = qobject_cast<QAbstractButton *>(widget);
    if (!button || button->text().isEmpty())
        return {0, 0};
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool radio = qobject_cast<QRadioButton *>(button);
    const QRect room = button->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents, &option, button);
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    return {room.width(), metrics.horizontalAdvance(button->text()) + icon};
}

} // namespace

class TestScaling : public QObject
{
    Q_OBJECT

private slots:
    void textsFit()
    {
        TestKit::WindowFixture fixture;
        fixture.Start();
        fixture.Open();
        // Larger than the offscreen screen at every scale: the title bar stays in reach.
        QCOMPARE(fixture.Window->pos(), fixture.Window->screen()->availableGeometry().topLeft());
        QStringList cut;
        for (int page = 0; page < 6; ++page) {
            fixture.Window->SwitchPage(page);
            QCoreApplication::processEvents();
            for (QWidget *widget : fixture.Window->findChildren<QWidget *>()) {
                const QPair<int, int> fit = RoomAndNeed(widget);
                if (widget->isVisible() && fit.second > fit.first)
                    cut << QStringLiteral("%1 needs %2, has %3")
                               .arg(widget->objectName())
                               .arg(fit.second)
                               .arg(fit.first);
            }
        }
        cut.removeDuplicates();
        fixture.Finish();
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
    }
};

int main(int argc, char *argv[])
{
    TestKit::PrepareEnvironment();
    HighDpi::Enable();
    QApplication app(argc, argv);
    TestScaling test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scaling.moc"
