#include "device/springboard/SpringBoardClasses.h"

#include "device/springboard/PLStaticWallpaperImageViewController.h"
#include "device/springboard/SBFWallpaperCache.h"
#include "device/springboard/SBFWallpaperConfigurationManager.h"
#include "device/springboard/SBFWallpaperDirectoryDataStore.h"
#include "device/springboard/SBFWallpaperOptions.h"
#include "device/springboard/SBLockScreenManager.h"
#include "device/springboard/SpringBoard.h"
#include "platform/image/UIImage.h"

void registerSpringBoardClasses() {
  UIImage::cls();
  SBFWallpaperDirectoryDataStore::cls();
  SBFWallpaperCache::cls();
  SBFWallpaperConfigurationManager::cls();
  SBFWallpaperOptions::cls();
  SBLockScreenManager::cls();
  SpringBoard::cls();
  PLStaticWallpaperImageViewController::cls();
}
