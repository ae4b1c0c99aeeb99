// Checks the main window form against what the rest of the program relies
// on: the pages find their widgets by object name and class, show the texts
// and style sheets below, and start from the initial values listed here. The
// expected values are written out by hand, so that an accidental edit of the
// Designer file shows up as a failing row.

#include "kit/TestKit.h"

// The generated form header belongs to the core library; naming it through a
// macro keeps this target's own uic pass from looking for a form beside the
// test.
#define VARNO_FORM_HEADER "ui_MainWindow.h"
#include VARNO_FORM_HEADER

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

// Style sheets, byte for byte.
const QString WindowSheet = QStringLiteral("background-color: rgb(30, 31, 32);\n"
                                           "color: rgb(255, 255, 255);");
const QString BarSheet = QStringLiteral("background-color: rgb(35, 36, 37);");
const QString LeftColumnSheet = QStringLiteral("background-color: rgb(45, 46, 47);");
const QString RightColumnSheet = QStringLiteral("background-color: rgb(55, 56, 57);");
const QString GroupBoxSheet = QStringLiteral("color: rgb(255, 255, 255);\n"
                                             "border: 1px solid gray;");
const QString BorderlessSheet = QStringLiteral("border: 0px;");
const QString PreviewSheet = QStringLiteral("background-color: rgb(0, 0, 0);");

// The comments inside the sheets are part of the literal.
const QString NavigationSheet
    = QString::fromUtf8("QPushButton {\n"
                        "    /* 基本样式 */\n"
                        "    background-color: rgb(55,55,55); /* 正常状态背景色 */\n"
                        "    color: white; /* 文字颜色 */\n"
                        "    border-radius: 10px; /* 圆角半径，值越大角越圆 */\n"
                        "    padding: 6px 12px; /* 内边距，控制按钮大小 */\n"
                        "    border: none; /* 去掉默认边框 */\n"
                        "}\n"
                        "\n"
                        "QPushButton:hover {\n"
                        "    /* 鼠标悬停时的样式 */\n"
                        "    background-color: rgb(33,124,255); /* 悬停时的背景色，比正常状态稍亮 */\n"
                        "}\n"
                        "\n"
                        "QPushButton:pressed {\n"
                        "    /* 按钮按下时的样式 */\n"
                        "    background-color: rgb(33,124,255); /* 按下时的背景色，比正常状态稍暗 */\n"
                        "}\n"
                        "\n"
                        "QPushButton:disabled {\n"
                        "    /* 按钮禁用时的样式（可选） */\n"
                        "    background-color:rgb(55,55,55);\n"
                        "    color: rgb(128,128,128);\n"
                        "}");

const QString PanelSheet = QString::fromUtf8("QWidget {\n"
                                             "    /* 设置边框样式：宽度为2px，实线，颜色为深灰色 */\n"
                                             "    border: 1px solid rgb(90,90,90);\n"
                                             "    \n"
                                             "    /* 设置圆角半径为8px */\n"
                                             "    border-radius: 20px;\n"
                                             "    \n"
                                             "    /* 可选：添加内边距，使内容不紧贴边框 */\n"
                                             "    padding: 5px;\n"
                                             "    \n"
                                             "    /* 可选：设置背景色 */\n"
                                             "    background-color: rgb(65,66,67);\n"
                                             "}\n"
                                             "\n"
                                             "/* 鼠标悬停时的样式变化（可选） */\n"
                                             "QWidget:hover {\n"
                                             "    border-color: rgb(90,90,90);\n"
                                             "    background-color: rgb(65,66,67);\n"
                                             "}");

// ---------------------------------------------------------------------------
// The widget tree: object name, class and the widget it sits in.

// Names of the form's widgets of exactly that class, Qt's own helpers left out.
QStringList WidgetNamesOfClass(const QMainWindow &window, const char *className)
{
    QStringList names;
    const auto widgets = window.findChildren<QWidget *>();
    for (const QWidget *widget : widgets) {
        const QString name = widget->objectName();
        if (qstrcmp(widget->metaObject()->className(), className) == 0 && !name.isEmpty()
            && !name.startsWith(QLatin1String("qt_")))
            names << name;
    }
    return names;
}

// A freshly built form on a plain main window, as the program's window builds
// it before adding any behaviour.
struct Form
{
    QMainWindow window;
    Ui::MainWindow ui;
    Form() { ui.setupUi(&window); }

