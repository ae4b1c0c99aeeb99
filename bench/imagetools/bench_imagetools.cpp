// Times the image pages on a 6000 x 4000 photo, side by side with ImageMagick
// and vips in the same run, and prints a Markdown table of the results, then
// the export's time and peak memory at 6, 24 and 96 megapixels.
//
//   bench_imagetools [--rounds N] [--work FOLDER]
//
// The photo is generated with ImageMagick into the work folder (a temporary
// one unless given; a photo already there is reused). Runs on the offscreen
// platform; needs ImageMagick's `convert`, and `vips` for its comparison.

#include "app/MainWindow.h"
#include "app/SystemTray.h"
#include "imagetools/ImageFunctions.h"
#include "kit/MainWindowProbe.h"
#include "kit/TestKit.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

namespace {

QElapsedTimer Stopwatch;

double Now()
{
    return Stopwatch.nsecsElapsed() / 1e6;
}

struct Series
{
    QList<double> values; // milliseconds
    void Add(double value) { values.append(value); }
    double Median() const
    {
        QList<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        if (sorted.isEmpty())
            return 0;
        const int middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }
    double Max() const { return values.isEmpty() ? 0 : *std::max_element(values.begin(), values.end()); }
};

QString Ms(double value)
{
    return value >= 1000 ? QString::number(value / 1000, 'f', 2) + " s"
                         : QString::number(value, 'f', 1) + " ms";
}

void Say(const QString &line)
{
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

// Runs a program to its end and returns its wall-clock time in ms, or -1.
double RunTimed(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double start = Now();
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        Say(QStringLiteral("failed: %1 %2").arg(program, arguments.join(' ')));
        return -1;
    }
    return Now() - start;
}

// The peak resident memory of this process since the last ResetPeakMemory,
// in MB (Linux; 0 where /proc cannot tell).
void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double ProcessMemory(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field)) / 1024;
    }
    return 0;
}

double FileMb(const QString &path)
{
    return QFileInfo(path).size() / 1e6;
}

// When the label first paints another pixmap than it had: the first preview,
// which may come from a reduced copy before the whole image is there.
class FirstPreviewWatch : public QObject
{
public:
    explicit FirstPreviewWatch(QLabel *label)
        : Label(label)
        , Before(PixmapKey())
    {
        label->installEventFilter(this);
    }
    double At = -1;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && At < 0 && PixmapKey() != Before)
            At = Now();
        return false;
    }
    // The property, as the pixmap() accessor changed its type in Qt 5.15.
    qint64 PixmapKey() const { return Label->property("pixmap").value<QPixmap>().cacheKey(); }

private:
    QLabel *Label;
    qint64 Before;
};

class Bench
{
public:
    Bench(const QString &work, const QString &convert, const QString &vips)
        : Work(work)
        , Convert(convert)
        , Vips(vips)
    { }

    bool Prepare();
    void Run(int rounds);
    void Report(int rounds) const;
    void RunScale();
    void ReportScale() const;
    void ReportExportFile() const;

private:
    ::Ui::MainWindow *Form() { return MainWindowProbe::Form(*Window); }
    double ChooseImage(const QString &path, Series &freezes, Series &whole);
    void OptionChanges();
    double TimeEvent(const std::function<void()> &event);
    double ExportPng(const QString &baseName = "photo");
    double ExportPngMeasured();
    double VipsRounded(const QString &photo, const QSize &size, const QString &out);
    void CheckExport(const QImage &expected);
    double ConvertToIcon();

    QString Work;
    QString Convert;
    QString Vips;
    QString Photo;
    QString PhotoPng;
    QString Out;
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<MainWindow> Window;

    Series ChooseJpeg, ChoosePng, ChooseFreezes, Keystrokes, OptionClicks;
    Series ExportTimes, QtPngWrite, MagickRounded, VipsRoundedTimes;
    Series ExportPeak, ExportGrowth; // MB: the whole process, and above its size before
    double OursMb = 0, MagickMb = 0, VipsMb = 0;
    QString ExportCheck = "not checked";
    struct ScalePoint
    {
        QSize size;
        double milliseconds = 0, peak = 0, before = 0;
    };
    QList<ScalePoint> Scale;
    Series WholeJpeg, WholePng;
    Series IconTimes, MagickIcon;
    double LiteralKeystroke = 0;
};

