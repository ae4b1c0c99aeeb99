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

// Both image pages: the image-to-icon conversion (page 2) and the rounded
// image with its preview and export (page 3), which share the source image.
namespace {

using Files = QMap<QString, QImage>;

const QColor Green(0, 255, 0);
const QString Done = QStringLiteral("提示/转换完成");
const QString Saved = QStringLiteral("提示/保存成功");
const QString TooLarge = QStringLiteral("错误/ICON宽度和高度不能超过256");

// The full-resolution result as described (round trip, shape, and the
// colour behind it unless the background is transparent), nothing skipped.
QImage LiteralExport(const QImage &source, bool circle, int radius, const QColor &colour = QColor())
{
    const QImage normalised = PngRoundTrip(source);
    const QImage shaped = circle ? CircleImage(normalised, radius) : RoundRectImage(normalised, radius);
    return colour.isValid() ? ComposeOverTiles(shaped, SolidTilePixmap(20, colour)) : shaped;
}

// The icon file Qt writes for MakeIcon of the image, decoded again. Icons
// are compared as decoded: the writer leaves the padding of their
// transparency mask uninitialised, so the bytes differ from run to run.
QImage LiteralIcon(const QImage &image, const QSize &size)
{
    QTemporaryDir scratch;
    const QIcon icon = MakeIcon(image, size.width(), size.height());
    const QString path = scratch.filePath(QStringLiteral("literal.ico"));
    return icon.pixmap(icon.availableSizes().last()).save(path, "ICO") ? QImage(path, "ICO") : QImage();
}

// A 300 x 200 picture in dark blues, so that neither checker square nor the
// green background can pass for it.
QImage BluePicture()
{
    QImage image(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x)
            image.setPixel(x, y, qRgb(40 + x % 40, y % 50, 120 + (x + y) % 100));
    }
    return image;
}

QString ColourName(QRgb pixel)
{
    if (qBlue(pixel) >= 100 && qRed(pixel) >= 30 && qRed(pixel) < 90 && qGreen(pixel) < 70)
        return QStringLiteral("picture");
    return pixel == qRgb(220, 220, 220) ? QStringLiteral("grey") : QColor(pixel).name();
}

} // namespace

class TestImagePages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void browse();
    void convert_data();
    void convert();
    void convertActsOnPressAndOverwrites();

    void startUp();
    void selectImage();
    void preview_data();
    void preview();
    void shapeNoneIgnoresOptions();
    void backgroundColour();
    void exportFiles_data();
    void exportFiles();
    void exportAfterAnImageOfPageTwo_data();
    void exportAfterAnImageOfPageTwo();
    void everyFormat_data();
    void everyFormat();

private:
    ::Ui::MainWindow *Form() { return MainWindowProbe::Form(*Window); }
    void OpenWindow();
    void Click(const QString &name) { TestKit::Click(Window.get(), name); }
    QString Seen(const TestKit::ModalRecord &modal) const;
    QString Press(const QString &button);
    QString Convert(const QString &source, const QString &width, const QString &height);
    QString Export();
    void Render(const QString &path, bool circle, const QString &radius, const QColor &colour = QColor());
    void TypeRadius(const QString &text);
    QString Look();
    void CompareWritten(const Files &expected);

    std::unique_ptr<QTemporaryDir> SampleFolder;
    QList<SampleImage> Samples;
    QString CatPath; // the blue picture under a two-dot name
    QString NotAnImage;
    QString OpenDialog; // how the dialogs that choose an image and a folder look
    QString FolderDialog;
    QString FirstModal; // what the first modal of the last Press showed
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<MainWindow> Window;
    std::unique_ptr<QTemporaryDir> Output;
};

void TestImagePages::initTestCase()
{
    SampleFolder = std::make_unique<QTemporaryDir>();
    Samples = WriteSampleImages(SampleFolder->path());
    CatPath = SampleFolder->filePath("cat.small.png");
    QVERIFY(BluePicture().save(CatPath));
    NotAnImage = SampleFolder->filePath("notes.png");
    QFile notes(NotAnImage);
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a picture") > 0);
    OpenDialog = "QFileDialog 选择图像/" + QDir::cleanPath(QDir::currentPath() + "/..")
        + " [Image(*.png *.bmp *.jpg *.gif)]";
    FolderDialog = "QFileDialog 选择图像保存路径/" + QDir::homePath() + " [All Files (*)]";
}

