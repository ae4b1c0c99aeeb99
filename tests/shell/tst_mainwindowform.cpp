// Checks the main window form, widget by widget, against the layout the rest
// of the program relies on: every page finds its widgets by object name and
// assumes the classes, parents, sizes and initial values listed here. The
// expected values are written out by hand on purpose, so that an accidental
// edit of the Designer file shows up as a failing row.

#include "app/MainWindow.h"
#include "app/NavigationStyles.h"
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

// ---------------------------------------------------------------------------
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

struct Placement
{
    const char *name;
    const char *className;
    const char *parent; // "" for the top level
};

const Placement Widgets[] = {
    {"MainWindow", "QMainWindow", ""},
    {"centralwidget", "QWidget", "MainWindow"},
    {"widget_top", "QWidget", "centralwidget"},
    {"widget_middle", "QWidget", "centralwidget"},
    {"widget_bottom", "QWidget", "centralwidget"},
    {"menubar", "QMenuBar", "MainWindow"},
    // title bar
    {"Logo_label", "QLabel", "widget_top"},
    {"Title_label", "QLabel", "widget_top"},
    {"Minimize_pushButton", "QPushButton", "widget_top"},
    {"Maximize_pushButton", "QPushButton", "widget_top"},
    {"Close_pushButton", "QPushButton", "widget_top"},
    // navigation column and page area
    {"widget_middle_left", "QWidget", "widget_middle"},
    {"scrollArea", "QScrollArea", "widget_middle_left"},
    {"scrollAreaWidgetContents", "QWidget", "scrollArea"}, // via the viewport
    {"pushButton1", "QPushButton", "scrollAreaWidgetContents"},
    {"pushButton2", "QPushButton", "scrollAreaWidgetContents"},
    {"pushButton3", "QPushButton", "scrollAreaWidgetContents"},
    {"pushButton4", "QPushButton", "scrollAreaWidgetContents"},
    {"EndWorkReminder_pushButton", "QPushButton", "scrollAreaWidgetContents"},
    {"RestReminder_pushButton", "QPushButton", "scrollAreaWidgetContents"},
    {"widget_middle_right", "QWidget", "widget_middle"},
    {"stackedWidget", "QStackedWidget", "widget_middle_right"},
    {"page1", "QWidget", "stackedWidget"},
    {"page2", "QWidget", "stackedWidget"},
    {"page3", "QWidget", "stackedWidget"},
    {"page4", "QWidget", "stackedWidget"},
    {"page5", "QWidget", "stackedWidget"},
    {"page6", "QWidget", "stackedWidget"},
    // page 1
    {"Title_WeiXin_QLabel", "QLabel", "page1"},
    {"widget", "QWidget", "page1"},
    {"WeiXinNumber_QPushButton", "QPushButton", "widget"},
    {"WeiXinNumber_QSpinBox", "QSpinBox", "widget"},
    {"WeiXinNumber_label", "QLabel", "widget"},
    {"WeiXinPath_QLineEdit", "QLineEdit", "widget"},
    {"WeiXinPath_QPushButton", "QPushButton", "widget"},
    {"WeiXinPath_label", "QLabel", "widget"},
    // page 2
    {"Title_ImageToIcon_QLabel", "QLabel", "page2"},
    {"widget_2", "QWidget", "page2"},
    {"ImageToIcon_QPushButton", "QPushButton", "widget_2"},
    {"RawImagePath_QLineEdit", "QLineEdit", "widget_2"},
    {"RawImagePath_QPushButton", "QPushButton", "widget_2"},
    {"RawImagePath_label", "QLabel", "widget_2"},
    {"IconImagePath_QPushButton", "QPushButton", "widget_2"},
    {"IconImagePath_label", "QLabel", "widget_2"},
    {"IconImagePath_QLineEdit", "QLineEdit", "widget_2"},
    {"IconWidth_QLineEdit", "QLineEdit", "widget_2"},
    {"IconWidth_label", "QLabel", "widget_2"},
    {"IconHeight_QLineEdit", "QLineEdit", "widget_2"},
    {"IconHeight_label", "QLabel", "widget_2"},
    // page 3
    {"Page3_Left_widget", "QWidget", "page3"},
    {"Page3_Right_widget", "QWidget", "page3"},
    {"ImageWindow_label", "QLabel", "Page3_Right_widget"},
    {"Image_QGroupBox", "QGroupBox", "Page3_Left_widget"},
    {"SingleImageEnable_QRadioButton", "QRadioButton", "Image_QGroupBox"},
    {"MultipleImageEnable_QRadioButton", "QRadioButton", "Image_QGroupBox"},
    {"SelectImage_QPushButton", "QPushButton", "Image_QGroupBox"},
    {"Shape_QGroupBox", "QGroupBox", "Page3_Left_widget"},
    {"RoundRectEnable_QRadioButton", "QRadioButton", "Shape_QGroupBox"},
    {"CircleEnable_QRadioButton", "QRadioButton", "Shape_QGroupBox"},
    {"NoneEnable_QRadioButton", "QRadioButton", "Shape_QGroupBox"},
    {"Radius_QGroupBox", "QGroupBox", "Page3_Left_widget"},
    {"Radius_QLabel", "QLabel", "Radius_QGroupBox"},
    {"Radius_QLineEdit", "QLineEdit", "Radius_QGroupBox"},
    {"Background_QGroupBox", "QGroupBox", "Page3_Left_widget"},
    {"TransprentEnable_QRadioButton", "QRadioButton", "Background_QGroupBox"},
    {"ColorEnable_QRadioButton", "QRadioButton", "Background_QGroupBox"},
    {"DisplayColor_QPushButton", "QPushButton", "Background_QGroupBox"},
    {"ICON_QGroupBox", "QGroupBox", "Page3_Left_widget"},
    {"IconEnable_QRadioButton", "QRadioButton", "ICON_QGroupBox"},
    {"ICON_Width_QLineEdit", "QLineEdit", "ICON_QGroupBox"},
    {"ICON_Width_QLabel", "QLabel", "ICON_QGroupBox"},
    {"ICON_Height_QLineEdit", "QLineEdit", "ICON_QGroupBox"},
    {"ICON_Height_QLabel", "QLabel", "ICON_QGroupBox"},
    {"SaveImage_QPushButton", "QPushButton", "Page3_Left_widget"},
    // page 4
    {"Title_Shutdown_QLabel", "QLabel", "page4"},
    {"widget_3", "QWidget", "page4"},
    {"Date_QDateEdit", "QDateEdit", "widget_3"},
    {"CancelShutdown_QPushButton", "QPushButton", "widget_3"},
    {"SetShutdown_QPushButton", "QPushButton", "widget_3"},
    {"Time_QTimeEdit", "QTimeEdit", "widget_3"},
    {"statusLabel", "QLabel", "widget_3"},
    {"EveryDate_QRadioButton", "QRadioButton", "widget_3"},
    // page 5
    {"Title_Shutdown_QLabel_2", "QLabel", "page5"},
    {"widget_4", "QWidget", "page5"},
    {"Date_EndWorkReminder_QDateEdit", "QDateEdit", "widget_4"},
    {"Cancel_EndWorkReminder_QPushButton", "QPushButton", "widget_4"},
    {"Set_EndWorkReminder_QPushButton", "QPushButton", "widget_4"},
    {"Time_EndWorkReminder_QTimeEdit", "QTimeEdit", "widget_4"},
    {"ReminderInformation_EndWorkReminder_QLabel", "QLabel", "widget_4"},
    {"EveryDate_EndWorkReminder_QRadioButton", "QRadioButton", "widget_4"},
    // page 6
    {"Title_RestReminder_QLabel", "QLabel", "page6"},
    {"widget_5", "QWidget", "page6"},
    {"Cancel_RestReminder_QPushButton", "QPushButton", "widget_5"},
    {"Set_RestReminder_QPushButton", "QPushButton", "widget_5"},
    {"ReminderInformation_RestReminder_QLabel", "QLabel", "widget_5"},
    {"TimeInterval_RestReminder_comboBox", "QComboBox", "widget_5"},
    {"label", "QLabel", "widget_5"},
};

