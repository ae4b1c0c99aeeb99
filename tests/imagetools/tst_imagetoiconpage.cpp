#include "SampleImages.h"
#include "app/SystemTray.h"
#include "imagetools/ImageFunctions.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// The icon file the conversion is described to write, made here step by
// step with Qt's own calls.
QImage LiteralIconFile(const QString &sourcePath, int width, int height, const QString &scratchFolder)
{
    QImageReader reader(sourcePath);
    reader.setDecideFormatFromContent(true);
    const QIcon icon = MakeIcon(reader.read(), width, height);
    const QPixmap pixmap
        = icon.pixmap(icon.availableSizes(QIcon::Normal, QIcon::Off).last(), QIcon::Normal, QIcon::Off);
    const QString path = scratchFolder + QStringLiteral("/literal.ico");
    if (!pixmap.save(path, "ICO", -1))
        return QImage();
    return QImage(path, "ICO");
}

} // namespace

class TestImageToIconPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void browseRawImage_data();
    void browseRawImage();
    void browseIconDirectory_data();
    void browseIconDirectory();
    void convertSizes_data();
    void convertSizes();
    void convertNaming_data();
    void convertNaming();
    void convertRefusals_data();
    void convertRefusals();
    void convertEveryFormat_data();
    void convertEveryFormat();
    void convertActsOnPressAndOverwrites();

private:
    ::Ui::MainWindow *Form() { return MainWindowProbe::Form(*Window); }
    QString SamplePath(const QString &name) const;
    QString Convert(const QString &width, const QString &height);

    std::unique_ptr<QTemporaryDir> SampleFolder;
    QList<SampleImage> Samples;
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<MainWindow> Window;
    std::unique_ptr<QTemporaryDir> Output;
};

void TestImageToIconPage::initTestCase()
{
    SampleFolder = std::make_unique<QTemporaryDir>();
    Samples = WriteSampleImages(SampleFolder->path());
    // A name with two dots: the stem stops at the first.
    QVERIFY(QFile::copy(SamplePath("png-alpha"), SampleFolder->filePath("photo.final.png")));
}

void TestImageToIconPage::init()
{
    Settings = std::make_unique<TestKit::IsolatedSettings>();
    Answerer = std::make_unique<TestKit::ModalAnswerer>();
    SystemTray::SetAvailabilityOverride(true);
    Window = std::make_unique<MainWindow>();
    RecordingNotifier::InstallOn(*Window);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
    TestKit::Click(Window.get(), "pushButton2");
    Output = std::make_unique<QTemporaryDir>();
}

void TestImageToIconPage::cleanup()
{
    Window.reset();
    QCOMPARE(Answerer->UnexpectedCount(), 0);
    QCOMPARE(Answerer->PendingAnswers(), 0);
    Answerer.reset();
    SystemTray::SetAvailabilityOverride(std::nullopt);
    Settings.reset();
    Output.reset();
}

QString TestImageToIconPage::SamplePath(const QString &name) const
{
    return SamplePathFor(Samples, name);
}

// Converts the image in RawImagePath_QLineEdit into Output and returns the
// text of the box that answered, or an empty string when none opened.
QString TestImageToIconPage::Convert(const QString &width, const QString &height)
{
    Form()->IconImagePath_QLineEdit->setText(Output->path());
    Form()->IconWidth_QLineEdit->setText(width);
    Form()->IconHeight_QLineEdit->setText(height);
    const int before = Answerer->Records().size();
    Answerer->NextClick();
    TestKit::Click(Window.get(), "ImageToIcon_QPushButton");
    if (Answerer->Records().size() == before) {
        Answerer->Clear();
        return QString();
    }
    const TestKit::ModalRecord box = Answerer->Records().last();
    return box.title + QLatin1Char('/') + box.text;
}

void TestImageToIconPage::browseRawImage_data()
{
    QTest::addColumn<bool>("cancelSecond");
    QTest::newRow("chosen") << false;
    QTest::newRow("cancelled after a browse") << true;
}

