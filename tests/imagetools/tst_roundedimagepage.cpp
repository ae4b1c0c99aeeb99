#include "SampleImages.h"
#include "app/SystemTray.h"
#include "imagetools/ImageFunctions.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"
#include "persistence/SettingsStore.h"
#include "persistence/WidgetState.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QColor Green(0, 255, 0);
const QRgb Grey = qRgb(220, 220, 220);

// The page's pipeline at full resolution, as described, nothing skipped.
QImage LiteralShaped(const QImage &source, bool circle, int radius)
{
    const QImage normalised = PngRoundTrip(source);
    return circle ? CircleImage(normalised, radius) : RoundRectImage(normalised, radius);
}

QImage LiteralExport(const QImage &source, bool circle, int radius, const QColor &colour)
{
    const QImage shaped = LiteralShaped(source, circle, radius);
    return colour.isValid() ? ComposeOverTiles(shaped, SolidTilePixmap(20, colour)) : shaped;
}

// The icon file Qt writes for MakeIcon of the image, decoded again.
QImage LiteralIcon(const QImage &image, int width, int height, const QString &scratchFolder)
{
    const QIcon icon = MakeIcon(image, width, height);
    const QPixmap pixmap = icon.pixmap(icon.availableSizes().last(), QIcon::Normal, QIcon::Off);
    const QString path = scratchFolder + QStringLiteral("/literal.ico");
    return pixmap.save(path, "ICO") ? QImage(path, "ICO") : QImage();
}

// A 300 x 200 picture in dark blues, so that neither checker square nor the
// green background can pass for it.
QImage BluePicture()
{
    QImage image(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x)
            image.setPixel(x, y, qRgb(x % 40, y % 50, 120 + (x + y) % 100));
    }
    return image;
}

bool IsBlue(QRgb pixel)
{
    return qBlue(pixel) >= 100 && qRed(pixel) < 60 && qGreen(pixel) < 70;
}

} // namespace

class TestRoundedImagePage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startUp_data();
    void startUp();
    void selectImage_data();
    void selectImage();
    void radiusDefaults_data();
    void radiusDefaults();
    void preview_data();
    void preview();
    void shapeNoneIgnoresOptions();
    void backgroundColour();
    void exportFiles_data();
    void exportFiles();
    void exportRefusals_data();
    void exportRefusals();
    void exportRefillsTheRadiusWithTen();
    void exportWritesTheLastRender();
    void exportNamesFromATypedPath();
    void exportEveryFormat_data();
    void exportEveryFormat();

private:
    ::Ui::MainWindow *Form() { return MainWindowProbe::Form(*Window); }
    void OpenWindow();
    void Choose(const QString &path);
    void TypeRadius(const QString &text);
    // Through the property: the pointer getter is deprecated in 5.15 and its
    // by-value replacement does not exist in 5.14.
    QPixmap ShownPixmap() { return Form()->ImageWindow_label->property("pixmap").value<QPixmap>(); }
    QImage Preview();
    QString Export(const QString &folder);
    QString LastBox() const;

    std::unique_ptr<QTemporaryDir> SampleFolder;
    QList<SampleImage> Samples;
    QString CatPath; // cat.small.png: the blue picture under a two-dot name
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<MainWindow> Window;
    std::unique_ptr<QTemporaryDir> Output;
};

void TestRoundedImagePage::initTestCase()
{
    SampleFolder = std::make_unique<QTemporaryDir>();
    Samples = WriteSampleImages(SampleFolder->path());
    CatPath = SampleFolder->filePath("cat.small.png");
    QVERIFY(BluePicture().save(CatPath));
}

void TestRoundedImagePage::init()
{
    Settings = std::make_unique<TestKit::IsolatedSettings>();
    Answerer = std::make_unique<TestKit::ModalAnswerer>();
    SystemTray::SetAvailabilityOverride(true);
    OpenWindow();
    Output = std::make_unique<QTemporaryDir>();
}

void TestRoundedImagePage::OpenWindow()
{
    Window = std::make_unique<MainWindow>();
    RecordingNotifier::InstallOn(*Window);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
    TestKit::Click(Window.get(), "pushButton3");
}