// Layouts: a layout set on a widget has that widget as parent; a row layout
// nested in another layout has the outer layout as parent.
const Placement Layouts[] = {
    {"verticalLayout", "QVBoxLayout", "centralwidget"},
    {"horizontalLayout_3", "QHBoxLayout", "widget_top"},
    {"horizontalLayout", "QHBoxLayout", "widget_middle"},
    {"verticalLayout_2", "QVBoxLayout", "widget_middle_left"},
    {"horizontalLayout_4", "QHBoxLayout", "widget_middle_right"},
    {"verticalLayout_3", "QVBoxLayout", "page1"},
    {"horizontalLayout_15", "QHBoxLayout", "verticalLayout_3"},
    {"horizontalLayout_2", "QHBoxLayout", "verticalLayout_3"},
    {"verticalLayout_4", "QVBoxLayout", "page2"},
    {"horizontalLayout_16", "QHBoxLayout", "verticalLayout_4"},
    {"horizontalLayout_5", "QHBoxLayout", "verticalLayout_4"},
    {"horizontalLayout_6", "QHBoxLayout", "page3"},
    {"verticalLayout_5", "QVBoxLayout", "Page3_Left_widget"},
    {"horizontalLayout_8", "QHBoxLayout", "verticalLayout_5"},
    {"horizontalLayout_7", "QHBoxLayout", "Page3_Right_widget"},
    {"verticalLayout_6", "QVBoxLayout", "page4"},
    {"horizontalLayout_14", "QHBoxLayout", "verticalLayout_6"},
    {"horizontalLayout_10", "QHBoxLayout", "verticalLayout_6"},
    {"verticalLayout_7", "QVBoxLayout", "page5"},
    {"horizontalLayout_13", "QHBoxLayout", "verticalLayout_7"},
    {"horizontalLayout_11", "QHBoxLayout", "verticalLayout_7"},
    {"verticalLayout_8", "QVBoxLayout", "page6"},
    {"horizontalLayout_9", "QHBoxLayout", "verticalLayout_8"},
    {"horizontalLayout_12", "QHBoxLayout", "verticalLayout_8"},
};

QStringList WidgetNames()
{
    QStringList names;
    for (const Placement &entry : Widgets)
        names << QString::fromLatin1(entry.name);
    return names;
}

QStringList WidgetNamesOfClass(const char *className)
{
    QStringList names;
    for (const Placement &entry : Widgets) {
        if (qstrcmp(entry.className, className) == 0)
            names << QString::fromLatin1(entry.name);
    }
    return names;
}

// ---------------------------------------------------------------------------
// Helpers.

// A freshly built form on a plain main window, as the program's window builds
// it before adding any behaviour.
struct Form
{
    QMainWindow window;
    Ui::MainWindow ui;
    Form() { ui.setupUi(&window); }
};

// The one object under the window carrying the name, or null when there is
// none or the name is ambiguous.
QObject *Named(QMainWindow &window, const QString &name)
{
    if (window.objectName() == name)
        return &window;
    const QList<QObject *> found = window.findChildren<QObject *>(name);
    return found.size() == 1 ? found.first() : nullptr;
}

QWidget *NamedWidget(QMainWindow &window, const QString &name)
{
    return qobject_cast<QWidget *>(Named(window, name));
}

QLayout *NamedLayout(QMainWindow &window, const QString &name)
{
    return qobject_cast<QLayout *>(Named(window, name));
}

QString PolicyName(QSizePolicy::Policy policy)
{
    return QString::fromLatin1(QMetaEnum::fromType<QSizePolicy::Policy>().valueToKey(policy));
}

// "Logo_label", "layout horizontalLayout_15" or "spacer 40x20 Expanding/Minimum".
QString DescribeItem(QLayoutItem *item)
{
    if (QWidget *widget = item->widget())
        return widget->objectName();
    if (QLayout *layout = item->layout())
        return QStringLiteral("layout ") + layout->objectName();
    if (QSpacerItem *spacer = item->spacerItem()) {
        const QSize hint = spacer->sizeHint();
        return QStringLiteral("spacer %1x%2 %3/%4")
            .arg(hint.width())
            .arg(hint.height())
            .arg(PolicyName(spacer->sizePolicy().horizontalPolicy()),
                 PolicyName(spacer->sizePolicy().verticalPolicy()));
    }
    return QStringLiteral("?");
}

QString HSpacer(int w, int h)
{
    return QStringLiteral("spacer %1x%2 Expanding/Minimum").arg(w).arg(h);
}

QString VSpacer(int w, int h)
{
    return QStringLiteral("spacer %1x%2 Minimum/Expanding").arg(w).arg(h);
}

QString FixedSpacer(int w, int h)
{
    return QStringLiteral("spacer %1x%2 Fixed/Minimum").arg(w).arg(h);
}

QString NestedLayout(const char *name)
{
    return QStringLiteral("layout ") + QString::fromLatin1(name);
}

// A text-like property by name; "item N" reads a combo box entry.
QString TextOf(QObject *object, const QString &property)
{
    if (property.startsWith(QLatin1String("item "))) {
        auto *combo = qobject_cast<QComboBox *>(object);
        return combo ? combo->itemText(property.mid(5).toInt()) : QStringLiteral("<not a combo box>");
    }
    const QVariant value = object->property(property.toLatin1().constData());
    return value.isValid() ? value.toString() : QStringLiteral("<no property %1>").arg(property);
}

// Marks every text it is asked for with the context, disambiguation and
// plural count, so the test can see which texts went through the text pass.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        if (!sourceText || !*sourceText)
            return QString();
        const QString comment
            = disambiguation && *disambiguation ? QString::fromUtf8(disambiguation) : QStringLiteral("-");
        return QStringLiteral("[%1|%2|%3]").arg(QString::fromLatin1(context), comment).arg(n)
            + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

struct PageSkeleton
{
    int index;
    const char *pageLayout;
    const char *titleRow;
    const char *titleLabel;
    const char *panelRow;
    const char *panel;
};

const PageSkeleton Skeletons[] = {
    {0, "verticalLayout_3", "horizontalLayout_15", "Title_WeiXin_QLabel", "horizontalLayout_2", "widget"},
    {1, "verticalLayout_4", "horizontalLayout_16", "Title_ImageToIcon_QLabel", "horizontalLayout_5",
     "widget_2"},
    {3, "verticalLayout_6", "horizontalLayout_14", "Title_Shutdown_QLabel", "horizontalLayout_10",
     "widget_3"},
    {4, "verticalLayout_7", "horizontalLayout_13", "Title_Shutdown_QLabel_2", "horizontalLayout_11",
     "widget_4"},
    {5, "verticalLayout_8", "horizontalLayout_9", "Title_RestReminder_QLabel", "horizontalLayout_12",
     "widget_5"},
};

// The real window, built with nothing saved from an earlier run.
struct Shell
{
    TestKit::IsolatedSettings settings;
    TestKit::ModalAnswerer modals;
    MainWindow window;
};

} // namespace

class MainWindowFormTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Form> Plain;

    QObject *Object(const QString &name) { return Named(Plain->window, name); }
    QWidget *Widget(const QString &name) { return NamedWidget(Plain->window, name); }
    QLayout *Layout(const QString &name) { return NamedLayout(Plain->window, name); }

private slots:
    void initTestCase();
    void cleanupTestCase();

    // the plain form
    void formMembers_data();
    void formMembers();
    void classesAndParents_data();
    void classesAndParents();
    void noUnlistedObjects();
    void window();
    void layoutItems_data();
    void layoutItems();
    void layoutSpacingAndMargins_data();
    void layoutSpacingAndMargins();
    void absoluteContainers_data();
    void absoluteContainers();
    void scrollArea();
    void stackedPages();
    void geometries_data();
    void geometries();
    void sizeLimits_data();
    void sizeLimits();
    void sizePolicies_data();
    void sizePolicies();
    void stretchFactorsAreZero();
    void fonts_data();
    void fonts();
    void labelAlignments_data();
    void labelAlignments();
    void texts_data();
    void texts();
    void textPassTranslatesInWindowContext_data();
    void textPassTranslatesInWindowContext();
    void styleSheets_data();
    void styleSheets();
    void creationAndFocusOrder_data();
    void creationAndFocusOrder();
    void radioButtons_data();
    void radioButtons();
    void exclusiveGroups_data();
    void exclusiveGroups();
    void loneRadioButtonTogglesOff_data();
    void loneRadioButtonTogglesOff();
    void spinBox();
    void comboBox();
    void lineEdits_data();
    void lineEdits();
    void dateTimeEditsKeepDefaults_data();
    void dateTimeEditsKeepDefaults();
    void timeEditCurrentSection_data();
    void timeEditCurrentSection();
    void resizing_data();
    void resizing();

    // the program's window, which builds the same form and then adds to it
    void shellFrame();
    void shellNavigationSheets_data();
    void shellNavigationSheets();
    void displayFormats_data();
    void displayFormats();
};

void MainWindowFormTest::initTestCase()
{
    Plain = std::make_unique<Form>();
}

