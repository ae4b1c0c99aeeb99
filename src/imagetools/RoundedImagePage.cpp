#include "BusyCursor.h"
#include "ImageFunctions.h"
#include "OffGuiThread.h"
#include "ReducedImage.h"
#include "RoundedPageState.h"
#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>

namespace {

const QColor DefaultBackgroundColor(0, 255, 0, 255);

// Green, until the user picks a colour.
void ShowDefaultBackgroundColor(QPushButton *swatch)
{
    swatch->setStyleSheet(QStringLiteral("background-color: rgb(%1, %2,%3);").arg(0).arg(255).arg(0));
    swatch->show();
}

void ShowPlainImage(QLabel *label, RoundedPreviewRenderer &renderer, const QImage &image)
{
    label->setPixmap(
        QPixmap::fromImage(renderer.RenderPlain(image, label->size(), label->devicePixelRatioF())));
    label->setAlignment(Qt::AlignCenter);
}

} // namespace

void MainWindow::RoundedPageStateDeleter::operator()(RoundedPageState *state) const
{
    delete state;
}

MainWindow::RoundedPageState &MainWindow::RoundedPage()
{
    if (!RoundedState)
        RoundedState.reset(new RoundedPageState);
    return *RoundedState;
}

void MainWindow::InitRoundedImagePage()
{
    if (Ui->ColorEnable_QRadioButton->isChecked()) {
        BackgroundColor = DefaultBackgroundColor;
        ShowDefaultBackgroundColor(Ui->DisplayColor_QPushButton);
    } else {
        Ui->DisplayColor_QPushButton->hide();
    }
    Ui->MultipleImageEnable_QRadioButton->hide();

    ConnectNavigationButton(2);

    ConnectPressed(Ui->SelectImage_QPushButton, &MainWindow::SelectRoundedImage);
    ConnectPressed(Ui->DisplayColor_QPushButton, &MainWindow::PickBackgroundColor);
    ConnectPressed(Ui->SaveImage_QPushButton, &MainWindow::SaveRoundedImage);

    connect(
        Ui->NoneEnable_QRadioButton, &QRadioButton::clicked, Ui->NoneEnable_QRadioButton,
        [this](bool checked) {
            if (checked && !SourceImage.isNull())
                ShowPlainPreview();
        },
        Qt::DirectConnection);
    for (QRadioButton *shape : {Ui->RoundRectEnable_QRadioButton, Ui->CircleEnable_QRadioButton}) {
        connect(
            shape, &QRadioButton::clicked, shape,
            [this](bool checked) {
                if (checked)
                    RenderRoundedImage();
            },
            Qt::DirectConnection);
    }
    connect(
        Ui->TransprentEnable_QRadioButton, &QRadioButton::clicked, Ui->TransprentEnable_QRadioButton,
        [this](bool checked) {
            if (!checked)
                return;
            RenderRoundedImage();
            Ui->DisplayColor_QPushButton->hide();
        },
        Qt::DirectConnection);
    connect(
        Ui->ColorEnable_QRadioButton, &QRadioButton::clicked, Ui->ColorEnable_QRadioButton,
        [this](bool checked) {
            if (!checked)
                return;
            BackgroundColor = DefaultBackgroundColor;
            ShowDefaultBackgroundColor(Ui->DisplayColor_QPushButton);
            RenderRoundedImage();
        },
        Qt::DirectConnection);
    connect(
        Ui->Radius_QLineEdit, &QLineEdit::textEdited, Ui->Radius_QLineEdit,
        [this](const QString &) { RenderRoundedImage(); }, Qt::DirectConnection);
}

void MainWindow::SelectRoundedImage()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("选择图像"), QStringLiteral("../"),
                                                      tr("Image(*.png *.bmp *.jpg *.gif)"));
    SourceImagePath = path;
    if (path.isEmpty())
        return;

    BusyCursor busy;
    SourceBaseName = QFileInfo(path).baseName();
    // A reduced copy is shown first where one is quicker; the page works on
    // the whole image only, which input waits for.
    QLabel *label = Ui->ImageWindow_label;
    const QSize area = label->size() * label->devicePixelRatioF();
    SourceImage = RunOffGuiThread([path] { return LoadImageFile(path); },
                                  [path, area] { return ReducedImageFile(path, area); },
                                  [this, label](const QImage &reduced) {
                                      if (!reduced.isNull())
                                          ShowPlainImage(label, RoundedPage().Preview, reduced);
                                  });
    ShowPlainPreview();
    Ui->NoneEnable_QRadioButton->setChecked(true);
}

