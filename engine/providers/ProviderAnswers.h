#pragma once
// The walks through the answers of the two services whose answer names the picture rather than
// being it: the Microsoft placement feed and Desktoppr. Apart from the network so that a fuzzer or
// a test can hand them any text.
//
// Each walk steps through the platform's JSON collections, where a missing key is nil and a value
// of another type or an index past the end raises; a raise is caught here, logged with the step
// that failed, and gives no URL. No text, text that is no JSON, and a JSON answer of another shape
// all give no URL; nothing a server sends escapes as an exception.
#include <optional>
#include <string>

// The portrait picture's URL in a placement answer: batchrsp.items[0].item is itself JSON text,
// whose ad.image_fullscreen_001_portrait.u is the URL. Log lines:
// "[Tovalune] fetchRandomImageFromMicrosoftWithHandler(N): ..." with N = 1 (no JSON), 2 (item is
// no JSON), 3 (a step raised).
std::optional<std::string> microsoftPictureURL(const std::optional<std::string>& answer);

// response.image.url of a Desktoppr answer. Log lines:
// "[Tovalune] fetchRandomImageFromDesktopprWithHandler(N): ..." with N = 1 (no JSON), 2 (a step
// raised).
std::optional<std::string> desktopprPictureURL(const std::optional<std::string>& answer);