void TestImagePages::init()
{
    Settings = std::make_unique<TestKit::IsolatedSettings>();
    Answerer = std::make_unique<TestKit::ModalAnswerer>();
    SystemTray::SetAvailabilityOverride(true);
    Output = std::make_unique<QTemporaryDir>();
    OpenWindow();
}

void TestImagePages::OpenWindow()
{
    Window = std::make_unique<MainWindow>();
    RecordingNotifier::InstallOn(*Window);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
    const QByteArray test = QTest::currentTestFunction();
    Click(test.startsWith("browse") || test.startsWith("convert") ? "pushButton2" : "pushButton3");
}

void TestImagePages::cleanup()
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

// "title/text" of a message box; dialogs also name their class and filters.
// Marked when the modal did not belong to the window.
QString TestImagePages::Seen(const TestKit::ModalRecord &modal) const
{
    QString seen = modal.title + QLatin1Char('/') + modal.text;
    if (modal.className != QLatin1String("QMessageBox"))
        seen.prepend(modal.className + QLatin1Char(' '));
    if (!modal.nameFilters.isEmpty())
        seen += " [" + modal.nameFilters.join(QLatin1Char(';')) + QLatin1Char(']');
    return modal.parent == Window.get() ? seen : seen + QStringLiteral(" (not on the window)");
}

// Presses the button, answers the box it may show with OK and returns what
// that box said, or an empty string when none opened.
QString TestImagePages::Press(const QString &button)
{
    Answerer->NextClick();
    Click(button);
    FirstModal = Seen(Answerer->Records().value(0));
    if (Answerer->PendingAnswers() == 0)
        return Seen(Answerer->Records().last());
    if (Answerer->UnexpectedCount() > 0)
        return QStringLiteral("unexpected modal");
    Answerer->Clear();
    return QString();
}

QString TestImagePages::Convert(const QString &source, const QString &width, const QString &height)
{
    Form()->RawImagePath_QLineEdit->setText(source);
    Form()->IconWidth_QLineEdit->setText(width);
    Form()->IconHeight_QLineEdit->setText(height);
    return Press("ImageToIcon_QPushButton");
}

// Saves into the output folder through the folder dialog.
QString TestImagePages::Export()
{
    Answerer->Clear();
    Answerer->NextFile(Output->path());
    const QString box = Press("SaveImage_QPushButton");
    return FirstModal == FolderDialog ? box : QStringLiteral("no folder dialog");
}

// Chooses the image and shapes it; with a colour, over that colour.
void TestImagePages::Render(const QString &path, bool circle, const QString &radius, const QColor &colour)
{
    Answerer->NextFile(path);
    Click("SelectImage_QPushButton");
    if (colour.isValid())
        Click("ColorEnable_QRadioButton");
    if (colour.isValid() && colour != Green) {
        Answerer->NextColor(colour);
        Click("DisplayColor_QPushButton");
    }
    Click(circle ? "CircleEnable_QRadioButton" : "RoundRectEnable_QRadioButton");
    TypeRadius(radius);
}

// Replaces the radius as a user would: every keystroke is an edit.
void TestImagePages::TypeRadius(const QString &text)
{
    QLineEdit *edit = Form()->Radius_QLineEdit;
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        QTest::keyClicks(edit, text);
}

// The preview in a few words: "wide" (the whole picture fitted into the
// label), "square" or its size; then what its top-left corner and its centre
// show.
QString TestImagePages::Look()
{
    // Through the property: the pointer getter is deprecated in 5.15 and its
    // by-value replacement does not exist in 5.14.
    const QImage preview = Form()->ImageWindow_label->property("pixmap").value<QPixmap>().toImage();
    if (preview.isNull())
        return QStringLiteral("empty");
    const QSize label = Form()->ImageWindow_label->size();
    QString look = QStringLiteral("%1x%2").arg(preview.width()).arg(preview.height());
    if (preview.size() == QSize(300, 200).scaled(label, Qt::KeepAspectRatio))
        look = QStringLiteral("wide");
    else if (preview.size() == QSize(200, 200).scaled(label, Qt::KeepAspectRatio))
        look = QStringLiteral("square");
    return look + QLatin1Char(' ') + ColourName(preview.pixel(0, 0)) + QLatin1Char(' ')
        + ColourName(preview.pixel(preview.width() / 2, preview.height() / 2));
}