void TestImageToIconPage::browseRawImage()
{
    QFETCH(bool, cancelSecond);
    const QString chosen = SampleFolder->filePath("photo.final.png");
    Answerer->NextFile(chosen);
    TestKit::Click(Window.get(), "RawImagePath_QPushButton");

    const TestKit::ModalRecord dialog = Answerer->Records().value(0);
    QCOMPARE(dialog.className, QStringLiteral("QFileDialog"));
    QCOMPARE(dialog.title, QStringLiteral("选择图像"));
    QCOMPARE(dialog.nameFilters, QStringList {"Image(*.png *.bmp *.jpg *.gif)"});
    QCOMPARE(dialog.text, QDir::cleanPath(QDir::currentPath() + QStringLiteral("/..")));
    QCOMPARE(dialog.parent.data(), Window.get());
    QCOMPARE(Form()->RawImagePath_QLineEdit->text(), chosen);
    QCOMPARE(MainWindowProbe::SourceBaseName(*Window), QStringLiteral("photo"));
    QVERIFY(SameImage(MainWindowProbe::SourceImage(*Window), LoadImageFile(chosen)));

    if (!cancelSecond)
        return;
    Answerer->NextCancel();
    Answerer->NextClick();
    TestKit::Click(Window.get(), "RawImagePath_QPushButton");
    const TestKit::ModalRecord box = Answerer->Records().last();
    QCOMPARE(box.className, QStringLiteral("QMessageBox"));
    QCOMPARE(box.title, QStringLiteral("错误"));
    QCOMPARE(box.text, QStringLiteral("图像路径不能为空"));
    QCOMPARE(box.buttons.size(), 1);
    QCOMPARE(box.buttons.first(), QMessageBox::Ok);
    QCOMPARE(box.parent.data(), Window.get());
    QCOMPARE(Form()->RawImagePath_QLineEdit->text(), chosen);
    QCOMPARE(MainWindowProbe::SourceBaseName(*Window), QStringLiteral("photo"));
    QVERIFY(!MainWindowProbe::SourceImage(*Window).isNull());
}

void TestImageToIconPage::browseIconDirectory_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("chosen") << false;
    QTest::newRow("cancelled") << true;
}

void TestImageToIconPage::browseIconDirectory()
{
    QFETCH(bool, cancel);
    Form()->IconImagePath_QLineEdit->setText(QStringLiteral("/earlier"));
    if (cancel) {
        Answerer->NextCancel();
        Answerer->NextClick();
    } else {
        Answerer->NextFile(Output->path());
    }
    TestKit::Click(Window.get(), "IconImagePath_QPushButton");

    const TestKit::ModalRecord dialog = Answerer->Records().value(0);
    QCOMPARE(dialog.title, QStringLiteral("选择图像保存路径"));
    QCOMPARE(dialog.text, QDir::homePath());
    QCOMPARE(Form()->IconImagePath_QLineEdit->text(), cancel ? QString() : Output->path());
    if (cancel) {
        QCOMPARE(Answerer->Records().last().title, QStringLiteral("提示"));
        QCOMPARE(Answerer->Records().last().text, QStringLiteral("没有选择保存路径"));
    } else {
        QCOMPARE(Answerer->Records().size(), 1);
    }
}

void TestImageToIconPage::convertSizes_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QSize>("written"); // invalid: no file
    QTest::addColumn<QString>("box");
    const QString done = QStringLiteral("提示/转换完成");
    const QString tooLarge = QStringLiteral("错误/ICON宽度和高度不能超过256");
    QTest::newRow("48 x 48") << "48"
                             << "48" << QSize(48, 48) << done;
    QTest::newRow("16 x 64, stretched") << "16"
                                        << "64" << QSize(16, 64) << done;
    QTest::newRow("spaces around 32") << " 32 "
                                      << "32" << QSize(32, 32) << done;
    QTest::newRow("sign") << "+24"
                          << "24" << QSize(24, 24) << done;
    QTest::newRow("256, the largest") << "256"
                                      << "256" << QSize(256, 256) << done;
    QTest::newRow("32px") << "32px"
                          << "32" << QSize() << QString();
    QTest::newRow("3.5") << "3.5"
                         << "32" << QSize() << QString();
    QTest::newRow("0") << "0"
                       << "32" << QSize() << QString();
    QTest::newRow("empty") << ""
                           << "32" << QSize() << QString();
    QTest::newRow("negative height") << "32"
                                     << "-5" << QSize() << QString();
    QTest::newRow("257 wide") << "257"
                              << "32" << QSize() << tooLarge;
    QTest::newRow("40000 high") << "32"
                                << "40000" << QSize() << tooLarge;
    QTest::newRow("too large beats not a number") << "abc"
                                                  << "300" << QSize() << tooLarge;
}

