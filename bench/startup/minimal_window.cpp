// The reference for the start-up and memory figures: the least a Qt widget
// program can be that shows one window with Chinese text, so the figures
// separate what VarnoSoftware adds from what any such program costs.

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QLabel label(QStringLiteral("你好，世界"));
    label.show();
    return application.exec();
}