void TestRoundedImagePage::cleanup()
{
    QVERIFY(!QApplication::overrideCursor());
    Window.reset();
    QCOMPARE(Answerer->UnexpectedCount(), 0);
    QCOMPARE(Answerer->PendingAnswers(), 0);
    Answerer.reset();
    SystemTray::SetAvailabilityOverride(std::nullopt);
    Settings.reset();
    Output.reset();
}

void TestRoundedImagePage::Choose(const QString &path)
{
    Answerer->NextFile(path);
    TestKit::Click(Window.get(), "SelectImage_QPushButton");
}

// Replaces the radius as a user would: every keystroke is an edit.
void TestRoundedImagePage::TypeRadius(const QString &text)
{
    QLineEdit *edit = Form()->Radius_QLineEdit;
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
    QCOMPARE(edit->text(), text.isEmpty() ? edit->text() : text);
}

QImage TestRoundedImagePage::Preview()
{
    return ShownPixmap().toImage();
}

// Exports into the folder and returns "title/text" of the box shown, or an
// empty string.
QString TestRoundedImagePage::Export(const QString &folder)
{
    Answerer->Clear();
    Answerer->NextFile(folder);
    Answerer->NextClick();
    TestKit::Click(Window.get(), "SaveImage_QPushButton");
    if (Answerer->PendingAnswers() > 0) {
        Answerer->Clear();
        return QString();
    }
    return LastBox();
}

QString TestRoundedImagePage::LastBox() const
{
    const TestKit::ModalRecord &last = Answerer->Records().last();
    return last.className == "QMessageBox" ? last.title + QLatin1Char('/') + last.text : QString();
}

void TestRoundedImagePage::startUp_data()
{
    QTest::addColumn<bool>("colourRestored");
    QTest::newRow("transparent, as the form comes") << false;
    QTest::newRow("colour restored from the last run") << true;
}

void TestRoundedImagePage::startUp()
{
    QFETCH(bool, colourRestored);
    if (colourRestored) {
        Window.reset();
        QRadioButton on;
        on.setChecked(true);
        QRadioButton off;
        SettingsStore::WriteText("ColorEnable_QRadioButton", WidgetState::EncodeWidgetValue(&on));
        SettingsStore::WriteText("TransprentEnable_QRadioButton", WidgetState::EncodeWidgetValue(&off));
        OpenWindow();
        QVERIFY(Form()->ColorEnable_QRadioButton->isChecked());
    }
    QPushButton *swatch = Form()->DisplayColor_QPushButton;
    QCOMPARE(swatch->isVisible(), colourRestored);
    QCOMPARE(MainWindowProbe::BackgroundColor(*Window), colourRestored ? Green : QColor());
    QCOMPARE(swatch->styleSheet(),
             colourRestored ? QStringLiteral("background-color: rgb(0, 255,0);") : QString());
    QVERIFY(Form()->MultipleImageEnable_QRadioButton->isHidden());
    QVERIFY(Form()->SingleImageEnable_QRadioButton->isVisible());
    QVERIFY(Preview().isNull());
    QVERIFY(MainWindowProbe::SourceImage(*Window).isNull());
}

void TestRoundedImagePage::selectImage_data()
{
    QTest::addColumn<QString>("choice"); // "cat", "cancel" or "broken"
    QTest::newRow("chosen") << "cat";
    QTest::newRow("cancelled") << "cancel";
    QTest::newRow("not an image") << "broken";
}