// The output folder holds these files and nothing else, each decoding to the
// expected image, and ImageMagick reads them at the same size and opacity.
void TestImagePages::CompareWritten(const Files &expected)
{
    QCOMPARE(QDir(Output->path()).entryList(QDir::Files, QDir::Name), QStringList(expected.keys()));
    QStringList paths;
    QStringList magick;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        paths << Output->filePath(it.key());
        QCOMPARE(QImage(paths.last(), it.key().endsWith(".ico") ? "ICO" : "PNG"), it.value());
        magick << QStringLiteral("%1x%2 %3")
                      .arg(it.value().width())
                      .arg(it.value().height())
                      .arg(qAlpha(it.value().pixel(0, 0)));
    }
    const QString identified = paths.isEmpty() ? QString() : Identify(paths);
    if (!identified.isEmpty())
        QCOMPARE(identified, magick.join(QLatin1Char(';')));
}

void TestImagePages::browse()
{
    const QString chosen = SampleFolder->filePath("photo.final.png");
    QFile::copy(SamplePathFor(Samples, "png-alpha"), chosen);
    Answerer->NextFile(chosen);
    Click("RawImagePath_QPushButton");
    QCOMPARE(Seen(Answerer->Records().value(0)), OpenDialog);
    // Cancelled afterwards: a box, and the earlier path and image stay.
    Answerer->NextCancel();
    QCOMPARE(Press("RawImagePath_QPushButton"), QStringLiteral("错误/图像路径不能为空"));
    QCOMPARE(Form()->RawImagePath_QLineEdit->text(), chosen);
    QCOMPARE(MainWindowProbe::SourceBaseName(*Window), QStringLiteral("photo"));
    QCOMPARE(MainWindowProbe::SourceImage(*Window), LoadImageFile(chosen));

    Answerer->NextFile(Output->path());
    Click("IconImagePath_QPushButton");
    QCOMPARE(Seen(Answerer->Records().last()), FolderDialog);
    QCOMPARE(Form()->IconImagePath_QLineEdit->text(), Output->path());
    Answerer->NextCancel();
    QCOMPARE(Press("IconImagePath_QPushButton"), QStringLiteral("提示/没有选择保存路径"));
    QCOMPARE(Form()->IconImagePath_QLineEdit->text(), QString());
}

void TestImagePages::convert_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("folder"); // "<output>" stands for the output folder
    QTest::addColumn<QStringList>("sizes");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QSize>("written"); // invalid: no file
    const QString jpeg = SamplePathFor(Samples, "jpeg");
    const QString out = QStringLiteral("<output>");
    const QString missing = SampleFolder->filePath("no/such");
    QTest::newRow("16 x 64") << jpeg << out << QStringList {"16", "64"} << Done << QSize(16, 64);
    QTest::newRow("256, the largest") << jpeg << out << QStringList {"256", "256"} << Done << QSize(256, 256);
    QTest::newRow("0: silence") << jpeg << out << QStringList {"0", "32"} << QString() << QSize();
    QTest::newRow("257 wide") << jpeg << out << QStringList {"257", "32"} << TooLarge << QSize();
    QTest::newRow("40000 high") << jpeg << out << QStringList {"32", "40000"} << TooLarge << QSize();
    QTest::newRow("too large before not a number")
        << jpeg << out << QStringList {"abc", "300"} << TooLarge << QSize();
    QTest::newRow("empty source path") << QString() << out << QStringList {"32", "32"}
                                       << QStringLiteral("错误/原始图像路径不能为空") << QSize();
    QTest::newRow("not an image: silence, image dropped")
        << NotAnImage << out << QStringList {"32", "32"} << QString() << QSize();
    QTest::newRow("empty folder") << jpeg << QString() << QStringList {"32", "32"}
                                  << QStringLiteral("提示/没有选择保存路径") << QSize();
    QTest::newRow("missing folder") << jpeg << missing << QStringList {"32", "32"}
                                    << "错误/文件保存失败: " + missing + "/Varno.ico" << QSize();
}

