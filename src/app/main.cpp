#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    int result = 0;
    {
        MainWindow window;
        window.show();
        result = application.exec();
    }
    return result;
}