void TestRoundedImagePage::selectImage()
{
    QFETCH(QString, choice);
    // An earlier image with a rounded shape and a render.
    Choose(SamplePathFor(Samples, "jpeg"));
    TestKit::Click(Window.get(), "RoundRectEnable_QRadioButton");
    const QImage earlierPreview = Preview();
    Answerer->Clear();

    if (choice == "cancel") {
        Answerer->NextCancel();
        TestKit::Click(Window.get(), "SelectImage_QPushButton");
        QCOMPARE(MainWindowProbe::SourceImagePath(*Window), QString());
        QCOMPARE(MainWindowProbe::SourceBaseName(*Window), QStringLiteral("photo"));
        QVERIFY(Form()->RoundRectEnable_QRadioButton->isChecked());
        QVERIFY(SameImage(Preview(), earlierPreview));
        QCOMPARE(Answerer->Records().size(), 1);
        return;
    }

    QString path = CatPath;
    if (choice == "broken") {
        path = Output->filePath("broken.png");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("no picture here");
    }
    Choose(path);
    const TestKit::ModalRecord dialog = Answerer->Records().first();
    QCOMPARE(dialog.title, QStringLiteral("选择图像"));
    QCOMPARE(dialog.nameFilters, QStringList {"Image(*.png *.bmp *.jpg *.gif)"});
    QCOMPARE(dialog.text, QDir::cleanPath(QDir::currentPath() + QStringLiteral("/..")));
    QCOMPARE(dialog.parent.data(), Window.get());
    QCOMPARE(Answerer->Records().size(), 1);

    QCOMPARE(MainWindowProbe::SourceImagePath(*Window), path);
    QCOMPARE(MainWindowProbe::SourceBaseName(*Window), choice == "cat" ? QStringLiteral("cat") : "broken");
    QVERIFY(Form()->NoneEnable_QRadioButton->isChecked());
    if (choice == "broken") {
        QVERIFY(MainWindowProbe::SourceImage(*Window).isNull());
        QVERIFY(Preview().isNull());
        return;
    }
    QVERIFY(SameImage(MainWindowProbe::SourceImage(*Window), BluePicture()));
    const QImage preview = Preview();
    QCOMPARE(preview.size(), QSize(300, 200).scaled(Form()->ImageWindow_label->size(), Qt::KeepAspectRatio));
    QVERIFY(IsBlue(preview.pixel(0, 0)));
    QCOMPARE(Form()->ImageWindow_label->alignment(), Qt::AlignCenter);
}

void TestRoundedImagePage::radiusDefaults_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("expected");
    QTest::newRow("rounded rectangle") << "RoundRectEnable_QRadioButton"
                                       << "10";
    QTest::newRow("circle: half the smaller side") << "CircleEnable_QRadioButton"
                                                   << "100";
}

void TestRoundedImagePage::radiusDefaults()
{
    QFETCH(QString, shape);
    QFETCH(QString, expected);
    Choose(CatPath);
    Form()->Radius_QLineEdit->setText(QString());
    TestKit::Click(Window.get(), shape);
    QCOMPARE(Form()->Radius_QLineEdit->text(), expected);
    QVERIFY(!Preview().isNull());

    // Emptied by the user, the field is refilled at once.
    TypeRadius("3");
    TypeRadius(QString());
    QCOMPARE(Form()->Radius_QLineEdit->text(), expected);
}

void TestRoundedImagePage::preview_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("radius");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<QSize>("shownSize"); // invalid: empty preview
    QTest::addColumn<QString>("corner"); // "grey", "green" or "picture"
    const QSize whole(300, 200);
    const QSize square(200, 200);
    QTest::newRow("rect 30, transparent") << "RoundRect"
                                          << "30" << false << whole << "grey";
    QTest::newRow("rect 30, colour") << "RoundRect"
                                     << "30" << true << whole << "green";
    QTest::newRow("rect 0: square corners") << "RoundRect"
                                            << "0" << true << whole << "picture";
    QTest::newRow("rect, not a number: square corners") << "RoundRect"
                                                        << "abc" << false << whole << "picture";
    QTest::newRow("circle 100, transparent") << "Circle"
                                             << "100" << false << square << "grey";
    QTest::newRow("circle 100, colour") << "Circle"
                                        << "100" << true << square << "green";
    QTest::newRow("circle 101: the whole image") << "Circle"
                                                 << "101" << false << whole << "picture";
    QTest::newRow("circle 0: empty") << "Circle"
                                     << "0" << false << QSize() << "";
    QTest::newRow("circle -4: empty") << "Circle"
                                      << "-4" << true << QSize() << "";
    QTest::newRow("circle, not a number: empty") << "Circle"
                                                 << "x" << false << QSize() << "";
}

