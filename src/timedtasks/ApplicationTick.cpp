#include "app/MainWindow.h"

void MainWindow::ApplicationTimerFunction() { }
