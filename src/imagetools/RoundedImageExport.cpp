#include "BusyCursor.h"
#include "ImageFunctions.h"
#include "RoundedPageState.h"
#include "RoundedRender.h"
#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include <QDir>
#include <QFileDialog>

void MainWindow::SaveRoundedImage()
{
    const QString directory = QFileDialog::getExistingDirectory(this, tr("选择图像保存路径"),
                                                                QDir::homePath(), QFileDialog::ShowDirsOnly);
    if (directory.isEmpty()) {
        ShowImagePageMessage(tr("提示"), tr("没有选择保存路径"));
        return;
    }
    if (SourceBaseName.isEmpty())
        SourceBaseName = QStringLiteral("Varno");
    const QString pngPath
        = directory + QLatin1Char('/') + SourceBaseName + QStringLiteral("-Png") + QStringLiteral(".png");
    const QString iconPath
        = directory + QLatin1Char('/') + SourceBaseName + QStringLiteral("-Icon") + QStringLiteral(".ico");
    if (SourceImage.isNull())
        return;

    if (Ui->RoundRectEnable_QRadioButton->isChecked() && !ExportRoundedShape(false, pngPath, iconPath))
        return;
    if (Ui->CircleEnable_QRadioButton->isChecked())
        ExportRoundedShape(true, pngPath, iconPath);
}

// Returns false when the export stopped early, silently or after an error box.
bool MainWindow::ExportRoundedShape(bool circle, const QString &pngPath, const QString &iconPath)
{
    RoundedPageState &page = RoundedPage();
    BusyCursor busy;

    // Whether the PNG is written depends on the page's current image; the
    // pixels written are those of the last render. The round trip of the
    // current image is only run where it could change or lose it, and reused
    // below when the last render was made from the same image.
    const QImage normalised = NormalisedImage(SourceImage);
    if (normalised.isNull())
        return false;

    if (Ui->Radius_QLineEdit->text().isEmpty())
        Ui->Radius_QLineEdit->setText(QStringLiteral("10"));
    if (Ui->ICON_Width_QLineEdit->text().isEmpty())
        Ui->ICON_Width_QLineEdit->setText(QStringLiteral("48"));
    if (Ui->ICON_Height_QLineEdit->text().isEmpty())
        Ui->ICON_Height_QLineEdit->setText(QStringLiteral("48"));

    const bool writeIcon = Ui->IconEnable_QRadioButton->isChecked();
    const int iconWidth = Ui->ICON_Width_QLineEdit->text().toInt(nullptr, 10);
    const int iconHeight = Ui->ICON_Height_QLineEdit->text().toInt(nullptr, 10);
    if (writeIcon && (iconWidth > MaximumIconSide || iconHeight > MaximumIconSide)) {
        busy.Release();
        ShowImagePageMessage(tr("错误"), tr("ICON宽度和高度不能超过256"));
        return false;
    }

    const int radius = Ui->Radius_QLineEdit->text().toInt(nullptr, 10);
    const bool writePng
        = !ShapedImageIsNull(normalised, circle ? RoundedShape::Circle : RoundedShape::RoundRect, radius);

    // The PNG is written band by band from the render's inputs; only an icon
    // needs the whole image at full size, kept for a further export.
    const bool sameSource = page.HasLastRender && page.LastRender.source.cacheKey() == SourceImage.cacheKey();
    if (writePng) {
        const QImage rendered = !page.HasLastRender ? QImage()
            : sameSource                            ? normalised
                                                    : NormalisedImage(page.LastRender.source);
        if (rendered.isNull() || !SaveExportPng(page.LastRender, rendered, pngPath)) {
            busy.Release();
            ShowImagePageMessage(tr("错误"), tr("文件保存失败: %1").arg(pngPath));
            return false;
        }
    }
    if (writeIcon && page.HasLastRender && page.ExportImage.isNull()) {
        page.ExportImage = BuildExportImage(page.LastRender, sameSource ? normalised : QImage());
        if (!page.LastRender.transparentBackground)
            RoundedImage = page.ExportImage;
    }

    if (writeIcon && page.HasLastRender) {
        const QList<int> sides
            = IconSizes(iconWidth, iconHeight, Ui->MultiSize_RoundedImage_QCheckBox->isChecked());
        const QIcon icon = sides.isEmpty() ? MakeIcon(page.ExportImage, iconWidth, iconHeight) : QIcon();
        const bool saved = sides.isEmpty() ? icon.isNull() || SaveIconFile(icon, iconPath)
                                           : SaveMultiSizeIconFile(page.ExportImage, sides, iconPath);
        if (!saved) {
            busy.Release();
            ShowImagePageMessage(tr("错误"), tr("文件保存失败: %1").arg(iconPath));
            return false;
        }
    }

    busy.Release();
    ShowImagePageMessage(tr("提示"), tr("保存成功"));
    return true;
}
