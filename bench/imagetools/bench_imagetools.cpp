// Times the image pages on a 6000 x 4000 photo, side by side with ImageMagick
// in the same run, and prints a Markdown table of the results.
//
//   bench_imagetools [--rounds N] [--work FOLDER]
//
// The photo is generated with ImageMagick into the work folder (a temporary
// one unless given; a photo already there is reused). Runs on the offscreen
// platform; needs ImageMagick's `convert`.

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
    Bench(const QString &work, const QString &convert)
        : Work(work)
        , Convert(convert)
    { }

    bool Prepare();
    void Run(int rounds);
    void Report(int rounds) const;

private:
    ::Ui::MainWindow *Form() { return MainWindowProbe::Form(*Window); }
    double ChooseImage(const QString &path, Series &freezes, Series &whole);
    void OptionChanges();
    double TimeEvent(const std::function<void()> &event);
    double ExportPng();
    double ConvertToIcon();

    QString Work;
    QString Convert;
    QString Photo;
    QString PhotoPng;
    QString Out;
    std::unique_ptr<TestKit::IsolatedSettings> Settings;
    std::unique_ptr<TestKit::ModalAnswerer> Answerer;
    std::unique_ptr<MainWindow> Window;

    Series ChooseJpeg, ChoosePng, ChooseFreezes, Keystrokes, OptionClicks;
    Series WholeJpeg, WholePng;
    Series ExportTimes, QtPngWrite, MagickRounded;
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
double Bench::ExportPng()
{
    TestKit::Click(Window.get(), "RoundRectEnable_QRadioButton");
    Form()->Radius_QLineEdit->selectAll();
    QTest::keyClicks(Form()->Radius_QLineEdit, "100");
    if (!Form()->TransprentEnable_QRadioButton->isChecked())
        TestKit::Click(Window.get(), "TransprentEnable_QRadioButton");

    QFile::remove(Out + "/photo-Png.png");
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
    if (!QFile::exists(Out + "/photo-Png.png"))
        Say("the export wrote no PNG");
    return answered - accepted;
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

    const QImage shaped = RoundRectImage(NormalisedImage(QImage(Photo)), 100);
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

        ExportTimes.Add(ExportPng());
        {
            const double start = Now();
            shaped.save(Out + "/qt.png");
            QtPngWrite.Add(Now() - start);
        }
        MagickRounded.Add(RunTimed(Convert, magickRounded));

        IconTimes.Add(ConvertToIcon());
        MagickIcon.Add(RunTimed(Convert, {Photo, "-resize", "48x48!", Out + "/magick.ico"}));
        Say(QStringLiteral("  export %1, Qt write %2, ImageMagick %3; icon %4, ImageMagick %5")
                .arg(Ms(ExportTimes.values.last()), Ms(QtPngWrite.values.last()),
                     Ms(MagickRounded.values.last()), Ms(IconTimes.values.last()),
                     Ms(MagickIcon.values.last())));
    }
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
        "ImageMagick: " + Ms(MagickRounded.Median()) + "; Qt's PNG write: " + Ms(QtPngWrite.Median()),
        QStringLiteral("<= %1 and <= %2").arg(Ms(MagickRounded.Median() / 2), Ms(QtPngWrite.Median() * 1.2)));
    row("Convert to a 48 x 48 icon (page 2)", IconTimes, "ImageMagick: " + Ms(MagickIcon.Median()),
        "<= " + Ms(MagickIcon.Median()));
    std::printf("\nRatios of the medians: export / ImageMagick %.2f, export / Qt's write %.2f, "
                "icon / ImageMagick %.2f.\n",
                ExportTimes.Median() / MagickRounded.Median(), ExportTimes.Median() / QtPngWrite.Median(),
                IconTimes.Median() / MagickIcon.Median());
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
    QTemporaryDir temporary;
    const QString work = parser.isSet("work") ? parser.value("work") : temporary.path();
    QDir().mkpath(work);
    const int rounds = qMax(1, parser.value("rounds").toInt());

    Stopwatch.start();
    Bench bench(work, convert);
    if (!bench.Prepare()) {
        Say("could not prepare the benchmark");
        return 1;
    }
    bench.Run(rounds);
    bench.Report(rounds);
    return 0;
}