bool Bench::Prepare()
{
    Photo = Work + "/photo.jpg";
    PhotoPng = Work + "/photo.png";
    Out = Work + "/out";
    QDir().mkpath(Out);
    if (!QFile::exists(Photo)) {
        Say("generating the 6000 x 4000 test photo with ImageMagick...");
        if (RunTimed(Convert, {"-size", "6000x4000", "plasma:fractal", "-blur", "0x1", "-depth", "8", Photo})
            < 0)
            return false;
    }
    if (QImageReader(Photo).size() != QSize(6000, 4000)) {
        Say("the test photo cannot be read: " + Photo);
        return false;
    }
    if (!QFile::exists(PhotoPng)) {
        Say("writing the same photo as an 8-bit PNG...");
        if (!QImage(Photo).save(PhotoPng))
            return false;
    }

    Settings = std::make_unique<TestKit::IsolatedSettings>();
    Answerer = std::make_unique<TestKit::ModalAnswerer>();
    SystemTray::SetAvailabilityOverride(true);
    Window = std::make_unique<MainWindow>();
    Window->show();
    if (!QTest::qWaitForWindowExposed(Window.get()))
        return false;
    TestKit::Click(Window.get(), "pushButton3");
    QCoreApplication::processEvents();
    return true;
}

// From the dialog's acceptance to the first preview on screen and to the
// preview of the whole image, and the longest stretch in that time during
// which the event loop did not run (a timer that should tick every 5 ms
// shows the gaps).
double Bench::ChooseImage(const QString &path, Series &freezes, Series &whole)
{
    double lastTick = 0;
    double longestGap = 0;
    bool watching = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double now = Now();
        if (watching)
            longestGap = qMax(longestGap, now - lastTick);
        lastTick = now;
    });
    ticker.start(5);
    double accepted = 0;
    Answerer->Next([&accepted, &lastTick, &watching, path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        dialog->selectFile(path);
        accepted = Now();
        lastTick = accepted;
        watching = true;
        static_cast<QDialog *>(dialog)->accept();
        if (dialog->isVisible())
            dialog->reject();
    });
    FirstPreviewWatch first(Form()->ImageWindow_label);
    TestKit::Click(Window.get(), "SelectImage_QPushButton");
    Form()->ImageWindow_label->repaint();
    const double shown = Now();
    freezes.Add(qMax(longestGap, shown - lastTick));
    whole.Add(shown - accepted);
    return (first.At >= 0 ? first.At : shown) - accepted;
}

double Bench::TimeEvent(const std::function<void()> &event)
{
    const double start = Now();
    event();
    Form()->ImageWindow_label->repaint();
    return Now() - start;
}

void Bench::OptionChanges()
{
    QLineEdit *radius = Form()->Radius_QLineEdit;
    auto click = [this](const char *name) {
        OptionClicks.Add(TimeEvent([this, name] { TestKit::Click(Window.get(), name); }));
    };
    auto type = [this, radius](const QString &text) {
        radius->selectAll();
        for (const QChar character : text) {
            Keystrokes.Add(TimeEvent([radius, character] { QTest::keyClick(radius, character.toLatin1()); }));
        }
    };
    auto backspace = [this, radius](int count) {
        radius->end(false);
        for (int i = 0; i < count; ++i)
            Keystrokes.Add(TimeEvent([radius] { QTest::keyClick(radius, Qt::Key_Backspace); }));
    };

    click("RoundRectEnable_QRadioButton");
    type("100");
    backspace(2);
    type("250");
    click("ColorEnable_QRadioButton");
    type("60");
    click("CircleEnable_QRadioButton");
    type("1500");
    backspace(1);
    type("1999");
    click("TransprentEnable_QRadioButton");
    type("2000");
    click("RoundRectEnable_QRadioButton");
    type("100");
    click("NoneEnable_QRadioButton");
}

// Rounded rectangle, radius 100, transparent background, PNG only: the same
// output as ImageMagick's command below.
double Bench::ExportPng(const QString &baseName)
{
    const QString written = Out + "/" + baseName + "-Png.png";
    TestKit::Click(Window.get(), "RoundRectEnable_QRadioButton");
    Form()->Radius_QLineEdit->selectAll();
    QTest::keyClicks(Form()->Radius_QLineEdit, "100");
    if (!Form()->TransprentEnable_QRadioButton->isChecked())
        TestKit::Click(Window.get(), "TransprentEnable_QRadioButton");

    QFile::remove(written);
    double accepted = 0;
    double answered = 0;
    Answerer->Next([this, &accepted](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        dialog->selectFile(Out);
        accepted = Now();
        static_cast<QDialog *>(dialog)->accept();
        if (dialog->isVisible())
            dialog->reject();
    });
    Answerer->Next([&answered](QWidget *modal) {
        answered = Now();
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            box->button(QMessageBox::Ok)->click();
    });
    TestKit::Click(Window.get(), "SaveImage_QPushButton");
    if (Answerer->PendingAnswers() > 0) {
        Say("the export showed no box");
        Answerer->Clear();
    }
    if (!QFile::exists(written))
        Say("the export wrote no PNG");
    return answered - accepted;
}

