#pragma once
// Drawn pictures for the image buttons and the OK glyph, so windows need no
// bitmap files for them: the close button (46 x 20) and the minimize button
// (28 x 20) in their normal, hover and pressed looks, with the names assistive technology
// announces them by ("Закрыть", "Свернуть").
#include "ImageButton.h"

#include <QIcon>

namespace korvel {

ButtonPictures CloseButtonPictures();
ButtonPictures MinimizeButtonPictures();
// The green tick shown on OK buttons.
QIcon OkGlyph();

} // namespace korvel
