#pragma once
// The engine's one way to a new picture: nine sources behind one dispatch on the provider number.
// A controller is made per refresh; every pending task and completion holds it, so it lives until
// the last of them has run.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/image/UIImage.h"
#include "shared/PreferenceValues.h"

// Receives the picture, or nothing; called at most once per fetch, on the provider's thread.
using ImageCompletion = std::function<void(std::shared_ptr<UIImage> image)>;
// Receives the text of a web resource, or nothing.
using TextCompletion = std::function<void(std::optional<std::string> text)>;

// Where the web services live. The defaults are the real services; tests and offline demos
// reach a local server through the device's routes, not by changing these.
struct ProviderHosts {
  std::string Microsoft = "arc.msn.com";
  std::string Unsplash = "source.unsplash.com";
  std::string Desktoppr = "api.desktoppr.co";
  std::string Picsum = "picsum.photos";
  std::string LoremFlickr = "loremflickr.com";
  std::string CatAPI = "thecatapi.com";
};

class OrbelTovaluneController : public std::enable_shared_from_this<OrbelTovaluneController> {
 public:
  static std::shared_ptr<OrbelTovaluneController> create() { return std::make_shared<OrbelTovaluneController>(); }

  int CurrentProvider = ProviderMicrosoft;  // an ImageProvider; any other number fetches nothing
  bool FullResolution = true;
  std::optional<std::string> LocalPath = std::string("/var/mobile/Library/Tovalune");
  std::optional<std::string> CustomProvider;
  bool CustomProviderIncludeSize = false;
  int StoreLast = 10;
  std::optional<std::string> StorePath = std::string("/var/mobile/Library/TovaluneStore");
  std::optional<std::string> PhotosAlbumIdentifier;
  ProviderHosts Hosts;

  // The dispatch: providers 1 to 7 keep their picture in the store before the completion sees it.
  void fetchRandomImageWithHandler(ImageCompletion completion);

  void fetchRandomLocalImageWithHandler(ImageCompletion completion);
  void fetchCustomImageWithHandler(ImageCompletion completion);
  void fetchRandomImageFromMicrosoftWithHandler(ImageCompletion completion);
  void fetchRandomImageFromUnsplashWithHandler(ImageCompletion completion);
  void fetchRandomImageFromDesktopprWithHandler(ImageCompletion completion);
  void fetchRandomImageFromPicsumWithHandler(ImageCompletion completion);
  void fetchRandomImageFromFlickrWithHandler(ImageCompletion completion);
  void fetchRandomImageFromCatAPIWithHandler(ImageCompletion completion);
  void fetchRandomImageFromPhotosAlbumWithHandler(ImageCompletion completion,
                                                  const std::optional<std::string>& albumIdentifier);

  // Retrieval and the picture store.
  void getDataFrom(const std::string& url, TextCompletion handler);
  void getDataFrom(const std::string& url, const std::string& method, const std::optional<std::string>& body,
                   TextCompletion handler);
  // Blocks for the whole download; never call it on the main thread.
  std::shared_ptr<UIImage> imageWithUrl(const std::optional<std::string>& url);
  void saveImageToStore(std::shared_ptr<UIImage> image);

 private:
  struct ScreenSize {
    int width, height;
  };
  ScreenSize screenSize() const;
  // Unsplash, Picsum, LoremFlickr, TheCatAPI and the custom URL: the URL is the picture.
  void fetchDirectImage(std::string url, ImageCompletion completion);
  void pruneStore(const std::string& storePath, int keep);
};
