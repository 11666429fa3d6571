#include "tools/assets.h"

namespace datagen {

const std::vector<ImageAsset>& imageAssets() {
    static const std::vector<ImageAsset> assets = {
        {"common/icons", 32, 32, 16, 4, paintIcon},
        {"common/Buttons", 64, 64, 16, 4, paintButton},
        {"common/dpad", 32, 32, 16, 4, paintDpad},
        {"common/KemoLogo", 256, 256, 1, 1, paintStudioLogo},
        {"common/Testcard_Circle", 256, 256, 1, 1, paintTestcard},
        {"fonts/editundo", 16, 16, 128, 16, paintGameFont},
        {"menu", 256, 256, 4, 2, paintMenuPanel},
        {"logo", 256, 128, 1, 1, paintTitleLogo},
        {"parts", 8, 8, 256, 16, paintPart},
        {"BadgesA", 64, 64, 64, 8, paintBadge},
        {"bad", 32, 16, 128, 8, paintEnemy},
        {"gfx", 32, 32, 64, 8, paintShipSheet},
        {"flash", 64, 64, 16, 4, paintFlash},
        // The framework's default font: 96 cells in one strip, loaded with a one-pixel side border.
        {"tavo_font", 10, 16, 96, 96, paintDefaultFont, false},
    };
    return assets;
}

}  // namespace datagen
