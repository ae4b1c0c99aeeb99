// libFuzzer harness: the input is the per-user settings file, and the real
// restore walks the real main window with it. One tick of the window follows,
// as a second after start-up would: it reads the flags back and acts on the
// restored dates, times and rest interval.

#include "FuzzEnvironment.h"
#include "app/MainWindow.h"
#include "app/Notifier.h"
#include "persistence/SettingsStore.h"
#include "timedtasks/Clock.h"
#include "timedtasks/IdleTime.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>

namespace {

// Rebuilding the window runs the restore of the constructor (and the page
// set-ups that read the store after it) with the input too, and keeps what
// earlier inputs left in the widgets from piling up.
constexpr int InputsPerWindow = 500;

// A full hour, so the rest reminder can come due; fixed, so a crash input
// does the same when run again.
const QDateTime FuzzNow(QDate(2024, 3, 7), QTime(18, 0, 1));

// The tray notifier would try the session bus and open windows of its own.
class DiscardingNotifier : public Notifier
{
public:
    void ShowMessage(const QString &, const QString &, QSystemTrayIcon::MessageIcon, int) override { }
};

// Removed again when the run ends normally; after a crash it stays in the
// temporary folder, beside the rest of the evidence.
std::unique_ptr<QTemporaryDir> SettingsRoot;
MainWindow *Window = nullptr;
int InputCount = 0;

// QSettings keeps parsed files cached by path and reuses them while size and
// modification time look unchanged, which two inputs written within the same
// instant can share. Each input therefore gets a folder of its own.
QString WriteSettingsFile(const uint8_t *data, size_t size)
{
    const QString folder = SettingsRoot->path() + QLatin1Char('/') + QString::number(InputCount);
    const QString storeFolder = folder + QLatin1Char('/') + QLatin1String(SettingsStore::OrganisationName);
    if (!QDir().mkpath(storeFolder))
        std::abort();
    QFile file(storeFolder + QLatin1Char('/') + QLatin1String(SettingsStore::ApplicationName)
               + QLatin1String(".conf"));
    if (!file.open(QIODevice::WriteOnly)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    return folder;
}

// Written to so that every branch below stays a branch of its own.
volatile unsigned Sink = 0;

// Qt is not instrumented, so libFuzzer sees nothing of how the settings
// reader took the file apart. Branching here on what it made of it (status,
// number of keys, groups, the types of the values) gives it that feedback.
void FeedbackFromStore()
{
    const QSettings settings(QString::fromLatin1(SettingsStore::OrganisationName),
                             QString::fromLatin1(SettingsStore::ApplicationName));
    Sink = Sink + (settings.status() == QSettings::NoError ? 1 : 2);
    const QStringList keys = settings.allKeys();
    switch (qMin(keys.size(), 4)) {
    case 0:
        Sink = Sink + 10;
        break;
    case 1:
        Sink = Sink + 11;
        break;
    case 2:
        Sink = Sink + 12;
        break;
    case 3:
        Sink = Sink + 13;
        break;
    default:
        Sink = Sink + 14;
        break;
    }
    for (const QString &key : keys) {
        if (key.contains(QLatin1Char('/')))
            Sink = Sink + 20;
        const QVariant value = settings.value(key);
        switch (value.userType()) {
        case QMetaType::UnknownType:
            Sink = Sink + 30;
            break;
        case QMetaType::QString:
            Sink = Sink + 31;
            break;
        case QMetaType::QStringList:
            Sink = Sink + 32;
            break;
        case QMetaType::QByteArray:
            Sink = Sink + 33;
            break;
        case QMetaType::QRect:
            Sink = Sink + 34;
            break;
        case QMetaType::QSize:
            Sink = Sink + 35;
            break;
        case QMetaType::QPoint:
            Sink = Sink + 36;
            break;
        case QMetaType::QDateTime:
            Sink = Sink + 37;
            break;
        case QMetaType::QDate:
            Sink = Sink + 38;
            break;
        case QMetaType::QTime:
            Sink = Sink + 39;
            break;
        case QMetaType::Int:
            Sink = Sink + 40;
            break;
        case QMetaType::Bool:
            Sink = Sink + 41;
            break;
        case QMetaType::Double:
            Sink = Sink + 42;
            break;
        case QMetaType::QVariantMap:
            Sink = Sink + 43;
            break;
        case QMetaType::QVariantList:
            Sink = Sink + 44;
            break;
        default:
            Sink = Sink + 45 + unsigned(value.userType() & 0x3f);
            break;
        }
    }
}

void Feedback()
{
    try {
        FeedbackFromStore();
    } catch (const std::exception &) {
        // A store Qt cannot read, which the program has to cope with too.
        Sink = Sink + 3;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzEnvironment::PrepareGuiEnvironment();
    new QApplication(FuzzEnvironment::ApplicationArgc(), FuzzEnvironment::ApplicationArgv());
    FuzzEnvironment::SilenceNonFatalMessages();

    SettingsRoot
        = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/varno-fuzz-settings-XXXXXX"));
    if (!SettingsRoot->isValid())
        std::abort();
    // Nothing of this machine's own configuration may mix into the inputs.
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                       SettingsRoot->path() + QStringLiteral("/system"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       SettingsRoot->path() + QStringLiteral("/warm-up"));

    Clock::SetSource([] { return FuzzNow; });
    // Nobody's real keyboard may decide what the tick does with an input.
    IdleTime::SetSource([] { return std::nullopt; });

    // The first window loads fonts, style and icons once per process; done
    // here, that cost and those one-time allocations belong to no input.
    delete new MainWindow;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString folder = WriteSettingsFile(data, size);

    if (!Window || InputCount % InputsPerWindow == 0) {
        delete Window;
        Window = new MainWindow;
        Window->SetNotifier(std::make_unique<DiscardingNotifier>());
    } else {
        Window->RestoreWidgetState(Window);
    }
    // Timers are never served here, so the tick runs by hand, once per input
    // at the fixed moment. A shutdown it finds due reaches only the fake
    // power-off.
    if (!QMetaObject::invokeMethod(Window, "ApplicationTimerFunction", Qt::DirectConnection))
        std::abort();
    // Posted events (deferred deletes, layout requests) would otherwise pile
    // up over a run without an event loop.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Feedback();

    ++InputCount;
    QDir(folder).removeRecursively();
    return 0;
}
