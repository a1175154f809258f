#include "platform/ui/Artwork.h"

// The resources live in a static library: nothing would pull them into the
// program unless something names them.
static void InitArtworkResources() { Q_INIT_RESOURCE(artwork); }

QIcon LoadAppIcon() {
  InitArtworkResources();
  QIcon icon;
  icon.addFile(QStringLiteral(":/artwork/icon16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/artwork/icon32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/artwork/icon256.png"), QSize(256, 256));
  return icon;
}

const QImage& LoadHeaderImage() {
  InitArtworkResources();
  static const QImage header(QStringLiteral(":/artwork/header.png"));
  return header;
}