void TestRoundedImagePage::preview()
{
    QFETCH(QString, shape);
    QFETCH(QString, radius);
    QFETCH(bool, colour);
    QFETCH(QSize, shownSize);
    QFETCH(QString, corner);
    Choose(CatPath);
    if (colour)
        TestKit::Click(Window.get(), "ColorEnable_QRadioButton");
    TestKit::Click(Window.get(), shape + "Enable_QRadioButton");
    TypeRadius(radius);

    QLabel *label = Form()->ImageWindow_label;
    QVERIFY(label->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(label->alignment(), Qt::AlignCenter);
    QVERIFY(MainWindowProbe::RoundedImage(*Window).isNull()); // built only for an export
    const QImage preview = Preview();
    if (!shownSize.isValid()) {
        QVERIFY(preview.isNull());
        return;
    }
    QCOMPARE(preview.size(), shownSize.scaled(label->size(), Qt::KeepAspectRatio));
    const QRgb pixel = preview.pixel(0, 0);
    if (corner == "grey")
        QCOMPARE(pixel, Grey);
    else if (corner == "green")
        QCOMPARE(pixel, Green.rgb());
    else
        QVERIFY2(IsBlue(pixel), qPrintable(QColor(pixel).name()));
    QVERIFY(IsBlue(preview.pixel(preview.width() / 2, preview.height() / 2)));
}

void TestRoundedImagePage::shapeNoneIgnoresOptions()
{
    Choose(CatPath);
    const qint64 shown = ShownPixmap().cacheKey();
    TypeRadius("25");
    TestKit::Click(Window.get(), "ColorEnable_QRadioButton");
    TestKit::Click(Window.get(), "TransprentEnable_QRadioButton");
    QCOMPARE(ShownPixmap().cacheKey(), shown);

    // Back to "无" after a shape: the plain image again.
    TestKit::Click(Window.get(), "CircleEnable_QRadioButton");
    QCOMPARE(Preview().width(), Preview().height());
    TestKit::Click(Window.get(), "NoneEnable_QRadioButton");
    QCOMPARE(Preview().size(),
             QSize(300, 200).scaled(Form()->ImageWindow_label->size(), Qt::KeepAspectRatio));
    QVERIFY(IsBlue(Preview().pixel(0, 0)));
}

void TestRoundedImagePage::backgroundColour()
{
    Choose(CatPath);
    TestKit::Click(Window.get(), "RoundRectEnable_QRadioButton");
    TypeRadius("40");
    TestKit::Click(Window.get(), "ColorEnable_QRadioButton");
    QPushButton *swatch = Form()->DisplayColor_QPushButton;
    QVERIFY(swatch->isVisible());
    QCOMPARE(Preview().pixel(0, 0), Green.rgb());

    Answerer->NextColor(QColor(5, 10, 200));
    TestKit::Click(swatch);
    QCOMPARE(Answerer->Records().last().className, QStringLiteral("QColorDialog"));
    QCOMPARE(Answerer->Records().last().title, QStringLiteral("选择颜色"));
    QCOMPARE(Answerer->Records().last().parent.data(), Window.get());
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgb(05,10,200);"));
    QCOMPARE(MainWindowProbe::BackgroundColor(*Window), QColor(5, 10, 200));
    QCOMPARE(Preview().pixel(0, 0), qRgb(5, 10, 200));

    // The dialog opens on the swatch's colour.
    QColor offered;
    Answerer->Next([&offered](QWidget *modal) {
        auto *dialog = qobject_cast<QColorDialog *>(modal);
        offered = dialog->currentColor();
        dialog->reject();
    });
    TestKit::Click(swatch);
    QCOMPARE(offered, QColor(5, 10, 200));
    // Cancelled: green behind the shape, the swatch keeps the colour shown.
    QCOMPARE(MainWindowProbe::BackgroundColor(*Window), Green);
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgb(05,10,200);"));
    QCOMPARE(Preview().pixel(0, 0), Green.rgb());

    Answerer->NextColor(QColor(128, 64, 255));
    TestKit::Click(swatch);
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgb(128,64,255);"));
    TestKit::Click(Window.get(), "TransprentEnable_QRadioButton");
    QVERIFY(!swatch->isVisible());
    QCOMPARE(MainWindowProbe::BackgroundColor(*Window), QColor(128, 64, 255));
    QCOMPARE(Preview().pixel(0, 0), Grey);

    // Selected again, the colour background starts from green.
    TestKit::Click(Window.get(), "ColorEnable_QRadioButton");
    QCOMPARE(MainWindowProbe::BackgroundColor(*Window), Green);
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgb(0, 255,0);"));
    QCOMPARE(Preview().pixel(0, 0), Green.rgb());
}

void TestRoundedImagePage::exportFiles_data()
{
    QTest::addColumn<bool>("circle");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<bool>("iconOn");
    QTest::addColumn<QString>("iconWidth");
    QTest::addColumn<QString>("iconHeight");
    QTest::addColumn<QSize>("pngSize"); // invalid: no PNG
    QTest::addColumn<QSize>("iconSize"); // invalid: no icon
    QTest::addColumn<QString>("box");
    const QString saved = QStringLiteral("提示/保存成功");
    const QString tooLarge = QStringLiteral("错误/ICON宽度和高度不能超过256");
    const QSize whole(300, 200);
    QTest::newRow("rect, transparent, icon 32") << false << false << true << "32"
                                                << "32" << whole << QSize(32, 32) << saved;
    QTest::newRow("rect, colour, icon 64x32") << false << true << true << "64"
                                              << "32" << whole << QSize(64, 32) << saved;
    QTest::newRow("circle, transparent, no icon") << true << false << false << "32"
                                                  << "32" << QSize(200, 200) << QSize() << saved;
    QTest::newRow("circle, colour, icon 256") << true << true << true << "256"
                                              << "256" << QSize(200, 200) << QSize(256, 256) << saved;
    QTest::newRow("emptied icon sizes become 48") << false << false << true << ""
                                                  << "" << whole << QSize(48, 48) << saved;
    QTest::newRow("icon size not a number") << false << false << true << "4x"
                                            << "32" << whole << QSize() << saved;
    QTest::newRow("icon 257 wide: nothing") << false << false << true << "257"
                                            << "32" << QSize() << QSize() << tooLarge;
    QTest::newRow("icon 40000 high: nothing") << true << true << true << "32"
                                              << "40000" << QSize() << QSize() << tooLarge;
    QTest::newRow("icon off: its size is not looked at") << false << false << false << "300"
                                                         << "300" << whole << QSize() << saved;
}

void TestRoundedImagePage::exportFiles()
{
    QFETCH(bool, circle);
    QFETCH(bool, colour);
    QFETCH(bool, iconOn);
    QFETCH(QString, iconWidth);
    QFETCH(QString, iconHeight);
    QFETCH(QSize, pngSize);
    QFETCH(QSize, iconSize);
    QFETCH(QString, box);

    Choose(CatPath);
    if (colour)
        TestKit::Click(Window.get(), "ColorEnable_QRadioButton");
    TestKit::Click(Window.get(), circle ? "CircleEnable_QRadioButton" : "RoundRectEnable_QRadioButton");
    TypeRadius(circle ? "100" : "30");
    if (iconOn)
        TestKit::Click(Window.get(), "IconEnable_QRadioButton");
    Form()->ICON_Width_QLineEdit->setText(iconWidth);
    Form()->ICON_Height_QLineEdit->setText(iconHeight);

    QCOMPARE(Export(Output->path()), box);
    const TestKit::ModalRecord dialog = Answerer->Records().first();
    QCOMPARE(dialog.title, QStringLiteral("选择图像保存路径"));
    QCOMPARE(dialog.text, QDir::homePath());
    QCOMPARE(Form()->ICON_Width_QLineEdit->text(), iconWidth.isEmpty() ? QStringLiteral("48") : iconWidth);
    QCOMPARE(Form()->ICON_Height_QLineEdit->text(), iconHeight.isEmpty() ? QStringLiteral("48") : iconHeight);

    QStringList expectedFiles;
    if (iconSize.isValid())
        expectedFiles << "cat-Icon.ico";
    if (pngSize.isValid())
        expectedFiles << "cat-Png.png";
    QCOMPARE(QDir(Output->path()).entryList(QDir::Files, QDir::Name), expectedFiles);

    const QString pngPath = Output->filePath("cat-Png.png");
    const QString iconPath = Output->filePath("cat-Icon.ico");
    const QImage expected
        = LiteralExport(BluePicture(), circle, circle ? 100 : 30, colour ? Green : QColor());
    const double cornerAlpha = colour ? 1.0 : 0.0;
    if (pngSize.isValid()) {
        const QImage png(pngPath);
        QCOMPARE(png.size(), pngSize);
        QVERIFY2(SameImage(png, PngRoundTrip(expected)),
                 qPrintable(DescribeDifference(png, PngRoundTrip(expected))));
        QCOMPARE(qAlpha(png.pixel(0, 0)), colour ? 255 : 0);
        const IdentifyResult magick = Identify(pngPath);
        if (magick.ran) {
            QCOMPARE(magick.size, pngSize);
            QCOMPARE(magick.alpha, cornerAlpha);
        }
    }
    if (iconSize.isValid()) {
        const QImage icon(iconPath, "ICO");
        QCOMPARE(icon.size(), iconSize);
        QTemporaryDir scratch;
        const QImage literal = LiteralIcon(expected, iconSize.width(), iconSize.height(), scratch.path());
        QVERIFY2(SameImage(icon, literal), qPrintable(DescribeDifference(icon, literal)));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), colour ? 255 : 0);
        const IdentifyResult magick = Identify(iconPath);
        if (magick.ran) {
            QCOMPARE(magick.images, 1);
            QCOMPARE(magick.size, iconSize);
            QCOMPARE(magick.alpha, cornerAlpha);
        }
    }
    // Built for the export, the composite is kept as the page's result.
    if (colour && pngSize.isValid())
        QVERIFY(SameImage(MainWindowProbe::RoundedImage(*Window), expected));

    // Saved again into the same folder: both files replaced.
    if (pngSize.isValid() && !circle) {
        TypeRadius("1000");
        QCOMPARE(Export(Output->path()), box);
        const QImage again(pngPath);
        QVERIFY(SameImage(
            again, PngRoundTrip(LiteralExport(BluePicture(), false, 1000, colour ? Green : QColor()))));
    }
}

