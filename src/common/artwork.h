// The program's own pictures (SVG, compiled into the program as Qt resources).
#pragma once

#include <QIcon>
#include <QString>

namespace talvesso {

// Registers the picture resources; call once before the first window (the UI library is
// static, so its resources are not registered by themselves).
void InitArtwork();

// An icon from ":/talvesso/<name>.svg".
QIcon ArtIcon(const QString& name);

// Sets the application font to a Korean font when one is installed (NanumGothic, 9 points).
void UseKoreanFont();

}  // namespace talvesso