void MainWindowFormTest::cleanupTestCase()
{
    Plain.reset();
}

// ---------------------------------------------------------------------------
// Every name the pages use is a member of the form, pointing at the object of
// that name.

void MainWindowFormTest::formMembers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QObject *>("member");
    Ui::MainWindow &ui = Plain->ui;
#define MEMBER(x) QTest::newRow(#x) << QStringLiteral(#x) << static_cast<QObject *>(ui.x)
    MEMBER(centralwidget);
    MEMBER(verticalLayout);
    MEMBER(widget_top);
    MEMBER(horizontalLayout_3);
    MEMBER(Logo_label);
    MEMBER(Title_label);
    MEMBER(Minimize_pushButton);
    MEMBER(Maximize_pushButton);
    MEMBER(Close_pushButton);
    MEMBER(widget_middle);
    MEMBER(horizontalLayout);
    MEMBER(widget_middle_left);
    MEMBER(verticalLayout_2);
    MEMBER(scrollArea);
    MEMBER(scrollAreaWidgetContents);
    MEMBER(pushButton1);
    MEMBER(pushButton2);
    MEMBER(pushButton3);
    MEMBER(pushButton4);
    MEMBER(EndWorkReminder_pushButton);
    MEMBER(RestReminder_pushButton);
    MEMBER(widget_middle_right);
    MEMBER(horizontalLayout_4);
    MEMBER(stackedWidget);
    MEMBER(page1);
    MEMBER(verticalLayout_3);
    MEMBER(horizontalLayout_15);
    MEMBER(Title_WeiXin_QLabel);
    MEMBER(horizontalLayout_2);
    MEMBER(widget);
    MEMBER(WeiXinNumber_QPushButton);
    MEMBER(WeiXinNumber_QSpinBox);
    MEMBER(WeiXinNumber_label);
    MEMBER(WeiXinPath_QLineEdit);
    MEMBER(WeiXinPath_QPushButton);
    MEMBER(WeiXinPath_label);
    MEMBER(page2);
    MEMBER(verticalLayout_4);
    MEMBER(horizontalLayout_16);
    MEMBER(Title_ImageToIcon_QLabel);
    MEMBER(horizontalLayout_5);
    MEMBER(widget_2);
    MEMBER(ImageToIcon_QPushButton);
    MEMBER(RawImagePath_QLineEdit);
    MEMBER(RawImagePath_QPushButton);
    MEMBER(RawImagePath_label);
    MEMBER(IconImagePath_QPushButton);
    MEMBER(IconImagePath_label);
    MEMBER(IconImagePath_QLineEdit);
    MEMBER(IconWidth_QLineEdit);
    MEMBER(IconWidth_label);
    MEMBER(IconHeight_QLineEdit);
    MEMBER(IconHeight_label);
    MEMBER(page3);
    MEMBER(horizontalLayout_6);
    MEMBER(Page3_Left_widget);
    MEMBER(verticalLayout_5);
    MEMBER(Image_QGroupBox);
    MEMBER(SingleImageEnable_QRadioButton);
    MEMBER(MultipleImageEnable_QRadioButton);
    MEMBER(SelectImage_QPushButton);
    MEMBER(Shape_QGroupBox);
    MEMBER(RoundRectEnable_QRadioButton);
    MEMBER(CircleEnable_QRadioButton);
    MEMBER(NoneEnable_QRadioButton);
    MEMBER(Radius_QGroupBox);
    MEMBER(Radius_QLabel);
    MEMBER(Radius_QLineEdit);
    MEMBER(Background_QGroupBox);
    MEMBER(TransprentEnable_QRadioButton);
    MEMBER(ColorEnable_QRadioButton);
    MEMBER(DisplayColor_QPushButton);
    MEMBER(ICON_QGroupBox);
    MEMBER(IconEnable_QRadioButton);
    MEMBER(ICON_Width_QLineEdit);
    MEMBER(ICON_Width_QLabel);
    MEMBER(ICON_Height_QLineEdit);
    MEMBER(ICON_Height_QLabel);
    MEMBER(horizontalLayout_8);
    MEMBER(SaveImage_QPushButton);
    MEMBER(Page3_Right_widget);
    MEMBER(horizontalLayout_7);
    MEMBER(ImageWindow_label);
    MEMBER(page4);
    MEMBER(verticalLayout_6);
    MEMBER(horizontalLayout_14);
    MEMBER(Title_Shutdown_QLabel);
    MEMBER(horizontalLayout_10);
    MEMBER(widget_3);
    MEMBER(Date_QDateEdit);
    MEMBER(CancelShutdown_QPushButton);
    MEMBER(SetShutdown_QPushButton);
    MEMBER(Time_QTimeEdit);
    MEMBER(statusLabel);
    MEMBER(EveryDate_QRadioButton);
    MEMBER(page5);
    MEMBER(verticalLayout_7);
    MEMBER(horizontalLayout_13);
    MEMBER(Title_Shutdown_QLabel_2);
    MEMBER(horizontalLayout_11);
    MEMBER(widget_4);
    MEMBER(Date_EndWorkReminder_QDateEdit);
    MEMBER(Cancel_EndWorkReminder_QPushButton);
    MEMBER(Set_EndWorkReminder_QPushButton);
    MEMBER(Time_EndWorkReminder_QTimeEdit);
    MEMBER(ReminderInformation_EndWorkReminder_QLabel);
    MEMBER(EveryDate_EndWorkReminder_QRadioButton);
    MEMBER(page6);
    MEMBER(verticalLayout_8);
    MEMBER(horizontalLayout_9);
    MEMBER(Title_RestReminder_QLabel);
    MEMBER(horizontalLayout_12);
    MEMBER(widget_5);
    MEMBER(Cancel_RestReminder_QPushButton);
    MEMBER(Set_RestReminder_QPushButton);
    MEMBER(ReminderInformation_RestReminder_QLabel);
    MEMBER(TimeInterval_RestReminder_comboBox);
    MEMBER(label);
    MEMBER(menubar);
#undef MEMBER
}

void MainWindowFormTest::formMembers()
{
    QFETCH(QString, name);
    QFETCH(QObject *, member);
    QVERIFY(member);
    QCOMPARE(member->objectName(), name);
    QCOMPARE(Object(name), member);
}

// ---------------------------------------------------------------------------
// Class and parent of every widget and layout.

void MainWindowFormTest::classesAndParents_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parent");
    for (const Placement &entry : Widgets)
        QTest::newRow(entry.name) << entry.name << entry.className << entry.parent;
    for (const Placement &entry : Layouts)
        QTest::newRow(entry.name) << entry.name << entry.className << entry.parent;
}

void MainWindowFormTest::classesAndParents()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parent);

    QObject *object = Object(name);
    QVERIFY2(object, "missing, or the name is not unique");
    QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);

    QString actualParent;
    if (auto *widget = qobject_cast<QWidget *>(object)) {
        QWidget *container = widget->parentWidget();
        // A scroll area's content widget lives in the area's viewport.
        if (auto *area = container ? qobject_cast<QScrollArea *>(container->parentWidget()) : nullptr) {
            if (area->viewport() == container)
                container = area;
        }
        actualParent = container ? container->objectName() : QString();
    } else {
        actualParent = object->parent() ? object->parent()->objectName() : QString();
    }
    QCOMPARE(actualParent, parent);
}

// Nothing named that the program does not know about (Qt's own helpers are
// named "qt_..." or left unnamed).
void MainWindowFormTest::noUnlistedObjects()
{
    QSet<QString> known;
    for (const Placement &entry : Widgets)
        known.insert(QString::fromLatin1(entry.name));
    for (const Placement &entry : Layouts)
        known.insert(QString::fromLatin1(entry.name));

    QStringList unknown;
    const auto widgets = Plain->window.findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        const QString name = widget->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) && !known.contains(name))
            unknown << name;
    }
    const auto layouts = Plain->window.findChildren<QLayout *>();
    for (QLayout *layout : layouts) {
        const QString name = layout->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) && !name.startsWith(QLatin1Char('_'))
            && !known.contains(name))
            unknown << name;
    }
    QCOMPARE(unknown, QStringList());
}