void TestRoundedImagePage::exportRefusals_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("folder dialog cancelled") << "cancel"
                                             << "提示/没有选择保存路径" << QStringList();
    QTest::newRow("no image") << "no image"
                              << "" << QStringList();
    QTest::newRow("shape none") << "none"
                                << "" << QStringList();
    QTest::newRow("circle radius 0: icon step skipped too") << "circle 0"
                                                            << "提示/保存成功" << QStringList();
    QTest::newRow("folder removed meanwhile") << "missing"
                                              << "错误/文件保存失败: <png>" << QStringList();
    QTest::newRow("a file where the folder should be") << "file"
                                                       << "错误/文件保存失败: <png>" << QStringList();
}

void TestRoundedImagePage::exportRefusals()
{
    QFETCH(QString, situation);
    QFETCH(QString, box);
    QFETCH(QStringList, files);
    if (situation != "no image")
        Choose(CatPath);
    TestKit::Click(Window.get(), "IconEnable_QRadioButton");
    if (situation == "circle 0") {
        TestKit::Click(Window.get(), "CircleEnable_QRadioButton");
        TypeRadius("0");
    } else if (situation != "none") {
        TestKit::Click(Window.get(), "RoundRectEnable_QRadioButton");
    }

    QString folder = Output->path();
    if (situation == "missing")
        folder = Output->filePath("gone");
    else if (situation == "file")
        folder = Output->filePath("plain");
    box.replace("<png>", folder + "/cat-Png.png");
    if (situation == "file")
        files << "plain";

    Answerer->Clear();
    if (situation == "cancel") {
        Answerer->NextCancel();
    } else if (situation == "missing" || situation == "file") {
        // The folder is there when chosen and gone (or a plain file) by the
        // time the export writes.
        const bool replaceWithFile = situation == "file";
        Answerer->Next([folder, replaceWithFile](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QDir().mkpath(folder);
            dialog->selectFile(folder);
            static_cast<QDialog *>(dialog)->accept();
            QDir(folder).removeRecursively();
            if (replaceWithFile) {
                QFile file(folder);
                file.open(QIODevice::WriteOnly);
            }
        });
    } else {
        Answerer->NextFile(folder);
    }
    if (!box.isEmpty())
        Answerer->NextClick();
    TestKit::Click(Window.get(), "SaveImage_QPushButton");

    QCOMPARE(Answerer->PendingAnswers(), 0);
    const QString shown = Answerer->Records().size() > 1 ? LastBox() : QString();
    QCOMPARE(shown, box);
    QCOMPARE(QDir(Output->path()).entryList(QDir::Files), files);
}

