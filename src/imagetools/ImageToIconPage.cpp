#include "BusyCursor.h"
#include "ImageFunctions.h"
#include "OffGuiThread.h"
#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void MainWindow::InitImageToIconPage()
{
    ConnectNavigationButton(1);

    ConnectPressed(Ui->RawImagePath_QPushButton, &MainWindow::BrowseRawImage);
    ConnectPressed(Ui->IconImagePath_QPushButton, &MainWindow::BrowseIconDirectory);
    ConnectPressed(Ui->ImageToIcon_QPushButton, &MainWindow::ConvertImageToIcon);
}

void MainWindow::ShowImagePageMessage(const QString &title, const QString &text)
{
    QMessageBox::information(this, title, text);
}

void MainWindow::BrowseRawImage()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("选择图像"), QStringLiteral("../"),
                                                      tr("Image(*.png *.bmp *.jpg *.gif)"));
    if (path.isEmpty()) {
        ShowImagePageMessage(tr("错误"), tr("图像路径不能为空"));
        return;
    }
    SourceBaseName = QFileInfo(path).baseName();
    {
        BusyCursor busy;
        SourceImage = RunOffGuiThread([path] { return LoadImageFile(path); });
    }
    Ui->RawImagePath_QLineEdit->setText(path);
}

void MainWindow::BrowseIconDirectory()
{
    const QString directory = QFileDialog::getExistingDirectory(this, tr("选择图像保存路径"),
                                                                QDir::homePath(), QFileDialog::ShowDirsOnly);
    if (!directory.isEmpty()) {
        Ui->IconImagePath_QLineEdit->setText(directory);
        return;
    }
    Ui->IconImagePath_QLineEdit->setText(QString());
    ShowImagePageMessage(tr("提示"), tr("没有选择保存路径"));
}

void MainWindow::ConvertImageToIcon()
{
    const QString sourcePath = Ui->RawImagePath_QLineEdit->text();
    if (sourcePath.isEmpty()) {
        ShowImagePageMessage(tr("错误"), tr("原始图像路径不能为空"));
        return;
    }

    BusyCursor busy;
    SourceImage = RunOffGuiThread([sourcePath] { return LoadImageFile(sourcePath); });
    if (SourceBaseName.isEmpty())
        SourceBaseName = QStringLiteral("Varno");
    if (SourceImage.isNull())
        return;

    const int height = Ui->IconHeight_QLineEdit->text().toInt(nullptr, 10);
    const int width = Ui->IconWidth_QLineEdit->text().toInt(nullptr, 10);
    if (width > MaximumIconSide || height > MaximumIconSide) {
        busy.Release();
        ShowImagePageMessage(tr("错误"), tr("ICON宽度和高度不能超过256"));
        return;
    }

    const QList<int> sides = IconSizes(width, height, Ui->MultiSize_QCheckBox->isChecked());
    const QIcon icon = sides.isEmpty() ? MakeIcon(SourceImage, width, height) : QIcon();
    if (sides.isEmpty() && icon.isNull())
        return;

    // An empty folder would put the file at the root of the file system.
    const QString directory = Ui->IconImagePath_QLineEdit->text();
    if (directory.isEmpty()) {
        busy.Release();
        ShowImagePageMessage(tr("提示"), tr("没有选择保存路径"));
        return;
    }
    const QString iconPath = directory + QLatin1Char('/') + SourceBaseName + QStringLiteral(".ico");
    const bool saved = sides.isEmpty() ? SaveIconFile(icon, iconPath)
                                       : SaveMultiSizeIconFile(SourceImage, sides, iconPath);

    busy.Release();
    if (saved)
        ShowImagePageMessage(tr("提示"), tr("转换完成"));
    else
        ShowImagePageMessage(tr("错误"), tr("文件保存失败: %1").arg(iconPath));
}
