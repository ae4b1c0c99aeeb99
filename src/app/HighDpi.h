#pragma once

// Scaling for high-DPI screens (125 % to 200 %, common on laptops). Without
// it the window keeps its pixel size while the fonts grow with the system's
// setting, and texts are cut. With it the window, its fixed sizes, fonts and
// icons grow together, by the exact factor: PassThrough keeps 125 % and
// 150 % instead of rounding them to whole numbers.
namespace HighDpi {

// Before the application object exists.
void Enable();

} // namespace HighDpi
