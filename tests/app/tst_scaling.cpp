#include "app/HighDpi.h"
#include "kit/MainWindowProbe.h"

#include <QScreen>
#include <QTemporaryDir>

// At every display scale the form's texts fit their widgets: the program
// asks Qt to scale, so the fixed sizes grow with the fonts. CTest runs this
// once per logical DPI, set as a desktop sets it (QT_FONT_DPI).
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
                auto *label = qobject_cast<QLabel *>(widget);
                auto *button = qobject_cast<QAbstractButton *>(widget);
                const bool text
                    = (label && !label->text().isEmpty()) || (button && !button->text().isEmpty());
                if (text && widget->isVisible() && widget->sizeHint().width() > widget->width())
                    cut << QStringLiteral("%1 needs %2, has %3")
                               .arg(widget->objectName())
                               .arg(widget->sizeHint().width())
                               .arg(widget->width());
            }
        }
        cut.removeDuplicates();

        // The rounded preview is drawn in device pixels, not stretched from 100 %.
        QTemporaryDir folder;
        QImage photo(640, 480, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QVERIFY(photo.save(folder.filePath("photo.png")));
        fixture.Window->SwitchPage(2);
        fixture.Answerer->NextFile(folder.filePath("photo.png"));
        fixture.Click("SelectImage_QPushButton");
        fixture.Click("RoundRectEnable_QRadioButton");
        const QLabel *preview = fixture.Form->ImageWindow_label;
        QTRY_VERIFY(preview->pixmap() && !preview->pixmap()->isNull());
        QCOMPARE(preview->pixmap()->devicePixelRatio(), preview->devicePixelRatioF());
        fixture.Answerer->Clear();
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
