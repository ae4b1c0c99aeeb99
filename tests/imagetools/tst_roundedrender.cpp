#include "SampleImages.h"
#include "imagetools/ImageFunctions.h"
#include "imagetools/RoundedRender.h"
#include "kit/TestKit.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(RoundedShape)

namespace {

const QColor Colour(12, 200, 90);

// The page's pipeline at full resolution, step by step as the page is
// described, with nothing skipped: the reference for every faster path.
QImage LiteralShaped(const QImage &source, RoundedShape shape, int radius)
{
    const QImage normalised = PngRoundTrip(source);
    return shape == RoundedShape::RoundRect ? RoundRectImage(normalised, radius)
                                            : CircleImage(normalised, radius);
}

QImage LiteralComposite(const QImage &shaped, bool transparent)
{
    return ComposeOverTiles(shaped, transparent ? CheckerTilePixmap(20) : SolidTilePixmap(20, Colour));
}

RoundedRenderInputs Inputs(const QImage &source, RoundedShape shape, int radius, bool transparent)
{
    RoundedRenderInputs inputs;
    inputs.source = source;
    inputs.shape = shape;
    inputs.radius = radius;
    inputs.transparentBackground = transparent;
    inputs.backgroundColor = Colour;
    return inputs;
}

int ChannelDistance(QRgb a, QRgb b)
{
    return qMax(qMax(qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b))), qAbs(qBlue(a) - qBlue(b)));
}

} // namespace

class TestRoundedRender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void samplesDecodeAsExpected_data();
    void samplesDecodeAsExpected();
    void fullResolutionMatchesPipeline_data();
    void fullResolutionMatchesPipeline();
    void previewShowsTheComposite_data();
    void previewShowsTheComposite();
    void previewChecksAtScreenSize();
    void previewFollowsANewSource();
    void plainPreview();

private:
    std::unique_ptr<QTemporaryDir> Folder;
    QList<SampleImage> Samples;
};

void TestRoundedRender::initTestCase()
{
    Folder = std::make_unique<QTemporaryDir>();
    QVERIFY(Folder->isValid());
    Samples = WriteSampleImages(Folder->path());
}

void TestRoundedRender::samplesDecodeAsExpected_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("format");
    for (const SampleImage &sample : Samples)
        QTest::newRow(qPrintable(sample.name)) << sample.path << int(sample.decodedFormat);
}

// The inputs really cover the decoder formats they stand for, and for each
// the round trip is skipped only where it changes nothing.
void TestRoundedRender::samplesDecodeAsExpected()
{
    QFETCH(QString, path);
    QFETCH(int, format);
    const QImage image = LoadImageFile(path);
    QVERIFY(!image.isNull());
    QCOMPARE(int(image.format()), format);
    const QImage roundTrip = PngRoundTrip(image);
    QVERIFY2(SameImage(NormalisedImage(image), roundTrip),
             qPrintable(DescribeDifference(NormalisedImage(image), roundTrip)));
}

void TestRoundedRender::fullResolutionMatchesPipeline_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<RoundedShape>("shape");
    QTest::addColumn<int>("radius");
    QTest::addColumn<bool>("transparent");
    // The samples are 61 x 43 or 43 x 61: a circle radius of 21 still cuts
    // (42 <= 43), 22 does not.
    const QList<int> rectRadii {0, -4, 9, 25, 1000};
    const QList<int> circleRadii {0, -1, 1, 14, 21, 22, 1000};
    for (const SampleImage &sample : Samples) {
        for (bool transparent : {true, false}) {
            const char *background = transparent ? "transparent" : "colour";
            for (int radius : rectRadii) {
                QTest::addRow("%s, rect %d, %s", qPrintable(sample.name), radius, background)
                    << sample.path << RoundedShape::RoundRect << radius << transparent;
            }
            for (int radius : circleRadii) {
                QTest::addRow("%s, circle %d, %s", qPrintable(sample.name), radius, background)
                    << sample.path << RoundedShape::Circle << radius << transparent;
            }
        }
    }
}

void TestRoundedRender::fullResolutionMatchesPipeline()
{
    QFETCH(QString, path);
    QFETCH(RoundedShape, shape);
    QFETCH(int, radius);
    QFETCH(bool, transparent);

    const QImage source = LoadImageFile(path);
    const RoundedRenderInputs inputs = Inputs(source, shape, radius, transparent);
    const QImage literalShaped = LiteralShaped(source, shape, radius);
    const QImage literalComposite = LiteralComposite(literalShaped, transparent);

    QCOMPARE(ShapedImageIsNull(source, shape, radius), literalShaped.isNull());

    const QImage shaped = BuildShapedImage(inputs);
    QVERIFY2(SameImage(shaped, literalShaped), qPrintable(DescribeDifference(shaped, literalShaped)));
    const QImage composite = BuildCompositeImage(shaped, inputs);
    QVERIFY2(SameImage(composite, literalComposite),
             qPrintable(DescribeDifference(composite, literalComposite)));

    // With the normalised image handed in, as the export does when the last
    // render was made from the page's current image.
    const QImage exported = BuildExportImage(inputs, NormalisedImage(source));
    const QImage &literalExport = transparent ? literalShaped : literalComposite;
    QVERIFY2(SameImage(exported, literalExport), qPrintable(DescribeDifference(exported, literalExport)));
}