    // The single object of that name, or null.
    QObject *Named(const QString &name)
    {
        if (window.objectName() == name)
            return &window;
        const QList<QObject *> found = window.findChildren<QObject *>(name);
        return found.size() == 1 ? found.first() : nullptr;
    }
    QWidget *NamedWidget(const QString &name) { return qobject_cast<QWidget *>(Named(name)); }
};

QString TextOf(QObject *object, const QString &property)
{
    if (property.startsWith(QLatin1String("item "))) {
        auto *combo = qobject_cast<QComboBox *>(object);
        return combo ? combo->itemText(property.mid(5).toInt()) : QStringLiteral("<not a combo box>");
    }
    const QVariant value = object->property(property.toLatin1().constData());
    return value.isValid() ? value.toString() : QStringLiteral("<no property %1>").arg(property);
}

void AddTextRows()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("value");

    auto row = [](const char *name, const char *property, const char *utf8) {
        QTest::newRow(qPrintable(QStringLiteral("%1.%2").arg(QLatin1String(name), QLatin1String(property))))
            << QString::fromLatin1(name) << QString::fromLatin1(property) << QString::fromUtf8(utf8);
    };
    auto text = [&row](const char *name, const char *utf8) { row(name, "text", utf8); };

    row("MainWindow", "windowTitle", "Varno软件");
    text("Logo_label", "Logo_label");
    text("Title_label", "Varno软件");
    text("Minimize_pushButton", "");
    row("Minimize_pushButton", "toolTip", "");
    row("Minimize_pushButton", "statusTip", "");
    text("Maximize_pushButton", "");
    text("Close_pushButton", "");

    text("pushButton1", "微信多开");
    text("pushButton2", "图像转ICON");
    text("pushButton3", "圆角图像");
    text("pushButton4", "关机系列");
    text("EndWorkReminder_pushButton", "下班提醒");
    text("RestReminder_pushButton", "休息提醒");

    text("Title_WeiXin_QLabel", "微信多开");
    text("Title_ImageToIcon_QLabel", "图像转ICON");
    text("Title_Shutdown_QLabel", "定时关机");
    text("Title_Shutdown_QLabel_2", "下班提醒");
    text("Title_RestReminder_QLabel", "休息提醒");

    text("WeiXinNumber_QPushButton", "打开微信");
    text("WeiXinNumber_label", "启动微信数目:");
    text("WeiXinPath_QLineEdit", "");
    text("WeiXinPath_QPushButton", "浏览");
    text("WeiXinPath_label", "微信安装路径:");

    text("ImageToIcon_QPushButton", "开始转换");
    text("RawImagePath_QLineEdit", "");
    text("RawImagePath_QPushButton", "浏览");
    text("RawImagePath_label", "原始图像路径:");
    text("IconImagePath_QPushButton", "浏览");
    text("IconImagePath_label", "ICON存放路径:");
    text("IconImagePath_QLineEdit", "");
    text("IconWidth_QLineEdit", "32");
    text("IconWidth_label", "ICON图像宽度:");
    text("IconHeight_QLineEdit", "32");
    text("IconHeight_label", "ICON图像高度:");

    text("ImageWindow_label", "");
    row("Image_QGroupBox", "title", "图像");
    text("SingleImageEnable_QRadioButton", "单图");
    text("MultipleImageEnable_QRadioButton", "多图");
    text("SelectImage_QPushButton", "选择图像");
    row("Shape_QGroupBox", "title", "形状");
    text("RoundRectEnable_QRadioButton", "圆角矩形");
    text("CircleEnable_QRadioButton", "圆形");
    text("NoneEnable_QRadioButton", "无");
    row("Radius_QGroupBox", "title", "半径");
    text("Radius_QLabel", "半径:");
    text("Radius_QLineEdit", "10");
    row("Background_QGroupBox", "title", "背景");
    text("TransprentEnable_QRadioButton", "透明");
    text("ColorEnable_QRadioButton", "颜色");
    text("DisplayColor_QPushButton", "");
    row("ICON_QGroupBox", "title", "ICON");
    text("IconEnable_QRadioButton", "输出ICON格式");
    text("ICON_Width_QLineEdit", "32");
    text("ICON_Width_QLabel", "宽度:");
    text("ICON_Height_QLineEdit", "32");
    text("ICON_Height_QLabel", "高度:");
    text("SaveImage_QPushButton", "保存结果图像");

    text("CancelShutdown_QPushButton", "取消关机");
    text("SetShutdown_QPushButton", "设置关机时间");
    text("statusLabel", "关机信息");
    text("EveryDate_QRadioButton", "每天重复执行");

    text("Cancel_EndWorkReminder_QPushButton", "取消提醒");
    text("Set_EndWorkReminder_QPushButton", "设置为下班提醒时间");
    text("ReminderInformation_EndWorkReminder_QLabel", "下班提醒信息");
    text("EveryDate_EndWorkReminder_QRadioButton", "每天重复执行");

    text("Cancel_RestReminder_QPushButton", "取消提醒");
    text("Set_RestReminder_QPushButton", "设置为休息提醒时间");
    text("ReminderInformation_RestReminder_QLabel", "休息提醒信息");
    row("TimeInterval_RestReminder_comboBox", "item 0", "1");
    row("TimeInterval_RestReminder_comboBox", "item 1", "2");
    row("TimeInterval_RestReminder_comboBox", "item 2", "3");
    row("TimeInterval_RestReminder_comboBox", "item 3", "4");
    text("label", "小时");
}

} // namespace

class MainWindowFormTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Plain = std::make_unique<Form>(); }
    void cleanupTestCase() { Plain.reset(); }

    void texts_data() { AddTextRows(); }
    void texts();
    void styleSheets_data();
    void styleSheets();
    void initialStates();
    void loneRadioButtonTogglesOff_data();
    void loneRadioButtonTogglesOff();
    void resizingKeepsBarsColumnsAndPanels_data();
    void resizingKeepsBarsColumnsAndPanels();

private:
    std::unique_ptr<Form> Plain;
};

void MainWindowFormTest::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, value);
    QObject *object = Plain->Named(name);
    QVERIFY(object);
    QCOMPARE(TextOf(object, property), value);
}

void MainWindowFormTest::styleSheets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sheet");

    auto row
        = [](const QString &name, const QString &sheet) { QTest::newRow(qPrintable(name)) << name << sheet; };
    row("MainWindow", WindowSheet);
    row("widget_top", BarSheet);
    row("widget_bottom", BarSheet);
    row("widget_middle_left", LeftColumnSheet);
    row("widget_middle_right", RightColumnSheet);
    row("ImageWindow_label", PreviewSheet);
    for (const char *name : {"pushButton1", "pushButton2", "pushButton3", "pushButton4",
                             "EndWorkReminder_pushButton", "RestReminder_pushButton"})
        row(name, NavigationSheet);
    for (const char *name : {"widget_3", "widget_4", "widget_5"})
        row(name, PanelSheet);
    for (const QString &name : WidgetNamesOfClass(Plain->window, "QGroupBox"))
        row(name, GroupBoxSheet);
    for (const QString &name : WidgetNamesOfClass(Plain->window, "QRadioButton"))
        row(name, BorderlessSheet);
    for (const char *name : {"Radius_QLabel", "ICON_Width_QLabel", "ICON_Height_QLabel"})
        row(name, BorderlessSheet);
    // Inside the bordered panels, these must inherit rather than override.
    for (const char *name :
         {"WeiXinPath_QLineEdit", "Radius_QLineEdit", "SaveImage_QPushButton", "statusLabel"})
        row(name, QString());
}

void MainWindowFormTest::styleSheets()
{
    QFETCH(QString, name);
    QFETCH(QString, sheet);
    QWidget *widget = Plain->NamedWidget(name);
    QVERIFY(widget);
    QCOMPARE(widget->styleSheet(), sheet);
}