void MainWindowFormTest::window()
{
    QMainWindow &window = Plain->window;
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QString::fromUtf8("Varno软件"));
    QCOMPARE(window.size(), QSize(1072, 720));
    QCOMPARE(window.centralWidget(), Widget("centralwidget"));
    QCOMPARE(window.menuWidget(), Widget("menubar"));
    QVERIFY(Widget("menubar")->actions().isEmpty());
    QVERIFY2(!window.findChild<QStatusBar *>(), "the window has a status bar");
    QVERIFY2(window.findChildren<QToolBar *>().isEmpty(), "the window has a tool bar");
    // Frame and icon come from the program's window, not from the form.
    QCOMPARE(window.windowFlags(), QMainWindow().windowFlags());
    QVERIFY(!window.testAttribute(Qt::WA_SetWindowIcon));
    QVERIFY(Widget("widget_bottom")->children().isEmpty());
    QVERIFY(!Widget("widget_bottom")->layout());
}

// ---------------------------------------------------------------------------
// Layouts: where they sit and what they hold, in order.

void MainWindowFormTest::layoutItems_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("host"); // widget the layout is set on; "" when nested
    QTest::addColumn<QStringList>("items");

    QTest::newRow("verticalLayout") << "verticalLayout"
                                    << "centralwidget"
                                    << QStringList {"widget_top", "widget_middle", "widget_bottom"};
    QTest::newRow("horizontalLayout_3")
        << "horizontalLayout_3"
        << "widget_top" << QStringList {"Logo_label",          "Title_label",       HSpacer(605, 20),
                                        "Minimize_pushButton", FixedSpacer(10, 19), "Maximize_pushButton",
                                        FixedSpacer(10, 19),   "Close_pushButton",  FixedSpacer(3, 19)};
    QTest::newRow("horizontalLayout")
        << "horizontalLayout"
        << "widget_middle" << QStringList {"widget_middle_left", "widget_middle_right"};
    QTest::newRow("verticalLayout_2") << "verticalLayout_2"
                                      << "widget_middle_left" << QStringList {"scrollArea"};
    QTest::newRow("horizontalLayout_4") << "horizontalLayout_4"
                                        << "widget_middle_right" << QStringList {"stackedWidget"};

    struct PageRows
    {
        const PageSkeleton &skeleton;
        const char *page;
        QSize top, middle, bottom;
    };
    const PageRows pages[] = {
        {Skeletons[0], "page1", {20, 144}, {20, 12}, {20, 144}},
        {Skeletons[1], "page2", {20, 144}, {20, 12}, {20, 144}},
        {Skeletons[2], "page4", {17, 69}, {20, 68}, {20, 104}},
        {Skeletons[3], "page5", {20, 106}, {20, 38}, {20, 106}},
        {Skeletons[4], "page6", {20, 30}, {20, 32}, {20, 96}},
    };
    for (const PageRows &page : pages) {
        const PageSkeleton &s = page.skeleton;
        QTest::newRow(s.pageLayout) << s.pageLayout << page.page
                                    << QStringList {VSpacer(page.top.width(), page.top.height()),
                                                    NestedLayout(s.titleRow),
                                                    VSpacer(page.middle.width(), page.middle.height()),
                                                    NestedLayout(s.panelRow),
                                                    VSpacer(page.bottom.width(), page.bottom.height())};
        QTest::newRow(s.titleRow) << s.titleRow << ""
                                  << QStringList {HSpacer(40, 20), s.titleLabel, HSpacer(40, 20)};
        QTest::newRow(s.panelRow) << s.panelRow << ""
                                  << QStringList {HSpacer(40, 20), s.panel, HSpacer(40, 20)};
    }

    QTest::newRow("horizontalLayout_6") << "horizontalLayout_6"
                                        << "page3" << QStringList {"Page3_Left_widget", "Page3_Right_widget"};
    QTest::newRow("verticalLayout_5") << "verticalLayout_5"
                                      << "Page3_Left_widget"
                                      << QStringList {"Image_QGroupBox",
                                                      "Shape_QGroupBox",
                                                      "Radius_QGroupBox",
                                                      "Background_QGroupBox",
                                                      "ICON_QGroupBox",
                                                      VSpacer(20, 16),
                                                      NestedLayout("horizontalLayout_8"),
                                                      VSpacer(20, 16)};
    QTest::newRow("horizontalLayout_8")
        << "horizontalLayout_8"
        << "" << QStringList {HSpacer(40, 20), "SaveImage_QPushButton", HSpacer(40, 20)};
    QTest::newRow("horizontalLayout_7") << "horizontalLayout_7"
                                        << "Page3_Right_widget" << QStringList {"ImageWindow_label"};
}

void MainWindowFormTest::layoutItems()
{
    QFETCH(QString, layout);
    QFETCH(QString, host);
    QFETCH(QStringList, items);

    QLayout *actual = Layout(layout);
    QVERIFY(actual);
    if (!host.isEmpty())
        QCOMPARE(Widget(host)->layout(), actual);

    QStringList described;
    for (int i = 0; i < actual->count(); ++i)
        described << DescribeItem(actual->itemAt(i));
    QCOMPARE(described, items);

    auto *box = qobject_cast<QBoxLayout *>(actual);
    QVERIFY(box);
    for (int i = 0; i < box->count(); ++i)
        QVERIFY2(box->stretch(i) == 0, qPrintable(QStringLiteral("item %1 has a stretch").arg(i)));
}

void MainWindowFormTest::layoutSpacingAndMargins_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("styleDefault"); // spacing and margins left to the style
    QTest::addColumn<int>("spacing");
    QTest::addColumn<int>("margin"); // the same on all four sides

    QTest::newRow("verticalLayout") << "verticalLayout" << false << 0 << 0;
    QTest::newRow("horizontalLayout") << "horizontalLayout" << false << 0 << 0;
    QTest::newRow("horizontalLayout_3") << "horizontalLayout_3" << true << 0 << 0;
    QTest::newRow("verticalLayout_2") << "verticalLayout_2" << true << 0 << 0;
    QTest::newRow("horizontalLayout_4") << "horizontalLayout_4" << true << 0 << 0;
    QTest::newRow("horizontalLayout_6") << "horizontalLayout_6" << true << 0 << 0;
}

void MainWindowFormTest::layoutSpacingAndMargins()
{
    QFETCH(QString, layout);
    QFETCH(bool, styleDefault);
    QFETCH(int, spacing);
    QFETCH(int, margin);

    auto *box = qobject_cast<QBoxLayout *>(Layout(layout));
    QVERIFY(box);
    QMargins margins(margin, margin, margin, margin);
    if (styleDefault) {
        // Unset values fall back to the style's metrics for the host widget.
        QWidget *host = box->parentWidget();
        QStyle *style = host->style();
        const bool horizontal
            = box->direction() == QBoxLayout::LeftToRight || box->direction() == QBoxLayout::RightToLeft;
        spacing = style->pixelMetric(horizontal ? QStyle::PM_LayoutHorizontalSpacing
                                                : QStyle::PM_LayoutVerticalSpacing,
                                     nullptr, host);
        margins = QMargins(style->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, host),
                           style->pixelMetric(QStyle::PM_LayoutTopMargin, nullptr, host),
                           style->pixelMetric(QStyle::PM_LayoutRightMargin, nullptr, host),
                           style->pixelMetric(QStyle::PM_LayoutBottomMargin, nullptr, host));
    }
    QCOMPARE(box->spacing(), spacing);
    QCOMPARE(box->contentsMargins(), margins);
}

// Containers whose children are placed by geometry alone.
void MainWindowFormTest::absoluteContainers_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name :
         {"scrollAreaWidgetContents", "widget", "widget_2", "widget_3", "widget_4", "widget_5",
          "Image_QGroupBox", "Shape_QGroupBox", "Radius_QGroupBox", "Background_QGroupBox", "ICON_QGroupBox"})
        QTest::newRow(name) << name;
}

void MainWindowFormTest::absoluteContainers()
{
    QFETCH(QString, name);
    QWidget *container = Widget(name);
    QVERIFY(container);
    QVERIFY2(!container->layout(), "has a layout");
}

void MainWindowFormTest::scrollArea()
{
    auto *area = qobject_cast<QScrollArea *>(Widget("scrollArea"));
    QVERIFY(area);
    QCOMPARE(area->widget(), Widget("scrollAreaWidgetContents"));
    QVERIFY(area->widgetResizable());
    QVERIFY(!area->autoFillBackground());
    QCOMPARE(area->lineWidth(), 0);
}

void MainWindowFormTest::stackedPages()
{
    auto *stack = qobject_cast<QStackedWidget *>(Widget("stackedWidget"));
    QVERIFY(stack);
    QStringList pages;
    for (int i = 0; i < stack->count(); ++i)
        pages << stack->widget(i)->objectName();
    QCOMPARE(pages, (QStringList {"page1", "page2", "page3", "page4", "page5", "page6"}));
    QCOMPARE(stack->currentIndex(), 0);
    QCOMPARE(stack->currentWidget(), Widget("page1"));
}