// The export with the peak memory of the process around it alone.
double Bench::ExportPngMeasured()
{
    const double before = ProcessMemory("VmRSS:");
    ResetPeakMemory();
    const double time = ExportPng();
    const double peak = ProcessMemory("VmHWM:");
    ExportPeak.Add(peak);
    ExportGrowth.Add(peak - before);
    return time;
}

// vips doing the same: a rounded-rectangle mask drawn from SVG as the alpha
// band of the photo, saved as PNG (its defaults: level 6, no filter).
double Bench::VipsRounded(const QString &photo, const QSize &size, const QString &out)
{
    const QString svg = Work + "/mask.svg";
    QFile file(svg);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    file.write(QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\">"
                              "<rect width=\"%1\" height=\"%2\" rx=\"100\" ry=\"100\" fill=\"white\"/></svg>")
                   .arg(size.width())
                   .arg(size.height())
                   .toUtf8());
    file.close();
    const double mask = RunTimed(Vips, {"extract_band", svg, Work + "/alpha.v", "3"});
    const double join = RunTimed(Vips, {"bandjoin", photo + " " + Work + "/alpha.v", out});
    return mask < 0 || join < 0 ? -1 : mask + join;
}

// Once, outside the timing: the exported pixels against Qt's own writer,
// and the file through pngcheck where it is installed.
void Bench::CheckExport(const QImage &expected)
{
    const QString exported = Out + "/photo-Png.png";
    QString verdict = QImage(exported) == expected.convertToFormat(QImage::Format_ARGB32)
        ? "pixels identical to Qt's writer"
        : "PIXELS DIFFER from Qt's writer";
    const QString pngcheck = QStandardPaths::findExecutable("pngcheck");
    if (!pngcheck.isEmpty())
        verdict += QProcess::execute(pngcheck, {"-q", exported}) == 0 ? ", pngcheck OK" : ", PNGCHECK FAILED";
    ExportCheck = verdict;
    Say("export check: " + verdict);
}

// The export at 6, 24 and 96 megapixels, each photo chosen through the page
// as a user would, so its peak memory holds the page's own copy too.
void Bench::RunScale()
{
    for (const QSize size : {QSize(3000, 2000), QSize(6000, 4000), QSize(12000, 8000)}) {
        QString photo = Photo;
        if (size != QSize(6000, 4000)) {
            photo = Work + QStringLiteral("/photo-%1x%2.jpg").arg(size.width()).arg(size.height());
            // vips, as ImageMagick's default limits refuse 96 megapixels.
            if (QImageReader(photo).size() != size
                && RunTimed(Vips, {"resize", Photo, photo, QString::number(size.width() / 6000.0)}) < 0)
                continue;
        }
        Series freezes, whole; // the choosing is timed above, at 24 megapixels
        ChooseImage(photo, freezes, whole);
        ScalePoint point;
        point.size = size;
        point.before = ProcessMemory("VmRSS:");
        ResetPeakMemory();
        point.milliseconds = ExportPng(QFileInfo(photo).baseName());
        point.peak = ProcessMemory("VmHWM:");
        Scale.append(point);
        Say(QStringLiteral("  %1 x %2: export %3, peak %4 MB")
                .arg(size.width())
                .arg(size.height())
                .arg(Ms(point.milliseconds))
                .arg(point.peak, 0, 'f', 0));
    }
}

void Bench::ReportExportFile() const
{
    const double decoded = 6000 * 4000 * 4 / (1024.0 * 1024);
    std::printf(
        "\nThe exported file: %.1f MB (ImageMagick's %.1f MB, ratio %.2f; vips's %.1f MB); %s.\n"
        "Peak memory around the export alone: %.0f MB median, %.0f MB max (%.2f x the %.0f MB decoded "
        "image), %.0f MB above the process before it.\n",
        OursMb, MagickMb, OursMb / MagickMb, VipsMb, qPrintable(ExportCheck), ExportPeak.Median(),
        ExportPeak.Max(), ExportPeak.Max() / decoded, decoded, ExportGrowth.Median());
}