void TestImageToIconPage::convertSizes()
{
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QSize, written);
    QFETCH(QString, box);
    Form()->RawImagePath_QLineEdit->setText(SamplePath("jpeg"));
    QCOMPARE(Convert(width, height), box);

    const QString path = Output->filePath("Varno.ico");
    QCOMPARE(QFile::exists(path), written.isValid());
    QCOMPARE(QDir(Output->path()).entryList(QDir::Files).size(), written.isValid() ? 1 : 0);
    if (!written.isValid())
        return;
    const QImage icon(path);
    QCOMPARE(icon.size(), written);
    const IdentifyResult magick = Identify(path);
    if (magick.ran) {
        QCOMPARE(magick.images, 1);
        QCOMPARE(magick.size, written);
    }
}

void TestImageToIconPage::convertNaming_data()
{
    QTest::addColumn<QString>("browsePage"); // "", "2" or "3"
    QTest::addColumn<QString>("expectedName");
    QTest::newRow("typed path, never browsed") << ""
                                               << "Varno.ico";
    QTest::newRow("browsed here") << "2"
                                  << "photo.ico";
    QTest::newRow("browsed on the rounded-image page") << "3"
                                                       << "photo.ico";
}

// The file takes the name of the image last chosen through a dialog on
// either page, even when another path was typed since.
void TestImageToIconPage::convertNaming()
{
    QFETCH(QString, browsePage);
    QFETCH(QString, expectedName);
    if (!browsePage.isEmpty()) {
        Answerer->NextFile(SampleFolder->filePath("photo.final.png"));
        if (browsePage == "2") {
            TestKit::Click(Window.get(), "RawImagePath_QPushButton");
        } else {
            TestKit::Click(Window.get(), "pushButton3");
            TestKit::Click(Window.get(), "SelectImage_QPushButton");
            TestKit::Click(Window.get(), "pushButton2");
        }
    }
    Form()->RawImagePath_QLineEdit->setText(SamplePath("bmp"));
    QCOMPARE(Convert("20", "20"), QStringLiteral("提示/转换完成"));
    QCOMPARE(QDir(Output->path()).entryList(QDir::Files), QStringList {expectedName});
    // The typed image is the one converted, and the rounded-image page now works on it.
    QVERIFY(SameImage(MainWindowProbe::SourceImage(*Window), LoadImageFile(SamplePath("bmp"))));
}

void TestImageToIconPage::convertRefusals_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("folder"); // "<output>" is replaced by the output folder
    QTest::addColumn<QString>("box"); // "<path>" is replaced by the file's path
    QTest::addColumn<bool>("imageLoaded");
    QTest::newRow("empty source path") << ""
                                       << "<output>"
                                       << "错误/原始图像路径不能为空" << false;
    QTest::newRow("not an image") << "<output>/notes.png"
                                  << "<output>"
                                  << "" << false;
    QTest::newRow("missing image") << "<output>/gone.png"
                                   << "<output>"
                                   << "" << false;
    QTest::newRow("empty folder") << "<sample>"
                                  << ""
                                  << "提示/没有选择保存路径" << true;
    QTest::newRow("missing folder") << "<sample>"
                                    << "<output>/no/such"
                                    << "错误/文件保存失败: <path>" << true;
    QTest::newRow("a file where the folder should be") << "<sample>"
                                                       << "<output>/notes.png"
                                                       << "错误/文件保存失败: <path>" << true;
}