// ---------------------------------------------------------------------------
// Geometry, size limits, size policies.

void MainWindowFormTest::geometries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    const struct
    {
        const char *name;
        QRect geometry;
    } rows[] = {
        {"menubar", {0, 0, 1072, 26}},
        // scrollAreaWidgetContents is not listed: the scroll area resizes it to
        // its viewport as soon as it is set, so its designed size never shows.
        {"pushButton1", {20, 20, 141, 40}},
        {"pushButton2", {20, 80, 141, 40}},
        {"pushButton3", {20, 140, 141, 40}},
        {"pushButton4", {20, 200, 141, 40}},
        {"EndWorkReminder_pushButton", {20, 260, 141, 40}},
        {"RestReminder_pushButton", {20, 320, 141, 40}},
        // page 1
        {"WeiXinNumber_QPushButton", {275, 180, 96, 31}},
        {"WeiXinNumber_QSpinBox", {150, 100, 391, 31}},
        {"WeiXinNumber_label", {15, 105, 131, 21}},
        {"WeiXinPath_QLineEdit", {150, 30, 391, 31}},
        {"WeiXinPath_QPushButton", {550, 30, 91, 31}},
        {"WeiXinPath_label", {10, 35, 131, 21}},
        // page 2
        {"ImageToIcon_QPushButton", {275, 200, 96, 31}},
        {"RawImagePath_QLineEdit", {150, 30, 391, 31}},
        {"RawImagePath_QPushButton", {550, 30, 91, 31}},
        {"RawImagePath_label", {5, 35, 131, 21}},
        {"IconImagePath_QPushButton", {550, 85, 91, 31}},
        {"IconImagePath_label", {5, 90, 131, 21}},
        {"IconImagePath_QLineEdit", {150, 85, 391, 31}},
        {"IconWidth_QLineEdit", {150, 135, 106, 31}},
        {"IconWidth_label", {5, 140, 131, 21}},
        {"IconHeight_QLineEdit", {435, 135, 106, 31}},
        {"IconHeight_label", {290, 140, 131, 21}},
        // page 3 group boxes
        {"SingleImageEnable_QRadioButton", {10, 30, 171, 19}},
        {"MultipleImageEnable_QRadioButton", {225, 30, 96, 19}},
        {"SelectImage_QPushButton", {110, 60, 106, 31}},
        {"RoundRectEnable_QRadioButton", {105, 40, 111, 19}},
        {"CircleEnable_QRadioButton", {250, 40, 96, 19}},
        {"NoneEnable_QRadioButton", {10, 40, 86, 19}},
        {"Radius_QLabel", {20, 40, 131, 16}},
        {"Radius_QLineEdit", {175, 40, 151, 21}},
        {"TransprentEnable_QRadioButton", {10, 40, 71, 19}},
        {"ColorEnable_QRadioButton", {90, 40, 76, 19}},
        {"DisplayColor_QPushButton", {170, 40, 151, 21}},
        {"IconEnable_QRadioButton", {10, 30, 181, 19}},
        {"ICON_Width_QLineEdit", {175, 60, 151, 21}},
        {"ICON_Width_QLabel", {20, 60, 131, 16}},
        {"ICON_Height_QLineEdit", {175, 90, 151, 21}},
        {"ICON_Height_QLabel", {20, 90, 131, 16}},
        // page 4
        {"Date_QDateEdit", {55, 35, 126, 30}},
        {"CancelShutdown_QPushButton", {495, 35, 141, 31}},
        {"SetShutdown_QPushButton", {335, 35, 141, 30}},
        {"Time_QTimeEdit", {200, 35, 131, 30}},
        {"statusLabel", {10, 140, 730, 96}},
        {"EveryDate_QRadioButton", {55, 80, 171, 31}},
        // page 5
        {"Date_EndWorkReminder_QDateEdit", {55, 35, 126, 30}},
        {"Cancel_EndWorkReminder_QPushButton", {570, 35, 121, 31}},
        {"Set_EndWorkReminder_QPushButton", {335, 35, 211, 30}},
        {"Time_EndWorkReminder_QTimeEdit", {200, 35, 131, 30}},
        {"ReminderInformation_EndWorkReminder_QLabel", {10, 140, 731, 96}},
        {"EveryDate_EndWorkReminder_QRadioButton", {55, 80, 171, 31}},
        // page 6
        {"Cancel_RestReminder_QPushButton", {560, 50, 121, 31}},
        {"Set_RestReminder_QPushButton", {320, 50, 211, 30}},
        {"ReminderInformation_RestReminder_QLabel", {10, 130, 730, 96}},
        {"TimeInterval_RestReminder_comboBox", {40, 50, 181, 31}},
        {"label", {240, 50, 68, 31}},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << row.name << row.geometry;
}

void MainWindowFormTest::geometries()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QWidget *widget = Widget(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
}

void MainWindowFormTest::sizeLimits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");

    const int Free = QWIDGETSIZE_MAX;
    auto fixed
        = [](const char *name, int w, int h) { QTest::newRow(name) << name << QSize(w, h) << QSize(w, h); };
    auto height
        = [Free](const char *name, int h) { QTest::newRow(name) << name << QSize(0, h) << QSize(Free, h); };
    auto width
        = [Free](const char *name, int w) { QTest::newRow(name) << name << QSize(w, 0) << QSize(w, Free); };
    auto unlimited
        = [Free](const char *name) { QTest::newRow(name) << name << QSize(0, 0) << QSize(Free, Free); };

    unlimited("MainWindow");
    unlimited("centralwidget");
    height("widget_top", 50);
    unlimited("widget_middle");
    height("widget_bottom", 50);
    fixed("Logo_label", 35, 35);
    height("Title_label", 35);
    fixed("Minimize_pushButton", 35, 35);
    fixed("Maximize_pushButton", 35, 35);
    fixed("Close_pushButton", 35, 35);
    width("widget_middle_left", 200);
    unlimited("widget_middle_right");
    unlimited("stackedWidget");
    for (const char *name : {"pushButton1", "pushButton2", "pushButton3", "pushButton4",
                             "EndWorkReminder_pushButton", "RestReminder_pushButton"})
        height(name, 40);
    fixed("widget", 700, 250);
    fixed("widget_2", 650, 250);
    fixed("widget_3", 750, 250);
    fixed("widget_4", 750, 250);
    fixed("widget_5", 750, 250);
    width("Page3_Left_widget", 400);
    unlimited("Page3_Right_widget");
    unlimited("ImageWindow_label");
    height("Image_QGroupBox", 100);
    height("Shape_QGroupBox", 70);
    height("Radius_QGroupBox", 70);
    height("Background_QGroupBox", 70);
    height("ICON_QGroupBox", 120);
    unlimited("SaveImage_QPushButton");
}

void MainWindowFormTest::sizeLimits()
{
    QFETCH(QString, name);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    QWidget *widget = Widget(name);
    QVERIFY(widget);
    QCOMPARE(widget->minimumSize(), minimum);
    QCOMPARE(widget->maximumSize(), maximum);
}

void MainWindowFormTest::sizePolicies_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<QString>("vertical");

    auto row = [](const char *name, const char *h, const char *v) { QTest::newRow(name) << name << h << v; };
    row("widget_top", "Preferred", "Fixed");
    row("widget_bottom", "Preferred", "Fixed");
    row("Logo_label", "Fixed", "Fixed");
    row("Title_label", "Expanding", "Fixed");
    row("Minimize_pushButton", "Fixed", "Fixed");
    row("Maximize_pushButton", "Fixed", "Fixed");
    row("Close_pushButton", "Fixed", "Fixed");
    row("widget_middle_left", "Fixed", "Preferred");
    for (const char *panel : {"widget", "widget_2", "widget_3", "widget_4", "widget_5"})
        row(panel, "Fixed", "Fixed");
    row("Page3_Left_widget", "Fixed", "Preferred");
    for (const char *box :
         {"Image_QGroupBox", "Shape_QGroupBox", "Radius_QGroupBox", "Background_QGroupBox", "ICON_QGroupBox"})
        row(box, "Preferred", "Maximum");
    for (const char *button :
         {"WeiXinNumber_QPushButton", "WeiXinPath_QPushButton", "ImageToIcon_QPushButton",
          "RawImagePath_QPushButton", "IconImagePath_QPushButton", "SelectImage_QPushButton",
          "SaveImage_QPushButton"})
        row(button, "Expanding", "Fixed");
}