void MainWindow::ShowPlainPreview()
{
    ShowPlainImage(Ui->ImageWindow_label, RoundedPage().Preview, SourceImage);
}

void MainWindow::RenderRoundedImage()
{
    const bool transparent = Ui->TransprentEnable_QRadioButton->isChecked();
    const bool colour = Ui->ColorEnable_QRadioButton->isChecked();
    if (Ui->RoundRectEnable_QRadioButton->isChecked()) {
        if (transparent && !SourceImage.isNull())
            RunRoundedPipeline(false, true);
        if (colour && !SourceImage.isNull())
            RunRoundedPipeline(false, false);
    }
    if (Ui->CircleEnable_QRadioButton->isChecked()) {
        if (transparent && !SourceImage.isNull())
            RunRoundedPipeline(true, true);
        if (colour && !SourceImage.isNull())
            RunRoundedPipeline(true, false);
    }
}

// Only the inputs of the full-resolution result are kept here (see
// RoundedPageState); what the user sees is drawn at display size from them.
void MainWindow::RunRoundedPipeline(bool circle, bool transparentBackground)
{
    if (Ui->Radius_QLineEdit->text().isEmpty()) {
        const int defaultRadius = circle ? qMin(SourceImage.width(), SourceImage.height()) / 2 : 10;
        Ui->Radius_QLineEdit->setText(QString::number(defaultRadius));
    }

    RoundedRenderInputs inputs;
    inputs.source = SourceImage;
    inputs.shape = circle ? RoundedShape::Circle : RoundedShape::RoundRect;
    inputs.radius = Ui->Radius_QLineEdit->text().toInt(nullptr, 10);
    inputs.transparentBackground = transparentBackground;
    inputs.backgroundColor = BackgroundColor;

    RoundedPageState &page = RoundedPage();
    RoundedImage = QImage();
    page.ExportImage = QImage();
    // The round trip of a loaded image keeps its size and never comes back
    // null, so the source stands in for the normalised image here; the
    // export still checks the real round trip where it is not skipped.
    page.HasLastRender = !ShapedImageIsNull(SourceImage, inputs.shape, inputs.radius);
    page.LastRender = page.HasLastRender ? inputs : RoundedRenderInputs();

    ShowRoundedPreview(page.HasLastRender ? page.Preview.Render(inputs, Ui->ImageWindow_label->size(),
                                                                Ui->ImageWindow_label->devicePixelRatioF())
                                          : QImage());
}

void MainWindow::ShowRoundedPreview(const QImage &preview)
{
    Ui->ImageWindow_label->setPixmap(QPixmap::fromImage(preview));
    Ui->ImageWindow_label->setAlignment(Qt::AlignCenter);
    Ui->ImageWindow_label->setAttribute(Qt::WA_TranslucentBackground, true);
}

void MainWindow::PickBackgroundColor()
{
    QPushButton *swatch = Ui->DisplayColor_QPushButton;
    const QColor initial
        = swatch->palette().brush(swatch->palette().currentColorGroup(), QPalette::Window).color();
    const QColor chosen = QColorDialog::getColor(initial, this, tr("选择颜色"));
    if (chosen.isValid()) {
        swatch->setStyleSheet(QStringLiteral("background-color: rgb(%1,%2,%3);")
                                  .arg(chosen.red(), 2, 10, QLatin1Char('0'))
                                  .arg(chosen.green(), 2, 10, QLatin1Char('0'))
                                  .arg(chosen.blue(), 2, 10, QLatin1Char('0')));
        BackgroundColor = QColor(chosen.red(), chosen.green(), chosen.blue(), 255);
    } else {
        BackgroundColor = DefaultBackgroundColor;
    }
    RenderRoundedImage();
}
