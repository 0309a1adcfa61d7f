#pragma once
// One tile of the local image selector's grid: a rounded grey square showing one picture, fitted. The
// looks and behaviour are those of every picture tile of the pane (TovaluneImageTileCell).
#include "prefs/editors/TovaluneImageGrid.h"

class TovaluneImageSelectorCollectionViewCell : public TovaluneImageTileCell {
 public:
  static objc::Class* cls();
  explicit TovaluneImageSelectorCollectionViewCell(objc::Class* isa = TovaluneImageSelectorCollectionViewCell::cls());
};