void MainWindowFormTest::sizePolicies()
{
    QFETCH(QString, name);
    QFETCH(QString, horizontal);
    QFETCH(QString, vertical);
    QWidget *widget = Widget(name);
    QVERIFY(widget);
    QCOMPARE(PolicyName(widget->sizePolicy().horizontalPolicy()), horizontal);
    QCOMPARE(PolicyName(widget->sizePolicy().verticalPolicy()), vertical);
}

void MainWindowFormTest::stretchFactorsAreZero()
{
    QStringList stretched;
    for (const QString &name : WidgetNames()) {
        const QSizePolicy policy = Widget(name)->sizePolicy();
        if (policy.horizontalStretch() != 0 || policy.verticalStretch() != 0)
            stretched << name;
    }
    QCOMPARE(stretched, QStringList());
}

// ---------------------------------------------------------------------------
// Fonts: every named widget is listed; those without a font of their own
// must inherit.

void MainWindowFormTest::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pointSize"); // 0: no font set on the widget
    QTest::addColumn<QString>("family"); // "": the application's family
    QTest::addColumn<int>("weight");

    QSet<QString> listed;
    auto row = [&listed](const QString &name, int size, const QString &family, int weight) {
        listed.insert(name);
        QTest::newRow(qPrintable(name)) << name << size << family << weight;
    };

    row("Title_label", 14, "Adobe Arabic", QFont::Normal);
    for (const char *title : {"Title_WeiXin_QLabel", "Title_ImageToIcon_QLabel", "Title_Shutdown_QLabel",
                              "Title_Shutdown_QLabel_2", "Title_RestReminder_QLabel"})
        row(title, 20, QString(), 75);

    QStringList body12 = {"pushButton1",
                          "pushButton2",
                          "pushButton3",
                          "pushButton4",
                          "EndWorkReminder_pushButton",
                          "RestReminder_pushButton",
                          "SaveImage_QPushButton"};
    // Everything inside the panels and group boxes, and the group boxes.
    const QSet<QString> containers = {"widget",          "widget_2",         "widget_3",
                                      "widget_4",        "widget_5",         "Image_QGroupBox",
                                      "Shape_QGroupBox", "Radius_QGroupBox", "Background_QGroupBox",
                                      "ICON_QGroupBox"};
    for (const Placement &entry : Widgets) {
        if (containers.contains(QString::fromLatin1(entry.parent))
            || qstrcmp(entry.className, "QGroupBox") == 0)
            body12 << QString::fromLatin1(entry.name);
    }
    for (const QString &name : body12)
        row(name, 12, QString(), QFont::Normal);

    for (const QString &name : WidgetNames()) {
        if (!listed.contains(name))
            row(name, 0, QString(), QFont::Normal);
    }
}

void MainWindowFormTest::fonts()
{
    QFETCH(QString, name);
    QFETCH(int, pointSize);
    QFETCH(QString, family);
    QFETCH(int, weight);

    QWidget *widget = Widget(name);
    QVERIFY(widget);
    if (pointSize == 0) {
        QVERIFY2(!widget->testAttribute(Qt::WA_SetFont), "sets a font of its own");
        return;
    }
    QVERIFY2(widget->testAttribute(Qt::WA_SetFont), "has no font of its own");
    const QFont font = widget->font();
    QCOMPARE(font.pointSize(), pointSize);
    QCOMPARE(font.family(), family.isEmpty() ? QApplication::font().family() : family);
    QCOMPARE(font.weight(), weight);
    QCOMPARE(font.bold(), weight > QFont::Normal);
    QVERIFY(!font.italic());
}

void MainWindowFormTest::labelAlignments_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("alignment");
    const QSet<QString> centred = {"statusLabel", "ReminderInformation_EndWorkReminder_QLabel",
                                   "ReminderInformation_RestReminder_QLabel", "ImageWindow_label"};
    const int labelDefault = int(QLabel().alignment());
    for (const QString &name : WidgetNamesOfClass("QLabel")) {
        QTest::newRow(qPrintable(name))
            << name << (centred.contains(name) ? int(Qt::AlignHCenter | Qt::AlignVCenter) : labelDefault);
    }
}

void MainWindowFormTest::labelAlignments()
{
    QFETCH(QString, name);
    QFETCH(int, alignment);
    auto *label = qobject_cast<QLabel *>(Widget(name));
    QVERIFY(label);
    QCOMPARE(int(label->alignment()), alignment);
}

// ---------------------------------------------------------------------------
// Texts.

namespace {

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

void MainWindowFormTest::texts_data()
{
    AddTextRows();
}

void MainWindowFormTest::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, value);
    QObject *object = Object(name);
    QVERIFY(object);
    QCOMPARE(TextOf(object, property), value);
}

// The text pass looks every text up in the window's translation context, and
// rerunning it brings the plain texts back once no translator is installed.
void MainWindowFormTest::textPassTranslatesInWindowContext_data()
{
    AddTextRows();
}

void MainWindowFormTest::textPassTranslatesInWindowContext()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, value);

    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    Form form;
    QCoreApplication::removeTranslator(&translator);

    QObject *object = Named(form.window, name);
    QVERIFY(object);
    const QString expected = value.isEmpty() ? QString() : QStringLiteral("[MainWindow|-|-1]") + value;
    QCOMPARE(TextOf(object, property), expected);

    form.ui.retranslateUi(&form.window);
    QCOMPARE(TextOf(object, property), value);
}

// ---------------------------------------------------------------------------
// Style sheets: every named widget is listed; unlisted ones carry none.

void MainWindowFormTest::styleSheets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sheet");

    QMap<QString, QString> sheets;
    sheets["MainWindow"] = WindowSheet;
    sheets["widget_top"] = BarSheet;
    sheets["widget_bottom"] = BarSheet;
    sheets["widget_middle"] = QString();
    sheets["widget_middle_left"] = LeftColumnSheet;
    sheets["widget_middle_right"] = RightColumnSheet;
    sheets["scrollArea"] = QString();
    sheets["stackedWidget"] = QString();
    for (const char *name : {"pushButton1", "pushButton2", "pushButton3", "pushButton4",
                             "EndWorkReminder_pushButton", "RestReminder_pushButton"})
        sheets[name] = NavigationSheet;
    for (const char *name : {"widget_3", "widget_4", "widget_5"})
        sheets[name] = PanelSheet;
    for (const QString &name : WidgetNamesOfClass("QGroupBox"))
        sheets[name] = GroupBoxSheet;
    for (const QString &name : WidgetNamesOfClass("QRadioButton"))
        sheets[name] = BorderlessSheet;
    for (const char *name : {"Radius_QLabel", "ICON_Width_QLabel", "ICON_Height_QLabel"})
        sheets[name] = BorderlessSheet;
    sheets["ImageWindow_label"] = PreviewSheet;

    for (const QString &name : WidgetNames())
        QTest::newRow(qPrintable(name)) << name << sheets.value(name);
}

void MainWindowFormTest::styleSheets()
{
    QFETCH(QString, name);
    QFETCH(QString, sheet);
    QWidget *widget = Widget(name);
    QVERIFY(widget);
    QCOMPARE(widget->styleSheet(), sheet);
}

// ---------------------------------------------------------------------------
// Children of each panel in creation order, which is also the tab order.

