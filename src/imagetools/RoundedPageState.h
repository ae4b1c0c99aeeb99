#pragma once

#include "RoundedRender.h"
#include "app/MainWindow.h"

struct MainWindow::RoundedPageState
{
    RoundedPreviewRenderer Preview;
    // Set by every render whose shaped image is not null; the export writes
    // what these inputs give at full resolution.
    bool HasLastRender = false;
    RoundedRenderInputs LastRender;
    // The full-resolution image an export built from LastRender, kept for a
    // further export without a render in between.
    QImage ExportImage;
};
