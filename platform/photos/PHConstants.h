#pragma once
// The Photos framework's type and subtype numbers, as the device stores them.
#include <climits>

inline constexpr int PHAssetCollectionTypeAlbum = 1;
inline constexpr int PHAssetCollectionTypeSmartAlbum = 2;
inline constexpr int PHAssetCollectionTypeMoment = 3;

inline constexpr int PHAssetCollectionSubtypeAlbumRegular = 2;
inline constexpr int PHAssetCollectionSubtypeAlbumSyncedEvent = 3;
inline constexpr int PHAssetCollectionSubtypeAlbumSyncedFaces = 4;
inline constexpr int PHAssetCollectionSubtypeAlbumSyncedAlbum = 5;
inline constexpr int PHAssetCollectionSubtypeAlbumImported = 6;
inline constexpr int PHAssetCollectionSubtypeSmartAlbumFavorites = 203;
inline constexpr int PHAssetCollectionSubtypeSmartAlbumUserLibrary = 209;
inline constexpr int PHAssetCollectionSubtypeAny = INT_MAX;

inline constexpr int PHCollectionListTypeFolder = 2;
inline constexpr int PHCollectionListSubtypeRegularFolder = 100;