void MainWindowFormTest::creationAndFocusOrder_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QStringList>("children");

    QTest::newRow("scrollAreaWidgetContents") << "scrollAreaWidgetContents"
                                              << QStringList {"pushButton1",
                                                              "pushButton2",
                                                              "pushButton3",
                                                              "pushButton4",
                                                              "EndWorkReminder_pushButton",
                                                              "RestReminder_pushButton"};
    QTest::newRow("widget") << "widget" << QStringList {"WeiXinNumber_QPushButton", "WeiXinNumber_QSpinBox",
                                                        "WeiXinNumber_label",       "WeiXinPath_QLineEdit",
                                                        "WeiXinPath_QPushButton",   "WeiXinPath_label"};
    QTest::newRow("widget_2") << "widget_2"
                              << QStringList {"ImageToIcon_QPushButton",   "RawImagePath_QLineEdit",
                                              "RawImagePath_QPushButton",  "RawImagePath_label",
                                              "IconImagePath_QPushButton", "IconImagePath_label",
                                              "IconImagePath_QLineEdit",   "IconWidth_QLineEdit",
                                              "IconWidth_label",           "IconHeight_QLineEdit",
                                              "IconHeight_label"};
    QTest::newRow("Image_QGroupBox") << "Image_QGroupBox"
                                     << QStringList {"SingleImageEnable_QRadioButton",
                                                     "MultipleImageEnable_QRadioButton",
                                                     "SelectImage_QPushButton"};
    QTest::newRow("Shape_QGroupBox") << "Shape_QGroupBox"
                                     << QStringList {"RoundRectEnable_QRadioButton",
                                                     "CircleEnable_QRadioButton", "NoneEnable_QRadioButton"};
    QTest::newRow("Radius_QGroupBox")
        << "Radius_QGroupBox" << QStringList {"Radius_QLabel", "Radius_QLineEdit"};
    QTest::newRow("Background_QGroupBox")
        << "Background_QGroupBox"
        << QStringList {"TransprentEnable_QRadioButton", "ColorEnable_QRadioButton",
                        "DisplayColor_QPushButton"};
    QTest::newRow("ICON_QGroupBox") << "ICON_QGroupBox"
                                    << QStringList {"IconEnable_QRadioButton", "ICON_Width_QLineEdit",
                                                    "ICON_Width_QLabel", "ICON_Height_QLineEdit",
                                                    "ICON_Height_QLabel"};
    QTest::newRow("widget_3") << "widget_3" << QStringList {"Date_QDateEdit",
                                                            "CancelShutdown_QPushButton",
                                                            "SetShutdown_QPushButton",
                                                            "Time_QTimeEdit",
                                                            "statusLabel",
                                                            "EveryDate_QRadioButton"};
    QTest::newRow("widget_4") << "widget_4"
                              << QStringList {"Date_EndWorkReminder_QDateEdit",
                                              "Cancel_EndWorkReminder_QPushButton",
                                              "Set_EndWorkReminder_QPushButton",
                                              "Time_EndWorkReminder_QTimeEdit",
                                              "ReminderInformation_EndWorkReminder_QLabel",
                                              "EveryDate_EndWorkReminder_QRadioButton"};
    QTest::newRow("widget_5") << "widget_5"
                              << QStringList {"Cancel_RestReminder_QPushButton",
                                              "Set_RestReminder_QPushButton",
                                              "ReminderInformation_RestReminder_QLabel",
                                              "TimeInterval_RestReminder_comboBox", "label"};
}

void MainWindowFormTest::creationAndFocusOrder()
{
    QFETCH(QString, container);
    QFETCH(QStringList, children);

    QWidget *parent = Widget(container);
    QVERIFY(parent);

    QStringList created;
    for (QObject *child : parent->children()) {
        if (child->isWidgetType())
            created << child->objectName();
    }
    QCOMPARE(created, children);

    QStringList focusOrder;
    int guard = 0;
    for (QWidget *next = parent->nextInFocusChain(); next != parent && guard < 100000;
         next = next->nextInFocusChain(), ++guard) {
        if (next->parentWidget() == parent)
            focusOrder << next->objectName();
    }
    QCOMPARE(focusOrder, children);
}

// ---------------------------------------------------------------------------
// Initial states.

void MainWindowFormTest::radioButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<int>("direction");

    const int LTR = Qt::LeftToRight;
    const int RTL = Qt::RightToLeft;
    QTest::newRow("SingleImageEnable") << "SingleImageEnable_QRadioButton" << true << LTR;
    QTest::newRow("MultipleImageEnable") << "MultipleImageEnable_QRadioButton" << false << RTL;
    QTest::newRow("RoundRectEnable") << "RoundRectEnable_QRadioButton" << false << LTR;
    QTest::newRow("CircleEnable") << "CircleEnable_QRadioButton" << false << LTR;
    QTest::newRow("NoneEnable") << "NoneEnable_QRadioButton" << true << LTR;
    QTest::newRow("TransprentEnable") << "TransprentEnable_QRadioButton" << true << LTR;
    QTest::newRow("ColorEnable") << "ColorEnable_QRadioButton" << false << LTR;
    QTest::newRow("IconEnable") << "IconEnable_QRadioButton" << false << LTR;
    QTest::newRow("EveryDate") << "EveryDate_QRadioButton" << false << LTR;
    QTest::newRow("EveryDate_EndWorkReminder") << "EveryDate_EndWorkReminder_QRadioButton" << false << LTR;
}

void MainWindowFormTest::radioButtons()
{
    QFETCH(QString, name);
    QFETCH(bool, checked);
    QFETCH(int, direction);
    auto *radio = qobject_cast<QRadioButton *>(Widget(name));
    QVERIFY(radio);
    QCOMPARE(radio->isChecked(), checked);
    QVERIFY(radio->autoExclusive());
    QCOMPARE(int(radio->layoutDirection()), direction);
    QVERIFY2(!radio->group(), "belongs to a button group");
}

// Clicking through a group leaves exactly the clicked button checked.
void MainWindowFormTest::exclusiveGroups_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("group");
    QTest::newRow("image") << 2
                           << QStringList {"SingleImageEnable_QRadioButton",
                                           "MultipleImageEnable_QRadioButton"};
    QTest::newRow("shape") << 2
                           << QStringList {"RoundRectEnable_QRadioButton", "CircleEnable_QRadioButton",
                                           "NoneEnable_QRadioButton"};
    QTest::newRow("background") << 2
                                << QStringList {"TransprentEnable_QRadioButton", "ColorEnable_QRadioButton"};
}

void MainWindowFormTest::exclusiveGroups()
{
    QFETCH(int, page);
    QFETCH(QStringList, group);

    Form form;
    form.ui.stackedWidget->setCurrentIndex(page);
    form.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form.window));

    QList<QRadioButton *> buttons;
    for (const QString &name : group) {
        buttons << qobject_cast<QRadioButton *>(NamedWidget(form.window, name));
        QVERIFY(buttons.last());
    }
    for (QRadioButton *clicked : buttons) {
        TestKit::Click(clicked);
        for (QRadioButton *other : buttons)
            QCOMPARE(other->isChecked(), other == clicked);
    }
    // Every other radio button of the form keeps its state.
    QCOMPARE(form.ui.EveryDate_QRadioButton->isChecked(), false);
    QCOMPARE(form.ui.IconEnable_QRadioButton->isChecked(), false);
}

void MainWindowFormTest::loneRadioButtonTogglesOff_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("name");
    QTest::newRow("IconEnable") << 2 << "IconEnable_QRadioButton";
    QTest::newRow("EveryDate") << 3 << "EveryDate_QRadioButton";
    QTest::newRow("EveryDate_EndWorkReminder") << 4 << "EveryDate_EndWorkReminder_QRadioButton";
}

void MainWindowFormTest::loneRadioButtonTogglesOff()
{
    QFETCH(int, page);
    QFETCH(QString, name);

    Form form;
    form.ui.stackedWidget->setCurrentIndex(page);
    form.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form.window));

    auto *radio = qobject_cast<QRadioButton *>(NamedWidget(form.window, name));
    QVERIFY(radio);
    QVERIFY(!radio->isChecked());
    TestKit::Click(radio);
    QVERIFY(radio->isChecked());

    // A radio button without an auto-exclusive sibling is ungrouped in Qt 5.15,
    // so the lone options (every day, icon output) can be switched off again.
    TestKit::Click(radio);
    QVERIFY(!radio->isChecked());

    radio->setChecked(true);
    radio->setChecked(false);
    QVERIFY(!radio->isChecked());
}

void MainWindowFormTest::spinBox()
{
    Form form;
    QSpinBox *spin = form.ui.WeiXinNumber_QSpinBox;
    QCOMPARE(spin->minimum(), 1);
    QCOMPARE(spin->maximum(), 100);
    QCOMPARE(spin->value(), 1);
    QCOMPARE(spin->text(), spin->locale().toString(1));
    spin->setValue(0);
    QCOMPARE(spin->value(), 1);
    spin->setValue(101);
    QCOMPARE(spin->value(), 100);
}

void MainWindowFormTest::comboBox()
{
    auto *combo = qobject_cast<QComboBox *>(Widget("TimeInterval_RestReminder_comboBox"));
    QVERIFY(combo);
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->currentText(), QStringLiteral("1"));
    for (int i = 0; i < combo->count(); ++i) {
        QVERIFY2(combo->itemIcon(i).isNull(), qPrintable(QStringLiteral("item %1 has an icon").arg(i)));
        QVERIFY2(!combo->itemData(i, Qt::UserRole).isValid(),
                 qPrintable(QStringLiteral("item %1 has user data").arg(i)));
    }
}

// Any text can be typed into the line edits.
void MainWindowFormTest::lineEdits_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : WidgetNamesOfClass("QLineEdit"))
        QTest::newRow(qPrintable(name)) << name;
}

void MainWindowFormTest::lineEdits()
{
    QFETCH(QString, name);
    auto *edit = qobject_cast<QLineEdit *>(Widget(name));
    QVERIFY(edit);
    QVERIFY(!edit->validator());
    QCOMPARE(edit->inputMask(), QString());
    QCOMPARE(edit->maxLength(), QLineEdit().maxLength());
}