void Bench::ReportScale() const
{
    std::printf("\nExport (rounded PNG, radius 100) by size, one round each; peak memory of the whole "
                "process around the export alone (VmHWM), and its size just before, the photo then held by "
                "the page:\n\n");
    std::printf("| Photo | Megapixels | Export | Per megapixel | Peak memory | Before | Decoded image | "
                "Peak / decoded |\n|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const ScalePoint &point : Scale) {
        const double megapixels = point.size.width() * double(point.size.height()) / 1e6;
        const double decoded = megapixels * 4 * 1e6 / (1024 * 1024);
        std::printf("| %d x %d | %.0f | %s | %.1f ms | %.0f MB | %.0f MB | %.0f MB | %.2f |\n",
                    point.size.width(), point.size.height(), megapixels, qPrintable(Ms(point.milliseconds)),
                    point.milliseconds / megapixels, point.peak, point.before, decoded, point.peak / decoded);
    }
}

double Bench::ConvertToIcon()
{
    TestKit::Click(Window.get(), "pushButton2");
    Form()->RawImagePath_QLineEdit->setText(Photo);
    Form()->IconImagePath_QLineEdit->setText(Out);
    Form()->IconWidth_QLineEdit->setText("48");
    Form()->IconHeight_QLineEdit->setText("48");
    QFile::remove(Out + "/photo.ico");
    double answered = 0;
    Answerer->Next([&answered](QWidget *modal) {
        answered = Now();
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            box->button(QMessageBox::Ok)->click();
    });
    const double start = Now();
    TestKit::Click(Window.get(), "ImageToIcon_QPushButton");
    if (Answerer->PendingAnswers() > 0) {
        Say("the conversion showed no box");
        Answerer->Clear();
    }
    TestKit::Click(Window.get(), "pushButton3");
    return answered - start;
}

void Bench::Run(int rounds)
{
    // The pipeline as described, once: what every keystroke used to cost.
    {
        const QImage source(Photo);
        const double start = Now();
        const QImage composite
            = ComposeOverTiles(RoundRectImage(PngRoundTrip(source), 100), CheckerTilePixmap(20));
        const QImage shown = composite.scaled(Form()->ImageWindow_label->size(), Qt::KeepAspectRatio,
                                              Qt::SmoothTransformation);
        LiteralKeystroke = Now() - start;
        Say("described pipeline, one keystroke: " + Ms(LiteralKeystroke));
    }

    const QStringList magickRounded {Photo,
                                     "(",
                                     "+clone",
                                     "-alpha",
                                     "transparent",
                                     "-fill",
                                     "white",
                                     "-draw",
                                     "roundrectangle 0,0 5999,3999 100,100",
                                     ")",
                                     "-alpha",
                                     "set",
                                     "-compose",
                                     "DstIn",
                                     "-composite",
                                     Out + "/magick.png"};

    for (int round = 1; round <= rounds; ++round) {
        Say(QStringLiteral("round %1 of %2").arg(round).arg(rounds));
        ChooseJpeg.Add(ChooseImage(Photo, ChooseFreezes, WholeJpeg));
        ChoosePng.Add(ChooseImage(PhotoPng, ChooseFreezes, WholePng));
        ChooseJpeg.Add(ChooseImage(Photo, ChooseFreezes, WholeJpeg));
        OptionChanges();

        ExportTimes.Add(ExportPngMeasured());
        {
            // Made here, so that the export's peak memory does not hold it.
            const QImage shaped = RoundRectImage(NormalisedImage(QImage(Photo)), 100);
            const double start = Now();
            shaped.save(Out + "/qt.png");
            QtPngWrite.Add(Now() - start);
            if (round == 1)
                CheckExport(shaped);
        }
        MagickRounded.Add(RunTimed(Convert, magickRounded));
        VipsRoundedTimes.Add(VipsRounded(Photo, QSize(6000, 4000), Out + "/vips.png"));

        IconTimes.Add(ConvertToIcon());
        MagickIcon.Add(RunTimed(Convert, {Photo, "-resize", "48x48!", Out + "/magick.ico"}));
        Say(QStringLiteral("  export %1 (peak %2 MB), Qt write %3, ImageMagick %4, vips %5; icon %6, "
                           "ImageMagick %7")
                .arg(Ms(ExportTimes.values.last()))
                .arg(ExportPeak.values.last(), 0, 'f', 0)
                .arg(Ms(QtPngWrite.values.last()), Ms(MagickRounded.values.last()),
                     Ms(VipsRoundedTimes.values.last()), Ms(IconTimes.values.last()),
                     Ms(MagickIcon.values.last())));
    }
    OursMb = FileMb(Out + "/photo-Png.png");
    MagickMb = FileMb(Out + "/magick.png");
    VipsMb = FileMb(Out + "/vips.png");
    if (Answerer->UnexpectedCount() > 0)
        Say("an unexpected dialog or box was dismissed");
}

