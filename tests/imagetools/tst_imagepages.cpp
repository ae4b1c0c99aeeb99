#include "SampleImages.h"
#include "imagetools/ImageFunctions.h"
#include "kit/MainWindowProbe.h"

#include <QFileDialog>

// Both image pages, driven as a user would: the icon conversion (page 2) and
// the rounded image with its preview and export (page 3). What a page
// writes is compared with the described pipeline run step by step; the
// pipeline's own cases are rows of tst_imagefunctions.
namespace {

using Files = QMap<QString, QImage>;

const QColor Green(0, 255, 0);
const QString Saved = QStringLiteral("提示/保存成功");
const QString TooLarge = QStringLiteral("错误/ICON宽度和高度不能超过256");

QImage LiteralExport(const QImage &source, bool circle, int radius, const QColor &colour = QColor())
{
    const QImage normalised = PngRoundTrip(source);
    const QImage shaped = circle ? CircleImage(normalised, radius) : RoundRectImage(normalised, radius);
    return colour.isValid() ? ComposeOverTiles(shaped, SolidTilePixmap(20, colour)) : shaped;
}

// Icons are compared as decoded: Qt's writer leaves the padding of their
// transparency mask uninitialised, so the bytes differ from run to run.
QImage LiteralIcon(const QImage &image, const QSize &size)
{
    QTemporaryDir scratch;
    const QIcon icon = MakeIcon(image, size.width(), size.height());
    const QString path = scratch.filePath("literal.ico");
    return icon.pixmap(icon.availableSizes().last()).save(path, "ICO") ? QImage(path, "ICO") : QImage();
}

// 300 x 200 in dark blues, so that neither checker square nor the green
// background can pass for it.
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
    void initTestCase()
    {
        Samples = WriteSampleImages(SampleFolder.path());
        CatPath = SampleFolder.filePath("cat.small.png");
        QVERIFY(BluePicture().save(CatPath));
        FolderDialog = "QFileDialog 选择图像保存路径/" + QDir::homePath();
    }

    void init()
    {
        F.Start();
        Output = std::make_unique<QTemporaryDir>();
        F.Open();
        const QByteArray test = QTest::currentTestFunction();
        F.Click(test.startsWith("convert") ? "pushButton2" : "pushButton3");
    }

    void cleanup()
    {
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(F.Answerer->PendingAnswers(), 0);
        F.Finish();
    }

