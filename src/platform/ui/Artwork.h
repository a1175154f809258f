#pragma once

#include <QIcon>
#include <QImage>

// The application icon (16 and 32 pixels, plus a large one for docks and
// task switchers) and the 500 by 47 header image, drawn by
// src/res/artwork/make_artwork.py. UI thread.
QIcon LoadAppIcon();
const QImage& LoadHeaderImage();