void Bench::Report(int rounds) const
{
    auto row = [](const QString &what, const Series &ours, const QString &against, const QString &target) {
        std::printf("| %s | %s | %s | %s | %s |\n", qPrintable(what), qPrintable(Ms(ours.Median())),
                    qPrintable(Ms(ours.Max())), qPrintable(against), qPrintable(target));
    };
    std::printf("6000 x 4000 photo, %d round(s), medians and maxima over all of them.\n\n", rounds);
    std::printf("| Operation | Median | Max | Compared with (median) | Target |\n|---|---|---|---|---|\n");
    row("Choose a JPEG photo, to its first preview", ChooseJpeg, "-", "< 150 ms");
    row("Choose a PNG photo, to its first preview", ChoosePng, "-", "< 350 ms");
    row("Choose a JPEG photo, to the whole image's preview", WholeJpeg, "-", "< 1 s");
    row("Choose a PNG photo, to the whole image's preview", WholePng, "-", "< 1 s");
    row("Longest freeze while choosing either", ChooseFreezes, "-", "< 50 ms");
    row(QStringLiteral("Keystroke in the radius field (%1)").arg(Keystrokes.values.size() / rounds),
        Keystrokes, "described pipeline: " + Ms(LiteralKeystroke), "< 50 ms");
    row(QStringLiteral("Shape or background change (%1)").arg(OptionClicks.values.size() / rounds),
        OptionClicks, "described pipeline: " + Ms(LiteralKeystroke), "< 50 ms");
    row("Export: rounded PNG, radius 100", ExportTimes,
        "vips: " + Ms(VipsRoundedTimes.Median()) + "; ImageMagick: " + Ms(MagickRounded.Median())
            + "; Qt's PNG write: " + Ms(QtPngWrite.Median()),
        "<= " + Ms(VipsRoundedTimes.Median() * 0.6));
    row("Convert to a 48 x 48 icon (page 2)", IconTimes, "ImageMagick: " + Ms(MagickIcon.Median()),
        "<= " + Ms(MagickIcon.Median()));
    std::printf("\nRatios of the medians: export / vips %.2f, export / ImageMagick %.2f, export / Qt's write "
                "%.2f, icon / ImageMagick %.2f.\n",
                ExportTimes.Median() / VipsRoundedTimes.Median(),
                ExportTimes.Median() / MagickRounded.Median(), ExportTimes.Median() / QtPngWrite.Median(),
                IconTimes.Median() / MagickIcon.Median());
    ReportExportFile();
}

} // namespace

int main(int argc, char *argv[])
{
    TestKit::PrepareEnvironment();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"rounds", "How many times to repeat each measurement.", "N", "3"});
    parser.addOption({"work", "Folder for the photo and the outputs (kept).", "FOLDER"});
    parser.process(app);

    const QString convert = QStandardPaths::findExecutable("convert");
    if (convert.isEmpty()) {
        Say("ImageMagick's convert is needed");
        return 1;
    }
    const QString vips = QStandardPaths::findExecutable("vips");
    if (vips.isEmpty()) {
        Say("vips is needed (Debian's libvips-tools)");
        return 1;
    }
    QTemporaryDir temporary;
    const QString work = parser.isSet("work") ? parser.value("work") : temporary.path();
    QDir().mkpath(work);
    const int rounds = qMax(1, parser.value("rounds").toInt());

    Stopwatch.start();
    Bench bench(work, convert, vips);
    if (!bench.Prepare()) {
        Say("could not prepare the benchmark");
        return 1;
    }
    bench.Run(rounds);
    bench.RunScale();
    bench.Report(rounds);
    bench.ReportScale();
    return 0;
}