    void convert_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("folder"); // "<output>" stands for the output folder
        QTest::addColumn<QStringList>("sizes");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QSize>("written"); // invalid: no file
        const QString jpeg = Samples.at(0);
        const QString out = QStringLiteral("<output>");
        const QString missing = SampleFolder.filePath("no/such");
        const QString done = QStringLiteral("提示/转换完成");
        QTest::newRow("16 x 64") << jpeg << out << QStringList {"16", "64"} << done << QSize(16, 64);
        QTest::newRow("256, the largest")
            << jpeg << out << QStringList {"256", "256"} << done << QSize(256, 256);
        QTest::newRow("several: 16 first")
            << jpeg << out << QStringList {"32", "32", "more"} << done << QSize(16, 16);
        QTest::newRow("GIF with transparency")
            << Samples.at(2) << out << QStringList {"12", "12"} << done << QSize(12, 12);
        QTest::newRow("0: silence") << jpeg << out << QStringList {"0", "32"} << QString() << QSize();
        QTest::newRow("257 wide") << jpeg << out << QStringList {"257", "32"} << TooLarge << QSize();
        QTest::newRow("40000 high") << jpeg << out << QStringList {"32", "40000"} << TooLarge << QSize();
        QTest::newRow("empty source path") << QString() << out << QStringList {"32", "32"}
                                           << QStringLiteral("错误/原始图像路径不能为空") << QSize();
        QTest::newRow("not an image: silence") << SampleFolder.filePath("missing.png") << out
                                               << QStringList {"32", "32"} << QString() << QSize();
        QTest::newRow("empty folder") << jpeg << QString() << QStringList {"32", "32"}
                                      << QStringLiteral("提示/没有选择保存路径") << QSize();
        QTest::newRow("missing folder") << jpeg << missing << QStringList {"32", "32"}
                                        << "错误/文件保存失败: " + missing + "/Varno.ico" << QSize();
    }

    void convert()
    {
        QFETCH(QString, source);
        QFETCH(QString, folder);
        QFETCH(QStringList, sizes);
        QFETCH(QString, box);
        QFETCH(QSize, written);
        F.Form->IconImagePath_QLineEdit->setText(folder.replace("<output>", Output->path()));
        F.Form->RawImagePath_QLineEdit->setText(source);
        F.Form->IconWidth_QLineEdit->setText(sizes.at(0));
        F.Form->IconHeight_QLineEdit->setText(sizes.at(1));
        if (sizes.size() > 2)
            F.Click("MultiSize_QCheckBox");
        QCOMPARE(Press("ImageToIcon_QPushButton"), box);
        CompareWritten(written.isValid() ? Files {{"Varno.ico", LiteralIcon(LoadImageFile(source), written)}}
                                         : Files());
    }

    void preview_data()
    {
        QTest::addColumn<bool>("circle");
        QTest::addColumn<QString>("radius"); // null: typed, then emptied
        QTest::addColumn<bool>("colour");
        QTest::addColumn<QString>("look");
        QTest::newRow("rect 30, transparent") << false << QString("30") << false << "wide grey picture";
        QTest::newRow("rect 30, colour") << false << QString("30") << true << "wide #00ff00 picture";
        QTest::newRow("rect, emptied: 10") << false << QString() << false << "wide grey picture";
        QTest::newRow("circle 100, colour") << true << QString("100") << true << "square #00ff00 picture";
        QTest::newRow("circle 101: the whole image")
            << true << QString("101") << false << "wide picture picture";
        QTest::newRow("circle, emptied: 100") << true << QString() << false << "square grey picture";
    }

    void preview()
    {
        QFETCH(bool, circle);
        QFETCH(QString, radius);
        QFETCH(bool, colour);
        QFETCH(QString, look);
        Render(CatPath, circle, radius.isNull() ? "3" : radius, colour ? Green : QColor());
        if (radius.isNull()) {
            TypeRadius(QString());
            QCOMPARE(F.Form->Radius_QLineEdit->text(), QString(circle ? "100" : "10"));
        }
        QCOMPARE(Look(), look);
    }

    void exportFiles_data()
    {
        QTest::addColumn<QString>("situation"); // empty: a plain export
        QTest::addColumn<bool>("circle");
        QTest::addColumn<bool>("colour");
        QTest::addColumn<QStringList>("iconSizes"); // empty: the icon option off
        QTest::addColumn<bool>("pngWritten");
        QTest::addColumn<QSize>("iconSize"); // invalid: no icon
        QTest::addColumn<QString>("box"); // "<gone>" stands for a folder removed meanwhile
        const QStringList size32 {"32", "32"};
        // "透明" writes the shape with transparent surroundings, not the checkerboard.
        QTest::newRow("rect, transparent, icon 32")
            << "" << false << false << size32 << true << QSize(32, 32) << Saved;
        QTest::newRow("rect, colour, icon 256 x 32: stretched, the largest")
            << "" << false << true << QStringList {"256", "32"} << true << QSize(256, 32) << Saved;
        QTest::newRow("circle, icon off: its size 300 not looked at")
            << "" << true << false << QStringList() << true << QSize() << Saved;
        QTest::newRow("icon 48 of several sizes: 16 read first")
            << "several sizes" << false << false << QStringList {"48", "48"} << true << QSize(16, 16)
            << Saved;
        QTest::newRow("emptied icon sizes become 48")
            << "" << false << false << QStringList {"", ""} << true << QSize(48, 48) << Saved;
        QTest::newRow("icon 257 wide: nothing")
            << "" << false << false << QStringList {"257", "32"} << false << QSize() << TooLarge;
        QTest::newRow("icon 40000 high: nothing")
            << "" << true << true << QStringList {"32", "40000"} << false << QSize() << TooLarge;
        // The pixels are those of the last render.
        QTest::newRow("radius emptied after the render")
            << "radius emptied" << true << false << QStringList() << true << QSize() << Saved;
        QTest::newRow("circle radius 0: nothing")
            << "radius 0" << true << false << size32 << false << QSize() << Saved;
        QTest::newRow("folder dialog cancelled") << "cancel" << false << false << size32 << false << QSize()
                                                 << QStringLiteral("提示/没有选择保存路径");
        QTest::newRow("folder removed meanwhile") << "gone" << false << false << size32 << false << QSize()
                                                  << QStringLiteral("错误/文件保存失败: <gone>/cat-Png.png");
        QTest::newRow("shape none") << "none" << false << false << size32 << false << QSize() << QString();
    }

    void exportFiles()
    {
        QFETCH(QString, situation);
        QFETCH(bool, circle);
        QFETCH(bool, colour);
        QFETCH(QStringList, iconSizes);
        QFETCH(bool, pngWritten);
        QFETCH(QSize, iconSize);
        QFETCH(QString, box);
        const int radius = situation == "radius 0" ? 0 : circle ? 100 : 30;
        Render(CatPath, circle, QString::number(radius), colour ? Green : QColor());
        if (situation == "none")
            F.Click("NoneEnable_QRadioButton");
        if (!iconSizes.isEmpty())
            F.Click("IconEnable_QRadioButton");
        if (situation == "several sizes")
            F.Click("MultiSize_RoundedImage_QCheckBox");
        F.Form->ICON_Width_QLineEdit->setText(iconSizes.value(0, "300"));
        F.Form->ICON_Height_QLineEdit->setText(iconSizes.value(1, "300"));
        if (situation == "radius emptied")
            F.Form->Radius_QLineEdit->setText(QString());
        const QString gone = Output->filePath("gone");
        if (situation == "cancel") {
            F.Answerer->NextCancel();
        } else if (situation == "gone") {
            F.Answerer->Next([gone](QWidget *modal) {
                QDir().mkpath(gone);
                qobject_cast<QFileDialog *>(modal)->selectFile(gone);
                qobject_cast<QDialog *>(modal)->accept();
                QDir(gone).removeRecursively();
            });
        } else {
            F.Answerer->NextFile(Output->path());
        }
        QCOMPARE(Press("SaveImage_QPushButton"),
                 FolderDialog + (box.isEmpty() ? "" : " + " + box.replace("<gone>", gone)));

        const QImage expected = LiteralExport(BluePicture(), circle, radius, colour ? Green : QColor());
        Files files;
        const QImage several = expected.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (iconSize.isValid())
            files.insert("cat-Icon.ico",
                         situation == "several sizes" ? several : LiteralIcon(expected, iconSize));
        if (pngWritten)
            files.insert("cat-Png.png", PngRoundTrip(expected));
        CompareWritten(files);
    }