void TestRoundedRender::previewShowsTheComposite_data()
{
    QTest::addColumn<RoundedShape>("shape");
    QTest::addColumn<int>("radius");
    QTest::addColumn<QSize>("area");
    QTest::newRow("rect 40, shrunk") << RoundedShape::RoundRect << 40 << QSize(200, 150);
    QTest::newRow("rect 0") << RoundedShape::RoundRect << 0 << QSize(200, 150);
    QTest::newRow("rect 1000, ellipse") << RoundedShape::RoundRect << 1000 << QSize(300, 300);
    QTest::newRow("circle 150") << RoundedShape::Circle << 150 << QSize(200, 150);
    QTest::newRow("circle 37, enlarged") << RoundedShape::Circle << 37 << QSize(250, 250);
    QTest::newRow("circle 201, whole image") << RoundedShape::Circle << 201 << QSize(200, 200);
    QTest::newRow("rect 60, area larger than the image") << RoundedShape::RoundRect << 60 << QSize(900, 700);
}

// Drawn at display size, the preview shows what the full-size composite
// scaled down would show, apart from antialiased edges.
void TestRoundedRender::previewShowsTheComposite()
{
    QFETCH(RoundedShape, shape);
    QFETCH(int, radius);
    QFETCH(QSize, area);
    const QImage source = PatternImage(QSize(600, 400), false);
    const RoundedRenderInputs inputs = Inputs(source, shape, radius, false);

    RoundedPreviewRenderer renderer;
    const QImage preview = renderer.Render(inputs, area);
    const QImage literal = LiteralComposite(LiteralShaped(source, shape, radius), false)
                               .scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(preview.size(), literal.size());

    int far = 0;
    for (int y = 0; y < preview.height(); ++y) {
        for (int x = 0; x < preview.width(); ++x) {
            if (ChannelDistance(preview.pixel(x, y), literal.pixel(x, y)) > 48)
                ++far;
        }
    }
    QVERIFY2(far <= preview.width() * preview.height() / 50, qPrintable(QString::number(far)));
}

void TestRoundedRender::previewChecksAtScreenSize()
{
    const QImage source = PatternImage(QSize(1200, 800), false);
    RoundedPreviewRenderer renderer;
    const QImage preview = renderer.Render(Inputs(source, RoundedShape::Circle, 300, true), QSize(240, 240));
    QCOMPARE(preview.size(), QSize(240, 240));
    // Outside the circle: 10-pixel squares of the screen, grey at the corner.
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 240; ++x) {
            if (std::hypot(x + 0.5 - 120, y + 0.5 - 120) > 122) {
                const QRgb expected = (x / 10 + y / 10) % 2 == 0 ? qRgb(220, 220, 220) : qRgb(255, 255, 255);
                QCOMPARE(preview.pixel(x, y), expected);
            }
        }
    }
    // A null shape gives no preview.
    QVERIFY(renderer.Render(Inputs(source, RoundedShape::Circle, 0, true), QSize(240, 240)).isNull());
    QVERIFY(renderer.Render(Inputs(source, RoundedShape::RoundRect, 5, true), QSize(0, 240)).isNull());
    QVERIFY(renderer.Render(Inputs(QImage(), RoundedShape::RoundRect, 5, true), QSize(240, 240)).isNull());
}

// The display copies are kept between renders; a new image of the same size
// must not be shown with the old one's pixels.
void TestRoundedRender::previewFollowsANewSource()
{
    QImage red(300, 200, QImage::Format_RGB32);
    red.fill(Qt::red);
    QImage blue(300, 200, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    RoundedPreviewRenderer renderer;
    const QSize area(150, 100);
    QCOMPARE(renderer.Render(Inputs(red, RoundedShape::RoundRect, 10, true), area).pixel(75, 50),
             qRgb(255, 0, 0));
    QCOMPARE(renderer.Render(Inputs(blue, RoundedShape::RoundRect, 10, true), area).pixel(75, 50),
             qRgb(0, 0, 255));
    QCOMPARE(renderer.RenderPlain(red, area).pixel(75, 50), qRgb(255, 0, 0));
    QCOMPARE(renderer.Render(Inputs(red, RoundedShape::RoundRect, 20, true), area).pixel(75, 50),
             qRgb(255, 0, 0));
}

void TestRoundedRender::plainPreview()
{
    RoundedPreviewRenderer renderer;
    for (const SampleImage &sample : Samples) {
        const QImage source = LoadImageFile(sample.path);
        const QImage plain = renderer.RenderPlain(source, QSize(250, 250));
        QCOMPARE(plain.size(), source.size().scaled(QSize(250, 250), Qt::KeepAspectRatio));
        const QImage literal = source.scaled(QSize(250, 250), Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                   .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage shown = plain.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QPoint centre(shown.width() / 2, shown.height() / 2);
        QVERIFY2(ChannelDistance(shown.pixel(centre), literal.pixel(centre)) <= 16
                     && qAbs(qAlpha(shown.pixel(centre)) - qAlpha(literal.pixel(centre))) <= 16,
                 qPrintable(sample.name));
    }
    QVERIFY(renderer.RenderPlain(QImage(), QSize(100, 100)).isNull());
}

VARNO_TEST_MAIN(TestRoundedRender)
#include "tst_roundedrender.moc"