void TestRoundedImagePage::exportRefillsTheRadiusWithTen()
{
    Choose(CatPath);
    TestKit::Click(Window.get(), "CircleEnable_QRadioButton");
    TypeRadius("50");
    Form()->Radius_QLineEdit->setText(QString());
    QCOMPARE(Export(Output->path()), QStringLiteral("提示/保存成功"));
    QCOMPARE(Form()->Radius_QLineEdit->text(), QStringLiteral("10"));
    // The pixels are still those of the last render, radius 50.
    QCOMPARE(QImage(Output->filePath("cat-Png.png")).size(), QSize(100, 100));
}

// An image chosen on the other page after the last render renames the files
// but does not change what is written.
void TestRoundedImagePage::exportWritesTheLastRender()
{
    Choose(CatPath);
    TestKit::Click(Window.get(), "RoundRectEnable_QRadioButton");
    TypeRadius("20");
    TestKit::Click(Window.get(), "IconEnable_QRadioButton");

    TestKit::Click(Window.get(), "pushButton2");
    Answerer->NextFile(SamplePathFor(Samples, "bmp"));
    TestKit::Click(Window.get(), "RawImagePath_QPushButton");
    TestKit::Click(Window.get(), "pushButton3");

    QCOMPARE(Export(Output->path()), QStringLiteral("提示/保存成功"));
    QCOMPARE(QDir(Output->path()).entryList(QDir::Files, QDir::Name),
             QStringList({"picture-Icon.ico", "picture-Png.png"}));
    const QImage expected = LiteralExport(BluePicture(), false, 20, QColor());
    QVERIFY(SameImage(QImage(Output->filePath("picture-Png.png")), PngRoundTrip(expected)));
}

