#pragma once
// Defines SpringBoard's runtime classes in this process, as the SpringBoard executable has them:
// SBFWallpaperDirectoryDataStore, SBFWallpaperCache, SBFWallpaperConfigurationManager,
// SBFWallpaperOptions, SBLockScreenManager, SpringBoard, PLStaticWallpaperImageViewController, and
// UIImage. OrbelLumenholdWindow is not among them (registerOrbelLumenholdWindow). Idempotent.
void registerSpringBoardClasses();