void TestImageToIconPage::convertRefusals()
{
    QFETCH(QString, source);
    QFETCH(QString, folder);
    QFETCH(QString, box);
    QFETCH(bool, imageLoaded);
    QFile notes(Output->filePath("notes.png"));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
    notes.close();

    source.replace("<output>", Output->path()).replace("<sample>", SamplePath("png-grey"));
    folder.replace("<output>", Output->path());
    const QString iconPath = folder + QStringLiteral("/Varno.ico");
    box.replace("<path>", iconPath);

    // Something loaded earlier must not survive a failed load.
    MainWindowProbe::SourceImage(*Window) = PatternImage(QSize(4, 4), false);
    Form()->RawImagePath_QLineEdit->setText(source);
    Form()->IconWidth_QLineEdit->setText("32");
    Form()->IconHeight_QLineEdit->setText("32");
    Form()->IconImagePath_QLineEdit->setText(folder);
    if (!box.isEmpty())
        Answerer->NextClick();
    TestKit::Click(Window.get(), "ImageToIcon_QPushButton");

    const QString shown = Answerer->Records().isEmpty()
        ? QString()
        : Answerer->Records().last().title + QLatin1Char('/') + Answerer->Records().last().text;
    QCOMPARE(shown, box);
    QCOMPARE(QDir(Output->path()).entryList(QDir::Files), QStringList {"notes.png"});
    if (!source.isEmpty())
        QCOMPARE(!MainWindowProbe::SourceImage(*Window).isNull(), imageLoaded);
}

void TestImageToIconPage::convertEveryFormat_data()
{
    QTest::addColumn<QString>("path");
    for (const SampleImage &sample : Samples)
        QTest::newRow(qPrintable(sample.name)) << sample.path;
}

// The file holds exactly what the described steps give, for every input kind.
void TestImageToIconPage::convertEveryFormat()
{
    QFETCH(QString, path);
    Form()->RawImagePath_QLineEdit->setText(path);
    QCOMPARE(Convert("40", "24"), QStringLiteral("提示/转换完成"));
    const QString written = Output->filePath("Varno.ico");
    QTemporaryDir scratch;
    const QImage expected = LiteralIconFile(path, 40, 24, scratch.path());
    QVERIFY(!expected.isNull());
    // Compared as decoded: the writer leaves the padding of the icon's
    // transparency mask uninitialised, so the bytes differ from run to run.
    const QImage actual(written, "ICO");
    QVERIFY2(SameImage(actual, expected), qPrintable(DescribeDifference(actual, expected)));
    const IdentifyResult magick = Identify(written);
    if (magick.ran)
        QCOMPARE(magick.size, QSize(40, 24));
}

void TestImageToIconPage::convertActsOnPressAndOverwrites()
{
    const QString path = Output->filePath("Varno.ico");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older file of the same name");
    old.close();

    Form()->RawImagePath_QLineEdit->setText(SamplePath("gif-transparent"));
    Form()->IconImagePath_QLineEdit->setText(Output->path());
    Form()->IconWidth_QLineEdit->setText("30");
    Form()->IconHeight_QLineEdit->setText("30");
    Answerer->NextClick();
    TestKit::PressAndReleaseOutside(Form()->ImageToIcon_QPushButton);
    QCOMPARE(Answerer->Records().size(), 1);
    QCOMPARE(Answerer->Records().last().text, QStringLiteral("转换完成"));
    QCOMPARE(QImage(path).size(), QSize(30, 30));

    QCOMPARE(Convert("12", "12"), QStringLiteral("提示/转换完成"));
    QCOMPARE(QImage(path).size(), QSize(12, 12));
    const IdentifyResult magick = Identify(path);
    if (magick.ran) {
        QCOMPARE(magick.size, QSize(12, 12));
        QCOMPARE(magick.alpha, 0.0); // the GIF's transparent corner
    }
}

VARNO_TEST_MAIN(TestImageToIconPage)
#include "tst_imagetoiconpage.moc"