void TestRoundedImagePage::exportNamesFromATypedPath()
{
    TestKit::Click(Window.get(), "pushButton2");
    Form()->RawImagePath_QLineEdit->setText(CatPath);
    Form()->IconWidth_QLineEdit->setText("abc"); // the conversion stops before writing
    TestKit::Click(Window.get(), "ImageToIcon_QPushButton");
    TestKit::Click(Window.get(), "pushButton3");
    TestKit::Click(Window.get(), "RoundRectEnable_QRadioButton");
    TestKit::Click(Window.get(), "IconEnable_QRadioButton");

    QCOMPARE(Export(Output->path()), QStringLiteral("提示/保存成功"));
    QCOMPARE(QDir(Output->path()).entryList(QDir::Files, QDir::Name),
             QStringList({"Varno-Icon.ico", "Varno-Png.png"}));
}

void TestRoundedImagePage::exportEveryFormat_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("circle");
    QTest::addColumn<bool>("colour");
    for (const SampleImage &sample : Samples) {
        for (bool circle : {false, true}) {
            for (bool colour : {false, true}) {
                QTest::addRow("%s, %s, %s", qPrintable(sample.name), circle ? "circle" : "rect",
                              colour ? "colour" : "transparent")
                    << sample.path << circle << colour;
            }
        }
    }
}

// What the page writes through its fast path is exactly what the described
// pipeline gives, for every kind of input.
void TestRoundedImagePage::exportEveryFormat()
{
    QFETCH(QString, path);
    QFETCH(bool, circle);
    QFETCH(bool, colour);
    Choose(path);
    if (colour) {
        TestKit::Click(Window.get(), "ColorEnable_QRadioButton");
        Answerer->NextColor(QColor(250, 128, 3));
        TestKit::Click(Form()->DisplayColor_QPushButton);
    }
    TestKit::Click(Window.get(), circle ? "CircleEnable_QRadioButton" : "RoundRectEnable_QRadioButton");
    TypeRadius("9");
    TestKit::Click(Window.get(), "IconEnable_QRadioButton");
    Form()->ICON_Width_QLineEdit->setText("24");
    Form()->ICON_Height_QLineEdit->setText("20");
    QCOMPARE(Export(Output->path()), QStringLiteral("提示/保存成功"));

    const QString stem = QFileInfo(path).baseName();
    const QImage expected
        = LiteralExport(LoadImageFile(path), circle, 9, colour ? QColor(250, 128, 3) : QColor());
    const QImage png(Output->filePath(stem + "-Png.png"));
    QVERIFY2(SameImage(png, PngRoundTrip(expected)),
             qPrintable(DescribeDifference(png, PngRoundTrip(expected))));
    QTemporaryDir scratch;
    const QImage icon(Output->filePath(stem + "-Icon.ico"), "ICO");
    const QImage literalIcon = LiteralIcon(expected, 24, 20, scratch.path());
    QVERIFY2(SameImage(icon, literalIcon), qPrintable(DescribeDifference(icon, literalIcon)));
}

VARNO_TEST_MAIN(TestRoundedImagePage)
#include "tst_roundedimagepage.moc"