// The form leaves date, time, range, popup and format at the widget defaults.
void MainWindowFormTest::dateTimeEditsKeepDefaults_data()
{
    QTest::addColumn<QString>("name");
    for (const QString &name : WidgetNamesOfClass("QDateEdit") + WidgetNamesOfClass("QTimeEdit"))
        QTest::newRow(qPrintable(name)) << name;
}

void MainWindowFormTest::dateTimeEditsKeepDefaults()
{
    QFETCH(QString, name);
    auto *edit = qobject_cast<QDateTimeEdit *>(Widget(name));
    QVERIFY(edit);
    std::unique_ptr<QDateTimeEdit> fresh;
    if (qobject_cast<QTimeEdit *>(edit))
        fresh = std::make_unique<QTimeEdit>();
    else
        fresh = std::make_unique<QDateEdit>();
    QCOMPARE(edit->displayFormat(), fresh->displayFormat());
    QCOMPARE(edit->dateTime(), fresh->dateTime());
    QCOMPARE(edit->minimumDateTime(), fresh->minimumDateTime());
    QCOMPARE(edit->maximumDateTime(), fresh->maximumDateTime());
    QCOMPARE(edit->calendarPopup(), false);
}

// The time edits open on the minute section. Checked under locales whose
// default time format puts the minutes second.
void MainWindowFormTest::timeEditCurrentSection_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("C") << "C";
    QTest::newRow("en_US") << "en_US";
    QTest::newRow("de_DE") << "de_DE";
}

void MainWindowFormTest::timeEditCurrentSection()
{
    QFETCH(QString, locale);
    const QLocale saved;
    QLocale::setDefault(QLocale(locale));
    Form form;
    QLocale::setDefault(saved);

    for (QTimeEdit *edit : {form.ui.Time_QTimeEdit, form.ui.Time_EndWorkReminder_QTimeEdit}) {
        QCOMPARE(edit->currentSection(), QDateTimeEdit::MinuteSection);
        QCOMPARE(edit->currentSectionIndex(), 1);
    }
}

// ---------------------------------------------------------------------------
// Resizing keeps bars, columns and panels at their sizes and the panels
// centred.

void MainWindowFormTest::resizing_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("page");
    for (const QSize &size : {QSize(1072, 720), QSize(1500, 950)}) {
        for (int page = 0; page < 6; ++page) {
            QTest::newRow(
                qPrintable(QStringLiteral("%1x%2 page%3").arg(size.width()).arg(size.height()).arg(page + 1)))
                << size << page;
        }
    }
}

void MainWindowFormTest::resizing()
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
    QCOMPARE(ui.widget_top->width(), ui.centralwidget->width());

    QWidget *shown = ui.stackedWidget->currentWidget();
    QCOMPARE(shown->objectName(), QStringLiteral("page%1").arg(page + 1));
    // The page fills the stacked widget, which fills the right column.
    QCOMPARE(shown->size(), ui.stackedWidget->size());

    if (page == 2) {
        QCOMPARE(ui.Page3_Left_widget->width(), 400);
        // Left column first, then the preview up to the page's right margin.
        const QMargins margins = ui.horizontalLayout_6->contentsMargins();
        QCOMPARE(ui.Page3_Right_widget->geometry().right(), ui.page3->width() - 1 - margins.right());
        QCOMPARE(ui.Page3_Right_widget->x(),
                 ui.Page3_Left_widget->geometry().right() + 1 + ui.horizontalLayout_6->spacing());
        QCOMPARE(ui.ImageWindow_label->geometry(),
                 ui.Page3_Right_widget->rect().marginsRemoved(ui.horizontalLayout_7->contentsMargins()));
        return;
    }

    const PageSkeleton *skeleton = nullptr;
    for (const PageSkeleton &s : Skeletons) {
        if (s.index == page)
            skeleton = &s;
    }
    QVERIFY(skeleton);
    QWidget *panel = NamedWidget(form.window, skeleton->panel);
    QWidget *title = NamedWidget(form.window, skeleton->titleLabel);
    QCOMPARE(panel->size(), panel->minimumSize());
    for (const auto &pair :
         {std::make_pair(panel, skeleton->panelRow), std::make_pair(title, skeleton->titleRow)}) {
        const QRect row = NamedLayout(form.window, pair.second)->geometry();
        const QRect placed = pair.first->geometry();
        const int leftGap = placed.left() - row.left();
        const int rightGap = row.right() - placed.right();
        QVERIFY2(qAbs(leftGap - rightGap) <= 1,
                 qPrintable(QStringLiteral("%1 is off centre: %2 left, %3 right")
                                .arg(pair.first->objectName())
                                .arg(leftGap)
                                .arg(rightGap)));
    }
}

// ---------------------------------------------------------------------------
// The program's window: the same form, then the frame and navigation set up.

void MainWindowFormTest::shellFrame()
{
    Shell shell;
    MainWindow &window = shell.window;

    QCOMPARE(window.windowFlags(), Qt::Dialog | Qt::FramelessWindowHint);
    auto *stack = TestKit::Find<QStackedWidget>(&window, "stackedWidget");
    QVERIFY(stack);
    QCOMPARE(stack->currentIndex(), 0);

    auto *logo = TestKit::Find<QLabel>(&window, "Logo_label");
    QVERIFY(logo);
    const QPixmap pixmap = TestKit::LabelPixmap(logo);
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), QSize(30, 30));
    QCOMPARE(int(logo->alignment()), int(Qt::AlignHCenter | Qt::AlignVCenter));

    QCOMPARE(TestKit::Widget(&window, "scrollArea")->styleSheet(), QString::fromLatin1(ScrollAreaStyle));
    for (const char *name : {"Minimize_pushButton", "Maximize_pushButton", "Close_pushButton"})
        QCOMPARE(TestKit::Find<QPushButton>(&window, name)->iconSize(), QSize(30, 30));

    // The form underneath is unchanged where the frame does not touch it.
    QCOMPARE(window.size(), QSize(1072, 720));
    QCOMPARE(window.windowTitle(), QString::fromUtf8("Varno软件"));
    QCOMPARE(window.styleSheet(), WindowSheet);
    QVERIFY(!window.findChild<QStatusBar *>());
    QCOMPARE(shell.modals.Records().size(), 0);
}

void MainWindowFormTest::shellNavigationSheets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("sheet");
    QTest::newRow("pushButton1") << "pushButton1" << QString::fromLatin1(NavButtonSelectedStyle);
    for (const char *name : {"pushButton2", "pushButton3", "pushButton4", "EndWorkReminder_pushButton",
                             "RestReminder_pushButton"})
        QTest::newRow(name) << name << NavigationSheet;
}

void MainWindowFormTest::shellNavigationSheets()
{
    QFETCH(QString, name);
    QFETCH(QString, sheet);
    Shell shell;
    QWidget *button = TestKit::Widget(&shell.window, name);
    QVERIFY(button);
    QCOMPARE(button->styleSheet(), sheet);
}

// The form leaves the edits' formats at the locale default; the program's
// window fixes them so stored values read back under any locale.
void MainWindowFormTest::displayFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("programFormat");
    QTest::newRow("Date_QDateEdit") << "Date_QDateEdit"
                                    << "yyyy/M/d";
    QTest::newRow("Date_EndWorkReminder_QDateEdit") << "Date_EndWorkReminder_QDateEdit"
                                                    << "yyyy/M/d";
    QTest::newRow("Time_QTimeEdit") << "Time_QTimeEdit"
                                    << "H:mm";
    QTest::newRow("Time_EndWorkReminder_QTimeEdit") << "Time_EndWorkReminder_QTimeEdit"
                                                    << "H:mm";
}

void MainWindowFormTest::displayFormats()
{
    QFETCH(QString, name);
    QFETCH(QString, programFormat);

    auto *formEdit = qobject_cast<QDateTimeEdit *>(Widget(name));
    QVERIFY(formEdit);
    const QString localeDefault
        = qobject_cast<QTimeEdit *>(formEdit) ? QTimeEdit().displayFormat() : QDateEdit().displayFormat();
    QCOMPARE(formEdit->displayFormat(), localeDefault);

    Shell shell;
    auto *programEdit = TestKit::Find<QDateTimeEdit>(&shell.window, name);
    QVERIFY(programEdit);
    QCOMPARE(programEdit->displayFormat(), programFormat);
}

VARNO_TEST_MAIN(MainWindowFormTest)
#include "tst_mainwindowform.moc"
