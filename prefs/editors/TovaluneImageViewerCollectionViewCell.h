#pragma once
// One tile of the stored image viewer's grid: a rounded grey square showing one picture, fitted. The
// looks and behaviour are those of every picture tile of the pane (TovaluneImageTileCell).
#include "prefs/editors/TovaluneImageGrid.h"

class TovaluneImageViewerCollectionViewCell : public TovaluneImageTileCell {
 public:
  static objc::Class* cls();
  explicit TovaluneImageViewerCollectionViewCell(objc::Class* isa = TovaluneImageViewerCollectionViewCell::cls());
};