private:
    // Presses the button and answers a box it shows with OK; what every modal
    // showed, one "title/text" each.
    QString Press(const QString &button)
    {
        F.Answerer->NextClick();
        F.Click(button);
        const QString seen = F.Answerer->Texts().join(" + ");
        F.Answerer->Clear();
        return seen;
    }

    // Chooses the image and shapes it; with a colour, over that colour.
    void Render(const QString &path, bool circle, const QString &radius, const QColor &colour = QColor())
    {
        F.Answerer->NextFile(path);
        F.Click("SelectImage_QPushButton");
        if (colour.isValid())
            F.Click("ColorEnable_QRadioButton");
        if (colour.isValid() && colour != Green) {
            F.Answerer->NextColor(colour);
            F.Click("DisplayColor_QPushButton");
        }
        F.Click(circle ? "CircleEnable_QRadioButton" : "RoundRectEnable_QRadioButton");
        TypeRadius(radius);
        F.Answerer->Clear();
    }

    // Every keystroke is an edit, as when a user types.
    void TypeRadius(const QString &text)
    {
        QLineEdit *edit = F.Form->Radius_QLineEdit;
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
    QString Look()
    {
        const QImage preview = F.Form->ImageWindow_label->property("pixmap").value<QPixmap>().toImage();
        if (preview.isNull())
            return QStringLiteral("empty");
        const QSize label = F.Form->ImageWindow_label->size();
        QString look = QStringLiteral("%1x%2").arg(preview.width()).arg(preview.height());
        if (preview.size() == QSize(300, 200).scaled(label, Qt::KeepAspectRatio))
            look = QStringLiteral("wide");
        else if (preview.size() == QSize(200, 200).scaled(label, Qt::KeepAspectRatio))
            look = QStringLiteral("square");
        return look + ' ' + ColourName(preview.pixel(0, 0)) + ' '
            + ColourName(preview.pixel(preview.width() / 2, preview.height() / 2));
    }

    // The output folder holds these files and nothing else, each decoding to the
    // expected image, and ImageMagick reads them at the same size and opacity.
    void CompareWritten(const Files &expected)
    {
        QCOMPARE(QDir(Output->path()).entryList(QDir::Files, QDir::Name), QStringList(expected.keys()));
        QStringList paths;
        QStringList magick;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            paths << Output->filePath(it.key());
            QCOMPARE(QImage(paths.last(), it.key().endsWith(".ico") ? "ICO" : "PNG"), it.value());
            magick
                << QStringLiteral("%1x%2 %3").arg(it->width()).arg(it->height()).arg(qAlpha(it->pixel(0, 0)));
        }
        QCOMPARE(IdentifyMismatch(paths, magick), QString());
    }

    QTemporaryDir SampleFolder;
    QStringList Samples; // JPEG, PNG with alpha, GIF with transparency
    QString CatPath; // the blue picture under a two-dot name
    QString FolderDialog; // how the dialog that chooses a folder looks
    std::unique_ptr<QTemporaryDir> Output;
    TestKit::WindowFixture F;
};

VARNO_TEST_MAIN(TestImagePages)
#include "tst_imagepages.moc"
