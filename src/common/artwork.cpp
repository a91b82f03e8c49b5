#include "common/artwork.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

static void RegisterArtworkResource() { Q_INIT_RESOURCE(artwork); }

namespace talvesso {

void InitArtwork() {
  static const bool registered = [] {
    RegisterArtworkResource();
    return true;
  }();
  Q_UNUSED(registered);
}

QIcon ArtIcon(const QString& name) {
  return QIcon(QStringLiteral(":/talvesso/") + name + QStringLiteral(".svg"));
}

void UseKoreanFont() {
  const QStringList families = QFontDatabase::families();
  for (const char* family : {"NanumGothic", "NanumBarunGothic", "Noto Sans CJK KR", "UnDotum"}) {
    if (families.contains(QString::fromLatin1(family))) {
      QApplication::setFont(QFont(QString::fromLatin1(family), 9));
      return;
    }
  }
}

}  // namespace talvesso
