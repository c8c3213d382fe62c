#pragma once
// The fonts the views draw their scales and read-outs with. The views were laid out for
// "Century Gothic" and "Tahoma" with a given cell height in pixels; on a system without them
// a similar family stands in, at the same cell height, so the texts fit their strips.

#include <QFont>

// height: the cell height in pixels (the font's ascent plus descent).
QFont ViewFont(int height);
// The same for captions that were laid out in "Tahoma".
QFont CaptionFont(int height);