void MainWindowFormTest::initialStates()
{
    Form form;
    Ui::MainWindow &ui = form.ui;

    QCOMPARE(form.window.size(), QSize(1072, 720));
    QVERIFY(!form.window.findChild<QStatusBar *>());
    QCOMPARE(ui.stackedWidget->count(), 6);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(ui.stackedWidget->widget(i)->objectName(), QStringLiteral("page%1").arg(i + 1));
    QCOMPARE(ui.stackedWidget->currentIndex(), 0);

    const QStringList checked {"SingleImageEnable_QRadioButton", "NoneEnable_QRadioButton",
                               "TransprentEnable_QRadioButton"};
    const QStringList radios = WidgetNamesOfClass(form.window, "QRadioButton");
    QCOMPARE(radios.size(), 10);
    for (const QString &name : radios)
        QCOMPARE(qobject_cast<QRadioButton *>(form.NamedWidget(name))->isChecked(), checked.contains(name));

    QCOMPARE(ui.WeiXinNumber_QSpinBox->minimum(), 1);
    QCOMPARE(ui.WeiXinNumber_QSpinBox->maximum(), 100);
    QCOMPARE(ui.WeiXinNumber_QSpinBox->value(), 1);

    QCOMPARE(ui.TimeInterval_RestReminder_comboBox->count(), 4);
    QCOMPARE(ui.TimeInterval_RestReminder_comboBox->currentText(), QStringLiteral("1"));

    // Any text can be typed; the pages parse it themselves.
    const QStringList lineEdits = WidgetNamesOfClass(form.window, "QLineEdit");
    QCOMPARE(lineEdits.size(), 8);
    for (const QString &name : lineEdits) {
        auto *edit = qobject_cast<QLineEdit *>(form.NamedWidget(name));
        QVERIFY2(!edit->validator() && edit->inputMask().isEmpty(), qPrintable(name));
    }
}

void MainWindowFormTest::loneRadioButtonTogglesOff_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("name");
    QTest::newRow("IconEnable") << 2 << "IconEnable_QRadioButton";
    QTest::newRow("EveryDate") << 3 << "EveryDate_QRadioButton";
    QTest::newRow("EveryDate_EndWorkReminder") << 4 << "EveryDate_EndWorkReminder_QRadioButton";
}

// A radio button without an auto-exclusive sibling is ungrouped in Qt 5.15,
// so the lone options (every day, icon output) can be switched off again.
void MainWindowFormTest::loneRadioButtonTogglesOff()
{
    QFETCH(int, page);
    QFETCH(QString, name);

    Form form;
    form.ui.stackedWidget->setCurrentIndex(page);
    form.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form.window));

    auto *radio = qobject_cast<QRadioButton *>(form.NamedWidget(name));
    QVERIFY(radio);
    TestKit::Click(radio);
    QVERIFY(radio->isChecked());
    TestKit::Click(radio);
    QVERIFY(!radio->isChecked());
}

void MainWindowFormTest::resizingKeepsBarsColumnsAndPanels_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("page");
    for (const QSize &size : {QSize(1072, 720), QSize(1500, 950)}) {
        for (int page = 0; page < 6; ++page) {
            QTest::addRow("%dx%d page%d", size.width(), size.height(), page + 1) << size << page;
        }
    }
}

void MainWindowFormTest::resizingKeepsBarsColumnsAndPanels()
{
    QFETCH(QSize, size);
    QFETCH(int, page);

    Form form;
    Ui::MainWindow &ui = form.ui;
    ui.stackedWidget->setCurrentIndex(page);
    form.window.resize(size);
    form.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form.window));
    QTRY_COMPARE(form.window.size(), size);
    QApplication::processEvents();

    QCOMPARE(ui.widget_top->height(), 50);
    QCOMPARE(ui.widget_bottom->height(), 50);
    QCOMPARE(ui.widget_middle_left->width(), 200);

    if (page == 2) {
        QCOMPARE(ui.Page3_Left_widget->width(), 400);
        // The preview takes the rest of the page, up to its right margin.
        const QMargins margins = ui.horizontalLayout_6->contentsMargins();
        QCOMPARE(ui.Page3_Right_widget->geometry().right(), ui.page3->width() - 1 - margins.right());
        return;
    }

    QWidget *const panels[] = {ui.widget, ui.widget_2, nullptr, ui.widget_3, ui.widget_4, ui.widget_5};
    const QSize panelSizes[] = {{700, 250}, {650, 250}, {}, {750, 250}, {750, 250}, {750, 250}};
    QWidget *panel = panels[page];
    QCOMPARE(panel->size(), panelSizes[page]);
    // Centred between the spacers, to the pixel rounding of the layout.
    const QWidget *pageWidget = ui.stackedWidget->currentWidget();
    const int left = panel->x();
    const int right = pageWidget->width() - panel->geometry().right() - 1;
    QVERIFY2(qAbs(left - right) <= 1, qPrintable(QStringLiteral("left %1, right %2").arg(left).arg(right)));
}

VARNO_TEST_MAIN(MainWindowFormTest)
#include "tst_mainwindowform.moc"