void TestImagePages::convert()
{
    QFETCH(QString, source);
    QFETCH(QString, folder);
    QFETCH(QStringList, sizes);
    QFETCH(QString, box);
    QFETCH(QSize, written);
    // Something loaded earlier must not survive a failed load.
    MainWindowProbe::SourceImage(*Window) = BluePicture();
    Form()->IconImagePath_QLineEdit->setText(folder.replace("<output>", Output->path()));
    QCOMPARE(Convert(source, sizes.at(0), sizes.at(1)), box);
    QCOMPARE(MainWindowProbe::SourceImage(*Window).isNull(), source == NotAnImage);
    CompareWritten(written.isValid() ? Files {{"Varno.ico", LiteralIcon(LoadImageFile(source), written)}}
                                     : Files());
}

void TestImagePages::convertActsOnPressAndOverwrites()
{
    const QString gif = SamplePathFor(Samples, "gif-transparent");
    QFile old(Output->filePath("Varno.ico"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("an older file of the same name") > 0);
    old.close();
    Form()->RawImagePath_QLineEdit->setText(gif);
    Form()->IconImagePath_QLineEdit->setText(Output->path());
    Answerer->NextClick();
    TestKit::PressAndReleaseOutside(Form()->ImageToIcon_QPushButton);
    QCOMPARE(Seen(Answerer->Records().value(0)), Done);
    CompareWritten({{"Varno.ico", LiteralIcon(LoadImageFile(gif), QSize(32, 32))}});
    // Again, smaller: replaced, with the GIF's transparent corner.
    QCOMPARE(Convert(gif, "12", "12"), Done);
    CompareWritten({{"Varno.ico", LiteralIcon(LoadImageFile(gif), QSize(12, 12))}});
}

void TestImagePages::startUp()
{
    QPushButton *swatch = Form()->DisplayColor_QPushButton;
    QVERIFY(!swatch->isVisible());
    QCOMPARE(MainWindowProbe::BackgroundColor(*Window), QColor());
    QVERIFY(Form()->MultipleImageEnable_QRadioButton->isHidden());
    QCOMPARE(Look(), QStringLiteral("empty"));

    // The colour background restored from the last run starts green.
    Window.reset();
    QRadioButton on;
    on.setChecked(true);
    const QRadioButton off;
    SettingsStore::WriteText("ColorEnable_QRadioButton", WidgetState::EncodeWidgetValue(&on));
    SettingsStore::WriteText("TransprentEnable_QRadioButton", WidgetState::EncodeWidgetValue(&off));
    OpenWindow();
    swatch = Form()->DisplayColor_QPushButton;
    QVERIFY(Form()->ColorEnable_QRadioButton->isChecked() && swatch->isVisible());
    QCOMPARE(MainWindowProbe::BackgroundColor(*Window), Green);
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgb(0, 255,0);"));
}

void TestImagePages::selectImage()
{
    // An earlier image with a rounded shape and a render; cancelling keeps it.
    Render(SamplePathFor(Samples, "jpeg"), false, "30");
    const QString earlier = Look();
    Answerer->NextCancel();
    Click("SelectImage_QPushButton");
    QCOMPARE(MainWindowProbe::SourceImagePath(*Window), QString());
    QCOMPARE(MainWindowProbe::SourceBaseName(*Window), QStringLiteral("photo"));
    QVERIFY(Form()->RoundRectEnable_QRadioButton->isChecked());
    QCOMPARE(Look(), earlier);

    // A new image switches the shape to "无" and shows it unshaped.
    Click("CircleEnable_QRadioButton");
    Answerer->Clear();
    Answerer->NextFile(CatPath);
    Click("SelectImage_QPushButton");
    QCOMPARE(Seen(Answerer->Records().value(0)), OpenDialog);
    QCOMPARE(MainWindowProbe::SourceImagePath(*Window), CatPath);
    QCOMPARE(MainWindowProbe::SourceBaseName(*Window), QStringLiteral("cat"));
    QVERIFY(Form()->NoneEnable_QRadioButton->isChecked());
    QCOMPARE(MainWindowProbe::SourceImage(*Window), BluePicture());
    QCOMPARE(Look(), QStringLiteral("wide picture picture"));
    QCOMPARE(Form()->ImageWindow_label->alignment(), Qt::AlignCenter);
}

void TestImagePages::preview_data()
{
    QTest::addColumn<bool>("circle");
    QTest::addColumn<QString>("radius"); // null: typed, then emptied
    QTest::addColumn<bool>("colour");
    QTest::addColumn<QString>("look");
    QTest::newRow("rect 30, transparent") << false << QString("30") << false << "wide grey picture";
    QTest::newRow("rect 30, colour") << false << QString("30") << true << "wide #00ff00 picture";
    QTest::newRow("rect 0: square corners") << false << QString("0") << true << "wide picture picture";
    QTest::newRow("rect, emptied: 10") << false << QString() << false << "wide grey picture";
    QTest::newRow("circle 100, transparent") << true << QString("100") << false << "square grey picture";
    QTest::newRow("circle 100, colour") << true << QString("100") << true << "square #00ff00 picture";
    QTest::newRow("circle 101: the whole image") << true << QString("101") << false << "wide picture picture";
    QTest::newRow("circle 0: empty") << true << QString("0") << false << "empty";
    QTest::newRow("circle, emptied: 100") << true << QString() << false << "square grey picture";
}

void TestImagePages::preview()
{
    QFETCH(bool, circle);
    QFETCH(QString, radius);
    QFETCH(bool, colour);
    QFETCH(QString, look);
    Render(CatPath, circle, radius.isNull() ? "3" : radius, colour ? Green : QColor());
    if (radius.isNull()) {
        TypeRadius(QString());
        QCOMPARE(Form()->Radius_QLineEdit->text(), QString(circle ? "100" : "10"));
    }
    QCOMPARE(Look(), look);
    QVERIFY(MainWindowProbe::RoundedImage(*Window).isNull()); // built only for an export
}

void TestImagePages::shapeNoneIgnoresOptions()
{
    Answerer->NextFile(CatPath);
    Click("SelectImage_QPushButton");
    const qint64 shown = Form()->ImageWindow_label->property("pixmap").value<QPixmap>().cacheKey();
    TypeRadius("25");
    Click("ColorEnable_QRadioButton");
    Click("TransprentEnable_QRadioButton");
    QCOMPARE(Form()->ImageWindow_label->property("pixmap").value<QPixmap>().cacheKey(), shown);
    // Back to "无" after a shape: the plain image again.
    Click("CircleEnable_QRadioButton");
    QCOMPARE(Look(), QStringLiteral("square grey picture"));
    Click("NoneEnable_QRadioButton");
    QCOMPARE(Look(), QStringLiteral("wide picture picture"));
}

void TestImagePages::backgroundColour()
{
    Render(CatPath, false, "40", Green);
    QPushButton *swatch = Form()->DisplayColor_QPushButton;
    QVERIFY(swatch->isVisible());
    QCOMPARE(Look(), QStringLiteral("wide #00ff00 picture"));

    Answerer->NextColor(QColor(5, 10, 200));
    TestKit::Click(swatch);
    QCOMPARE(Seen(Answerer->Records().last()), QStringLiteral("QColorDialog 选择颜色/"));
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgb(05,10,200);"));
    QCOMPARE(Look(), QStringLiteral("wide #050ac8 picture"));

    // The dialog opens on the swatch's colour. Cancelled: green behind the
    // shape, while the swatch keeps the colour shown.
    QColor offered;
    Answerer->Next([&offered](QWidget *modal) {
        offered = qobject_cast<QColorDialog *>(modal)->currentColor();
        qobject_cast<QDialog *>(modal)->reject();
    });
    TestKit::Click(swatch);
    QCOMPARE(offered, QColor(5, 10, 200));
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgb(05,10,200);"));
    QCOMPARE(Look(), QStringLiteral("wide #00ff00 picture"));

    Answerer->NextColor(QColor(128, 64, 255));
    TestKit::Click(swatch);
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgb(128,64,255);"));
    Click("TransprentEnable_QRadioButton");
    QVERIFY(!swatch->isVisible());
    QCOMPARE(Look(), QStringLiteral("wide grey picture"));
    // Selected again, the colour background starts from green.
    Click("ColorEnable_QRadioButton");
    QCOMPARE(swatch->styleSheet(), QStringLiteral("background-color: rgb(0, 255,0);"));
    QCOMPARE(Look(), QStringLiteral("wide #00ff00 picture"));
}

void TestImagePages::exportFiles_data()
{
    QTest::addColumn<QString>("situation"); // empty: a plain export
    QTest::addColumn<bool>("circle");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<QStringList>("iconSizes"); // empty: the icon option off
    QTest::addColumn<bool>("pngWritten");
    QTest::addColumn<QSize>("iconSize"); // invalid: no icon
    QTest::addColumn<QString>("box"); // "<gone>" stands for a folder removed meanwhile
    const QString normal;
    const QStringList off;
    const QStringList size32 {"32", "32"};
    QTest::newRow("rect, transparent, icon 32")
        << normal << false << false << size32 << true << QSize(32, 32) << Saved;
    QTest::newRow("rect, colour, icon 256 x 32: stretched, the largest")
        << normal << false << true << QStringList {"256", "32"} << true << QSize(256, 32) << Saved;
    QTest::newRow("circle, transparent, icon off: its size 300 is not looked at")
        << normal << true << false << off << true << QSize() << Saved;
    QTest::newRow("emptied icon sizes become 48")
        << normal << false << false << QStringList {"", ""} << true << QSize(48, 48) << Saved;
    QTest::newRow("icon size not a number: no icon")
        << normal << false << false << QStringList {"4x", "32"} << true << QSize() << Saved;
    QTest::newRow("icon 257 wide: nothing")
        << normal << false << false << QStringList {"257", "32"} << false << QSize() << TooLarge;
    QTest::newRow("icon 40000 high: nothing")
        << normal << true << true << QStringList {"32", "40000"} << false << QSize() << TooLarge;
    // Refilled with 10 even for the circle; the pixels are those of the last render.
    QTest::newRow("radius emptied after the render")
        << "radius emptied" << true << false << off << true << QSize() << Saved;
    QTest::newRow("circle radius 0: nothing, icon step skipped too")
        << "radius 0" << true << false << size32 << false << QSize() << Saved;
    QTest::newRow("folder dialog cancelled") << "cancel" << false << false << size32 << false << QSize()
                                             << QStringLiteral("提示/没有选择保存路径");
    QTest::newRow("folder removed meanwhile") << "gone" << false << false << size32 << false << QSize()
                                              << QStringLiteral("错误/文件保存失败: <gone>/cat-Png.png");
    QTest::newRow("no image") << "no image" << false << false << size32 << false << QSize() << QString();
    QTest::newRow("shape none") << "none" << false << false << size32 << false << QSize() << QString();
}

// "透明" writes the shape with transparent surroundings, not the checkerboard.
void TestImagePages::exportFiles()
{
    QFETCH(QString, situation);
    QFETCH(bool, circle);
    QFETCH(bool, colour);
    QFETCH(QStringList, iconSizes);
    QFETCH(bool, pngWritten);
    QFETCH(QSize, iconSize);
    QFETCH(QString, box);
    const int radius = situation == "radius 0" ? 0 : circle ? 100 : 30;
    if (situation == "no image")
        Click("RoundRectEnable_QRadioButton");
    else
        Render(CatPath, circle, QString::number(radius), colour ? Green : QColor());
    if (situation == "none")
        Click("NoneEnable_QRadioButton");
    if (!iconSizes.isEmpty())
        Click("IconEnable_QRadioButton");
    Form()->ICON_Width_QLineEdit->setText(iconSizes.value(0, "300"));
    Form()->ICON_Height_QLineEdit->setText(iconSizes.value(1, "300"));

    if (situation == "radius emptied")
        Form()->Radius_QLineEdit->setText(QString());
    const QString gone = Output->filePath("gone");
    Answerer->Clear();
    if (situation == "cancel") {
        Answerer->NextCancel();
    } else if (situation == "gone") {
        Answerer->Next([gone](QWidget *modal) {
            QDir().mkpath(gone);
            qobject_cast<QFileDialog *>(modal)->selectFile(gone);
            qobject_cast<QDialog *>(modal)->accept();
            QDir(gone).removeRecursively();
        });
    } else {
        Answerer->NextFile(Output->path());
    }
    QCOMPARE(Press("SaveImage_QPushButton"), box.replace("<gone>", gone));
    QCOMPARE(FirstModal, FolderDialog);
    if (situation == "radius emptied")
        QCOMPARE(Form()->Radius_QLineEdit->text(), QStringLiteral("10"));

    const QImage expected = LiteralExport(BluePicture(), circle, radius, colour ? Green : QColor());
    Files files;
    if (iconSize.isValid())
        files.insert("cat-Icon.ico", LiteralIcon(expected, iconSize));
    if (pngWritten)
        files.insert("cat-Png.png", PngRoundTrip(expected));
    CompareWritten(files);
    // Built for the export, the composite is kept as the page's result.
    if (colour && pngWritten)
        QCOMPARE(MainWindowProbe::RoundedImage(*Window), expected);
}

void TestImagePages::exportAfterAnImageOfPageTwo_data()
{
    QTest::addColumn<bool>("browsed");
    QTest::addColumn<QString>("stem");
    QTest::newRow("typed on page 2, never browsed") << false << "Varno";
    QTest::newRow("browsed on page 2 after the render") << true << "picture";
}

// The name comes from the image last chosen through a dialog on either page;
// the pixels written stay those of the last render.
void TestImagePages::exportAfterAnImageOfPageTwo()
{
    QFETCH(bool, browsed);
    QFETCH(QString, stem);
    if (browsed)
        Render(CatPath, false, "20");
    Click("IconEnable_QRadioButton");
    Click("pushButton2");
    if (browsed) {
        Answerer->NextFile(SamplePathFor(Samples, "bmp"));
        Click("RawImagePath_QPushButton");
    } else {
        QCOMPARE(Convert(CatPath, "abc", "32"), QString()); // loads, writes nothing
    }
    Click("pushButton3");
    if (!browsed) {
        Click("RoundRectEnable_QRadioButton");
        TypeRadius("20");
    }
    QCOMPARE(Export(), Saved);
    const QImage expected = LiteralExport(BluePicture(), false, 20);
    CompareWritten({{stem + "-Icon.ico", LiteralIcon(expected, QSize(32, 32))},
                    {stem + "-Png.png", PngRoundTrip(expected)}});
}

void TestImagePages::everyFormat_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("circle");
    QTest::addColumn<QColor>("colour");
    for (const SampleImage &sample : Samples) {
        QTest::addRow("%s, rect, transparent", qPrintable(sample.name)) << sample.path << false << QColor();
        QTest::addRow("%s, circle, colour", qPrintable(sample.name))
            << sample.path << true << QColor(250, 128, 3);
    }
}

// What the page writes through its fast path is exactly what the described
// pipeline gives, for every kind of input.
void TestImagePages::everyFormat()
{
    QFETCH(QString, path);
    QFETCH(bool, circle);
    QFETCH(QColor, colour);
    Render(path, circle, "9", colour);
    Click("IconEnable_QRadioButton");
    Form()->ICON_Width_QLineEdit->setText("24");
    Form()->ICON_Height_QLineEdit->setText("20");
    QCOMPARE(Export(), Saved);
    const QString stem = QFileInfo(path).baseName();
    const QImage expected = LiteralExport(LoadImageFile(path), circle, 9, colour);
    CompareWritten({{stem + "-Icon.ico", LiteralIcon(expected, QSize(24, 20))},
                    {stem + "-Png.png", PngRoundTrip(expected)}});
}

VARNO_TEST_MAIN(TestImagePages)
#include "tst_imagepages.moc"
